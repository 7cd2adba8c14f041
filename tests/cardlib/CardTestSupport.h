// Helpers shared by the card library tests.
#ifndef RVX_TESTS_CARDLIB_CARDTESTSUPPORT_H
#define RVX_TESTS_CARDLIB_CARDTESTSUPPORT_H

#include <cstdint>
#include <windows.h>

// The cross-process user count in the library's control block, or -1 when no process has
// the card open (the block is gone).
long SharedUserCount();

// The test's wide strings as the card API takes them.
inline const unsigned short* Wide(const wchar_t* s)
{
    return reinterpret_cast<const unsigned short*>(s);
}

#endif
