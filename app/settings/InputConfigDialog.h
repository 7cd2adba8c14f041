// The input format dialog as the channel graph opens it: modal over the main window with the
// graph's capture builder, its source filters and the channel's options; true, with the
// options changed in place, when the operator confirms. Declared apart from the dialog class
// so the graphs need no window headers.
#pragma once

#include <streams.h>

struct InputFormatOptions;

bool ShowInputConfigDialog(ICaptureGraphBuilder2* builder, IBaseFilter* video, IBaseFilter* audio,
                           InputFormatOptions& options);
