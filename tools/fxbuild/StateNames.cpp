#include "tools/fxbuild/StateNames.h"

#include <algorithm>
#include <cctype>

namespace fxbuild {

namespace {

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

struct NamedState {
    const char* name;
    uint32_t operation;
    bool sampler;
    StateRef reference;
    bool pixel;
};

// Operation numbers of the compiled-effect state table: render states from 0x00, shaders
// at 0x92/0x93, the sampler's texture at 0xA4 and the sampler states after it.
const NamedState kStates[] = {
    {"ZEnable", 0x00, false, StateRef::None, false},
    {"FillMode", 0x01, false, StateRef::None, false},
    {"ShadeMode", 0x02, false, StateRef::None, false},
    {"ZWriteEnable", 0x03, false, StateRef::None, false},
    {"AlphaTestEnable", 0x04, false, StateRef::None, false},
    {"SrcBlend", 0x06, false, StateRef::None, false},
    {"DestBlend", 0x07, false, StateRef::None, false},
    {"CullMode", 0x08, false, StateRef::None, false},
    {"ZFunc", 0x09, false, StateRef::None, false},
    {"AlphaRef", 0x0A, false, StateRef::None, false},
    {"AlphaFunc", 0x0B, false, StateRef::None, false},
    {"DitherEnable", 0x0C, false, StateRef::None, false},
    {"AlphaBlendEnable", 0x0D, false, StateRef::None, false},
    {"FogEnable", 0x0E, false, StateRef::None, false},
    {"StencilEnable", 0x16, false, StateRef::None, false},
    {"Lighting", 0x30, false, StateRef::None, false},
    {"ColorWriteEnable", 0x49, false, StateRef::None, false},
    {"BlendOp", 0x4B, false, StateRef::None, false},
    {"VertexShader", 0x92, false, StateRef::Shader, false},
    {"PixelShader", 0x93, false, StateRef::Shader, true},
    {"Texture", 0xA4, true, StateRef::Texture, false},
    {"AddressU", 0xA5, true, StateRef::None, false},
    {"AddressV", 0xA6, true, StateRef::None, false},
    {"AddressW", 0xA7, true, StateRef::None, false},
    {"BorderColor", 0xA8, true, StateRef::None, false},
    {"MagFilter", 0xA9, true, StateRef::None, false},
    {"MinFilter", 0xAA, true, StateRef::None, false},
    {"MipFilter", 0xAB, true, StateRef::None, false},
};

struct NamedValue {
    const char* name;
    uint32_t value;
};

const NamedValue kValues[] = {
    {"false", 0}, {"true", 1},
    // D3DCULL
    {"none", 1}, {"cw", 2}, {"ccw", 3},
    // D3DBLEND
    {"zero", 1}, {"one", 2}, {"srccolor", 3}, {"invsrccolor", 4}, {"srcalpha", 5}, {"invsrcalpha", 6},
    {"destalpha", 7}, {"invdestalpha", 8}, {"destcolor", 9}, {"invdestcolor", 10},
    // D3DBLENDOP
    {"add", 1}, {"subtract", 2}, {"revsubtract", 3}, {"min", 4}, {"max", 5},
    // D3DCMPFUNC
    {"never", 1}, {"less", 2}, {"equal", 3}, {"lessequal", 4}, {"greater", 5}, {"notequal", 6},
    {"greaterequal", 7}, {"always", 8},
    // D3DTEXTUREFILTERTYPE (none is 0 here, so it has its own spelling)
    {"nofilter", 0}, {"point", 1}, {"linear", 2}, {"anisotropic", 3},
    // D3DTEXTUREADDRESS
    {"wrap", 1}, {"mirror", 2}, {"clamp", 3}, {"border", 4}, {"mirroronce", 5},
    // D3DCOLORWRITEENABLE
    {"red", 1}, {"green", 2}, {"blue", 4}, {"alpha", 8}, {"rgba", 15},
};

} // namespace

bool StateByName(const std::string& name, StateInfo& info)
{
    std::string n = Lower(name);
    for (const NamedState& s : kStates)
        if (Lower(s.name) == n) {
            info.operation = s.operation;
            info.sampler = s.sampler;
            info.reference = s.reference;
            info.pixelShader = s.pixel;
            return true;
        }
    return false;
}

bool StateValueByName(const std::string& name, uint32_t& value)
{
    std::string n = Lower(name);
    for (const NamedValue& v : kValues)
        if (n == v.name) {
            value = v.value;
            return true;
        }
    return false;
}

} // namespace fxbuild
