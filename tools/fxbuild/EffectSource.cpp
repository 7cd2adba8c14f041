#include "tools/fxbuild/EffectSource.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <map>

#include "tools/fxbuild/StateNames.h"

namespace fxbuild {

namespace {

enum class Tok { End, Ident, Number, String, Punct };

struct Token {
    Tok type = Tok::End;
    std::string text;
    int line = 0;
};

class Lexer {
public:
    explicit Lexer(const std::string& text) : s_(text) {}

    Token Next()
    {
        SkipSpace();
        Token t;
        t.line = line_;
        if (pos_ >= s_.size()) return t;
        char c = s_[pos_];
        if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
            size_t b = pos_;
            while (pos_ < s_.size() && (std::isalnum(static_cast<unsigned char>(s_[pos_])) || s_[pos_] == '_')) ++pos_;
            t.type = Tok::Ident;
            t.text = s_.substr(b, pos_ - b);
        } else if (std::isdigit(static_cast<unsigned char>(c)) || c == '.'
                   || (c == '-' && pos_ + 1 < s_.size()
                       && (std::isdigit(static_cast<unsigned char>(s_[pos_ + 1])) || s_[pos_ + 1] == '.'))) {
            size_t b = pos_++;
            while (pos_ < s_.size() && (std::isalnum(static_cast<unsigned char>(s_[pos_])) || s_[pos_] == '.'
                                        || ((s_[pos_] == '-' || s_[pos_] == '+')
                                            && (s_[pos_ - 1] == 'e' || s_[pos_ - 1] == 'E'))))
                ++pos_;
            t.type = Tok::Number;
            t.text = s_.substr(b, pos_ - b);
        } else if (c == '"') {
            ++pos_;
            t.type = Tok::String;
            for (;;) {
                if (pos_ >= s_.size() || s_[pos_] == '\n') throw SourceError(t.line, "unterminated string");
                char d = s_[pos_++];
                if (d == '"') break;
                if (d == '\\') {
                    if (pos_ >= s_.size()) throw SourceError(t.line, "unterminated string");
                    char e = s_[pos_++];
                    if (e == 'n') d = '\n';
                    else if (e == 't') d = '\t';
                    else if (e == '"' || e == '\\') d = e;
                    else throw SourceError(t.line, std::string("unknown escape \\") + e);
                }
                t.text += d;
            }
        } else {
            ++pos_;
            t.type = Tok::Punct;
            t.text = std::string(1, c);
        }
        return t;
    }

    // The text up to the brace that closes the one just read; assembly is taken as it stands.
    std::string RawBlock(int& line)
    {
        line = line_;
        size_t b = pos_;
        while (pos_ < s_.size() && s_[pos_] != '}') {
            if (s_[pos_] == '\n') ++line_;
            ++pos_;
        }
        if (pos_ >= s_.size()) throw SourceError(line, "assembly block without its closing brace");
        std::string raw = s_.substr(b, pos_ - b);
        ++pos_;
        return raw;
    }

private:
    void SkipSpace()
    {
        for (;;) {
            while (pos_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[pos_]))) {
                if (s_[pos_] == '\n') ++line_;
                ++pos_;
            }
            if (s_.compare(pos_, 2, "//") == 0) {
                while (pos_ < s_.size() && s_[pos_] != '\n') ++pos_;
                continue;
            }
            if (s_.compare(pos_, 2, "/*") == 0) {
                size_t e = s_.find("*/", pos_ + 2);
                if (e == std::string::npos) throw SourceError(line_, "unterminated comment");
                for (size_t i = pos_; i < e; ++i)
                    if (s_[i] == '\n') ++line_;
                pos_ = e + 2;
                continue;
            }
            return;
        }
    }

    const std::string& s_;
    size_t pos_ = 0;
    int line_ = 1;
};

bool KindFromName(const std::string& n, Kind& k)
{
    static const std::map<std::string, Kind> kinds = {
        {"bool", Kind::Bool},     {"int", Kind::Int},           {"float", Kind::Float},
        {"float2", Kind::Float2}, {"float3", Kind::Float3},     {"float4", Kind::Float4},
        {"float4x4", Kind::Float4x4}, {"string", Kind::String}, {"texture", Kind::Texture},
        {"sampler", Kind::Sampler}};
    auto it = kinds.find(n);
    if (it == kinds.end()) return false;
    k = it->second;
    return true;
}

unsigned ComponentCount(Kind k)
{
    switch (k) {
    case Kind::Bool: case Kind::Int: case Kind::Float: return 1;
    case Kind::Float2: return 2;
    case Kind::Float3: return 3;
    case Kind::Float4: return 4;
    case Kind::Float4x4: return 16;
    default: return 0;
    }
}

bool IsFloatKind(Kind k)
{
    return k == Kind::Float || k == Kind::Float2 || k == Kind::Float3 || k == Kind::Float4 || k == Kind::Float4x4;
}

class Parser {
public:
    Parser(const std::string& text, Encoder encode) : lex_(text), encode_(encode) { Advance(); }

    EffectSource Parse()
    {
        while (cur_.type != Tok::End) {
            if (IsIdent("codepage")) {
                Advance();
                codePage_ = static_cast<unsigned>(ParseInteger());
                Expect(";");
            } else if (IsIdent("vertexshader") || IsIdent("pixelshader")) {
                ParseShader();
            } else if (IsIdent("technique")) {
                ParseTechnique();
            } else {
                ParseParameter();
            }
        }
        Check();
        return std::move(fx_);
    }

private:
    void Advance() { cur_ = lex_.Next(); }
    bool IsIdent(const char* s) const { return cur_.type == Tok::Ident && cur_.text == s; }
    bool IsPunct(const char* s) const { return cur_.type == Tok::Punct && cur_.text == s; }

    [[noreturn]] void Fail(const std::string& what) const { throw SourceError(cur_.line, what); }

    void Expect(const char* p)
    {
        if (!IsPunct(p)) Fail(std::string("expected '") + p + "'" + Near());
        Advance();
    }

    std::string Near() const
    {
        if (cur_.type == Tok::End) return " at the end of the file";
        return " before '" + cur_.text + "'";
    }

    std::string ExpectIdent(const char* what)
    {
        if (cur_.type != Tok::Ident) Fail(std::string("expected ") + what + Near());
        std::string s = cur_.text;
        Advance();
        return s;
    }

    long ParseInteger()
    {
        if (cur_.type != Tok::Number) Fail("expected a number" + Near());
        char* end = nullptr;
        long v = std::strtol(cur_.text.c_str(), &end, 0);
        if (*end) Fail("'" + cur_.text + "' is not an integer");
        Advance();
        return v;
    }

    float ParseFloat()
    {
        if (cur_.type != Tok::Number) Fail("expected a number" + Near());
        char* end = nullptr;
        float v = std::strtof(cur_.text.c_str(), &end);
        if (*end && !(end[0] == 'f' && end[1] == 0)) Fail("'" + cur_.text + "' is not a number");
        Advance();
        return v;
    }

    std::string ParseString()
    {
        if (cur_.type != Tok::String) Fail("expected a string" + Near());
        std::string out;
        bool ascii = true;
        for (unsigned char c : cur_.text)
            if (c >= 0x80) ascii = false;
        if (ascii) {
            out = cur_.text;
        } else if (codePage_ == 0) {
            Fail("a string with characters beyond ASCII needs a 'codepage N;' before it");
        } else if (!encode_(cur_.text, codePage_, out)) {
            Fail("the string cannot be written in code page " + std::to_string(codePage_));
        }
        Advance();
        return out;
    }

    uint32_t ParseScalar(Kind k)
    {
        if (k == Kind::Bool && (IsIdent("true") || IsIdent("false"))) {
            uint32_t v = IsIdent("true") ? 1 : 0;
            Advance();
            return v;
        }
        if (IsFloatKind(k)) {
            float f = ParseFloat();
            uint32_t v;
            std::memcpy(&v, &f, 4);
            return v;
        }
        long v = ParseInteger();
        if (k == Kind::Bool) return v ? 1 : 0;
        return static_cast<uint32_t>(v);
    }

    // A numeric value: one scalar, or the components in braces.
    std::vector<uint32_t> ParseNumbers(Kind k)
    {
        unsigned n = ComponentCount(k);
        std::vector<uint32_t> raw;
        if (IsPunct("{")) {
            Advance();
            while (!IsPunct("}")) {
                raw.push_back(ParseScalar(k));
                if (!IsPunct("}")) Expect(",");
            }
            Advance();
        } else {
            raw.push_back(ParseScalar(k));
        }
        if (raw.size() != n) Fail("expected " + std::to_string(n) + " values, got " + std::to_string(raw.size()));
        return raw;
    }

    uint32_t ParseStateValue()
    {
        if (cur_.type == Tok::Number) return static_cast<uint32_t>(ParseInteger());
        std::string name = ExpectIdent("a state value");
        uint32_t v = 0;
        if (!StateValueByName(name, v)) throw SourceError(cur_.line, "unknown state value '" + name + "'");
        return v;
    }

    StateAssign ParseState(bool inSampler)
    {
        StateAssign st;
        st.line = cur_.line;
        st.state = ExpectIdent("a state name");
        StateInfo info;
        if (!StateByName(st.state, info)) throw SourceError(st.line, "unknown state '" + st.state + "'");
        if (info.sampler != inSampler)
            throw SourceError(st.line, "state '" + st.state + (inSampler ? "' does not belong in a sampler"
                                                                        : "' belongs in a sampler"));
        Expect("=");
        if (info.reference == StateRef::Texture) {
            Expect("<");
            st.reference = ExpectIdent("a texture parameter");
            Expect(">");
        } else if (info.reference == StateRef::Shader) {
            st.reference = ExpectIdent("a shader name or NULL");
            if (st.reference == "NULL") {
                st.reference.clear();
                st.null = true;
            }
        } else {
            st.value = ParseStateValue();
        }
        Expect(";");
        return st;
    }

    std::vector<Annotation> ParseAnnotations()
    {
        std::vector<Annotation> out;
        Expect("<");
        while (!IsPunct(">")) {
            Annotation a;
            std::string type = ExpectIdent("an annotation type");
            if (!KindFromName(type, a.kind) || a.kind == Kind::Texture || a.kind == Kind::Sampler)
                Fail("annotations are numbers or strings, not '" + type + "'");
            a.name = ExpectIdent("an annotation name");
            Expect("=");
            if (a.kind == Kind::String) a.text = ParseString();
            else a.raw = ParseNumbers(a.kind);
            Expect(";");
            out.push_back(std::move(a));
        }
        Advance();
        return out;
    }

    void ParseParameter()
    {
        Parameter p;
        p.line = cur_.line;
        std::string type = ExpectIdent("a declaration");
        if (!KindFromName(type, p.kind)) throw SourceError(p.line, "unknown type '" + type + "'");
        p.name = ExpectIdent("a parameter name");
        if (IsPunct(":")) {
            Advance();
            p.semantic = ExpectIdent("a semantic");
        }
        if (IsPunct("<")) p.annotations = ParseAnnotations();
        p.raw.assign(ComponentCount(p.kind), 0);
        if (IsPunct("=")) {
            Advance();
            if (p.kind == Kind::String) {
                p.text = ParseString();
            } else if (p.kind == Kind::Sampler) {
                if (!IsIdent("sampler_state")) Fail("a sampler is initialised with sampler_state { ... }");
                Advance();
                Expect("{");
                while (!IsPunct("}")) p.samplerStates.push_back(ParseState(true));
                Advance();
            } else if (p.kind == Kind::Texture) {
                Fail("a texture parameter takes no default");
            } else {
                p.raw = ParseNumbers(p.kind);
            }
        }
        Expect(";");
        if (fx_.FindParameter(p.name)) throw SourceError(p.line, "parameter '" + p.name + "' declared twice");
        fx_.parameters.push_back(std::move(p));
    }

    void ParseShader()
    {
        Shader sh;
        sh.line = cur_.line;
        sh.pixel = IsIdent("pixelshader");
        Advance();
        sh.name = ExpectIdent("a shader name");
        Expect("{");
        while (IsIdent("bind")) {
            Binding b;
            b.line = cur_.line;
            Advance();
            b.parameter = ExpectIdent("a parameter name");
            std::string reg = ExpectIdent("a register such as c0 or s1");
            char* end = nullptr;
            b.registerSet = reg[0];
            unsigned long index = std::strtoul(reg.c_str() + 1, &end, 10);
            if (reg.size() < 2 || *end || !std::strchr("cibs", b.registerSet))
                throw SourceError(b.line, "'" + reg + "' is not a register (c, i, b or s followed by a number)");
            b.index = static_cast<unsigned>(index);
            Expect(";");
            sh.bindings.push_back(b);
        }
        if (!IsIdent("asm")) Fail("expected 'bind' or 'asm'" + Near());
        Advance();
        if (!IsPunct("{")) Fail("expected '{' after asm");
        int line = 0;
        sh.assembly = lex_.RawBlock(line);
        Advance();
        Expect("}");
        if (fx_.FindShader(sh.name)) throw SourceError(sh.line, "shader '" + sh.name + "' declared twice");
        fx_.shaders.push_back(std::move(sh));
    }

    void ParseTechnique()
    {
        Advance();
        Technique t;
        t.name = ExpectIdent("a technique name");
        Expect("{");
        while (!IsPunct("}")) {
            if (!IsIdent("pass")) Fail("expected 'pass'" + Near());
            Advance();
            Pass p;
            p.name = ExpectIdent("a pass name");
            Expect("{");
            while (!IsPunct("}")) p.states.push_back(ParseState(false));
            Advance();
            t.passes.push_back(std::move(p));
        }
        Advance();
        if (t.passes.empty()) Fail("technique '" + t.name + "' has no pass");
        fx_.techniques.push_back(std::move(t));
    }

    // References are checked once the whole file is read, so declarations may come in any order.
    void Check() const
    {
        if (fx_.techniques.empty()) throw SourceError(cur_.line, "the effect has no technique");
        for (const Parameter& p : fx_.parameters)
            for (const StateAssign& st : p.samplerStates) {
                const Parameter* t = fx_.FindParameter(st.reference);
                if (!st.reference.empty() && (!t || t->kind != Kind::Texture))
                    throw SourceError(st.line, "'" + st.reference + "' is not a texture parameter");
            }
        for (const Shader& sh : fx_.shaders)
            for (const Binding& b : sh.bindings) {
                const Parameter* p = fx_.FindParameter(b.parameter);
                if (!p) throw SourceError(b.line, "shader '" + sh.name + "' binds unknown parameter '" + b.parameter + "'");
                bool sampler = p->kind == Kind::Sampler;
                if (sampler != (b.registerSet == 's'))
                    throw SourceError(b.line, "'" + b.parameter + (sampler ? "' is a sampler: bind it to an s register"
                                                                          : "' can only be bound to c, i or b registers"));
                if (p->kind == Kind::String || p->kind == Kind::Texture)
                    throw SourceError(b.line, "'" + b.parameter + "' cannot be read by a shader");
            }
        for (const Technique& t : fx_.techniques)
            for (const Pass& p : t.passes)
                for (const StateAssign& st : p.states) {
                    if (st.reference.empty()) continue;
                    const Shader* sh = fx_.FindShader(st.reference);
                    StateInfo info;
                    StateByName(st.state, info);
                    if (!sh) throw SourceError(st.line, "unknown shader '" + st.reference + "'");
                    if (sh->pixel != info.pixelShader)
                        throw SourceError(st.line, "'" + st.reference + "' is not a " +
                                                       (info.pixelShader ? "pixel" : "vertex") + " shader");
                }
    }

    Lexer lex_;
    Encoder encode_;
    Token cur_;
    unsigned codePage_ = 0;
    EffectSource fx_;
};

} // namespace

const Parameter* EffectSource::FindParameter(const std::string& name) const
{
    for (const Parameter& p : parameters)
        if (p.name == name) return &p;
    return nullptr;
}

const Shader* EffectSource::FindShader(const std::string& name) const
{
    for (const Shader& s : shaders)
        if (s.name == name) return &s;
    return nullptr;
}

unsigned RegisterCount(Kind kind) { return kind == Kind::Float4x4 ? 4 : 1; }

EffectSource ParseEffectSource(const std::string& text, Encoder encode)
{
    return Parser(text, encode).Parse();
}

} // namespace fxbuild
