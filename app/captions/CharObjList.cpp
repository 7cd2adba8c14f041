#include "app/captions/CharObjList.h"

#include <algorithm>
#include <memory>

IMPLEMENT_SERIAL(CCharObjList, CObject, 1)

namespace {

// The smallest object record: an old one (type, rect, motion, speed, stay, length).
constexpr ULONGLONG kSmallestRecord = 4 + 16 + 1 + 4 + 4 + 8;

struct OwnedObjects {
    std::vector<CCharObject*> list;
    ~OwnedObjects()
    {
        for (CCharObject* o : list) delete o;
    }
};

CString ErrorText(CException* e)
{
    wchar_t text[512] = {};
    if (!e->GetErrorMessage(text, 512)) wcscpy(text, L"unknown error");
    return CString(text);
}

} // namespace

CCharObjList::CCharObjList() = default;

CCharObjList::~CCharObjList() { Reset(); }

void CCharObjList::Reset()
{
    for (CCharObject* o : objects_) delete o;
    objects_.clear();
    height_ = kDefaultHeight;
    width_ = kDefaultWidth;
}

void CCharObjList::Serialize(CArchive& ar)
{
    CSingleLock lock(&lock_, TRUE);
    if (ar.IsStoring()) {
        ar << LONG(objects_.size());
        for (CCharObject* o : objects_) o->Serialize(ar);
        ar << LONG(pageFlag_) << LONG(width_) << LONG(height_);
        return;
    }
    Reset();
    pageFlag_ = 1;
    LONG count = 0;
    ar >> count;
    if (count < 0 || ULONGLONG(count) > ar.GetBytesRemaining() / kSmallestRecord)
        AfxThrowArchiveException(CArchiveException::badIndex, ar.m_strFileName);
    OwnedObjects read;
    for (LONG i = 0; i < count; ++i) {
        std::unique_ptr<CCharObject> o(new CCharObject);
        o->Serialize(ar);
        read.list.push_back(o.release());
    }
    LONG flag = pageFlag_, width = width_, height = height_;
    if (ar.GetBytesRemaining() > 0) ar >> flag >> width >> height;
    objects_.swap(read.list);
    pageFlag_ = int(flag);
    width_ = int(width);
    height_ = int(height);
}

bool CCharObjList::LoadFromFile(LPCWSTR path)
{
    CSingleLock lock(&lock_, TRUE);
    CFile file;
    CFileException openError;
    if (!file.Open(path, CFile::modeRead | CFile::shareDenyWrite, &openError)) {
        lastError_ = ErrorText(&openError);
        return false;
    }
    // Read into a page of its own: a file that turns out malformed half-way leaves this page
    // untouched.
    CCharObjList page;
    try {
        CArchive ar(&file, CArchive::load, 4096);
        page.Serialize(ar);
        ar.Close();
    } catch (CException* e) {
        lastError_ = ErrorText(e);
        e->Delete();
        return false;
    }
    Reset();
    objects_.swap(page.objects_);
    pageFlag_ = page.pageFlag_;
    width_ = page.width_;
    height_ = page.height_;
    lastError_.Empty();
    return true;
}

bool CCharObjList::SaveToFile(LPCWSTR path)
{
    CSingleLock lock(&lock_, TRUE);
    const CString target(path);
    const CString temporary = target + L".saving";
    CFile file;
    CFileException openError;
    if (!file.Open(temporary, CFile::modeCreate | CFile::modeWrite | CFile::shareExclusive, &openError)) {
        lastError_ = ErrorText(&openError);
        return false;
    }
    try {
        CArchive ar(&file, CArchive::store, 4096);
        Serialize(ar); // the page's lock is re-entrant
        ar.Close();
        file.Close();
    } catch (CException* e) {
        lastError_ = ErrorText(e);
        e->Delete();
        file.Abort();
        DeleteFileW(temporary);
        return false;
    }
    if (!MoveFileExW(temporary, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        lastError_.Format(L"cannot replace %s (error %lu)", static_cast<LPCWSTR>(target), ::GetLastError());
        DeleteFileW(temporary);
        return false;
    }
    lastError_.Empty();
    return true;
}

int CCharObjList::Add(CCharObject* object)
{
    CSingleLock lock(&lock_, TRUE);
    objects_.push_back(object);
    return int(objects_.size()) - 1;
}

bool CCharObjList::GetAt(int index, CCharObject** object) const
{
    CSingleLock lock(&lock_, TRUE);
    if (index < 0 || index >= int(objects_.size())) return false;
    if (object) *object = objects_[size_t(index)];
    return true;
}

int CCharObjList::FindIndex(const RECT& rect) const
{
    for (int i = int(objects_.size()) - 1; i >= 0; --i)
        if (EqualRect(&objects_[size_t(i)]->GetRect(), &rect)) return i;
    return -1;
}

bool CCharObjList::FindByRect(const RECT& rect, CCharObject** object) const
{
    CSingleLock lock(&lock_, TRUE);
    const int i = FindIndex(rect);
    if (i < 0) return false;
    if (object) *object = objects_[size_t(i)];
    return true;
}

bool CCharObjList::RemoveByRect(const RECT& rect)
{
    CSingleLock lock(&lock_, TRUE);
    const int i = FindIndex(rect);
    if (i < 0) return false;
    delete objects_[size_t(i)];
    objects_.erase(objects_.begin() + i);
    return true;
}

CCharObject* CCharObjList::DetachByRect(const RECT& rect)
{
    CSingleLock lock(&lock_, TRUE);
    const int i = FindIndex(rect);
    if (i < 0) return nullptr;
    CCharObject* o = objects_[size_t(i)];
    objects_.erase(objects_.begin() + i);
    return o;
}

bool CCharObjList::SetRectByRect(const RECT& oldRect, const RECT& newRect)
{
    CSingleLock lock(&lock_, TRUE);
    const int i = FindIndex(oldRect);
    if (i < 0) return false;
    objects_[size_t(i)]->SetRect(newRect);
    return true;
}

bool CCharObjList::SetTextByRect(const RECT& rect, const CStringW& text)
{
    CSingleLock lock(&lock_, TRUE);
    const int i = FindIndex(rect);
    if (i < 0) return false;
    CharTextStyle style;
    if (!objects_[size_t(i)]->GetStyle(&style)) style.SetDefault();
    objects_[size_t(i)]->SetText(style, text);
    return true;
}

bool CCharObjList::SetStyleByRect(const RECT& rect, const CharTextStyle& style)
{
    CSingleLock lock(&lock_, TRUE);
    const int i = FindIndex(rect);
    if (i < 0) return false;
    objects_[size_t(i)]->SetStyle(style);
    return true;
}

bool CCharObjList::SetStyleAndTextByRect(const RECT& rect, const CharTextStyle& style, const CStringW& text)
{
    CSingleLock lock(&lock_, TRUE);
    const int i = FindIndex(rect);
    if (i < 0) return false;
    objects_[size_t(i)]->SetText(style, text);
    return true;
}

bool CCharObjList::SetMotionByRect(const RECT& rect, BYTE motion)
{
    CSingleLock lock(&lock_, TRUE);
    const int i = FindIndex(rect);
    if (i < 0) return false;
    objects_[size_t(i)]->SetMotion(motion);
    return true;
}

bool CCharObjList::SetTimingByRect(const RECT& rect, int value, int which)
{
    CSingleLock lock(&lock_, TRUE);
    const int i = FindIndex(rect);
    if (i < 0) return false;
    CCharObject* o = objects_[size_t(i)];
    switch (which) {
    case kTimingSpeed: o->SetSpeed(value); break;
    case kTimingStay: o->SetStay(value); break;
    case kTimingStartDelay: o->SetStartDelay(value); break;
    case kTimingRepeatCount: o->SetRepeatCount(value); break;
    case kTimingRepeatInterval: o->SetRepeatInterval(value); break;
    default: return false;
    }
    return true;
}

bool CCharObjList::RemoveAt(int index)
{
    CSingleLock lock(&lock_, TRUE);
    if (index < 0 || index >= int(objects_.size())) return false;
    delete objects_[size_t(index)];
    objects_.erase(objects_.begin() + index);
    return true;
}

CCharObject* CCharObjList::DetachAt(int index)
{
    CSingleLock lock(&lock_, TRUE);
    if (index < 0 || index >= int(objects_.size())) return nullptr;
    CCharObject* o = objects_[size_t(index)];
    objects_.erase(objects_.begin() + index);
    return o;
}

int CCharObjList::BringToTop(int index)
{
    CSingleLock lock(&lock_, TRUE);
    const int n = int(objects_.size());
    if (index < 0 || index >= n) return -1;
    std::rotate(objects_.begin() + index, objects_.begin() + index + 1, objects_.end());
    return n - 1;
}

int CCharObjList::SendToBottom(int index)
{
    CSingleLock lock(&lock_, TRUE);
    if (index < 0 || index >= int(objects_.size())) return -1;
    std::rotate(objects_.begin(), objects_.begin() + index, objects_.begin() + index + 1);
    return 0;
}

int CCharObjList::MoveUp(int index)
{
    CSingleLock lock(&lock_, TRUE);
    const int n = int(objects_.size());
    if (index < 0 || index >= n) return -1;
    if (index == n - 1) return index;
    std::swap(objects_[size_t(index)], objects_[size_t(index) + 1]);
    return index + 1;
}

int CCharObjList::MoveDown(int index)
{
    CSingleLock lock(&lock_, TRUE);
    if (index < 0 || index >= int(objects_.size())) return -1;
    if (index == 0) return 0;
    std::swap(objects_[size_t(index)], objects_[size_t(index) - 1]);
    return index - 1;
}

void CCharObjList::Clear()
{
    CSingleLock lock(&lock_, TRUE);
    Reset();
}

int CCharObjList::GetCount() const
{
    CSingleLock lock(&lock_, TRUE);
    return int(objects_.size());
}

int CCharObjList::GetWidth() const
{
    CSingleLock lock(&lock_, TRUE);
    return width_;
}

int CCharObjList::GetHeight() const
{
    CSingleLock lock(&lock_, TRUE);
    return height_;
}

void CCharObjList::SetWidth(int width)
{
    CSingleLock lock(&lock_, TRUE);
    width_ = width;
}

void CCharObjList::SetHeight(int height)
{
    CSingleLock lock(&lock_, TRUE);
    height_ = height;
}

int CCharObjList::GetPageFlag() const
{
    CSingleLock lock(&lock_, TRUE);
    return pageFlag_;
}
