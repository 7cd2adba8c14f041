// The states an effect pass or sampler may set, by the names effect sources use, with the
// operation number each has in a compiled effect (the index into the effect runtime's
// state table, which differs from the D3DRENDERSTATETYPE value).
#pragma once

#include <cstdint>
#include <string>

namespace fxbuild {

enum class StateRef { None, Shader, Texture };

struct StateInfo {
    uint32_t operation = 0;
    bool sampler = false;        // belongs in sampler_state { }
    StateRef reference = StateRef::None;
    bool pixelShader = false;    // for StateRef::Shader: pixel rather than vertex
};

bool StateByName(const std::string& name, StateInfo& info);
// Named values (TRUE, LINEAR, CLAMP, SRCALPHA, ...); names are not case-sensitive.
bool StateValueByName(const std::string& name, uint32_t& value);

} // namespace fxbuild
