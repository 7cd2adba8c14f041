// A caption page turned into overlay layers: each object drawn (or decoded) into a layer of
// its own, placed at its place on the canvas it was composed on, with its style's opacity,
// colour key and filter and its own timing. Also how caption pages are named as keys.
#pragma once

#include <windows.h>

#include <vector>

#include "app/captions/CharObjList.h"
#include "app/captions/LISScene.h"

namespace captions {

// Where an object's layer is placed, as fractions of the canvas: its left and top, or its
// right for motion 5 and its bottom for motion 7. A canvas without size counts as the page
// default size.
void LayerPlace(const CCharObject& object, int canvasWidth, int canvasHeight, float* x, float* y);

// Builds a layer for every object, from the topmost to the bottom one, adds each to the scene
// (automatic depth, so the topmost is drawn last) and appends it to `out`. `dc` gives the
// bitmaps their format.
void BuildRenderObjects(HDC dc, const CCharObjList& page, const RECT& canvas, CLISScene* scene,
                        std::vector<CLISLayer*>* out);

// The one form a page path is compared in: the full path, upper-cased.
CString PageKey(const CString& path);

} // namespace captions
