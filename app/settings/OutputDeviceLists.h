// What the output pages list: the devices of a DirectShow category with their names, the
// folder browser, and the helpers the pages share to fill and read their lists. The device
// list and the folder browser each sit behind one replaceable function, so tests list
// devices of their own and answer the browser without a window.
#pragma once

#include <afxwin.h>

#include "app/foundation/DShowHelpers.h"

#include <vector>

struct ListedDevice {
    CString friendlyName;
    CString description;
    CComPtr<IMoniker> moniker;
    // Whether the device's filter offers property pages: -1 asks the filter the moniker
    // makes, 0 or 1 answer without one (devices a test lists).
    int pages = -1;
};

typedef HRESULT (*DeviceListProc)(REFGUID category, std::vector<ListedDevice>& devices);
// Replaces the enumeration (null restores the system's); returns the previous function.
DeviceListProc SetDeviceListProc(DeviceListProc proc);
// The devices of the category in enumeration order; the list is empty when it fails.
HRESULT ListDevices(REFGUID category, std::vector<ListedDevice>& devices);

bool OffersPropertyPages(const ListedDevice& device);
// The device filter's property pages in a modal frame captioned "属性".
HRESULT ShowDevicePropertyPages(const ListedDevice& device, HWND owner);

typedef BOOL (*FolderBrowserProc)(HWND owner, LPCWSTR title, CString& folder);
FolderBrowserProc SetFolderBrowserProc(FolderBrowserProc proc);
// The system's folder browser (file-system folders only); TRUE with the chosen folder.
BOOL BrowseForFolder(HWND owner, LPCWSTR title, CString& folder);

// The kernel-streaming render category the IEEE-1394 devices are listed from, and the
// category the Decklink video renderers register in.
extern const GUID kKsRenderCategory;
extern const GUID kVideoRendererCategory;

// A combo box's entries and selection.
int AddComboEntry(CWnd* page, UINT id, LPCWSTR text, DWORD_PTR data);
// Selects the first entry whose text equals text exactly; -1 (nothing selected) when none.
int SelectComboText(CWnd* page, UINT id, const CString& text);
// The selected entry's text; false when nothing is selected.
bool SelectedComboText(CWnd* page, UINT id, CString& text);
int SelectedComboData(CWnd* page, UINT id);   // -1 when nothing is selected
void EnableControl(CWnd* page, UINT id, BOOL enable);
CString ControlText(CWnd* page, UINT id);

// The text on one line: line breaks become blanks, so a value cannot spill into the next
// line of an INI file as a key of its own.
CString OneLine(const CString& text);

// A whole decimal number in the range: blanks around it allowed, nothing else.
bool ParseNumberInRange(const CString& text, long long low, long long high, long long& value);

// A refused page: the sheet shows the page, the message (string id, caption 106, error icon)
// follows, then the focus goes to the control. Returns FALSE for OnApply to return.
class CPropertyPage;
BOOL RefuseWithFocus(CPropertyPage* page, UINT textId, UINT controlId);
