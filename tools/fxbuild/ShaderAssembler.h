// Assembles one shader of an effect source with D3DX and gives it its constant table.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/fxbuild/EffectSource.h"

namespace fxbuild {

// Returns false with the assembler's messages in `errors` when the assembly is refused, or
// when it is not of the kind (vertex or pixel) and model (2.0) its block declares.
bool AssembleShader(const Shader& shader, const EffectSource& fx, std::vector<uint32_t>& code, std::string& errors);

// UTF-8 text to a Windows code page; false when a character has no form there.
bool EncodeForCodePage(const std::string& utf8, unsigned codePage, std::string& out);

} // namespace fxbuild
