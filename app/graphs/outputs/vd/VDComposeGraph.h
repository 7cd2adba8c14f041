// The virtual-device output: the program goes to the frame server, which serves it to the
// virtual capture devices of other programs. The server's video pin takes RGB24 only, so
// the program's RGB32 passes the system's colour space converter on the way.
#pragma once

// The frame server's sockets want Winsock 2 declared before anything pulls in windows.h.
#include <winsock2.h>

#include "app/graphs/compose/ComposeGraph.h"
#include "app/graphs/outputs/vd/VDRender.h"

class CVDComposeGraph : public CComposeGraph {
public:
    CVDComposeGraph() = default;

    // The port the frame server listens on (0: the default port); before Create.
    void SetListenPort(WORD port) { m_port = port; }
    WORD ListenPort() const { return m_port; }

    // Fails when the frame server cannot listen on its port: an output nobody can reach
    // would otherwise run as if all were well.
    HRESULT Build() override;

    CVDRender* FrameServer() const { return static_cast<CVDRender*>(OwnSink()); }

private:
    HRESULT AddOutputFilters() override;
    WORD m_port = 0;
};
