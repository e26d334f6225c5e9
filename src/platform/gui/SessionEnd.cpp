#include "SessionEnd.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The write end of the self-pipe; the handler may only write to it.
int SignalWriteEnd = -1;

extern "C" void OnTerminationSignal(int signalNumber)
{
    const char byte = static_cast<char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(SignalWriteEnd, &byte, 1);
}

} // namespace

void ConnectSessionEnd(QGuiApplication& app, std::function<bool()> mayEnd, std::function<void()> ends)
{
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &app,
                     [mayEnd = std::move(mayEnd), ends = std::move(ends)](QSessionManager& manager) {
                         if (!mayEnd()) {
                             // Only a manager that lets us interact accepts a refusal.
                             if (manager.allowsInteraction()) {
                                 manager.cancel();
                                 manager.release();
                                 return;
                             }
                         }
                         ends();
                     });
}

void ConnectTerminationSignals(QGuiApplication& app, std::function<void()> ends)
{
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, fds) != 0) return;
    SignalWriteEnd = fds[0];
    auto* notifier = new QSocketNotifier(fds[1], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [readEnd = fds[1], ends = std::move(ends)] {
        char bytes[16];
        while (::read(readEnd, bytes, sizeof bytes) > 0) {
        }
        ends();
    });
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}
