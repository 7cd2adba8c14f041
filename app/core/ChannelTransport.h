// What a channel panel runs on its channel's graph: the transport, the seeking position and
// rate, one-frame steps, the graph's events and the graph's record in the project file. The
// channel graph offers it (IChannelGraph::GetTransport); tests give the panel a stand-in.
#pragma once

#include <windows.h>
#include <strmif.h>
#include <control.h>

#include "app/core/InputFormatOptions.h"

class IChannelTransport {
public:
    virtual HRESULT Run() = 0;
    virtual HRESULT Pause() = 0;
    virtual HRESULT Stop() = 0;
    virtual HRESULT GetState(LONG timeoutMs, OAFilterState* state) = 0;

    // Positions and the duration in 100-ns units.
    virtual HRESULT GetCurrentPosition(LONGLONG* position) = 0;
    // Fails unless the graph can seek to an absolute position.
    virtual HRESULT SetCurrentPosition(LONGLONG position) = 0;
    virtual HRESULT GetDuration(LONGLONG* duration) = 0;
    // AM_SEEKING_* bits.
    virtual HRESULT GetCapabilities(DWORD* capabilities) = 0;
    virtual HRESULT SetRate(double rate) = 0;
    virtual HRESULT GetRate(double* rate) = 0;
    virtual HRESULT StepFrames(DWORD frames) = 0;

    // One waiting event; every event taken is given back to FreeEventParams.
    virtual HRESULT GetEvent(long* code, LONG_PTR* param1, LONG_PTR* param2, long timeoutMs) = 0;
    virtual HRESULT FreeEventParams(long code, LONG_PTR param1, LONG_PTR param2) = 0;

    // The graph's record in the project file is its input options: read them, and take them
    // back as a loaded project gives them.
    virtual InputFormatOptions GetInputOptions() const = 0;
    virtual void ApplyInputOptions(const InputFormatOptions& options) = 0;

protected:
    ~IChannelTransport() = default;
};
