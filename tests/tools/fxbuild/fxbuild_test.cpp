// The effect compiler's source parser and the byte layouts it writes, checked against
// images written out by hand.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tools/fxbuild/ConstantTable.h"
#include "tools/fxbuild/EffectBinary.h"
#include "tools/fxbuild/EffectSource.h"
#include "tools/fxbuild/ShaderAssembler.h"

using namespace fxbuild;

namespace {

EffectSource Parse(const std::string& text) { return ParseEffectSource(text, &EncodeForCodePage); }

std::vector<uint8_t> Bytes(const std::vector<uint32_t>& words)
{
    std::vector<uint8_t> b(words.size() * 4);
    std::memcpy(b.data(), words.data(), b.size());
    return b;
}

} // namespace

TEST(EffectSourceTest, ReadsParametersAnnotationsSamplersShadersAndPasses)
{
    EffectSource fx = Parse(R"(
        int _ID = 3;
        float _Softness < string UIWidget = "slider"; string UIName = "Softness";
                          float UIMin = 0; float UIMax = 0.5; float UIStep = 0.01; > = 0.25;
        float4 _range = {0, 1, 0, 1};
        bool _TimeSensitivity = false;
        texture _tex0;
        sampler s0 = sampler_state { Texture = <_tex0>; MinFilter = POINT; };
        pixelshader ps { bind _Softness c1; bind s0 s0; asm { ps_2_0
            mov oC0, c1 } }
        technique T { pass P { PixelShader = ps; AlphaBlendEnable = FALSE; } }
    )");
    ASSERT_EQ(fx.parameters.size(), 6u);
    EXPECT_EQ(fx.parameters[0].raw, std::vector<uint32_t>{3});
    const Parameter& soft = fx.parameters[1];
    ASSERT_EQ(soft.annotations.size(), 5u);
    EXPECT_EQ(soft.annotations[0].name, "UIWidget");
    EXPECT_EQ(soft.annotations[0].text, "slider");
    float step;
    std::memcpy(&step, soft.annotations[4].raw.data(), 4);
    EXPECT_FLOAT_EQ(step, 0.01f);
    EXPECT_EQ(fx.parameters[2].raw.size(), 4u);
    EXPECT_EQ(fx.parameters[3].raw, std::vector<uint32_t>{0});
    ASSERT_EQ(fx.parameters[5].samplerStates.size(), 2u);
    EXPECT_EQ(fx.parameters[5].samplerStates[0].reference, "_tex0");
    EXPECT_EQ(fx.parameters[5].samplerStates[1].value, 1u);
    ASSERT_EQ(fx.shaders.size(), 1u);
    EXPECT_EQ(fx.shaders[0].bindings[0].registerSet, 'c');
    EXPECT_EQ(fx.shaders[0].bindings[0].index, 1u);
    EXPECT_NE(fx.shaders[0].assembly.find("mov oC0, c1"), std::string::npos);
    ASSERT_EQ(fx.techniques.size(), 1u);
    EXPECT_EQ(fx.techniques[0].passes[0].states.size(), 2u);
}

TEST(EffectSourceTest, RefusesBrokenSourcesWithTheLine)
{
    struct Case {
        const char* text;
        int line;
        const char* says;
    };
    const Case cases[] = {
        {"technique T { pass P { } }\nfloat4x3 m;", 2, "unknown type"},
        {"int a = 1\ntechnique T { pass P { } }", 2, "expected ';'"},
        {"int a;\nint a;\ntechnique T { pass P { } }", 2, "declared twice"},
        {"float4 v = {1, 2};\ntechnique T { pass P { } }", 1, "expected 4 values"},
        {"int a;\nsampler s = sampler_state { Texture = <a>; };\ntechnique T { pass P { } }", 2, "not a texture"},
        {"pixelshader p {\n bind nothing c0;\n asm { ps_2_0 } }\ntechnique T { pass P { } }", 2, "unknown parameter"},
        {"vertexshader v { asm { vs_2_0 } }\ntechnique T { pass P {\n PixelShader = v; } }", 3, "not a pixel shader"},
        {"technique T { pass P {\n Bogus = 1; } }", 2, "unknown state"},
        {"technique T { pass P {\n MinFilter = POINT; } }", 2, "belongs in a sampler"},
        {"technique T { pass P {\n CullMode = SIDEWAYS; } }", 2, "unknown state value"},
        {"string s = \"\xE4\xB8\xAD\";\ntechnique T { pass P { } }", 1, "codepage"},
        {"int a;", 1, "no technique"},
        {"technique T { }", 1, "has no pass"},
        {"string s = \"open\ntechnique T { pass P { } }", 1, "unterminated string"},
    };
    for (const Case& c : cases) {
        try {
            Parse(c.text);
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const SourceError& e) {
            EXPECT_EQ(e.line, c.line) << c.text;
            EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
        }
    }
}

TEST(EffectSourceTest, StringsTakeTheirCodePage)
{
    EffectSource fx = Parse("codepage 936;\nstring a = \"\xE4\xB8\xAD\";\n"
                            "codepage 950;\nstring b = \"\xE4\xB8\xAD\";\n"
                            "technique T { pass P { } }");
    EXPECT_EQ(fx.parameters[0].text, "\xD6\xD0");   // GBK
    EXPECT_EQ(fx.parameters[1].text, "\xA4\xA4");   // Big5
}

// The smallest useful effect, laid out by hand: a tag and the offset of the structure;
// a data area of an empty name, the name "_ID", an int typedef, its value 7, the names
// "T" and "P" and the pass state's unnamed int typedef and value 0; then the structure.
TEST(EffectBinaryTest, MinimalEffectMatchesHandLayout)
{
    EffectSource fx = Parse("int _ID = 7;\ntechnique T { pass P { AlphaBlendEnable = FALSE; } }");
    const std::vector<uint32_t> expected = {
        0xFEFF0901, 0x5C,
        // data area
        0,                                  // 0x00 empty name
        4, 0x0044495F,                      // 0x04 "_ID"
        2, 0, 0x04, 0, 0, 1, 1,             // 0x0C int scalar named "_ID", no semantic, rows 1 columns 1
        7,                                  // 0x28 its value
        2, 0x54,                            // 0x2C "T"
        2, 0x50,                            // 0x34 "P"
        2, 0, 0, 0, 0, 1, 1,                // 0x3C the state's int typedef
        0,                                  // 0x58 FALSE
        // structure: 1 parameter, 1 technique, 0, 1 object slot
        1, 1, 0, 1,
        0x0C, 0x28, 0, 0,                   // parameter: typedef, value, flags, no annotations
        0x2C, 0, 1,                         // technique: name, no annotations, one pass
        0x34, 0, 1,                         // pass: name, no annotations, one state
        0x0D, 0, 0x3C, 0x58,                // AlphaBlendEnable (operation 13), index 0
        0, 0,                               // no strings, no resources
    };
    EXPECT_EQ(WriteEffectBinary(fx, {}), Bytes(expected));
}

// A pixel shader reading one float at c2: the comment token (26 words follow), "CTAB",
// the 28-byte header, one 20-byte constant info, one 16-byte type info and the strings.
TEST(ConstantTableTest, OneFloatMatchesHandLayout)
{
    EffectSource fx = Parse("float _Progress;\npixelshader p { bind _Progress c2; asm { ps_2_0 } }\n"
                            "technique T { pass P { PixelShader = p; } }");
    std::vector<uint8_t> expected = {
        0xFE, 0xFF, 0x1A, 0x00, 'C', 'T', 'A', 'B',
        28, 0, 0, 0,   74, 0, 0, 0,   0x00, 0x02, 0xFF, 0xFF,   1, 0, 0, 0,
        28, 0, 0, 0,   0, 0, 0, 0,    93, 0, 0, 0,
        // constant: name at 64, float4 set (2), register 2, one register, type at 48, no default
        64, 0, 0, 0,   2, 0, 2, 0,   1, 0, 0, 0,   48, 0, 0, 0,   0, 0, 0, 0,
        // type: scalar float, 1 x 1, one element, no members
        0, 0, 3, 0, 1, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0,
    };
    const char strings[] = "_Progress\0Ravelmixer fxbuild\0ps_2_0";
    expected.insert(expected.end(), strings, strings + sizeof(strings));
    while ((expected.size() - 4) % 4) expected.push_back(0);
    EXPECT_EQ(Bytes(BuildConstantTable(fx.shaders[0], fx, 0xFFFF0200)), expected);
}

TEST(ShaderAssemblerTest, AssemblesAndPlacesTheTableAfterTheVersion)
{
    EffectSource fx = Parse("float c;\npixelshader p { bind c c0; asm { ps_2_0\n mov oC0, c0 } }\n"
                            "technique T { pass P { PixelShader = p; } }");
    std::vector<uint32_t> code;
    std::string errors;
    ASSERT_TRUE(AssembleShader(fx.shaders[0], fx, code, errors)) << errors;
    ASSERT_GT(code.size(), 3u);
    EXPECT_EQ(code[0], 0xFFFF0200u);
    EXPECT_EQ(code[1] & 0xFFFF, 0xFFFEu);
    EXPECT_EQ(code[2], 0x42415443u);
    EXPECT_EQ(code.back(), 0x0000FFFFu);
}

TEST(ShaderAssemblerTest, RefusesBadAssemblyAndTheWrongKindOrModel)
{
    const char* sources[] = {
        "pixelshader p { asm { ps_2_0\n bogus r0 } }",
        "pixelshader p { asm { vs_2_0\n mov oPos, c0 } }",
        "pixelshader p { asm { ps_3_0\n mov oC0, c0 } }",
    };
    for (const char* s : sources) {
        EffectSource fx = Parse(std::string(s) + "\ntechnique T { pass P { PixelShader = p; } }");
        std::vector<uint32_t> code;
        std::string errors;
        EXPECT_FALSE(AssembleShader(fx.shaders[0], fx, code, errors)) << s;
        EXPECT_FALSE(errors.empty()) << s;
    }
}
