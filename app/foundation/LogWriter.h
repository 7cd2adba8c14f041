// The program's log: one stream for the whole process, appended to log.txt in the program
// folder. Nothing in the program writes to it today; it is there for diagnosis builds.
//
//   AppLog() << LogTime << LogThread << " graph built" << std::endl;
#pragma once

#include <fstream>
#include <ostream>

// Opened on first use, in append mode, created when missing.
std::ofstream& AppLog();

// "[MM/DD/YY HH:MM:SS]" in local time.
std::ostream& LogTime(std::ostream& out);

// The calling thread's id as "[0x%x]".
std::ostream& LogThread(std::ostream& out);
