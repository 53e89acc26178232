#pragma once
// Starting, listing, finding and ending processes (Linux, from /proc).
//
// Children started here are remembered with their start time. They are reaped
// by their own id only (never waitpid(-1), which would take children of other
// parts of the program, such as QProcess), and a remembered id whose start time
// has changed belongs to another process and is never signalled.
#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

namespace u3 {

// An entry of a process or module list: a text with a number attached.
struct ListEntry {
    std::string Text;
    std::int64_t Object = 0;

    bool operator==(const ListEntry&) const = default;
};
using ProcessList = std::vector<ListEntry>;

// A process this program started, identified beyond its reusable id.
struct StartedProcess {
    pid_t Pid = 0;
    std::uint64_t StartTime = 0; // clock ticks after boot, from /proc/<pid>/stat
};

// The start time of a live process; 0 when it is gone, a zombie, or unreadable.
std::uint64_t ReadProcessStartTime(pid_t pid);

// Starts the command line's program without a shell and returns its id (0 when
// it could not be started, after showing "Cannot start application " and the
// command line). A program named without a folder is looked for in the
// client's own folder, then on PATH; a name ending in ".exe" is found with or
// without that suffix.
pid_t StartCommandLine(const std::string& commandLine);
// The same, keeping the start time of the new process (Pid 0 on failure).
StartedProcess StartCommandLineProcess(const std::string& commandLine);
// Starts the command line and waits without a time limit until it has ended.
void RunCommandLineAndWait(const std::string& commandLine);

// All live processes: by name (Text the program's file name, Object the id) or
// by id (Text the id in decimal, Object the parent's id). Throws
// std::runtime_error when the process table cannot be read.
bool GetProcessList(ProcessList& list, bool byId);
// The list by name, each name replaced by the program's full path where known.
bool GetProcessPathList(ProcessList& list);
// Every file mapped into the process, with its lowest load address. Throws
// std::runtime_error when the process's mappings cannot be read.
bool GetProcessModuleList(pid_t pid, ProcessList& list);
// The full path of the process's program; empty when it cannot be read.
std::string GetProcessExePath(pid_t pid);
// For an interpreter running a script ("#!" file), the script's full path;
// empty otherwise.
std::string GetProcessScriptPath(pid_t pid);

// A name without a folder matches a live process's program file name without
// regard to case, with or without ".exe"; a path matches the program's full
// path or, for a script, the script's path, without regard to case. 0 when none
// matches or on any error.
pid_t FindRunningProcess(const std::string& nameOrPath);
// Whether the process is alive (a zombie counts as gone); false on any error.
bool ProcessExists(pid_t pid);

// Starts programPath with params (a command-line text) unless it runs already
// and waits up to 9.9 s until it is seen running. False when it ran already,
// was never seen, or could not be started; with raiseOnError the last throws
// std::runtime_error("The error occurred while trying to start " + programPath).
bool StartProcessHidden(const std::string& programPath, const std::string& params, bool raiseOnError);

// Asks the process to end (SIGTERM), waits up to 9.9 s, then kills it (SIGKILL)
// and waits again. Ids of 0 or below do nothing; a child that this program
// started and whose id now belongs to another process is left alone. Failures
// are logged, never thrown. flag has no effect.
void TerminateProcessExecute(pid_t pid, bool flag);
// The same for a remembered process: nothing happens when its id now belongs
// to a process with another start time.
void TerminateProcessExecute(const StartedProcess& process, bool flag);

// The text for errno; "Error code %d" when the system has none for it.
std::string GetLastErrorText();
std::string GetErrorText(int code);

} // namespace u3
