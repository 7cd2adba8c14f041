// Where an overlay layer is at a moment of its pass: which part of its picture is visible
// and where on the target it goes, for the nine motions of a caption object. Kept apart from
// Direct3D so the geometry can be worked out (and checked) on its own.
#pragma once

#include <windows.h>

#include <cstdint>

namespace captions {

// Motion modes of caption objects and overlay layers.
enum LayerMotionMode {
    kMotionStatic = 0,
    kMotionLeftToRight = 1,
    kMotionRightToLeft = 2,
    kMotionTopToBottom = 3,
    kMotionBottomToTop = 4,
    kMotionLeftRightBack = 5,
    kMotionRightLeftBack = 6,
    kMotionTopBottomBack = 7,
    kMotionBottomTopBack = 8,
};

struct LayerPlacement {
    int motion = kMotionStatic;
    float x = 0, y = 0;   // fractions of the target size (top-left corner; see motions 5..8)
    int speed = 0;        // pixels per second
    int stay = 0;         // seconds
    int width = 0, height = 0;
};

enum class PassPhase {
    Waiting, // not shown yet (start delay running, or a moving layer that has not moved)
    Visible, // source and target rectangles hold the visible part
    Over,    // nothing is visible any more: the pass has ended
};

// elapsedMs: time since the pass began less its start delay (negative while waiting). Both
// rectangles are empty unless the layer is visible. Computed in 64 bits, so a layer that runs
// for days neither overflows nor vanishes.
PassPhase PlaceLayer(const LayerPlacement& p, int64_t elapsedMs, int targetWidth, int targetHeight, RECT& source,
                     RECT& target);

// trunc(size x fraction), robust to the float error of fractions made by dividing pixel sizes
// (1 - 100 / 720.f lands exactly on pixel 620, not 619).
int64_t FractionToPixels(int size, float fraction);

} // namespace captions
