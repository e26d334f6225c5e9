// How the settings dialog fills its combo boxes from the sensor catalogue and
// the settings it was opened with, and how its controls answer the user:
// Reset All, the hardware and metric lists, the disk modes, Sync All Metrics,
// the custom metrics and the link labels.

#include "TForm2.h"

#include "ApplicationTitle.h"
#include "AsciiText.h"
#include "AudioLibrary.h"
#include "LevelMeter.h"
#include "SensorTypes.h"

namespace {

QString Text(const std::string& text) { return QString::fromStdString(text); }

// Adds an item that carries a catalogue position; selects it when asked. A
// list's first item is not selected by itself: no choice stays no choice.
void AddPositionItem(QComboBox* combo, const std::string& text, int position, bool select)
{
    combo->addItem(Text(text), position);
    if (select)
        combo->setCurrentIndex(combo->count() - 1);
    else if (combo->count() == 1)
        combo->setCurrentIndex(-1);
}

// The list search of the dialog: the item with that text, letter case ignored.
int FindItem(const QComboBox* combo, const QString& text) { return combo->findText(text, Qt::MatchFixedString); }

bool StartsWith(const std::string& text, const std::string& prefix)
{
    return !prefix.empty() && text.compare(0, prefix.size(), prefix) == 0;
}

} // namespace

// --- Reset All and the filling ---

void TForm2::Button3Click() { ResetAll(); }

void TForm2::ResetAll()
{
    Button5->setEnabled(false);
    Button7->setEnabled(false);
    // Until the new tree stands, no position of the old one may be used.
    EmptySensorCombos();
    FCatalogueFailed = true;
    try {
        if (FServices.Host) FServices.Host->GetWmiOptions();
    } catch (...) {
        // The sensor lists stay empty, but every other control shows the
        // settings, so that OK cannot store the controls' design states.
        FillSoundDevices();
        LoadOptions();
        throw;
    }
    FCatalogueFailed = false;
    FillAllCombos();
    LoadOptions();
}

void TForm2::EmptySensorCombos()
{
    for (QComboBox* combo : {ComboBox1, ComboBox2, ComboBox3, ComboBox4, ComboBox5, ComboBox6, ComboBox7, ComboBox8,
                             ComboBox9, ComboBox10, ComboBox11, ComboBox12, ComboBox13, ComboBox14, ComboBox15,
                             ComboBox16, ComboBox18, ComboBox19, ComboBox20, DiskComboBox, DiskAltComboBox})
        combo->clear();
    // The custom metrics show their configured sensors by identifier until the
    // catalogue finds them again.
    ShowAbsentMetric(TempSetup.sidCustom1, FCustom1);
    ShowAbsentMetric(TempSetup.sidCustom2, FCustom2);
}

void TForm2::FillAllCombos()
{
    // 1, 2.
    for (QComboBox* combo : {ComboBox1, ComboBox2, ComboBox3, ComboBox4, ComboBox5, ComboBox6, ComboBox7, ComboBox8,
                             ComboBox9, ComboBox10, ComboBox11, ComboBox12, ComboBox13, ComboBox14, ComboBox15,
                             ComboBox16})
        combo->clear();
    for (QComboBox* combo : {ComboBox6, ComboBox7, ComboBox8}) AddPositionItem(combo, "", 0, false);

    // 3. Every hardware item into the lists of its type; the custom metrics.
    const TWmiSettings& s = TempSetup;
    const auto& nodes = Catalogue().Nodes();
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const TCatalogueNode& node = *nodes[i];
        if (!node.Data) continue;
        const int position = static_cast<int>(i);
        switch (HardwareTypeIndex(node.Data->aType)) {
        case 1:
            AddHardwareItem(ComboBox1, node, position, s.sidCPUload, s.sidCPUtemp);
            break;
        case 2:
        case 3:
        case 10:
            AddHardwareItem(ComboBox2, node, position, s.sidGPUload, s.sidGPUtemp);
            break;
        case 4:
            AddHardwareItem(ComboBox3, node, position, s.sidRAMused, s.sidRAMfree);
            break;
        case 6:
            AddHardwareItem(ComboBox4, node, position, s.sidNETupld, s.sidNETdown);
            break;
        case 7:
            AddHardwareItem(ComboBox5, node, position, s.sidHDD1, {});
            AddHardwareItem(ComboBox6, node, position, s.sidHDD2, {});
            AddHardwareItem(ComboBox7, node, position, s.sidHDD3, {});
            AddHardwareItem(ComboBox8, node, position, s.sidHDD4, {});
            break;
        default:
            break;
        }
        if (SameTextIgnoringAsciiCase(node.Data->Id, s.sidCustom1)) ShowMetricDetails(&node, FCustom1);
        if (SameTextIgnoringAsciiCase(node.Data->Id, s.sidCustom2)) ShowMetricDetails(&node, FCustom2);
    }

    // 4. Defaults where nothing is chosen yet.
    for (QComboBox* combo : {ComboBox1, ComboBox3})
        if (combo->currentIndex() < 0 && combo->count() == 1) combo->setCurrentIndex(0);
    for (QComboBox* combo : {ComboBox2, ComboBox5})
        if (combo->currentIndex() < 0 && combo->count() > 0) combo->setCurrentIndex(0);
    if (ComboBox4->currentIndex() < 0) {
        // The adapter named "Wi-Fi", else the first the kernel marks as
        // wireless (Linux names them wlp2s0, wlan0), else the only one.
        int wifi = FindItem(ComboBox4, QStringLiteral("Wi-Fi"));
        for (int i = 0; wifi < 0 && i < ComboBox4->count(); ++i) {
            const TCatalogueNode* node = Catalogue().NodeAt(ComboBox4->itemData(i).toInt());
            if (node && node->Data && node->Data->Wireless) wifi = i;
        }
        if (wifi >= 0)
            ComboBox4->setCurrentIndex(wifi);
        else if (ComboBox4->count() == 1)
            ComboBox4->setCurrentIndex(0);
    }

    // 5.
    ComboBox1Change();
    ComboBox5Change();
    ComboBox2Change();
    ComboBox6Change();
    ComboBox3Change();
    ComboBox7Change();
    ComboBox4Change();
    ComboBox8Change();

    // 6.
    FillSoundDevices();
}

void TForm2::FillSoundDevices()
{
    ComboBox21->clear();
    Memo1->setPlainText(QStringLiteral("..."));
    if (!FServices.Host || !FServices.Host->BassPresent()) {
        Memo1->setPlainText(QStringLiteral("libbass.so not found in App folder"));
        return;
    }
    if ((Bass().GetVersion() >> 16) != 0x0204) {
        Memo1->setPlainText(QStringLiteral("Incorrect version of BASS"));
        return;
    }
    BASS_DEVICEINFO info{};
    // The input chosen by its name wins where the server still offers it:
    // its position moves when other inputs come or go.
    for (DWORD device = 0; !TempSetup.SoundDeviceName.empty() && Bass().RecordGetDeviceInfo(device, &info); ++device)
        if (info.driver && TempSetup.SoundDeviceName == info.driver) TempSetup.SoundDevice = std::int32_t(device);
    for (DWORD device = 0; Bass().RecordGetDeviceInfo(device, &info); ++device) {
        ComboBox21->addItem(QString::fromLocal8Bit(info.name ? info.name : ""), int(device));
        ComboBox21->setItemData(ComboBox21->count() - 1, QString::fromUtf8(info.driver ? info.driver : ""),
                                SoundDeviceNameRole);
        if (TempSetup.SoundDevice == -1 && (info.flags & AudioDeviceDefault) != 0)
            TempSetup.SoundDevice = std::int32_t(device);
        if (TempSetup.SoundDevice == std::int32_t(device))
            ComboBox21->setCurrentIndex(ComboBox21->count() - 1);
        else if (ComboBox21->count() == 1)
            ComboBox21->setCurrentIndex(-1);
    }
    ComboBox21Change();
}

void TForm2::ComboBox21Change()
{
    Memo1->clear();
    if (ComboBox21->currentIndex() < 0) {
        Memo1->setPlainText(TempSetup.SoundDevice == -1
                                ? QStringLiteral("Using default Input sound device")
                                : QStringLiteral("Sound device (Index %1) was not found").arg(TempSetup.SoundDevice));
        return;
    }
    BASS_DEVICEINFO info{};
    if (FServices.Host && FServices.Host->BassPresent() &&
        Bass().RecordGetDeviceInfo(DWORD(ComboBox21->currentData().toInt()), &info))
        Memo1->setPlainText(QString::fromStdString(DescribeSoundDevice(info.flags)));
}

void TForm2::AddHardwareItem(QComboBox* combo, const TCatalogueNode& node, int position, const std::string& id1,
                             const std::string& id2)
{
    // A configured sensor's identifier begins with its hardware's, so its
    // hardware is chosen; a later match replaces an earlier one.
    const std::string& id = node.Data->Id;
    AddPositionItem(combo, node.Data->aName, position, StartsWith(id1, id) || StartsWith(id2, id));
}

void TForm2::RefillMetricCombos(QComboBox* hardware, QComboBox* main, QComboBox* second, std::uint16_t mainFilter,
                                std::uint16_t secondFilter, const std::string& mainId, const std::string& secondId)
{
    main->clear();
    if (second) second->clear();
    if (hardware->currentIndex() < 0) return;
    const int position = hardware->currentData().toInt();
    if (position <= 0 || position >= static_cast<int>(Catalogue().Nodes().size())) return;
    // The hardware's own sensors only, not those of its sub-devices.
    for (const auto& child : Catalogue().NodeAt(position)->Children) {
        if (!child->Data) continue;
        const int type = SensorTypeIndex(child->Data->aType);
        const int at = Catalogue().PositionOf(child.get());
        if (SensorFilter::Holds(mainFilter, type))
            AddPositionItem(main, child->Data->aName, at, SameTextIgnoringAsciiCase(child->Data->Id, mainId));
        if (second && SensorFilter::Holds(secondFilter, type))
            AddPositionItem(second, child->Data->aName, at, SameTextIgnoringAsciiCase(child->Data->Id, secondId));
    }
    for (QComboBox* combo : {main, second})
        if (combo && combo->currentIndex() < 0 && combo->count() == 1) combo->setCurrentIndex(0);
}

// --- the change handlers ---

void TForm2::ComboBox1Change()
{
    RefillMetricCombos(ComboBox1, ComboBox9, ComboBox10, SensorFilter::Load, SensorFilter::Temperature,
                       TempSetup.sidCPUload, TempSetup.sidCPUtemp);
}

void TForm2::ComboBox2Change()
{
    RefillMetricCombos(ComboBox2, ComboBox11, ComboBox12, SensorFilter::Load, SensorFilter::Temperature,
                       TempSetup.sidGPUload, TempSetup.sidGPUtemp);
}

void TForm2::ComboBox3Change()
{
    RefillMetricCombos(ComboBox3, ComboBox13, ComboBox14, SensorFilter::Data, SensorFilter::Data,
                       TempSetup.sidRAMused, TempSetup.sidRAMfree);
}

void TForm2::ComboBox4Change()
{
    RefillMetricCombos(ComboBox4, ComboBox15, ComboBox16, SensorFilter::Throughput, SensorFilter::Throughput,
                       TempSetup.sidNETupld, TempSetup.sidNETdown);
}

void TForm2::ComboBox5Change()
{
    // A new storage device keeps the metrics chosen by name where it has them.
    const QString metric = DiskComboBox->currentText();
    const QString metric2 = DiskAltComboBox->currentText();
    RefillMetricCombos(ComboBox5, DiskComboBox, DiskAltComboBox, SensorFilter::Storage, SensorFilter::AnyKnown,
                       TempSetup.sidHDD1, TempSetup.sidHDD1Alt);
    // "Metric 2" may stay empty.
    const int selected = DiskAltComboBox->currentIndex();
    DiskAltComboBox->insertItem(0, QString(), 0);
    DiskAltComboBox->setCurrentIndex(selected < 0 ? -1 : selected + 1);
    if (!metric.isEmpty()) {
        const int at = FindItem(DiskComboBox, metric);
        if (at >= 0) DiskComboBox->setCurrentIndex(at);
    }
    if (!metric2.isEmpty()) {
        const int at = FindItem(DiskAltComboBox, metric2);
        if (at >= 0) DiskAltComboBox->setCurrentIndex(at);
        DiskComboBoxChange();
    }
}

void TForm2::ComboBox6Change()
{
    RefillMetricCombos(ComboBox6, ComboBox18, nullptr, SensorFilter::Storage, 0, TempSetup.sidHDD2, {});
}

void TForm2::ComboBox7Change()
{
    RefillMetricCombos(ComboBox7, ComboBox19, nullptr, SensorFilter::Storage, 0, TempSetup.sidHDD3, {});
}

void TForm2::ComboBox8Change()
{
    RefillMetricCombos(ComboBox8, ComboBox20, nullptr, SensorFilter::Storage, 0, TempSetup.sidHDD4, {});
}

void TForm2::DiskComboBoxChange()
{
    // Activity falls back slowly by default; a rate or a temperature does not.
    CheckBox1->setChecked(DiskComboBox->currentText().contains(QStringLiteral("Activity"), Qt::CaseSensitive));
}

void TForm2::ModeRadioButtonClick()
{
    const bool oneDiagram = RadioButton1->isChecked();
    for (QWidget* control : std::initializer_list<QWidget*>{DiskAltLabel, DiskAltComboBox, Label6, ComboBox22})
        control->setVisible(oneDiagram);
    for (QWidget* control : std::initializer_list<QWidget*>{Button4, ComboBox6, ComboBox7, ComboBox8, ComboBox18,
                                                            ComboBox19, ComboBox20, Label26, Label27, Label28})
        control->setVisible(!oneDiagram);
    CheckBox1->setEnabled(!oneDiagram);
}

void TForm2::Button4Click()
{
    const QString metric = DiskComboBox->currentText();
    if (metric.isEmpty()) return;
    for (QComboBox* combo : {ComboBox18, ComboBox19, ComboBox20}) {
        const int at = FindItem(combo, metric);
        if (at >= 0) combo->setCurrentIndex(at);
    }
}

// --- the custom metrics ---

void TForm2::TreeView1Change()
{
    // Only a sensor of a known type can be a custom metric.
    const TCatalogueNode* node = TreeView1->Selected();
    const bool sensor = node && node->Data && node->ImageIndex != 0;
    Button5->setEnabled(sensor);
    Button7->setEnabled(sensor);
}

void TForm2::Button5Click() { ShowMetricDetails(TreeView1->Selected(), FCustom1); }

void TForm2::Button7Click() { ShowMetricDetails(TreeView1->Selected(), FCustom2); }

void TForm2::ShowMetricDetails(const TCatalogueNode* node, TCustomMetricField& field)
{
    if (!node || !node->Data) return;
    field.Position = Catalogue().PositionOf(node);
    field.KeptId.clear();
    field.Edit->setText(Text(node->Data->aName));
    field.Memo->setPlainText(Text("Type: " + node->Data->aType + "\r\nId: " + node->Data->Id +
                                  "\r\nOwner: " + Catalogue().OwnerPath(*node)));
}

void TForm2::ShowAbsentMetric(const std::string& id, TCustomMetricField& field)
{
    field.Position = 0;
    field.KeptId = id;
    field.Edit->setText(Text(id));
    field.Memo->setPlainText(id.empty() ? QString() : Text("Id: " + id));
}

void TForm2::Button6Click() { ClearMetric(FCustom1, "This will clear the settings for custom Metric 1?"); }

void TForm2::Button8Click() { ClearMetric(FCustom2, "This will clear the settings for custom Metric 2?"); }

void TForm2::ClearMetric(TCustomMetricField& field, const char* question)
{
    if (!field.Edit->text().isEmpty() &&
        !(FServices.Boxes && FServices.Boxes->AskYesNo(ApplicationTitle, question, TBoxPlace::ScreenCentre())))
        return;
    field.Edit->clear();
    field.Memo->clear();
    field.Position = 0;
    field.KeptId.clear();
}

// --- the links ---

void TForm2::WebLabel2Click(const TWebLabel& label)
{
    if (FServices.OpenWebAddress) FServices.OpenWebAddress(label.Address().toStdString());
}
