#include "app/ui/BmpMapMgr.h"

#include "app/foundation/LogWriter.h"

#include <boost/archive/xml_iarchive.hpp>
#include <boost/archive/xml_oarchive.hpp>

#include <shlwapi.h>

#include <exception>
#include <sstream>
#include <vector>

namespace UI_Mgr {

namespace {

std::wstring FromAnsi(const std::string& s)
{
    if (s.empty())
        return std::wstring();
    int n = ::MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), &out[0], n);
    return out;
}

std::string ToAnsi(const std::wstring& s)
{
    if (s.empty())
        return std::string();
    int n = ::WideCharToMultiByte(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, s.data(), static_cast<int>(s.size()), &out[0], n, nullptr, nullptr);
    return out;
}

// The whole file by its wide path, so a program folder outside the ANSI code page still loads.
bool ReadWholeFile(LPCWSTR path, std::string& data)
{
    HANDLE file = ::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size = {};
    bool ok = ::GetFileSizeEx(file, &size) && size.QuadPart < (64LL << 20);
    if (ok) {
        data.resize(static_cast<size_t>(size.QuadPart));
        DWORD got = 0;
        ok = data.empty() || (::ReadFile(file, &data[0], static_cast<DWORD>(data.size()), &got, nullptr) &&
                              got == data.size());
    }
    ::CloseHandle(file);
    return ok;
}

} // namespace

SBmpMapMgr::~SBmpMapMgr()
{
    Clear();
}

void SBmpMapMgr::Clear()
{
    if (m_hDC != nullptr) {
        if (m_hOldBitmap != nullptr)
            ::SelectObject(m_hDC, m_hOldBitmap);
        ::DeleteDC(m_hDC);
        m_hDC = nullptr;
    }
    m_hOldBitmap = nullptr;
    if (m_hBitmap != nullptr) {
        ::DeleteObject(m_hBitmap);
        m_hBitmap = nullptr;
    }
    m_map.clear();
    m_path.clear();
    m_pathW.clear();
}

bool SBmpMapMgr::Load(LPCWSTR mapFilePath)
{
    Clear();
    if (mapFilePath == nullptr)
        return false;
    std::string text;
    if (!ReadWholeFile(mapFilePath, text))
        return false;
    const std::string damage = ReadArchive(text);
    if (!damage.empty())
        AppLog() << LogTime << " skin map " << ToAnsi(mapFilePath) << " is damaged (" << damage << "); "
                 << (m_path.empty() || m_map.empty() ? std::string("nothing of it can be used")
                                                      : std::to_string(m_map.size()) + " items read before it are used")
                 << std::endl;
    if (m_path.empty() || m_map.empty()) {
        Clear();
        return false;
    }

    // A relative bitmap path is taken from the map file's own full path, so "..\ui.bmp" is the
    // bitmap beside the map file.
    wchar_t full[MAX_PATH] = {};
    if (::GetFullPathNameW(mapFilePath, MAX_PATH, full, nullptr) == 0) {
        Clear();
        return false;
    }
    wchar_t combined[MAX_PATH] = {};
    if (::PathCombineW(combined, full, FromAnsi(m_path).c_str()) == nullptr) {
        Clear();
        return false;
    }
    m_hBitmap = static_cast<HBITMAP>(
        ::LoadImageW(nullptr, combined, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    if (m_hBitmap == nullptr) {
        Clear();
        return false;
    }
    m_pathW = combined;
    m_path = ToAnsi(m_pathW);
    m_hDC = ::CreateCompatibleDC(nullptr);
    if (m_hDC == nullptr) {
        Clear();
        return false;
    }
    m_hOldBitmap = ::SelectObject(m_hDC, m_hBitmap);
    return true;
}

bool SBmpMapMgr::Save(LPCWSTR mapFilePath) const
{
    std::ostringstream out;
    try {
        boost::archive::xml_oarchive archive(out);
        archive << boost::serialization::make_nvp("BMPMGR", *this);
    } catch (const std::exception&) {
        return false;
    }
    const std::string data = out.str();
    HANDLE file = ::CreateFileW(mapFilePath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = ::WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &written, nullptr) &&
              written == data.size();
    ::CloseHandle(file);
    return ok;
}

// Reads "BMPMGR" into the manager; an error ends the reading and keeps what was read before it.
// Returns the archive's message for the damage, empty when the map was read whole.
std::string SBmpMapMgr::ReadArchive(const std::string& text)
{
    std::istringstream in(text);
    std::string damage;
    try {
        boost::archive::xml_iarchive archive(in);
        try {
            archive >> boost::serialization::make_nvp("BMPMGR", *this);
        } catch (const std::exception& e) {
            damage = e.what();
        }
        // The archive reads its closing tag in its destructor, and a throw from there (a file
        // cut off after its last item) would end the program; the reading is over, so the
        // stream is marked finished and the destructor reads nothing.
        in.setstate(std::ios::failbit);
    } catch (const std::exception& e) {
        damage = e.what();
    }
    return damage;
}

const SBmpItem* SBmpMapMgr::Find(std::uint32_t id) const
{
    auto it = m_map.find(id);
    return it == m_map.end() ? nullptr : &it->second;
}

bool SBmpMapMgr::GetItemRect(std::uint32_t id, CRect& rc) const
{
    const SBmpItem* item = Find(id);
    if (item == nullptr) {
        rc.SetRectEmpty();
        return false;
    }
    rc = item->Rect;
    return true;
}

bool SBmpMapMgr::DrawRect(CDC* pDC, const CRect& dst, const RECT& src, bool stretch, DWORD rop) const
{
    if (pDC == nullptr || pDC->m_hDC == nullptr || !IsLoaded())
        return false;
    if (stretch)
        return ::StretchBlt(pDC->m_hDC, dst.left, dst.top, dst.Width(), dst.Height(), m_hDC, src.left, src.top,
                            src.right - src.left, src.bottom - src.top, rop) != FALSE;
    return ::BitBlt(pDC->m_hDC, dst.left, dst.top, dst.Width(), dst.Height(), m_hDC, src.left, src.top, rop) !=
           FALSE;
}

bool SBmpMapMgr::DrawRectTransparent(CDC* pDC, const CRect& dst, const RECT& src, COLORREF colorKey) const
{
    if (pDC == nullptr || pDC->m_hDC == nullptr || !IsLoaded())
        return false;
    return ::TransparentBlt(pDC->m_hDC, dst.left, dst.top, dst.Width(), dst.Height(), m_hDC, src.left, src.top,
                            src.right - src.left, src.bottom - src.top, colorKey) != FALSE;
}

bool SBmpMapMgr::DrawItem(CDC* pDC, const CRect& dst, std::uint32_t id, bool stretch, DWORD rop) const
{
    if (pDC == nullptr || m_map.empty())
        return false;
    const SBmpItem* item = Find(id);
    return item != nullptr && DrawRect(pDC, dst, item->Rect, stretch, rop);
}

bool SBmpMapMgr::DrawItemTransparent(CDC* pDC, const CRect& dst, std::uint32_t id, COLORREF colorKey) const
{
    if (pDC == nullptr || m_map.empty())
        return false;
    const SBmpItem* item = Find(id);
    return item != nullptr && DrawRectTransparent(pDC, dst, item->Rect, colorKey);
}

} // namespace UI_Mgr
