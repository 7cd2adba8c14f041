// The Decklink output page: the card's DirectShow video and audio renderers, or "None".
// Kept in config\output.ini, section [Decklink].
#pragma once

#include <afxdlgs.h>

#include "app/core/OutputSettings.h"
#include "app/settings/OutputDeviceLists.h"
#include "app/settings/OutputPagesIds.h"

#include <vector>

class CDecklinkConfigPage : public CPropertyPage {
public:
    enum { IDD = IDD_DECKLINK_CONFIG_PAGE };

    CDecklinkConfigPage();

    int LoadSettings();
    int LoadSettings(const CString& path);
    BOOL SaveSettings() const;
    BOOL SaveSettings(const CString& path) const;

    DecklinkOutputSettings m_settings;

    // "None", then the renderers whose friendly name holds "Decklink" (case counts).
    static std::vector<CString> RendererChoices(const std::vector<ListedDevice>& renderers);

    // Set once OK or Apply took the page; the main window copies only applied pages.
    BOOL m_bApplied = FALSE;

protected:
    BOOL OnInitDialog() override;
    BOOL OnApply() override;
    void OnChanged();

    DECLARE_MESSAGE_MAP()
};
