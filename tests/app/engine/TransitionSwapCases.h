// Whether program and preview change places at the end of a transition: one table that the
// mixer's tests and the director's tests both go through, so the two cannot disagree.
#pragma once

namespace enginetest {

struct TransitionSwapCase {
    const char* name;
    int effectId; // 0: no effect
    bool swapAsked;
    bool swaps;
};

const int kPictureInPictureId = 10; // a shipped effect whose _SwapWhenOver is false

const TransitionSwapCase kTransitionSwapCases[] = {
    {"mix, swap asked", 1, true, true},
    {"mix, no swap asked", 1, false, false},
    {"no effect, swap asked", 0, true, true},
    {"no effect, no swap asked", 0, false, false},
    // The box comes in over the program and stays: the program stays the program.
    {"picture in picture, swap asked", kPictureInPictureId, true, false},
    {"picture in picture, no swap asked", kPictureInPictureId, false, false},
};

} // namespace enginetest
