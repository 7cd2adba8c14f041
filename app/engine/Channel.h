// The director's record of one loaded input: its number, its panel, its graph and its two
// sources. The channel panel holds a pointer to it; deleting it tears the graph down and
// takes it out of the director's table, so the director never keeps a dangling pointer.
#pragma once

#include "app/core/SourceDescriptor.h"

#include <windows.h>

class CDirector;
class CWnd;
class IChannelGraph;

class CChannel {
public:
    CChannel(CWnd* owner, HWND notifyWindow, int number, CDirector* director);
    ~CChannel();
    CChannel(const CChannel&) = delete;
    CChannel& operator=(const CChannel&) = delete;

    CWnd* GetOwner() const { return m_owner; }
    // The owner's window handle, null without an owner.
    HWND GetOwnerWindow() const;
    HWND GetNotifyWindow() const { return m_notifyWindow; }
    int GetNumber() const { return m_number; }
    IChannelGraph* GetGraph() const { return m_graph; }
    bool HasCaptureDevice() const { return m_captureDevice; }
    const SourceDescriptor& GetAudioSource() const { return m_audio; }
    const SourceDescriptor& GetVideoSource() const { return m_video; }

    // How long closing a channel waits for its graph's Stop (5000 ms; tests shorten it).
    static void SetStopLimit(DWORD ms);
    // Graphs whose Stop had not returned within the limit. Each was left to finish stopping
    // on its own, neither torn down nor deleted (its filters may still be running), and the
    // log names its channel: one graph stuck in a filter must not hang an unload or the
    // program's shutdown.
    static LONG LeftGraphs();

private:
    friend class CDirector;
    // Stops, tears down and deletes the graph; a graph whose Stop does not return within the
    // limit is left as LeftGraphs says.
    void CloseGraph();

    CWnd* m_owner;
    HWND m_notifyWindow;
    int m_number;
    IChannelGraph* m_graph = nullptr;
    CDirector* m_director;
    bool m_captureDevice = false;
    SourceDescriptor m_audio;
    SourceDescriptor m_video;
};
