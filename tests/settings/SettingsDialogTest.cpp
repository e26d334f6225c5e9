// The settings dialog on Qt's offscreen platform: its controls, link labels,
// tab order, showing, welcome message, results and the catalogue's tree view,
// with a provider the test controls behind a host of the test's own.

#include "CatalogueView.h"
#include "DialogTestHost.h"
#include "HardwareProvider.h"
#include "LocalNamespaces.h"
#include "ScriptedBoxes.h"
#include "TForm2.h"
#include "TempDir.h"
#include "TestProvider.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QHeaderView>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <map>

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;
using TKind = TShownBox::TKind;

class SettingsDialogTest : public testing::Test {
protected:
    void SetUp() override
    {
        Host.Service = std::make_shared<TWbemService>(TestHardwareNamespace, Provider);
        Host.Ini = Dir / "tellvane.ini";
        Host.Boxes = &Boxes;
        Provider->AddHardware("/cpu/0", "Processor A", "Cpu");
        Provider->SetSensor("/cpu/0/load/0", "CPU Total", "Load", 10, "/cpu/0");
        Provider->SetSensor("/cpu/0/load/1", "CPU Core #1", "Load", 10, "/cpu/0");
        Provider->SetSensor("/cpu/0/x/0", "Odd", "Amperes", 1, "/cpu/0");
        Provider->AddHardware("/ram", "Memory", "Memory");
        Provider->SetSensor("/ram/data/0", "Used Memory", "Data", 3, "/ram");
    }

    std::unique_ptr<TForm2> Create(TDesktopEffects effects = {})
    {
        TForm2Services services;
        services.Host = &Host;
        services.Boxes = &Boxes;
        services.DesktopEffects = [effects] { return effects; };
        services.OpenWebAddress = [this](const std::string& address) { Opened.push_back(address); };
        auto dialog = std::make_unique<TForm2>(std::move(services));
        Host.Dialog = dialog.get();
        return dialog;
    }

    // Shows the dialog modally and runs `whileOpen` inside its loop, which is
    // to close it; the result.
    static int RunModal(TForm2& dialog, const std::function<void()>& whileOpen)
    {
        QTimer::singleShot(0, &dialog, [&dialog, whileOpen] {
            whileOpen();
            if (dialog.isVisible()) {
                ADD_FAILURE() << "the dialog is still open";
                dialog.done(-1);
            }
        });
        return dialog.ShowModal();
    }

    TempDir Dir;
    ScriptedBoxes Boxes;
    TestHost Host;
    std::shared_ptr<TTableProvider> Provider = std::make_shared<TTableProvider>();
    std::vector<std::string> Opened;
};

// --- the surface ---

struct TPlace {
    QWidget* Control;
    QRect Geometry;
    const char* Caption; // nothing to check when null
};

QString CaptionOf(const QWidget* control)
{
    if (const auto* label = qobject_cast<const QLabel*>(control)) return label->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(control)) return button->text();
    if (const auto* group = qobject_cast<const QGroupBox*>(control)) return group->title();
    return {};
}

TEST_F(SettingsDialogTest, ControlsSitWhereTheDesignPutsThemWithTheirCaptions)
{
    auto dialog = Create();
    EXPECT_EQ(dialog->windowTitle(), "Settings");
    EXPECT_EQ(dialog->size(), QSize(649, 583));
    EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize()) << "a fixed border";
    EXPECT_TRUE(dialog->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(dialog->font().pixelSize(), 11);
    ASSERT_EQ(dialog->PageControl1->count(), 4);
    EXPECT_EQ(dialog->PageControl1->tabText(0), "Monitors");
    EXPECT_EQ(dialog->PageControl1->tabText(1), "Sensors");
    EXPECT_EQ(dialog->PageControl1->tabText(2), "Experimental");
    EXPECT_EQ(dialog->PageControl1->tabText(3), "Machine") << "the machine watched, added after the three";

    const TForm2& d = *dialog;
    const std::vector<TPlace> places{
        {d.Button3, {8, 551, 105, 25}, "&Reset All"},
        {d.Button1, {485, 551, 75, 25}, "&OK"},
        {d.Button2, {566, 551, 75, 25}, "&Cancel"},
        {d.PageControl1, {8, 8, 633, 537}, nullptr},
        {d.ComboBox1, {8, 27, 217, 21}, nullptr},
        {d.ComboBox10, {367, 27, 121, 21}, nullptr},
        {d.GpuTempComboBox, {494, 91, 122, 21}, nullptr},
        {d.ComboBox5, {8, 280, 217, 21}, nullptr},
        {d.ComboBox8, {24, 361, 201, 21}, nullptr},
        {d.ComboBox20, {240, 361, 121, 21}, nullptr},
        {d.Button4, {367, 278, 112, 25}, "Sync All &Metrics"},
        {d.GroupBox1, {367, 307, 249, 75}, "Metric Mode:"},
        {d.RadioButton1, {17, 22, 222, 17}, "Show &1 Disk Diagram with 1 or 2 Metrics"},
        {d.ComboBox21, {8, 424, 353, 21}, nullptr},
        {d.Label22, {8, 451, 353, 30},
         "To monitor system sound activity you have to select a loopback interface (e.g. \"Sound Mix\", \"What U "
         "Hear\"). Not all sound cards support it. "},
        {d.GroupBox2, {367, 405, 100, 92}, "..."},
        {d.TrackBar1, {19, 15, 42, 73}, nullptr},
        {d.Memo1, {473, 411, 143, 85}, nullptr},
        {d.TreeView1, {8, 27, 409, 418}, nullptr},
        {d.Label17, {8, 451, 608, 30},
         "If you don't see any sensors listed above, please make sure that the kernel's hardware monitoring drivers "
         "are loaded (the \"sensors-detect\" tool finds them). You can download the tools from the link below."},
        {d.Edit2, {432, 91, 184, 21}, nullptr},
        {d.Memo3, {432, 310, 184, 85}, nullptr},
        {d.Button5, {432, 209, 103, 25}, "Select Metric &1"},
        {d.Button8, {541, 401, 75, 25}, "Clear"},
        {d.Label34, {432, 27, 184, 43},
         "You can select up to 2 additional metrics from the tree on the left to be monitored on main windows."},
        {d.Panel2, {24, 224, 345, 121}, nullptr},
        {d.Label38, {26, 387, 583, 30},
         "This option will add two more CPU Load diagrams (for CCD1 and CCD2) with bars for each CPU core to show "
         "the current load. Please note that no historical information will be shown."},
        {d.Label36, {8, 451, 608, 30},
         "Auto-Detect color theme will automatically adjust this Application colors to follow the desktop's global "
         "setting: Appearance -> Colors -> Color scheme  [Light or Dark]"},
    };
    for (const TPlace& place : places) {
        SCOPED_TRACE(CaptionOf(place.Control).toStdString() + " " + place.Control->metaObject()->className());
        EXPECT_EQ(place.Control->geometry(), place.Geometry);
        if (place.Caption) {
            EXPECT_EQ(CaptionOf(place.Control), QString::fromUtf8(place.Caption));
        }
    }

    // Captions without a size of their own: their top-left corner and text.
    const std::vector<std::tuple<QLabel*, QPoint, const char*>> labels{
        {d.Label7, {494, 8}, "Maximum Temperature:"},
        {d.DiskAltLabel, {367, 261}, "Metric 2:"},
        {d.Label6, {494, 261}, "Metric Format:"},
        {d.Label27, {8, 337}, "3:"},
        {d.Label21, {8, 405}, "Sound:"},
        {d.Label24, {8, 482}, "Uses addon BASS library:"},
        {d.Label8, {8, 8}, "List of Hardware and Sensor data received from the system:"},
        {d.Label25, {8, 482}, "Download from:"},
        {d.Label33, {433, 264}, "Metric 2:"},
        {d.Label35, {8, 8}, "These features are EXPERIMENTAL and may not work properly:"},
        {d.StaticText1, {26, 58}, "To control the setting go to your desktop's settings -> Desktop Effects -> Blur:"},
        {d.Label37, {8, 482},
         "Transparent color theme will require at least one of the above \"Add ...\" options to be activated."},
    };
    for (const auto& [label, corner, text] : labels) {
        EXPECT_EQ(label->pos(), corner) << text;
        EXPECT_EQ(label->text(), QString::fromUtf8(text));
    }
    EXPECT_TRUE(d.Label21->font().bold());
    EXPECT_TRUE(d.Label23->font().bold());
    EXPECT_FALSE(d.Label24->font().bold());
    EXPECT_EQ(d.cbTest1->text(), "Add ACRYLIC-BLUR-BEHIND support");
    EXPECT_EQ(d.cbTest2->text(), "Add ACCENT-COLOR-BACKGROUND support");
    EXPECT_EQ(d.CheckBox2->text(), "Show Utilization Bars (CPU load) for all CPU cores ");
    EXPECT_TRUE(d.cbTest1->font().bold());
    EXPECT_EQ(d.cbTest2->pos(), QPoint(8, 194));

    // Contents and starting states.
    const QStringList maxima{"100", "95", "90", "85", "80", "75", "70"};
    for (const QComboBox* combo : {d.CpuTempComboBox, d.GpuTempComboBox}) {
        QStringList items;
        for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
        EXPECT_EQ(items, maxima);
        EXPECT_FALSE(combo->isEditable());
    }
    EXPECT_EQ(d.ComboBox17->currentText(), "bytes / Kb / Mb");
    EXPECT_EQ(d.ComboBox17->itemText(0), "Mbit / Gbit");
    EXPECT_EQ(d.ComboBox22->currentText(), "bytes / Kb / Mb");
    EXPECT_EQ(d.ComboBox22->itemText(0), "Original values");
    EXPECT_TRUE(d.RadioButton2->isChecked());
    EXPECT_FALSE(d.RadioButton1->isChecked());
    EXPECT_EQ(d.TrackBar1->minimum(), 0);
    EXPECT_EQ(d.TrackBar1->maximum(), 20);
    EXPECT_EQ(d.TrackBar1->value(), 9) << "level 9: position 11 from the top";
    EXPECT_EQ(d.TrackBar1->orientation(), Qt::Vertical);
    EXPECT_EQ(d.TrackBar1->tickInterval(), 3);
    EXPECT_EQ(d.TrackBar1->tickPosition(), QSlider::TicksBothSides);
    EXPECT_TRUE(d.Memo1->isReadOnly());
    EXPECT_TRUE(d.Edit2->isReadOnly());
    EXPECT_TRUE(d.Edit2->font().bold());
    EXPECT_FALSE(d.Timer1->isActive());
    EXPECT_EQ(d.Timer1->interval(), 500);
    // Four disk bars: the controls of one diagram are hidden, never beside the sync button.
    EXPECT_TRUE(d.Button4->isVisibleTo(dialog.get()));
    EXPECT_FALSE(d.DiskAltComboBox->isVisibleTo(dialog.get()));
    EXPECT_TRUE(d.ComboBox6->isVisibleTo(dialog.get()));
}

// What the text of a picture covers: the columns that hold ink (a pixel darker
// than mid grey) and the number of such pixels.
struct TInk {
    int Width = 0;
    int Pixels = 0;
};
TInk InkOf(const QImage& picture)
{
    TInk ink;
    int first = -1, last = -1;
    for (int x = 0; x < picture.width(); ++x)
        for (int y = 0; y < picture.height(); ++y)
            if (qGray(picture.pixel(x, y)) < 128) {
                ++ink.Pixels;
                if (first < 0) first = x;
                last = x;
            }
    ink.Width = first < 0 ? 0 : last - first + 1;
    return ink;
}

TEST_F(SettingsDialogTest, BoldTextsAreDrawnBold)
{
    // The headings of the first column, as drawn, are wider and heavier than
    // the same texts in the dialog's regular face: wider spacing alone (a bold
    // face whose strokes are regular) is not bold.
    auto dialog = Create();
    dialog->show();
    QApplication::processEvents();
    int headings = 0;
    for (QLabel* label : dialog->findChildren<QLabel*>()) {
        if (!label->font().bold() || label->text().isEmpty() || !label->isVisibleTo(dialog.get())) continue;
        QLabel regular(label->text());
        regular.setFont(dialog->font());
        regular.setPalette(label->palette());
        regular.adjustSize();
        const TInk drawn = InkOf(label->grab().toImage());
        const TInk plain = InkOf(regular.grab().toImage());
        const std::string text = label->text().toStdString();
        EXPECT_GT(drawn.Width, plain.Width) << text;
        EXPECT_GT(drawn.Pixels, plain.Pixels * 5 / 4) << text << ": " << drawn.Pixels << " dark pixels, " << plain.Pixels << " regular";
        ++headings;
    }
    EXPECT_GE(headings, 6) << "Processor:, Video Card:, Memory:, Network:, Storage:, Sound:";
}

// WCAG's contrast ratio of two colours (1 to 21).
double Contrast(QRgb a, QRgb b)
{
    const auto luminance = [](QRgb c) {
        const auto channel = [](int v) {
            const double s = v / 255.0;
            return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(qRed(c)) + 0.7152 * channel(qGreen(c)) + 0.0722 * channel(qBlue(c));
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The contrast of the text in `area` of a picture: its most frequent colour is
// the background, the pixel that stands out most from it is the text.
double TextContrast(const QImage& picture, const QRect& area)
{
    std::map<QRgb, int> counts;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) ++counts[picture.pixel(x, y) & 0xFFFFFF];
    const QRgb background =
        std::max_element(counts.begin(), counts.end(), [](const auto& a, const auto& b) { return a.second < b.second; })->first;
    double best = 1.0;
    for (const auto& [colour, count] : counts) best = std::max(best, Contrast(colour, background));
    return best;
}

TEST_F(SettingsDialogTest, EveryTextIsReadableInEveryTheme)
{
    struct Theme {
        const char* Name;
        QColor Window, Text;
    };
    const QPalette desktop = QApplication::palette();
    const Theme themes[] = {
        {"Light", desktop.color(QPalette::Window), desktop.color(QPalette::WindowText)},
        {"Dark", QColor(0x1F, 0x1F, 0x1F), Qt::white},
        {"Transparent on a light desktop", QColor(0xE6, 0xE6, 0xE6), Qt::black},
        {"Transparent on a dark desktop", QColor(0x1F, 0x1F, 0x1F), Qt::white},
    };
    auto dialog = Create({true, true});
    WriteFileText(Host.Ini, "[PC]\r\n"); // no welcome message
    for (const Theme& theme : themes) {
        dialog->SetColours(theme.Window, theme.Text);
        dialog->show();
        QApplication::processEvents();
        int checked = 0;
        for (QWidget* page : {dialog->TabSheet1, dialog->TabSheet2, dialog->TabSheet3}) {
            dialog->PageControl1->setCurrentWidget(page);
            QApplication::processEvents();
            const QImage picture = dialog->grab().toImage();
            for (QWidget* widget : dialog->findChildren<QWidget*>()) {
                if (!widget->isVisible() || !widget->isEnabled()) continue;
                if (page != dialog->TabSheet1 && widget->window() == dialog.get() && !page->isAncestorOf(widget) &&
                    dialog->PageControl1->isAncestorOf(widget))
                    continue;
                QString text;
                if (auto* label = qobject_cast<QLabel*>(widget)) text = label->text();
                if (auto* button = qobject_cast<QAbstractButton*>(widget)) text = button->text();
                if (auto* combo = qobject_cast<QComboBox*>(widget)) text = combo->currentText();
                if (auto* memo = qobject_cast<QPlainTextEdit*>(widget)) text = memo->toPlainText();
                if (auto* edit = qobject_cast<QLineEdit*>(widget)) text = edit->text();
                if (text.trimmed().isEmpty()) continue;
                const QRect area(widget->mapTo(dialog.get(), QPoint(0, 0)), widget->size());
                const double contrast = TextContrast(picture, area.intersected(picture.rect()));
                EXPECT_GE(contrast, 4.5) << theme.Name << ": \"" << text.toStdString() << "\" ("
                                         << widget->metaObject()->className() << ")";
                ++checked;
            }
        }
        EXPECT_GT(checked, 40) << theme.Name;
        dialog->hide();
    }
}

TEST_F(SettingsDialogTest, TabRunsSectionBySectionLeftToRightThenTheBottomRow)
{
    WriteFileText(Host.Ini, "[PC]\r\n");
    auto dialog = Create();
    const TForm2& d = *dialog;
    dialog->show();
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    ASSERT_EQ(QApplication::focusWidget(), d.ComboBox1);
    // The controls of the one-diagram mode are hidden and skipped; Tab enters
    // the mode group once, at its first button (the arrows move inside it).
    const std::vector<QWidget*> expected{
        d.ComboBox9,  d.ComboBox10, d.CpuTempComboBox, d.ComboBox2,   d.ComboBox11, d.ComboBox12,  d.GpuTempComboBox,
        d.ComboBox3,  d.ComboBox13, d.ComboBox14,      d.ComboBox4,   d.ComboBox15, d.ComboBox16,  d.ComboBox17,
        d.ComboBox5,  d.ComboBox6,  d.ComboBox7,       d.ComboBox8,   d.DiskComboBox, d.ComboBox18, d.ComboBox19,
        d.ComboBox20, d.Button4,    d.RadioButton1,    d.CheckBox1,   d.ComboBox21, d.TrackBar1,   d.Memo1,
        d.Button3,    d.Button1,    d.Button2};
    std::vector<QWidget*> visited;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.push_back(QApplication::focusWidget());
    }
    const auto names = [](const std::vector<QWidget*>& widgets) {
        std::string out;
        for (const QWidget* w : widgets) out += (w ? std::string(w->metaObject()->className()) + "@" + std::to_string(w->x()) + "," + std::to_string(w->y()) : "none") + " ";
        return out;
    };
    EXPECT_EQ(names(visited), names(expected));
    dialog->reject();
}

TEST_F(SettingsDialogTest, ModeButtonsShowTheControlsOfTheirDiskMode)
{
    auto dialog = Create();
    const TForm2& d = *dialog;
    dialog->RadioButton1->click();
    for (const QWidget* one : std::initializer_list<const QWidget*>{d.DiskAltLabel, d.DiskAltComboBox, d.Label6, d.ComboBox22})
        EXPECT_TRUE(one->isVisibleTo(dialog.get()));
    for (const QWidget* four : std::initializer_list<const QWidget*>{d.Button4, d.ComboBox7, d.ComboBox19, d.Label28})
        EXPECT_FALSE(four->isVisibleTo(dialog.get()));
    EXPECT_FALSE(d.CheckBox1->isEnabled());
    EXPECT_TRUE(d.ComboBox5->isVisibleTo(dialog.get()));
    EXPECT_TRUE(d.DiskComboBox->isVisibleTo(dialog.get()));
    dialog->RadioButton2->click();
    EXPECT_FALSE(d.DiskAltComboBox->isVisibleTo(dialog.get()));
    EXPECT_TRUE(d.Button4->isVisibleTo(dialog.get()));
    EXPECT_TRUE(d.CheckBox1->isEnabled());
}

TEST_F(SettingsDialogTest, LinkLabelsStandEightPixelsRightOfTheirLabelsAndOpenTheirAddresses)
{
    auto dialog = Create();
    const TForm2& d = *dialog;
    EXPECT_EQ(d.WebLabel1->x(), d.Label24->x() + d.Label24->width() + 8);
    EXPECT_EQ(d.WebLabel2->x(), d.Label25->x() + d.Label25->width() + 8);
    EXPECT_EQ(d.WebLabel1->y(), 482);
    EXPECT_EQ(d.WebLabel2->y(), 482);
    EXPECT_EQ(d.WebLabel1->Address(), "https://www.freedesktop.org/wiki/Software/PulseAudio/");
    EXPECT_EQ(d.WebLabel2->Address(), "https://github.com/lm-sensors/lm-sensors");
    EXPECT_EQ(d.WebLabel2->text(), d.WebLabel2->Address()) << "the text is the address";
    // The sound link ends before the level group; cut, it shows the whole address as its tooltip.
    EXPECT_LE(d.WebLabel1->x() + d.WebLabel1->width(), d.GroupBox2->x());
    if (d.WebLabel1->text() != d.WebLabel1->Address()) {
        EXPECT_EQ(d.WebLabel1->toolTip(), d.WebLabel1->Address());
    }
    for (const TWebLabel* link : {d.WebLabel1, d.WebLabel2}) {
        EXPECT_TRUE(link->font().underline());
        EXPECT_EQ(link->foregroundRole(), QPalette::Link);
        EXPECT_NE(link->palette().color(QPalette::Link), link->palette().color(QPalette::WindowText));
        EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
    }
    QTest::mouseClick(dialog->WebLabel2, Qt::LeftButton);
    QTest::mouseClick(dialog->WebLabel1, Qt::LeftButton);
    EXPECT_EQ(Opened, (std::vector<std::string>{"https://github.com/lm-sensors/lm-sensors",
                                                "https://www.freedesktop.org/wiki/Software/PulseAudio/"}));
}

TEST_F(SettingsDialogTest, ExperimentalBoxesFollowWhatTheDesktopOffers)
{
    struct TCase {
        TDesktopEffects Effects;
        bool Blur, Accent;
    };
    for (const TCase& c : {TCase{{false, false}, false, false}, TCase{{true, false}, true, false},
                           TCase{{false, true}, false, true}}) {
        auto dialog = Create(c.Effects);
        EXPECT_EQ(dialog->cbTest1->isEnabled(), c.Blur);
        EXPECT_EQ(dialog->cbTest2->isEnabled(), c.Accent);
    }
}

// --- showing, the welcome message and the results ---

TEST_F(SettingsDialogTest, ShowingSelectsMonitorsFocusesTheProcessorAndRebuildsTheCatalogue)
{
    auto dialog = Create();
    dialog->PageControl1->setCurrentIndex(2);
    dialog->Button5->setEnabled(true);
    bool checked = false;
    RunModal(*dialog, [&] {
        checked = true;
        EXPECT_EQ(dialog->PageControl1->currentWidget(), dialog->TabSheet1);
        EXPECT_EQ(dialog->focusWidget(), dialog->ComboBox1);
        EXPECT_FALSE(dialog->Button5->isEnabled());
        EXPECT_FALSE(dialog->Button7->isEnabled());
        EXPECT_EQ(Host.Rebuilds, 1);
        EXPECT_EQ(dialog->TreeView1->Catalogue().Nodes().size(), 8u);
        EXPECT_TRUE(dialog->Timer1->isActive());
        EXPECT_TRUE(Boxes.Shown.empty()) << "the welcome message waits for the timer";
        // Centred on the screen.
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        EXPECT_LE(std::abs(dialog->frameGeometry().center().x() - screen.center().x()), 1);
        EXPECT_LE(std::abs(dialog->frameGeometry().center().y() - screen.center().y()), 1);
        dialog->reject();
    });
    EXPECT_TRUE(checked);
    // Every showing rebuilds from the provider's present state.
    Provider->AddHardware("/gpu/0", "Card", "GpuAmd");
    RunModal(*dialog, [&] { dialog->reject(); });
    EXPECT_EQ(Host.Rebuilds, 2);
    EXPECT_GE(dialog->TreeView1->Catalogue().FindGroupNode("GpuAmd"), 0);
}

TEST_F(SettingsDialogTest, WelcomeMessageShowsOnlyWhileTheDialogIsOpen)
{
    // Cancelled within half a second of its opening: no message comes after it.
    auto dialog = Create();
    RunModal(*dialog, [&] { dialog->reject(); });
    QTest::qWait(800);
    EXPECT_TRUE(Boxes.Shown.empty());
    EXPECT_FALSE(dialog->Timer1->isActive());
}

TEST_F(SettingsDialogTest, WelcomeMessageShowsHalfASecondAfterEachOpeningUntilTheFileExists)
{
    auto dialog = Create();
    RunModal(*dialog, [&] {
        QTRY_VERIFY_WITH_TIMEOUT(!Boxes.Shown.empty(), 5000);
        dialog->reject();
    });
    ASSERT_EQ(Boxes.Shown.size(), 1u);
    EXPECT_EQ(Boxes.Shown[0].Kind, TKind::Message);
    EXPECT_EQ(Boxes.Shown[0].Title, "Tellvane");
    EXPECT_EQ(Boxes.Shown[0].Text,
              "Welcome to the configuration settings!\r\n\r\n"
              "First make sure you select all the items in the first column (in bold). Then select the metrics for "
              "each of them on the right, according to the field labels. Some of them have additional settings, "
              "mainly related to the visual appearance.\r\n\r\n"
              "If the options are empty, please refer to the Sensors sheet for assistance how to load the kernel's "
              "hardware monitoring drivers, which are actually providing all the sensor information.\r\n\r\n"
              "Hope you will enjoy using this application! :)");
    EXPECT_FALSE(dialog->Timer1->isActive()) << "once per opening";

    // With the file, the timer runs out without a message.
    WriteFileText(Host.Ini, "[PC]\r\n");
    Boxes.Shown.clear();
    RunModal(*dialog, [&] {
        QTRY_VERIFY_WITH_TIMEOUT(!dialog->Timer1->isActive(), 5000);
        dialog->reject();
    });
    EXPECT_TRUE(Boxes.Shown.empty());
}

TEST_F(SettingsDialogTest, EscTheCloseBoxAndCancelGiveTheCancelResultOkTheOkResult)
{
    auto dialog = Create();
    WriteFileText(Host.Ini, "[PC]\r\n");
    const std::vector<std::pair<const char*, std::function<void()>>> ways{
        {"Esc", [&] { QTest::keyClick(dialog->ComboBox1, Qt::Key_Escape); }},
        {"close box", [&] { dialog->close(); }},
        {"&Cancel", [&] { dialog->Button2->click(); }},
    };
    for (const auto& [name, way] : ways) {
        EXPECT_EQ(RunModal(*dialog, way), QDialog::Rejected) << name;
        EXPECT_FALSE(dialog->isVisible()) << name;
    }
    // The memory's one sensor is chosen for used and free; OK asks for two.
    EXPECT_EQ(RunModal(*dialog, [&] {
                  dialog->ComboBox14->setCurrentIndex(-1);
                  dialog->Button1->click();
              }),
              QDialog::Accepted);
    EXPECT_TRUE(dialog->Button1->isDefault());
}

TEST_F(SettingsDialogTest, FailingRebuildShowsTheErrorAndTheDialogOpensWithWhatWasRead)
{
    auto dialog = Create();
    Provider->FailFrom(2); // the hardware is read, the sensors fail
    bool opened = false;
    RunModal(*dialog, [&] {
        opened = dialog->isVisible();
        dialog->reject();
    });
    EXPECT_TRUE(opened);
    const auto errors = Boxes.OfKind(TKind::Error);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].Text, "the provider failed");
    const TSensorCatalogue& catalogue = dialog->TreeView1->Catalogue();
    EXPECT_EQ(catalogue.Nodes().size(), 4u) << "two groups with their hardware, no sensors";
    EXPECT_EQ(catalogue.NodeAt(0)->Text, "Cpu");
    EXPECT_TRUE(dialog->TreeView1->updatesEnabled()) << "redrawing resumes after a failure";
}

// --- the tree view ---

TEST_F(SettingsDialogTest, SelectingANodeExpandsItAndClosesTheBranchOpenBefore)
{
    auto dialog = Create();
    Host.GetWmiOptions();
    TCatalogueTreeView& tree = *dialog->TreeView1;
    const TSensorCatalogue& catalogue = tree.Catalogue();
    const int core = catalogue.FindNodeById("/cpu/0/load/1");
    const int cpu = catalogue.FindNodeById("/cpu/0");
    const int memory = catalogue.FindNodeById("/ram");
    ASSERT_GT(core, 0);
    const auto expanded = [&](int position) { return tree.isExpanded(tree.Model().IndexOf(catalogue.NodeAt(position))); };

    tree.SelectPosition(core);
    EXPECT_EQ(tree.SelectedPosition(), core);
    EXPECT_TRUE(expanded(cpu));
    EXPECT_TRUE(expanded(0)) << "the group above it";
    EXPECT_TRUE(dialog->Button5->isEnabled()) << "a sensor of a known type";
    EXPECT_TRUE(dialog->Button7->isEnabled());

    tree.SelectPosition(memory);
    EXPECT_TRUE(expanded(memory));
    EXPECT_FALSE(expanded(cpu)) << "the branch open before closes";
    EXPECT_FALSE(expanded(0));
    EXPECT_FALSE(dialog->Button5->isEnabled()) << "a hardware node";

    tree.SelectPosition(catalogue.FindNodeById("/cpu/0/x/0"));
    EXPECT_FALSE(dialog->Button5->isEnabled()) << "a sensor of an unknown type";
    EXPECT_FALSE(expanded(memory));
    tree.SelectPosition(0);
    EXPECT_FALSE(dialog->Button7->isEnabled()) << "a group node";
    EXPECT_TRUE(expanded(0));
    EXPECT_FALSE(expanded(cpu)) << "the node selected before closes, also below the new one";
}

TEST_F(SettingsDialogTest, AClickedNodeIsSelectedAndKeptInViewWhenTheBranchAboveCloses)
{
    // Real clicks: the press selects the row under the pointer; the branch
    // open before closes after that, and the row stays in view.
    for (int i = 0; i < 30; ++i)
        Provider->SetSensor("/cpu/0/clock/" + std::to_string(i + 1), "CPU Core #" + std::to_string(i + 1), "Clock", 1, "/cpu/0");
    auto dialog = Create();
    dialog->show();
    dialog->PageControl1->setCurrentWidget(dialog->TabSheet2);
    Host.GetWmiOptions();
    QApplication::processEvents();
    TCatalogueTreeView& tree = *dialog->TreeView1;
    const TSensorCatalogue& catalogue = tree.Catalogue();
    const auto indexOf = [&](const char* id) { return tree.Model().IndexOf(catalogue.NodeAt(catalogue.FindNodeById(id))); };
    const auto click = [&](const QModelIndex& index) {
        tree.scrollTo(index);
        const QRect row = tree.visualRect(index);
        ASSERT_TRUE(tree.viewport()->rect().contains(row.center())) << "the row is in view before the click: "
            << index.data().toString().toStdString() << " at " << row.y() << " in " << tree.viewport()->height();
        QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, row.center());
    };

    click(tree.Model().IndexOf(catalogue.NodeAt(catalogue.FindGroupNode("Cpu"))));
    click(indexOf("/cpu/0"));
    click(indexOf("/cpu/0/load/0"));
    ASSERT_EQ(tree.Selected(), catalogue.NodeAt(catalogue.FindNodeById("/cpu/0/load/0")));
    // The memory's branch opened by its arrow, below the processor's long one.
    tree.expand(indexOf("/ram").parent());
    tree.expand(indexOf("/ram"));
    click(indexOf("/ram/data/0"));

    ASSERT_NE(tree.Selected(), nullptr) << "the click was thrown away";
    EXPECT_EQ(tree.Selected()->Data->Id, "/ram/data/0");
    EXPECT_TRUE(dialog->Button5->isEnabled());
    EXPECT_TRUE(dialog->Button7->isEnabled());
    EXPECT_FALSE(tree.isExpanded(indexOf("/cpu/0"))) << "the branch open before closed";
    const QRect row = tree.visualRect(indexOf("/ram/data/0"));
    EXPECT_TRUE(tree.viewport()->rect().contains(row)) << "the selected row is in view";
}

TEST_F(SettingsDialogTest, TreeIsReadOnlyIndentedWithButtonFaceAndKeepsItsSelectionVisible)
{
    auto dialog = Create();
    Host.GetWmiOptions();
    const TCatalogueTreeView& tree = *dialog->TreeView1;
    EXPECT_EQ(tree.editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(tree.indentation(), 19);
    EXPECT_EQ(tree.palette().color(QPalette::Base), tree.palette().color(QPalette::Button));
    EXPECT_EQ(tree.palette().color(QPalette::Inactive, QPalette::Highlight),
              tree.palette().color(QPalette::Active, QPalette::Highlight));
    const QModelIndex first = tree.model()->index(0, 0);
    EXPECT_FALSE(tree.model()->flags(first).testFlag(Qt::ItemIsEditable));
    EXPECT_EQ(first.data().toString(), "Cpu");
    // A sensor's text with its type and its type's icon.
    const TCatalogueNode* total = tree.Catalogue().NodeAt(tree.Catalogue().FindNodeById("/cpu/0/load/0"));
    const QModelIndex index = dialog->TreeView1->Model().IndexOf(total);
    EXPECT_EQ(index.data().toString(), "CPU Total (Load)");
    EXPECT_EQ(index.data(Qt::DecorationRole).value<QIcon>().cacheKey(), CatalogueIcon(4).cacheKey());
    EXPECT_EQ(index.data(TCatalogueModel::PositionRole).toInt(), tree.Catalogue().PositionOf(total));
}

TEST(CatalogueIcons, FifteenPicturesOfSixteenPixels)
{
    for (int i = 0; i < CatalogueIconCount; ++i) {
        const QImage image = CatalogueIcon(i).pixmap(16, 16).toImage();
        SCOPED_TRACE(i);
        EXPECT_EQ(image.size(), QSize(16, 16));
        bool drawn = false;
        for (int y = 0; y < 16 && !drawn; ++y)
            for (int x = 0; x < 16 && !drawn; ++x) drawn = qAlpha(image.pixel(x, y)) > 0;
        EXPECT_TRUE(drawn) << "the picture is missing";
    }
    EXPECT_TRUE(CatalogueIcon(CatalogueIconCount).isNull());
}

// The model over a captured machine's catalogue holds to every rule of item
// models (parents, rows, indexes), also across rebuilds.
TEST(CatalogueModel, CapturedMachineTreeIsAConsistentItemModel)
{
    const auto namespaces =
        LocalNamespaces(fs::path(TELLVANE_SHARED_FIXTURES) / "mixed-2pkg-coretemp-nct6779-applesmc-8cpu");
    const auto service = TWbemLocator(namespaces).ConnectServer("localhost", TestHardwareNamespace, "", "");
    static QStringList complaints;
    complaints.clear();
    const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext& context, const QString& text) {
        if (QByteArray(context.category) == "qt.modeltest") complaints << text;
    });
    TCatalogueModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Warning);
    for (int round = 0; round < 3; ++round) model.Rebuild([&](TSensorCatalogue& c) { BuildCatalogue(c, *service); });
    ASSERT_GT(model.rowCount(), 0);
    int visited = 0;
    std::function<void(const QModelIndex&)> walk = [&](const QModelIndex& parent) {
        for (int row = 0; row < model.rowCount(parent); ++row) {
            const QModelIndex child = model.index(row, 0, parent);
            EXPECT_EQ(child.parent(), parent);
            EXPECT_EQ(child.data(TCatalogueModel::PositionRole).toInt(), visited) << "rows in position order";
            ++visited;
            walk(child);
        }
    };
    walk({});
    EXPECT_EQ(visited, static_cast<int>(model.Catalogue().Nodes().size()));
    qInstallMessageHandler(previous);
    EXPECT_TRUE(complaints.isEmpty()) << complaints.join('\n').toStdString();
}

} // namespace
