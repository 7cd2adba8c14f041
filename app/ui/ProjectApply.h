// Puts a loaded project into effect on the desk, in the order the project file lays it out.
// The desk's own operations stay the desk's; this keeps their order and the rules between
// them in one place.
#pragma once

#include <afx.h>

#include <vector>

#include "app/ui/ProjectFile.h"

// What a loaded project asks of the desk. Panels and logos are counted from 0; channels are
// the panels' numbers 1..5.
class IProjectDesk {
public:
    virtual ~IProjectDesk() = default;
    // The panel takes its record (sources bound, loaded, play state and position set).
    virtual void LoadPanel(int panel, const PanelRecord& record) = 0;
    // 0 on air, 1 preview, 2 idle.
    virtual void SetPanelTally(int panel, int tally) = 0;
    // The hard cut to a channel (command 34464 + channel).
    virtual void HardCut(int channel) = 0;
    // The channel's panel asks to become preview (WM_PANEL_SELECT).
    virtual void SelectPreview(int channel) = 0;
    // Builds the logo's picture layer from a file.
    virtual void BuildLogo(int logo, const CString& picture) = 0;
    // Latches the logo's switch to `on` (its layer shown or taken off); never a toggle.
    virtual void SetLogoSwitch(int logo, bool on) = 0;
    // Selects the logo's corner, 0..3 (the corner buttons' order).
    virtual void SetLogoCorner(int logo, int corner) = 0;
    virtual void SetQuickEffects(const std::vector<DWORD>& effects) = 0;
    // Latched states of the caption switch, manual and automatic publishing.
    virtual void SetCaptionSwitches(bool caption, bool manual, bool automatic) = 0;
    // The interval edit shows IntervalText(tenths); it counts the next time automatic
    // publishing is switched on.
    virtual void SetPublishingInterval(int tenths) = 0;
    virtual void SetSubtitleStyle(const CharTextStyle& style) = 0;
    // The caption editor opens those of its applied pages that still exist.
    virtual void OpenCaptionPages(const std::vector<CString>& pages) = 0;
    // Only for a record that holds them (CProjectFile::ApplyEngine does the work).
    virtual void ApplyEngineRecords(const ProjectRecord& record) = 0;
};

// Applies a whole, checked record: panels (each then idle), the cut to program, preview,
// logos, quick effects, switches, interval, subtitle style, caption pages, engine records.
// A program or preview outside 1..5 is passed over.
void ApplyProjectRecord(const ProjectRecord& record, IProjectDesk& desk);

// The interval edit's text for tenths of a second ("%.1f": 25 -> "2.5").
CString IntervalText(int tenths);
