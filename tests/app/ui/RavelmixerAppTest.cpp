// Start-up of the program: the language rules, the decoder preset in the registry, the hot-key
// filter on real windows, and the application object's start-up order with a refused system
// check and a first-run application choice, its dialogs driven on real windows under Xvfb.
#include "app/ui/RavelmixerApp.h"

#include "app/foundation/AppHelpers.h"
#include "app/settings/AppSelectDlg.h"
#include "app/settings/SysCheckDlg.h"
#include "app/ui/DecoderPreset.h"
#include "app/ui/DeskHotKeys.h"
#include "app/ui/StartupLanguage.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <d3d9.h>
#include <objbase.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "tests/app/ui/IniFiles.h"
#include "tests/app/ui/ModalDriver.h"
#include "tests/app/ui/ScreenshotPng.h"

namespace {

const LANGID kChineseTaiwan = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_TRADITIONAL);
const LANGID kChinesePrc = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);
const LANGID kChineseHongKong = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_HONGKONG);
const LANGID kEnglishUs = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
const LANGID kGerman = MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN);

} // namespace

// ---------------------------------------------------------------------------------------------
// Language

TEST(StartupLanguage, TheSettingOrTheSystemLanguageChoosesTheResources)
{
    struct Case {
        const wchar_t* setting;
        LANGID system;
        int language;
    } cases[] = {
        { L"spchinese", kEnglishUs, startup::kSpChinese },
        { L"english", kChineseTaiwan, startup::kEnglish },
        { L"English", kChinesePrc, startup::kEnglish },
        { L"ENGLISH", kChinesePrc, startup::kEnglish },
        { L"TdChinese", kEnglishUs, startup::kTdChinese },
        { L"french", kEnglishUs, startup::kSpChinese },
        { L" english", kEnglishUs, startup::kSpChinese },
        { L"", kChineseTaiwan, startup::kTdChinese },
        { L"", kChinesePrc, startup::kSpChinese },
        { L"", kChineseHongKong, startup::kSpChinese },
        { L"", kEnglishUs, startup::kEnglish },
        { L"", kGerman, startup::kEnglish },
    };
    for (const Case& c : cases)
        EXPECT_EQ(startup::LanguageFromSetting(c.setting, c.system), c.language)
            << std::hex << c.system << " " << CStringA(c.setting).GetString();
}

TEST(StartupLanguage, TheChoiceIsWrittenBackEvenWithoutItsLibrary)
{
    CTestProgramFolder folder(L"rvx_language");
    const std::wstring langIni = folder.ConfigFile(L"lang.ini");
    const HINSTANCE resources = AfxGetResourceHandle();
    struct Case {
        const char* file;   // nullptr: no lang.ini
        bool removeConfig;  // a fresh folder without config
        LANGID system;
        int language;
        const wchar_t* written;
    } cases[] = {
        { nullptr, false, kChineseTaiwan, startup::kTdChinese, L"[language]\r\ncurrent=tdchinese\r\n" },
        { nullptr, true, kEnglishUs, startup::kEnglish, L"[language]\r\ncurrent=english\r\n" },
        { "[language]\r\ncurrent=\r\n", false, kChinesePrc, startup::kSpChinese, nullptr },
        { "[language]\r\ncurrent=French\r\n", false, kChineseTaiwan, startup::kSpChinese, nullptr },
        { "[language]\r\ncurrent=English\r\n", false, kChinesePrc, startup::kEnglish, nullptr },
    };
    for (const Case& c : cases) {
        ::DeleteFileW(langIni.c_str());
        if (c.removeConfig)
            ::RemoveDirectoryW(folder.Config().c_str());
        if (c.file) {
            ASSERT_TRUE(WriteFileBytes(langIni, c.file));
        }
        EXPECT_EQ(startup::ChooseLanguage(folder.Path().c_str(), c.system), c.language);
        if (c.written) {
            EXPECT_EQ(ReadFileBytes(langIni), Utf16File(c.written));
        } else {
            // A file the program did not create keeps its encoding; the value is the name.
            wchar_t value[32] = {};
            ::GetPrivateProfileStringW(L"language", L"current", L"", value, 32, langIni.c_str());
            EXPECT_STREQ(value, startup::LanguageName(c.language));
        }
        // No library in the folder: the program's own resources stay, and nothing is reported.
        EXPECT_EQ(AfxGetResourceHandle(), resources);
        EXPECT_EQ(startup::CurrentLanguage(), startup::kSpChinese);
        EXPECT_EQ(startup::ResourceModule(0), ::GetModuleHandleW(nullptr));
        EXPECT_EQ(startup::ResourceModule(1), ::GetModuleHandleW(nullptr));
        EXPECT_EQ(startup::ResourceModule(c.language == startup::kTdChinese ? 3 : 2), nullptr);
    }
    ::DeleteFileW(langIni.c_str());
}

TEST(StartupLanguage, TheLanguageWineReportsForTheLocaleIsWrittenBack)
{
    // Run by the locale entries of the test list, each with its Unix locale and the name expected.
    const char* expected = std::getenv("RVX_EXPECT_LANGUAGE");
    if (expected == nullptr)
        GTEST_SKIP() << "run with a locale by the startup_language_* tests";
    CTestProgramFolder folder(L"rvx_system_language");
    startup::ChooseLanguage(folder.Path().c_str(), ::GetSystemDefaultLangID());
    EXPECT_EQ(ReadFileBytes(folder.ConfigFile(L"lang.ini")),
              Utf16File(L"[language]\r\ncurrent=" + std::wstring(CString(expected).GetString()) + L"\r\n"))
        << "system language " << std::hex << ::GetSystemDefaultLangID();
}

// ---------------------------------------------------------------------------------------------
// Decoder preset

namespace {

const wchar_t kTestKey[] = L"Software\\RavelmixerTest\\preset\\Default";

void DeleteTestKey()
{
    ::RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\RavelmixerTest\\preset\\Default");
    ::RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\RavelmixerTest\\preset");
    ::RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\RavelmixerTest");
}

void MakeTestKey(const DWORD* formats)
{
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, kTestKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    if (formats)
        ::RegSetValueExW(key, L"formats", 0, REG_DWORD, reinterpret_cast<const BYTE*>(formats), sizeof(DWORD));
    ::RegCloseKey(key);
}

// The value, or -1 when the key or the value is missing.
long long Formats()
{
    DWORD value = 0, size = sizeof(value), type = 0;
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, kTestKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return -1;
    const LONG got = ::RegQueryValueExW(key, L"formats", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    ::RegCloseKey(key);
    return got == ERROR_SUCCESS ? static_cast<long long>(value) : -1;
}

} // namespace

TEST(DecoderPreset, OnlyBit0x100IsClearedAndAMissingKeyIsImportedFirst)
{
    struct Case {
        const char* what;
        bool keyThere;
        long long before;       // -1: no value
        bool importMakesKey;
        long long importValue;  // what the import writes
        bool imported, open, cleared;
        long long after;
    } cases[] = {
        { "0x1FF becomes 0xFF", true, 0x1FF, false, 0, false, true, true, 0xFF },
        { "the high word stays", true, 0xFFFF01FF, false, 0, false, true, true, 0xFFFF00FF },
        { "a clear bit stays clear", true, 0x2FF, false, 0, false, true, true, 0x2FF },
        { "a missing value stays missing", true, -1, false, 0, false, true, false, -1 },
        { "a missing key is imported and then mended", false, -1, true, 0x1FF, true, true, true, 0xFF },
        { "a failed import leaves nothing", false, -1, false, 0, true, false, false, -1 },
    };
    for (const Case& c : cases) {
        DeleteTestKey();
        if (c.keyThere) {
            const DWORD v = static_cast<DWORD>(c.before);
            MakeTestKey(c.before >= 0 ? &v : nullptr);
        }
        int imports = 0;
        CString importedFile;
        DWORD bound = 0;
        auto import = [&](const CString& file, DWORD timeout) {
            ++imports;
            importedFile = file;
            bound = timeout;
            if (c.importMakesKey) {
                const DWORD v = static_cast<DWORD>(c.importValue);
                MakeTestKey(&v);
            }
            return true;
        };
        const startup::DecoderPresetResult r =
            startup::ApplyDecoderPreset(HKEY_CURRENT_USER, kTestKey, L"C:\\p\\codecs\\ac3filter.reg", import, 1234);
        EXPECT_EQ(r.imported, c.imported) << c.what;
        EXPECT_EQ(imports, c.imported ? 1 : 0) << c.what;
        if (c.imported) {
            EXPECT_STREQ(importedFile, L"C:\\p\\codecs\\ac3filter.reg") << c.what;
            EXPECT_EQ(bound, 1234u) << c.what;
        }
        EXPECT_EQ(r.keyOpen, c.open) << c.what;
        EXPECT_EQ(r.formatsCleared, c.cleared) << c.what;
        EXPECT_EQ(Formats(), c.after) << c.what;
    }
    DeleteTestKey();
}

TEST(DecoderPreset, TheRegistryImportIsWaitedForBeforeTheKeyIsReopened)
{
    // A real regedit run: the key it writes must be there when the step reopens it.
    CTestProgramFolder folder(L"rvx_preset");
    const std::wstring reg = folder.Path() + L"\\preset.reg";
    ASSERT_TRUE(WriteFileBytes(reg, "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\RavelmixerTest\\preset\\Default]\r\n"
                                    "\"formats\"=dword:000101ff\r\n"));
    DeleteTestKey();
    const startup::DecoderPresetResult r = startup::ApplyDecoderPreset(
        HKEY_CURRENT_USER, kTestKey, reg.c_str(), &startup::RunRegeditImport, startup::kDecoderPresetImportTimeoutMs);
    EXPECT_TRUE(r.imported);
    EXPECT_TRUE(r.keyOpen);
    EXPECT_TRUE(r.formatsCleared);
    EXPECT_EQ(Formats(), 0x100FF);
    DeleteTestKey();
    ::DeleteFileW(reg.c_str());
}

// ---------------------------------------------------------------------------------------------
// Hot keys

namespace {

const WORD kCutCommand = 34458;

class HotKeyWindows {
public:
    HotKeyWindows()
    {
        ::LoadLibraryW(L"riched20.dll");
        INITCOMMONCONTROLSEX icc = { sizeof(icc), ICC_DATE_CLASSES | ICC_HOTKEY_CLASS | ICC_INTERNET_CLASSES };
        ::InitCommonControlsEx(&icc);
        WNDCLASSW wc = {};
        wc.lpfnWndProc = &HotKeyWindows::MainProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"RvxTestDesk";
        ::RegisterClassW(&wc);
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.lpszClassName = L"MyCaptionEditBox";
        ::RegisterClassW(&wc);
        main = ::CreateWindowW(L"RvxTestDesk", L"desk", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr,
                               wc.hInstance, nullptr);
        ACCEL accel = { FVIRTKEY, VK_F5, kCutCommand };
        table = ::CreateAcceleratorTableW(&accel, 1);
    }
    ~HotKeyWindows()
    {
        ::DestroyWindow(main);
        ::DestroyAcceleratorTable(table);
    }
    HWND Child(const wchar_t* cls)
    {
        return ::CreateWindowW(cls, L"", WS_CHILD | WS_VISIBLE, 0, 0, 80, 20, main, nullptr, ::GetModuleHandleW(nullptr),
                               nullptr);
    }
    static MSG KeyFor(HWND hwnd)
    {
        MSG msg = {};
        msg.hwnd = hwnd;
        msg.message = WM_KEYDOWN;
        msg.wParam = VK_F5;
        msg.lParam = 1 | (0x3F << 16);
        return msg;
    }

    static std::vector<WORD>& Commands()
    {
        static std::vector<WORD> commands;
        return commands;
    }

    HWND main = nullptr;
    HACCEL table = nullptr;

private:
    static LRESULT CALLBACK MainProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
    {
        if (msg == WM_COMMAND)
            Commands().push_back(LOWORD(wp));
        return ::DefWindowProcW(hwnd, msg, wp, lp);
    }
};

class TestApp : public CRavelmixerApp {
public:
    int mainWindows = 0;
    std::function<void()> onMainWindow;

protected:
    void RunMainWindow() override
    {
        ++mainWindows;
        if (onMainWindow)
            onMainWindow();
    }
};

} // namespace

TEST(DeskHotKeys, KeysTypedIntoTextNeverFireAndOthersReachTheDesk)
{
    HotKeyWindows w;
    DeskHotKeyState state;
    state.mainWindow = w.main;
    state.table = w.table;
    struct Case {
        const wchar_t* cls;
        bool fires;
    } cases[] = {
        { L"Button", true },
        { L"ListBox", true },
        { L"msctls_trackbar32", true },
        { L"Edit", false },
        { L"RichEdit20W", false },
        { L"MyCaptionEditBox", false },
        { L"SysDateTimePick32", false },
        { L"SysIPAddress32", false },
        { L"msctls_hotkey32", false },
    };
    for (const Case& c : cases) {
        HWND target = w.Child(c.cls);
        ASSERT_NE(target, nullptr) << CStringA(c.cls).GetString();
        EXPECT_EQ(IsTextEntryWindow(target), !c.fires) << CStringA(c.cls).GetString();
        HotKeyWindows::Commands().clear();
        MSG msg = HotKeyWindows::KeyFor(target);
        EXPECT_EQ(TranslateDeskHotKey(state, &msg), c.fires) << CStringA(c.cls).GetString();
        EXPECT_EQ(HotKeyWindows::Commands(), c.fires ? std::vector<WORD>{ kCutCommand } : std::vector<WORD>{})
            << CStringA(c.cls).GetString();
        ::DestroyWindow(target);
    }
}

TEST(DeskHotKeys, NothingFiresWithoutTheDeskItsTableOrWhileTurnedOff)
{
    HotKeyWindows w;
    HWND button = w.Child(L"Button");
    MSG msg = HotKeyWindows::KeyFor(button);
    struct Case {
        const char* what;
        bool main, table, enabled, fires;
    } cases[] = {
        { "all set", true, true, true, true },
        { "hot-key sheet open", true, true, false, false },
        { "no desk yet", false, true, true, false },
        { "no table", true, false, true, false },
    };
    {
        TestApp app;
        for (const Case& c : cases) {
            DeskHotKeys().mainWindow = c.main ? w.main : nullptr;
            DeskHotKeys().table = c.table ? w.table : nullptr;
            DeskHotKeys().enabled = c.enabled;
            HotKeyWindows::Commands().clear();
            EXPECT_EQ(app.ProcessMessageFilter(MSGF_DIALOGBOX, &msg) != FALSE, c.fires) << c.what;
            EXPECT_EQ(HotKeyWindows::Commands().size(), c.fires ? 1u : 0u) << c.what;
        }
        EXPECT_FALSE(app.ProcessMessageFilter(MSGF_DIALOGBOX, nullptr));
    }
    DeskHotKeys() = DeskHotKeyState();
}

namespace {

// A desk stand-in: a modeless dialog that writes down the commands it gets.
class RecordingDesk : public CDialog {
public:
    RecordingDesk() : CDialog(IDD_SYSCHECK_DIALOG) {}
    std::vector<WORD> commands;

protected:
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override
    {
        commands.push_back(LOWORD(wParam));
        return CDialog::OnCommand(wParam, lParam);
    }
    void OnOK() override {}
    void OnCancel() override {}
};

} // namespace

TEST(DeskHotKeys, AKeyOnAControlOfTheDeskReachesItThroughTheMessageLoop)
{
    // The whole road of a key: the thread's loop, the desk's dialog manager, the message filter
    // of the application object, the accelerator table, the desk's command.
    TestApp app;
    RecordingDesk desk;
    ASSERT_TRUE(desk.Create(IDD_SYSCHECK_DIALOG));
    desk.ShowWindow(SW_SHOW);
    app.m_pMainWnd = &desk;
    ACCEL accel = { FVIRTKEY, VK_F5, kCutCommand };
    DeskHotKeys().mainWindow = desk.m_hWnd;
    DeskHotKeys().table = ::CreateAcceleratorTableW(&accel, 1);

    struct Case {
        const char* what;
        UINT control;
        bool enabled;
        bool fires;
    } cases[] = {
        { "a key on the continue button", IDOK, true, true },
        { "a key on the check box", IDC_SYSCHECK_SKIP, true, true },
        { "while the hot-key sheet is open", IDOK, false, false },
    };
    for (const Case& c : cases) {
        DeskHotKeys().enabled = c.enabled;
        desk.commands.clear();
        HWND target = ::GetDlgItem(desk.m_hWnd, static_cast<int>(c.control));
        ::PostMessageW(target, WM_KEYDOWN, VK_F5, 1 | (0x3F << 16));
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!AfxPumpMessage())
                break;
        }
        const bool fired = std::count(desk.commands.begin(), desk.commands.end(), kCutCommand) == 1;
        EXPECT_EQ(fired, c.fires) << c.what;
    }
    ::DestroyAcceleratorTable(DeskHotKeys().table);
    DeskHotKeys() = DeskHotKeyState();
    app.m_pMainWnd = nullptr;
    desk.DestroyWindow();
}

// ---------------------------------------------------------------------------------------------
// Start-up order

namespace {

SysCheckProbe g_machine;

SysCheckProbe GivenMachine()
{
    return g_machine;
}

HRESULT NoCompressors(std::vector<CString>& names)
{
    names.clear();
    return S_OK;
}

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetExeDirectoryOverride(m_folder.Path().c_str());
        m_previousProbe = SetSysCheckProbeProc(&GivenMachine);
        m_previousNames = SetCompressorNamesProc(&NoCompressors);
        // The decoder preset is there, so start-up runs no import in the test's registry.
        HKEY key = nullptr;
        ::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\AC3Filter\\preset\\Default", 0, nullptr, 0, KEY_ALL_ACCESS,
                          nullptr, &key, nullptr);
        ::RegCloseKey(key);
        g_machine = SysCheckProbe();
        g_machine.processors = 2;
        g_machine.direct3D = g_machine.caps = true;
        g_machine.pixelShaderVersion = D3DPS_VERSION(2, 0);
    }
    void TearDown() override
    {
        SetSysCheckProbeProc(m_previousProbe);
        SetCompressorNamesProc(m_previousNames);
        SetExeDirectoryOverride(nullptr);
    }

    CTestProgramFolder m_folder{ L"rvx_startup" };
    SysCheckProbeProc m_previousProbe = nullptr;
    CompressorNamesProc m_previousNames = nullptr;
};

const wchar_t kSysCheckCaption[] = L"配置检查";
const wchar_t kAppSelectCaption[] = L"应用选择";

} // namespace

TEST_F(StartupTest, APassingMachineGoesStraightToTheDesk)
{
    ASSERT_TRUE(WriteFileBytes(m_folder.ConfigFile(L"lang.ini"), "[language]\r\ncurrent=spchinese\r\n"));
    CModalDriver dialogs;
    TestApp app;
    bool comReady = false;
    app.onMainWindow = [&] {
        // The desk runs in a single-threaded apartment.
        const HRESULT hr = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        comReady = hr == S_FALSE;
        if (SUCCEEDED(hr))
            ::CoUninitialize();
    };
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(app.mainWindows, 1);
    EXPECT_TRUE(comReady);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(app.ExitInstance(), 0);
}

TEST_F(StartupTest, ARefusedSystemCheckEndsWithoutTheDesk)
{
    g_machine.processors = 1;
    ASSERT_TRUE(WriteFileBytes(m_folder.ConfigFile(L"system.ini"), "[Main]\r\nAppSelect=0\r\n"));
    CModalDriver dialogs;
    std::wstring report;
    dialogs.driver = [&](HWND dialog, const std::wstring& caption) {
        if (caption != kSysCheckCaption)
            return;
        wchar_t text[512] = {};
        ::GetDlgItemTextW(dialog, IDC_SYSCHECK_REPORT, text, 512);
        report = text;
        EXPECT_TRUE(SavePng(CaptureScreen(dialog), L"startup_syscheck_refused.png"));
        CModalDriver::Command(dialog, IDCANCEL);
    };
    TestApp app;
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(app.mainWindows, 0);
    // Only the check came up: no application choice, no desk.
    EXPECT_EQ(dialogs.shown, std::vector<std::wstring>{ kSysCheckCaption });
    EXPECT_EQ(report.substr(0, 16), L"CPU核心\t\t2\t\t1\t\tNO\n");
    EXPECT_EQ(::GetFileAttributesW(m_folder.ConfigFile(L"output.ini").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(StartupTest, ContinuingPastTheCheckAndAFirstRunChoiceReachTheDesk)
{
    g_machine.pixelShaderVersion = D3DPS_VERSION(1, 4);
    ASSERT_TRUE(WriteFileBytes(m_folder.ConfigFile(L"system.ini"), "[Main]\r\nAppSelect=0\r\n"));
    CModalDriver dialogs;
    dialogs.driver = [&](HWND dialog, const std::wstring& caption) {
        if (caption == kSysCheckCaption) {
            CModalDriver::Command(dialog, IDOK);
        } else if (caption == kAppSelectCaption) {
            EXPECT_TRUE(SavePng(CaptureScreen(dialog), L"startup_app_select.png"));
            ::CheckRadioButton(dialog, IDC_APPSEL_PAL, IDC_APPSEL_NTSC, IDC_APPSEL_NTSC);
            ::CheckDlgButton(dialog, IDC_APPSEL_DONTSHOW, BST_CHECKED);
            CModalDriver::Command(dialog, IDOK);
        }
    };
    TestApp app;
    std::vector<std::wstring> shownBeforeDesk;
    app.onMainWindow = [&] { shownBeforeDesk = dialogs.shown; };
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(app.mainWindows, 1);
    EXPECT_EQ(shownBeforeDesk, (std::vector<std::wstring>{ kSysCheckCaption, kAppSelectCaption }));
    EXPECT_EQ(ReadFileBytes(m_folder.ConfigFile(L"output.ini")),
              Utf16File(L"[Output]\r\nVideoSize=720x480\r\nFrameRate=29.970000\r\nPixelAR=0.889000\r\nFieldType=1\r\n"
                        L"AudioFormat=2\r\n[Avi]\r\nVCodec=Microsoft DV (NTSC)\r\n"));
    wchar_t value[16] = {};
    ::GetPrivateProfileStringW(L"Main", L"AppSelect", L"", value, 16, m_folder.ConfigFile(L"system.ini").c_str());
    EXPECT_STREQ(value, L"1");

    // The next start asks nothing: the check box turned the choice off.
    g_machine.pixelShaderVersion = D3DPS_VERSION(2, 0);
    dialogs.shown.clear();
    TestApp again;
    EXPECT_FALSE(again.InitInstance());
    EXPECT_EQ(again.mainWindows, 1);
    EXPECT_TRUE(dialogs.shown.empty());
}

// ---------------------------------------------------------------------------------------------
// A resource library that loads

TEST_F(StartupTest, TheEnglishLibraryBecomesTheResourceModuleOfDialogsAndStrings)
{
    ASSERT_TRUE(::CopyFileW(L"" RVX_TEST_UIRC_EN, (m_folder.Path() + L"\\uirc_en.dll").c_str(), FALSE));
    ASSERT_TRUE(WriteFileBytes(m_folder.ConfigFile(L"lang.ini"), "[language]\r\ncurrent=English\r\n"));
    const HINSTANCE own = AfxGetResourceHandle();
    g_machine.processors = 1;

    CModalDriver dialogs;
    std::wstring report;
    dialogs.driver = [&](HWND dialog, const std::wstring&) {
        wchar_t text[512] = {};
        ::GetDlgItemTextW(dialog, IDC_SYSCHECK_REPORT, text, 512);
        report = text;
        EXPECT_TRUE(SavePng(CaptureScreen(dialog), L"startup_syscheck_english.png"));
        CModalDriver::Command(dialog, IDCANCEL);
    };
    TestApp app;
    EXPECT_FALSE(app.InitInstance());
    const HINSTANCE library = AfxGetResourceHandle();
    AfxSetResourceHandle(own);

    EXPECT_NE(library, own);
    EXPECT_EQ(startup::ResourceModule(startup::kEnglish), library);
    EXPECT_EQ(startup::CurrentLanguage(), startup::kEnglish);
    // The check's dialog and its row names came from the library.
    EXPECT_EQ(dialogs.shown, std::vector<std::wstring>{ L"System check" });
    EXPECT_EQ(report.substr(0, report.find(L'\n') + 1), L"CPU cores\t\t2\t\t1\t\tNO\n");
    EXPECT_EQ(app.mainWindows, 0);
    wchar_t value[32] = {};
    ::GetPrivateProfileStringW(L"language", L"current", L"", value, 32, m_folder.ConfigFile(L"lang.ini").c_str());
    EXPECT_STREQ(value, L"english");
}
