// One caption object: a text or a picture on a caption page, with its rectangle, motion and
// timing. Its data is the 136-byte text style followed by the text (UTF-16LE, no terminator)
// or by a picture format id and the picture file's bytes unchanged.
#pragma once

#include "app/captions/CharTextStyle.h"

#include <afx.h>

#include <vector>

class CxImage;

class CCharObject : public CObject {
    DECLARE_SERIAL(CCharObject)
public:
    enum { kText = 0, kPicture = 1, kAnimation = 2 };
    enum { kVersion = 3 };

    CCharObject();
    ~CCharObject() override;

    // One object record of a caption page file (also the clipboard's record). Reading
    // refuses a record that does not fit the rest of the archive (CArchiveException) before
    // allocating anything for it.
    void Serialize(CArchive& ar) override;

    void SetText(const CharTextStyle& style, const CStringW& text);
    bool GetText(CharTextStyle* style, CStringW* text) const;
    void SetStyle(const CharTextStyle& style);
    bool GetStyle(CharTextStyle* style) const;

    // Loads the picture file (checking that it decodes in that format) and holds its bytes.
    bool SetImage(LPCWSTR path, int formatId, const CharTextStyle& style);
    // A new picture decoded from the held bytes (the caller deletes it); null for a text
    // object or bytes that do not decode.
    CxImage* GetImage() const;
    bool GetImageBytes(const BYTE** bytes, DWORD* count) const;
    int GetImageFormat() const;
    // Decodes one frame of a held GIF into `image`.
    bool DecodeFrame(long index, CxImage* image) const;

    int GetType() const { return type_; }
    const RECT& GetRect() const { return rect_; }
    void SetRect(const RECT& rect) { rect_ = rect; }
    BYTE GetMotion() const { return motion_; }
    void SetMotion(BYTE motion) { motion_ = motion; }
    int GetSpeed() const { return speed_; }
    void SetSpeed(int v) { speed_ = v; }
    int GetStay() const { return stay_; }
    void SetStay(int v) { stay_ = v; }
    int GetStartDelay() const { return startDelay_; }
    void SetStartDelay(int v) { startDelay_ = v; }
    int GetRepeatCount() const { return repeatCount_; }
    void SetRepeatCount(int v) { repeatCount_ = v; }
    int GetRepeatInterval() const { return repeatInterval_; }
    void SetRepeatInterval(int v) { repeatInterval_ = v; }
    int GetVersion() const { return version_; }
    LONGLONG GetDataLength() const { return LONGLONG(data_.size()); }
    const std::vector<BYTE>& GetData() const { return data_; }

private:
    int type_ = kText;
    RECT rect_ = {0, 0, 0, 0};
    BYTE motion_ = 0;
    int speed_ = 100;
    int stay_ = 60;
    std::vector<BYTE> data_;
    int version_ = kVersion;
    int startDelay_ = 0;
    int repeatCount_ = 1;
    int repeatInterval_ = 0;
};
