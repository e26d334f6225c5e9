#pragma once
// The settings dialog: the user picks the sensor of each diagram, two custom
// metrics from the sensor catalogue, the display options, the sound input and
// the experimental window effects. It edits its own copy of the settings,
// TempSetup; the main window copies its settings in before showing it and
// takes them back after OK.

#include "CatalogueView.h"
#include "DataModel.h"
#include "DesktopEffects.h"
#include "MessageBoxes.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QTimer>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

// What the dialog asks of the main window, which owns the provider
// connection and the settings file.
class ISettingsHost {
public:
    virtual ~ISettingsHost() = default;
    // Rebuilds the dialog's catalogue from the window's provider connection;
    // a provider error goes on to the caller after the tree is sorted.
    virtual void GetWmiOptions() = 0;
    virtual std::filesystem::path IniFileName() const = 0;
    // Whether the audio library was found and loaded at start-up.
    virtual bool BassPresent() const = 0;
    // The level slider moved: the running meter follows at once.
    virtual void SoundLevelChanged(std::int32_t level) = 0;
    // Runs a handler as the application does: an error that leaves it is
    // shown in an error box.
    virtual void RunHandler(const std::function<void()>& handler) = 0;
};

struct TForm2Services {
    ISettingsHost* Host = nullptr;
    IMessageBoxes* Boxes = nullptr;
    // Asked once, at creation.
    std::function<TDesktopEffects()> DesktopEffects;
    std::function<void(const std::string&)> OpenWebAddress;
};

// Sensor-type filters of the metric combo boxes: bit i stands for sensor-type
// index i (0, the unknown type, is in none).
namespace SensorFilter {
inline constexpr std::uint16_t Temperature = 0x0008;
inline constexpr std::uint16_t Load = 0x0010;
inline constexpr std::uint16_t Data = 0x0080;
inline constexpr std::uint16_t Throughput = 0x0800;
// Temperature, Load, Level and Throughput.
inline constexpr std::uint16_t Storage = 0x0C18;
// Every known type, Voltage to Flow.
inline constexpr std::uint16_t AnyKnown = 0x3FFE;
constexpr bool Holds(std::uint16_t filter, int typeIndex)
{
    return typeIndex >= 0 && typeIndex < 16 && ((filter >> typeIndex) & 1) != 0;
}
} // namespace SensorFilter

inline constexpr int Form2ClientWidth = 649;
// The sound server's name of a recording device, with its item of the device list.
inline constexpr int SoundDeviceNameRole = Qt::UserRole + 1;
// A control drawn in the button-face colour (memos, the metric fields, the tree).
inline constexpr const char* ButtonFaceProperty = "tellvaneButtonFace";

// The dialog's colours for a window of these background and text colours: on
// a dark background a dark palette throughout (pages, lists, fields, buttons),
// else the desktop's palette with the window's colours. Links in the
// palette's Link colour.
QPalette DialogPalette(const QColor& window, const QColor& text);
inline constexpr int Form2ClientHeight = 583;
// The addresses the two link labels open: the sound server the audio library
// records from, and the tools that find and load the kernel's sensor drivers.
inline constexpr const char* SoundServerAddress = "https://www.freedesktop.org/wiki/Software/PulseAudio/";
inline constexpr const char* SensorToolsAddress = "https://github.com/lm-sensors/lm-sensors";

// A label that shows a web address as a link: highlight colour, underlined,
// a hand cursor; a click runs OnClick. An address longer than the label's
// room is shown cut in the middle, and whole as the tooltip.
class TWebLabel : public QLabel {
public:
    explicit TWebLabel(QWidget* parent);
    void SetAddress(const QString& address);
    const QString& Address() const { return FAddress; }
    // At most `width` pixels wide from now on.
    void SetRoom(int width);
    std::function<void()> OnClick;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void Present();
    QString FAddress;
    int FRoom = -1;
};

class TForm2 : public QDialog {
public:
    explicit TForm2(TForm2Services services, QWidget* parent = nullptr);

    // The settings the dialog edits.
    TWmiSettings TempSetup;

    // Every control in the colours that go with a window of these background
    // and text colours, readable in each theme.
    void SetColours(const QColor& window, const QColor& text);

    // Shows the dialog modally; QDialog::Accepted after OK, Rejected otherwise.
    int ShowModal();

    // --- handlers ---
    void FormCreate();
    void FormShow();
    void Timer1Timer();
    void Button1Click();
    void Button3Click();
    void ModeRadioButtonClick();
    void TreeView1Change();
    void WebLabel2Click(const TWebLabel& label);
    // The server's address changed: says whether values would travel unencrypted.
    void ServerEditChange();

    void ComboBox1Change();
    void ComboBox2Change();
    void ComboBox3Change();
    void ComboBox4Change();
    void ComboBox5Change();
    void ComboBox6Change();
    void ComboBox7Change();
    void ComboBox8Change();
    void DiskComboBoxChange();
    void TrackBar1Change();
    void ComboBox21Change();
    void Button4Click();
    void Button5Click();
    void Button6Click();
    void Button7Click();
    void Button8Click();

    // Reset All: the controls back to TempSetup against a fresh catalogue.
    void ResetAll();
    // Every combo box from the catalogue and TempSetup.
    void FillAllCombos();
    // The recording devices of the audio library, the configured one chosen.
    void FillSoundDevices();
    // The welcome message shown while no settings file exists.
    static std::string WelcomeMessage();

    // The identifier a metric combo box stands for: its selected item's node's,
    // empty without a selection or with the empty item.
    std::string ComboSensorId(const QComboBox* combo) const;
    // The identifier of custom metric 1 or 2: its node's, or the configured
    // identifier while its sensor is not in the catalogue; empty when cleared.
    std::string CustomSensorId(int metric) const;
    // The catalogue position stored with custom metric 1 or 2 (0 for none).
    int CustomPosition(int metric) const { return CustomField(metric).Position; }

    // --- the dialog's controls (names as in the dialog's design) ---
    QPushButton *Button1, *Button2, *Button3;
    QTabWidget* PageControl1;
    QWidget *TabSheet1, *TabSheet2, *TabSheet3;
    // Page "Monitors".
    QComboBox *ComboBox1, *ComboBox2, *ComboBox3, *ComboBox4, *ComboBox5, *ComboBox6, *ComboBox7, *ComboBox8,
        *ComboBox9, *ComboBox10, *ComboBox11, *ComboBox12, *ComboBox13, *ComboBox14, *ComboBox15, *ComboBox16,
        *ComboBox17, *ComboBox18, *ComboBox19, *ComboBox20, *ComboBox21, *ComboBox22;
    QComboBox *CpuTempComboBox, *GpuTempComboBox, *DiskComboBox, *DiskAltComboBox;
    QLabel *Label6, *Label7, *DiskAltLabel, *Label21, *Label22, *Label24, *Label26, *Label27, *Label28, *Label30,
        *Label31, *Label32;
    TWebLabel* WebLabel1;
    QPushButton* Button4;
    QGroupBox* GroupBox1;
    QRadioButton *RadioButton1, *RadioButton2;
    QCheckBox* CheckBox1;
    QGroupBox* GroupBox2;
    QSlider* TrackBar1;
    QPlainTextEdit* Memo1;
    // Page "Sensors".
    QLabel *Label8, *Label17, *Label23, *Label25, *Label29, *Label33, *Label34;
    TCatalogueTreeView* TreeView1;
    TWebLabel* WebLabel2;
    QLineEdit *Edit2, *Edit3;
    QPlainTextEdit *Memo2, *Memo3;
    QPushButton *Button5, *Button6, *Button7, *Button8;
    // Page "Experimental".
    QLabel *Label35, *Label36, *Label37, *Label38, *StaticText1;
    QCheckBox *cbTest1, *cbTest2, *CheckBox2;
    QWidget *Panel1, *Panel2;
    QLabel *Image1, *Image4, *Image5, *Image6;
    // Page "Machine": the machine watched, this one or another's node_exporter.
    QWidget* TabSheet4;
    QLabel *ServerLabel, *ServerHelp, *ServerCaLabel, *ServerNote;
    QLineEdit *ServerEdit, *ServerCaEdit;
    QTimer* Timer1;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // A custom-metric field: the edit and memo that show it, the position of
    // its node, and the configured identifier kept while its sensor is absent.
    struct TCustomMetricField {
        QLineEdit* Edit = nullptr;
        QPlainTextEdit* Memo = nullptr;
        int Position = 0;
        std::string KeptId;
    };

    void CreateElements();
    void SetTabOrder();
    void RunHandler(const std::function<void()>& handler);

    // Loading and storing the controls that are not filled from the catalogue.
    void LoadOptions();
    void StoreSettings();
    // The first failed check's message, or nothing.
    std::optional<std::string> CheckChoices() const;

    void AddHardwareItem(QComboBox* combo, const TCatalogueNode& node, int position, const std::string& id1,
                         const std::string& id2);
    void RefillMetricCombos(QComboBox* hardware, QComboBox* main, QComboBox* second, std::uint16_t mainFilter,
                            std::uint16_t secondFilter, const std::string& mainId, const std::string& secondId);
    void ShowMetricDetails(const TCatalogueNode* node, TCustomMetricField& field);
    // The configured identifier of a sensor that is not in the catalogue now.
    void ShowAbsentMetric(const std::string& id, TCustomMetricField& field);
    void ClearMetric(TCustomMetricField& field, const char* question);
    TCustomMetricField& CustomField(int metric) { return metric == 1 ? FCustom1 : FCustom2; }
    const TCustomMetricField& CustomField(int metric) const { return metric == 1 ? FCustom1 : FCustom2; }
    // Empties every combo box filled from the catalogue.
    void EmptySensorCombos();
    const TSensorCatalogue& Catalogue() const { return TreeView1->Catalogue(); }

    TForm2Services FServices;
    TCustomMetricField FCustom1, FCustom2;
    // The last rebuild of the catalogue failed: the sensor choices cannot be
    // read from the controls, and OK keeps the configured ones.
    bool FCatalogueFailed = false;
};
