#include "InterfaceFont.h"

#include <QFile>
#include <QFontDatabase>

namespace {

struct TFaces {
    QString Regular;
    QString Bold;
};

TFaces LoadFaces()
{
    const QString tahoma = QStringLiteral("Tahoma");
    const QString dejaVu = QStringLiteral("DejaVu Sans");
    if (QFontDatabase::hasFamily(tahoma)) return {tahoma, tahoma};
    // Only the regular face of Wine's: its bold one draws regular strokes.
    const QString wine = QStringLiteral("/usr/share/wine/fonts/tahoma.ttf");
    if (QFile::exists(wine)) QFontDatabase::addApplicationFont(wine);
    if (QFontDatabase::hasFamily(tahoma)) return {tahoma, QFontDatabase::hasFamily(dejaVu) ? dejaVu : tahoma};
    return {dejaVu, dejaVu};
}

const TFaces& Faces()
{
    static const TFaces faces = LoadFaces();
    return faces;
}

} // namespace

QString InterfaceFontFamily() { return Faces().Regular; }

QFont InterfaceFont(int pixels, bool bold)
{
    QFont font(bold ? Faces().Bold : Faces().Regular);
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setStyleStrategy(QFont::PreferDefault);
    return font;
}

QFont BoldInterfaceFont(const QFont& font)
{
    QFont bold = font;
    if (font.family() == Faces().Regular) bold.setFamily(Faces().Bold);
    bold.setBold(true);
    return bold;
}
