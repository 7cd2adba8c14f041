// The library's export table: the 82 card functions under the names a caller built with this
// toolchain links against (C++ decorated, caller cleans the stack: no @n suffix), in both the
// shipped i686 file and the x86-64 one.
#include <algorithm>
#include <cctype>
#include <fstream>
#include <regex>
#include <windows.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "PeExports.h"

namespace {

// Written out from the exported header's signatures by the decoration rules.
const char* const kExpected[] = {
    "_Z15OVCG_GetCardNumv",
    "_Z12OVCG_Initialji",
    "_Z10OVCG_Closej",
    "_Z19OVCG_RestoreDefaultj",
    "_Z18OVCG_GetSdkVersionPj",
    "_Z20OVCG_GetBoardVersionPjj",
    "_Z19OVCG_GetFPGAVersionPjj",
    "_Z21OVCG_GetDriverVersionPjj",
    "_Z18OVCG_GetCardTypeNoRmj",
    "_Z18OVCG_GetMemAddressRPvj",
    "_Z17OVCG_InitialEventPKtj",
    "_Z13OVCG_GetEventPKtj",
    "_Z19OVCG_InitialEventExPKtj",
    "_Z15OVCG_CloseEventPKtj",
    "_Z17OVCG_CloseEventExPvj",
    "_Z18OVCG_CloseAllEventj",
    "_Z15OVCG_GetFieldNoRmj",
    "_Z17OVCG_GetVideoModeRmj",
    "_Z17OVCG_SetVideoModemj",
    "_Z24OVCG_GetInnerOrExtraSyncRmj",
    "_Z24OVCG_SetInnerOrExtraSyncmj",
    "_Z24OVCG_GetVideoInputStatusRmj",
    "_Z20OVCG_GetCmpsOrSvideoRmj",
    "_Z20OVCG_SetCmpsOrSvideomj",
    "_Z23OVCG_GetVideoBlackLevelRmj",
    "_Z23OVCG_SetVideoBlackLevelmj",
    "_Z15OVCG_GetTVORVTRRmj",
    "_Z15OVCG_SetTVORVTRmj",
    "_Z23OVCG_GetSubcarrierPhaseRmj",
    "_Z23OVCG_SetSubcarrierPhasemj",
    "_Z17OVCG_GetLinePhaseRmj",
    "_Z17OVCG_SetLinePhasemj",
    "_Z18OVCG_GetFieldPhaseRmj",
    "_Z18OVCG_SetFieldPhasemj",
    "_Z16OVCG_GetKeyDelayRmj",
    "_Z16OVCG_SetKeyDelaymj",
    "_Z21OVCG_GetKeyOutputModeRmj",
    "_Z21OVCG_SetKeyOutputModemj",
    "_Z16OVCG_GetContrastRmj",
    "_Z16OVCG_SetContrastmj",
    "_Z13OVCG_GetLightRmj",
    "_Z13OVCG_SetLightmj",
    "_Z11OVCG_GetHueRmj",
    "_Z11OVCG_SetHuemj",
    "_Z17OVCG_GetSatuationRmj",
    "_Z17OVCG_SetSatuationmj",
    "_Z19OVCG_SetVideoBypassmj",
    "_Z19OVCG_GetVideoBypassRmj",
    "_Z26OVCG_SetKeyOrPreviewOutputmj",
    "_Z26OVCG_GetKeyOrPreviewOutputRmj",
    "_Z17OVCG_SetVideoBasemj",
    "_Z17OVCG_GetVideoBaseRmj",
    "_Z13OVCG_GetPointiiRmj",
    "_Z13OVCG_SetPointiimj",
    "_Z11OVCG_GetRowiPmj",
    "_Z11OVCG_SetRowiPmj",
    "_Z15OVCG_GetPartRowiiiPmj",
    "_Z15OVCG_SetPartRowiiiPmj",
    "_Z14OVCG_GetColumniPmj",
    "_Z14OVCG_SetColumniPmj",
    "_Z18OVCG_GetPartColumniiiPmj",
    "_Z18OVCG_SetPartColumniiiPmj",
    "_Z14OVCG_GetScreenPmij",
    "_Z14OVCG_SetScreenPmij",
    "_Z17OVCG_GetRectangleiiiiPmj",
    "_Z17OVCG_SetRectangleiiiiPmj",
    "_Z12OVCG_SetAreaiiiiPmj",
    "_Z23OVCG_ClearCurrentScreenj",
    "_Z19OVCG_SetVideoSamplej",
    "_Z25OVCG_GetIfVideoSampleDoneRmj",
    "_Z23OVCG_GetVideoSampleDataPmj",
    "_Z16OVCG_SetUserDatamhj",
    "_Z19OVCG_VerifyUserDatammPhj",
    "_Z24OVCG_GetExtSignalCkPhaseRjj",
    "_Z24OVCG_SetExtSignalCkPhasejj",
    "_Z23OVCG_GetExtSignalHWidthjRij",
    "_Z23OVCG_SetExtSignalHWidthjij",
    "_Z25OVCG_GetExtSignalPolarityhRjj",
    "_Z25OVCG_SetExtSignalPolarityhjj",
    "_Z11OVCG_memcpyPmS_m",
    "_Z13OVCG_memcpyExPmS_m",
    "_Z11OVCG_memsetPmmm",
};

std::vector<std::string> Expected()
{
    std::vector<std::string> v(std::begin(kExpected), std::end(kExpected));
    std::sort(v.begin(), v.end());
    return v;
}

void ExpectCardExports(const std::string& path, uint16_t machine)
{
    PeExports pe;
    ASSERT_TRUE(ReadPeExports(path, pe)) << path;
    EXPECT_EQ(pe.machine, machine) << path;
    std::vector<std::string> names = pe.names;
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, Expected()) << path;
}

// The shipped file carries its runtime and nothing of the simulated card.
void ExpectSelfContained(const std::string& path)
{
    PeExports pe;
    ASSERT_TRUE(ReadPeExports(path, pe)) << path;
    ASSERT_FALSE(pe.imports.empty()) << path;
    for (std::string name : pe.imports) {
        for (char& c : name)
            c = char(tolower(static_cast<unsigned char>(c)));
        EXPECT_TRUE(name == "kernel32.dll" || name == "user32.dll" || name == "msvcrt.dll") << path << ": " << name;
    }
}

}  // namespace

// The plain function name inside a decorated one ("_Z10OVCG_Closej" -> "OVCG_Close").
std::string PlainName(const std::string& decorated)
{
    size_t at = 2;
    size_t length = 0;
    while (at < decorated.size() && isdigit(static_cast<unsigned char>(decorated[at])))
        length = length * 10 + size_t(decorated[at++] - '0');
    return decorated.substr(at, length);
}

// The table follows the exported header: a function declared there and missing from the
// table (or the other way round) would leave the library's check blind to it.
TEST(CardExportTable, NamesEveryFunctionOfTheExportedHeader)
{
    std::ifstream header(WindowsPath(RVX_CARDLIB_HEADER));
    ASSERT_TRUE(header.good()) << RVX_CARDLIB_HEADER;
    const std::regex declaration(R"(^OVCG_API\s.*\bOVCG_CALL\s+(OVCG_\w+)\s*\()");
    std::vector<std::string> declared;
    for (std::string line; std::getline(header, line);) {
        std::smatch m;
        if (std::regex_search(line, m, declaration))
            declared.push_back(m[1]);
    }
    std::sort(declared.begin(), declared.end());
    std::vector<std::string> listed;
    for (const std::string& name : Expected())
        listed.push_back(PlainName(name));
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(declared.size(), 82u);
    EXPECT_EQ(listed, declared);
}

TEST(CardExportTable, ShippedLibraryOfThisBuild)
{
#ifdef _WIN64
    ExpectCardExports(RVX_SHIPPED_CARDLIB, 0x8664);
#else
    ExpectCardExports(RVX_SHIPPED_CARDLIB, 0x14C);
#endif
    ExpectSelfContained(RVX_SHIPPED_CARDLIB);
}

TEST(CardExportTable, TestBuildExportsTheSame)
{
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring dir(exe);
    dir = dir.substr(0, dir.find_last_of(L"\\/") + 1) + L"ovx500u.dll";
    std::string path(dir.begin(), dir.end());
#ifdef _WIN64
    ExpectCardExports(path, 0x8664);
#else
    ExpectCardExports(path, 0x14C);
#endif
}

TEST(CardExportTable, ShippedI686Library)
{
    PeExports probe;
    if (!ReadPeExports(RVX_I686_CARDLIB, probe))
        GTEST_SKIP() << "the i686 build is not there: " << RVX_I686_CARDLIB;
    ExpectCardExports(RVX_I686_CARDLIB, 0x14C);
    ExpectSelfContained(RVX_I686_CARDLIB);
}
