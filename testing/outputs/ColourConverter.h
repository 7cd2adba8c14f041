// A stand-in for the system's colour space converter (Wine has none): RGB32 in, RGB24 of the
// same size and row order out, one output sample per input sample with the same times.
#pragma once

#include <streams.h>

#include <memory>

namespace standin {

class CStandInColourConverter : public CBaseFilter
{
public:
    // With one reference for the caller.
    static IUnknown* Create(HRESULT* phr);
    ~CStandInColourConverter() override;

    int GetPinCount() override { return 2; }
    CBasePin* GetPin(int n) override;

    // The RGB24 type that matches an RGB32 input type; false for anything else.
    static bool OutputTypeFor(const CMediaType& input, CMediaType* output);

    HRESULT Convert(IMediaSample* sample);
    CBasePin* Input() const;
    CBaseOutputPin* Output() const;

    // Samples converted by every instance since the last reset.
    static long Converted();
    static void ResetConverted();

private:
    explicit CStandInColourConverter(HRESULT* phr);

    CCritSec lock_;
    std::unique_ptr<CBaseInputPin> input_;
    std::unique_ptr<CBaseOutputPin> output_;
};

} // namespace standin
