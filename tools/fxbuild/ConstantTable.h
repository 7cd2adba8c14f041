// The constant table a shader carries in a comment block, so that the effect runtime can
// tell which effect parameter feeds which register (D3DXSHADER_CONSTANTTABLE layout).
#pragma once

#include <cstdint>
#include <vector>

#include "tools/fxbuild/EffectSource.h"

namespace fxbuild {

// Returns the constant table comment (comment token, "CTAB", table) for a shader's bindings.
std::vector<uint32_t> BuildConstantTable(const Shader& shader, const EffectSource& fx, uint32_t versionToken);

// Returns the byte code with the constant table placed right after its version token.
std::vector<uint32_t> WithConstantTable(const std::vector<uint32_t>& code, const Shader& shader,
                                        const EffectSource& fx);

} // namespace fxbuild
