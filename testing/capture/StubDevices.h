// The stand-in devices, shared by the module and the tests that look for them.
#pragma once

#include <windows.h>

namespace rvxstub {

struct StubDevice {
    CLSID clsid;
    const wchar_t* instance;      // instance key under the category; also the device's tag
    const wchar_t* friendlyName;
    const wchar_t* description;   // null: none
    const wchar_t* devicePath;    // null: none
    bool video;
    bool refusesGraph;            // JoinFilterGraph fails, as a device already in use
};

// Class ids {5A3E0F10-2C4B-4D8E-9B61-7C0D3E2F40xx}, xx the device number.
#define RVXSTUB_CLSID(n) {0x5a3e0f10, 0x2c4b, 0x4d8e, {0x9b, 0x61, 0x7c, 0x0d, 0x3e, 0x2f, 0x40, n}}

// Enumerated in instance-name order. Two video devices share a friendly name, one video
// and one audio device share it too, and one pair shares a name where the first refuses
// to join a graph.
const StubDevice kDevices[] = {
    {RVXSTUB_CLSID(1), L"RvxTest1", L"Rvx Test Camera", nullptr, L"\\\\?\\rvxtest#camera#0001", true, false},
    {RVXSTUB_CLSID(2), L"RvxTest2", L"Rvx Test Capture", nullptr, nullptr, true, false},
    {RVXSTUB_CLSID(3), L"RvxTest3", L"Rvx Test Capture", nullptr, nullptr, true, false},
    {RVXSTUB_CLSID(4), L"RvxTest4", L"Rvx Test Cam", L"USB", nullptr, true, false},
    {RVXSTUB_CLSID(5), L"RvxTest5", L"Rvx Test Refuser", nullptr, nullptr, true, true},
    {RVXSTUB_CLSID(6), L"RvxTest6", L"Rvx Test Refuser", nullptr, nullptr, true, false},
    {RVXSTUB_CLSID(7), L"RvxTest7", L"Rvx Test Capture", nullptr, nullptr, false, false},
    {RVXSTUB_CLSID(8), L"RvxTest8", L"Rvx Test Line In", nullptr, L"\\\\?\\rvxtest#linein#0008", false, false},
};
const int kDeviceCount = sizeof(kDevices) / sizeof(kDevices[0]);

}  // namespace rvxstub
