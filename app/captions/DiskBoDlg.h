// The automatic playout dialog: a programme list and a caption list, run unattended by two
// one-second schedulers that drive the main window; the lists are kept in playout list files,
// and a log of what happened can be exported. The main window makes it once, modeless, and
// keeps it for its whole life; closing it only hides it.
#pragma once

#include <afxcmn.h>

#include "app/captions/DiskBoDlgIds.h"
#include "app/captions/PlayoutFile.h"
#include "app/captions/PlayoutScheduler.h"

class CDiskBoDlg : public CDialog {
public:
    enum { IDD = IDD_DISKBO };
    // context: the main window's, handed on to the add-programme dialog; mainWindow receives
    // the playout's messages.
    CDiskBoDlg(void* context, HWND mainWindow);
    ~CDiskBoDlg() override;

    // Makes the window, hidden.
    BOOL Create(CWnd* parent);
    // Shows it centred on its owner when it is hidden.
    void ShowCentred();

    bool IsRunning() const { return m_running; }
    bool IsModified() const { return m_modified; }
    const CString& GetFilePath() const { return m_filePath; }
    const PlayoutList& GetLists() const { return m_lists; }
    std::vector<CString> GetLogRows() const;

    // The timers' ids: 1 runs the caption scheduler, 2 the programme scheduler.
    enum { kCaptionTimer = 1, kProgrammeTimer = 2 };

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

    void OnStart();
    void OnStop();
    void OnLoad();
    void OnSave();
    void OnTimer(UINT_PTR id);
    void OnClose();
    void OnListRightClick(NMHDR* header, LRESULT* result);
    void OnProgrammeDoubleClick(NMHDR* header, LRESULT* result);
    void OnCaptionDoubleClick(NMHDR* header, LRESULT* result);
    void OnListKeyDown(NMHDR* header, LRESULT* result);
    void OnAddProgramme();
    void OnEditProgramme();
    void OnDeleteProgrammes();
    void OnDeleteAllProgrammes();
    void OnAddCaption();
    void OnEditCaption();
    void OnDeleteCaptions();
    void OnDeleteAllCaptions();
    void OnExportLog();
    void OnClearLog();

    DECLARE_MESSAGE_MAP()

private:
    void Log(const CString& text);
    // Ends a scheduler's pass, and stops when that was asked during it.
    void EndPass();
    void FillProgrammeRow(int row, const PlayItem& item);
    void FillCaptionRow(int row, const CaptionItem& caption);
    void RefreshLists();
    void EnableEditing(bool enable);
    // Saves to the known file, or asks for one; false when cancelled or the save failed.
    bool Save();
    // Asks whether to save changed lists; false when the caller is to stop.
    bool ConfirmDiscard();
    std::vector<int> SelectedRows(CListCtrl& list) const;

    PlayoutList m_lists;
    void* m_context;
    PlayoutTarget m_target;
    CProgrammeScheduler m_programmes;
    CCaptionScheduler m_captions;
    bool m_running = false;
    // A scheduler's pass is under way (see OnTimer); a stop asked meanwhile waits for its end.
    bool m_inPass = false;
    bool m_stopAsked = false;
    // The second each scheduler last ran: timers that pile up behind a busy second run once.
    __time64_t m_lastProgrammePass = 0;
    __time64_t m_lastCaptionPass = 0;
    CString m_filePath;
    bool m_modified = false;

    CListCtrl m_programmeList;
    CListCtrl m_captionList;
    CListCtrl m_logList;
};
