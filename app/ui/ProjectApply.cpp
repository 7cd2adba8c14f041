#include "app/ui/ProjectApply.h"

namespace {

const int kOnAir = 0;
const int kPreview = 1;
const int kIdle = 2;

bool IsChannel(int n) { return n >= 1 && n <= ProjectRecord::kPanels; }

} // namespace

void ApplyProjectRecord(const ProjectRecord& r, IProjectDesk& desk)
{
    for (int i = 0; i < ProjectRecord::kPanels; ++i) {
        desk.LoadPanel(i, r.panels[i]);
        desk.SetPanelTally(i, kIdle);
    }
    if (IsChannel(r.program)) {
        desk.HardCut(r.program);
        desk.SetPanelTally(r.program - 1, kOnAir);
    }
    if (IsChannel(r.preview)) {
        desk.SelectPreview(r.preview);
        desk.SetPanelTally(r.preview - 1, kPreview);
    }
    for (int n = 0; n < ProjectRecord::kLogos; ++n) {
        const LogoRecord& logo = r.logos[n];
        if (!logo.picture.IsEmpty())
            desk.BuildLogo(n, logo.picture);
        // Set to the stored state: a toggle would turn off a logo that was already on.
        desk.SetLogoSwitch(n, logo.enabled != 0);
        // The corner is the operator's choice whether the logo is on or not: a logo saved off
        // comes back at its corner when it is switched on later.
        if (logo.corner >= 0 && logo.corner <= 3)
            desk.SetLogoCorner(n, logo.corner);
    }
    desk.SetQuickEffects(CProjectFile::ShownQuickEffects(r));
    desk.SetCaptionSwitches(r.captionSwitch != 0, r.manualPublishing != 0, r.automaticPublishing != 0);
    desk.SetPublishingInterval(CProjectFile::NormaliseInterval(r.publishingInterval));
    desk.SetSubtitleStyle(r.subtitleStyle);
    desk.OpenCaptionPages(r.captionPages);
    if (r.hasEngineRecords)
        desk.ApplyEngineRecords(r);
}

CString IntervalText(int tenths)
{
    CString text;
    text.Format(L"%.1f", tenths / 10.0);
    return text;
}
