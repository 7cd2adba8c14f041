// Caption-side texts that come from the string table of the current resource module, with
// the program's own Chinese text when the module has no such string.
#pragma once

#include <string>

namespace captions {

enum : unsigned { kStringDefaultFace = 168 };

std::wstring LoadCaptionString(unsigned id);

} // namespace captions
