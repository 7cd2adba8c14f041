#include "app/settings/HotKeyTable.h"

#include "app/settings/HotKeyPropertyPage.h"

const WORD kHotKeyCommands[CHotKeyPropertyPage::kHotKeyCount] = {
    34458, 34459, 34460, 34461, 34462,   // Hard1..Hard5: hard cut to channel 1..5
    34452, 34453, 34454, 34455, 34456,   // Effect1..Effect5: channel to preview, automatic switch
    34490, 34491, 34492, 34493, 34494,   // HEffect1..HEffect5: quick effect, automatic switch
    32776,                               // EnableSub: caption switch
    34445,                               // NextSub: next caption
    34457,                               // AutoSub: automatic publishing
    34463,                               // HandSub: manual publishing
    32774,                               // EnableLogo1
    32775,                               // EnableLogo2
    32777,                               // AutoCut: automatic switch
    34528,                               // WmvOutput
    34529,                               // AviOutput
    34530,                               // 1394Output
    34531,                               // PutterUp: the T-bar one step up
    34532,                               // PutterDown: the T-bar one step down
};

void BuildHotKeyAccelerators(ACCEL* entries)
{
    CHotKeyPropertyPage page;
    page.LoadSettings();
    page.FillAccelerators(entries);
    for (int i = 0; i < CHotKeyPropertyPage::kHotKeyCount; ++i)
        entries[i].cmd = kHotKeyCommands[i];
}

HACCEL CreateHotKeyAcceleratorTable()
{
    ACCEL entries[CHotKeyPropertyPage::kHotKeyCount];
    BuildHotKeyAccelerators(entries);
    return ::CreateAcceleratorTableW(entries, CHotKeyPropertyPage::kHotKeyCount);
}

BOOL RebuildHotKeyAcceleratorTable(HACCEL& table)
{
    HACCEL fresh = CreateHotKeyAcceleratorTable();
    if (fresh == nullptr)
        return FALSE;
    if (table != nullptr)
        ::DestroyAcceleratorTable(table);
    table = fresh;
    return TRUE;
}
