#pragma once
// Whether the application shows a task-bar entry. The main window is the
// application's one top-level window, so its entry is the application's.

class QWidget;

// Adds or removes the entry without changing the window's place, size or
// visibility; nothing when it is already as asked.
void SetTaskbarEntryVisible(QWidget& window, bool visible);

// Whether the desktop offers a system tray (a notification area) now.
bool SystemTrayAvailable();
