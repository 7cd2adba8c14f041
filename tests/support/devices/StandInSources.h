// Test helper: the capture devices a source dialog lists, for the life of a test suite: the
// stand-in capture devices registered in the prefix and a stand-in DV camcorder, in a
// single-threaded apartment as the user interface has it.
#pragma once

#include <gtest/gtest.h>

#include "testing/capture/StubRegistration.h"
#include "testing/dv/DvStandIns.h"

class CStandInSources {
public:
    static void SetUp()
    {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        s_devices = new rvxstub::ScopedStubDevices();
        s_dv = new standin::CDvStandIns();
    }
    static void TearDown()
    {
        delete s_dv;
        delete s_devices;
        s_dv = nullptr;
        s_devices = nullptr;
        CoUninitialize();
    }
    static ::testing::AssertionResult Ready()
    {
        if (!s_devices || !s_devices->Registered())
            return ::testing::AssertionFailure() << "regsvr32 rvxcapstub.dll failed";
        if (!s_dv || FAILED(s_dv->Result()))
            return ::testing::AssertionFailure() << "the DV camcorder stand-in did not register";
        return ::testing::AssertionSuccess();
    }

private:
    static inline rvxstub::ScopedStubDevices* s_devices = nullptr;
    static inline standin::CDvStandIns* s_dv = nullptr;
};
