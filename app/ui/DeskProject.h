// The desk as the project file sees it: what a project records is read from the main window's
// panels, latches and lists, and a loaded project is put back through the desk's own
// operations (cuts, preview requests, logo latches), so the tallies and the engine follow.
#pragma once

#include "app/ui/ProjectApply.h"
#include "app/ui/ProjectCommands.h"

class CRavelmixerDlg;

class CDeskProject : public IProjectHost, public IProjectDesk {
public:
    explicit CDeskProject(CRavelmixerDlg& desk) : m_desk(desk) {}

    // IProjectHost
    ProjectLayout GetProjectLayout() override;
    void CaptureProject(ProjectRecord& record) override;
    void ApplyProject(const ProjectRecord& record) override;

    // IProjectDesk
    void LoadPanel(int panel, const PanelRecord& record) override;
    void SetPanelTally(int panel, int tally) override;
    void HardCut(int channel) override;
    void SelectPreview(int channel) override;
    void BuildLogo(int logo, const CString& picture) override;
    void SetLogoSwitch(int logo, bool on) override;
    void SetLogoCorner(int logo, int corner) override;
    void SetQuickEffects(const std::vector<DWORD>& effects) override;
    void SetCaptionSwitches(bool caption, bool manual, bool automatic) override;
    void SetPublishingInterval(int tenths) override;
    void SetSubtitleStyle(const CharTextStyle& style) override;
    void OpenCaptionPages(const std::vector<CString>& pages) override;
    void ApplyEngineRecords(const ProjectRecord& record) override;

    CDeskProject(const CDeskProject&) = delete;
    CDeskProject& operator=(const CDeskProject&) = delete;

private:
    CRavelmixerDlg& m_desk;
};
