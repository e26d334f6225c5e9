#pragma once
// Runs a command line through the shell as a user would type it, and reads
// what it prints (the command's own redirections choose the streams).

#include <cstdio>
#include <string>
#include <sys/wait.h>

struct TShellRun {
    int Status = -1; // the exit status; -1 when it did not end by itself
    std::string Output;
};

inline TShellRun RunShellCommand(const std::string& command)
{
    TShellRun run;
    FILE* out = ::popen(command.c_str(), "r");
    if (!out) return run;
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, out)) > 0) run.Output.append(buffer, n);
    const int status = ::pclose(out);
    run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}
