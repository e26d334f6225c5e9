// The settings dialog's life and handlers: creation, showing, Reset All, the
// welcome message, the mode buttons, the catalogue's selection and the links.

#include "TForm2.h"

#include "ApplicationTitle.h"

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

void TForm2::Timer1Timer()
{
    Timer1->stop();
    // Shown at every opening until the settings file has been written once.
    if (FServices.Host && !std::filesystem::exists(FServices.Host->IniFileName()) && FServices.Boxes)
        FServices.Boxes->ShowMessage(ApplicationTitle, WelcomeMessage());
}

void TForm2::Button1Click()
{
    // The checks of the choices come before this once they exist.
    accept();
}

void TForm2::Button3Click() { ResetAll(); }

void TForm2::ResetAll()
{
    Button5->setEnabled(false);
    Button7->setEnabled(false);
    if (FServices.Host) FServices.Host->GetWmiOptions();
}

void TForm2::ModeRadioButtonClick()
{
    const bool oneDiagram = RadioButton1->isChecked();
    for (QWidget* control : {static_cast<QWidget*>(DiskAltLabel), static_cast<QWidget*>(DiskAltComboBox),
                             static_cast<QWidget*>(Label6), static_cast<QWidget*>(ComboBox22)})
        control->setVisible(oneDiagram);
    for (QWidget* control : {static_cast<QWidget*>(Button4), static_cast<QWidget*>(ComboBox6),
                             static_cast<QWidget*>(ComboBox7), static_cast<QWidget*>(ComboBox8),
                             static_cast<QWidget*>(ComboBox18), static_cast<QWidget*>(ComboBox19),
                             static_cast<QWidget*>(ComboBox20), static_cast<QWidget*>(Label26),
                             static_cast<QWidget*>(Label27), static_cast<QWidget*>(Label28)})
        control->setVisible(!oneDiagram);
    CheckBox1->setEnabled(!oneDiagram);
}

void TForm2::TreeView1Change()
{
    // Only a sensor of a known type can be a custom metric.
    const TCatalogueNode* node = TreeView1->Selected();
    const bool sensor = node && node->Data && node->ImageIndex != 0;
    Button5->setEnabled(sensor);
    Button7->setEnabled(sensor);
}

void TForm2::WebLabel2Click(const TWebLabel& label)
{
    if (FServices.OpenWebAddress) FServices.OpenWebAddress(label.Address().toStdString());
}
