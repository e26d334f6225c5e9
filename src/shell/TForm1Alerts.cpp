// Alerts: the temperature rows against their limits, the captions' warning
// colour, the desktop's notifications and the tray icon's mark and values.

#include "TForm1.h"

#include "AsciiText.h"
#include "DesktopNotifications.h"
#include "Pictures.h"

#include <QApplication>
#include <QPainter>

namespace {

// A temperature row: its diagram, its caption, its sensor, the settings'
// maximum it falls back on (none for a custom metric) and what a
// notification calls it (a custom metric: its sensor's name).
struct TAlertRow {
    TPaintBox* TForm1::*Box;
    TAutoLabel* TForm1::*Caption;
    std::string TWmiSettings::*Sensor;
    std::int32_t TWmiSettings::*Maximum;
    const char* What;
};

const std::array<TAlertRow, 4> AlertRows = {{
    {&TForm1::PaintBox3, &TForm1::Label3, &TWmiSettings::sidCPUtemp, &TWmiSettings::CpuTermalMax, "Processor"},
    {&TForm1::PaintBox4, &TForm1::Label4, &TWmiSettings::sidGPUtemp, &TWmiSettings::GpuTermalMax, "Video card"},
    {&TForm1::PaintBox6, &TForm1::Label27, &TWmiSettings::sidCustom1, nullptr, nullptr},
    {&TForm1::PaintBox7, &TForm1::Label30, &TWmiSettings::sidCustom2, nullptr, nullptr},
}};

bool IsTemperature(const TProgressData& slot) { return SameTextIgnoringAsciiCase(slot.NameB, "Temperature"); }

} // namespace

std::size_t TForm1::NewestPosition() const
{
    // The hand-over moved the index past the position its values were written at.
    return static_cast<std::size_t>(((FDiagIndex - 1) % DataArrayLength + DataArrayLength) % DataArrayLength);
}

void TForm1::CheckAlerts()
{
    const auto now = FServices.Clock();
    for (std::size_t i = 0; i < AlertRows.size(); ++i) {
        const TAlertRow& row = AlertRows[i];
        TTemperatureAlert& alert = FAlerts[i];
        const std::string& sensor = MySetup.*row.Sensor;
        if (sensor != FAlertIds[i]) {
            alert.Reset();
            FAlertIds[i] = sensor;
        }
        const TProgressData* slot = SlotOf(this->*row.Box);
        if (!Alerts1->isChecked() || sensor.empty() || !slot || !IsTemperature(*slot)) {
            alert.Reset();
            continue;
        }
        const double value = slot->DataA[NewestPosition()];
        const TAlertLimits limits = AlertLimitsOf(
            slot->HighLimit, slot->CriticalLimit,
            row.Maximum ? std::optional<double>(MySetup.*row.Maximum) : std::nullopt);
        const TTemperatureAlert::TStep step = alert.Update(value, limits, now);
        if (step.Notify && FServices.Notifications)
            FServices.Notifications->Notify({AlertSummary(row.What ? row.What : slot->NameA, value),
                                             AlertBody(slot->NameA, limits), step.Critical});
    }
    ApplyAlertColours();
    UpdateTrayIcon();
}

void TForm1::Alerts1Click()
{
    if (!Alerts1->isChecked())
        for (TTemperatureAlert& alert : FAlerts) alert.Reset();
    ApplyAlertColours();
    UpdateTrayIcon();
}

bool TForm1::AlertOn() const
{
    return std::any_of(FAlerts.begin(), FAlerts.end(), [](const TTemperatureAlert& a) { return a.Warning(); });
}

bool TForm1::Warns(const QLabel* caption) const
{
    for (std::size_t i = 0; i < AlertRows.size(); ++i)
        if (this->*AlertRows[i].Caption == caption) return FAlerts[i].Warning();
    return false;
}

void TForm1::ApplyAlertColours()
{
    for (std::size_t i = 0; i < AlertRows.size(); ++i) {
        QLabel* caption = this->*AlertRows[i].Caption;
        const QColor colour = FAlerts[i].Warning() ? FColours.Warning : FColours.Text;
        if (!colour.isValid() || caption->palette().color(QPalette::WindowText) == colour) continue;
        QPalette p = caption->palette();
        p.setColor(QPalette::WindowText, colour);
        caption->setPalette(p);
    }
}

QIcon TForm1::TrayPicture(bool marked) const
{
    const QIcon base = QApplication::windowIcon().isNull() ? QIcon(Picture(QStringLiteral("application"), 64))
                                                           : QApplication::windowIcon();
    if (!marked) return base;
    QPixmap picture = base.pixmap(64, 64);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::white, 3));
    painter.setBrush(QColor(0xE0, 0x20, 0x20));
    painter.drawEllipse(QRectF(34.5, 34.5, 27, 27));
    return QIcon(picture);
}

void TForm1::UpdateTrayIcon()
{
    const bool marked = AlertOn();
    if (marked != FTrayMarked) {
        TrayIcon1->setIcon(TrayPicture(marked));
        FTrayMarked = marked;
    }
    const std::string line = TrayValuesLine();
    TrayIcon1->setToolTip(line.empty() ? windowTitle() : windowTitle() + QLatin1Char('\n') + QString::fromStdString(line));
}

std::string TForm1::TrayValuesLine() const
{
    const std::size_t at = NewestPosition();
    const TNumberStyle& style = FServices.NumberStyle;
    // A chosen sensor's newest value, or nothing where it was not found.
    const auto value = [&](const std::string& sensor, const TPaintBox* box) -> std::optional<double> {
        const TProgressData* slot = SlotOf(box);
        if (sensor.empty() || !slot || slot->NameA.empty() || slot->NameA == "NA") return std::nullopt;
        return slot->DataA[at];
    };
    std::string line;
    const auto add = [&](const std::string& part) {
        if (!part.empty()) line += (line.empty() ? "" : " · ") + part;
    };
    const auto device = [&](const char* name, const std::string& loadId, const TPaintBox* loadBox,
                            const std::string& tempId, const TPaintBox* tempBox) {
        if (loadId.empty() && tempId.empty()) return std::string();
        std::string part = name;
        if (const auto load = value(loadId, loadBox)) part += " " + FormatValue(style, "%.0n", *load) + " %";
        if (const auto temp = value(tempId, tempBox)) part += " " + FormatValue(style, "%.0n", *temp) + " °C";
        return part;
    };
    add(device("CPU", MySetup.sidCPUload, PaintBox1, MySetup.sidCPUtemp, PaintBox3));
    add(device("GPU", MySetup.sidGPUload, PaintBox2, MySetup.sidGPUtemp, PaintBox4));
    if (!MySetup.sidRAMused.empty()) {
        std::string part = "Mem";
        if (const auto used = value(MySetup.sidRAMused, PaintBox5)) {
            part += " " + FormatValue(style, "%.1n", *used);
            if (const double total = SlotOf(PaintBox5)->DataB[1]; total > 0)
                part += " of " + FormatValue(style, "%.0n", total);
            part += " Gb";
        }
        add(part);
    }
    return line;
}
