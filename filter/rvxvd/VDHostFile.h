// The host file names the frame server the virtual capture device connects to.
#pragma once

#include "app/core/VDWireFormat.h"

namespace vd {

// The file every device reads: one line, "host:port".
extern const wchar_t kHostFilePath[];

// Reads the host file; when it does not exist it is created with "127.0.0.1:8601" (no
// line end) so the user can find and edit it. A file that can be neither read nor
// created gives the defaults.
VdHostAddress ReadHostFile(const wchar_t* path = kHostFilePath);

}  // namespace vd
