// The caption editor: browses the caption folder for caption pages, edits one page at a time
// on its canvas with the style controls and a timing selector, keeps the applied pages shown
// as layers of the program overlay scene, previews the page in the caption preview window, and
// shows or hides pages for the automatic playout.
#pragma once

#include <afxcmn.h>
#include <afxwin.h>

#include <map>
#include <memory>
#include <vector>

#include "app/captions/CaptionStage.h"
#include "app/captions/MoreCharDlgIds.h"
#include "app/captions/NotePadWnd.h"
#include "app/captions/StyleControls.h"

class CLISLayer;
class CPreViewDlg;

class CMoreCharDlg : public CDialog {
public:
    enum { IDD = IDD_MORE_CHAR };
    enum { kTimingCount = 5, kHideAllScheduled = 0xFFFF };
    // The timing values in the order the selector shows them.
    enum { kStartDelay = 0, kSpeed = 1, kStay = 2, kRepeatCount = 3, kRepeatInterval = 4 };

    // `stage` (may be null: nothing is shown on air) and `style` (may be null) are kept.
    CMoreCharDlg(ICaptionStage* stage, const CharTextStyle* style, CWnd* pParent = nullptr);
    ~CMoreCharDlg() override;

    // The modeless window, a child or pop-up of `parent` as the template says.
    BOOL Create(CWnd* parent);

    // The editor's piece of the project file: the applied pages.
    void Serialize(CArchive& ar);
    // Puts a project's applied pages back on air in their order, in place of those on air now,
    // without questions; the last one that reads opens on the canvas unless the canvas holds
    // unsaved changes. A page that is gone or does not read is left out and named in `missing`.
    void OpenAppliedPages(const std::vector<CString>& pages, std::vector<CString>* missing);
    // For the automatic playout: shows a page under a schedule index, or hides the pages of an
    // index (0xFFFF: all). 1 when a page was shown.
    int ShowScheduledCaption(BOOL show, WORD index, LPCWSTR path, HDC dc);

    // Opens a page (asking for one when `path` is null), after the save question.
    bool OpenCaptionFile(LPCWSTR path);
    // The save question: true when the page may be left.
    bool PromptSave(bool alwaysAsk);

    CNotePadWnd& GetCanvas() { return m_canvas; }
    const std::vector<CString>& GetAppliedPages() const { return m_applied; }
    size_t GetAppliedLayerCount() const { return m_appliedLayers.size(); }
    size_t GetScheduledLayerCount(WORD index) const { return m_scheduledLayers.count(index); }
    size_t GetScheduledLayerCount() const { return m_scheduledLayers.size(); }
    size_t GetPreviewLayerCount() const { return m_previewLayers.size(); }
    int GetTiming(int which) const { return m_timing[which]; }
    const CString& GetCaptionFolder() const { return m_folder; }
    void SetCaptionFolder(const CString& folder);
    CPreViewDlg* GetPreview() const { return m_preview.get(); }
    CString GetToolTip(UINT id) const;

protected:
    BOOL OnInitDialog() override;
    BOOL PreTranslateMessage(MSG* pMsg) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    void OnOK() override {}
    void OnCancel() override {}
    void OnClose();
    void OnDestroy();
    void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct);
    LRESULT OnNewObject(WPARAM wParam, LPARAM lParam);
    LRESULT OnSelectObject(WPARAM wParam, LPARAM lParam);
    LRESULT OnCanvasModified(WPARAM wParam, LPARAM lParam);
    LRESULT OnPreviewClosed(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

private:
    typedef std::multimap<CString, CLISLayer*> PageLayerMap;

    void OnOnOff();
    void OnApply();
    bool OnNew();
    bool OnSave();
    void OnImage();
    void OnView();
    void OnBrowse();
    void FillFolderList();
    void OnFolderOpen(int item);
    void OnAppliedClick(int item);
    void CommitTiming();
    void ShowTiming(int which);
    bool IsApplied(const CString& path) const;
    void SetOn(bool on);
    void EnableApply(bool enable);
    void BuildPageLayers(const CString& path, const CCharObjList& page, CLISScene* scene, PageLayerMap* into);
    void RemovePageLayers(const CString& path);
    static void RemoveLayers(CLISScene* scene, std::vector<CLISLayer*>& layers);
    void RemoveAllLayers();
    void RefreshApplied();
    RECT CanvasRect() const;
    CLISScene* Overlay() const;
    CLISScene* PreviewScene() const;

    ICaptionStage* m_stage;
    CString m_folder;
    CString m_iniPath;
    CNotePadWnd m_canvas;
    std::vector<CString> m_applied;
    PageLayerMap m_appliedLayers;   // by page key
    std::vector<CLISLayer*> m_previewLayers;
    std::multimap<WORD, CLISLayer*> m_scheduledLayers;
    std::unique_ptr<CPreViewDlg> m_preview;
    CToolTipCtrl m_tips;
    StyleValues m_values;
    CStyleControls m_controls;
    bool m_haveStyle = false;
    CharTextStyle m_givenStyle;
    int m_motion = 1;
    int m_timing[kTimingCount] = {0, 100, 60, 1, 0};
    int m_timingShown = 0;
    bool m_on = false;
};
