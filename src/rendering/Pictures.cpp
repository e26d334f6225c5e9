#include "Pictures.h"

#include <QGuiApplication>
#include <QPainter>
#include <QSvgRenderer>

QPixmap Picture(const QString& name, int size) { return Picture(name, QSize(size, size)); }

QPixmap Picture(const QString& name, QSize size)
{
    const qreal ratio = qApp ? qApp->devicePixelRatio() : 1.0;
    QPixmap pixmap(size * ratio);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(QStringLiteral(":/pictures/%1.svg").arg(name));
    if (renderer.isValid()) {
        QPainter painter(&pixmap);
        renderer.render(&painter);
    }
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

const QStringList& ImageList1()
{
    static const QStringList names{"moon", "sun-white", "sun-yellow", "gear", "power", "menu-dots", "lightning"};
    return names;
}

const QStringList& ImageList2()
{
    static const QStringList names{"logo-light", "logo-dark", "logo-grey"};
    return names;
}
