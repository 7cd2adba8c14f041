// The IEEE-1394 output page: the DV device the program goes out to, or the first camcorder
// found in VCR mode. Kept in config\output.ini, section [1394].
#pragma once

#include <afxdlgs.h>

#include "app/core/OutputSettings.h"
#include "app/settings/OutputDeviceLists.h"
#include "app/settings/OutputPagesIds.h"

#include <vector>

class C1394OutputConfig : public CPropertyPage {
public:
    enum { IDD = IDD_1394_OUTPUT_PAGE };

    C1394OutputConfig();

    int LoadSettings();
    int LoadSettings(const CString& path);
    BOOL SaveSettings() const;
    BOOL SaveSettings(const CString& path) const;

    DvOutputSettings m_settings;

    // The list texts of the devices in enumeration order: the friendly name, the description
    // in parentheses, and " #n" for the n-th device of one name.
    static std::vector<CString> DeviceListTexts(const std::vector<ListedDevice>& devices);

    // Set once OK or Apply took the page; the main window copies only applied pages.
    BOOL m_bApplied = FALSE;

protected:
    BOOL OnInitDialog() override;
    BOOL OnApply() override;
    void OnAutoSelect();
    void OnProperties();
    void OnChanged();

    DECLARE_MESSAGE_MAP()

private:
    void EnableDeviceChoice();

    std::vector<ListedDevice> m_devices;
};
