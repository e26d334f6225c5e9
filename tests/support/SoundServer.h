#pragma once
// A private sound server for a test (scripts/sound-server): its own runtime
// folder, a null sink's monitor and a 1000 Hz sine source as the default
// input. PULSE_SERVER points the process at it while it runs.

#include "TempDir.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

class TestSoundServer {
public:
    TestSoundServer()
    {
        const std::string command = std::string(TELLVANE_SOURCE_DIR) + "/scripts/sound-server " + FDir.Path().string();
        FILE* out = ::popen(command.c_str(), "r");
        if (!out) throw std::runtime_error("cannot run scripts/sound-server");
        char line[512];
        while (std::fgets(line, sizeof line, out)) {
            std::string text(line);
            if (!text.empty() && text.back() == '\n') text.pop_back();
            if (text.rfind("PULSE_SERVER=", 0) == 0) FAddress = text.substr(13);
            if (text.rfind("PID=", 0) == 0) FPid = std::stoi(text.substr(4));
        }
        if (::pclose(out) != 0 || FPid <= 0) throw std::runtime_error("the private sound server did not start");
        ::setenv("PULSE_SERVER", FAddress.c_str(), 1);
    }
    ~TestSoundServer() { Kill(SIGTERM); }
    TestSoundServer(const TestSoundServer&) = delete;
    TestSoundServer& operator=(const TestSoundServer&) = delete;

    // Ends the server as a crash would (SIGKILL) or politely (SIGTERM).
    void Kill(int signal = SIGKILL)
    {
        if (FPid > 0) ::kill(FPid, signal);
        FPid = 0;
    }
    const std::string& Address() const { return FAddress; }

private:
    TempDir FDir;
    std::string FAddress;
    int FPid = 0;
};
