// The effect source our effect compiler reads: parameters with defaults and annotations,
// samplers bound to textures, shaders written in vs_2_0 / ps_2_0 assembly with the effect
// parameters they read bound to registers, and techniques of passes with their states.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace fxbuild {

// The parameter kinds an effect source may declare; each maps to one D3DX parameter type
// and class in the compiled effect.
enum class Kind { Bool, Int, Float, Float2, Float3, Float4, Float4x4, String, Texture, Sampler };

struct SourceError : std::runtime_error {
    SourceError(int line, const std::string& what)
        : std::runtime_error(what), line(line) {}
    int line;
};

// A state assignment: a render or sampler state set to a number or named constant, a
// shader state naming a shader block, or a sampler's Texture naming a texture parameter.
struct StateAssign {
    std::string state;
    std::string reference;   // shader or texture name when the state refers to one
    bool null = false;       // a shader state set to NULL: fixed-function processing
    uint32_t value = 0;      // the number otherwise
    int line = 0;
};

struct Annotation {
    Kind kind = Kind::Float;
    std::string name;
    std::vector<uint32_t> raw;   // numbers as stored (floats by bit pattern)
    std::string text;            // string annotations, already in their code page
};

struct Parameter {
    Kind kind = Kind::Float;
    std::string name;
    std::string semantic;
    std::vector<Annotation> annotations;
    std::vector<uint32_t> raw;           // the default (zeros when none was given)
    std::string text;                    // the default of a string parameter
    std::vector<StateAssign> samplerStates;
    int line = 0;
};

// One effect parameter read by a shader, and where: register set 'c' (float4), 'i' (int4),
// 'b' (bool) or 's' (sampler) and its first register.
struct Binding {
    std::string parameter;
    char registerSet = 'c';
    unsigned index = 0;
    int line = 0;
};

struct Shader {
    bool pixel = true;
    std::string name;
    std::vector<Binding> bindings;
    std::string assembly;
    int line = 0;
};

struct Pass {
    std::string name;
    std::vector<StateAssign> states;
};

struct Technique {
    std::string name;
    std::vector<Pass> passes;
};

struct EffectSource {
    std::vector<Parameter> parameters;
    std::vector<Shader> shaders;
    std::vector<Technique> techniques;

    const Parameter* FindParameter(const std::string& name) const;
    const Shader* FindShader(const std::string& name) const;
};

// Parses a source held as UTF-8 text. String literals are stored in the code page last
// chosen with "codepage N;" (none chosen: plain ASCII only); `encode` converts UTF-8 text
// to a code page and returns false when it cannot. Throws SourceError.
using Encoder = bool (*)(const std::string& utf8, unsigned codePage, std::string& out);
EffectSource ParseEffectSource(const std::string& text, Encoder encode);

// Registers a parameter of this kind takes in a shader (a 4x4 matrix takes four).
unsigned RegisterCount(Kind kind);

} // namespace fxbuild
