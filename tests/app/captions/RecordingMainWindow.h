// Test helper: a stand-in of the main window that writes down every playout message it is
// sent, one line each, stamped with the second the test's clock shows, and answers the probes
// and caption shows as the test says.
#pragma once

#include "app/captions/PlayItem.h"
#include "app/core/DeskMessages.h"

#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

class CRecordingMainWindow {
public:
    CRecordingMainWindow();
    ~CRecordingMainWindow();
    HWND Handle() const { return m_window; }

    // The origin of the stamps ("+n") and the clock they are read from.
    __time64_t origin = 0;
    std::function<__time64_t()> clock;
    std::vector<std::string> sent;
    // Caption shows refused once: (index, second after origin).
    std::set<std::pair<int, __time64_t>> refusals;
    // Programmes whose loads fail (their files gone), by name.
    std::set<std::string> unloadable;
    // The probe's answer: seconds, and whether the source seeks.
    LRESULT probeSeconds = 0;
    int probeSeekable = 1;

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Record(UINT message, WPARAM wParam, LPARAM lParam);
    std::string Stamp() const;
    HWND m_window = nullptr;
};

std::string Narrow(const wchar_t* text);
