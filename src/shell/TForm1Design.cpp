// The window design: every element at its place and size, in device-independent
// pixels, with its font, colour and starting text.

#include "InterfaceFont.h"
#include "Pictures.h"
#include "TForm1.h"

#include <QPalette>

namespace {

// The design's window: both optional rows shown.
constexpr int DesignClientHeight = 752;
constexpr int SmallFont = 11;
constexpr int BigFont = 19;
constexpr int DateFont = 13;
const QColor Blue(0x00, 0x9B, 0xE8);
const QColor Steel(0x3F, 0x80, 0xC0);
const QColor FrameBlue(0x55, 0x66, 0xAA);

struct TLabelDesign {
    int Left;
    int Top;
    int FontPixels;
    std::optional<QColor> Colour; // nothing: the window-text colour
    const char* Text;
};

TAutoLabel* MakeLabel(QWidget* parent, const TLabelDesign& design)
{
    auto* label = new TAutoLabel(parent);
    label->setFont(InterfaceFont(design.FontPixels));
    if (design.Colour) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, *design.Colour);
        label->setPalette(palette);
    }
    label->move(design.Left, design.Top);
    label->SetCaption(QString::fromUtf8(design.Text));
    return label;
}

// A caption label whose right edge stays at `right`.
TAutoLabel* MakeCaption(QWidget* parent, int right, int top, const QColor& colour, const char* text)
{
    TAutoLabel* label = MakeLabel(parent, {0, top, SmallFont, colour, text});
    label->AnchorRight(right);
    return label;
}

QLabel* MakeImage(QWidget* parent, int left, int top, const char* picture)
{
    auto* image = new QLabel(parent);
    image->setGeometry(left, top, 32, 32);
    image->setPixmap(Picture(QString::fromLatin1(picture), 32));
    return image;
}

TPaintBox* MakePaintBox(QWidget* parent, int left, int top, int width, int height, int tag)
{
    auto* box = new TPaintBox(parent);
    box->setGeometry(left, top, width, height);
    box->Tag = tag;
    return box;
}

} // namespace

void TForm1::CreateElements()
{
    setWindowTitle(QStringLiteral("My Computer - Hardware Status"));
    // The design's border is a tool window's: a caption and a close button.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_QuitOnClose, false);
    setFont(InterfaceFont(SmallFont));
    FCanvasFont = InterfaceFont(SmallFont);
    setFixedSize(FormClientWidth, DesignClientHeight);
    move(0, 0);

    // Frame.
    BackImage = new QLabel(this);
    BackImage->setGeometry(0, 0, FormClientWidth, DesignClientHeight);
    BackImage->hide();
    Panel1 = new QWidget(this);
    Panel1->setGeometry(0, 0, FormClientWidth, 2);
    Panel1->setAutoFillBackground(true);
    {
        QPalette palette = Panel1->palette();
        palette.setColor(QPalette::Window, FrameBlue);
        Panel1->setPalette(palette);
    }
    PaintBox11 = MakePaintBox(this, 0, DesignClientHeight - 2, FormClientWidth, 2, 0);
    LogoImage = new TImageButton(this, QStringLiteral("Settings"));
    LogoImage->setGeometry(8, 8, 64, 64);
    DMode = new TImageButton(this, QStringLiteral("Theme"));
    DMode->setGeometry(574, 8, 16, 16);
    ImageMenu = new TImageButton(this, QStringLiteral("Menu"));
    ImageMenu->setGeometry(596, 8, 16, 16);
    PaintBox14 = MakePaintBox(this, 618, 8, 2, 64, 0);

    // Computer and clock band.
    Label9 = MakeLabel(this, {78, 19, SmallFont, {}, "..."});
    Label10 = MakeLabel(this, {78, 34, SmallFont, {}, "..."});
    Label12 = MakeLabel(this, {78, 49, SmallFont, {}, "..."});
    Image8 = MakeImage(this, 320, 12, "clock");
    Label8 = MakeLabel(this, {358, 15, BigFont, {}, "..."});
    Label11 = MakeLabel(this, {358, 44, DateFont, {}, "..."});
    Label26 = MakeLabel(this, {392, WeekLabelTop, SmallFont, {}, "..."});

    // Processor and video card load.
    Image1 = MakeImage(this, 8, 78, "cpu");
    Label1 = MakeLabel(this, {46, 81, BigFont, {}, "..."});
    Label19 = MakeCaption(this, 308, 92, Blue, "Processor");
    PaintBox1 = MakePaintBox(this, 8, 112, 300, 71, 1);
    Image2 = MakeImage(this, 320, 78, "monitor");
    Label2 = MakeLabel(this, {358, 82, BigFont, {}, "..."});
    Label18 = MakeCaption(this, 620, 93, Blue, "Video Card");
    PaintBox2 = MakePaintBox(this, 320, 112, 300, 71, 2);

    // Temperatures.
    Image3 = MakeImage(this, 8, 190, "thermometer-blue");
    Label3 = MakeLabel(this, {46, 193, BigFont, {}, "..."});
    Label25 = MakeCaption(this, 308, 192, Steel, "...");
    Label23 = MakeCaption(this, 308, 204, Blue, "Temperature");
    PaintBox3 = MakePaintBox(this, 8, 224, 300, 71, 3);
    Image4 = MakeImage(this, 320, 190, "thermometer-orange");
    Label4 = MakeLabel(this, {358, 194, BigFont, {}, "..."});
    Label24 = MakeCaption(this, 620, 193, Steel, "...");
    Label22 = MakeCaption(this, 620, 205, Blue, "Temperature");
    PaintBox4 = MakePaintBox(this, 320, 224, 300, 71, 4);

    // Network and disks.
    Image7 = MakeImage(this, 8, 302, "antenna");
    Label7 = MakeLabel(this, {46, 305, BigFont, {}, "..."});
    Label16 = MakeCaption(this, 308, 304, Steel, "...");
    Label15 = MakeCaption(this, 308, 316, Blue, "...");
    PaintBox10 = MakePaintBox(this, 8, 336, 300, 71, 6);
    Image6 = MakeImage(this, 320, 302, "disk");
    Label6 = MakeLabel(this, {358, 307, BigFont, {}, "..."});
    Label14 = MakeCaption(this, 620, 306, Steel, "...");
    Label13 = MakeCaption(this, 620, 318, Blue, "...");
    DiskPaintBox1 = MakePaintBox(this, 320, 336, 300, 17, 7);
    DiskPaintBox2 = MakePaintBox(this, 320, 354, 300, 17, 14);
    DiskPaintBox3 = MakePaintBox(this, 320, 372, 300, 17, 15);
    DiskPaintBox4 = MakePaintBox(this, 320, 390, 300, 17, 16);

    // Memory and sound.
    Image5 = MakeImage(this, 8, 414, "memory");
    Label5 = MakeLabel(this, {46, 417, BigFont, {}, "..."});
    Label17 = MakeCaption(this, 308, 428, Blue, "...");
    PaintBox5 = MakePaintBox(this, 8, 448, 300, 71, 5);
    Image9 = MakeImage(this, 320, 414, "speaker");
    Label20 = MakeLabel(this, {358, 417, BigFont, {}, "..."});
    Label21 = new QLabel(this);
    Label21->setGeometry(424, 414, 196, 28);
    Label21->setAlignment(Qt::AlignRight | Qt::AlignBottom);
    Label21->setWordWrap(true);
    Label21->setFont(InterfaceFont(SmallFont));
    {
        QPalette palette = Label21->palette();
        palette.setColor(QPalette::WindowText, Blue);
        Label21->setPalette(palette);
    }
    PaintBox12 = MakePaintBox(this, 320, 448, 300, 71, 9);

    // Custom metrics (optional row).
    Image10 = MakeImage(this, 8, 525, "sliders");
    Label27 = MakeLabel(this, {46, 528, BigFont, {}, "..."});
    Label28 = MakeCaption(this, 308, 539, Blue, "...");
    PaintBox6 = MakePaintBox(this, 8, 559, 300, 71, 12);
    Image11 = MakeImage(this, 320, 525, "sliders");
    Label30 = MakeLabel(this, {358, 528, BigFont, {}, "..."});
    Label29 = MakeCaption(this, 620, 539, Blue, "...");
    PaintBox7 = MakePaintBox(this, 320, 559, 300, 71, 13);

    // Per-core bars (optional row, kept at the bottom).
    Image12 = MakeImage(this, 8, 636, "cpu-light");
    Label31 = MakeLabel(this, {46, 639, BigFont, {}, "..."});
    Label33 = MakeCaption(this, 620, 636, Steel, "Processor");
    Label32 = MakeCaption(this, 620, 650, Blue, "...");
    PaintBox8 = MakePaintBox(this, 8, 670, 300, 71, 10);
    PaintBox13 = MakePaintBox(this, 308, 670, 12, 71, 0);
    PaintBox9 = MakePaintBox(this, 320, 670, 300, 71, 11);
    for (QWidget* element : std::initializer_list<QWidget*>{Image12, Label31, Label33, Label32, PaintBox8, PaintBox13,
                                                            PaintBox9, PaintBox11})
        FBottomAnchored.emplace_back(element, DesignClientHeight - element->y());

    // Timers: the clock runs from creation, the animations only while shown.
    Timer1 = new QTimer(this);
    Timer1->setInterval(1000);
    Timer2 = new QTimer(this);
    Timer2->setInterval(GlideTickMs);
    FGlideClock.start();
    Timer4 = new QTimer(this);
    Timer4->setInterval(25);
    Timer1->start();

    // The popup menu.
    PopupMenu1 = new QMenu(this);
    ShowHide1 = PopupMenu1->addAction(QStringLiteral("&Hide/Show"));
    QMenu* heme1 = PopupMenu1->addMenu(QStringLiteral("&Theme"));
    ThemeGroup = new QActionGroup(this);
    ThemeLight1 = heme1->addAction(QStringLiteral("&Light"));
    ThemeDark1 = heme1->addAction(QStringLiteral("&Dark"));
    ThemeWindows1 = heme1->addAction(QStringLiteral("&Transparent"));
    heme1->addSeparator();
    ThemeAuto1 = heme1->addAction(QStringLiteral("&Auto-detect"));
    int themeTag = 0;
    for (QAction* item : {ThemeLight1, ThemeDark1, ThemeWindows1, ThemeAuto1}) {
        item->setCheckable(true);
        item->setData(item == ThemeAuto1 ? -1 : themeTag++);
        ThemeGroup->addAction(item);
    }
    ThemeAuto1->setChecked(true);
    QMenu* Options1 = PopupMenu1->addMenu(QStringLiteral("&Options"));
    MinimizeToTray1 = Options1->addAction(QStringLiteral("Minimize To &Tray"));
    MinimizeToTray1->setCheckable(true);
    MinimizeOnClose1 = Options1->addAction(QStringLiteral("Minimize On &Close"));
    MinimizeOnClose1->setCheckable(true);
    Alerts1 = Options1->addAction(QStringLiteral("&Alerts"));
    Alerts1->setCheckable(true);
    Alerts1->setChecked(true);
    RunonWindowsStartup1 = Options1->addAction(QStringLiteral("&Run On Startup"));
    RunonWindowsStartup1->setCheckable(true);
    PopupMenu1->addSeparator();
    Settings1 = PopupMenu1->addAction(QStringLiteral("&Settings..."));
    About1 = PopupMenu1->addAction(QStringLiteral("&About..."));
    PopupMenu1->addSeparator();
    Close1 = PopupMenu1->addAction(QStringLiteral("E&xit"));
    Close1->setData(0);

    TrayIcon1 = new QSystemTrayIcon(this);
    TrayIcon1->setContextMenu(PopupMenu1);
}
