// A profile manager that reads and writes the streams of profile files (.prx) as the
// runtime does for the parts the program uses: the profile's name and version, and per
// stream its type, number, bit rate, and for video the frame time and the picture size.
// Installed for one test through the runtime's entry points; the destructor restores them.
#pragma once

#include "platform/wmf/include/wmfplatform.h"

namespace standin {

class CProfileManagerStandIn {
public:
    CProfileManagerStandIn();
    ~CProfileManagerStandIn();
    CProfileManagerStandIn(const CProfileManagerStandIn&) = delete;
    CProfileManagerStandIn& operator=(const CProfileManagerStandIn&) = delete;

    // How many profiles were loaded, and how many texts were refused.
    static int Loads();
    static int Refusals();

private:
    wmf::EntryPoints previous_;
};

// The runtime missing altogether: creating the manager fails as it does without wmvcore.
class CNoProfileManager {
public:
    CNoProfileManager();
    ~CNoProfileManager();

private:
    wmf::EntryPoints previous_;
};

}  // namespace standin
