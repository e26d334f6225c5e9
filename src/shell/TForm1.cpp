#include "TForm1.h"

#include "ComputerName.h"
#include "SettingsFile.h"

#include <QCoreApplication>

TForm1::TForm1(TNumberStyle numberStyle, QWidget* parent)
    : QWidget(parent), FNumberStyle(std::move(numberStyle))
{
    setWindowTitle(QStringLiteral("My Computer - Hardware Status"));
    FormCreate();
}

std::filesystem::path TForm1::IniFileName() const
{
    return IniFileNameFor(QCoreApplication::applicationFilePath().toStdString());
}

std::string TForm1::IniSaveSection() const { return IniSaveSectionFor(ComputerName()); }

void TForm1::FormCreate()
{
    TIniFile ini(IniFileName(), [this] { return IniSaveSection(); });
    MySetup = ReadSettings(ini);
    resize(320, 528);
}
