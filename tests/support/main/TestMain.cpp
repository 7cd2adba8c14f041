// The entry point of every test program. It runs the tests and then ends the process at once,
// with the tests' result as its exit code, instead of returning through the C runtime's exit.
//
// Under Wine a process's Windows side ends first; the server then gives its Unix side about
// half a second to finish (probing it at 1/64 s, doubling) and kills it with SIGKILL. What runs
// in that half second is the Unix libraries' exit handlers, and a test that drew with Direct3D
// has loaded the GL driver, whose handlers stop its worker threads. On a busy machine they
// take longer, and a test that had printed all its tests as passed was reported as killed.
// Ending the process here leaves nothing of the test's own running (every fixture has torn
// down by now) and skips only those handlers, which the process's end makes needless.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    std::fflush(stdout);
    std::fflush(stderr);
    ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(result));
    return result;
}
