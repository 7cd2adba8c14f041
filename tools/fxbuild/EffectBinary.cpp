#include "tools/fxbuild/EffectBinary.h"

#include <cstring>
#include <stdexcept>
#include <tuple>

#include "tools/fxbuild/StateNames.h"

namespace fxbuild {

namespace {

// Parameter types and classes as the effect binary stores them (D3DXPARAMETER_TYPE and
// D3DXPARAMETER_CLASS values).
enum : uint32_t { kPtBool = 1, kPtInt = 2, kPtFloat = 3, kPtString = 4, kPtTexture = 5,
                  kPtSampler2D = 12, kPtPixelShader = 15, kPtVertexShader = 16 };
enum : uint32_t { kPcScalar = 0, kPcVector = 1, kPcMatrixRows = 2, kPcObject = 4 };

constexpr uint32_t kNone = 0xFFFFFFFF;

class Words {
public:
    uint32_t Size() const { return static_cast<uint32_t>(b_.size()); }
    uint32_t U32(uint32_t v)
    {
        uint32_t at = Size();
        for (int i = 0; i < 4; ++i) b_.push_back(static_cast<uint8_t>(v >> (8 * i)));
        return at;
    }
    // A length-prefixed block padded to whole words (names, strings and shader code).
    uint32_t Block(const void* data, uint32_t size)
    {
        uint32_t at = U32(size);
        const uint8_t* p = static_cast<const uint8_t*>(data);
        b_.insert(b_.end(), p, p + size);
        while (b_.size() % 4) b_.push_back(0);
        return at;
    }
    uint32_t Name(const std::string& s) { return Block(s.c_str(), static_cast<uint32_t>(s.size() + 1)); }
    const std::vector<uint8_t>& Data() const { return b_; }

private:
    std::vector<uint8_t> b_;
};

struct TypeOf {
    uint32_t type, cls, rows, columns;
};

TypeOf TypeFor(Kind k)
{
    switch (k) {
    case Kind::Bool: return {kPtBool, kPcScalar, 1, 1};
    case Kind::Int: return {kPtInt, kPcScalar, 1, 1};
    case Kind::Float: return {kPtFloat, kPcScalar, 1, 1};
    case Kind::Float2: return {kPtFloat, kPcVector, 1, 2};
    case Kind::Float3: return {kPtFloat, kPcVector, 1, 3};
    case Kind::Float4: return {kPtFloat, kPcVector, 1, 4};
    case Kind::Float4x4: return {kPtFloat, kPcMatrixRows, 4, 4};
    case Kind::String: return {kPtString, kPcObject, 0, 0};
    case Kind::Texture: return {kPtTexture, kPcObject, 0, 0};
    default: return {kPtSampler2D, kPcObject, 0, 0};
    }
}

// Lays the file out as the runtime reads it: after the tag and one offset comes a data area
// (type definitions, names and values, found by offsets from its start) and then the
// structure (parameters, techniques, strings and resources) that the offset points to.
class Writer {
public:
    Writer(const EffectSource& fx, const ShaderCode& shaders) : fx_(fx), shaders_(shaders)
    {
        data_.U32(0);   // offset 0 reads as an empty name (no semantic)
    }

    std::vector<uint8_t> Write()
    {
        Words params;
        for (uint32_t i = 0; i < fx_.parameters.size(); ++i) WriteParameter(params, i);
        Words techniques;
        for (uint32_t t = 0; t < fx_.techniques.size(); ++t) WriteTechnique(techniques, t);

        Words s;
        s.U32(static_cast<uint32_t>(fx_.parameters.size()));
        s.U32(static_cast<uint32_t>(fx_.techniques.size()));
        s.U32(0);
        s.U32(nextObject_);
        Append(s, params);
        Append(s, techniques);
        s.U32(static_cast<uint32_t>(strings_.size()));
        s.U32(resourceCount_);
        for (const auto& str : strings_) {
            s.U32(str.first);
            s.Block(str.second.c_str(), static_cast<uint32_t>(str.second.size() + 1));
        }
        Append(s, resources_);

        Words file;
        file.U32(kEffectTag);
        file.U32(data_.Size());
        Append(file, data_);
        Append(file, s);
        return file.Data();
    }

private:
    static void Append(Words& to, const Words& from)
    {
        const std::vector<uint8_t>& d = from.Data();
        for (size_t i = 0; i < d.size(); i += 4) {
            uint32_t w;
            std::memcpy(&w, &d[i], 4);
            to.U32(w);
        }
    }

    uint32_t Typedef(Kind k, const std::string& name)
    {
        TypeOf t = TypeFor(k);
        uint32_t nameAt = name.empty() ? 0 : data_.Name(name);
        uint32_t at = data_.U32(t.type);
        data_.U32(t.cls);
        data_.U32(nameAt);
        data_.U32(0);   // semantic
        data_.U32(0);   // elements
        if (t.cls == kPcVector) {
            data_.U32(t.columns);
            data_.U32(t.rows);
        } else if (t.cls != kPcObject) {
            data_.U32(t.rows);
            data_.U32(t.columns);
        }
        return at;
    }

    uint32_t ObjectTypedef(uint32_t type)
    {
        uint32_t at = data_.U32(type);
        data_.U32(kPcObject);
        data_.U32(0);
        data_.U32(0);
        data_.U32(0);
        return at;
    }

    // A state set to a number: an unnamed int typedef and the value; returns both offsets.
    std::pair<uint32_t, uint32_t> ScalarState(uint32_t value)
    {
        uint32_t type = Typedef(Kind::Int, std::string());
        return {type, data_.U32(value)};
    }

    uint32_t StringValue(const std::string& text)
    {
        uint32_t id = nextObject_++;
        strings_.emplace_back(id, text);
        return data_.U32(id);
    }

    // Writes the value of a parameter or annotation and returns its offset.
    uint32_t Value(Kind k, const std::vector<uint32_t>& raw, const std::string& text)
    {
        if (k == Kind::String) return StringValue(text);
        if (k == Kind::Texture) return data_.U32(nextObject_++);
        uint32_t at = data_.Size();
        for (uint32_t w : raw) data_.U32(w);
        return at;
    }

    void WriteParameter(Words& out, uint32_t index)
    {
        const Parameter& p = fx_.parameters[index];
        uint32_t type = Typedef(p.kind, p.name);
        uint32_t value;
        if (p.kind == Kind::Sampler) {
            value = SamplerValue(p, index);
        } else {
            value = Value(p.kind, p.raw, p.text);
        }
        std::vector<std::pair<uint32_t, uint32_t>> annotations;
        for (const Annotation& a : p.annotations) {
            uint32_t at = Typedef(a.kind, a.name);
            annotations.emplace_back(at, Value(a.kind, a.raw, a.text));
        }
        out.U32(type);
        out.U32(value);
        out.U32(0);   // flags
        out.U32(static_cast<uint32_t>(annotations.size()));
        for (const auto& a : annotations) {
            out.U32(a.first);
            out.U32(a.second);
        }
    }

    uint32_t SamplerValue(const Parameter& p, uint32_t index)
    {
        std::vector<uint32_t> states;   // operation, index, typedef, value for each state
        for (uint32_t i = 0; i < p.samplerStates.size(); ++i) {
            const StateAssign& st = p.samplerStates[i];
            StateInfo info;
            StateByName(st.state, info);
            uint32_t type, value;
            if (info.reference == StateRef::Texture) {
                type = ObjectTypedef(kPtTexture);
                uint32_t id = nextObject_++;
                value = data_.U32(id);
                // The texture is named, and found by that name when the effect loads.
                resources_.U32(kNone);
                resources_.U32(index);
                resources_.U32(kNone);
                resources_.U32(i);
                resources_.U32(1);
                resources_.Name(st.reference);
                ++resourceCount_;
            } else {
                std::tie(type, value) = ScalarState(st.value);
            }
            states.insert(states.end(), {info.operation, 0, type, value});
        }
        uint32_t at = data_.U32(static_cast<uint32_t>(p.samplerStates.size()));
        for (uint32_t w : states) data_.U32(w);
        return at;
    }

    void WriteTechnique(Words& out, uint32_t t)
    {
        const Technique& tech = fx_.techniques[t];
        out.U32(data_.Name(tech.name));
        out.U32(0);   // annotations
        out.U32(static_cast<uint32_t>(tech.passes.size()));
        for (uint32_t p = 0; p < tech.passes.size(); ++p) {
            const Pass& pass = tech.passes[p];
            out.U32(data_.Name(pass.name));
            out.U32(0);
            out.U32(static_cast<uint32_t>(pass.states.size()));
            for (uint32_t s = 0; s < pass.states.size(); ++s) {
                const StateAssign& st = pass.states[s];
                StateInfo info;
                StateByName(st.state, info);
                uint32_t type, value;
                if (info.reference == StateRef::Shader && st.null) {
                    // An object with no code: the runtime sets no shader for this pass.
                    type = ObjectTypedef(info.pixelShader ? kPtPixelShader : kPtVertexShader);
                    value = data_.U32(nextObject_++);
                } else if (info.reference == StateRef::Shader) {
                    auto code = shaders_.find(st.reference);
                    if (code == shaders_.end()) throw std::runtime_error("shader '" + st.reference + "' was not assembled");
                    type = ObjectTypedef(info.pixelShader ? kPtPixelShader : kPtVertexShader);
                    value = data_.U32(nextObject_++);
                    // The shader's code travels as a resource of this pass state.
                    resources_.U32(t);
                    resources_.U32(p);
                    resources_.U32(kNone);
                    resources_.U32(s);
                    resources_.U32(0);
                    resources_.Block(code->second.data(), static_cast<uint32_t>(code->second.size() * 4));
                    ++resourceCount_;
                } else {
                    std::tie(type, value) = ScalarState(st.value);
                }
                out.U32(info.operation);
                out.U32(0);
                out.U32(type);
                out.U32(value);
            }
        }
    }

    const EffectSource& fx_;
    const ShaderCode& shaders_;
    Words data_;
    Words resources_;
    uint32_t resourceCount_ = 0;
    uint32_t nextObject_ = 1;   // object 0 is left unused
    std::vector<std::pair<uint32_t, std::string>> strings_;
};

} // namespace

std::vector<uint8_t> WriteEffectBinary(const EffectSource& fx, const ShaderCode& shaders)
{
    return Writer(fx, shaders).Write();
}

} // namespace fxbuild
