// The desk on a real window from a copy of the build's program folder, shared by the desk's
// tests: recordings go to a folder of the test's own, the engine's clock and timers are the
// test's, and the sample clips load into the panels.
#pragma once

#include "app/core/EngineClock.h"
#include "app/foundation/AppHelpers.h"
#include "app/settings/OutputSettingsIni.h"
#include "app/ui/RavelmixerDlg.h"
#include "tests/app/ui/DialogSeams.h"
#include "tests/system/ProgramProcess.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace desk_test {

inline const std::wstring& BuiltFolder()
{
    static const std::wstring folder = L"" RVX_PROGRAM_FOLDER;
    return folder;
}

inline void Pump()
{
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
        if (!AfxPumpMessage())
            break;
    }
}

inline SourceDescriptor Clip(const wchar_t* name)
{
    SourceDescriptor source;
    source.name = (BuiltFolder() + L"\\samples\\" + name).c_str();
    source.flags = SourceDescriptor::kNamed;
    return source;
}

class DeskFixture : public ::testing::Test {
protected:
    // A copy of the program folder named `name` becomes the program's folder, with AVI
    // recordings unsplit and uncompressed in a folder of its own; the suite's clock starts at
    // `start`.
    static void PrepareFolder(const wchar_t* name, DWORD start = 300000)
    {
        s_now = start;
        ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        s_folder = system_test::TempFolder(name);
        ASSERT_TRUE(system_test::CopyProgramFolder(BuiltFolder(), s_folder));
        SetExeDirectoryOverride(s_folder.c_str());
        ::CreateDirectoryW((s_folder + L"\\config").c_str(), nullptr);
        ::CreateDirectoryW((s_folder + L"\\recordings").c_str(), nullptr);
        AviOutputSettings avi;
        avi.Path = (s_folder + L"\\recordings").c_str();
        avi.VCodec = L"None";
        avi.ACodec = L"None";
        avi.Split = 0;
        ASSERT_TRUE(SaveAviOutputSettings(OutputIniPath(), avi));
    }
    static void RemoveFolder()
    {
        SetExeDirectoryOverride(nullptr);
        system_test::DeleteTree(s_folder);
        ::CoUninitialize();
    }

    // The engine's clock: milliseconds the test moves by hand through s_now.
    static DWORD Now() { return s_now; }

    // The desk on the suite's clock with manual engine timers; `graphs` replaces the program's
    // graph factory when given.
    void OpenDesk(IOutputGraphFactory* graphs = nullptr)
    {
        EngineClock::SetSource(&Now);
        EngineClock::SetManualTimers(true);
        m_seams.reset(new CDialogSeams());
        m_desk.reset(new CRavelmixerDlg());
        if (graphs)
            m_desk->SetGraphFactories(nullptr, graphs);
        ASSERT_TRUE(m_desk->Create(CRavelmixerDlg::IDD, nullptr));
        m_desk->ShowWindow(SW_SHOW);
        Pump();
        ASSERT_TRUE(m_desk->GetDirector().GetVideoMixer()) << "the engine did not start";
    }
    void CloseDesk()
    {
        if (m_desk && m_desk->GetSafeHwnd())
            m_desk->DestroyWindow();
        m_desk.reset();
        Pump();
        m_seams.reset();
        EngineClock::SetManualTimers(false);
        EngineClock::SetSource(nullptr);
    }

    // Loads the two sample clips into panels 1 and 2.
    void LoadBoth()
    {
        ASSERT_TRUE(m_desk->GetPanel(0).LoadSources(Clip(L"sample1.avi"), Clip(L"sample1.avi")));
        ASSERT_TRUE(m_desk->GetPanel(1).LoadSources(Clip(L"sample2.avi"), Clip(L"sample2.avi")));
        Pump();
    }
    // Program, preview, and the five tallies.
    std::vector<int> State()
    {
        std::vector<int> state = {m_desk->GetProgramChannel(), m_desk->GetPreviewChannel()};
        for (int i = 0; i < CRavelmixerDlg::kPanelCount; ++i)
            state.push_back(m_desk->GetPanel(i).GetTallyState());
        return state;
    }
    bool Latched(UINT control) { return m_desk->GetButton(control) && m_desk->GetButton(control)->GetCheck(); }

    static inline std::wstring s_folder;
    static inline DWORD s_now = 0;
    std::unique_ptr<CDialogSeams> m_seams;
    std::unique_ptr<CRavelmixerDlg> m_desk;
};

} // namespace desk_test
