// The AVI multiplexer and file writer at the end of the AVI output. The capture graph
// builder makes both with SetOutputFileName; Wine's builder does not implement it, so the
// two filters are then added and joined here, which gives the same graph.
#pragma once

#include <windows.h>
#include <strmif.h>

// Adds the multiplexer and the file writer writing `fileName` to the builder's graph, and
// hands both out with a reference each.
HRESULT CreateAviFileSink(ICaptureGraphBuilder2* builder, IGraphBuilder* graph, LPCWSTR fileName,
                          IBaseFilter** mux, IFileSinkFilter** sink);
