#pragma once
// The end of the user's desktop session, as the session manager announces it.

#include <functional>

class QGuiApplication;

// `mayEnd` answers the session manager's question whether the session may end
// (false refuses, where the manager allows that); `ends` runs when the answer
// was yes and the session is ending.
void ConnectSessionEnd(QGuiApplication& app, std::function<bool()> mayEnd, std::function<void()> ends);

// SIGTERM and SIGINT (a logout that signals the session's processes, `kill`,
// Ctrl+C in a terminal) end the program the same way: `ends` runs on the main
// thread from the event loop. Call once, after the application object exists.
void ConnectTerminationSignals(QGuiApplication& app, std::function<void()> ends);
