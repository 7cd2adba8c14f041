#include "app/foundation/LogWriter.h"

#include "app/foundation/AppHelpers.h"

#include <cstdio>
#include <ctime>
#include <filesystem>

std::ofstream& AppLog()
{
    // Opened by its wide path: a program folder with characters outside the ANSI code
    // page would otherwise give a log that never opens.
    static std::ofstream log(std::filesystem::path((GetExeDirectory() + L"\\log.txt").GetString()),
                             std::ios::out | std::ios::app);
    return log;
}

std::ostream& LogTime(std::ostream& out)
{
    char date[16] = {}, clock[16] = {};
    _strdate(date);
    _strtime(clock);
    return out << '[' << date << ' ' << clock << ']';
}

std::ostream& LogThread(std::ostream& out)
{
    char text[24];
    snprintf(text, sizeof(text), "[0x%lx]", static_cast<unsigned long>(::GetCurrentThreadId()));
    return out << text;
}
