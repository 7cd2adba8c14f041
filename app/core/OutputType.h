// The kinds of output the director starts and stops, the key of its output map.
#pragma once

// -1 means all, for StopOutput only; 1 and 4 are not assigned.
enum OutputType {
    kOutputAll = -1,
    kOutputWindowsMedia = 0,
    kOutputAvi = 2,
    kOutputIeee1394 = 3,
    kOutputVirtualDevice = 5,
    kOutputCard = 6,
    kOutputDecklink = 7,
};
