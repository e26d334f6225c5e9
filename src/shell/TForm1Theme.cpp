// The main window's colour themes: Light, Dark, Transparent and Auto-detect,
// the desktop's preferences they follow, and the translucent window.

#include "TForm1.h"

#include "DesktopAppearance.h"
#include "Pictures.h"

#include <QApplication>
#include <QPainter>
#include <QPaintEvent>


void TForm1::ThemeClick(QAction* item)
{
    item->setChecked(true);
    DMode->Tag = item->data().toInt();
    DModeClick(false);
}

void TForm1::DModeClick(bool withSender)
{
    // 1, 2
    int t = DMode->Tag;
    ThemeWindows1->setEnabled(MySetup.LabFlags != 0);
    // 3
    if (withSender) {
        const int count = ThemeWindows1->isEnabled() ? 3 : 2;
        t = ((t + 1) % count + count) % count;
        ThemeLight1->setChecked(true);
    } else {
        if (ThemeAuto1->isChecked()) {
            ReadWindowsThemeSettings();
            t = FWinStart_AppsUseLightTheme ? ThemeLight : ThemeDark;
        }
        if (t == ThemeTransparent && !ThemeWindows1->isEnabled()) t = ThemeLight;
    }
    // 4
    const int shown = t == ThemeLight || t == ThemeDark ? t : ThemeTransparent;
    if (!ThemeAuto1->isChecked()) (shown == ThemeLight ? ThemeLight1 : shown == ThemeDark ? ThemeDark1 : ThemeWindows1)->setChecked(true);
    const QPalette system = QApplication::palette(this);
    const TThemeColours colours = ThemeColours(shown, FWinStart_AppsUseLightTheme, system.color(QPalette::Window),
                                               system.color(QPalette::WindowText));
    QPalette own = palette();
    own.setColor(QPalette::Window, colours.Window);
    own.setColor(QPalette::WindowText, colours.Text);
    setPalette(own);
    // 5
    FColours = colours;
    for (QLabel* label : ThemedLabels()) {
        QPalette p = label->palette();
        p.setColor(QPalette::WindowText, colours.Text);
        label->setPalette(p);
    }
    ApplyAlertColours();
    // 6
    DMode->Tag = t;
    // 7
    DMode->SetPicture(Picture(ImageList1().at(ThemeAuto1->isChecked() ? 6 : shown), 16));
    LogoImage->SetPicture(Picture(ImageList2().at(shown), 64));
    // 8
    // The new palette repaints the window: every diagram is drawn again in
    // the new colours.
    SetWindowAccent(t == ThemeTransparent);
}

std::vector<QLabel*> TForm1::ThemedLabels() const
{
    return {Label1, Label2, Label3, Label4, Label5, Label6, Label7, Label8, Label11, Label20, Label27, Label30, Label31};
}

void TForm1::ReadWindowsThemeSettings()
{
    // No portal (or no answer in time) is the key that does not open: the
    // flags keep their values.
    if (!FServices.Desktop) return;
    const std::optional<TDesktopAppearance> appearance = FServices.Desktop->Read();
    if (!appearance) return;
    FWinStart_AppsUseLightTheme = appearance->ColorScheme != std::optional<std::uint32_t>(1);
    FWinStart_ColorPrevalence = appearance->AccentColor.has_value();
    if (appearance->AccentColor) FAccentColour = *appearance->AccentColor;
    FWinStart_EnableTransparency = FServices.Desktop->Compositing();
}

void TForm1::SetWindowAccent(bool on)
{
    // 1
    FTint = WindowTint(ThemeNumber(), FWinStart_AppsUseLightTheme, palette().color(QPalette::Window));
    // 2-4: the accent record, applied as this desktop can: a translucent
    // window, blurred behind where the window manager offers it.
    FAccentPolicy = AccentPolicy(on, MySetup.LabFlags, FWinStart_EnableTransparency, FTint);
    if (!FCompositionHeld) SetTranslucent(FAccentPolicy.AccentState == 4);
    // 5
    if (on) UpdateBackImage();
    BackImage->setVisible(on && !FWinStart_AppsUseLightTheme);
}

void TForm1::SetTranslucent(bool on)
{
    if (testAttribute(Qt::WA_TranslucentBackground) != on) {
        setAttribute(Qt::WA_TranslucentBackground, on);
        // Translucency also turned the background fill off; opaque needs it back.
        if (!on) setAttribute(Qt::WA_NoSystemBackground, false);
        // A window's pixel format (with or without alpha) is chosen when its
        // native window is made: one that exists is made anew, where it was,
        // as it was.
        if (testAttribute(Qt::WA_WState_Created)) {
            const bool visible = isVisible();
            const QPoint at = pos();
            // The native window and its backing store go; showing makes both anew.
            if (visible) hide();
            destroy();
            move(at);
            if (visible) show();
        }
    }
    // Asked only when it changes, or to be sure it is off.
    if (FServices.Desktop && on != FBlurBehind) FBlurBehind = FServices.Desktop->SetBlurBehind(this, on);
}

void TForm1::HoldComposition(bool hold)
{
    FCompositionHeld = hold;
    if (!hold) SetTranslucent(FAccentPolicy.AccentState == 4);
}

void TForm1::UpdateBackImage()
{
    ReadWindowsThemeSettings();
    const TBackPicture picture = BackPicture(FWinStart_AppsUseLightTheme, MySetup.LabFlags, FWinStart_ColorPrevalence,
                                             FWinStart_EnableTransparency, GetAccentColor());
    BackImage->setPixmap(QPixmap::fromImage(FillPicture(picture.Colour, picture.Alpha, 10, 10)));
}

QColor TForm1::GetAccentColor() const { return OverWhite(0xFF000000u | (FAccentColour.rgb() & 0x00FFFFFFu)); }

void TForm1::DesktopAppearanceChanged()
{
    if (ThemeAuto1->isChecked() || ThemeWindows1->isChecked())
        DModeClick(false);
    else
        UpdateBackImage();
}

void TForm1::paintEvent(QPaintEvent* event)
{
    // A translucent window lays its tint over what lies behind it; an opaque
    // one has its background filled by the toolkit.
    if (!testAttribute(Qt::WA_TranslucentBackground)) return;
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    const TTint painted = PaintedTint(FTint, ThemeNumber(), FWinStart_AppsUseLightTheme, palette().color(QPalette::Window));
    QColor tint = painted.Colour;
    tint.setAlpha(painted.Alpha);
    painter.fillRect(event->rect(), tint);
}
