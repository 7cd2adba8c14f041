#include "tools/fxbuild/ShaderAssembler.h"

#include <windows.h>
#include <d3dx9.h>

#include <cstring>

#include "tools/fxbuild/ConstantTable.h"

namespace fxbuild {

namespace {

struct BufferPtr {
    ID3DXBuffer* p = nullptr;
    ~BufferPtr() { if (p) p->Release(); }
};

} // namespace

bool AssembleShader(const Shader& shader, const EffectSource& fx, std::vector<uint32_t>& code, std::string& errors)
{
    BufferPtr out, messages;
    HRESULT hr = D3DXAssembleShader(shader.assembly.c_str(), static_cast<UINT>(shader.assembly.size()), nullptr,
                                    nullptr, 0, &out.p, &messages.p);
    if (FAILED(hr) || !out.p) {
        errors = messages.p ? std::string(static_cast<const char*>(messages.p->GetBufferPointer()),
                                          messages.p->GetBufferSize())
                            : "the assembler refused the shader";
        while (!errors.empty() && (errors.back() == 0 || errors.back() == '\n')) errors.pop_back();
        return false;
    }
    const DWORD size = out.p->GetBufferSize();
    std::vector<uint32_t> raw(size / 4);
    std::memcpy(raw.data(), out.p->GetBufferPointer(), raw.size() * 4);
    const uint32_t wanted = shader.pixel ? 0xFFFF0000u : 0xFFFE0000u;
    if (raw.empty() || (raw[0] & 0xFFFF0000u) != wanted) {
        errors = std::string("the assembly is not a ") + (shader.pixel ? "pixel" : "vertex") + " shader";
        return false;
    }
    if ((raw[0] & 0xFFFF) != 0x0200) {
        errors = "only shader model 2.0 (vs_2_0, ps_2_0) is accepted";
        return false;
    }
    code = WithConstantTable(raw, shader, fx);
    return true;
}

bool EncodeForCodePage(const std::string& utf8, unsigned codePage, std::string& out)
{
    int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    if (n <= 0) return false;
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &wide[0], n);
    BOOL lost = FALSE;
    int m = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide.data(), n, nullptr, 0, nullptr, &lost);
    if (m <= 0 || lost) return false;
    out.assign(static_cast<size_t>(m), '\0');
    WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide.data(), n, &out[0], m, nullptr, &lost);
    return !lost;
}

} // namespace fxbuild
