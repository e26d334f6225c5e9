// Build tool: renders an SVG picture into a square PNG of the given size,
// for the icon sizes the desktop's menus ask for.
//
//   tellvane-render-icon PICTURE.svg SIZE OUTPUT.png

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[])
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: tellvane-render-icon PICTURE.svg SIZE OUTPUT.png\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QSvgRenderer picture(QString::fromLocal8Bit(argv[1]));
    const int size = std::atoi(argv[2]);
    if (!picture.isValid() || size <= 0) {
        std::fprintf(stderr, "tellvane-render-icon: cannot render %s at %s\n", argv[1], argv[2]);
        return 1;
    }
    QImage icon(size, size, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    picture.render(&painter);
    painter.end();
    return icon.save(QString::fromLocal8Bit(argv[3]), "PNG") ? 0 : 1;
}
