#include "tests/app/captions/RecordingMainWindow.h"

namespace {

const wchar_t kClass[] = L"PlayoutRecordingMainWindow";

} // namespace

std::string Narrow(const wchar_t* text)
{
    return std::string(CW2A(text).c_str());
}

CRecordingMainWindow::CRecordingMainWindow()
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = &Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kClass;
    RegisterClassW(&wc);
    m_window = CreateWindowW(kClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

CRecordingMainWindow::~CRecordingMainWindow()
{
    DestroyWindow(m_window);
}

std::string CRecordingMainWindow::Stamp() const
{
    return "+" + std::to_string((clock ? clock() : 0) - origin) + " ";
}

LRESULT CALLBACK CRecordingMainWindow::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<CRecordingMainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self && message >= WM_PROBE_PLAY_SOURCE && message <= WM_AUTOPLAY_CAPTION)
        return self->Record(message, wParam, lParam);
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CRecordingMainWindow::Record(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_AUTOPLAY_LOAD: {
        // The item lives only for the call: everything is read now.
        const PlayItem& item = *reinterpret_cast<const PlayItem*>(wParam);
        sent.push_back(Stamp() + "LOAD " + item.name.GetString() + " slot=" + std::to_string(lParam) + " start=+" +
                       std::to_string(static_cast<__time64_t>(item.scheduledStart) - origin) +
                       " pos=" + std::to_string(item.startPosition) + " dur=" + std::to_string(item.duration));
        if (unloadable.count(item.name.GetString())) {
            sent.back() += " refused";
            return 0;
        }
        return 1;
    }
    case WM_AUTOPLAY_PLAY:
        if (wParam == 0 && lParam == 0)
            sent.push_back(Stamp() + "STOP");
        else
            sent.push_back(Stamp() + "PLAY slot=" + std::to_string(lParam) + " from=" + std::to_string(wParam >> 16) +
                           ((wParam & 0xFFFF) == 1 ? "" : " flag?"));
        return 0;
    case WM_AUTOPLAY_CAPTION: {
        if (wParam == 0 && static_cast<DWORD>(lParam) == 0xFFFF0000u) {
            sent.push_back(Stamp() + "HIDE ALL");
            return 0;
        }
        const int index = static_cast<int>(static_cast<DWORD>(lParam) >> 16);
        const bool show = (lParam & 0xFFFF) == 1;
        const __time64_t second = (clock ? clock() : 0) - origin;
        const bool refused = show && refusals.erase({index, second}) > 0;
        sent.push_back(Stamp() + (show ? "SHOW " : "HIDE ") + std::to_string(index) + " " +
                       Narrow(reinterpret_cast<const wchar_t*>(wParam)) + (refused ? " refused" : ""));
        return refused ? 0 : 1;
    }
    case WM_PROBE_PLAY_SOURCE: {
        const SourceDescriptor* pair = reinterpret_cast<const SourceDescriptor*>(wParam);
        int* seekable = reinterpret_cast<int*>(lParam);
        sent.push_back("PROBE audio=" + Narrow(pair[0].name) + " video=" + Narrow(pair[1].name) +
                       " seekable=" + std::to_string(*seekable));
        *seekable = probeSeekable;
        return probeSeconds;
    }
    default:
        return 0;
    }
}
