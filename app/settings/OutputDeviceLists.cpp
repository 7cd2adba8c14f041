#include "app/settings/OutputDeviceLists.h"

#include "app/foundation/AppHelpers.h"
#include "app/foundation/LogWriter.h"

#include <afxdlgs.h>
#include <shlobj.h>

#include <cwctype>

// {65E8773E-8F56-11D0-A3B9-00A0C9223196}
const GUID kKsRenderCategory = { 0x65E8773E, 0x8F56, 0x11D0, { 0xA3, 0xB9, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96 } };
// {CC7BFB41-F175-11D1-A392-00E0291F3959}
const GUID kVideoRendererCategory = { 0xCC7BFB41, 0xF175, 0x11D1, { 0xA3, 0x92, 0x00, 0xE0, 0x29, 0x1F, 0x39, 0x59 } };

namespace {

DeviceListProc g_deviceList = nullptr;
FolderBrowserProc g_folderBrowser = nullptr;

HRESULT SystemDeviceList(REFGUID category, std::vector<ListedDevice>& devices)
{
    MonikerList monikers;
    HRESULT hr = EnumDeviceMonikers(category, monikers);
    if (FAILED(hr))
        return hr;
    for (const CComPtr<IMoniker>& moniker : monikers) {
        ListedDevice device;
        device.moniker = moniker;
        if (FAILED(GetFriendlyName(moniker, device.friendlyName)))
            continue;   // a device without a name cannot be stored or found again
        GetDescription(moniker, device.description);
        devices.push_back(device);
    }
    return hr;
}

int CALLBACK BrowseCallback(HWND hwnd, UINT message, LPARAM, LPARAM data)
{
    if (message == BFFM_INITIALIZED && data)
        ::SendMessageW(hwnd, BFFM_SETSELECTIONW, TRUE, data);
    return 0;
}

BOOL SystemFolderBrowser(HWND owner, LPCWSTR title, CString& folder)
{
    BROWSEINFOW info = {};
    info.hwndOwner = owner;
    info.lpszTitle = title;
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(static_cast<LPCWSTR>(folder));
    PIDLIST_ABSOLUTE chosen = ::SHBrowseForFolderW(&info);
    if (!chosen)
        return FALSE;
    wchar_t path[MAX_PATH] = {};
    const BOOL ok = ::SHGetPathFromIDListW(chosen, path);
    ::CoTaskMemFree(chosen);
    if (ok)
        folder = path;
    return ok;
}

HWND Control(CWnd* page, UINT id)
{
    return ::GetDlgItem(page->m_hWnd, static_cast<int>(id));
}

} // namespace

DeviceListProc SetDeviceListProc(DeviceListProc proc)
{
    DeviceListProc previous = g_deviceList;
    g_deviceList = proc;
    return previous;
}

HRESULT ListDevices(REFGUID category, std::vector<ListedDevice>& devices)
{
    devices.clear();
    const HRESULT hr = (g_deviceList ? g_deviceList : SystemDeviceList)(category, devices);
    if (FAILED(hr)) {
        devices.clear();
        AppLog() << LogTime << " device enumeration failed: 0x" << std::hex << static_cast<unsigned long>(hr)
                 << std::dec << std::endl;
    }
    return hr;
}

bool OffersPropertyPages(const ListedDevice& device)
{
    if (device.pages >= 0 || !device.moniker)
        return device.pages > 0;
    CComPtr<IBaseFilter> filter;
    if (FAILED(device.moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, reinterpret_cast<void**>(&filter))))
        return false;
    CComQIPtr<ISpecifyPropertyPages> pages(filter);
    return pages != nullptr;
}

HRESULT ShowDevicePropertyPages(const ListedDevice& device, HWND owner)
{
    if (!device.moniker)
        return E_POINTER;
    CComPtr<IBaseFilter> filter;
    HRESULT hr = device.moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, reinterpret_cast<void**>(&filter));
    if (FAILED(hr))
        return hr;
    return ShowFilterPropertyPages(filter, owner, L"属性");
}

FolderBrowserProc SetFolderBrowserProc(FolderBrowserProc proc)
{
    FolderBrowserProc previous = g_folderBrowser;
    g_folderBrowser = proc;
    return previous;
}

BOOL BrowseForFolder(HWND owner, LPCWSTR title, CString& folder)
{
    return (g_folderBrowser ? g_folderBrowser : SystemFolderBrowser)(owner, title, folder);
}

int AddComboEntry(CWnd* page, UINT id, LPCWSTR text, DWORD_PTR data)
{
    HWND box = Control(page, id);
    const LRESULT index = ::SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    if (index >= 0)
        ::SendMessageW(box, CB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(data));
    return static_cast<int>(index);
}

int SelectComboText(CWnd* page, UINT id, const CString& text)
{
    HWND box = Control(page, id);
    const int count = static_cast<int>(::SendMessageW(box, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        const int length = static_cast<int>(::SendMessageW(box, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0));
        if (length < 0)
            continue;
        std::vector<wchar_t> entry(static_cast<size_t>(length) + 1);
        ::SendMessageW(box, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(entry.data()));
        if (text == entry.data()) {
            ::SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
            return i;
        }
    }
    ::SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    return -1;
}

bool SelectedComboText(CWnd* page, UINT id, CString& text)
{
    HWND box = Control(page, id);
    const LRESULT index = ::SendMessageW(box, CB_GETCURSEL, 0, 0);
    if (index < 0)
        return false;
    const int length = static_cast<int>(::SendMessageW(box, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0));
    if (length < 0)
        return false;
    std::vector<wchar_t> entry(static_cast<size_t>(length) + 1);
    ::SendMessageW(box, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(entry.data()));
    text = entry.data();
    return true;
}

int SelectedComboData(CWnd* page, UINT id)
{
    HWND box = Control(page, id);
    const LRESULT index = ::SendMessageW(box, CB_GETCURSEL, 0, 0);
    if (index < 0)
        return -1;
    return static_cast<int>(::SendMessageW(box, CB_GETITEMDATA, static_cast<WPARAM>(index), 0));
}

void EnableControl(CWnd* page, UINT id, BOOL enable)
{
    ::EnableWindow(Control(page, id), enable);
}

CString ControlText(CWnd* page, UINT id)
{
    HWND control = Control(page, id);
    const int length = ::GetWindowTextLengthW(control);
    std::vector<wchar_t> text(static_cast<size_t>(length) + 1);
    ::GetWindowTextW(control, text.data(), length + 1);
    return text.data();
}

CString OneLine(const CString& text)
{
    CString line = text;
    line.Replace(L"\r\n", L" ");
    line.Replace(L'\r', L' ');
    line.Replace(L'\n', L' ');
    return line;
}

bool ParseNumberInRange(const CString& text, long long low, long long high, long long& value)
{
    const wchar_t* p = text;
    while (*p == L' ' || *p == L'\t')
        ++p;
    bool negative = false;
    if (*p == L'+' || *p == L'-')
        negative = *p++ == L'-';
    if (!iswdigit(*p))
        return false;
    long long v = 0;
    while (iswdigit(*p)) {
        v = v * 10 + (*p++ - L'0');
        if (v > 0xFFFFFFFFFFLL)
            return false;   // far beyond any range asked for; no overflow
    }
    while (*p == L' ' || *p == L'\t')
        ++p;
    if (*p)
        return false;
    if (negative)
        v = -v;
    if (v < low || v > high)
        return false;
    value = v;
    return true;
}

BOOL RefuseWithFocus(CPropertyPage* page, UINT textId, UINT controlId)
{
    // Every created page is applied, so the refusing one may not be the one on show.
    CPropertySheet* sheet = page->GetSheet();
    if (sheet && sheet->m_hWnd && sheet->GetActivePage() != page)
        sheet->SetActivePage(page);
    AppMessageBox(page->m_hWnd, textId, 106, MB_OK | MB_ICONERROR);
    HWND control = Control(page, controlId);
    ::SetFocus(control);
    ::SendMessageW(control, EM_SETSEL, 0, -1);
    return FALSE;
}
