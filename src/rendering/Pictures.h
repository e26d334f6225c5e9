#pragma once
// The pictures compiled into the program, drawn sharp at the screen's scale.

#include <QPixmap>
#include <QString>
#include <QStringList>

// The SVG picture `name` (a file of resources/pictures without ".svg") as a
// square pixmap `size` device-independent pixels wide.
QPixmap Picture(const QString& name, int size);
// The same at `size` device-independent pixels, for pictures that are not square.
QPixmap Picture(const QString& name, QSize size);

// The 16 x 16 button icons by index: 0 moon with stars, 1 white sun, 2 yellow
// sun, 3 gear, 4 power, 5 three vertical dots, 6 lightning bolt.
const QStringList& ImageList1();
// The 64 x 64 logos, one per theme: light, dark and grey screen.
const QStringList& ImageList2();
