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

#endif
