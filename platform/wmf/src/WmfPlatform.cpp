#include "wmfplatform.h"

#include <mutex>

const IID IID_IWMWriterNetworkSink = {0x96406BE7, 0x2B2B, 0x11D3, {0xB3, 0x6B, 0x00, 0xC0, 0x4F, 0x61, 0x08, 0xFF}};
const IID IID_IWMWriterPushSink = {0xDC10E6A5, 0x072C, 0x467D, {0xBF, 0x57, 0x63, 0x30, 0xA9, 0xDD, 0xE1, 0x2A}};
const IID IID_IWMRegisterCallback = {0xCF4B1F99, 0x4DE2, 0x4E49, {0xA3, 0x63, 0x25, 0x27, 0x40, 0xD9, 0x9B, 0xC1}};
const IID IID_IConfigAsfWriter = {0x45086030, 0xF7E4, 0x486A, {0xB5, 0x04, 0x82, 0x6B, 0xB5, 0x79, 0x2A, 0x3B}};

// mingw declares these ids of wmsdkidl.h but no library defines them.
extern "C" {
const IID IID_IWMWriterAdvanced2 = {0x962DC1EC, 0xC046, 0x4DB8, {0x9C, 0xC7, 0x26, 0xCE, 0xAE, 0x50, 0x08, 0x17}};
const IID IID_IWMWriterAdvanced = {0x96406BE3, 0x2B2B, 0x11D3, {0xB3, 0x6B, 0x00, 0xC0, 0x4F, 0x61, 0x08, 0xFF}};
const IID IID_IWMWriter = {0x96406BD4, 0x2B2B, 0x11D3, {0xB3, 0x6B, 0x00, 0xC0, 0x4F, 0x61, 0x08, 0xFF}};
const IID IID_IWMHeaderInfo = {0x96406BDA, 0x2B2B, 0x11D3, {0xB3, 0x6B, 0x00, 0xC0, 0x4F, 0x61, 0x08, 0xFF}};
const IID IID_IWMMediaProps = {0x96406BCE, 0x2B2B, 0x11D3, {0xB3, 0x6B, 0x00, 0xC0, 0x4F, 0x61, 0x08, 0xFF}};
const IID IID_IWMStatusCallback = {0x6D7CDC70, 0x9888, 0x11D3, {0x8E, 0xDC, 0x00, 0xC0, 0x4F, 0x61, 0x09, 0xCF}};
const IID IID_IWMCredentialCallback = {0x342E0EB7, 0xE651, 0x450C, {0x97, 0x5B, 0x2A, 0xCE, 0x2C, 0x90, 0xC4, 0x8E}};
const IID IID_IWMWriterSink = {0x96406BE4, 0x2B2B, 0x11D3, {0xB3, 0x6B, 0x00, 0xC0, 0x4F, 0x61, 0x08, 0xFF}};
const IID IID_IWMProfile = {0x96406BDB, 0x2B2B, 0x11D3, {0xB3, 0x6B, 0x00, 0xC0, 0x4F, 0x61, 0x08, 0xFF}};
const IID IID_IWMProfileManager = {0xD16679F2, 0x6CA0, 0x472D, {0x8D, 0x31, 0x2F, 0x5D, 0x55, 0xAE, 0xE1, 0x55}};
const IID IID_IWMStreamConfig = {0x96406BDC, 0x2B2B, 0x11D3, {0xB3, 0x6B, 0x00, 0xC0, 0x4F, 0x61, 0x08, 0xFF}};
}

namespace wmf {
namespace {

std::mutex g_lock;
bool g_overridden = false;
bool g_loaded = false;
EntryPoints g_entries;

template <typename Fn>
Fn Lookup(HMODULE module, const char* name)
{
    // GetProcAddress answers a generic function pointer; the runtime documents the type.
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

EntryPoints Entries(HRESULT* missingModule)
{
    std::lock_guard<std::mutex> lock(g_lock);
    *missingModule = S_OK;
    if (!g_overridden && !g_loaded) {
        HMODULE module = LoadLibraryW(L"wmvcore.dll");
        if (module != nullptr) {
            g_entries.createProfileManager = Lookup<CreateProfileManagerFn>(module, "WMCreateProfileManager");
            g_entries.createWriterNetworkSink = Lookup<CreateWriterNetworkSinkFn>(module, "WMCreateWriterNetworkSink");
            g_entries.createWriterPushSink = Lookup<CreateWriterPushSinkFn>(module, "WMCreateWriterPushSink");
            g_loaded = true;
        } else {
            *missingModule = HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
        }
    }
    return g_entries;
}

template <typename Fn, typename Out>
HRESULT Call(Fn EntryPoints::*member, Out** out)
{
    if (out == nullptr)
        return E_POINTER;
    *out = nullptr;
    HRESULT missing = S_OK;
    const EntryPoints entries = Entries(&missing);
    if (FAILED(missing))
        return missing;
    Fn fn = entries.*member;
    if (fn == nullptr)
        return HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
    return fn(out);
}

}  // namespace

HRESULT CreateProfileManager(IWMProfileManager** manager)
{
    return Call(&EntryPoints::createProfileManager, manager);
}

HRESULT CreateWriterNetworkSink(IWMWriterNetworkSink** sink)
{
    return Call(&EntryPoints::createWriterNetworkSink, sink);
}

HRESULT CreateWriterPushSink(IWMWriterPushSink** sink)
{
    return Call(&EntryPoints::createWriterPushSink, sink);
}

void SetEntryPoints(const EntryPoints* entries)
{
    std::lock_guard<std::mutex> lock(g_lock);
    if (entries != nullptr) {
        g_entries = *entries;
        g_overridden = true;
    } else {
        g_entries = EntryPoints();
        g_overridden = false;
        g_loaded = false;
    }
}

EntryPoints CurrentEntryPoints()
{
    HRESULT missing = S_OK;
    return Entries(&missing);
}

}  // namespace wmf
