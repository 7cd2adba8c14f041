#include "app/captions/CharObject.h"

#include "app/captions/image/ximage.h"

#include <cstring>

IMPLEMENT_SERIAL(CCharObject, CObject, 1)

namespace {

constexpr size_t kStyle = CharTextStyle::kSize;
constexpr size_t kPictureHead = kStyle + 4;
constexpr int kMaxMotion = 8;

} // namespace

CCharObject::CCharObject() = default;

CCharObject::~CCharObject() = default;

void CCharObject::Serialize(CArchive& ar)
{
    if (ar.IsStoring()) {
        ar << LONG(kVersion) << LONG(type_);
        ar << DWORD(rect_.left) << DWORD(rect_.top) << DWORD(rect_.right) << DWORD(rect_.bottom);
        ar << motion_ << LONG(speed_) << LONG(stay_);
        ar << LONGLONG(data_.size());
        if (!data_.empty()) ar.Write(data_.data(), UINT(data_.size()));
        ar << LONG(startDelay_) << LONG(repeatCount_) << LONG(repeatInterval_);
        return;
    }

    // Records of version 2 and before begin with the type and end after the data.
    LONG first = 0, type = 0;
    ar >> first;
    const bool old = first <= 2;
    if (old) type = first;
    else ar >> type;
    DWORD l, t, r, b;
    BYTE motion;
    LONG speed, stay;
    LONGLONG length;
    ar >> l >> t >> r >> b >> motion >> speed >> stay >> length;
    // A length from the file is believed only as far as the file goes: a corrupt or foreign
    // record must not make the program allocate what it claims.
    if (type < kText || type > kAnimation || motion > kMaxMotion || length < 0 ||
        ULONGLONG(length) > ar.GetBytesRemaining() || length > 0x7FFFFFFFLL)
        AfxThrowArchiveException(CArchiveException::badIndex, ar.m_strFileName);
    std::vector<BYTE> data(static_cast<size_t>(length));
    if (length > 0 && ar.Read(data.data(), UINT(length)) != UINT(length))
        AfxThrowArchiveException(CArchiveException::endOfFile, ar.m_strFileName);
    LONG delay = 0, count = 1, interval = 0;
    if (!old) ar >> delay >> count >> interval;

    type_ = int(type);
    rect_.left = LONG(l);
    rect_.top = LONG(t);
    rect_.right = LONG(r);
    rect_.bottom = LONG(b);
    motion_ = motion;
    speed_ = int(speed);
    stay_ = int(stay);
    data_.swap(data);
    version_ = kVersion;
    startDelay_ = int(delay);
    repeatCount_ = int(count);
    repeatInterval_ = int(interval);
}

void CCharObject::SetText(const CharTextStyle& style, const CStringW& text)
{
    const size_t chars = size_t(text.GetLength());
    data_.assign(kStyle + 2 * chars, 0);
    style.ToBytes(data_.data());
    const wchar_t* p = text;
    for (size_t i = 0; i < chars; ++i) {
        data_[kStyle + 2 * i] = BYTE(p[i] & 0xFF);
        data_[kStyle + 2 * i + 1] = BYTE(p[i] >> 8);
    }
    type_ = kText;
}

bool CCharObject::GetText(CharTextStyle* style, CStringW* text) const
{
    if (data_.size() < kStyle) return false;
    if (style) style->FromBytes(data_.data());
    if (text) {
        // Exactly the stored characters: the text carries no terminator of its own.
        const size_t chars = (data_.size() - kStyle) / 2;
        std::vector<wchar_t> w(chars + 1, 0);
        for (size_t i = 0; i < chars; ++i)
            w[i] = wchar_t(data_[kStyle + 2 * i] | (data_[kStyle + 2 * i + 1] << 8));
        *text = CStringW(w.data(), int(chars));
    }
    return true;
}

void CCharObject::SetStyle(const CharTextStyle& style)
{
    if (data_.size() < kStyle) data_.resize(kStyle, 0);
    style.ToBytes(data_.data());
}

bool CCharObject::GetStyle(CharTextStyle* style) const
{
    if (data_.size() < kStyle) return false;
    if (style) style->FromBytes(data_.data());
    return true;
}

bool CCharObject::SetImage(LPCWSTR path, int formatId, const CharTextStyle& style)
{
    CxImage probe;
    if (!probe.Load(path, DWORD(formatId))) return false;
    CFile file;
    if (!file.Open(path, CFile::modeRead | CFile::shareDenyWrite)) return false;
    std::vector<BYTE> data(kPictureHead, 0);
    style.ToBytes(data.data());
    const DWORD id = DWORD(formatId);
    for (int i = 0; i < 4; ++i) data[kStyle + i] = BYTE(id >> (8 * i));
    BYTE chunk[1024];
    try {
        for (UINT n; (n = file.Read(chunk, sizeof chunk)) > 0;) data.insert(data.end(), chunk, chunk + n);
    } catch (CException* e) {
        e->Delete();
        return false;
    }
    data_.swap(data);
    type_ = formatId == CXIMAGE_FORMAT_GIF ? kAnimation : kPicture;
    rect_.left = rect_.top = 0;
    rect_.right = LONG(probe.GetWidth());
    rect_.bottom = LONG(probe.GetHeight());
    return true;
}

int CCharObject::GetImageFormat() const
{
    if (type_ == kText || data_.size() < kPictureHead) return CXIMAGE_FORMAT_UNKNOWN;
    const BYTE* p = &data_[kStyle];
    return int(DWORD(p[0]) | (DWORD(p[1]) << 8) | (DWORD(p[2]) << 16) | (DWORD(p[3]) << 24));
}

bool CCharObject::GetImageBytes(const BYTE** bytes, DWORD* count) const
{
    if (type_ == kText || data_.size() < kPictureHead) return false;
    if (bytes) *bytes = data_.data() + kPictureHead;
    if (count) *count = DWORD(data_.size() - kPictureHead);
    return true;
}

CxImage* CCharObject::GetImage() const
{
    const BYTE* bytes = nullptr;
    DWORD count = 0;
    if (!GetImageBytes(&bytes, &count)) return nullptr;
    CxImage* image = new CxImage;
    if (!image->Decode(bytes, count, DWORD(GetImageFormat()))) {
        delete image;
        return nullptr;
    }
    return image;
}

bool CCharObject::DecodeFrame(long index, CxImage* image) const
{
    const BYTE* bytes = nullptr;
    DWORD count = 0;
    if (!image || type_ != kAnimation || GetImageFormat() != CXIMAGE_FORMAT_GIF || !GetImageBytes(&bytes, &count))
        return false;
    image->SetFrame(index);
    return image->Decode(bytes, count, CXIMAGE_FORMAT_GIF);
}
