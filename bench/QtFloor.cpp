// The least a Qt window on X can cost: a bare window of the gadget's size
// that does nothing but what the gadget must do to the screen. It sets the
// floor under bench/footprint.sh's figures.
//
//   qt_floor spectrum   one 12 x 71 area repainted 40 times a second (a
//                       spectrum band that moves)
//   qt_floor rest       once a second: a 7 x 71 area (a history's new
//                       column) and six labels with new texts

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QTime>
#include <QTimer>
#include <QWidget>

#include <cstring>
#include <vector>

namespace {

class TArea : public QWidget {
public:
    explicit TArea(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }
    QImage Picture{300, 71, QImage::Format_RGB32};

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.drawImage(0, 0, Picture);
    }
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const bool spectrum = argc > 1 && std::strcmp(argv[1], "spectrum") == 0;
    QWidget window;
    window.resize(640, 640);
    auto* area = new TArea(&window);
    area->setGeometry(320, 448, 300, 71);
    std::vector<QLabel*> labels;
    for (int i = 0; i < 30; ++i) {
        auto* label = new QLabel(QStringLiteral("Label %1").arg(i), &window);
        label->move(8 + 200 * (i % 3), 20 + 40 * (i / 3));
        if (!spectrum && labels.size() < 6) labels.push_back(label);
    }
    window.show();
    int tick = 0;
    QTimer timer;
    timer.setInterval(spectrum ? 25 : 1000);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        area->Picture.fill(++tick % 2 ? Qt::darkBlue : Qt::lightGray);
        area->update(spectrum ? QRect(100, 0, 12, 71) : QRect(100, 0, 7, 71));
        for (QLabel* label : labels) {
            label->setText(QStringLiteral("Value: %1 %").arg(tick));
            label->adjustSize();
        }
    });
    timer.start();
    return app.exec();
}
