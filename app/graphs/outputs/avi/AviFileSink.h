// The AVI multiplexer and file writer at the end of the AVI output. The capture graph
// builder makes both with SetOutputFileName; Wine's builder does not implement it, so the
// two filters are then added and joined here, which gives the same graph. The platform's
// file writer is used when its pin offers the IStream the multiplexer writes its header
// and index through, else the program's own (AviFileWriter.h).
#pragma once

#include <windows.h>
#include <strmif.h>

// Adds the multiplexer and the file writer writing `fileName` to the builder's graph, and
// hands both out with a reference each.
HRESULT CreateAviFileSink(ICaptureGraphBuilder2* builder, IGraphBuilder* graph, LPCWSTR fileName,
                          IBaseFilter** mux, IFileSinkFilter** sink);
