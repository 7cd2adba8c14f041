// Test helpers for the output settings pages: a program folder of the test's own with its
// config folder, the devices each category lists, the folder browser's answer, the message
// boxes shown, and the pages' controls worked as the operator works them.
#pragma once

#include "app/foundation/AppHelpers.h"
#include "app/settings/OutputDeviceLists.h"
#include "app/settings/OutputSettingsIni.h"

#include <afxdlgs.h>

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

struct GuidLess {
    bool operator()(const GUID& a, const GUID& b) const { return std::memcmp(&a, &b, sizeof a) < 0; }
};

inline std::map<GUID, std::vector<ListedDevice>, GuidLess>& Devices()
{
    static std::map<GUID, std::vector<ListedDevice>, GuidLess> devices;
    return devices;
}

inline HRESULT ListTestDevices(REFGUID category, std::vector<ListedDevice>& devices)
{
    auto found = Devices().find(category);
    if (found == Devices().end())
        return S_FALSE;
    devices = found->second;
    return S_OK;
}

inline CString& BrowseAnswer()
{
    static CString answer;
    return answer;
}

inline std::wstring& BrowseTitle()
{
    static std::wstring title;
    return title;
}

inline BOOL AnswerBrowser(HWND, LPCWSTR title, CString& folder)
{
    BrowseTitle() = title ? title : L"";
    if (BrowseAnswer().IsEmpty())
        return FALSE;
    folder = BrowseAnswer();
    return TRUE;
}

struct ShownBox {
    std::wstring text, caption;
    UINT type;
};

inline std::vector<ShownBox>& Boxes()
{
    static std::vector<ShownBox> boxes;
    return boxes;
}

// The answers the next boxes give (IDYES, IDNO...); IDOK when none is left.
inline std::vector<int>& BoxAnswers()
{
    static std::vector<int> answers;
    return answers;
}

inline std::string ReadBytes(const CString& path)
{
    std::string bytes;
    FILE* f = _wfopen(path, L"rb");
    if (!f)
        return bytes;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0)
        bytes.append(buffer, n);
    fclose(f);
    return bytes;
}

inline void WriteBytes(const CString& path, const std::string& bytes)
{
    FILE* f = _wfopen(path, L"wb");
    ASSERT_NE(f, nullptr);
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

// What the program writes into a file it creates: a UTF-16LE byte-order mark and the text in
// UTF-16LE (the fixture's text is UTF-8).
inline std::string Utf16File(const char* utf8)
{
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, &wide[0], n);
    wide.resize(static_cast<size_t>(n - 1));
    std::string bytes = "\xFF\xFE";
    for (wchar_t c : wide) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>((c >> 8) & 0xFF));
    }
    return bytes;
}

class OutputPagesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        wchar_t name[40];
        swprintf(name, 40, L"rvx_outpages_%lu", GetCurrentProcessId());
        folder_ = CString(temp) + name;
        CreateDirectoryW(folder_, nullptr);
        CreateDirectoryW(folder_ + L"\\config", nullptr);
        SetExeDirectoryOverride(folder_);
        DeleteFileW(IniPath());
        Devices().clear();
        BrowseAnswer().Empty();
        Boxes().clear();
        BoxAnswers().clear();
        previousList_ = SetDeviceListProc(ListTestDevices);
        previousBrowser_ = SetFolderBrowserProc(AnswerBrowser);
        previousBox_ = AfxSetMessageBoxProc([](HWND, LPCTSTR text, LPCTSTR caption, UINT type) {
            Boxes().push_back({ text ? text : L"", caption ? caption : L"", type });
            if (BoxAnswers().empty())
                return IDOK;
            const int answer = BoxAnswers().front();
            BoxAnswers().erase(BoxAnswers().begin());
            return answer;
        });
    }
    void TearDown() override
    {
        AfxSetMessageBoxProc(previousBox_);
        SetFolderBrowserProc(previousBrowser_);
        SetDeviceListProc(previousList_);
        DeleteFileW(IniPath());
        RemoveDirectoryW(folder_ + L"\\config");
        SetExeDirectoryOverride(nullptr);
        RemoveDirectoryW(folder_);
    }

    static CString IniPath() { return OutputIniPath(); }

    static void Pump()
    {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!AfxPumpMessage())
                break;
        }
    }

    static HWND Item(CWnd& page, UINT id) { return ::GetDlgItem(page.m_hWnd, static_cast<int>(id)); }
    static LRESULT SendItem(CWnd& page, UINT id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        return ::SendMessageW(Item(page, id), message, wParam, lParam);
    }
    static CString Text(CWnd& page, UINT id)
    {
        wchar_t text[512] = {};
        ::GetWindowTextW(Item(page, id), text, 512);
        return text;
    }
    // The text of a list box's entry.
    static CString Text(CWnd& page, UINT id, int entry)
    {
        wchar_t text[512] = {};
        SendItem(page, id, LB_GETTEXT, static_cast<WPARAM>(entry), reinterpret_cast<LPARAM>(text));
        return text;
    }
    static void SetText(CWnd& page, UINT id, LPCWSTR text) { ::SetWindowTextW(Item(page, id), text); }
    static bool Enabled(CWnd& page, UINT id) { return ::IsWindowEnabled(Item(page, id)) != FALSE; }
    static void Click(CWnd& page, UINT id)
    {
        page.SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Item(page, id)));
    }
    // A combo box choice as the operator makes it: the selection, then its notification.
    static void Select(CWnd& page, UINT id, int index)
    {
        SendItem(page, id, CB_SETCURSEL, static_cast<WPARAM>(index));
        page.SendMessage(WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(Item(page, id)));
    }

    CString folder_;

private:
    DeviceListProc previousList_ = nullptr;
    FolderBrowserProc previousBrowser_ = nullptr;
    AFX_MESSAGEBOX_PROC previousBox_ = nullptr;
};
