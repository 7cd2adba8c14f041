#include "app/ui/MonitorList.h"

namespace {

BOOL CALLBACK CollectMonitor(HMONITOR, HDC, LPRECT rc, LPARAM lParam)
{
    reinterpret_cast<std::vector<RECT>*>(lParam)->push_back(*rc);
    return TRUE;
}

} // namespace

std::vector<RECT> ListMonitorRects()
{
    std::vector<RECT> monitors;
    ::EnumDisplayMonitors(nullptr, nullptr, &CollectMonitor, reinterpret_cast<LPARAM>(&monitors));
    return monitors;
}

bool ChooseMonitorRect(const std::vector<RECT>& monitors, int number, RECT* rc)
{
    if (number < 1 || static_cast<size_t>(number) > monitors.size() || rc == nullptr)
        return false;
    *rc = monitors[static_cast<size_t>(number) - 1];
    return true;
}
