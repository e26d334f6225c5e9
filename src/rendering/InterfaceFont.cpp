#include "InterfaceFont.h"

#include <QFile>
#include <QFontDatabase>

namespace {

QString LoadFamily()
{
    if (QFontDatabase::hasFamily(QStringLiteral("Tahoma"))) return QStringLiteral("Tahoma");
    for (const char* file : {"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/wine/fonts/tahomabd.ttf"})
        if (QFile::exists(QString::fromLatin1(file))) QFontDatabase::addApplicationFont(QString::fromLatin1(file));
    if (QFontDatabase::hasFamily(QStringLiteral("Tahoma"))) return QStringLiteral("Tahoma");
    return QStringLiteral("DejaVu Sans");
}

} // namespace

QString InterfaceFontFamily()
{
    static const QString family = LoadFamily();
    return family;
}

QFont InterfaceFont(int pixels, bool bold)
{
    QFont font(InterfaceFontFamily());
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setStyleStrategy(QFont::PreferDefault);
    return font;
}
