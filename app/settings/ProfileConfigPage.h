// The profile page of the Windows Media sheet: the encoding profile, either built from a
// standard pair of audio and video stream choices (the standard folder's SettingsMap.xml and
// its .prx files) or a custom .prx file of the user folder, which the page copies, edits
// with the runtime's profile editor when one is installed, and deletes. The custom file's
// name is kept in config\output.ini, [Encoding] Profile.
#pragma once

#include <afxdlgs.h>

#include "app/foundation/Ini.h"
#include "app/settings/OutputPagesIds.h"
#include "app/settings/WmProfiles.h"

#include <streams.h>

// Asks the name of a new custom profile file in the folder; after OK the full path.
class CProfileRenameDlg : public CDialog {
public:
    enum { IDD = IDD_PROFILE_RENAME };

    explicit CProfileRenameDlg(const CString& folder, CWnd* parent = nullptr);

    CString m_strName;
    CString m_strPath;

    // Whether a name (the ".prx" added) can be a file in the folder.
    static bool IsValidName(const CString& fileName);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override;

private:
    CString m_folder;
};

class CProfileConfigPage : public CPropertyPage {
public:
    enum { IDD = IDD_PROFILE_CONFIG_PAGE };

    CProfileConfigPage();
    ~CProfileConfigPage() override;

    // SProfiles and UProfiles in the program folder unless set.
    void SetFolders(const CString& standardFolder, const CString& userFolder);
    // The configured output size, shown for custom profiles whose video size is 0 x 0.
    void SetOutputSize(int width, int height);

    // Reads Profile and loads that custom file, or with no Profile builds the standard choice
    // applied last (destination 2 and its first choices until one was applied): 1 with the
    // text in m_strProfileText, else 0 and the text stays.
    int LoadSettings();
    int LoadSettings(const CString& iniPath);

    CString m_strProfile;       // the custom file's name with ".prx"; empty: standard mode
    CString m_strProfileText;   // the chosen profile's XML
    BOOL m_bApplied = FALSE;

    // The profile built from the standard choice shown: the audio stream and the video
    // stream (numbered 2) of the selected row, named "audio/ video"; null when either is
    // missing.
    HRESULT BuildStandardProfile(IWMProfile** profile);

protected:
    // Runs the name dialog; IDOK with its name and path filled.
    virtual INT_PTR AskProfileName(CProfileRenameDlg& dialog) { return dialog.DoModal(); }

    BOOL OnInitDialog() override;
    BOOL OnApply() override;
    void OnDestroy();
    void OnStandardMode();
    void OnCustomMode();
    void OnDestinationChanged();
    void OnVideoChanged();
    void OnAudioChanged();
    void OnCopy();
    void OnEdit();
    void OnDelete();

    DECLARE_MESSAGE_MAP()

private:
    // The standard choice applied last: the destination and, within it, the video and
    // audio choice and the details row.
    struct StandardChoice {
        int destination = 2;
        int video = 0;
        int audio = 0;
        int row = 0;
    };
    void ReadStandardChoice(const util::CIni& ini);
    bool EnsureManager();
    void FillDestinations();
    void FillStandardChoices();
    void LoadChoice(UINT listId, CComPtr<IWMProfile>& profile);
    void RefreshStandardList();
    void FillCustomList();
    void SelectCustomRow(const CString& fileName);
    void ApplyMode(bool custom);
    int LastSelectedRow(UINT listId) const;
    bool HasSelection(UINT listId) const;
    CString CustomRowName(int row) const;
    CString CustomPath(const CString& name) const;
    CString ComboText(UINT id) const;

    CString m_standardFolder;
    CString m_userFolder;
    int m_outputWidth = 320;
    int m_outputHeight = 240;
    bool m_custom = false;
    CComPtr<IWMProfileManager> m_manager;
    CComPtr<IWMProfile> m_audioProfile;
    CComPtr<IWMProfile> m_videoProfile;
    SettingsMap m_map;
    StandardChoice m_standardChoice;
    HINSTANCE m_editorModule = nullptr;
    IUnknown* m_editor = nullptr;
};

