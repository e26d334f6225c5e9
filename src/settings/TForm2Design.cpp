// The dialog's design: every control at its place and size, in device-independent
// pixels relative to its page, with its caption, content and starting state.

#include "InterfaceFont.h"
#include "Pictures.h"
#include "TForm2.h"

#include <QApplication>
#include <QFrame>
#include <QPalette>

namespace {

constexpr int FontPixels = 11;
constexpr int ComboHeight = 21;

QLabel* MakeLabel(QWidget* parent, int left, int top, const char* text, bool bold = false)
{
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    if (bold) label->setFont(InterfaceFont(FontPixels, true));
    label->move(left, top);
    label->adjustSize();
    return label;
}

// A label of fixed size whose text wraps inside it.
QLabel* MakeWrappedLabel(QWidget* parent, int left, int top, int width, int height, const char* text)
{
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(left, top, width, height);
    return label;
}

// A drop-down list that accepts no typing.
QComboBox* MakeCombo(QWidget* parent, int left, int top, int width, const QStringList& items = {})
{
    auto* combo = new QComboBox(parent);
    combo->setEditable(false);
    combo->setGeometry(left, top, width, ComboHeight);
    combo->addItems(items);
    return combo;
}

QPushButton* MakeButton(QWidget* parent, int left, int top, int width, int height, const char* caption)
{
    auto* button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setGeometry(left, top, width, height);
    return button;
}

QCheckBox* MakeCheckBox(QWidget* parent, int left, int top, int width, const char* caption, bool bold = false)
{
    auto* box = new QCheckBox(QString::fromUtf8(caption), parent);
    if (bold) box->setFont(InterfaceFont(FontPixels, true));
    box->setGeometry(left, top, width, 17);
    return box;
}

void MakeSeparator(QWidget* parent, int left, int top, int width)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(left, top, width, 2);
}

// Marks a widget to be drawn in the button-face colour (see TForm2::SetColours).
void UseButtonFace(QWidget* widget) { widget->setProperty(ButtonFaceProperty, true); }

// Read-only, flat, in the button-face colour.
QPlainTextEdit* MakeMemo(QWidget* parent, int left, int top, int width, int height)
{
    auto* memo = new QPlainTextEdit(parent);
    memo->setReadOnly(true);
    memo->setTabChangesFocus(true);
    memo->setFrameShape(QFrame::NoFrame);
    memo->setGeometry(left, top, width, height);
    UseButtonFace(memo);
    return memo;
}

QLineEdit* MakeMetricField(QWidget* parent, int left, int top)
{
    auto* edit = new QLineEdit(parent);
    edit->setReadOnly(true);
    edit->setFont(InterfaceFont(FontPixels, true));
    edit->setGeometry(left, top, 184, 21);
    UseButtonFace(edit);
    return edit;
}

QLabel* MakePicture(QWidget* parent, int left, int top, int width, int height, const char* picture)
{
    auto* image = new QLabel(parent);
    image->setGeometry(left, top, width, height);
    image->setPixmap(Picture(QString::fromLatin1(picture), QSize(width, height)));
    return image;
}

// A white panel with a flat border.
QWidget* MakePanel(QWidget* parent, int left, int top, int width, int height)
{
    auto* panel = new QFrame(parent);
    panel->setFrameShape(QFrame::Box);
    panel->setLineWidth(1);
    panel->setAutoFillBackground(true);
    QPalette colours = panel->palette();
    colours.setColor(QPalette::Window, Qt::white);
    colours.setColor(QPalette::WindowText, QColor(0xA0, 0xA0, 0xA0));
    panel->setPalette(colours);
    panel->setGeometry(left, top, width, height);
    return panel;
}

// A link label; its left edge is set at creation, beside its label.
TWebLabel* MakeWebLabel(QWidget* parent, int top, const char* address)
{
    auto* link = new TWebLabel(parent);
    link->SetAddress(QString::fromLatin1(address));
    link->move(0, top);
    return link;
}

const QStringList TemperatureMaxima{"100", "95", "90", "85", "80", "75", "70"};

} // namespace

TWebLabel::TWebLabel(QWidget* parent) : QLabel(parent)
{
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
    // In the link colour of the dialog's palette (see TForm2::SetColours).
    setForegroundRole(QPalette::Link);
    setCursor(Qt::PointingHandCursor);
}

void TWebLabel::SetAddress(const QString& address)
{
    FAddress = address;
    Present();
}

void TWebLabel::SetRoom(int width)
{
    FRoom = width;
    Present();
}

void TWebLabel::Present()
{
    const QFontMetrics metrics(font());
    const bool fits = FRoom < 0 || metrics.horizontalAdvance(FAddress) <= FRoom;
    setText(fits ? FAddress : metrics.elidedText(FAddress, Qt::ElideMiddle, FRoom));
    setToolTip(fits ? QString() : FAddress);
    adjustSize();
}

void TWebLabel::mouseReleaseEvent(QMouseEvent* event)
{
    QLabel::mouseReleaseEvent(event);
    if (OnClick) OnClick();
}

void TForm2::CreateElements()
{
    setWindowTitle(QStringLiteral("Settings"));
    // A fixed dialog border that stays on top of other windows.
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    setFont(InterfaceFont(FontPixels));
    setFixedSize(Form2ClientWidth, Form2ClientHeight);

    // Bottom row.
    Button3 = MakeButton(this, 8, 551, 105, 25, "&Reset All");
    Button1 = MakeButton(this, 485, 551, 75, 25, "&OK");
    Button2 = MakeButton(this, 566, 551, 75, 25, "&Cancel");
    Button1->setDefault(true);
    PageControl1 = new QTabWidget(this);
    PageControl1->setGeometry(8, 8, 633, 537);
    TabSheet1 = new QWidget;
    TabSheet2 = new QWidget;
    TabSheet3 = new QWidget;
    PageControl1->addTab(TabSheet1, QStringLiteral("Monitors"));
    PageControl1->addTab(TabSheet2, QStringLiteral("Sensors"));
    PageControl1->addTab(TabSheet3, QStringLiteral("Experimental"));

    // --- Page "Monitors": five sections, each a bold heading over its
    // hardware combo and up to three labelled columns.
    QWidget* page = TabSheet1;
    for (const int top : {62, 126, 190, 254, 398}) MakeSeparator(page, 8, top, 608);
    const auto section = [page](int labelTop, const char* heading) {
        MakeLabel(page, 8, labelTop, heading, true);
        return MakeCombo(page, 8, labelTop + 19, 217);
    };
    const auto column = [page](int left, int width, int labelTop, const char* caption, const QStringList& items = {}) {
        QLabel* label = MakeLabel(page, left, labelTop, caption);
        QComboBox* combo = MakeCombo(page, left, labelTop + 19, width, items);
        return std::pair{label, combo};
    };
    ComboBox1 = section(8, "Processor:");
    ComboBox9 = column(240, 121, 8, "Load:").second;
    ComboBox10 = column(367, 121, 8, "Temperature:").second;
    std::tie(Label7, CpuTempComboBox) = column(494, 122, 8, "Maximum Temperature:", TemperatureMaxima);

    ComboBox2 = section(72, "Video Card:");
    ComboBox11 = column(240, 121, 72, "Load:").second;
    ComboBox12 = column(367, 121, 72, "Temperature:").second;
    GpuTempComboBox = column(494, 122, 72, "Maximum Temperature:", TemperatureMaxima).second;

    ComboBox3 = section(136, "Memory:");
    ComboBox13 = column(240, 121, 136, "Used:").second;
    ComboBox14 = column(367, 121, 136, "Free:").second;

    ComboBox4 = section(200, "Network:");
    ComboBox15 = column(240, 121, 200, "Upload:").second;
    ComboBox16 = column(367, 121, 200, "Download:").second;
    ComboBox17 = column(494, 122, 200, "Metric Format:", {"Mbit / Gbit", "bytes / Kb / Mb"}).second;
    ComboBox17->setCurrentIndex(1);

    ComboBox5 = section(261, "Storage:");
    DiskComboBox = column(240, 121, 261, "Metric:").second;
    std::tie(DiskAltLabel, DiskAltComboBox) = column(367, 121, 261, "Metric 2:");
    std::tie(Label6, ComboBox22) = column(494, 122, 261, "Metric Format:", {"Original values", "bytes / Kb / Mb"});
    ComboBox22->setCurrentIndex(1);
    Label26 = MakeLabel(page, 8, 310, "2:");
    ComboBox6 = MakeCombo(page, 24, 307, 201);
    ComboBox18 = MakeCombo(page, 240, 307, 121);
    Label27 = MakeLabel(page, 8, 337, "3:");
    ComboBox7 = MakeCombo(page, 24, 334, 201);
    ComboBox19 = MakeCombo(page, 240, 334, 121);
    Label28 = MakeLabel(page, 8, 364, "4:");
    ComboBox8 = MakeCombo(page, 24, 361, 201);
    ComboBox20 = MakeCombo(page, 240, 361, 121);
    Button4 = MakeButton(page, 367, 278, 112, 25, "Sync All &Metrics");
    GroupBox1 = new QGroupBox(QStringLiteral("Metric Mode:"), page);
    GroupBox1->setGeometry(367, 307, 249, 75);
    RadioButton1 = new QRadioButton(QStringLiteral("Show &1 Disk Diagram with 1 or 2 Metrics"), GroupBox1);
    RadioButton1->setGeometry(17, 22, 222, 17);
    RadioButton2 = new QRadioButton(QStringLiteral("Show &4 Disk Bars:"), GroupBox1);
    RadioButton2->setGeometry(17, 45, 121, 17);
    RadioButton2->setChecked(true);
    CheckBox1 = MakeCheckBox(GroupBox1, 144, 45, 95, "Delay &Fall-off");

    // Sound.
    Label21 = MakeLabel(page, 8, 405, "Sound:", true);
    ComboBox21 = MakeCombo(page, 8, 424, 353);
    Label22 = MakeWrappedLabel(page, 8, 451, 353, 30,
                               "To monitor system sound activity you have to select a loopback interface (e.g. "
                               "\"Sound Mix\", \"What U Hear\"). Not all sound cards support it. ");
    Label24 = MakeLabel(page, 8, 482, "Uses addon BASS library:");
    WebLabel1 = MakeWebLabel(page, 482, SoundServerAddress);
    GroupBox2 = new QGroupBox(QStringLiteral("..."), page);
    GroupBox2->setGeometry(367, 405, 100, 92);
    TrackBar1 = new QSlider(Qt::Vertical, GroupBox2);
    TrackBar1->setGeometry(19, 15, 42, 73);
    // The value is the level: 20 (boost 200) at the top beside "- 200", 0 at
    // the bottom, so that the up key, the wheel and the groove's fill all
    // raise the boost. Its position counted from the top is 20 - level.
    TrackBar1->setRange(0, 20);
    TrackBar1->setTickPosition(QSlider::TicksBothSides);
    TrackBar1->setTickInterval(3);
    TrackBar1->setValue(9);
    Label30 = MakeLabel(GroupBox2, 61, 19, "- 200");
    Label31 = MakeLabel(GroupBox2, 61, 44, "- 100");
    Label32 = MakeLabel(GroupBox2, 61, 69, "- 0");
    Memo1 = MakeMemo(page, 473, 411, 143, 85);

    // --- Page "Sensors".
    page = TabSheet2;
    Label8 = MakeLabel(page, 8, 8, "List of Hardware and Sensor data received from the system:");
    TreeView1 = new TCatalogueTreeView(page);
    TreeView1->setGeometry(8, 27, 409, 418);
    Label17 = MakeWrappedLabel(page, 8, 451, 608, 30,
                               "If you don't see any sensors listed above, please make sure that the kernel's "
                               "hardware monitoring drivers are loaded (the \"sensors-detect\" tool finds them). You "
                               "can download the tools from the link below.");
    Label25 = MakeLabel(page, 8, 482, "Download from:");
    WebLabel2 = MakeWebLabel(page, 482, SensorToolsAddress);
    Label23 = MakeLabel(page, 432, 8, "Custom Metrics:", true);
    Label34 = MakeWrappedLabel(page, 432, 27, 184, 43,
                               "You can select up to 2 additional metrics from the tree on the left to be monitored "
                               "on main windows.");
    Label29 = MakeLabel(page, 432, 72, "Metric 1:");
    Edit2 = MakeMetricField(page, 432, 91);
    Memo2 = MakeMemo(page, 432, 118, 184, 85);
    Button5 = MakeButton(page, 432, 209, 103, 25, "Select Metric &1");
    Button6 = MakeButton(page, 541, 209, 75, 25, "Clear");
    MakeSeparator(page, 432, 254, 184);
    Label33 = MakeLabel(page, 433, 264, "Metric 2:");
    Edit3 = MakeMetricField(page, 432, 283);
    Memo3 = MakeMemo(page, 432, 310, 184, 85);
    Button7 = MakeButton(page, 432, 401, 103, 25, "Select Metric &2");
    Button8 = MakeButton(page, 541, 401, 75, 25, "Clear");
    MakeSeparator(page, 432, 444, 184);

    // --- Page "Experimental".
    page = TabSheet3;
    Label35 = MakeLabel(page, 8, 8, "These features are EXPERIMENTAL and may not work properly:");
    cbTest1 = MakeCheckBox(page, 8, 35, 400, "Add ACRYLIC-BLUR-BEHIND support", true);
    StaticText1 = MakeLabel(page, 26, 58, "To control the setting go to your desktop's settings -> Desktop Effects -> Blur:");
    Panel1 = MakePanel(page, 24, 82, 345, 95);
    Image4 = MakePicture(Panel1, 8, 31, 32, 32, "arrow-right");
    Image1 = MakePicture(Panel1, 88, 2, 253, 91, "transparency-switch");
    cbTest2 = MakeCheckBox(page, 8, 194, 400, "Add ACCENT-COLOR-BACKGROUND support", true);
    Panel2 = MakePanel(page, 24, 224, 345, 121);
    Image5 = MakePicture(Panel2, 2, 44, 32, 32, "arrow-right");
    Image6 = MakePicture(Panel2, 35, 0, 309, 124, "accent-colour");
    // The panel's border stays drawn over the picture's lower edge.
    Image6->setGeometry(35, 1, 309, 119);
    CheckBox2 = MakeCheckBox(page, 8, 364, 400, "Show Utilization Bars (CPU load) for all CPU cores ", true);
    Label38 = MakeWrappedLabel(page, 26, 387, 583, 30,
                               "This option will add two more CPU Load diagrams (for CCD1 and CCD2) with bars for "
                               "each CPU core to show the current load. Please note that no historical information "
                               "will be shown.");
    MakeSeparator(page, 8, 442, 608);
    Label36 = MakeWrappedLabel(page, 8, 451, 608, 30,
                               "Auto-Detect color theme will automatically adjust this Application colors to follow "
                               "the desktop's global setting: Appearance -> Colors -> Color scheme  [Light or Dark]");
    Label37 = MakeLabel(page, 8, 482,
                        "Transparent color theme will require at least one of the above \"Add ...\" options to be "
                        "activated.");

    // --- Page "Machine".
    TabSheet4 = new QWidget;
    PageControl1->addTab(TabSheet4, QStringLiteral("Machine"));
    page = TabSheet4;
    ServerLabel = MakeLabel(page, 8, 8, "Machine to watch:", true);
    ServerEdit = new QLineEdit(page);
    ServerEdit->setGeometry(8, 27, 400, 21);
    ServerEdit->setPlaceholderText(QStringLiteral("this computer"));
    ServerHelp = MakeWrappedLabel(page, 8, 56, 608, 58,
                                  "Leave it empty to watch this computer. To watch another machine, give the address of "
                                  "the Prometheus node_exporter it runs: http://HOST:PORT or https://HOST:PORT (port "
                                  "9100 when left out). A user name and password for it are read from your ~/.netrc. "
                                  "After OK the sensors and every diagram come from that machine.");
    ServerCaLabel = MakeLabel(page, 8, 122, "Certificate authority file (https, optional):");
    ServerCaEdit = new QLineEdit(page);
    ServerCaEdit->setGeometry(8, 141, 400, 21);
    ServerCaEdit->setPlaceholderText(QStringLiteral("the system's certificates"));
    ServerNote = MakeWrappedLabel(page, 8, 172, 608, 30, "");

    Timer1 = new QTimer(this);
    Timer1->setInterval(500);

    UseButtonFace(TreeView1);
    const QPalette desktop = QApplication::palette();
    SetColours(desktop.color(QPalette::Window), desktop.color(QPalette::WindowText));
    SetTabOrder();
}

void TForm2::SetTabOrder()
{
    // Section by section, left to right; in the storage section the extra
    // device combos before the metric combos, then the mode group, the sound
    // combo, the level group and the device information.
    const std::vector<QWidget*> monitors{
        ComboBox1,  ComboBox9,    ComboBox10,   CpuTempComboBox, ComboBox2,  ComboBox11,      ComboBox12,
        GpuTempComboBox, ComboBox3, ComboBox13, ComboBox14,      ComboBox4,  ComboBox15,      ComboBox16,
        ComboBox17, ComboBox5,    ComboBox6,    ComboBox7,       ComboBox8,  DiskComboBox,    ComboBox18,
        ComboBox19, ComboBox20,   DiskAltComboBox, Button4,      ComboBox22, RadioButton1,    RadioButton2,
        CheckBox1,  ComboBox21,   TrackBar1,    Memo1};
    // Then the pages "Sensors" and "Experimental", and the bottom row. Tab
    // skips the controls of the pages not shown.
    std::vector<QWidget*> chain = monitors;
    chain.insert(chain.end(), {TreeView1, Edit2, Memo2, Button5, Button6, Edit3, Memo3, Button7, Button8, cbTest1,
                               cbTest2, CheckBox2, ServerEdit, ServerCaEdit, Button3, Button1, Button2});
    for (std::size_t i = 1; i < chain.size(); ++i) setTabOrder(chain[i - 1], chain[i]);
}
