// The check every effect file passes before the effect runtime sees it: all shipped files
// pass, and no cut or damaged copy gets through to crash the runtime.
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
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

namespace {

// An effect file written word by word: a data area (names, types, values) at the base the
// offsets count from, then the structure the check walks.
class EffectImage {
public:
    EffectImage() { Word(0); }   // offset 0: an empty name, for records without one

    uint32_t Here() const { return uint32_t(m_data.size()); }
    uint32_t Word(uint32_t v)
    {
        const uint32_t at = Here();
        m_data.resize(m_data.size() + 4);
        std::memcpy(&m_data[at], &v, 4);
        return at;
    }
    uint32_t Name(const std::string& text)
    {
        const uint32_t at = Word(uint32_t(text.size() + 1));
        m_data.insert(m_data.end(), text.begin(), text.end());
        m_data.push_back(0);
        while (m_data.size() % 4) m_data.push_back(0);
        return at;
    }
    // The structure: parameters, techniques, the unknown word and the object count first.
    void Structure(std::initializer_list<uint32_t> words) { m_structure.insert(m_structure.end(), words); }

    std::vector<BYTE> Bytes() const
    {
        std::vector<BYTE> file(8);
        const uint32_t tag = 0xFEFF0901, start = Here();
        std::memcpy(&file[0], &tag, 4);
        std::memcpy(&file[4], &start, 4);
        file.insert(file.end(), m_data.begin(), m_data.end());
        for (uint32_t w : m_structure) file.insert(file.end(), reinterpret_cast<const BYTE*>(&w),
                                                   reinterpret_cast<const BYTE*>(&w) + 4);
        return file;
    }

private:
    std::vector<BYTE> m_data;
    std::vector<uint32_t> m_structure;
};

constexpr uint32_t kObjectClass = 4, kStructClass = 5, kSamplerType = 10, kNoTechnique = 0xFFFFFFFF;

// One parameter: a structure of `elements` elements whose one member is again such a
// structure, `depth` levels deep, the innermost holding one float (or nothing).
std::vector<BYTE> NestedStructures(uint32_t elements, int depth, bool innermostFloat, size_t padTo = 0)
{
    EffectImage e;
    const uint32_t name = e.Name("nested");
    const uint32_t value = e.Here();
    for (int i = 0; i < 16; ++i) e.Word(0);
    const uint32_t type = e.Here();
    for (int level = 0; level < depth; ++level) {
        e.Word(0); e.Word(kStructClass); e.Word(name); e.Word(0); e.Word(elements);
        e.Word(level + 1 < depth || innermostFloat ? 1 : 0);
    }
    if (innermostFloat) {
        e.Word(3); e.Word(0); e.Word(name); e.Word(0); e.Word(0); e.Word(1); e.Word(1);   // float
    }
    while (e.Here() < padTo) e.Word(0);
    e.Structure({1, 0, 0, 0, type, value, 0, 0, 0, 0});
    return e.Bytes();
}

} // namespace

// A sampler whose one state is itself a sampler names no object; a resource aimed at that
// state, in a file that declares no objects at all, once read the first element of an empty
// list of objects (a crash).
TEST(EffectFileCheckTest, AResourceForASamplerStateWithoutAnObjectIsRefused)
{
    EffectImage e;
    const uint32_t name = e.Name("s");
    const uint32_t samplerType = e.Here();
    e.Word(kSamplerType); e.Word(kObjectClass); e.Word(name); e.Word(0); e.Word(0);
    const uint32_t innerType = e.Here();
    e.Word(kSamplerType); e.Word(kObjectClass); e.Word(0); e.Word(0); e.Word(0);
    const uint32_t innerValue = e.Word(0);   // no states
    const uint32_t value = e.Here();
    e.Word(1);                               // one state: op 0, index 0, the inner sampler
    e.Word(0); e.Word(0); e.Word(innerType); e.Word(innerValue);
    // 1 parameter, 0 techniques, 0 objects; 0 strings, 1 resource for the parameter's state 0.
    e.Structure({1, 0, 0, 0, samplerType, value, 0, 0, 0, 1, kNoTechnique, 0, 0, 0, 1, 2, 'x'});
    const std::vector<BYTE> file = e.Bytes();
    EXPECT_FALSE(IsWellFormedEffect(file.data(), file.size()));
}

// Arrays of structures nested in arrays of structures made the check visit elements^depth
// values (a 4 KB file kept it busy for seconds and was then accepted); a file that asks for
// far more values than it has bytes is refused, and a small real one still passes.
TEST(EffectFileCheckTest, NestedArraysOfStructuresAreBoundedByTheFileSize)
{
    const std::vector<BYTE> small = NestedStructures(2, 2, true);
    EXPECT_TRUE(IsWellFormedEffect(small.data(), small.size()));
    const struct {
        const char* what;
        std::vector<BYTE> file;
    } cases[] = {
        {"100 x 100 x 100 empty structures in about 450 bytes", NestedStructures(100, 3, false, 400)},
        {"1000^8 empty structures in 4 KB", NestedStructures(1000, 8, false, 4000)},
    };
    for (const auto& c : cases) EXPECT_FALSE(IsWellFormedEffect(c.file.data(), c.file.size())) << c.what;
}

// States that point back at the sampler value that holds them nest as deep as the check
// allows, each level multiplying the work by the number of states.
TEST(EffectFileCheckTest, SamplerStatesPointingBackAtTheirOwnValueAreRefused)
{
    EffectImage e;
    const uint32_t name = e.Name("s");
    const uint32_t samplerType = e.Here();
    e.Word(kSamplerType); e.Word(kObjectClass); e.Word(name); e.Word(0); e.Word(0);
    const uint32_t stateType = e.Here();
    e.Word(kSamplerType); e.Word(kObjectClass); e.Word(0); e.Word(0); e.Word(0);
    const uint32_t value = e.Here();
    const uint32_t states = 40;
    e.Word(states);
    for (uint32_t i = 0; i < states; ++i) {
        e.Word(0); e.Word(0); e.Word(stateType); e.Word(value);
    }
    e.Structure({1, 0, 0, 0, samplerType, value, 0, 0, 0, 0});
    const std::vector<BYTE> file = e.Bytes();
    EXPECT_FALSE(IsWellFormedEffect(file.data(), file.size()));
}
