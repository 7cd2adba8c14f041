#include "app/engine/EffectFileCheck.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr uint32_t kTag = 0xFEFF0901;
constexpr uint32_t kStateCount = 0xB3;   // operations of the runtime's state table
constexpr uint32_t kNone = 0xFFFFFFFF;
constexpr int kMaxDepth = 8;
// Work allowed per byte of the file. Every type record, value element and state of a sound
// file stands for at least four bytes of it; without a bound, nested arrays of empty
// structures or states that point back at one value multiply into billions of visits.
constexpr size_t kStepsPerByte = 1;

// Parameter classes and types as stored.
enum : uint32_t { kScalar = 0, kVector = 1, kMatrixRows = 2, kMatrixColumns = 3, kObject = 4, kStruct = 5 };
enum : uint32_t { kString = 4, kTexture = 5, kTextureCube = 9, kSampler = 10, kSamplerCube = 14,
                  kPixelShader = 15, kVertexShader = 16 };

struct Type {
    uint32_t type = 0, cls = 0, elements = 0, rows = 0, columns = 0;
    std::vector<Type> members;
};

class Checker {
public:
    Checker(const BYTE* data, size_t size) : d_(data), n_(size), steps_(size * kStepsPerByte + 64) {}

    bool Run()
    {
        uint32_t tag, start;
        if (!At(0, tag) || tag != kTag || !At(4, start)) return false;
        base_ = 8;
        size_t p = base_ + static_cast<size_t>(start);
        uint32_t params, techniques, unknown;
        if (!Read(p, params) || !Read(p, techniques) || !Read(p, unknown) || !Read(p, objects_)) return false;
        if (!Plausible(params) || !Plausible(techniques) || !Plausible(objects_)) return false;
        claims_.assign(objects_, {});
        samplerStates_.assign(params, kNone);
        for (uint32_t i = 0; i < params; ++i) {
            uint32_t typeAt, valueAt, flags, annotations;
            if (!Read(p, typeAt) || !Read(p, valueAt) || !Read(p, flags) || !Read(p, annotations)) return false;
            Type t;
            samplerRecord_.clear();
            if (!TypeAt(typeAt, t, 0) || !ValueAt(valueAt, t, 0, &samplerStates_[i])) return false;
            samplerObjects_.push_back(samplerRecord_);
            if (!Annotations(p, annotations)) return false;
        }
        for (uint32_t i = 0; i < techniques; ++i) {
            uint32_t name, annotations, passes;
            if (!Read(p, name) || !NameAt(name) || !Read(p, annotations) || !Annotations(p, annotations)) return false;
            if (!Read(p, passes) || !Plausible(passes)) return false;
            std::vector<std::vector<StateObject>> states(passes);
            for (uint32_t k = 0; k < passes; ++k) {
                uint32_t count;
                if (!Read(p, name) || !NameAt(name) || !Read(p, annotations)) return false;
                if (!Read(p, count) || !Plausible(count) || !Annotations(p, annotations)) return false;
                for (uint32_t s = 0; s < count; ++s)
                    if (!State(p, 0, &states[k])) return false;
            }
            passStates_.push_back(states);
        }
        uint32_t strings, resources;
        if (!Read(p, strings) || !Read(p, resources) || !Plausible(strings) || !Plausible(resources)) return false;
        for (uint32_t i = 0; i < strings; ++i) {
            uint32_t id;
            size_t at, size;
            if (!Read(p, id) || id >= objects_ || !Blob(p, at, size)) return false;
            // The runtime makes the string for the one parameter that holds this object.
            if (claims_[id].size() != 1 || claims_[id][0] != kString) return false;
            if (size && d_[at + size - 1] != 0) return false;   // strings end in their terminator
        }
        for (uint32_t i = 0; i < resources; ++i)
            if (!Resource(p)) return false;
        return true;
    }

private:
    bool At(size_t at, uint32_t& v) const
    {
        if (at > n_ || n_ - at < 4) return false;
        std::memcpy(&v, d_ + at, 4);
        return true;
    }
    bool Read(size_t& p, uint32_t& v)
    {
        if (!At(p, v)) return false;
        p += 4;
        return true;
    }
    bool Plausible(uint32_t count) const { return count <= n_ / 4; }
    bool Step()
    {
        if (steps_ == 0) return false;
        --steps_;
        return true;
    }
    bool Range(size_t at, size_t size) const { return at <= n_ && size <= n_ - at; }

    // A length-prefixed block (its data padded to whole words).
    bool Blob(size_t& p, size_t& at, size_t& size)
    {
        uint32_t s;
        if (!Read(p, s) || !Range(p, s)) return false;
        at = p;
        size = s;
        p += (static_cast<size_t>(s) + 3) & ~static_cast<size_t>(3);
        return p <= n_;
    }

    // Parameters, annotations, struct members, techniques and passes are looked up by name,
    // so theirs must not be empty; a semantic or a state's type may have none.
    bool NameAt(uint32_t offset, bool required = true)
    {
        size_t p = base_ + offset, at, size;
        if (!Blob(p, at, size)) return false;
        if (size == 0) return !required;
        return d_[at] != 0 && std::memchr(d_ + at, 0, size) != nullptr;
    }

    bool TypeAt(uint32_t offset, Type& t, int depth, bool named = true)
    {
        size_t p = base_ + offset;
        return ReadType(p, t, depth, named);
    }

    bool ReadType(size_t& p, Type& t, int depth, bool named = true)
    {
        if (depth > kMaxDepth || !Step()) return false;
        uint32_t name, semantic;
        if (!Read(p, t.type) || !Read(p, t.cls) || !Read(p, name) || !Read(p, semantic) || !Read(p, t.elements))
            return false;
        if (!NameAt(name, named) || !NameAt(semantic, false) || !Plausible(t.elements)) return false;
        switch (t.cls) {
        case kVector:
            if (!Read(p, t.columns) || !Read(p, t.rows)) return false;
            break;
        case kScalar: case kMatrixRows: case kMatrixColumns:
            if (!Read(p, t.rows) || !Read(p, t.columns)) return false;
            break;
        case kStruct: {
            uint32_t members;
            if (!Read(p, members) || !Plausible(members)) return false;
            t.members.resize(members);
            for (Type& m : t.members)
                if (!ReadType(p, m, depth + 1)) return false;
            break;
        }
        case kObject:
            if (t.type != kString && !(t.type >= kTexture && t.type <= kSamplerCube) && t.type != kPixelShader &&
                t.type != kVertexShader)
                return false;
            break;
        default:
            return false;
        }
        if (t.cls != kObject && t.cls != kStruct && (t.rows < 1 || t.rows > 4 || t.columns < 1 || t.columns > 4))
            return false;
        return true;
    }

    // Bytes the runtime copies from the value's offset (objects are pointers in memory); any
    // count past the file's size is reported as one byte more than the file holds, so nested
    // element counts cannot wrap round to a small number.
    size_t Bytes(const Type& t) const
    {
        const uint64_t past = uint64_t(n_) + 1;
        uint64_t one = 0;
        if (t.cls == kStruct)
            for (const Type& m : t.members) one = std::min<uint64_t>(past, one + Bytes(m));
        else if (t.cls != kObject)
            one = 4u * uint64_t(t.rows) * t.columns;
        return size_t(std::min<uint64_t>(past, one * (t.elements ? t.elements : 1)));
    }

    bool ValueAt(uint32_t offset, const Type& t, int depth, uint32_t* samplerStates = nullptr)
    {
        size_t p = base_ + offset;
        if (!Range(p, Bytes(t))) return false;
        return Walk(p, t, depth, samplerStates);
    }

    bool Walk(size_t& p, const Type& t, int depth, uint32_t* samplerStates)
    {
        if (depth > kMaxDepth) return false;
        const uint32_t count = t.elements ? t.elements : 1;
        for (uint32_t e = 0; e < count; ++e) {
            if (!Step()) return false;
            if (t.cls == kStruct) {
                for (const Type& m : t.members)
                    if (!Walk(p, m, depth + 1, nullptr)) return false;
            } else if (t.cls == kObject && t.type >= kSampler && t.type <= kSamplerCube) {
                uint32_t states;
                if (!Read(p, states) || !Plausible(states)) return false;
                std::vector<StateObject> record;
                for (uint32_t s = 0; s < states; ++s)
                    if (!State(p, depth + 1, &record)) return false;
                if (samplerStates && (*samplerStates == kNone || states < *samplerStates)) {
                    *samplerStates = states;
                    samplerRecord_ = record;
                }
            } else if (t.cls == kObject) {
                uint32_t id;
                if (!Read(p, id) || id >= objects_) return false;
                claims_[id].push_back(t.type);
                lastObject_ = id;
            }
        }
        return true;
    }

    // Records each state's type and object (none for a state whose value names no object):
    // a resource later gives the object its data.
    struct StateObject {
        uint32_t type = 0, cls = 0, id = kNone;
    };

    bool State(size_t& p, int depth = 0, std::vector<StateObject>* record = nullptr)
    {
        uint32_t op, index, typeAt, valueAt;
        if (!Read(p, op) || !Read(p, index) || !Read(p, typeAt) || !Read(p, valueAt)) return false;
        if (op >= kStateCount) return false;
        Type t;
        lastObject_ = kNone;
        if (!TypeAt(typeAt, t, depth, false) || t.elements || !ValueAt(valueAt, t, depth)) return false;
        if (record) record->push_back({t.type, t.cls, t.cls == kObject ? lastObject_ : kNone});
        return true;
    }

    bool Annotations(size_t& p, uint32_t count)
    {
        if (!Plausible(count)) return false;
        for (uint32_t i = 0; i < count; ++i) {
            uint32_t typeAt, valueAt;
            Type t;
            if (!Read(p, typeAt) || !Read(p, valueAt) || !TypeAt(typeAt, t, 0) || !ValueAt(valueAt, t, 0)) return false;
        }
        return true;
    }

    bool Resource(size_t& p)
    {
        uint32_t technique, index, element, state, usage;
        if (!Read(p, technique) || !Read(p, index) || !Read(p, element) || !Read(p, state) || !Read(p, usage))
            return false;
        StateObject target;
        if (technique == kNone) {
            // A sampler state of a parameter: the parameter must be a sampler with that state.
            if (index >= samplerStates_.size() || samplerStates_[index] == kNone || state >= samplerStates_[index])
                return false;
            target = samplerObjects_[index][state];
        } else {
            if (technique >= passStates_.size() || index >= passStates_[technique].size() ||
                state >= passStates_[technique][index].size())
                return false;
            target = passStates_[technique][index][state];
        }
        // Data is stored into the state's object, which must exist and be its own.
        if (target.cls == kObject && (target.id >= claims_.size() || claims_[target.id].size() != 1)) return false;
        if (usage == 0 && target.cls == kObject && target.type != kPixelShader && target.type != kVertexShader &&
            target.type != kString)
            return false;
        size_t at, size;
        if (!Blob(p, at, size)) return false;
        switch (usage) {
        case 0: return size == 0 || Code(at, size);
        case 1: return size > 0 && d_[at + size - 1] == 0;
        case 2: {
            uint32_t nameSize;
            return size >= 8 && At(at, nameSize) && nameSize <= size - 8 && std::memchr(d_ + at + 4, 0, nameSize);
        }
        default: return false;
        }
    }

    // Shader (or expression) code: whole words and a version token; a shader of model 2.0 or
    // later is walked instruction by instruction (each gives its length) and must end with
    // the end token; comment blocks, constant tables included, lie inside the code.
    bool Code(size_t at, size_t size)
    {
        if (size < 8 || size % 4) return false;
        uint32_t version = 0;
        At(at, version);
        const bool shader = (version & 0xFFFE0000u) == 0xFFFE0000u;
        if (!shader && (version & 0xFFFF0000u) != 0x46580000u) return false;
        if (shader && ((version >> 8) & 0xFF) < 2) return false;
        size_t p = at + 4;
        const size_t end = at + size;
        while (p + 4 <= end) {
            uint32_t token = 0;
            At(p, token);
            if (shader && token == 0x0000FFFFu) return p + 4 == end;
            if ((token & 0xFFFF) == 0xFFFE) {
                const size_t words = (token >> 16) & 0x7FFF;
                if (words * 4 > end - p - 4) return false;
                uint32_t fourcc = 0;
                if (words >= 1) At(p + 4, fourcc);
                if (fourcc == 0x42415443 && !ConstantTable(p + 8, words * 4 - 4)) return false;
                p += 4 + words * 4;
                continue;
            }
            if (!shader) {
                p += 4;
                continue;
            }
            // Opcodes up to breakp (0x60) and phase; every argument of an instruction is a
            // parameter token (top bit set), except the values a def, defi or defb gives.
            const uint32_t opcode = token & 0xFFFF;
            if (opcode > 0x60 && opcode != 0xFFFD) return false;
            const size_t length = (token >> 24) & 0x0F;
            if (length * 4 > end - p - 4) return false;
            const bool definition = opcode == 0x51 || opcode == 0x53 || opcode == 0x54;
            for (size_t k = 0; k < length; ++k) {
                uint32_t arg = 0;
                At(p + 4 + k * 4, arg);
                if (definition && k > 0) continue;
                if (!(arg & 0x80000000u)) return false;
                // The register type, split over two bit fields, must be one the runtime knows
                // (a declaration's first token is a usage, not a register).
                const uint32_t registerType = ((arg >> 28) & 7) | ((arg >> 8) & 0x18);
                if (opcode == 0x1F && k == 0) continue;
                if (registerType > 19 || (arg & 0xC000)) return false;   // bits 14-15 are reserved
                // Relative addressing only of a vertex shader's constants.
                if ((arg & 0x2000) && !((version & 0xFFFF0000u) == 0xFFFE0000u && registerType == 2)) return false;
            }
            p += 4 + length * 4;
        }
        return !shader;
    }

    bool ConstantTable(size_t at, size_t size)
    {
        uint32_t h[7];
        if (size < sizeof(h)) return false;
        std::memcpy(h, d_ + at, sizeof(h));
        auto text = [&](uint32_t off) { return off < size && std::memchr(d_ + at + off, 0, size - off); };
        if (h[0] != 28 || !text(h[1]) || !text(h[6])) return false;
        const uint32_t count = h[3], infos = h[4];
        if (count > size / 20 || infos > size || count * 20 > size - infos) return false;
        for (uint32_t i = 0; i < count; ++i) {
            uint32_t name, type;
            std::memcpy(&name, d_ + at + infos + i * 20, 4);
            std::memcpy(&type, d_ + at + infos + i * 20 + 12, 4);
            if (!text(name) || type > size || size - type < 16) return false;
            uint16_t registerSet;
            std::memcpy(&registerSet, d_ + at + infos + i * 20 + 4, 2);
            uint16_t t[5];   // class, type, rows, columns, elements
            std::memcpy(t, d_ + at + type, sizeof(t));
            if (registerSet > 3 || t[0] > kStruct || t[1] > kVertexShader || t[2] > 4 || t[3] > 4 || t[4] < 1)
                return false;
            uint16_t members;
            uint32_t memberInfo;
            std::memcpy(&members, d_ + at + type + 10, 2);
            std::memcpy(&memberInfo, d_ + at + type + 12, 4);
            // Members of structured constants are not taken apart here; effects made by
            // fxbuild have none.
            if (members) return false;
            (void)memberInfo;
        }
        return true;
    }

    const BYTE* d_;
    size_t n_;
    size_t base_ = 8;
    uint32_t objects_ = 0;
    std::vector<uint32_t> samplerStates_;
    std::vector<std::vector<std::vector<StateObject>>> passStates_;
    std::vector<std::vector<StateObject>> samplerObjects_;
    std::vector<StateObject> samplerRecord_;
    std::vector<std::vector<uint32_t>> claims_;   // the types of the values holding each object
    uint32_t lastObject_ = kNone;
    size_t steps_;
};

} // namespace

bool IsWellFormedEffect(const BYTE* data, size_t size)
{
    if (!data) return false;
    return Checker(data, size).Run();
}
