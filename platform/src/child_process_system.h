#pragma once

// The parts of starting a child process that differ by system (child_process_posix.cpp,
// child_process_windows.cpp).
#include <set>
#include <string>
#include <vector>

#include "addon001/platform/child_process.h"

namespace platform::detail {

// The system's name of a signal ("Segmentation fault").
std::string signalName(int signal);

// The name of a Windows exception code, or empty when it is not a well-known one.
std::string exceptionName(unsigned code);

// The ids of this process's child processes, zombies included (Linux: read from /proc).
std::vector<long> childProcesses();

// Ends every process in the job objects of the children runChild is waiting for (Windows).
void endRunningJobs();

// Kills every child process of this one but those in `keep`, waits for each, and goes on with
// the children that they leave behind until there are none (Linux).
void endChildrenExcept(const std::set<long>& keep);

}  // namespace platform::detail
