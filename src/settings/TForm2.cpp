// The settings dialog's life: creation, showing and the welcome message.

#include "TForm2.h"

#include "ApplicationTitle.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QShowEvent>

TForm2::TForm2(TForm2Services services, QWidget* parent) : QDialog(parent), FServices(std::move(services))
{
    CreateElements();
    connect(Button1, &QPushButton::clicked, this, [this] { RunHandler([this] { Button1Click(); }); });
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    connect(Button3, &QPushButton::clicked, this, [this] { RunHandler([this] { Button3Click(); }); });
    for (QRadioButton* button : {RadioButton1, RadioButton2})
        connect(button, &QRadioButton::clicked, this, [this] { RunHandler([this] { ModeRadioButtonClick(); }); });
    connect(Timer1, &QTimer::timeout, this, [this] { RunHandler([this] { Timer1Timer(); }); });
    TreeView1->OnChange = [this] { RunHandler([this] { TreeView1Change(); }); };
    WebLabel1->OnClick = [this] { RunHandler([this] { WebLabel2Click(*WebLabel1); }); };
    WebLabel2->OnClick = [this] { RunHandler([this] { WebLabel2Click(*WebLabel2); }); };
    // The change handlers answer the user's choices only (activated), not the
    // dialog's own filling.
    const std::vector<std::pair<QComboBox*, void (TForm2::*)()>> changes{
        {ComboBox1, &TForm2::ComboBox1Change}, {ComboBox2, &TForm2::ComboBox2Change},
        {ComboBox3, &TForm2::ComboBox3Change}, {ComboBox4, &TForm2::ComboBox4Change},
        {ComboBox5, &TForm2::ComboBox5Change}, {ComboBox6, &TForm2::ComboBox6Change},
        {ComboBox7, &TForm2::ComboBox7Change}, {ComboBox8, &TForm2::ComboBox8Change},
        {DiskComboBox, &TForm2::DiskComboBoxChange}, {ComboBox21, &TForm2::ComboBox21Change}};
    for (const auto& [combo, handler] : changes)
        connect(combo, &QComboBox::activated, this, [this, handler] { RunHandler([this, handler] { (this->*handler)(); }); });
    const std::vector<std::pair<QPushButton*, void (TForm2::*)()>> clicks{
        {Button4, &TForm2::Button4Click}, {Button5, &TForm2::Button5Click}, {Button6, &TForm2::Button6Click},
        {Button7, &TForm2::Button7Click}, {Button8, &TForm2::Button8Click}};
    for (const auto& [button, handler] : clicks)
        connect(button, &QPushButton::clicked, this, [this, handler] { RunHandler([this, handler] { (this->*handler)(); }); });
    connect(TrackBar1, &QSlider::valueChanged, this, [this] { RunHandler([this] { TrackBar1Change(); }); });
    connect(ServerEdit, &QLineEdit::textChanged, this, [this] { RunHandler([this] { ServerEditChange(); }); });
    FCustom1.Edit = Edit2;
    FCustom1.Memo = Memo2;
    FCustom2.Edit = Edit3;
    FCustom2.Memo = Memo3;
    RunHandler([this] { FormCreate(); });
}

void TForm2::RunHandler(const std::function<void()>& handler)
{
    if (FServices.Host)
        FServices.Host->RunHandler(handler);
    else
        handler();
}

void TForm2::FormCreate()
{
    // Each link label 8 pixels right of its label; the sound one ends before
    // the level group.
    WebLabel1->move(Label24->x() + Label24->width() + 8, WebLabel1->y());
    WebLabel1->SetRoom(GroupBox2->x() - 6 - WebLabel1->x());
    WebLabel2->move(Label25->x() + Label25->width() + 8, WebLabel2->y());
    // The experimental effects need the desktop's help: blur behind windows
    // from the window manager, the accent background from a compositor.
    const TDesktopEffects effects = FServices.DesktopEffects ? FServices.DesktopEffects() : TDesktopEffects{};
    cbTest1->setEnabled(effects.BlurBehind);
    cbTest2->setEnabled(effects.Compositing);
    ModeRadioButtonClick();
}

int TForm2::ShowModal() { return exec(); }

QPalette DialogPalette(const QColor& window, const QColor& text)
{
    QPalette colours = QApplication::palette();
    if (window.lightnessF() >= 0.5) {
        colours.setColor(QPalette::Window, window);
        colours.setColor(QPalette::WindowText, text);
        // Links darker than the selection colour: readable on the light surfaces.
        colours.setColor(QPalette::Link, QColor(0x00, 0x66, 0xCC));
        return colours;
    }
    // Dark: every surface dark, every text light, the disabled ones dimmed.
    const QColor button(0x33, 0x33, 0x33);
    colours = QPalette(button, window);
    const std::pair<QPalette::ColorRole, QColor> roles[] = {
        {QPalette::WindowText, text},          {QPalette::Text, text},
        {QPalette::ButtonText, text},          {QPalette::Base, QColor(0x2B, 0x2B, 0x2B)},
        {QPalette::AlternateBase, button},     {QPalette::ToolTipBase, QColor(0x2B, 0x2B, 0x2B)},
        {QPalette::ToolTipText, text},         {QPalette::BrightText, Qt::white},
        {QPalette::Highlight, QColor(0x2F, 0x65, 0xCA)}, {QPalette::HighlightedText, Qt::white},
        {QPalette::Link, QColor(0x6C, 0xB4, 0xEE)},      {QPalette::LinkVisited, QColor(0xB0, 0x8C, 0xE8)},
        {QPalette::PlaceholderText, QColor(0x9A, 0x9A, 0x9A)},
    };
    for (const auto& [role, colour] : roles) colours.setColor(role, colour);
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        colours.setColor(QPalette::Disabled, role, QColor(0x8A, 0x8A, 0x8A));
    return colours;
}

void TForm2::SetColours(const QColor& window, const QColor& text)
{
    const QPalette colours = DialogPalette(window, text);
    setPalette(colours);
    // The controls with colours of their own take them from the new palette.
    for (QWidget* widget : findChildren<QWidget*>()) {
        if (!widget->property(ButtonFaceProperty).toBool()) continue;
        QPalette own = widget->palette();
        own.setColor(QPalette::Base, colours.color(QPalette::Button));
        // A selection keeps its colours when the control loses the focus.
        for (const QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
            own.setColor(QPalette::Inactive, role, colours.color(QPalette::Active, role));
        widget->setPalette(own);
    }
}

void TForm2::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous()) return;
    // Centred on the screen, frame and all (before the first showing the
    // frame is not known yet, and the client area is centred).
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QSize frame = frameGeometry().size();
        move(screen->availableGeometry().center() - QPoint(frame.width() / 2, frame.height() / 2));
    }
    RunHandler([this] { FormShow(); });
}

void TForm2::FormShow()
{
    PageControl1->setCurrentWidget(TabSheet1);
    ComboBox1->setFocus();
    ResetAll();
    Timer1->start();
}

std::string TForm2::WelcomeMessage()
{
    return "Welcome to the configuration settings!\r\n\r\n"
           "First make sure you select all the items in the first column (in bold). Then select the metrics for each "
           "of them on the right, according to the field labels. Some of them have additional settings, mainly "
           "related to the visual appearance.\r\n\r\n"
           "If the options are empty, please refer to the Sensors sheet for assistance how to load the kernel's "
           "hardware monitoring drivers, which are actually providing all the sensor information.\r\n\r\n"
           "Hope you will enjoy using this application! :)";
}

void TForm2::hideEvent(QHideEvent* event)
{
    // The welcome message belongs to this opening: a dialog closed within
    // half a second shows none.
    Timer1->stop();
    QDialog::hideEvent(event);
}

void TForm2::Timer1Timer()
{
    Timer1->stop();
    if (!isVisible()) return;
    // Shown at every opening until the settings file has been written once.
    if (FServices.Host && !std::filesystem::exists(FServices.Host->IniFileName()) && FServices.Boxes)
        FServices.Boxes->ShowMessage(ApplicationTitle, WelcomeMessage());
}

