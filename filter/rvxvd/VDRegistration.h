// Registration of the two virtual capture devices: their COM class keys, their entries in
// the DirectShow filters category and in the video and audio input device categories,
// where every DirectShow program's device list finds them.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <strmif.h>

namespace vd {

// {69521253-C20E-460F-BE24-A2D347F87C69}
extern const CLSID CLSID_RvxVirtualVideoDevice;
// {FB57271F-33FD-48E8-85CD-6DB077614FB4}
extern const CLSID CLSID_RvxVirtualAudioDevice;

extern const wchar_t kVideoDeviceName[];   // "Rvx Virtual Video Device"
extern const wchar_t kAudioDeviceName[];   // "Rvx Virtual Audio Device"

// Writes CLSID\{clsid} (the name), its InprocServer32 (the module path) and
// ThreadingModel "Both".
HRESULT RegisterClassKeys(const CLSID& clsid, const wchar_t* name, const wchar_t* modulePath);
HRESULT UnregisterClassKeys(const CLSID& clsid);

// The whole registration of the module at modulePath, as DllRegisterServer does it. The
// first failure is returned; later steps still run so as much as can be is registered.
HRESULT RegisterDevices(const wchar_t* modulePath);
// Undoes RegisterDevices. Entries that are already gone are not failures.
HRESULT UnregisterDevices();

}  // namespace vd
