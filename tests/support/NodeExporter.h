#pragma once
// A real node_exporter for a test, on 127.0.0.1 at a free port, reading a
// captured tree (--path.procfs, --path.sysfs, --path.rootfs) with the drm
// collector and the processor's model on. Ended with the object.

#include "TempDir.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

class TestNodeExporter {
public:
    // `extra`: further options (a --web.config.file, say).
    explicit TestNodeExporter(const std::filesystem::path& tree, std::vector<std::string> extra = {})
    {
        FPort = FreePort();
        const auto part = [&](const char* name) {
            const std::filesystem::path p = tree / name;
            if (std::filesystem::is_directory(p)) return p.string();
            // node_exporter needs the folder; an empty one stands for a tree without it.
            std::filesystem::create_directories(FEmpty.Path() / name);
            return (FEmpty.Path() / name).string();
        };
        FArgs = {"prometheus-node-exporter",
                 "--web.listen-address=127.0.0.1:" + std::to_string(FPort),
                 "--path.procfs=" + part("proc"),
                 "--path.sysfs=" + part("sys"),
                 "--path.rootfs=" + tree.string(),
                 "--collector.drm",
                 "--log.level=error"};
        // The processor's model, where the tree has /proc/cpuinfo (without it
        // the whole processor collector fails).
        if (std::filesystem::exists(tree / "proc/cpuinfo")) FArgs.push_back("--collector.cpu.info");
        FArgs.insert(FArgs.end(), extra.begin(), extra.end());
        Start();
    }

    // Starts it (again, on the same port) and waits until it takes connections.
    void Start()
    {
        FPid = ::fork();
        if (FPid == 0) {
            std::vector<char*> argv;
            for (std::string& a : FArgs) argv.push_back(a.data());
            argv.push_back(nullptr);
            // Its log of the collectors a captured tree cannot feed is of no use here.
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, 2);
            ::execvp(argv[0], argv.data());
            ::_exit(127);
        }
        for (int i = 0; i < 100 && !Answers(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ~TestNodeExporter() { Stop(); }
    TestNodeExporter(const TestNodeExporter&) = delete;
    TestNodeExporter& operator=(const TestNodeExporter&) = delete;

    void Stop()
    {
        if (FPid <= 0) return;
        ::kill(FPid, SIGTERM);
        ::waitpid(FPid, nullptr, 0);
        FPid = 0;
    }
    int Port() const { return FPort; }
    std::string Address() const { return "127.0.0.1:" + std::to_string(FPort); }
    bool Answers() const
    {
        const int s = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<uint16_t>(FPort));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
        ::close(s);
        return ok;
    }

    // A port nothing listens on now.
    static int FreePort()
    {
        const int s = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
        socklen_t length = sizeof a;
        ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &length);
        ::close(s);
        return ntohs(a.sin_port);
    }

private:
    TempDir FEmpty;
    std::vector<std::string> FArgs;
    int FPort = 0;
    pid_t FPid = 0;
};
