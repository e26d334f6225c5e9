// The settings the dialog edits and hands back: the options loaded into the
// controls, the checks of OK, and the settings stored from the controls and
// the catalogue.

#include "TForm2.h"

#include "ApplicationTitle.h"
#include "NodeExporterProvider.h"

#include <QSignalBlocker>

namespace {

// The item whose text is the value in decimal; no selection for another value.
void SelectNumber(QComboBox* combo, std::int32_t value)
{
    combo->setCurrentIndex(combo->findText(QString::number(value), Qt::MatchExactly));
}

// The selected item's text as a number; the value as it was without a selection.
std::int32_t SelectedNumber(const QComboBox* combo, std::int32_t value)
{
    bool ok = false;
    const int chosen = combo->currentIndex() >= 0 ? combo->currentText().toInt(&ok) : 0;
    return ok ? chosen : value;
}

} // namespace

void TForm2::LoadOptions()
{
    const TWmiSettings& s = TempSetup;
    CheckBox1->setChecked(s.DiskSlowPeak);
    CheckBox2->setChecked(s.ShowCpuBars);
    RadioButton1->setChecked(s.DiskDiagram);
    RadioButton2->setChecked(!s.DiskDiagram);
    ModeRadioButtonClick();
    ComboBox22->setCurrentIndex(s.DiskHumanRead ? 1 : 0);
    ComboBox17->setCurrentIndex(s.NetworkAsMbit ? 0 : 1);
    SelectNumber(CpuTempComboBox, s.CpuTermalMax);
    SelectNumber(GpuTempComboBox, s.GpuTermalMax);
    {
        // The change handler runs once, below, also when the level stays.
        const QSignalBlocker quiet(TrackBar1);
        TrackBar1->setValue(s.SoundLevel);
    }
    TrackBar1Change();
    cbTest1->setChecked((s.LabFlags & 1) != 0);
    cbTest2->setChecked((s.LabFlags & 2) != 0);
    ServerEdit->setText(QString::fromStdString(s.Server));
    ServerCaEdit->setText(QString::fromStdString(s.ServerCA));
}

void TForm2::ServerEditChange()
{
    // http:// to another host: what the machine measures crosses the network in the clear.
    std::string error;
    const std::string server = ServerEdit->text().trimmed().toStdString();
    const auto url = IsLocalServer(server) ? std::nullopt : NodeExporterUrl(server, error);
    const bool clear = url && url->starts_with("http://") && !url->starts_with("http://localhost:") &&
                       !url->starts_with("http://127.") && !url->starts_with("http://[::1]:");
    ServerNote->setText(clear ? QStringLiteral("The values travel unencrypted over http://: beyond your own network, use https://.")
                              : QString());
}

std::optional<std::string> TForm2::CheckChoices() const
{
    // The names shown are compared, exactly: two sensors of one name are as
    // indistinguishable on the window as one sensor twice.
    const auto same = [](const QComboBox* a, const QComboBox* b) {
        return !a->currentText().isEmpty() && a->currentText() == b->currentText();
    };
    if (same(ComboBox13, ComboBox14)) return "Memory metric settings for User and Free cannot be the same.";
    if (same(ComboBox15, ComboBox16)) return "Network metric settings for Upload and Download cannot be the same.";
    if (RadioButton1->isChecked() && same(DiskComboBox, DiskAltComboBox))
        return "Disk metric settings cannot be the same. Metric 2 is optional.";
    const std::string server = ServerEdit->text().trimmed().toStdString();
    std::string error;
    if (!IsLocalServer(server) && !NodeExporterUrl(server, error)) return "The machine's address cannot be used: " + error + ".";
    return std::nullopt;
}

void TForm2::TrackBar1Change()
{
    const std::int32_t level = TrackBar1->value();
    GroupBox2->setTitle(QStringLiteral("Boost: %1").arg(level * 10));
    if (FServices.Host) FServices.Host->SoundLevelChanged(level);
}

void TForm2::Button1Click()
{
    if (const auto message = CheckChoices()) {
        if (FServices.Boxes) FServices.Boxes->ShowError(ApplicationTitle, *message);
        return;
    }
    StoreSettings();
    accept();
}

std::string TForm2::ComboSensorId(const QComboBox* combo) const
{
    if (combo->currentIndex() < 0) return {};
    const int position = combo->currentData().toInt();
    const TCatalogueNode* node = position > 0 ? Catalogue().NodeAt(position) : nullptr;
    return node && node->Data ? node->Data->Id : std::string();
}

std::string TForm2::CustomSensorId(int metric) const
{
    const TCustomMetricField& field = CustomField(metric);
    const TCatalogueNode* node = field.Position > 0 ? Catalogue().NodeAt(field.Position) : nullptr;
    return node && node->Data ? node->Data->Id : field.KeptId;
}

void TForm2::StoreSettings()
{
    TWmiSettings& s = TempSetup;
    // After a failed rebuild the lists are empty: the configured sensors stay.
    if (!FCatalogueFailed) {
        const std::vector<std::pair<std::string*, const QComboBox*>> sensors{
            {&s.sidCPUload, ComboBox9},     {&s.sidCPUtemp, ComboBox10}, {&s.sidGPUload, ComboBox11},
            {&s.sidGPUtemp, ComboBox12},    {&s.sidRAMused, ComboBox13}, {&s.sidRAMfree, ComboBox14},
            {&s.sidNETupld, ComboBox15},    {&s.sidNETdown, ComboBox16}, {&s.sidHDD1, DiskComboBox},
            {&s.sidHDD1Alt, DiskAltComboBox}, {&s.sidHDD2, ComboBox18},  {&s.sidHDD3, ComboBox19},
            {&s.sidHDD4, ComboBox20}};
        for (const auto& [field, combo] : sensors) *field = ComboSensorId(combo);
    }
    s.DiskSlowPeak = CheckBox1->isChecked();
    s.ShowCpuBars = CheckBox2->isChecked();
    s.DiskDiagram = RadioButton1->isChecked();
    s.DiskHumanRead = ComboBox22->currentIndex() == 1;
    s.NetworkAsMbit = ComboBox17->currentIndex() == 0;
    s.CpuTermalMax = SelectedNumber(CpuTempComboBox, s.CpuTermalMax);
    s.GpuTermalMax = SelectedNumber(GpuTempComboBox, s.GpuTermalMax);
    // Without a device list (no audio library) the device was not shown: it stays.
    if (ComboBox21->count() > 0) {
        s.SoundDevice = ComboBox21->currentIndex();
        s.SoundDeviceName = s.SoundDevice < 0 ? std::string()
                                              : ComboBox21->currentData(SoundDeviceNameRole).toString().toStdString();
    }
    s.SoundLevel = TrackBar1->value();
    s.sidCustom1 = CustomSensorId(1);
    s.sidCustom2 = CustomSensorId(2);
    s.Server = IsLocalServer(ServerEdit->text().trimmed().toStdString()) ? std::string() : ServerEdit->text().trimmed().toStdString();
    s.ServerCA = ServerCaEdit->text().trimmed().toStdString();
    // Only the effects this desktop offers.
    s.LabFlags = (cbTest1->isEnabled() && cbTest1->isChecked() ? 1 : 0) +
                 (cbTest2->isEnabled() && cbTest2->isChecked() ? 2 : 0);
}
