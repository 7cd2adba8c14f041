// The caption canvas's geometry: the selection frame and its eight handles, resizing by a
// handle, and the sizes a new text box and a resize must reach. Pure functions of rectangles
// and points.
#pragma once

#include <windows.h>

namespace captions {

enum { kFrameBand = 5, kHandleSize = 5, kSmallestTextBox = 21, kSmallestResize = 10 };

// Handle i (0..7, clockwise from the top-left) of a selection.
RECT HandleRect(const RECT& selection, int handle);
// The handle under a point, or -1.
int HandleAt(const RECT& selection, POINT point);
// The cursor a handle shows (an IDC_ resource id).
LPCWSTR HandleCursor(int handle);
// Inside the frame band: within the selection grown by the band, not within the selection.
bool OnFrameBand(const RECT& selection, POINT point);
// The selection with the edges the handle grabs moved to the point, normalised.
RECT ResizedRect(const RECT& selection, int handle, POINT point);
// A resize is taken when the new rectangle is larger than 10 x 10.
bool ResizeAccepted(const RECT& rect);
// A rubber band makes a text box when it is at least 21 x 21.
bool MakesTextBox(const RECT& band);
// The rectangle spanned by two points.
RECT Span(POINT a, POINT b);

} // namespace captions
