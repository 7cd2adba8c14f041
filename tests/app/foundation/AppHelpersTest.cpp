#include "app/foundation/AppHelpers.h"
#include "app/foundation/LogWriter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Box {
    HWND owner;
    CString text;
    CString caption;
    UINT type;
};

// Records every box and answers with the test's choice, so nothing blocks.
class BoxRecorder {
public:
    explicit BoxRecorder(int answer)
    {
        m_old = AfxSetMessageBoxProc([this, answer](HWND owner, LPCTSTR text, LPCTSTR caption, UINT type) {
            boxes.push_back(Box{owner, text, caption, type});
            return answer;
        });
    }
    ~BoxRecorder() { AfxSetMessageBoxProc(m_old); }
    std::vector<Box> boxes;

private:
    AFX_MESSAGEBOX_PROC m_old;
};

} // namespace

TEST(AppMessageBox, TextAndCaptionComeFromTheStringTable)
{
    BoxRecorder recorder(IDNO);
    HWND owner = reinterpret_cast<HWND>(0x1234);
    EXPECT_EQ(IDNO, AppMessageBox(owner, 60001, 106, MB_YESNO | MB_ICONERROR));
    ASSERT_EQ(1u, recorder.boxes.size());
    EXPECT_EQ(owner, recorder.boxes[0].owner);
    EXPECT_STREQ(L"提示文本", recorder.boxes[0].text);
    EXPECT_STREQ(L"错误", recorder.boxes[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_YESNO | MB_ICONERROR), recorder.boxes[0].type);

    // An id the table lacks gives an empty text; the box is shown all the same.
    EXPECT_EQ(IDNO, AppMessageBox(nullptr, 4321, 106, MB_OK));
    ASSERT_EQ(2u, recorder.boxes.size());
    EXPECT_STREQ(L"", recorder.boxes[1].text);

    CString format, text;
    format.LoadString(60002);
    text.Format(format, L"D:\\录像");
    AppMessageBoxText(nullptr, text, 106, MB_OK | MB_ICONERROR);
    ASSERT_EQ(3u, recorder.boxes.size());
    EXPECT_STREQ(L"文件路径：D:\\录像错误！", recorder.boxes[2].text);
}

TEST(AppMessageBox, AnswersAsTheOperatorChose)
{
    for (int answer : {IDYES, IDNO}) {
        BoxRecorder recorder(answer);
        EXPECT_EQ(answer, AppMessageBox(nullptr, 60001, 106, MB_YESNO));
    }
}

TEST(AppMessageBox, TheResourceModuleIsTheCurrentOne)
{
    BoxRecorder recorder(IDOK);
    HINSTANCE old = AfxGetResourceHandle();
    AfxSetResourceHandle(::GetModuleHandleW(L"kernel32.dll")); // a module without these strings
    AppMessageBox(nullptr, 60001, 106, MB_OK);
    AfxSetResourceHandle(old);
    ASSERT_EQ(1u, recorder.boxes.size());
    EXPECT_STREQ(L"", recorder.boxes[0].caption);
}

TEST(AfxMessageBox, GoesThroughTheSameFunction)
{
    BoxRecorder recorder(IDCANCEL);
    EXPECT_EQ(IDCANCEL, AfxMessageBox(L"text", MB_OKCANCEL));
    EXPECT_EQ(IDCANCEL, AfxMessageBox(60001u, MB_OK));
    ASSERT_EQ(2u, recorder.boxes.size());
    EXPECT_STREQ(L"提示文本", recorder.boxes[1].text);
    EXPECT_EQ(static_cast<UINT>(MB_OKCANCEL | MB_ICONEXCLAMATION), recorder.boxes[0].type);
}

TEST(GetExeDirectory, IsTheProgramFolderWithoutTrailingBackslash)
{
    WCHAR path[MAX_PATH];
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    CString expected(path);
    expected = expected.Left(expected.ReverseFind(L'\\'));
    CString folder = GetExeDirectory();
    EXPECT_STREQ(expected, folder);
    EXPECT_NE(L'\\', folder[folder.GetLength() - 1]);

    SetExeDirectoryOverride(L"C:\\测试\\程序\\");
    EXPECT_STREQ(L"C:\\测试\\程序", GetExeDirectory());
    SetExeDirectoryOverride(nullptr);
    EXPECT_STREQ(expected, GetExeDirectory());
}

namespace {

// Runs a copy of the probe program from `folder` and returns the program folder it saw.
CString ProbeFolderFrom(const CString& folder)
{
    WCHAR self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    CString probe(self);
    probe = probe.Left(probe.ReverseFind(L'\\')) + L"\\exe_folder_probe.exe";
    CString exe = folder + L"\\p.exe";
    if (!::CopyFileW(probe, exe, FALSE))
        return L"<copy failed>";
    WCHAR temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    CString out = CString(temp) + L"exe_folder_probe.txt";
    CString command = L"\"" + exe + L"\" \"" + out + L"\"";
    STARTUPINFOW si = {sizeof(si)};
    PROCESS_INFORMATION pi = {};
    CString result = L"<start failed>";
    if (::CreateProcessW(exe, command.GetBuffer(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        ::WaitForSingleObject(pi.hProcess, INFINITE);
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);
        std::ifstream in(std::filesystem::path(out.GetString()), std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        result = CString(reinterpret_cast<const wchar_t*>(bytes.data()), static_cast<int>(bytes.size() / 2));
    }
    ::DeleteFileW(out);
    ::DeleteFileW(exe);
    return result;
}

// Makes nested folders under the temporary folder until the whole path is `length` long.
CString DeepFolder(int length)
{
    WCHAR temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    CString folder = CString(temp) + L"deep";
    ::CreateDirectoryW(folder, nullptr);
    while (folder.GetLength() < length) {
        int part = length - folder.GetLength() - 1;
        if (part > 40)
            part = 40;
        if (part < 1)
            part = 1;
        folder += L"\\" + CString(L'd', part);
        ::CreateDirectoryW(folder, nullptr);
    }
    return folder;
}

void RemoveDeepFolder(CString folder)
{
    WCHAR temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    CString root = CString(temp) + L"deep";
    while (folder.GetLength() >= root.GetLength()) {
        ::RemoveDirectoryW(folder);
        folder = folder.Left(folder.ReverseFind(L'\\'));
    }
}

} // namespace

TEST(GetExeDirectory, ProgramsInLongPathsGetTheirWholeFolder)
{
    // "\\p.exe" adds 6 characters: program paths of 200 and 259 characters. (Wine starts
    // no program from a longer path, so the growing buffer behind longer ones is not run.)
    for (int length : {194, 253}) {
        CString folder = DeepFolder(length);
        ASSERT_EQ(length, folder.GetLength());
        EXPECT_STREQ(folder, ProbeFolderFrom(folder)) << length;
        RemoveDeepFolder(folder);
    }
}

TEST(LogWriter, AppendsStampedLinesToLogTxtInTheProgramFolder)
{
    WCHAR base[MAX_PATH], name[MAX_PATH];
    ::GetTempPathW(MAX_PATH, base);
    ::GetTempFileNameW(base, L"log", 0, name);
    ::DeleteFileW(name);
    CString folder = CString(name) + L"日志";
    ASSERT_TRUE(::CreateDirectoryW(folder, nullptr));
    CString file = folder + L"\\log.txt";
    {
        std::ofstream existing(std::filesystem::path(file.GetString()));
        existing << "earlier\n";
    }
    SetExeDirectoryOverride(folder);
    AppLog() << LogTime << LogThread << " started" << std::endl;
    SetExeDirectoryOverride(nullptr);

    std::ifstream in(std::filesystem::path(file.GetString()));
    std::stringstream all;
    all << in.rdbuf();
    std::string text = all.str();
    EXPECT_EQ(0u, text.find("earlier\n"));
    std::smatch m;
    std::string last = text.substr(8);
    ASSERT_TRUE(std::regex_match(last, m, std::regex(R"(\[(\d\d/\d\d/\d\d) \d\d:\d\d:\d\d\]\[0x([0-9a-f]+)\] started\n)")))
        << last;
    EXPECT_EQ(static_cast<unsigned long>(::GetCurrentThreadId()), std::stoul(m[2].str(), nullptr, 16));
}
