#include "TaskbarEntry.h"

#include <QSystemTrayIcon>
#include <QWidget>

void SetTaskbarEntryVisible(QWidget& window, bool visible)
{
    // Desktop task bars leave out tool windows (_NET_WM_WINDOW_TYPE_UTILITY).
    const bool hasEntry = !window.windowFlags().testFlag(Qt::Tool);
    if (hasEntry == visible) return;
    const bool wasVisible = window.isVisible();
    const QPoint position = window.pos();
    window.setWindowFlag(Qt::Tool, !visible);
    window.move(position);
    if (wasVisible) window.show();
}

bool SystemTrayAvailable() { return QSystemTrayIcon::isSystemTrayAvailable(); }
