// The file writer at the end of the AVI output when the platform's own cannot serve the
// multiplexer. The AVI multiplexer writes its stream data as samples whose start time is the
// byte offset in the file, and goes back through the writer pin's IStream to write the
// header and the index; Wine's file writer pin has no IStream, so its multiplexer refuses to
// start in front of it. This writer's pin answers both.
#pragma once

#include <afx.h>

#include <streams.h>

#include "app/foundation/HandleOwner.h"

// {8A2C4F7D-3E61-4B0A-9C55-2D7E1B6F0A43}
extern const CLSID CLSID_RvxAviFileWriter;

class CAviFileWriterPin;

class CAviFileWriter : public CBaseFilter, public IFileSinkFilter {
public:
    // Made with one reference for the caller.
    static CAviFileWriter* CreateInstance(HRESULT* phr);
    ~CAviFileWriter() override;

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int n) override;

    // The file is made (emptied) when the filter leaves the stopped state, and stays open
    // after a stop, because the multiplexer writes its index while it stops; a new name,
    // leaving the graph or the filter's end closes it.
    HRESULT STDMETHODCALLTYPE Pause() override;
    HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;

    // IFileSinkFilter
    HRESULT STDMETHODCALLTYPE SetFileName(LPCOLESTR fileName, const AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE GetCurFile(LPOLESTR* fileName, AM_MEDIA_TYPE* type) override;

    // Writes at the offset (or, with offset negative, at the stream position, which moves on).
    HRESULT WriteAt(LONGLONG offset, const void* data, ULONG size, ULONG* written);
    HRESULT Seek(LONGLONG move, DWORD origin, ULONGLONG* position);
    HRESULT ReadAt(void* data, ULONG size, ULONG* read);
    HRESULT SetSize(ULONGLONG size);
    HRESULT Size(ULONGLONG* size);

private:
    explicit CAviFileWriter(HRESULT* phr);
    HRESULT OpenFile();
    void CloseFile();

    CCritSec m_filterLock;
    CCritSec m_fileLock; // the handle, the name and the position
    CAviFileWriterPin* m_pin = nullptr;
    CString m_fileName;
    CHandleOwner m_file;
    ULONGLONG m_position = 0;
};
