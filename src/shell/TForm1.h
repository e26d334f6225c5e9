#pragma once
// The main window: owns the active settings, the diagram data and (as the
// window grows) the provider connection and the refresh thread.

#include "DataModel.h"
#include "NumberStyle.h"

#include <QWidget>

#include <filesystem>
#include <string>

class TForm1 : public QWidget {
public:
    explicit TForm1(TNumberStyle numberStyle, QWidget* parent = nullptr);

    // The settings file beside the executable, and this computer's section in it.
    std::filesystem::path IniFileName() const;
    std::string IniSaveSection() const;

    const TWmiSettings& Setup() const { return MySetup; }

private:
    void FormCreate();

    TNumberStyle FNumberStyle;
    std::int32_t FDiagIndex = 0;
    TWmiDataArray FDiagData;
    TWmiSettings MySetup;
};
