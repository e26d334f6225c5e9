// Checks a screenshot of the running gadget: the window's client area at the
// given place is not blank, and (optionally) given pixels have given colours.
//
//   screenshot_check SHOT.png LEFT TOP WIDTH HEIGHT [X,Y=#RRGGBB ...] [X,Y,W,H=plain ...] [X,Y,W,H~#RRGGBB ...]
//                    [X,Y,W,H!#RRGGBB ...] [X,Y,W,H/S>N ...]
//   screenshot_check --cursor SHOT.png LEFT TOP WIDTH HEIGHT
//
// Coordinates of the pixel checks are relative to the client area. A "plain"
// rectangle must hold one colour only: no text or picture reaches into it. A
// rectangle with "~" must hold at least one pixel of the colour, one with "!" none; one with
// "/S>N" more than N squares of S x S pixels (from its corner) of more than one colour. Exit code 0
// when every check holds; the reasons of failures go to stderr. With --cursor
// the rectangle is a diagram's: the column of its 2-pixel red cursor, which
// runs over the diagram's whole height, is printed relative to its left edge.

#include <QColor>
#include <QGuiApplication>
#include <QImage>
#include <QSet>

#include <cstdio>
#include <string_view>

namespace {

int FindCursor(int argc, char* argv[])
{
    if (argc != 7) return 2;
    const QImage shot(QString::fromLocal8Bit(argv[2]));
    const QRect area(std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]), std::atoi(argv[6]));
    if (shot.isNull() || !shot.rect().contains(area)) {
        std::fprintf(stderr, "cannot read the diagram's area from %s\n", argv[2]);
        return 1;
    }
    const auto red = [&](int x, int y) { return (shot.pixel(area.left() + x, area.top() + y) & 0xFFFFFF) == 0xFF0000u; };
    for (int x = 0; x + 1 < area.width(); ++x) {
        bool line = true;
        for (int y = 0; y < area.height() && line; ++y) line = red(x, y) && red(x + 1, y);
        if (line) {
            std::printf("%d\n", x);
            return 0;
        }
    }
    std::fprintf(stderr, "no red cursor in the diagram\n");
    return 1;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc > 1 && std::string_view(argv[1]) == "--cursor") return FindCursor(argc, argv);
    if (argc < 6) {
        std::fprintf(stderr, "usage: %s SHOT.png LEFT TOP WIDTH HEIGHT [X,Y=#RRGGBB ...]\n", argv[0]);
        return 2;
    }
    QImage shot(QString::fromLocal8Bit(argv[1]));
    if (shot.isNull()) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    const QRect client(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]));
    if (!shot.rect().contains(client)) {
        std::fprintf(stderr, "client area %dx%d+%d+%d outside the %dx%d screenshot\n", client.width(),
                     client.height(), client.x(), client.y(), shot.width(), shot.height());
        return 1;
    }
    const QImage window = shot.copy(client);
    QSet<QRgb> colours;
    for (int y = 0; y < window.height(); ++y)
        for (int x = 0; x < window.width(); ++x) colours.insert(window.pixel(x, y) & 0xFFFFFF);
    int failures = 0;
    // A window with its pictures, texts and frame has hundreds of colours; a
    // blank or black one has one or two.
    if (colours.size() < 50) {
        std::fprintf(stderr, "the window looks blank: %lld colours\n", static_cast<long long>(colours.size()));
        ++failures;
    }
    for (int i = 6; i < argc; ++i) {
        int x = 0, y = 0, w = 0, h = 0;
        const std::string_view check(argv[i]);
        if (check.ends_with("=plain") && std::sscanf(argv[i], "%d,%d,%d,%d=plain", &x, &y, &w, &h) == 4) {
            const QRgb first = window.pixel(x, y);
            for (int py = y; py < y + h; ++py)
                for (int px = x; px < x + w; ++px)
                    if (window.pixel(px, py) != first) {
                        std::fprintf(stderr, "%s: pixel %d,%d differs from %d,%d\n", argv[i], px, py, x, y);
                        ++failures;
                        py = y + h;
                        break;
                    }
            continue;
        }
        int scale = 0, least = 0;
        if (std::sscanf(argv[i], "%d,%d,%d,%d/%d>%d", &x, &y, &w, &h, &scale, &least) == 6 && scale > 1) {
            // Squares of scale x scale from the rectangle's corner that hold
            // more than one colour: a picture drawn at that scale has them
            // where texts are; one stretched from a smaller picture has none.
            int mixed = 0;
            for (int sy = y; sy + scale <= y + h; sy += scale)
                for (int sx = x; sx + scale <= x + w; sx += scale) {
                    const QRgb first = window.pixel(sx, sy);
                    bool same = true;
                    for (int dy = 0; dy < scale && same; ++dy)
                        for (int dx = 0; dx < scale && same; ++dx) same = window.pixel(sx + dx, sy + dy) == first;
                    if (!same) ++mixed;
                }
            if (mixed <= least) {
                std::fprintf(stderr, "%s: %d squares of more than one colour\n", argv[i], mixed);
                ++failures;
            }
            continue;
        }
        char hex[8] = {};
        char how = 0;
        if (std::sscanf(argv[i], "%d,%d,%d,%d%c#%6s", &x, &y, &w, &h, &how, hex) == 6 && (how == '~' || how == '!')) {
            const QRgb want = QColor(QStringLiteral("#%1").arg(QString::fromLatin1(hex))).rgb() & 0xFFFFFF;
            bool found = false;
            for (int py = y; py < y + h && !found; ++py)
                for (int px = x; px < x + w && !found; ++px) found = (window.pixel(px, py) & 0xFFFFFF) == want;
            if (found != (how == '~')) {
                std::fprintf(stderr, "%s: %s\n", argv[i], found ? "a pixel of that colour" : "no pixel of that colour");
                ++failures;
            }
            continue;
        }
        if (std::sscanf(argv[i], "%d,%d=#%6s", &x, &y, hex) != 3) {
            std::fprintf(stderr, "bad pixel check %s\n", argv[i]);
            return 2;
        }
        const QColor want(QStringLiteral("#%1").arg(QString::fromLatin1(hex)));
        const QColor got = window.pixelColor(x, y);
        if (got.rgb() != want.rgb()) {
            std::fprintf(stderr, "pixel %d,%d is %s, want %s\n", x, y, qPrintable(got.name()),
                         qPrintable(want.name()));
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
