// The skin map: named sub-rectangles of one skin bitmap, read from an XML skin map file, and
// drawn into device contexts plainly, stretched or with a transparent colour key.
#pragma once

#include <afxwin.h>

#include <boost/serialization/map.hpp>
#include <boost/serialization/nvp.hpp>
#include <boost/serialization/string.hpp>

#include <cstdint>
#include <map>
#include <string>

namespace boost {
namespace serialization {

// A skin rectangle is stored as "l", "t", "r", "b".
template <class Archive>
void serialize(Archive& ar, RECT& rc, const unsigned int)
{
    ar& make_nvp("l", rc.left);
    ar& make_nvp("t", rc.top);
    ar& make_nvp("r", rc.right);
    ar& make_nvp("b", rc.bottom);
}

} // namespace serialization
} // namespace boost

namespace UI_Mgr {

struct SBmpItem {
    std::uint32_t ID = 0;
    RECT Rect = { 0, 0, 0, 0 };
    std::string Name;
    std::string Desc;

    template <class Archive>
    void serialize(Archive& ar, const unsigned int)
    {
        ar& boost::serialization::make_nvp("ID", ID);
        ar& boost::serialization::make_nvp("Rect", Rect);
        ar& boost::serialization::make_nvp("Name", Name);
        ar& boost::serialization::make_nvp("Desc", Desc);
    }
};

class SBmpMapMgr {
public:
    SBmpMapMgr() = default;
    ~SBmpMapMgr();
    SBmpMapMgr(const SBmpMapMgr&) = delete;
    SBmpMapMgr& operator=(const SBmpMapMgr&) = delete;

    // Reads a skin map file and loads its bitmap; false (and an empty manager) on any failure.
    // A damaged map is logged and used as far as it could be read.
    bool Load(LPCWSTR mapFilePath);
    // Writes the map (path and items) as a skin map file; the project's own skins are made so.
    bool Save(LPCWSTR mapFilePath) const;
    void Clear();

    bool GetItemRect(std::uint32_t id, CRect& rc) const;
    bool DrawItem(CDC* pDC, const CRect& dst, std::uint32_t id, bool stretch, DWORD rop = SRCCOPY) const;
    bool DrawItemTransparent(CDC* pDC, const CRect& dst, std::uint32_t id, COLORREF colorKey) const;
    // The same from an explicit rectangle of the skin bitmap.
    bool DrawRect(CDC* pDC, const CRect& dst, const RECT& src, bool stretch, DWORD rop = SRCCOPY) const;
    bool DrawRectTransparent(CDC* pDC, const CRect& dst, const RECT& src, COLORREF colorKey) const;

    // Building a map to save.
    void SetBitmapPath(const std::string& path) { m_path = path; }
    void SetItem(const SBmpItem& item) { m_map[item.ID] = item; }

    const std::string& GetBitmapPath() const { return m_path; }
    const std::wstring& GetBitmapPathW() const { return m_pathW; }
    const std::map<std::uint32_t, SBmpItem>& GetItems() const { return m_map; }
    HDC GetMemDC() const { return m_hDC; }
    HBITMAP GetBitmap() const { return m_hBitmap; }
    bool IsLoaded() const { return m_hDC != nullptr && m_hBitmap != nullptr; }

    template <class Archive>
    void serialize(Archive& ar, const unsigned int)
    {
        ar& boost::serialization::make_nvp("BMPPATH", m_path);
        ar& boost::serialization::make_nvp("BMPMAP", m_map);
    }

private:
    std::string ReadArchive(const std::string& text);
    const SBmpItem* Find(std::uint32_t id) const;

    std::map<std::uint32_t, SBmpItem> m_map;
    std::string m_path;      // as stored: the ANSI code page
    std::wstring m_pathW;    // the bitmap's full path, as it was opened
    HDC m_hDC = nullptr;
    HBITMAP m_hBitmap = nullptr;
    HGDIOBJ m_hOldBitmap = nullptr;
};

} // namespace UI_Mgr
