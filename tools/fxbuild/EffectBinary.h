// Writes the compiled effect (the fx_2_0 binary that D3DXCreateEffect reads) from a parsed
// source and its assembled shaders.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "tools/fxbuild/EffectSource.h"

namespace fxbuild {

// Tag of an fx_2_0 effect binary.
constexpr uint32_t kEffectTag = 0xFEFF0901;

// Shader byte code by shader name, constant tables included.
using ShaderCode = std::map<std::string, std::vector<uint32_t>>;

std::vector<uint8_t> WriteEffectBinary(const EffectSource& fx, const ShaderCode& shaders);

} // namespace fxbuild
