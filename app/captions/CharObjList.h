// A caption page: an ordered list of caption objects (the first drawn at the bottom, the
// last on top) and the size of the canvas it was composed on, stored as a caption page file
// (".rxf", a framework archive). Every operation holds the page's lock for its whole length;
// the objects themselves are not locked.
#pragma once

#include "app/captions/CharObject.h"

#include <afx.h>
#include <afxmt.h>

#include <vector>

class CCharObjList : public CObject {
    DECLARE_SERIAL(CCharObjList)
public:
    enum { kDefaultHeight = 237, kDefaultWidth = 317 };
    // SetTimingByRect's `which`.
    enum { kTimingSpeed = 0, kTimingStay = 1, kTimingStartDelay = 2, kTimingRepeatCount = 3, kTimingRepeatInterval = 4 };

    CCharObjList();
    ~CCharObjList() override;

    // The whole page: count, object records, then the flag, width and height. Reading
    // starts from an empty page and throws CArchiveException on a malformed stream.
    void Serialize(CArchive& ar) override;

    // A page that cannot be opened or read leaves the page in memory as it was; the reason
    // is then GetLastError's text.
    bool LoadFromFile(LPCWSTR path);
    // Writes beside the file and replaces it only once the page is wholly written.
    bool SaveToFile(LPCWSTR path);
    const CString& GetLastError() const { return lastError_; }

    int Add(CCharObject* object);
    bool GetAt(int index, CCharObject** object) const;
    bool FindByRect(const RECT& rect, CCharObject** object) const;

    bool RemoveByRect(const RECT& rect);
    CCharObject* DetachByRect(const RECT& rect);
    bool SetRectByRect(const RECT& oldRect, const RECT& newRect);
    bool SetTextByRect(const RECT& rect, const CStringW& text);
    bool SetStyleByRect(const RECT& rect, const CharTextStyle& style);
    bool SetStyleAndTextByRect(const RECT& rect, const CharTextStyle& style, const CStringW& text);
    bool SetMotionByRect(const RECT& rect, BYTE motion);
    bool SetTimingByRect(const RECT& rect, int value, int which);

    bool RemoveAt(int index);
    CCharObject* DetachAt(int index);

    int BringToTop(int index);
    int SendToBottom(int index);
    int MoveUp(int index);
    int MoveDown(int index);

    void Clear();
    int GetCount() const;
    int GetWidth() const;
    int GetHeight() const;
    void SetWidth(int width);
    void SetHeight(int height);
    int GetPageFlag() const;

private:
    int FindIndex(const RECT& rect) const; // from the top down; -1 when none
    void Reset();

    std::vector<CCharObject*> objects_;
    mutable CCriticalSection lock_;
    int pageFlag_ = 1;
    int height_ = kDefaultHeight;
    int width_ = kDefaultWidth;
    CString lastError_;
};
