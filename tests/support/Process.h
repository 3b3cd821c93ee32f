// Runs a program as a separate process and collects what it printed.
#ifndef KWO_TESTS_PROCESS_H
#define KWO_TESTS_PROCESS_H

#include <string>
#include <vector>

struct ProcessResult
{
    int status = -1; // exit status, or -1 when the process did not exit normally
    std::string out;
    std::string err;
};

// Runs `program` with `args` in the folder `workDir`, standard input empty.
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::string& workDir);

// Starts `program` in the background in `workDir`, its output into the file
// `outPath`; returns its process id, or -1.
int StartProcess(const std::string& program, const std::vector<std::string>& args,
                 const std::string& workDir, const std::string& outPath);
// Waits at most `ms` milliseconds for a started process: its exit status,
// or -1 when it ended by a signal or had to be killed because it went on.
int WaitProcess(int pid, unsigned ms);

#endif
