#pragma once
// The main window: it owns the active settings, the diagram data, the
// provider connection and (later) the refresh thread, and it runs every
// handler of the window on the main thread.

#include "ApplicationTitle.h"
#include "AudioLibrary.h"
#include "Autostart.h"
#include "DataModel.h"
#include "FormWidgets.h"
#include "MessageBoxes.h"
#include "NumberStyle.h"
#include "TemperatureAlerts.h"
#include "TForm2.h"
#include "Themes.h"
#include "Wbem.h"
#include "WmiRefresh.h"

#include <QAction>
#include <QActionGroup>
#include <QDateTime>
#include <QElapsedTimer>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

#include <array>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class IDesktopAppearance;
class INotifications;
class TIniFile;

// Process-wide facts of one run.
struct TRunState {
    // Set once the first-run question has been asked; it is asked at most once per run.
    bool FirstRunAsked = false;
};

// What the window needs from the world; the program entry passes the real
// services, tests pass their own.
struct TForm1Services {
    std::filesystem::path ExecutablePath;
    // The settings file (SettingsFileOf); empty: beside the executable.
    std::filesystem::path SettingsFile;
    // Where the audio library is looked for after the executable's folder
    // (the installed program's private library folder).
    std::vector<std::filesystem::path> AudioLibraryFolders;
    std::function<std::optional<std::string>()> ComputerName;
    std::shared_ptr<const TWbemNamespaces> Namespaces;
    IMessageBoxes* Boxes = nullptr;
    TRunState* Run = nullptr;
    TNumberStyle NumberStyle;
    std::function<QDateTime()> Now = [] { return QDateTime::currentDateTime(); };
    TTickSource Tick = TickCount32;
    // Whether the desktop has a system tray to reach a minimized window from.
    std::function<bool()> TrayAvailable;
    // The desktop's light or dark preference, accent colour and window
    // effects; without it the theme flags keep their starting values.
    IDesktopAppearance* Desktop = nullptr;
    // The folder of the desktop session's autostart entries.
    std::function<std::filesystem::path()> AutostartFolder = AutostartFolderOfEnvironment;
    // Whether the window manager tells and obeys the window's position (not
    // for a native Wayland client): only then is the position kept on the
    // screens and stored at the exit.
    bool PositionKnown = true;
    // Where alerts are told (the desktop's notification service); without
    // it the captions warn and nothing is sent.
    INotifications* Notifications = nullptr;
    // The alerts' clock.
    std::function<std::chrono::steady_clock::time_point()> Clock = [] { return std::chrono::steady_clock::now(); };
};

inline constexpr int FormClientWidth = 628;
inline constexpr int OptionalRowHeight = 112;
inline constexpr int WeekLabelTop = 47;
// The sound tick while the spectrum moves; with every band at rest it stops
// until a block of sound wakes it (TMeterWake).
inline constexpr int MeterTickMs = 25;
// One step of the bars' glide.
inline constexpr int GlideTickMs = 50;
// After a hand-over, which moves the clock, its own tick waits this long.
inline constexpr int ClockStandInMs = 1500;
// How often a lost sound server is looked for.
inline constexpr int SoundRetryMs = 3000;

class TForm1 : public QWidget, public ISettingsHost, private IRefreshHost {
public:
    explicit TForm1(TForm1Services services, QWidget* parent = nullptr);
    ~TForm1() override;

    // The settings file beside the executable, and this computer's section in it.
    std::filesystem::path IniFileName() const override;
    std::string IniSaveSection() const;

    // --- lifecycle (main thread) ---
    // The message loop starts: the window is shown and FormShow runs.
    void ShowMainWindow();
    // A window that would show too little of itself on the screens (a
    // monitor unplugged since) is moved onto the nearest one.
    void KeepOnScreens();
    void FormShow();
    void FormHide();
    // Runs once when the application ends; raises EProfileWriteError when the
    // window's keys cannot be written (the remaining steps are then skipped).
    void FormDestroy();
    // The run's last step, after the loop: FormDestroy as a handler, except
    // after an end request (a signal, the session's end), when nobody is
    // there to answer a box: a failure then goes to standard error.
    void FinishRun();
    // The end was asked for by a signal or the session's end.
    bool EndRequested() const { return FEndRequested; }
    void FormCloseQuery(bool& canClose);
    void FormKeyDown(int key);
    // The desktop session: may it end (1) or not (0); and the notice that it ends.
    int QueryEndSession();
    void EndSession();

    void Settings1Click();
    // Opens the settings dialog with the active settings and takes its result.
    void RunSettingsDialog();
    // Rebuilds the settings dialog's sensor catalogue from the window's own
    // provider connection.
    void GetWmiOptions() override;
    bool BassPresent() const override { return FBassPresent; }
    void SoundLevelChanged(std::int32_t level) override { MySetup.SoundLevel = level; }
    void Close1Click();
    void ShowHide1Click();
    void LogoImageClick();
    void ImageMenuClick();
    // Where the popup menu opens from the menu button and the context-menu key,
    // in screen coordinates.
    QPoint PopupMenuPoint() const;
    void ApplicationEvents1Minimize();
    void ApplicationEvents1Restore();
    void MinimizeToTray1Click();
    // A click on the tray icon (the left button restores or minimizes).
    void TrayIcon1Activated(QSystemTrayIcon::ActivationReason reason);
    // Before every opening of the menu, however it opens: the start-with-the-
    // session item follows the autostart entry, Transparent is offered only
    // with the experimental options.
    void PopupMenu1Popup();
    // The check has already flipped: write or delete this copy's autostart entry.
    void RunonWindowsStartup1Click();
    void About1Click();
    // The About box's text.
    std::string AboutText() const;
    void MinimizeApplication();
    void RestoreApplication();

    // --- colour themes ---
    void ThemeClick(QAction* item);
    // With a sender (the theme button) the next theme; without, the current
    // selection applied again (Auto-detect asks the desktop).
    void DModeClick(bool withSender);
    void ReadWindowsThemeSettings();
    void SetWindowAccent(bool on);
    void UpdateBackImage();
    QColor GetAccentColor() const;
    // The desktop's appearance changed: Auto-detect and Transparent apply the
    // whole theme again, the others only the background picture.
    void DesktopAppearanceChanged();
    // The composition effect last asked for, and the tint laid over the desktop.
    const TAccentPolicy& AccentPolicyInUse() const { return FAccentPolicy; }
    const TTint& Tint() const { return FTint; }
    bool AppsUseLightTheme() const { return FWinStart_AppsUseLightTheme; }

    // --- layout and text panels ---
    bool HasCustomMetric() const;
    void SetHasCustomMetric(bool value);
    bool HasCpuBarMetric() const;
    void SetHasCpuBarMetric(bool value);
    void ArrangeRows();
    // No text draws over its neighbour: each label gets the room its row
    // leaves it, and the week label goes where it fits whole.
    void FitTexts();
    void PlaceWeekLabel();
    void UpdateWmiGUI() override;
    void UpdateOsGUI(const std::string& s1, const std::string& s2, const std::string& s3) override;
    void Timer1Timer();
    // The time, and every tenth second the date and the week.
    void ClockTick();
    void Timer2Timer();
    // Before a meeting with the refresh thread: the steps a sleeping glide
    // skipped, so that the hand-over goes on from where the bars are.
    void CatchUpGlide();
    void Timer4Timer();

    // --- the sound panel ---
    // Opens the recording of the chosen input and names it (or the failure).
    void StartLevelMeter();
    // One step of the spectrum's bands; a failure ends the recording.
    void UpdateLevelBands();
    std::uint32_t Channel() const { return FChannel; }
    void FreeRecording();
    // The recording ended under the meter (the sound server stopped): the
    // bands fall to 0, the caption says why, and the server is looked for
    // every few seconds until the chosen input records again.
    void SoundServerLost();
    void SoundRetryTimerTimer();
    const QTimer* SoundRetryTimer() const { return FSoundRetry; }
    // A block that could raise a bar came while the meter slept.
    void MeterHeard();

    // --- alerts ---
    // The temperature rows (processor, video card, a custom metric of type
    // Temperature) against their limits after a hand-over: the caption in the
    // theme's warning colour, a notification, the tray icon's mark.
    void CheckAlerts();
    // The check has already flipped; off, the captions take the theme's
    // colour at once and nothing is sent.
    void Alerts1Click();
    bool AlertOn() const;
    // Whether the row of that caption warns.
    bool Warns(const QLabel* caption) const;
    // The tray tooltip's line of live values: "CPU 45 % 61 °C · GPU 12 % 48 °C
    // · Mem 3.1 of 16 Gb", each part only where its sensors are chosen.
    std::string TrayValuesLine() const;

    // --- drawing ---
    // Draws the slot of the area's tag in that mode and shows it at once;
    // nothing when the tag names no slot, while the application shuts down, or
    // when the picture would be the one already shown.
    void DrawDiagram(TPaintBox* box, TDiagramMode mode);
    // The mode a slot paint area is drawn in by its paint event.
    TDiagramMode PaintBoxMode(const TPaintBox* box) const;
    void PaintBoxPaint(TPaintBox& box);
    void PaintBox11Paint(TPaintBox& box);
    void PaintBox13Paint(TPaintBox& box);
    void PaintBox14Paint(TPaintBox& box);
    TDiagramScene SceneFor(const TPaintBox* box) const;
    std::string SensorParentId(const std::string& id) const;
    std::string SensorHardwareName(const std::string& id) const;

    // --- state ---
    const TWmiSettings& Setup() const { return MySetup; }
    std::int32_t DiagIndex() const { return FDiagIndex; }
    void SetDiagIndex(std::int32_t index) { FDiagIndex = index; }
    const TWmiDataArray& DiagData() const { return FDiagData; }
    TWmiDataArray& DiagData() { return FDiagData; }
    // The refresh thread, or nothing when the start stopped before it.
    const TWmiRefresh* RefreshThread() const { return FWmiRefresh.get(); }
    // The memory total is worked out again in the next cycle (after the
    // memory sensors changed).
    void ClearMemoryTotal();
    int MinimizedMark() const { return Close1->data().toInt(); }
    bool ProviderConnected() const { return FWmiService != nullptr; }
    // The application was told to end (Exit, or a close that was allowed).
    bool Terminating() const { return FTerminating; }
    bool WindowShown() const;
    int ThemeNumber() const { return DMode->Tag; }

    // Runs a handler the way the application does: an exception that leaves it
    // is shown in an error box titled with the application's title.
    void RunHandler(const std::function<void()>& handler) override;

    // The settings dialog, created right after the window and kept until the
    // end; nothing until then.
    TForm2* Form2 = nullptr;

    // --- the window's elements (names as in the window design) ---
    QWidget* Panel1;
    QLabel* BackImage;
    TImageButton* LogoImage;
    TImageButton* DMode;
    TImageButton* ImageMenu;
    TPaintBox *PaintBox11, *PaintBox13, *PaintBox14;
    TAutoLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6, *Label7, *Label8, *Label9, *Label10,
        *Label11, *Label12, *Label13, *Label14, *Label15, *Label16, *Label17, *Label18, *Label19, *Label20,
        *Label22, *Label23, *Label24, *Label25, *Label26, *Label27, *Label28, *Label29, *Label30, *Label31,
        *Label32, *Label33;
    QLabel* Label21;
    QLabel *Image1, *Image2, *Image3, *Image4, *Image5, *Image6, *Image7, *Image8, *Image9, *Image10, *Image11,
        *Image12;
    TPaintBox *PaintBox1, *PaintBox2, *PaintBox3, *PaintBox4, *PaintBox5, *PaintBox6, *PaintBox7, *PaintBox8,
        *PaintBox9, *PaintBox10, *PaintBox12;
    TPaintBox *DiskPaintBox1, *DiskPaintBox2, *DiskPaintBox3, *DiskPaintBox4;
    QTimer *Timer1, *Timer2, *Timer4;
    QMenu* PopupMenu1;
    QAction *Settings1, *ShowHide1, *MinimizeToTray1, *MinimizeOnClose1, *RunonWindowsStartup1, *About1, *Close1;
    QAction* Alerts1;
    QAction *ThemeLight1, *ThemeDark1, *ThemeWindows1, *ThemeAuto1;
    QActionGroup* ThemeGroup;
    QSystemTrayIcon* TrayIcon1;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void CreateElements();
    // The window's own connection to the machine shown (empty: this one).
    void ConnectProvider(const std::string& server, const std::string& caFile);
    // The value labels, clock, date and sound status, which take the theme's text colour.
    std::vector<QLabel*> ThemedLabels() const;
    // A translucent window (made anew when it changes), blurred behind where the desktop can.
    void SetTranslucent(bool on);
    // While held, the composition effect is worked out but not applied: a
    // change of several steps makes the native window anew at most once.
    void HoldComposition(bool hold);
    void FormCreate();
    TIniFile SettingsFile() const;
    void SetClientHeight(int height);
    void RunTimer2ByRule();
    // A glide that starts with a hand-over takes its first step in the
    // hand-over's own turn and paint (called before the bars are drawn).
    void StartGlide();
    // `steps` steps of every bar's glide (core bars one); with `draw`, the
    // bars that moved are drawn.
    void StepGlide(qint64 steps, bool draw);
    // Starts the animation tick when a bar has somewhere to go.
    void WakeAnimation();
    // The glide ticks at its pace while a step shows something; steps that
    // all look the same (a bar beyond its end) are slept through and taken at
    // once by the next tick or by CatchUpGlide.
    void ScheduleGlide();
    qint64 GlideNow() const { return FGlideClock.elapsed(); }
    // The sound tick at the meter's pace.
    void RunTimer4();
    const TProgressData* SlotOf(const TPaintBox* box) const;
    // Where the last hand-over's values are in the slots' series.
    std::size_t NewestPosition() const;
    // The captions of rows that warn in the warning colour, the others in the theme's.
    void ApplyAlertColours();
    // The tray icon, with a red mark while an alert is on, and its tooltip.
    void UpdateTrayIcon();
    QIcon TrayPicture(bool marked) const;

    // The refresh thread's side of the window (main thread, see TWmiRefresh).
    void WakeMainThread() override;
    TRefreshInputs RefreshInputs() const override;
    TWmiDataArray& WindowData() override { return FDiagData; }
    void SetWindowDiagIndex(std::int32_t index) override { FDiagIndex = index; }
    TRefreshTags RefreshTags() const override;
    void StopRefreshThread();

    TForm1Services FServices;
    // Elements that keep their distance to the bottom edge, with that distance.
    std::vector<std::pair<QWidget*, int>> FBottomAnchored;
    bool FWindowKeysRead = false; // the start read X, Y and the window's options
    bool FDestroyed = false;
    bool FTerminating = false;
    bool FEndRequested = false;

    // Fields in the design's order.
    bool FWinStart_ColorPrevalence = false;
    bool FWinStart_EnableTransparency = false;
    bool FWinStart_AppsUseLightTheme = true;
    QColor FAccentColour{0x00, 0x78, 0xD7};
    TTint FTint;
    TAccentPolicy FAccentPolicy;
    bool FBlurBehind = false;
    bool FCompositionHeld = false;
    bool FBassPresent = false;
    std::shared_ptr<TWbemService> FWmiService;
    std::unique_ptr<TWbemLocator> FSWbemLocator;
    std::int32_t FDiagIndex = 0;
    std::uint32_t FChannel = 0;
    TWmiDataArray FDiagData;
    TWmiSettings MySetup;
    QFont FCanvasFont; // the font diagrams draw their texts in
    TThemeColours FColours; // the theme's colours in use
    // The temperature rows' alerts and the sensor each was following.
    std::array<TTemperatureAlert, 4> FAlerts;
    std::array<std::string, 4> FAlertIds;
    bool FTrayMarked = false;
    QTimer* FSoundRetry = nullptr; // looks for the sound server while none records
    QElapsedTimer FGlideClock;
    qint64 FGlideMark = 0;  // when the bars' last glide step was due
    bool FGliding = false;  // a bar's fill is on its way, maybe slept through
    std::array<float, 1024> FSpectrumBins{}; // the newest spectrum of the sound input
    // Posts MeterHeard from the library's thread; the recording is freed
    // before the window goes, so no block arrives after it.
    TMeterWake FMeterWake{[this] { QMetaObject::invokeMethod(this, [this] { RunHandler([this] { MeterHeard(); }); }, Qt::QueuedConnection); }};
    // Last: it is stopped and joined first, while everything it meets still exists.
    std::unique_ptr<TWmiRefresh> FWmiRefresh;
};
