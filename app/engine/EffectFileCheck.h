// A structural check of a compiled effect (fx_2_0) before it reaches the effect runtime,
// which follows the offsets and counts in the file without checking them: a corrupt or
// truncated file would crash the program instead of being refused.
#pragma once

#include <windows.h>

#include <cstddef>

// True when every offset, count, name, string and shader block of the file lies inside it.
bool IsWellFormedEffect(const BYTE* data, size_t size);
