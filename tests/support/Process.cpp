#include "support/Process.h"

#include "support/TempDir.h"

#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
// Forks `program` with `args` in the folder `workDir`, standard input empty,
// standard output into the file `outPath` and standard error into `errPath`,
// or into the output's file when `errPath` is empty. Returns the child's id,
// or -1. The argument list is built before the fork, so the child only
// opens, redirects and executes.
pid_t Spawn(const std::string& program, const std::vector<std::string>& args,
            const std::string& workDir, const std::string& outPath, const std::string& errPath)
{
    std::vector<std::string> all = {program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = fork();
    if (pid != 0)
        return pid < 0 ? -1 : pid;
    int in = open("/dev/null", O_RDONLY);
    int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int err = errPath.empty() ? out : open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0 || err < 0 || chdir(workDir.c_str()) != 0)
        _exit(127);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    execv(program.c_str(), argv.data());
    _exit(127);
}
} // namespace

int StartProcess(const std::string& program, const std::vector<std::string>& args,
                 const std::string& workDir, const std::string& outPath)
{
    return int(Spawn(program, args, workDir, outPath, ""));
}

int WaitProcess(int pid, unsigned ms)
{
    int status = 0;
    for (unsigned waited = 0;; waited += 10)
    {
        if (waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        if (waited >= ms)
            break;
        usleep(10000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -1;
}

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::string& workDir)
{
    ProcessResult result;
    TempDir capture;
    std::string outPath = capture / "out";
    std::string errPath = capture / "err";

    pid_t pid = Spawn(program, args, workDir, outPath, errPath);
    if (pid < 0)
        return result;
    int status = 0;
    if (waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        result.status = WEXITSTATUS(status);
    result.out = ReadFileBytes(outPath);
    result.err = ReadFileBytes(errPath);
    return result;
}
