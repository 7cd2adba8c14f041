#include "tools/fxbuild/ConstantTable.h"

#include <cstring>
#include <stdexcept>
#include <string>

namespace fxbuild {

namespace {

// Register sets, parameter classes and types as the constant table stores them.
enum : uint16_t { kRsBool = 0, kRsInt4 = 1, kRsFloat4 = 2, kRsSampler = 3 };
enum : uint16_t { kPcScalar = 0, kPcVector = 1, kPcMatrixColumns = 3, kPcObject = 4 };
enum : uint16_t { kPtBool = 1, kPtInt = 2, kPtFloat = 3, kPtSampler2D = 12 };

constexpr uint32_t kCommentToken = 0xFFFE;
constexpr uint32_t kCtabTag = 0x42415443;   // "CTAB"
constexpr uint32_t kHeaderSize = 28;        // sizeof(D3DXSHADER_CONSTANTTABLE)
constexpr uint32_t kInfoSize = 20;          // sizeof(D3DXSHADER_CONSTANTINFO)
constexpr uint32_t kTypeSize = 16;          // sizeof(D3DXSHADER_TYPEINFO)

class Bytes {
public:
    uint32_t Size() const { return static_cast<uint32_t>(b_.size()); }
    void U16(uint16_t v) { b_.push_back(static_cast<uint8_t>(v)); b_.push_back(static_cast<uint8_t>(v >> 8)); }
    void U32(uint32_t v) { U16(static_cast<uint16_t>(v)); U16(static_cast<uint16_t>(v >> 16)); }
    void SetU32(uint32_t at, uint32_t v) { std::memcpy(&b_[at], &v, 4); }
    uint32_t Text(const std::string& s)
    {
        uint32_t at = Size();
        b_.insert(b_.end(), s.begin(), s.end());
        b_.push_back(0);
        return at;
    }
    void Align() { while (b_.size() % 4) b_.push_back(0); }
    const std::vector<uint8_t>& Data() const { return b_; }

private:
    std::vector<uint8_t> b_;
};

struct TypeDesc {
    uint16_t cls, type, rows, columns;
};

TypeDesc TypeFor(const Parameter& p, char registerSet)
{
    if (registerSet == 's') return {kPcObject, kPtSampler2D, 1, 1};
    uint16_t type = registerSet == 'c' ? kPtFloat : registerSet == 'i' ? kPtInt : kPtBool;
    switch (p.kind) {
    case Kind::Float2: return {kPcVector, type, 1, 2};
    case Kind::Float3: return {kPcVector, type, 1, 3};
    case Kind::Float4: return {kPcVector, type, 1, 4};
    // Matrices are kept column by column in registers, so "m4x4 r, v, c0" multiplies a row
    // vector by the parameter as the effect holds it (row-major).
    case Kind::Float4x4: return {kPcMatrixColumns, type, 4, 4};
    default: return {kPcScalar, type, 1, 1};
    }
}

uint16_t RegisterSetOf(char r)
{
    switch (r) {
    case 'b': return kRsBool;
    case 'i': return kRsInt4;
    case 's': return kRsSampler;
    default: return kRsFloat4;
    }
}

} // namespace

std::vector<uint32_t> BuildConstantTable(const Shader& shader, const EffectSource& fx, uint32_t versionToken)
{
    const uint32_t n = static_cast<uint32_t>(shader.bindings.size());
    Bytes t;
    // Header; string offsets are patched once the strings are placed.
    t.U32(kHeaderSize);
    t.U32(0);                         // creator
    t.U32(versionToken);
    t.U32(n);
    t.U32(n ? kHeaderSize : 0);       // constant infos follow the header
    t.U32(0);                         // flags
    t.U32(0);                         // target
    const uint32_t infos = t.Size();
    for (uint32_t i = 0; i < n; ++i)
        for (uint32_t k = 0; k < kInfoSize / 4; ++k) t.U32(0);
    std::vector<uint32_t> typeAt(n);
    for (uint32_t i = 0; i < n; ++i) {
        const Binding& b = shader.bindings[i];
        const Parameter* p = fx.FindParameter(b.parameter);
        TypeDesc d = TypeFor(*p, b.registerSet);
        typeAt[i] = t.Size();
        t.U16(d.cls);
        t.U16(d.type);
        t.U16(d.rows);
        t.U16(d.columns);
        t.U16(1);                     // elements
        t.U16(0);                     // struct members
        t.U32(0);                     // member infos
    }
    for (uint32_t i = 0; i < n; ++i) {
        const Binding& b = shader.bindings[i];
        const Parameter* p = fx.FindParameter(b.parameter);
        uint32_t name = t.Text(b.parameter);
        uint32_t at = infos + i * kInfoSize;
        t.SetU32(at, name);
        uint32_t count = b.registerSet == 's' ? 1 : RegisterCount(p->kind);
        t.SetU32(at + 4, RegisterSetOf(b.registerSet) | (b.index << 16));
        t.SetU32(at + 8, count);      // register count; the reserved half stays zero
        t.SetU32(at + 12, typeAt[i]);
        t.SetU32(at + 16, 0);         // no default value
    }
    t.SetU32(4, t.Text("Ravelmixer fxbuild"));
    t.SetU32(24, t.Text(std::string(shader.pixel ? "ps_" : "vs_") + std::to_string((versionToken >> 8) & 0xFF) + "_" +
                        std::to_string(versionToken & 0xFF)));
    t.Align();

    std::vector<uint32_t> out;
    const uint32_t words = t.Size() / 4 + 1;   // the table and its tag
    if (words > 0x7FFF) throw std::runtime_error("constant table of shader '" + shader.name + "' is too large");
    out.push_back(kCommentToken | (words << 16));
    out.push_back(kCtabTag);
    const std::vector<uint8_t>& d = t.Data();
    for (size_t i = 0; i < d.size(); i += 4) {
        uint32_t w;
        std::memcpy(&w, &d[i], 4);
        out.push_back(w);
    }
    return out;
}

std::vector<uint32_t> WithConstantTable(const std::vector<uint32_t>& code, const Shader& shader,
                                        const EffectSource& fx)
{
    if (code.empty()) throw std::runtime_error("shader '" + shader.name + "' assembled to nothing");
    std::vector<uint32_t> table = BuildConstantTable(shader, fx, code[0]);
    std::vector<uint32_t> out;
    out.reserve(code.size() + table.size());
    out.push_back(code[0]);
    out.insert(out.end(), table.begin(), table.end());
    out.insert(out.end(), code.begin() + 1, code.end());
    return out;
}

} // namespace fxbuild
