// The check every effect file passes before the effect runtime sees it: all shipped files
// pass, and no cut or damaged copy gets through to crash the runtime.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/engine/DXRenderEffect.h"
#include "app/engine/EffectFileCheck.h"
#include "tests/support/d3d/D3DHarness.h"

namespace {

std::vector<BYTE> Shipped(const wchar_t* name)
{
    std::vector<BYTE> data;
    EXPECT_EQ(ReadEffectFile((rvxtest::BuiltEffectFolder() + L"\\" + name).c_str(), data), S_OK);
    return data;
}

const wchar_t* const kAll[] = {L"_PreProcess.fxo", L"_ChannelRender.fxo", L"_Fields2Frame.fxo", L"mix.fxo",
                               L"fade_black.fxo", L"wipe_left.fxo", L"wipe_right.fxo", L"wipe_top.fxo",
                               L"wipe_bottom.fxo", L"soft_wipe.fxo", L"push_left.fxo", L"iris.fxo", L"pip.fxo"};

void Put(std::vector<BYTE>& d, size_t at, uint32_t v) { std::memcpy(&d[at], &v, 4); }

} // namespace

TEST(EffectFileCheckTest, ShippedFilesAreWellFormed)
{
    for (const wchar_t* name : kAll) {
        std::vector<BYTE> d = Shipped(name);
        EXPECT_TRUE(IsWellFormedEffect(d.data(), d.size())) << static_cast<LPCWSTR>(CString(name));
    }
}

TEST(EffectFileCheckTest, EveryCutOfAFileIsRefused)
{
    for (const wchar_t* name : {L"mix.fxo", L"soft_wipe.fxo", L"_PreProcess.fxo"}) {
        std::vector<BYTE> d = Shipped(name);
        for (size_t n = 0; n < d.size(); ++n)
            ASSERT_FALSE(IsWellFormedEffect(d.data(), n)) << static_cast<LPCWSTR>(CString(name)) << " cut at " << n;
    }
}

TEST(EffectFileCheckTest, DamagedHeadersAndOffsetsAreRefused)
{
    const std::vector<BYTE> good = Shipped(L"mix.fxo");
    uint32_t start;
    std::memcpy(&start, &good[4], 4);
    const size_t structure = 8 + start;
    struct Damage {
        const char* what;
        size_t at;
        uint32_t value;
    };
    const Damage damages[] = {
        {"tag", 0, 0x12345678},
        {"structure beyond the end", 4, 0x7FFFFFF0},
        {"parameter count", structure, 0x40000000},
        {"technique count", structure + 4, 1000},
        {"object count", structure + 12, 0},
        {"first parameter's type", structure + 16, 0x7FFFFFF0},
        {"first parameter's value", structure + 20, 0xFFFFFF00},
        {"first parameter's annotations", structure + 28, 0x10000},
    };
    for (const Damage& d : damages) {
        std::vector<BYTE> bad = good;
        Put(bad, d.at, d.value);
        EXPECT_FALSE(IsWellFormedEffect(bad.data(), bad.size())) << d.what;
    }
    EXPECT_FALSE(IsWellFormedEffect(nullptr, 0));
}

// Damage that a looser check let through to crash the effect runtime or the shader
// compiler under it, found by corrupting mix.fxo a byte at a time.
TEST(EffectFileCheckTest, DamageThatCrashedTheRuntimeIsRefused)
{
    const std::vector<BYTE> good = Shipped(L"mix.fxo");
    auto find = [&good](const std::vector<BYTE>& what, size_t from = 0) {
        for (size_t i = from; i + what.size() <= good.size(); ++i)
            if (std::memcmp(&good[i], what.data(), what.size()) == 0) return i;
        return good.size();
    };
    const size_t usName = find({'_', 'D', 'e', 's', 'c', 'r', 'i', 'p', 't', 'i', 'o', 'n', '_', 'u', 's', 0});
    ASSERT_LT(usName, good.size());
    const size_t usType = usName + 16;                   // its typedef follows its name
    const size_t end = good.size() - 4;                  // the pixel shader's end token
    const size_t ctab = find({'C', 'T', 'A', 'B'}, good.size() / 2);
    ASSERT_LT(ctab, good.size());
    uint32_t constants = 0;
    std::memcpy(&constants, &good[ctab + 4 + 12], 4);
    const size_t firstType = ctab + 4 + 28 + constants * 20;   // type infos follow the constant infos
    struct Damage {
        const char* what;
        size_t at;
        BYTE value;
    };
    const Damage damages[] = {
        {"a parameter's name made empty", usType + 8, 0},   // its name offset now points at 0
        {"the value's object id", usType + 20, 0},          // the string's object is nobody's
        {"the end token", end + 3, 0x2F},
        {"an unknown opcode", end - 4 * 3 + 1, 0xE9},
        {"a reserved register bit", end - 4 * 2 + 1, 0xE9},
        {"a constant table type", firstType + 3, 0x8D},
    };
    for (const Damage& d : damages) {
        std::vector<BYTE> bad = good;
        bad[d.at] = d.value;
        EXPECT_FALSE(IsWellFormedEffect(bad.data(), bad.size())) << d.what;
    }
}
