// The main window's life: creation, show, hide, minimize and restore, close,
// exit and the end of the desktop session.

#include "TForm1.h"

#include "Animation.h"
#include "ApplicationErrors.h"
#include "AudioLibrary.h"
#include "DesktopAppearance.h"
#include "LevelMeter.h"
#include "Pictures.h"
#include "SettingsFile.h"
#include "TaskbarEntry.h"
#include "WindowPlacement.h"

#include <QCloseEvent>
#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QWindowStateChangeEvent>

#include <iostream>

namespace {

constexpr const char* HardwareNamespace = "root\\LibreHardwareMonitor";

// The fixed single border: caption, system menu and minimize button; never resizable.
constexpr Qt::WindowFlags FixedSingleBorder = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                                              Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint;

} // namespace

TForm1::TForm1(TForm1Services services, QWidget* parent) : QWidget(parent), FServices(std::move(services))
{
    CreateElements();
    FSoundRetry = new QTimer(this);
    FSoundRetry->setInterval(SoundRetryMs);
    connect(FSoundRetry, &QTimer::timeout, this, [this] { RunHandler([this] { SoundRetryTimerTimer(); }); });

    connect(Timer1, &QTimer::timeout, this, [this] { RunHandler([this] { Timer1Timer(); }); });
    connect(Timer2, &QTimer::timeout, this, [this] { RunHandler([this] { Timer2Timer(); }); });
    connect(Timer4, &QTimer::timeout, this, [this] { RunHandler([this] { Timer4Timer(); }); });
    for (TPaintBox* box : {PaintBox1, PaintBox2, PaintBox3, PaintBox4, PaintBox5, PaintBox6, PaintBox7, PaintBox8,
                           PaintBox9, PaintBox10, PaintBox12, DiskPaintBox1, DiskPaintBox2, DiskPaintBox3,
                           DiskPaintBox4})
        box->OnPaint = [this](TPaintBox& b) { PaintBoxPaint(b); };
    PaintBox11->OnPaint = [this](TPaintBox& b) { PaintBox11Paint(b); };
    PaintBox13->OnPaint = [this](TPaintBox& b) { PaintBox13Paint(b); };
    PaintBox14->OnPaint = [this](TPaintBox& b) { PaintBox14Paint(b); };
    connect(Settings1, &QAction::triggered, this, [this] { RunHandler([this] { Settings1Click(); }); });
    connect(ShowHide1, &QAction::triggered, this, [this] { RunHandler([this] { ShowHide1Click(); }); });
    connect(Close1, &QAction::triggered, this, [this] { RunHandler([this] { Close1Click(); }); });
    connect(MinimizeToTray1, &QAction::triggered, this, [this] { RunHandler([this] { MinimizeToTray1Click(); }); });
    connect(Alerts1, &QAction::triggered, this, [this] { RunHandler([this] { Alerts1Click(); }); });
    connect(RunonWindowsStartup1, &QAction::triggered, this, [this] { RunHandler([this] { RunonWindowsStartup1Click(); }); });
    connect(About1, &QAction::triggered, this, [this] { RunHandler([this] { About1Click(); }); });
    connect(PopupMenu1, &QMenu::aboutToShow, this, [this] { RunHandler([this] { PopupMenu1Popup(); }); });
    connect(TrayIcon1, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) { RunHandler([&] { TrayIcon1Activated(reason); }); });
    LogoImage->OnClick = [this] { RunHandler([this] { LogoImageClick(); }); };
    ImageMenu->OnClick = [this] { RunHandler([this] { ImageMenuClick(); }); };
    DMode->OnClick = [this] { RunHandler([this] { DModeClick(true); }); };
    for (QAction* item : {ThemeLight1, ThemeDark1, ThemeWindows1, ThemeAuto1})
        connect(item, &QAction::triggered, this, [this, item] { RunHandler([this, item] { ThemeClick(item); }); });

    // Screens plugged, unplugged or resized while the gadget runs.
    const auto watchScreen = [this](QScreen* screen) {
        connect(screen, &QScreen::availableGeometryChanged, this, [this] { RunHandler([this] { KeepOnScreens(); }); });
    };
    for (QScreen* screen : QGuiApplication::screens()) watchScreen(screen);
    connect(qApp, &QGuiApplication::screenAdded, this, [this, watchScreen](QScreen* screen) {
        watchScreen(screen);
        RunHandler([this] { KeepOnScreens(); });
    });
    // Queued: the unplugged screen is gone from the list by then.
    connect(qApp, &QGuiApplication::screenRemoved, this, [this] { RunHandler([this] { KeepOnScreens(); }); },
            Qt::QueuedConnection);

    // An error in any step of the start ends the start at that step; the window
    // still opens, and the application shows the error.
    RunHandler([this] { FormCreate(); });
}

TForm1::~TForm1() { StopRefreshThread(); }

void TForm1::StopRefreshThread()
{
    // The window waits for the worker's end, so that no cycle touches the
    // window after it is gone; the worker leaves within one sensor query.
    if (!FWmiRefresh) return;
    FWmiRefresh->FinishThreadExecution();
    FWmiRefresh->WaitForEnd();
}

void TForm1::WakeMainThread()
{
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!FWmiRefresh) return;
            CatchUpGlide();
            FWmiRefresh->ServeMainThreadCall();
        },
        Qt::QueuedConnection);
}

TRefreshTags TForm1::RefreshTags() const
{
    TRefreshTags t;
    t.PaintBox1 = PaintBox1->Tag;
    t.PaintBox2 = PaintBox2->Tag;
    t.PaintBox3 = PaintBox3->Tag;
    t.PaintBox4 = PaintBox4->Tag;
    t.PaintBox5 = PaintBox5->Tag;
    t.PaintBox10 = PaintBox10->Tag;
    t.DiskPaintBox1 = DiskPaintBox1->Tag;
    t.DiskPaintBox2 = DiskPaintBox2->Tag;
    t.DiskPaintBox3 = DiskPaintBox3->Tag;
    t.DiskPaintBox4 = DiskPaintBox4->Tag;
    t.PaintBox6 = PaintBox6->Tag;
    t.PaintBox7 = PaintBox7->Tag;
    t.PaintBox8 = PaintBox8->Tag;
    t.PaintBox9 = PaintBox9->Tag;
    t.PaintBox12 = PaintBox12->Tag;
    return t;
}

TRefreshInputs TForm1::RefreshInputs() const { return {MySetup, RefreshTags(), PaintBox8->height()}; }

void TForm1::ClearMemoryTotal()
{
    if (TProgressData* memory = FDiagData.Slot(PaintBox5->Tag)) memory->DataB[1] = 0.0;
    if (FWmiRefresh) FWmiRefresh->ClearMemoryTotal();
}

std::filesystem::path TForm1::IniFileName() const
{
    return FServices.SettingsFile.empty() ? IniFileNameFor(FServices.ExecutablePath) : FServices.SettingsFile;
}

std::string TForm1::IniSaveSection() const
{
    return IniSaveSectionFor(FServices.ComputerName ? FServices.ComputerName() : std::nullopt);
}

TIniFile TForm1::SettingsFile() const
{
    return TIniFile(IniFileName(), [this] { return IniSaveSection(); });
}

void TForm1::RunHandler(const std::function<void()>& handler)
{
    try {
        handler();
    } catch (const std::exception& error) {
        ShowApplicationError(*FServices.Boxes, error);
    }
}

void TForm1::FormCreate()
{
    // 1. The desktop's theme flags, and its notices of their changes.
    FWinStart_AppsUseLightTheme = true;
    ReadWindowsThemeSettings();
    if (FServices.Desktop)
        FServices.Desktop->OnChanged([this] { RunHandler([this] { DesktopAppearanceChanged(); }); });
    // 2. The audio library beside the executable, else in the installed
    // program's private folder; without it there is no sound.
    FBassPresent = LoadAudioLibrary((FServices.ExecutablePath.parent_path() / AudioLibraryFile).string());
    for (const std::filesystem::path& folder : FServices.AudioLibraryFolders)
        if (!FBassPresent) FBassPresent = LoadAudioLibrary((folder / AudioLibraryFile).string());
    // 3.
    MySetup.SoundDevice = -1;
    MySetup.SoundLevel = 9;
    // 4.
    TrayIcon1->setIcon(TrayPicture(false));
    TrayIcon1->setToolTip(windowTitle());
    TrayIcon1->show();
    // 5. No per-thread initialisation is needed for the provider connection.
    // 6. The provider connection: this machine's, or the node_exporter of the
    // machine the settings name (read here, before the other keys); a failure
    // ends the start here.
    ConnectProvider(SettingsFile().ReadString("Server", ""), SettingsFile().ReadString("ServerCA", ""));
    // 7.
    setWindowFlags(FixedSingleBorder);
    // 8.
    LogoImage->SetPicture(Picture(ImageList2().at(0), 64));
    DMode->SetPicture(Picture(ImageList1().at(0), 16));
    ImageMenu->SetPicture(Picture(ImageList1().at(5), 16));
    // 9.
    Label15->SetCaption(QStringLiteral("Download"));
    Label16->SetCaption(QStringLiteral("Upload"));
    Label24->SetCaption(Label18->Caption());
    Label25->SetCaption(Label19->Caption());
    FitTexts();
    // 10.
    BackImage->setGeometry(rect());
    BackImage->setScaledContents(true);
    // 11.
    TIniFile ini = SettingsFile();
    MySetup = ReadSettings(ini);
    // 12.
    PaintBox8->Hint = SensorHardwareName(MySetup.sidCPUload);
    // 13.
    ArrangeRows();
    // 14. Wherever the file says; a window shown off every screen is moved
    // onto one (KeepOnScreens), the file keeps its position until the exit.
    move(ini.ReadInteger(WindowKey::X, x(), WindowKey::PositionRange),
         ini.ReadInteger(WindowKey::Y, y(), WindowKey::PositionRange));
    // 15. The design shows both optional rows; hide those without a metric.
    if (!HasCustomMetric()) SetHasCustomMetric(false);
    if (!HasCpuBarMetric()) SetHasCpuBarMetric(false);
    // 16.
    MinimizeToTray1->setChecked(ini.ReadBool(WindowKey::AppMinToTray, false));
    MinimizeOnClose1->setChecked(ini.ReadBool(WindowKey::AppMinOnClose, false));
    Alerts1->setChecked(ini.ReadBool(WindowKey::Alerts, true));
    // 17.
    ThemeWindows1->setEnabled(MySetup.LabFlags != 0);
    // 18.
    std::int32_t theme = ini.ReadInteger(WindowKey::Theme, -1, WindowKey::ThemeRange);
    // Transparent without the experimental options falls back to Light, in
    // the theme number too, so that the exit writes Light back.
    if (theme == 2 && !ThemeWindows1->isEnabled()) theme = 0;
    DMode->Tag = theme;
    if (theme == 0) ThemeLight1->setChecked(true);
    if (theme == 1) ThemeDark1->setChecked(true);
    if (theme == 2) ThemeWindows1->setChecked(true);
    FWindowKeysRead = true;
    // 19.
    DModeClick(false);
    // 20.
    FWmiRefresh = std::make_unique<TWmiRefresh>(static_cast<IRefreshHost&>(*this), FServices.Namespaces,
                                                FServices.NumberStyle, FServices.Tick, MySetup.Server, MySetup.ServerCA);
}

void TForm1::ConnectProvider(const std::string& server, const std::string& caFile)
{
    FSWbemLocator = std::make_unique<TWbemLocator>(FServices.Namespaces, caFile);
    FWmiService = FSWbemLocator->ConnectServer(server.empty() ? "localhost" : server, HardwareNamespace, "", "");
}

bool TForm1::WindowShown() const { return isVisible() && !isMinimized(); }

void TForm1::ShowMainWindow()
{
    show();
    RunHandler([this] {
        KeepOnScreens();
        FormShow();
    });
}

void TForm1::KeepOnScreens()
{
    if (!FServices.PositionKnown || !isVisible()) return;
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens()) screens.append(screen->availableGeometry());
    // The title bar as the window manager framed it; a usual one before it has.
    constexpr int UsualTitleHeight = 30;
    const int framedTitle = geometry().top() - frameGeometry().top();
    const QRect frame = frameGeometry();
    const QPoint at = PlaceOnScreens(frame, framedTitle > 0 ? framedTitle : UsualTitleHeight, screens);
    if (at != frame.topLeft()) move(at);
}

void TForm1::FormShow()
{
    if (!FServices.Run->FirstRunAsked && !std::filesystem::exists(IniFileName())) {
        FServices.Run->FirstRunAsked = true;
        const std::string question = "Hello! Looks like \"" + windowTitle().toStdString() +
                                     "\" has not been configured yet. Do you want to do it now?\r\n\r\n"
                                     "If you choose \"No\" now, you can always do it later from the Menu | Settings.";
        // The settings run as the command's own handler: a failure there is
        // shown, and the window goes on starting.
        if (FServices.Boxes->AskYesNo(ApplicationTitle, question, TBoxPlace::ScreenCentre()))
            RunHandler([this] { Settings1Click(); });
        // The end was asked for while the question showed: nothing more to start.
        if (FTerminating) return;
    }
    MinimizeToTray1Click();
    StartLevelMeter();
    RunTimer4();
    RunTimer2ByRule();
}

void TForm1::RunTimer4()
{
    FMeterWake.Awake();
    Timer4->setInterval(MeterTickMs);
    Timer4->start();
}

void TForm1::MeterHeard()
{
    if (FChannel != 0 && WindowShown() && !Timer4->isActive()) RunTimer4();
}

void TForm1::FormHide()
{
    Timer4->stop();
    Timer2->stop();
    FSoundRetry->stop();
    MinimizeToTray1Click();
    FreeRecording();
}

void TForm1::RunTimer2ByRule()
{
    // The tick stops itself once nothing moves (Timer2Timer) and a hand-over
    // with a new target starts it again (WakeAnimation).
    FGlideMark = GlideNow();
    if (HasCpuBarMetric() || !MySetup.DiskDiagram) {
        FGliding = true;
        Timer2->start(GlideTickMs);
    } else {
        FGliding = false;
        Timer2->stop();
    }
}

void TForm1::ScheduleGlide()
{
    std::int64_t next = 0; // steps until one shows something; 0: none does
    bool gliding = false;
    if (!MySetup.DiskDiagram)
        for (const TPaintBox* box : {DiskPaintBox1, DiskPaintBox2, DiskPaintBox3, DiskPaintBox4})
            if (const TProgressData* slot = FDiagData.Slot(box->Tag); slot && BarNeedsStep(*slot)) {
                gliding = true;
                const std::int64_t steps = StepsUntilBarShowsAStep(*slot);
                if (steps > 0 && (next == 0 || steps < next)) next = steps;
            }
    if (HasCpuBarMetric() && CoreBarsNeedStep(FDiagData.Slot(PaintBox8->Tag), FDiagData.Slot(PaintBox9->Tag))) {
        gliding = true;
        next = 1;
    }
    FGliding = gliding && WindowShown();
    if (!FGliding || next == 0) {
        Timer2->stop();
        return;
    }
    // Due when that step is, counted from the last one (at most an hour ahead).
    const qint64 due = FGlideMark + std::min<std::int64_t>(next, 72000) * GlideTickMs - GlideNow();
    Timer2->start(int(std::max<qint64>(due, 1)));
}

void TForm1::CatchUpGlide()
{
    // A glide at its pace takes its own steps.
    if (!FGliding || !WindowShown() || (Timer2->isActive() && Timer2->interval() <= GlideTickMs)) return;
    const qint64 steps = (GlideNow() - FGlideMark) / GlideTickMs;
    if (steps <= 0) return;
    FGlideMark += steps * GlideTickMs;
    // The hand-over that follows draws the bars.
    StepGlide(steps, false);
}

void TForm1::StartGlide()
{
    // One under way keeps its pace. A new one steps now: the tick could have
    // come at this very moment, and a bar that moves by one step then costs
    // no wake-up and no paint of its own.
    if (FGliding || !WindowShown() || (!HasCpuBarMetric() && MySetup.DiskDiagram)) return;
    FGlideMark = GlideNow();
    StepGlide(1, false);
}

void TForm1::WakeAnimation()
{
    // A new glide counts its steps from StartGlide's, one under way from its last.
    if (!WindowShown() || (!HasCpuBarMetric() && MySetup.DiskDiagram)) return;
    ScheduleGlide();
}

void TForm1::FormDestroy()
{
    if (FDestroyed) return;
    FDestroyed = true;
    // After a start that stopped before the window's keys were read, writing
    // them would replace the user's stored position and options with the
    // design's; they are left as they are.
    if (FWindowKeysRead) {
        TWindowKeys keys;
        if (FServices.PositionKnown) {
            keys.X = x();
            keys.Y = y();
        }
        keys.DX = frameGeometry().width();
        keys.DY = frameGeometry().height();
        keys.Theme = ThemeAuto1->isChecked() ? -1 : ThemeNumber();
        keys.AppMinToTray = MinimizeToTray1->isChecked();
        keys.AppMinOnClose = MinimizeOnClose1->isChecked();
        keys.Alerts = Alerts1->isChecked();
        TIniFile ini = SettingsFile();
        WriteWindowKeys(ini, keys);
    }
    Timer1->stop();
    StopRefreshThread();
    // The recording ends before its library goes.
    FreeRecording();
    UnloadAudioLibrary();
}

void TForm1::FinishRun()
{
    if (!FEndRequested) {
        RunHandler([this] { FormDestroy(); });
        return;
    }
    try {
        FormDestroy();
    } catch (const std::exception& error) {
        std::cerr << "tellvane: " << error.what() << "\n";
    }
}

void TForm1::FreeRecording()
{
    if (FBassPresent && AudioLibraryLoaded()) Bass().RecordFree();
    FChannel = 0;
}

void TForm1::StartLevelMeter()
{
    Label20->SetCaption(QStringLiteral("..."));
    Label21->setText(QStringLiteral("..."));
    const auto failed = [this](const char* reason) {
        Label20->SetCaption(QStringLiteral("NA"));
        Label21->setText(QString::fromUtf8(reason));
    };
    if (FBassPresent) {
        if (FChannel != 0) FreeRecording();
        // The input chosen by its name, wherever the server lists it now.
        if (!MySetup.SoundDeviceName.empty()) {
            BASS_DEVICEINFO info{};
            for (DWORD device = 0; Bass().RecordGetDeviceInfo(device, &info); ++device)
                if (info.driver && MySetup.SoundDeviceName == info.driver) MySetup.SoundDevice = std::int32_t(device);
        }
        // Each step runs whatever the one before gave; the last failure is shown.
        if ((Bass().GetVersion() >> 16) != 0x0204) failed("Error: Incorrect version of BASS");
        if (!Bass().RecordInit(MySetup.SoundDevice)) failed("Error: Can't initialize device");
        FChannel = Bass().RecordStart(44100, 1, AudioSampleFloat, RecordCallback, &FMeterWake);
        if (FChannel == 0) failed("Error: Can't initiate recording");
    } else {
        failed("libbass.so not found in App folder");
    }
    if (Label20->Caption() == QStringLiteral("...")) Label20->SetCaption(QStringLiteral("Sound:"));
    if (Label21->text() == QStringLiteral("...")) {
        BASS_DEVICEINFO info{};
        if (MySetup.SoundDevice == -1)
            Label21->setText(QStringLiteral("Default Input sound device"));
        else if (MySetup.SoundDevice >= 0 && Bass().RecordGetDeviceInfo(DWORD(MySetup.SoundDevice), &info) && info.name)
            Label21->setText(QString::fromLocal8Bit(info.name));
    }
    FitTexts();
    // No recording although the library is there (no sound server yet, or an
    // input that is gone): look again every few seconds while shown.
    if (FBassPresent && FChannel == 0 && WindowShown())
        FSoundRetry->start();
    else
        FSoundRetry->stop();
}

void TForm1::SoundServerLost()
{
    FreeRecording();
    if (TProgressData* slot = FDiagData.Slot(PaintBox12->Tag)) {
        slot->DataA.fill(0.0);
        slot->DataB.fill(0.0);
    }
    Label20->SetCaption(QStringLiteral("NA"));
    Label21->setText(QStringLiteral("Error: The sound server went away; waiting for it"));
    FitTexts();
    if (WindowShown()) FSoundRetry->start();
}

void TForm1::SoundRetryTimerTimer()
{
    if (!WindowShown()) {
        FSoundRetry->stop();
        return;
    }
    // No server answers (no input to list): nothing to start, and the panel
    // is left as it is, with no new layout of its texts.
    BASS_DEVICEINFO info{};
    if (FBassPresent && !Bass().RecordGetDeviceInfo(0, &info)) return;
    // Until an input records, the panel keeps saying why it stands still.
    const QString why20 = Label20->Caption(), why21 = Label21->text();
    StartLevelMeter();
    if (FChannel == 0) {
        Label20->SetCaption(why20);
        Label21->setText(why21);
        FitTexts();
        return;
    }
    RunTimer4();
}

void TForm1::UpdateLevelBands()
{
    TProgressData* slot = FDiagData.Slot(PaintBox12->Tag);
    if (!slot || !FBassPresent || FChannel == 0) return;
    // A recording that ended (the sound server went away) is released and
    // the server looked for again.
    if (Bass().ChannelIsActive(FChannel) != 1) {
        SoundServerLost();
        return;
    }
    // The window's own buffer: no allocation per tick.
    if (Bass().ChannelGetData(FChannel, FSpectrumBins.data(), AudioDataFft2048) == DWORD(-1)) {
        SoundServerLost();
        return;
    }
    StepLevelBands(FSpectrumBins.data(), PaintBox12->height(), MySetup.SoundLevel, slot->DataA, slot->DataB);
}

void TForm1::FormCloseQuery(bool& canClose)
{
    canClose = !(WindowShown() && MinimizeOnClose1->isChecked() && MinimizedMark() != 1);
    if (!canClose) MinimizeApplication();
}

void TForm1::closeEvent(QCloseEvent* event)
{
    bool canClose = true;
    RunHandler([&] { FormCloseQuery(canClose); });
    if (!canClose) {
        event->ignore();
        return;
    }
    event->accept();
    // Closing the main window ends the application.
    FTerminating = true;
    QCoreApplication::quit();
}

void TForm1::keyPressEvent(QKeyEvent* event)
{
    RunHandler([&] { FormKeyDown(event->key()); });
    QWidget::keyPressEvent(event);
}

void TForm1::FormKeyDown(int key)
{
    if (key == Qt::Key_F2) Settings1->trigger();
    if (key == Qt::Key_F10) {
        const std::string question = std::string("Are you sure you want to exit ") + ApplicationTitle + "?";
        if (FServices.Boxes->AskYesNo(ApplicationTitle, question, TBoxPlace::TopLeftAt(x() + 132, y() + 32)))
            Close1->trigger();
    }
    if (key == Qt::Key_Menu) ImageMenuClick();
}

int TForm1::QueryEndSession()
{
    if (Form2 && Form2->isVisible()) Form2->Button2->click();
    bool canClose = true;
    FormCloseQuery(canClose);
    return canClose ? 1 : 0;
}

void TForm1::EndSession()
{
    FEndRequested = true;
    // Every open box closes first, as if cancelled, so that the end does not
    // wait for an answer; this holds for a box opened before the loop ran.
    FServices.Boxes->CloseAll();
    Close1Click();
}

void TForm1::Settings1Click()
{
    if (!WindowShown() || MinimizedMark() == 1) ShowHide1->trigger();
    RunSettingsDialog();
    RunTimer2ByRule();
}

void TForm1::RunSettingsDialog()
{
    if (!Form2) return;
    // 1.
    const bool hadCustomMetric = HasCustomMetric();
    const bool hadCpuBarMetric = HasCpuBarMetric();
    const std::int32_t soundLevel = MySetup.SoundLevel;
    // 2.
    Form2->TempSetup = MySetup;
    // 3. The dialog in the window's colours, every control of it readable
    // (Label7 takes the window's text colour with the rest).
    Form2->SetColours(palette().color(QPalette::Window), palette().color(QPalette::WindowText));
    // 4.
    if (Form2->ShowModal() != QDialog::Accepted) {
        // 6. The level acts while the dialog is open; a cancel puts it back.
        MySetup.SoundLevel = soundLevel;
        return;
    }
    // 5.1 The refresh thread takes the new sensors at its next hand-over.
    const bool newMachine = Form2->TempSetup.Server != MySetup.Server || Form2->TempSetup.ServerCA != MySetup.ServerCA;
    MySetup = Form2->TempSetup;
    // Another machine: the catalogue and the name look-ups ask it from now on
    // (the refresh thread connects to it at its next cycle).
    if (newMachine) ConnectProvider(MySetup.Server, MySetup.ServerCA);
    // 5.2 A failed write ends here, with its message.
    TIniFile ini = SettingsFile();
    WriteSettings(ini, MySetup);
    // 5.3
    PaintBox8->Hint = Form2->ComboBox1->currentText().toStdString();
    // 5.4
    ClearMemoryTotal();
    // 5.5
    if (HasCustomMetric() != hadCustomMetric) SetHasCustomMetric(HasCustomMetric());
    if (HasCpuBarMetric() != hadCpuBarMetric) SetHasCpuBarMetric(HasCpuBarMetric());
    // 5.6
    ArrangeRows();
    // The refresh thread's next cycle starts from these settings and rows.
    if (FWmiRefresh) FWmiRefresh->InputsChanged();
    // 5.7
    StartLevelMeter();
    if (WindowShown()) RunTimer4();
    // 5.8, 5.9: the effect off and the theme again, worked out as one change
    // so that the native window is made anew at most once (no flicker).
    HoldComposition(true);
    struct TRelease {
        TForm1& Form;
        ~TRelease() { Form.HoldComposition(false); }
    } release{*this};
    if (ThemeNumber() == ThemeTransparent && MySetup.LabFlags != 0) SetWindowAccent(false);
    DModeClick(false);
}

void TForm1::GetWmiOptions()
{
    if (!Form2) return;
    Form2->TreeView1->RebuildFrom(FWmiService.get());
}

void TForm1::LogoImageClick() { Settings1->trigger(); }

QPoint TForm1::PopupMenuPoint() const
{
    // Flush with the menu button's left edge, 2 pixels below its bottom edge.
    return mapToGlobal(QPoint(ImageMenu->x(), ImageMenu->y() + ImageMenu->height() + 2));
}

void TForm1::ImageMenuClick() { PopupMenu1->popup(PopupMenuPoint()); }

void TForm1::PopupMenu1Popup()
{
    ThemeWindows1->setEnabled(MySetup.LabFlags != 0);
    // An entry that cannot be read leaves the check as it is.
    if (const std::optional<bool> enabled = AutostartEnabled(FServices.AutostartFolder(), FServices.ExecutablePath))
        RunonWindowsStartup1->setChecked(*enabled);
}

void TForm1::RunonWindowsStartup1Click()
{
    // A failure shows nothing; the next opening shows the entry as it is.
    SetAutostart(FServices.AutostartFolder(), FServices.ExecutablePath, RunonWindowsStartup1->isChecked());
}

std::string TForm1::AboutText() const
{
    return "About: " + std::string(ApplicationTitle) + " (" + windowTitle().toStdString() + ")\r\n\r\n" +
           "Disclaimer: This program reads its sensors from the kernel's hardware monitoring drivers. You can "
           "download their tools from the link provided in the Settings dialog.\r\n\r\n" +
           "Version " TELLVANE_VERSION "\r\n" +
           "Licence: MIT\r\n" +
           "Settings file: " + IniFileName().string();
}

void TForm1::About1Click() { FServices.Boxes->ShowPlain(ApplicationTitle, AboutText()); }

void TForm1::Close1Click()
{
    // An open settings dialog closes as cancelled; its loop ends with the application's.
    if (Form2 && Form2->isVisible()) Form2->Button2->click();
    if (WindowShown()) FormHide();
    hide();
    close();
    FTerminating = true;
    QCoreApplication::quit();
}

void TForm1::ShowHide1Click()
{
    if (WindowShown() && MinimizedMark() != 1)
        MinimizeApplication();
    else
        RestoreApplication();
}

void TForm1::MinimizeApplication()
{
    // The minimize event follows from the window's state change (changeEvent),
    // which Qt delivers at once.
    setWindowState(windowState() | Qt::WindowMinimized);
}

void TForm1::RestoreApplication()
{
    if (!isVisible()) show();
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    raise();
    activateWindow();
}

void TForm1::changeEvent(QEvent* event)
{
    // The window manager's own minimize and restore (title-bar button, task bar)
    // arrive here; ours arrive here too and are recognised by the mark.
    if (event->type() == QEvent::WindowStateChange) {
        const bool minimized = isMinimized();
        if (minimized && MinimizedMark() != 1) RunHandler([this] { ApplicationEvents1Minimize(); });
        if (!minimized && MinimizedMark() == 1 && isVisible()) RunHandler([this] { ApplicationEvents1Restore(); });
    }
    QWidget::changeEvent(event);
}

void TForm1::ApplicationEvents1Minimize()
{
    Close1->setData(1);
    FormHide();
}

void TForm1::ApplicationEvents1Restore()
{
    Close1->setData(0);
    FormShow();
}

void TForm1::MinimizeToTray1Click()
{
    // Without a system tray the task-bar entry stays whatever the option says:
    // it is then the only way back to a minimized window.
    const bool trayAvailable = FServices.TrayAvailable && FServices.TrayAvailable();
    SetTaskbarEntryVisible(*this, !MinimizeToTray1->isChecked() || !trayAvailable);
}

void TForm1::TrayIcon1Activated(QSystemTrayIcon::ActivationReason reason)
{
    // The right button opens PopupMenu1, the icon's context menu.
    if (reason == QSystemTrayIcon::Trigger) ShowHide1->trigger();
}
