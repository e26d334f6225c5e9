// The main window on Qt's offscreen platform: start-up, lifecycle, layout and
// text panels, with the settings file in a temporary folder and a provider the
// test controls.

#include "DesktopNotifications.h"
#include "FakeDesktop.h"
#include "Pictures.h"
#include "ScriptedBoxes.h"
#include "SettingsDialogDriver.h"
#include "SettingsFile.h"
#include "ShellTestMain.h"
#include "TForm1.h"
#include "TempDir.h"
#include "TestProvider.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <QLocale>

#include <set>

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;
using TKind = TShownBox::TKind;

constexpr const char* Section = "TESTPC";

class MainWindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        Namespaces->Register(TestHardwareNamespace, Provider);
    }

    fs::path Ini() const { return Dir / "tellvane.ini"; }
    void WriteIni(const std::string& keys) { WriteFileText(Ini(), std::string("[") + Section + "]\r\n" + keys); }
    std::string ReadKey(std::string_view key) const
    {
        return TIniFile(Ini(), [] { return std::string(Section); }).ReadString(key, "<missing>");
    }

    std::unique_ptr<TForm1> Create(std::shared_ptr<const TWbemNamespaces> namespaces = nullptr)
    {
        TForm1Services services;
        services.ExecutablePath = ExecutablePath;
        services.ComputerName = [] { return std::optional<std::string>(Section); };
        services.Namespaces = namespaces ? namespaces : Namespaces;
        services.Boxes = &Boxes;
        services.Run = &Run;
        services.Now = [this] { return Now; };
        services.TrayAvailable = [this] { return TrayAvailable; };
        services.Desktop = &Desktop;
        services.AutostartFolder = [this] { return Dir / "autostart"; };
        services.PositionKnown = PositionKnown;
        services.Notifications = &Notices;
        services.Clock = [this] { return Clock; };
        return std::make_unique<TForm1>(std::move(services));
    }

    // The settings dialog, created right after the window as the program entry does.
    std::unique_ptr<TForm2> CreateDialog(TForm1& form) { return CreateSettingsDialog(form, Boxes); }

    // The application ends: the exit command, then the window's destruction step.
    static void Exit(TForm1& form)
    {
        form.Close1Click();
        form.FormDestroy();
    }

    TempDir Dir;
    fs::path ExecutablePath = Dir / "tellvane";
    ScriptedBoxes Boxes;
    TRunState Run;
    std::shared_ptr<TTableProvider> Provider = std::make_shared<TTableProvider>();
    std::shared_ptr<TWbemNamespaces> Namespaces = std::make_shared<TWbemNamespaces>();
    QDateTime Now{QDate(2026, 7, 1), QTime(14, 5, 9)};
    bool TrayAvailable = true;
    bool PositionKnown = true;
    FakeDesktop Desktop;
    // The notifications the window sent, and the alerts' clock.
    struct TRecorder : INotifications {
        std::vector<TNotice> Sent;
        void Notify(const TNotice& notice) override { Sent.push_back(notice); }
    } Notices;
    std::chrono::steady_clock::time_point Clock{};
};

struct TTimersRunning {
    bool Timer1, Timer2, Timer4;
    bool operator==(const TTimersRunning&) const = default;
};

TTimersRunning TimersOf(const TForm1& form)
{
    return {form.Timer1->isActive(), form.Timer2->isActive(), form.Timer4->isActive()};
}

void PrintTo(const TTimersRunning& t, std::ostream* os)
{
    *os << "{Timer1 " << t.Timer1 << ", Timer2 " << t.Timer2 << ", Timer4 " << t.Timer4 << "}";
}

// --- lifecycle ---

TEST_F(MainWindowTest, TimersAndMarkFollowCreatedShownMinimizedEnding)
{
    WriteIni("");
    auto form = Create();
    EXPECT_EQ(TimersOf(*form), (TTimersRunning{true, false, false})) << "created";
    EXPECT_FALSE(form->isVisible());

    form->ShowMainWindow();
    EXPECT_EQ(TimersOf(*form), (TTimersRunning{true, true, true})) << "shown";
    EXPECT_EQ(form->MinimizedMark(), 0);

    form->ShowHide1Click();
    EXPECT_EQ(TimersOf(*form), (TTimersRunning{true, false, false})) << "minimized";
    EXPECT_EQ(form->MinimizedMark(), 1);
    EXPECT_FALSE(form->WindowShown());

    form->ShowHide1Click();
    EXPECT_EQ(TimersOf(*form), (TTimersRunning{true, true, true})) << "restored";
    EXPECT_EQ(form->MinimizedMark(), 0);
    EXPECT_TRUE(form->WindowShown());

    Exit(*form);
    EXPECT_EQ(TimersOf(*form), (TTimersRunning{false, false, false})) << "ending";
    EXPECT_TRUE(form->Terminating());
    EXPECT_FALSE(form->isVisible());
}

TEST_F(MainWindowTest, WindowManagersMinimizeAndRestoreAreTheApplicationsEvents)
{
    // The title bar's button and the task bar change the window's state directly.
    WriteIni("");
    auto form = Create();
    form->ShowMainWindow();
    form->setWindowState(Qt::WindowMinimized);
    EXPECT_EQ(form->MinimizedMark(), 1);
    EXPECT_EQ(TimersOf(*form), (TTimersRunning{true, false, false}));
    form->setWindowState(Qt::WindowNoState);
    EXPECT_EQ(form->MinimizedMark(), 0);
    EXPECT_EQ(TimersOf(*form), (TTimersRunning{true, true, true}));
}

TEST_F(MainWindowTest, AnimationTimerRunsOnlyWithSomethingToAnimate)
{
    struct Case {
        const char* keys;
        bool timer2;
    };
    for (const Case& c : {Case{"DiskDiagram=0\r\nCpuBars=0\r\n", true}, Case{"DiskDiagram=1\r\nCpuBars=0\r\n", false},
                          Case{"DiskDiagram=1\r\nCpuBars=1\r\n", true}, Case{"DiskDiagram=0\r\nCpuBars=1\r\n", true}}) {
        WriteIni(c.keys);
        auto form = Create();
        form->ShowMainWindow();
        EXPECT_EQ(form->Timer2->isActive(), c.timer2) << c.keys;
    }
}

TEST_F(MainWindowTest, FirstRunQuestionIsAskedOnceAndTheFileExistsAfterExit)
{
    auto form = Create();
    form->ShowMainWindow();
    for (int i = 0; i < 3; ++i) {
        form->MinimizeApplication();
        form->RestoreApplication();
    }
    const auto questions = Boxes.OfKind(TKind::Question);
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0].Title, "Tellvane");
    EXPECT_EQ(questions[0].Text,
              "Hello! Looks like \"My Computer - Hardware Status\" has not been configured yet. Do you want to do "
              "it now?\r\n\r\nIf you choose \"No\" now, you can always do it later from the Menu | Settings.");
    EXPECT_TRUE(questions[0].Place.IsCentred());
    // Answered No: the defaults stay.
    EXPECT_EQ(form->Setup(), TWmiSettings{});

    Exit(*form);
    ASSERT_TRUE(fs::exists(Ini()));
    EXPECT_EQ(ReadKey("DX"), std::to_string(form->frameGeometry().width()));

    // The next run finds the file and asks nothing.
    TRunState nextRun;
    Run = nextRun;
    Boxes.Shown.clear();
    auto next = Create();
    next->ShowMainWindow();
    EXPECT_TRUE(Boxes.Shown.empty());
}

TEST_F(MainWindowTest, FileOfAnotherComputerCountsAsConfigured)
{
    WriteFileText(Ini(), "[ELSEWHERE]\r\nCPUload=/cpu/0/load/0\r\nCpuBars=1\r\n");
    auto form = Create();
    form->ShowMainWindow();
    EXPECT_TRUE(Boxes.Shown.empty());
    EXPECT_EQ(form->Setup(), TWmiSettings{});
}

TEST_F(MainWindowTest, CloseWithMinimizeOnCloseMinimizesAndExitThenEnds)
{
    WriteIni("AppMinOnClose=1\r\n");
    auto form = Create();
    form->ShowMainWindow();
    EXPECT_FALSE(form->close());
    EXPECT_EQ(form->MinimizedMark(), 1);
    EXPECT_FALSE(form->Terminating());
    EXPECT_FALSE(form->Timer4->isActive());

    // A close while minimized is allowed.
    EXPECT_TRUE(form->close());
    EXPECT_TRUE(form->Terminating());
}

TEST_F(MainWindowTest, CloseWithoutTheOptionEndsTheApplication)
{
    WriteIni("");
    auto form = Create();
    form->ShowMainWindow();
    EXPECT_TRUE(form->close());
    EXPECT_TRUE(form->Terminating());
}

TEST_F(MainWindowTest, MinimizeToTrayRemovesTheTaskBarEntry)
{
    WriteIni("AppMinToTray=1\r\n");
    auto form = Create();
    form->ShowMainWindow();
    EXPECT_TRUE(form->windowFlags().testFlag(Qt::Tool)) << "no task-bar entry while the option is on";
    EXPECT_TRUE(form->isVisible());
    const QPoint place = form->pos();

    form->MinimizeToTray1->trigger(); // the item toggles its check, then runs its handler
    EXPECT_FALSE(form->MinimizeToTray1->isChecked());
    EXPECT_FALSE(form->windowFlags().testFlag(Qt::Tool));
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->pos(), place);
    EXPECT_TRUE(form->windowFlags().testFlag(Qt::WindowMinimizeButtonHint)) << "the border stays";
}

TEST_F(MainWindowTest, TrayIconShowsFromTheStartAndItsClickMinimizesOrRestores)
{
    WriteIni("AppMinToTray=1\r\n");
    auto form = Create();
    EXPECT_TRUE(form->TrayIcon1->isVisible());
    EXPECT_EQ(form->TrayIcon1->toolTip(), "My Computer - Hardware Status");
    EXPECT_EQ(form->TrayIcon1->contextMenu(), form->PopupMenu1) << "the right button opens the menu";
    form->ShowMainWindow();
    struct Click {
        QSystemTrayIcon::ActivationReason reason;
        int mark; // the minimized mark after it
    };
    for (const Click& c : {Click{QSystemTrayIcon::Trigger, 1}, Click{QSystemTrayIcon::Context, 1},
                           Click{QSystemTrayIcon::Trigger, 0}, Click{QSystemTrayIcon::Trigger, 1}}) {
        emit form->TrayIcon1->activated(c.reason);
        EXPECT_EQ(form->MinimizedMark(), c.mark) << c.reason;
    }
}

TEST_F(MainWindowTest, WithoutASystemTrayMinimizingKeepsTheTaskBarEntry)
{
    // With nowhere else to restore it from, the window keeps its entry whatever the option says.
    WriteIni("AppMinToTray=1\r\n");
    TrayAvailable = false;
    auto form = Create();
    form->ShowMainWindow();
    EXPECT_TRUE(form->MinimizeToTray1->isChecked());
    EXPECT_FALSE(form->windowFlags().testFlag(Qt::Tool));
    form->ShowHide1Click();
    EXPECT_EQ(form->MinimizedMark(), 1);
    EXPECT_FALSE(form->windowFlags().testFlag(Qt::Tool));

    // A tray that appears later is used from the next show or hide on.
    TrayAvailable = true;
    form->ShowHide1Click();
    EXPECT_TRUE(form->windowFlags().testFlag(Qt::Tool));
}

TEST_F(MainWindowTest, EndRequestWhileTheFirstRunQuestionShowsClosesItAndExits)
{
    // SIGTERM or the session's end while the question waits, before the loop ran.
    auto form = Create();
    Boxes.Answers = {true};
    Boxes.WhileAsking = [&] { form->EndSession(); };
    form->ShowMainWindow();
    EXPECT_EQ(Boxes.ClosedAll, 1);
    EXPECT_TRUE(form->Terminating());
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(form->Timer4->isActive()) << "nothing is started after the end was asked for";
    EXPECT_EQ(form->Setup(), TWmiSettings{}) << "answered as No: the settings stay";
    form->FormDestroy();
    EXPECT_EQ(ReadKey("Theme"), "-1") << "the window's keys are written as at Exit";
}

TEST_F(MainWindowTest, EndRequestWhileTheExitQuestionShowsEndsWithoutAnAnswer)
{
    WriteIni("");
    auto form = Create();
    form->ShowMainWindow();
    Boxes.WhileAsking = [&] { form->EndSession(); };
    form->FormKeyDown(Qt::Key_F10);
    EXPECT_EQ(Boxes.ClosedAll, 1);
    EXPECT_TRUE(form->Terminating());
}

TEST_F(MainWindowTest, MenuOpensTwoPixelsBelowItsButton)
{
    WriteIni("X=100\r\nY=50\r\n");
    auto form = Create();
    form->ShowMainWindow();
    EXPECT_EQ(form->mapFromGlobal(form->PopupMenuPoint()), QPoint(596, 26));
}

TEST_F(MainWindowTest, EndOfSessionQueryRefusedWhileShownThenAllowed)
{
    WriteIni("AppMinOnClose=1\r\n");
    auto form = Create();
    form->ShowMainWindow();
    EXPECT_EQ(form->QueryEndSession(), 0);
    EXPECT_EQ(form->MinimizedMark(), 1);
    EXPECT_EQ(form->QueryEndSession(), 1);

    form->EndSession();
    EXPECT_TRUE(form->Terminating());
}

TEST_F(MainWindowTest, F10AsksAtTheWindowAndNoChangesNothing)
{
    WriteIni("X=40\r\nY=50\r\n");
    auto form = Create();
    form->ShowMainWindow();
    Boxes.Answers = {false};
    form->FormKeyDown(Qt::Key_F10);
    const auto questions = Boxes.OfKind(TKind::Question);
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0].Text, "Are you sure you want to exit Tellvane?");
    EXPECT_EQ(questions[0].Place, TBoxPlace::TopLeftAt(40 + 132, 50 + 32));
    EXPECT_FALSE(form->Terminating());
    EXPECT_TRUE(form->WindowShown());

    Boxes.Answers = {true};
    form->FormKeyDown(Qt::Key_F10);
    EXPECT_TRUE(form->Terminating());
}

TEST_F(MainWindowTest, F2WhileMinimizedRestoresTheWindowFirst)
{
    WriteIni("");
    auto form = Create();
    form->ShowMainWindow();
    form->MinimizeApplication();
    form->FormKeyDown(Qt::Key_F2);
    EXPECT_EQ(form->MinimizedMark(), 0);
    EXPECT_TRUE(form->WindowShown());
}

// --- the settings dialog ---

TEST_F(MainWindowTest, F2OpensTheSettingsWithTheActiveSettingsAndTheMachinesCatalogue)
{
    WriteIni("CPUload=/cpu/0/load/0\r\nSoundLevel20=4\r\nTermalMaxGpu=85\r\n");
    Provider->AddHardware("/cpu/0", "Processor A", "Cpu");
    Provider->SetSensor("/cpu/0/load/0", "CPU Total", "Load", 10, "/cpu/0");
    auto form = Create();
    auto dialog = CreateDialog(*form);
    form->ShowMainWindow();
    const TWmiSettings before = form->Setup();
    bool shown = false;
    WhenDialogShows(*dialog, [&] {
        shown = true;
        EXPECT_EQ(dialog->TempSetup, form->Setup());
        EXPECT_EQ(dialog->TempSetup.GpuTermalMax, 85);
        const TSensorCatalogue& catalogue = dialog->TreeView1->Catalogue();
        ASSERT_EQ(catalogue.Nodes().size(), 3u);
        EXPECT_EQ(catalogue.NodeAt(2)->Text, "CPU Total (Load)");
        dialog->TempSetup.SoundLevel = 15;
        dialog->Button2->click();
    });
    form->FormKeyDown(Qt::Key_F2);
    EXPECT_TRUE(shown);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(form->Setup(), before) << "a cancel changes nothing";
    EXPECT_TRUE(Boxes.OfKind(TKind::Error).empty());
}

TEST_F(MainWindowTest, YesToTheFirstRunQuestionOpensTheSettings)
{
    auto form = Create();
    auto dialog = CreateDialog(*form);
    Boxes.Answers = {true};
    bool shown = false;
    WhenDialogShows(*dialog, [&] {
        shown = true;
        dialog->reject();
    });
    form->ShowMainWindow();
    EXPECT_TRUE(shown);
    EXPECT_TRUE(form->WindowShown());
}

TEST_F(MainWindowTest, EndRequestsWhileTheSettingsShowCancelThemFirst)
{
    struct TCase {
        const char* Name;
        std::function<void(TForm1&)> End;
        bool Ends;
    };
    const std::vector<TCase> cases{
        {"Exit", [](TForm1& f) { f.Close1Click(); }, true},
        {"SIGTERM or the session's end", [](TForm1& f) { f.EndSession(); }, true},
        {"the session's end query", [](TForm1& f) { EXPECT_EQ(f.QueryEndSession(), 1); }, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        WriteIni("");
        auto form = Create();
        auto dialog = CreateDialog(*form);
        form->ShowMainWindow();
        bool stillOpen = true;
        WhenDialogShows(*dialog, [&] {
            c.End(*form);
            stillOpen = dialog->isVisible();
        });
        form->Settings1Click();
        EXPECT_FALSE(stillOpen) << "the dialog is cancelled at once";
        EXPECT_EQ(dialog->result(), QDialog::Rejected);
        EXPECT_EQ(form->Terminating(), c.Ends);
        form->Form2 = nullptr;
    }
}

// A machine with a processor of two loads, memory and a disk.
void AddSmallMachine(TTableProvider& provider)
{
    provider.AddHardware("/cpu/0", "Processor A", "Cpu");
    provider.SetSensor("/cpu/0/load/0", "CPU Total", "Load", 10, "/cpu/0");
    provider.SetSensor("/cpu/0/load/1", "CPU Core #1", "Load", 10, "/cpu/0");
    provider.AddHardware("/ram", "Memory", "Memory");
    provider.SetSensor("/ram/data/0", "Used Memory", "Data", 3, "/ram");
    provider.SetSensor("/ram/data/1", "Available Memory", "Data", 5, "/ram");
    provider.AddHardware("/disk/a", "Disk A", "Storage");
    provider.SetSensor("/disk/a/load/0", "Total Activity", "Load", 1, "/disk/a");
}

TEST_F(MainWindowTest, OkWritesEveryDialogKeyKeepsTheRestAndTheWindowFollows)
{
    AddSmallMachine(*Provider);
    const std::string others = "[ELSEWHERE]\r\nCPUload=/x\r\n";
    WriteFileText(Ini(), others + "[TESTPC]\r\nX=40\r\nY=30\r\nHandMade=kept\r\n");
    auto form = Create();
    auto dialog = CreateDialog(*form);
    form->ShowMainWindow();
    const int height = form->height();
    form->DiagData().Slot(form->PaintBox5->Tag)->DataB[1] = 16.0;
    form->Timer4Timer(); // no recording: the sound tick ends
    ASSERT_FALSE(form->Timer4->isActive());
    WhenDialogShows(*dialog, [&] {
        dialog->ComboBox9->setCurrentIndex(dialog->ComboBox9->findText("CPU Total"));
        dialog->ComboBox13->setCurrentIndex(dialog->ComboBox13->findText("Used Memory"));
        dialog->TreeView1->SelectPosition(dialog->TreeView1->Catalogue().FindNodeById("/cpu/0/load/1"));
        dialog->Button5->click();
        dialog->Button1->click();
    });
    form->Settings1Click();
    EXPECT_TRUE(Boxes.OfKind(TKind::Error).empty());
    EXPECT_EQ(form->Setup().sidCPUload, "/cpu/0/load/0");
    EXPECT_EQ(form->Setup().sidCustom1, "/cpu/0/load/1");
    for (const auto& [key, value] : std::vector<std::pair<const char*, const char*>>{
             {"CPUload", "/cpu/0/load/0"}, {"RAMused", "/ram/data/0"}, {"RAMfree", ""}, {"HDD1", "/disk/a/load/0"},
             {"Custom1", "/cpu/0/load/1"}, {"TestLab", "0"}, {"SoundLevel20", "9"}, {"TermalMaxCpu", "100"},
             {"DiskHumanFormat", "1"}, {"X", "40"}, {"HandMade", "kept"}})
        EXPECT_EQ(ReadKey(key), value) << key;
    EXPECT_EQ(ReadFileText(Ini()).rfind(others, 0), 0u) << "the other computer's section stays first and whole";
    EXPECT_EQ(form->PaintBox8->Hint, "Processor A");
    EXPECT_EQ(form->DiagData().Slot(form->PaintBox5->Tag)->DataB[1], 0.0) << "the memory total is worked out again";
    EXPECT_EQ(form->height(), height + 112) << "the custom row appears";
    EXPECT_TRUE(form->Timer4->isActive()) << "the meter starts again with the new settings";
    EXPECT_TRUE(form->PaintBox6->isVisibleTo(form.get()));

    // OK without a change writes the same keys again.
    const std::string written = ReadFileText(Ini());
    WhenDialogShows(*dialog, [&] { dialog->Button1->click(); });
    form->Settings1Click();
    EXPECT_EQ(ReadFileText(Ini()), written);
    EXPECT_EQ(form->height(), height + 112);
}

TEST_F(MainWindowTest, CancelAfterMovingTheSliderPutsTheLevelBackAndWritesNothing)
{
    WriteIni("SoundLevel20=9\r\n");
    auto form = Create();
    auto dialog = CreateDialog(*form);
    form->ShowMainWindow();
    const std::string before = ReadFileText(Ini());
    int levelWhileOpen = -1;
    WhenDialogShows(*dialog, [&] {
        dialog->TrackBar1->setValue(20);
        levelWhileOpen = form->Setup().SoundLevel;
        QTest::keyClick(dialog.get(), Qt::Key_Escape);
    });
    form->Settings1Click();
    EXPECT_EQ(levelWhileOpen, 20) << "the meter follows the slider at once";
    EXPECT_EQ(form->Setup().SoundLevel, 9);
    EXPECT_EQ(ReadFileText(Ini()), before);
}

TEST_F(MainWindowTest, FailedWriteAfterOkStopsThereWithItsMessage)
{
    AddSmallMachine(*Provider);
    // The settings folder is a regular file: nothing can be written below it.
    WriteFileText(Dir / "not-a-folder", "");
    ExecutablePath = Dir / "not-a-folder" / "tellvane";
    Run.FirstRunAsked = true;
    auto form = Create();
    auto dialog = CreateDialog(*form);
    form->ShowMainWindow();
    const int height = form->height();
    WhenDialogShows(*dialog, [&] {
        dialog->TreeView1->SelectPosition(dialog->TreeView1->Catalogue().FindNodeById("/cpu/0/load/1"));
        dialog->Button5->click();
        dialog->Button1->click();
    });
    form->RunHandler([&] { form->Settings1Click(); });
    const auto errors = Boxes.OfKind(TKind::Error);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].Text, "Unable to write to " + (Dir / "not-a-folder" / "tellvane.ini").string());
    EXPECT_EQ(form->Setup().sidCustom1, "/cpu/0/load/1") << "the new settings are active";
    EXPECT_EQ(form->height(), height) << "the steps after the write did not run";
}

TEST_F(MainWindowTest, SettingsWithoutAProviderConnectionShowTheErrorAndAnEmptyTree)
{
    auto form = Create(std::make_shared<TWbemNamespaces>());
    auto dialog = CreateDialog(*form);
    WriteIni("");
    Boxes.Shown.clear();
    bool shown = false;
    WhenDialogShows(*dialog, [&] {
        shown = true;
        dialog->reject();
    });
    form->Settings1Click();
    EXPECT_TRUE(shown);
    const auto errors = Boxes.OfKind(TKind::Error);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].Text, "The sensor provider is not connected");
    EXPECT_TRUE(dialog->TreeView1->Catalogue().Empty());
}

TEST_F(MainWindowTest, ProviderFailureShowsItsTextAndOpensTheDesignWindow)
{
    const std::string keys = "X=300\r\nY=200\r\nCpuBars=1\r\nTheme=1\r\n";
    WriteIni(keys);
    const auto none = std::make_shared<TWbemNamespaces>();
    std::string expected;
    try {
        TWbemLocator(none).ConnectServer("localhost", TestHardwareNamespace, "", "");
    } catch (const std::exception& e) {
        expected = e.what();
    }
    ASSERT_FALSE(expected.empty());

    auto form = Create(none);
    const auto errors = Boxes.OfKind(TKind::Error);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].Title, "Tellvane");
    EXPECT_EQ(errors[0].Text, expected);

    EXPECT_FALSE(form->ProviderConnected());
    EXPECT_FALSE(form->windowFlags().testFlag(Qt::WindowMinimizeButtonHint)) << "step 7 did not run";
    EXPECT_TRUE(form->LogoImage->pixmap().isNull()) << "step 8 did not run";
    EXPECT_EQ(form->Label15->text(), "...");
    EXPECT_EQ(form->Label19->text(), "Processor");
    EXPECT_EQ(form->height(), 752) << "both rows of the design stay";
    EXPECT_EQ(form->pos(), QPoint(0, 0)) << "the file is not read";
    EXPECT_FALSE(form->Setup().ShowCpuBars);
    EXPECT_EQ(form->Setup().SoundLevel, 9);
    EXPECT_EQ(form->TrayIcon1->toolTip(), "My Computer - Hardware Status");

    form->ShowMainWindow();
    EXPECT_TRUE(form->Timer4->isActive());
    Exit(*form);
    // The window's keys were never read, so the stored ones are kept.
    EXPECT_EQ(ReadFileText(Ini()), std::string("[TESTPC]\r\n") + keys);
}

TEST_F(MainWindowTest, ExitWritesTheWindowKeysInOrder)
{
    WriteIni("CPUload=/cpu/0/load/0\r\nAppMinToTray=1\r\n");
    auto form = Create();
    form->ShowMainWindow();
    form->move(17, 23);
    form->MinimizeOnClose1->setChecked(true);
    // The outer size: the client area plus whatever frame the platform draws.
    const QRect frame = form->frameGeometry();
    EXPECT_GE(frame.width(), 628);
    EXPECT_GE(frame.height(), 528);
    Exit(*form);
    const std::string text = ReadFileText(Ini());
    EXPECT_EQ(text, "[TESTPC]\r\nCPUload=/cpu/0/load/0\r\nAppMinToTray=1\r\nX=17\r\nY=23\r\nDX=" +
                        std::to_string(frame.width()) + "\r\nDY=" + std::to_string(frame.height()) +
                        "\r\nTheme=-1\r\nAppMinOnClose=1\r\nAlerts=1\r\n");
}

TEST_F(MainWindowTest, APositionOffEveryScreenIsMovedOntoTheNearestAndStoredAtTheExit)
{
    // A monitor unplugged since the position was stored.
    WriteIni("X=3000\r\nY=2000\r\n");
    auto form = Create();
    EXPECT_EQ(form->pos(), QPoint(3000, 2000)) << "placed where the file says until shown";
    form->ShowMainWindow();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(screen.contains(form->frameGeometry())) << "on " << screen.width() << "x" << screen.height();
    EXPECT_EQ(ReadKey("X"), "3000") << "the file changes only at the exit";
    const QPoint shown = form->pos();
    Exit(*form);
    EXPECT_EQ(ReadKey("X"), std::to_string(shown.x()));
    EXPECT_EQ(ReadKey("Y"), std::to_string(shown.y()));
}

TEST_F(MainWindowTest, APositionOnAScreenStaysWhereItIs)
{
    WriteIni("X=40\r\nY=30\r\n");
    auto form = Create();
    form->ShowMainWindow();
    EXPECT_EQ(form->pos(), QPoint(40, 30));
}

TEST_F(MainWindowTest, WithoutAPositionFromTheWindowManagerTheStoredOneStays)
{
    // A native Wayland client is never told where its window is.
    WriteIni("X=-5000\r\nY=900\r\n");
    PositionKnown = false;
    auto form = Create();
    form->ShowMainWindow();
    Exit(*form);
    EXPECT_EQ(ReadKey("X"), "-5000");
    EXPECT_EQ(ReadKey("Y"), "900");
    EXPECT_EQ(ReadKey("Theme"), "-1") << "the other window keys are written";
}

TEST_F(MainWindowTest, WindowKeysOutsideTheirRangeReadAsTheirDefault)
{
    struct Case {
        const char* Keys;
        QPoint Position; // before the window is shown
        const char* Checked;
    };
    for (const Case& c : {Case{"X=-32768\r\nY=32767\r\n", QPoint(-32768, 32767), "&Auto-detect"},
                          Case{"X=-32769\r\nY=32768\r\n", QPoint(0, 0), "&Auto-detect"},
                          Case{"Theme=1\r\n", QPoint(0, 0), "&Dark"},
                          Case{"Theme=-2\r\n", QPoint(0, 0), "&Auto-detect"},
                          Case{"Theme=3\r\nTestLab=1\r\n", QPoint(0, 0), "&Auto-detect"},
                          Case{"TermalMaxCpu=-5\r\n", QPoint(0, 0), "&Auto-detect"}}) {
        WriteIni(c.Keys);
        auto form = Create();
        EXPECT_EQ(form->pos(), c.Position) << c.Keys;
        EXPECT_EQ(form->ThemeGroup->checkedAction()->text(), c.Checked) << c.Keys;
        EXPECT_EQ(form->Setup().CpuTermalMax, 100) << c.Keys;
    }
}

TEST_F(MainWindowTest, ThemeKeySelectsTheMenuItemAndIsWrittenBack)
{
    struct Case {
        const char* keys;
        const char* checked;
        const char* written;
    };
    for (const Case& c : {Case{"Theme=0\r\n", "&Light", "0"}, Case{"Theme=1\r\n", "&Dark", "1"},
                          Case{"Theme=2\r\nTestLab=0\r\n", "&Light", "0"},
                          Case{"Theme=2\r\nTestLab=1\r\n", "&Transparent", "2"},
                          Case{"Theme=7\r\n", "&Auto-detect", "-1"}, Case{"", "&Auto-detect", "-1"}}) {
        WriteIni(c.keys);
        auto form = Create();
        ASSERT_NE(form->ThemeGroup->checkedAction(), nullptr) << c.keys;
        EXPECT_EQ(form->ThemeGroup->checkedAction()->text(), c.checked) << c.keys;
        if (std::string(c.checked) == "&Light") {
            EXPECT_EQ(form->ThemeNumber(), 0) << c.keys;
        }
        Exit(*form);
        EXPECT_EQ(ReadKey("Theme"), c.written) << c.keys;
    }
}

TEST_F(MainWindowTest, FailedExitWriteIsShownAndSkipsTheRemainingSteps)
{
    // The settings folder is a regular file: nothing can be written below it.
    WriteFileText(Dir / "not-a-folder", "");
    ExecutablePath = Dir / "not-a-folder" / "tellvane";
    auto form = Create();
    form->ShowMainWindow();
    form->Close1Click();
    form->RunHandler([&] { form->FormDestroy(); });
    const auto errors = Boxes.OfKind(TKind::Error);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].Text, "Unable to write to " + (Dir / "not-a-folder" / "tellvane.ini").string());
    EXPECT_TRUE(form->Timer1->isActive()) << "the clock is stopped only after the keys are written";
}

TEST_F(MainWindowTest, NoFailureToWriteLeavesAHandler)
{
    // The settings folder is a regular file: nothing can be written below it.
    WriteFileText(Dir / "not-a-folder", "");
    ExecutablePath = Dir / "not-a-folder" / "tellvane";
    const std::string message = "Unable to write to " + (Dir / "not-a-folder" / "tellvane.ini").string();
    auto form = Create();
    auto dialog = CreateDialog(*form);
    // The first-run question answered Yes, then OK.
    Boxes.Answers = {true};
    WhenDialogShows(*dialog, [&] { dialog->Button1->click(); });
    form->ShowMainWindow(); // an exception leaving it would fail the test here
    ASSERT_EQ(Boxes.OfKind(TKind::Error).size(), 1u);
    EXPECT_EQ(Boxes.OfKind(TKind::Error)[0].Text, message);
    EXPECT_TRUE(form->WindowShown());
    EXPECT_TRUE(form->Timer4->isActive()) << "the start went on after the failed settings";

    // The menu's Settings and its OK, the start with the session: each reports and the gadget goes on.
    WhenDialogShows(*dialog, [&] { dialog->Button1->click(); });
    form->Settings1->trigger();
    EXPECT_EQ(Boxes.OfKind(TKind::Error).size(), 2u);
    form->RunonWindowsStartup1->trigger();
    EXPECT_FALSE(form->Terminating());

    // The exit asked from the menu shows the failure in the application's box.
    form->Close1->trigger();
    form->FinishRun();
    ASSERT_EQ(Boxes.OfKind(TKind::Error).size(), 3u);
    EXPECT_EQ(Boxes.OfKind(TKind::Error)[2].Text, message);
}

TEST_F(MainWindowTest, AnEndRequestReportsAFailedWriteOnStandardErrorNotInABox)
{
    // A signal or the session's end: nobody is there to answer a box.
    WriteFileText(Dir / "not-a-folder", "");
    ExecutablePath = Dir / "not-a-folder" / "tellvane";
    Run.FirstRunAsked = true;
    auto form = Create();
    form->ShowMainWindow();
    form->EndSession();
    EXPECT_TRUE(form->Terminating());
    testing::internal::CaptureStderr();
    form->FinishRun();
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(Boxes.OfKind(TKind::Error).empty());
    EXPECT_EQ(said, "tellvane: Unable to write to " + (Dir / "not-a-folder" / "tellvane.ini").string() + "\n");
}

// --- layout ---

TEST_F(MainWindowTest, OptionalRowsSetTheClientHeightAndKeepTheCoreRowAtTheBottom)
{
    struct Case {
        const char* keys;
        int height;
        bool customShown;
        bool coresShown;
        int coreRowTop;
    };
    // Hidden rows move too: the core row always sits 116 pixels above the bottom edge.
    for (const Case& c : {Case{"", 528, false, false, 412},
                          Case{"Custom1=/x\r\n", 640, true, false, 524},
                          Case{"Custom2=/x\r\n", 640, true, false, 524},
                          Case{"CpuBars=1\r\n", 640, false, true, 524},
                          Case{"Custom1=/x\r\nCpuBars=1\r\n", 752, true, true, 636}}) {
        WriteIni(c.keys);
        auto form = Create();
        EXPECT_EQ(form->size(), QSize(628, c.height)) << c.keys;
        EXPECT_EQ(!form->PaintBox6->isHidden(), c.customShown) << c.keys;
        EXPECT_EQ(!form->Label29->isHidden(), c.customShown) << c.keys;
        EXPECT_EQ(!form->PaintBox8->isHidden(), c.coresShown) << c.keys;
        EXPECT_EQ(!form->PaintBox13->isHidden(), c.coresShown) << c.keys;
        EXPECT_EQ(form->Image12->y(), c.coreRowTop) << c.keys;
        EXPECT_EQ(form->PaintBox8->y(), c.coreRowTop + 34) << c.keys;
        EXPECT_EQ(form->PaintBox11->geometry(), QRect(0, c.height - 2, 628, 2)) << c.keys;
        EXPECT_EQ(form->PaintBox6->y(), 559) << "the custom row keeps its distance to the top";
    }
}

TEST_F(MainWindowTest, DiskAreaIsOneDiagramOrFourBars)
{
    WriteIni("DiskDiagram=1\r\n");
    auto diagram = Create();
    EXPECT_EQ(diagram->DiskPaintBox1->Tag, 8);
    EXPECT_EQ(diagram->DiskPaintBox1->size(), QSize(300, 71));
    EXPECT_TRUE(diagram->DiskPaintBox2->isHidden());
    EXPECT_TRUE(diagram->DiskPaintBox4->isHidden());

    WriteIni("DiskDiagram=0\r\n");
    auto bars = Create();
    EXPECT_EQ(bars->DiskPaintBox1->Tag, 7);
    EXPECT_EQ(bars->DiskPaintBox1->size(), QSize(300, 17));
    EXPECT_FALSE(bars->DiskPaintBox3->isHidden());
    EXPECT_EQ(bars->Label6->text(), "...");
    EXPECT_EQ(bars->Label14->text(), "");
}

TEST_F(MainWindowTest, ElementsSitWhereTheDesignPutsThem)
{
    WriteIni("Custom1=/x\r\nCpuBars=1\r\n");
    auto form = Create();
    struct Place {
        QWidget* element;
        QRect rect;
    };
    for (const Place& p : {Place{form->Panel1, {0, 0, 628, 2}}, Place{form->LogoImage, {8, 8, 64, 64}},
                           Place{form->DMode, {574, 8, 16, 16}}, Place{form->ImageMenu, {596, 8, 16, 16}},
                           Place{form->PaintBox14, {618, 8, 2, 64}}, Place{form->Image8, {320, 12, 32, 32}},
                           Place{form->PaintBox1, {8, 112, 300, 71}}, Place{form->PaintBox2, {320, 112, 300, 71}},
                           Place{form->PaintBox3, {8, 224, 300, 71}}, Place{form->PaintBox4, {320, 224, 300, 71}},
                           Place{form->PaintBox10, {8, 336, 300, 71}}, Place{form->DiskPaintBox2, {320, 354, 300, 17}},
                           Place{form->DiskPaintBox3, {320, 372, 300, 17}},
                           Place{form->DiskPaintBox4, {320, 390, 300, 17}}, Place{form->PaintBox5, {8, 448, 300, 71}},
                           Place{form->PaintBox12, {320, 448, 300, 71}}, Place{form->Label21, {424, 414, 196, 28}},
                           Place{form->PaintBox6, {8, 559, 300, 71}}, Place{form->PaintBox7, {320, 559, 300, 71}},
                           Place{form->PaintBox8, {8, 670, 300, 71}}, Place{form->PaintBox13, {308, 670, 12, 71}},
                           Place{form->PaintBox9, {320, 670, 300, 71}}, Place{form->Image12, {8, 636, 32, 32}}})
        EXPECT_EQ(p.element->geometry(), p.rect) << p.element->metaObject()->className() << " at " << p.rect.x()
                                                 << "," << p.rect.y();
    const std::vector<std::pair<TPaintBox*, int>> tags{
        {form->PaintBox1, 1}, {form->PaintBox2, 2},  {form->PaintBox3, 3},      {form->PaintBox4, 4},
        {form->PaintBox5, 5}, {form->PaintBox10, 6}, {form->DiskPaintBox1, 7},  {form->PaintBox12, 9},
        {form->PaintBox8, 10}, {form->PaintBox9, 11}, {form->PaintBox6, 12},    {form->PaintBox7, 13},
        {form->DiskPaintBox2, 14}, {form->DiskPaintBox3, 15}, {form->DiskPaintBox4, 16}};
    for (const auto& [box, tag] : tags) EXPECT_EQ(box->Tag, tag);
    // Right-aligned captions end at 308 and 620.
    for (TAutoLabel* label : {form->Label19, form->Label23, form->Label25, form->Label15, form->Label16,
                              form->Label17, form->Label28})
        EXPECT_EQ(label->RightEdge(), 308) << label->text().toStdString();
    for (TAutoLabel* label : {form->Label18, form->Label22, form->Label24, form->Label13, form->Label14,
                              form->Label29, form->Label32, form->Label33})
        EXPECT_EQ(label->RightEdge(), 620) << label->text().toStdString();
    EXPECT_EQ(form->Label24->text(), "Video Card");
    EXPECT_EQ(form->Label25->text(), "Processor");
    EXPECT_EQ(form->Label16->text(), "Upload");
    EXPECT_EQ(form->Label15->text(), "Download");
    EXPECT_FALSE(form->LogoImage->pixmap().isNull());
    EXPECT_TRUE(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(form->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(form->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
}

TEST_F(MainWindowTest, HandOverSetsLabelsFromTheSlotsOfTheTags)
{
    WriteIni("");
    auto form = Create();
    TWmiDataArray& data = form->DiagData();
    data.Slot(1)->DisplayText = "CPU Total: 12.0 %";
    data.Slot(5)->DisplayText = "Mem: 7.9 Gb of 16 Gb";
    data.Slot(5)->NameA = "Memory Used";
    data.Slot(6)->DisplayText = "↓1.5 Kbps ↑800 bytesps";
    data.Slot(7)->NameA = "Samsung SSD 980 PRO 1TB Total Activity";
    data.Slot(12)->DisplayText = "Fan #1: 900 RPM";
    data.Slot(12)->NameB = "Fan";
    form->PaintBox2->Tag = 0; // a tag that names no slot gives empty texts
    form->UpdateWmiGUI();
    EXPECT_EQ(form->Label1->text(), "CPU Total: 12.0 %");
    EXPECT_EQ(form->Label19->text(), "Processor") << "a caption with room stays whole";
    EXPECT_EQ(form->Label2->text(), "");
    EXPECT_EQ(form->Label5->text(), "Mem: 7.9 Gb of 16 Gb");
    EXPECT_EQ(form->Label17->text(), "Memory Used");
    EXPECT_EQ(form->Label7->text(), "↓1.5 Kbps ↑800 bytesps");
    EXPECT_EQ(form->Label6->text(), "Disk Drives:");
    // The disk's long name does not fit beside "Disk Drives:": it is cut, whole in its tooltip.
    EXPECT_EQ(form->Label13->Caption(), "Samsung SSD 980 PRO 1TB Total Activity");
    EXPECT_TRUE(form->Label13->text().endsWith(QStringLiteral("…")));
    EXPECT_EQ(form->Label13->toolTip(), "Samsung SSD 980 PRO 1TB Total Activity");
    EXPECT_EQ(form->Label13->RightEdge(), 620);
    EXPECT_GE(form->Label13->x(), form->Label6->RightEdge() + 4);
    // A network reading keeps its whole text; the legend gives way.
    EXPECT_EQ(form->Label7->text(), "↓1.5 Kbps ↑800 bytesps");
    EXPECT_GE(form->Label15->x(), form->Label7->RightEdge() + 4);
    // The hidden custom row is updated too.
    EXPECT_TRUE(form->Label27->isHidden());
    EXPECT_EQ(form->Label27->text(), "Fan #1: 900 RPM");
    EXPECT_EQ(form->Label28->text(), "Fan");
    EXPECT_EQ(form->Label28->RightEdge(), 308);

    form->UpdateOsGUI("Computer: a (b)", "OS: c (d)", "Users: 1, Processes: 2, Status: OK");
    EXPECT_EQ(form->Label10->text(), "OS: c (d)");
}

TEST_F(MainWindowTest, HandOverOfTheDiskDiagramShowsBothMetricNames)
{
    WriteIni("DiskDiagram=1\r\n");
    auto form = Create();
    TProgressData& disk = *form->DiagData().Slot(8);
    disk.NameA = "Read Rate";
    disk.NameB = "Write Rate";
    disk.DisplayText = "IO: 1.5 Kb ⁞ 0 bytes";
    form->UpdateWmiGUI();
    EXPECT_EQ(form->Label14->text(), "Read Rate");
    EXPECT_EQ(form->Label13->text(), "Write Rate");
    EXPECT_EQ(form->Label6->text(), "IO: 1.5 Kb ⁞ 0 bytes");
}

TEST_F(MainWindowTest, ClockShowsTimeEverySecondAndDateWeekOnTheTenthCycle)
{
    WriteIni("");
    auto form = Create();
    form->Timer1Timer();
    EXPECT_EQ(form->Label8->text(), "Time: 2:05:09 PM");
    EXPECT_EQ(form->Label11->text(), "...") << "the date waits for the history position 1";
    EXPECT_EQ(form->Label26->text(), "...");

    form->SetDiagIndex(11);
    form->Timer1Timer();
    EXPECT_EQ(form->Label11->text(), "Wednesday, July 1, 2026");
    EXPECT_EQ(form->Label26->text(), "Week: #27 of 53 (50.9%)");

    // The time zone that Qt's long format carries is left out, in every locale.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    form->Timer1Timer();
    EXPECT_EQ(form->Label8->text(), "Time: 14:05:09");
}

TEST_F(MainWindowTest, TheClockTurnsWithTheHandOverAndTicksByItselfOnlyWhenOneIsLate)
{
    WriteIni("");
    auto form = Create();
    ASSERT_TRUE(form->Timer1->isActive());
    // A hand-over moves the clock in its own turn and puts the clock's tick off.
    Now = QDateTime(QDate(2026, 7, 1), QTime(14, 5, 10));
    form->UpdateWmiGUI();
    EXPECT_EQ(form->Label8->text(), "Time: 2:05:10 PM");
    EXPECT_EQ(form->Timer1->interval(), ClockStandInMs);
    EXPECT_GT(form->Timer1->remainingTime(), 1000) << "no tick of its own right after a hand-over";

    // No hand-over within that time: the clock goes on each second by itself.
    Now = QDateTime(QDate(2026, 7, 1), QTime(14, 5, 12));
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->Label8->text() == "Time: 2:05:12 PM"; }, ClockStandInMs + 1000));
    EXPECT_EQ(form->Timer1->interval(), 1000);
    EXPECT_TRUE(form->Timer1->isActive());
}

TEST_F(MainWindowTest, DateAndWeekAreReadableWholeOnTheWindow)
{
    // The week sits beside the date where both fit, else under the date; both
    // stay whole and left of the wait strip, in the C and the en_US locale.
    WriteIni("");
    auto form = Create();
    form->SetDiagIndex(1);
    Now = QDateTime(QDate(2026, 12, 10), QTime(9, 0));
    for (const QLocale& locale : {QLocale(QLocale::English, QLocale::UnitedStates), QLocale::c()}) {
        QLocale::setDefault(locale);
        form->Timer1Timer();
        const QRect date = form->Label11->geometry();
        const QRect week = form->Label26->geometry();
        const std::string name = locale.name().toStdString();
        EXPECT_EQ(form->Label11->text(), locale.toString(Now.date(), QLocale::LongFormat)) << name;
        EXPECT_EQ(form->Label26->text(), "Week: #50 of 53 (94.3%)") << name;
        EXPECT_FALSE(date.intersects(week)) << name;
        EXPECT_LE(week.right(), form->PaintBox14->x() - 4) << name;
        EXPECT_LE(date.right(), form->PaintBox14->x() - 4) << name;
        EXPECT_LT(week.bottom(), form->Label1->y()) << name << ": above the processor row";
    }

    form->Label11->SetCaption(QStringLiteral("10.12.26"));
    form->PlaceWeekLabel();
    EXPECT_EQ(form->Label26->x(), form->Label11->RightEdge() + 8) << "a short date leaves room beside it";
    EXPECT_EQ(form->Label26->y(), 47);
}

TEST_F(MainWindowTest, TextsNeverDrawOverTheirNeighbours)
{
    WriteIni("Custom1=/x\r\nCpuBars=1\r\n");
    auto form = Create();
    const std::string longText = "An exceptionally long sensor name that no row of this window can hold";
    form->UpdateOsGUI("Computer: " + longText, "OS: Debian GNU/Linux 12 (bookworm) (6.18.44-cloud-amd64)", "Users: 1");
    EXPECT_LE(form->Label9->RightEdge(), form->Image8->x() - 4) << "the computer line ends before the clock";
    EXPECT_EQ(form->Label9->toolTip().toStdString(), "Computer: " + longText);
    EXPECT_EQ(form->Label12->toolTip(), QString()) << "a short line is shown whole, without a tooltip";

    TWmiDataArray& data = form->DiagData();
    for (int slot : {1, 5, 12})
        data.Slot(slot)->DisplayText = longText + ": 45%";
    data.Slot(5)->NameA = longText;
    data.Slot(12)->NameB = longText;
    form->PaintBox8->Hint = longText;
    form->ArrangeRows();
    form->UpdateWmiGUI();
    struct Row {
        TAutoLabel* value;
        TAutoLabel* caption;
    };
    for (const Row& row : {Row{form->Label1, form->Label19}, Row{form->Label5, form->Label17},
                           Row{form->Label27, form->Label28}, Row{form->Label31, form->Label32}}) {
        EXPECT_LE(row.value->RightEdge() + 4, row.caption->x() + (row.caption->width() == 0 ? 4 : 0))
            << row.value->Caption().toStdString();
        // A reading longer than its row is cut in its name; its number stays whole.
        if (row.value->Caption().endsWith(QStringLiteral(": 45%"))) {
            EXPECT_TRUE(row.value->text().endsWith(QStringLiteral("…: 45%"))) << row.value->text().toStdString();
        }
    }
    EXPECT_EQ(form->Label19->toolTip(), "Processor") << "the caption gives way to the reading";
    EXPECT_EQ(form->Label17->RightEdge(), 308);
    EXPECT_EQ(form->Label32->RightEdge(), 620);
}

TEST_F(MainWindowTest, AReadingIsNeverCutWhereItsCaptionCanGiveWay)
{
    // A custom metric with a long name beside its reading: the caption gives
    // way, the reading shows whole ("238.0 GB", not "238.0…").
    WriteIni("Custom1=/x\r\nCustom2=/y\r\n");
    auto form = Create();
    TWmiDataArray& data = form->DiagData();
    struct Case {
        int Slot;
        TAutoLabel* Value;
        TAutoLabel* Caption;
        const char* Reading;
        const char* Name;
    };
    for (const Case& c : {Case{12, form->Label27, form->Label28, "Data Downloaded: 238.0 GB", "Data Downloaded of the wired adapter"},
                          Case{13, form->Label30, form->Label29, "Upload Speed: 66 bytes/s", "Upload Speed of the wireless adapter"}}) {
        data.Slot(c.Slot)->DisplayText = c.Reading;
        data.Slot(c.Slot)->NameB = c.Name;
    }
    form->UpdateWmiGUI();
    for (TAutoLabel* value : {form->Label27, form->Label30}) {
        EXPECT_FALSE(value->Elided()) << value->text().toStdString();
        EXPECT_EQ(value->text(), value->Caption());
    }
    for (TAutoLabel* caption : {form->Label28, form->Label29}) {
        EXPECT_TRUE(caption->Elided()) << caption->text().toStdString();
        EXPECT_EQ(caption->toolTip(), caption->Caption());
    }
    EXPECT_LE(form->Label27->RightEdge() + 4, form->Label28->x());
    EXPECT_LE(form->Label30->RightEdge() + 4, form->Label29->x());
}

TEST_F(MainWindowTest, ProcessorNameComesFromTheLoadSensorsHardware)
{
    Provider->AddHardware("/cpu/0", "Test Processor 9000", "Cpu");
    Provider->SetSensor("/cpu/0/load/0", "CPU Total", "Load", 12.0, "/cpu/0");
    Provider->SetSensor("/orphan/load/0", "Orphan", "Load", 1.0, "/orphan");
    WriteIni("CPUload=/cpu/0/load/0\r\nCpuBars=1\r\n");
    auto form = Create();
    EXPECT_EQ(form->PaintBox8->Hint, "Test Processor 9000");
    EXPECT_EQ(form->Label32->text(), "Test Processor 9000");
    EXPECT_EQ(form->Label31->text(), "CPU: All Cores - CCD1 / CCD2");

    EXPECT_EQ(form->SensorParentId("/cpu/0/load/0"), "/cpu/0");
    EXPECT_EQ(form->SensorHardwareName(""), "");
    EXPECT_EQ(form->SensorHardwareName("/cpu/0/load/9"), "");
    EXPECT_EQ(form->SensorHardwareName("/orphan/load/0"), "");
    EXPECT_EQ(form->SensorHardwareName("/cpu/0\" OR \"1"), "") << "a quote in an identifier is only text";
}

TEST_F(MainWindowTest, WithoutAProcessorSensorTheCoreRowCaptionIsEmpty)
{
    WriteIni("CpuBars=1\r\n");
    auto form = Create();
    EXPECT_EQ(form->Label32->text(), "");
}

// --- drawing ---

TEST_F(MainWindowTest, PaintEventsDrawEachAreaInItsMode)
{
    using M = TDiagramMode;
    for (bool diskDiagram : {false, true}) {
        WriteIni(diskDiagram ? "DiskDiagram=1\r\n" : "DiskDiagram=0\r\n");
        auto form = Create();
        const std::vector<std::pair<TPaintBox*, M>> modes{
            {form->PaintBox1, M::dmHistory},        {form->PaintBox4, M::dmHistory},
            {form->PaintBox5, M::dmHistoryOfTotal}, {form->PaintBox10, M::dmTwoHistories},
            {form->DiskPaintBox1, diskDiagram ? M::dmTwoHistories : M::dmBar},
            {form->DiskPaintBox4, M::dmBar},        {form->PaintBox12, M::dmSpectrum},
            {form->PaintBox8, M::dmCoreBars},       {form->PaintBox9, M::dmCoreBars},
            {form->PaintBox6, M::dmHistory}};
        for (const auto& [box, mode] : modes) {
            EXPECT_EQ(form->PaintBoxMode(box), mode) << box->Tag << " disk diagram " << diskDiagram;
            box->Shown.reset();
            form->PaintBoxPaint(*box);
            ASSERT_TRUE(box->Shown.has_value());
            EXPECT_EQ(box->Shown->Mode, mode) << box->Tag;
        }
    }
}

TEST_F(MainWindowTest, AreaWithoutASlotDrawsNothing)
{
    WriteIni("");
    auto form = Create();
    form->PaintBox1->Tag = 0;
    form->DrawDiagram(form->PaintBox1, TDiagramMode::dmHistory);
    EXPECT_TRUE(form->PaintBox1->Picture().isNull());
    form->PaintBox1->Tag = 17;
    form->DrawDiagram(form->PaintBox1, TDiagramMode::dmHistory);
    EXPECT_TRUE(form->PaintBox1->Picture().isNull());
}

TEST_F(MainWindowTest, HandOverRedrawsOnlyPicturesThatChange)
{
    WriteIni("CpuBars=1\r\n");
    auto form = Create();
    form->ShowMainWindow();
    form->UpdateWmiGUI();
    const qint64 history = form->PaintBox1->Picture().cacheKey();
    const qint64 bar = form->DiskPaintBox2->Picture().cacheKey();
    const qint64 cores = form->PaintBox8->Picture().cacheKey();
    ASSERT_FALSE(form->PaintBox1->Picture().isNull());
    EXPECT_EQ(form->PaintBox1->Picture().size(), QSize(300, 71));
    EXPECT_EQ(form->DiskPaintBox2->Picture().size(), QSize(300, 17));

    form->UpdateWmiGUI();
    EXPECT_EQ(form->PaintBox1->Picture().cacheKey(), history) << "nothing changed, nothing drawn";

    // The history position moves the history cursors only.
    form->SetDiagIndex(1);
    form->UpdateWmiGUI();
    EXPECT_NE(form->PaintBox1->Picture().cacheKey(), history);
    EXPECT_EQ(form->DiskPaintBox2->Picture().cacheKey(), bar);
    EXPECT_EQ(form->PaintBox8->Picture().cacheKey(), cores);
    // The cursor stands at Round(1 x 3) + 2.
    EXPECT_EQ(form->PaintBox1->Picture().pixel(5, 30) & 0xFFFFFF, 0xFF0000u);

    // A new sample and the cursor's step are drawn into the shown picture,
    // which ends up as a whole new drawing would.
    form->DiagData().Slot(form->PaintBox1->Tag)->DataA[1] = 40;
    form->SetDiagIndex(2);
    form->UpdateWmiGUI();
    for (TPaintBox* box : {form->PaintBox1, form->PaintBox5, form->PaintBox10, form->PaintBox8}) {
        ASSERT_TRUE(box->Shown.has_value());
        const TDiagramInputs& shown = *box->Shown;
        EXPECT_EQ(box->Picture(), DrawDiagram(shown.Slot, shown.Mode, shown.Scene)) << "tag " << box->Tag;
    }
    EXPECT_EQ(form->PaintBox1->Picture().pixel(8, 30) & 0xFFFFFF, 0xFF0000u) << "the cursor at Round(2 x 3) + 2";
    EXPECT_NE(form->PaintBox1->Picture().pixel(5, 30) & 0xFFFFFF, 0xFF0000u) << "and gone from where it was";
}

TEST_F(MainWindowTest, AnimationTickStepsAndRedrawsOnlyMovingBars)
{
    WriteIni("CpuBars=1\r\n");
    auto form = Create();
    form->ShowMainWindow();
    form->UpdateWmiGUI();
    TWmiDataArray& data = form->DiagData();
    data.Slot(14)->OneValue = 30; // DiskPaintBox2's target
    data.Slot(10)->DataB.fill(20); // PaintBox8's core targets
    const qint64 moving = form->DiskPaintBox2->Picture().cacheKey();
    const qint64 resting = form->DiskPaintBox3->Picture().cacheKey();
    const qint64 firstCores = form->PaintBox8->Picture().cacheKey();
    const qint64 secondCores = form->PaintBox9->Picture().cacheKey();
    form->Timer2Timer();
    EXPECT_EQ(data.Slot(14)->Fill, 4);
    EXPECT_EQ(data.Slot(10)->DataA[0], 4.0);
    EXPECT_NE(form->DiskPaintBox2->Picture().cacheKey(), moving);
    EXPECT_EQ(form->DiskPaintBox3->Picture().cacheKey(), resting);
    EXPECT_NE(form->PaintBox8->Picture().cacheKey(), firstCores);
    // Both halves are asked to redraw; the second's picture would be the same, so it is kept.
    EXPECT_EQ(form->PaintBox9->Picture().cacheKey(), secondCores);
}

TEST_F(MainWindowTest, AnimationTickSleepsOnceEveryBarRestsAndWakesForANewTarget)
{
    WriteIni("CpuBars=1\r\n");
    auto form = Create();
    form->ShowMainWindow();
    ASSERT_TRUE(form->Timer2->isActive()) << "the tick runs from the show";
    form->UpdateWmiGUI();
    EXPECT_FALSE(form->Timer2->isActive()) << "nothing to move: no more wake-ups";
    form->UpdateWmiGUI();
    EXPECT_FALSE(form->Timer2->isActive()) << "a hand-over without a new target";

    form->DiagData().Slot(15)->OneValue = 9; // DiskPaintBox3's new target
    form->UpdateWmiGUI();
    EXPECT_TRUE(form->Timer2->isActive());
    for (int tick = 0; tick < 20 && form->Timer2->isActive(); ++tick) form->Timer2Timer();
    EXPECT_EQ(form->DiagData().Slot(15)->Fill, 9);
    EXPECT_FALSE(form->Timer2->isActive()) << "asleep again at the target";

    form->DiagData().Slot(10)->DataB.fill(20); // the core bars' targets
    form->UpdateWmiGUI();
    EXPECT_TRUE(form->Timer2->isActive());
    form->MinimizeApplication();
    form->DiagData().Slot(15)->OneValue = 50;
    form->UpdateWmiGUI();
    EXPECT_FALSE(form->Timer2->isActive()) << "never while hidden";
}

TEST_F(MainWindowTest, ANewGlideStepsWithTheHandOverSoThatAOneStepGlideNeedsNoTick)
{
    WriteIni("CpuBars=1\r\n");
    auto form = Create();
    form->ShowMainWindow();
    form->UpdateWmiGUI();
    ASSERT_FALSE(form->Timer2->isActive());
    TWmiDataArray& data = form->DiagData();

    data.Slot(10)->DataB.fill(1); // the core bars one pixel up
    const qint64 cores = form->PaintBox8->Picture().cacheKey();
    form->UpdateWmiGUI();
    EXPECT_EQ(data.Slot(10)->DataA[0], 1.0) << "the step is taken in the hand-over's turn";
    EXPECT_NE(form->PaintBox8->Picture().cacheKey(), cores) << "and shown in its paint";
    EXPECT_FALSE(form->Timer2->isActive()) << "nothing left to move: no tick";

    data.Slot(14)->OneValue = 30; // DiskPaintBox2's target, seven steps away
    form->UpdateWmiGUI();
    EXPECT_EQ(data.Slot(14)->Fill, 4);
    ASSERT_TRUE(form->Timer2->isActive());
    EXPECT_LE(form->Timer2->interval(), GlideTickMs) << "the next step at the glide's pace";
    form->UpdateWmiGUI();
    EXPECT_EQ(data.Slot(14)->Fill, 4) << "a glide under way keeps its pace: no extra step at a hand-over";
}

TEST_F(MainWindowTest, ABarBeyondItsEndSleepsThroughItsGlideAndAMeetingCatchesUp)
{
    WriteIni("");
    auto form = Create();
    form->ShowMainWindow();
    form->UpdateWmiGUI();
    ASSERT_FALSE(form->Timer2->isActive());
    TProgressData& bar = *form->DiagData().Slot(15); // DiskPaintBox3
    bar.OneValue = 8192; // a rate in bytes a second, far beyond the bar's end
    form->UpdateWmiGUI();
    // The next step is due a tick after the first, taken before the hand-over drew.
    EXPECT_LE(form->Timer2->interval(), GlideTickMs);
    EXPECT_GT(form->Timer2->interval(), GlideTickMs / 2);
    int ticks = 0;
    while (form->Timer2->isActive() && ticks < 100) {
        form->Timer2Timer();
        ++ticks;
    }
    EXPECT_EQ(ticks, 24) << "0 to 100 by four: the steps that show something, the first taken with the hand-over";
    EXPECT_EQ(bar.Fill, 100);
    EXPECT_FALSE(form->Timer2->isActive()) << "the rest of the glide looks the same: no wake-ups";

    // A meeting with the refresh thread half a second later takes the steps slept through.
    QElapsedTimer slept;
    slept.start();
    QTest::qWait(500);
    form->CatchUpGlide();
    const qint64 steps = slept.elapsed() / GlideTickMs;
    EXPECT_GE(bar.Fill, 100 + 4 * (steps - 1));
    EXPECT_LE(bar.Fill, 100 + 4 * (steps + 1));

    // A target within the bar: the tick sleeps until the fill comes back inside it.
    const int fill = bar.Fill;
    bar.OneValue = 0;
    QElapsedTimer coming;
    coming.start();
    form->UpdateWmiGUI();
    ASSERT_TRUE(form->Timer2->isActive());
    EXPECT_GE(form->Timer2->interval(), ((fill - 98) / 4 - 1) * GlideTickMs);
    EXPECT_LE(form->Timer2->interval(), ((fill - 98) / 4 + 1) * GlideTickMs);
    ASSERT_TRUE(QTest::qWaitFor([&] { return bar.Fill <= 98; }, 3000));
    // The first step that shows, or as many more as the time since says (a
    // tick that comes late takes the steps it missed).
    EXPECT_GE(bar.Fill, fill - 4 * (coming.elapsed() / GlideTickMs + 1)) << "the fill follows the time";
    EXPECT_GE(bar.Fill, 95 - 4 * std::max<qint64>(0, coming.elapsed() / GlideTickMs - (fill - 98) / 4 - 1))
        << "it wakes at the first step that shows";
    EXPECT_LT(form->Timer2->interval(), 2 * GlideTickMs) << "and goes on at the glide's pace";
}

TEST_F(MainWindowTest, SoundTickEndsWithoutARecordingOnceTheBandsRest)
{
    WriteIni("");
    auto form = Create(); // no audio library beside the executable
    form->ShowMainWindow();
    ASSERT_TRUE(form->Timer4->isActive());
    form->Timer4Timer();
    EXPECT_FALSE(form->Timer4->isActive());
    EXPECT_FALSE(form->PaintBox12->Picture().isNull()) << "drawn once";
}

TEST_F(MainWindowTest, DiskDiagramIsNotAnimated)
{
    WriteIni("DiskDiagram=1\r\n");
    auto form = Create();
    TProgressData& disk = *form->DiagData().Slot(8);
    disk.OneValue = 50;
    form->DiagData().Slot(14)->OneValue = 50;
    form->Timer2Timer();
    EXPECT_EQ(disk.Fill, 0);
    EXPECT_EQ(form->DiagData().Slot(14)->Fill, 0);
}

TEST_F(MainWindowTest, WaitStripPaintsWithoutARefreshThread)
{
    WriteIni("");
    auto form = Create(std::make_shared<TWbemNamespaces>()); // the start stops at the provider
    form->ShowMainWindow();
    EXPECT_EQ(form->RefreshThread(), nullptr);
    const QImage window = form->grab().toImage();
    EXPECT_FALSE(form->PaintBox14->Picture().isNull());
    EXPECT_EQ(form->PaintBox14->Picture().pixel(0, 63), form->PaintBox14->Picture().pixel(0, 0)) << "no bar";
    EXPECT_EQ(window.pixel(0, 0) & 0xFFFFFF, 0x5566AAu) << "the strip along the top";
}

// --- the application object ---

class ThrowingObject : public QObject {
public:
    bool event(QEvent*) override { throw std::runtime_error("the handler failed"); }
};

TEST(ApplicationObject, ExceptionLeavingAHandlerIsShownTitledTellvane)
{
    ApplicationBoxes().Shown.clear();
    ThrowingObject object;
    QEvent event(QEvent::User);
    QCoreApplication::sendEvent(&object, &event);
    ASSERT_EQ(ApplicationBoxes().Shown.size(), 1u);
    EXPECT_EQ(ApplicationBoxes().Shown[0].Kind, TKind::Error);
    EXPECT_EQ(ApplicationBoxes().Shown[0].Title, "Tellvane");
    EXPECT_EQ(ApplicationBoxes().Shown[0].Text, "the handler failed");
}

} // namespace

// --- colour themes ---

namespace themes {

bool Shows(const QLabel* button, const QString& picture, int size)
{
    return button->pixmap().toImage() == Picture(picture, size).toImage();
}

struct ThemeState {
    int Tag;
    QString Checked;
    QString Icon, Logo;
    QColor Window;
};

void ExpectState(const TForm1& form, const ThemeState& s, const std::string& what)
{
    EXPECT_EQ(form.ThemeNumber(), s.Tag) << what;
    ASSERT_NE(form.ThemeGroup->checkedAction(), nullptr) << what;
    EXPECT_EQ(form.ThemeGroup->checkedAction()->text(), s.Checked) << what;
    EXPECT_TRUE(Shows(form.DMode, s.Icon, 16)) << what << ": the button shows another icon than " << s.Icon.toStdString();
    EXPECT_TRUE(Shows(form.LogoImage, s.Logo, 64)) << what << ": the logo is not " << s.Logo.toStdString();
    EXPECT_EQ(form.palette().color(QPalette::Window), s.Window) << what;
}

} // namespace themes

TEST_F(MainWindowTest, ThemeButtonCyclesTwoOrThreeThemesAndLeavesAutoDetect)
{
    using themes::ThemeState;
    const QColor light = QApplication::palette().color(QPalette::Window), dark(0x1F, 0x1F, 0x1F);
    struct Case {
        const char* keys;
        std::vector<ThemeState> clicks;
    };
    const Case cases[] = {
        // Without the experimental options, Transparent is not offered.
        {"Theme=0\r\nTestLab=0\r\n",
         {{1, "&Dark", "sun-white", "logo-dark", dark}, {0, "&Light", "moon", "logo-light", light},
          {1, "&Dark", "sun-white", "logo-dark", dark}}},
        {"Theme=0\r\nTestLab=1\r\n",
         {{1, "&Dark", "sun-white", "logo-dark", dark}, {2, "&Transparent", "sun-yellow", "logo-grey", dark},
          {0, "&Light", "moon", "logo-light", light}}},
        // Auto-detect on a dark desktop: the first click checks Light, then moves on from Dark.
        {"TestLab=1\r\n", {{2, "&Transparent", "sun-yellow", "logo-grey", dark}}},
        {"TestLab=0\r\n", {{0, "&Light", "moon", "logo-light", light}}},
    };
    Desktop.Answer = FakeDesktop::Dark();
    for (const Case& c : cases) {
        WriteIni(c.keys);
        auto form = Create();
        for (std::size_t i = 0; i < c.clicks.size(); ++i) {
            form->DMode->OnClick();
            themes::ExpectState(*form, c.clicks[i], std::string(c.keys) + " click " + std::to_string(i + 1));
            EXPECT_EQ(form->ThemeWindows1->isEnabled(), std::string(c.keys).find("TestLab=1") != std::string::npos);
        }
        Exit(*form);
        EXPECT_EQ(ReadKey("Theme"), std::to_string(c.clicks.back().Tag)) << c.keys;
    }
}

TEST_F(MainWindowTest, AutoDetectFollowsTheDesktopAtStartAndWhenItChanges)
{
    WriteIni("");
    Desktop.Answer = FakeDesktop::Dark();
    auto form = Create();
    themes::ExpectState(*form, {1, "&Auto-detect", "lightning", "logo-dark", QColor(0x1F, 0x1F, 0x1F)}, "dark desktop");
    for (QLabel* label : {form->Label1, form->Label8, form->Label11, form->Label20, form->Label31})
        EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(Qt::white));
    EXPECT_FALSE(form->BackImage->isVisibleTo(form.get()));

    // The desktop turns light, then loses its portal: the last known preference stays.
    Desktop.Change(FakeDesktop::Light());
    themes::ExpectState(*form, {0, "&Auto-detect", "lightning", "logo-light", QApplication::palette().color(QPalette::Window)},
                        "light desktop");
    Desktop.Change(std::nullopt);
    EXPECT_EQ(form->ThemeNumber(), 0);
    Desktop.Change(TDesktopAppearance{0u, std::nullopt});
    EXPECT_EQ(form->ThemeNumber(), 0) << "no preference counts as light";
    Desktop.Change(TDesktopAppearance{});
    EXPECT_EQ(form->ThemeNumber(), 0) << "no color-scheme key counts as light";

    // A chosen theme is not changed by the desktop; only its background picture is read again.
    form->ThemeClick(form->ThemeDark1);
    const int reads = Desktop.Reads;
    Desktop.Change(FakeDesktop::Light());
    EXPECT_EQ(form->ThemeNumber(), 1);
    EXPECT_EQ(Desktop.Reads, reads + 1);
}

TEST_F(MainWindowTest, TransparentThemeAsksForBlurWithTheTintAndShowsTheBackgroundPicture)
{
    struct Case {
        const char* what;
        std::int32_t lab;
        std::optional<TDesktopAppearance> desktop;
        bool compositing;
        TAccentPolicy policy;
        bool backShown;
        QRgb back;
    };
    const QColor accent(0x33, 0x66, 0x99);
    const QColor accent70 = BlendColor(accent, Qt::black, 70);
    const Case cases[] = {
        {"dark desktop, blur", 1, FakeDesktop::Dark(), true, {4, 0x1E0, 0xA01F1F1Fu, 0}, true, qRgba(0x1F, 0x1F, 0x1F, 160)},
        {"light desktop, blur", 1, FakeDesktop::Light(), true, {4, 0x1E0, 0xC81F1F1Fu, 0}, false, qRgba(0xA6, 0xA6, 0xA6, 160)},
        {"no compositing", 1, FakeDesktop::Dark(), false, {}, true, qRgba(0x1F, 0x1F, 0x1F, 255)},
        {"accent, opaque", 2, TDesktopAppearance{1u, accent}, false, {}, true,
         qRgba(accent70.red(), accent70.green(), accent70.blue(), 255)},
        {"accent, translucent", 3, TDesktopAppearance{1u, accent}, true, {4, 0x1E0, 0xA01F1F1Fu, 0}, true,
         qRgba(accent70.red(), accent70.green(), accent70.blue(), 160)},
    };
    for (const Case& c : cases) {
        WriteIni("Theme=2\r\nTestLab=" + std::to_string(c.lab) + "\r\n");
        Desktop.Answer = c.desktop;
        Desktop.CompositingOn = c.compositing;
        Desktop.BlurOffered = true;
        Desktop.BlurRequests.clear();
        auto form = Create();
        form->ShowMainWindow();
        EXPECT_EQ(form->ThemeNumber(), 2) << c.what;
        const TAccentPolicy& got = form->AccentPolicyInUse();
        EXPECT_EQ(got.AccentState, c.policy.AccentState) << c.what;
        EXPECT_EQ(got.AccentFlags, c.policy.AccentFlags) << c.what;
        EXPECT_EQ(got.GradientColor, c.policy.GradientColor) << std::hex << c.what;
        EXPECT_EQ(form->testAttribute(Qt::WA_TranslucentBackground), c.policy.AccentState == 4) << c.what;
        EXPECT_EQ(form->BackImage->isVisible(), c.backShown) << c.what;
        EXPECT_EQ(form->BackImage->pixmap().toImage().pixel(5, 5), qPremultiply(c.back)) << std::hex << c.what;
        EXPECT_EQ(!Desktop.BlurRequests.empty() && Desktop.BlurRequests.back(), c.policy.AccentState == 4) << c.what;
        EXPECT_TRUE(form->isVisible()) << c.what << ": the window made anew is shown again";

        // Back to an opaque theme: no effect, no background picture, an opaque window.
        form->ThemeClick(form->ThemeLight1);
        EXPECT_EQ(form->AccentPolicyInUse(), TAccentPolicy{}) << c.what;
        EXPECT_FALSE(form->BackImage->isVisible()) << c.what;
        EXPECT_FALSE(form->testAttribute(Qt::WA_TranslucentBackground)) << c.what;
        EXPECT_TRUE(Desktop.BlurRequests.empty() || !Desktop.BlurRequests.back()) << c.what << ": the blur is asked off";
        Exit(*form);
    }
}

TEST_F(MainWindowTest, TheTranslucentWindowPaintsATintItsTextsAreReadableOn)
{
    // Light desktop: dark texts over #E6E6E6 at 200. Dark desktop: light texts
    // over #1F1F1F (the tint with the background picture over it).
    struct Case {
        const char* what;
        std::optional<TDesktopAppearance> desktop;
        bool lightTint;
        QRgb text;
    };
    for (const Case& c : {Case{"light desktop", FakeDesktop::Light(), true, 0x000000},
                          Case{"dark desktop", FakeDesktop::Dark(), false, 0xFFFFFF}}) {
        WriteIni("Theme=2\r\nTestLab=1\r\n");
        Desktop.Answer = c.desktop;
        Desktop.CompositingOn = true;
        auto form = Create();
        form->ShowMainWindow();
        ASSERT_TRUE(form->testAttribute(Qt::WA_TranslucentBackground)) << c.what;
        EXPECT_EQ(form->Label1->palette().color(QPalette::WindowText).rgb() & 0xFFFFFF, c.text) << c.what;
        // Between the two diagram columns only the tint is painted.
        const QImage window = form->grab().toImage().convertToFormat(QImage::Format_ARGB32);
        const QRgb tint = window.pixel(313, 150);
        EXPECT_EQ(qGray(tint) >= 0xD0, c.lightTint) << std::hex << c.what << ": " << tint;
        EXPECT_EQ(qGray(tint) <= 0x20, !c.lightTint) << std::hex << c.what << ": " << tint;
        EXPECT_GE(qAlpha(tint), 160) << c.what;
        Exit(*form);
    }
}

TEST_F(MainWindowTest, SettingsOkWithoutTheExperimentalOptionsLeavesTransparentForLight)
{
    WriteIni("Theme=2\r\nTestLab=1\r\n");
    Desktop.Answer = FakeDesktop::Dark();
    Desktop.CompositingOn = true;
    auto form = Create();
    auto dialog = CreateDialog(*form);
    form->ShowMainWindow();
    ASSERT_EQ(form->AccentPolicyInUse().AccentState, 4u);
    WhenDialogShows(*dialog, [&] {
        dialog->TempSetup.LabFlags = 0;
        dialog->done(QDialog::Accepted);
    });
    form->RunSettingsDialog();
    EXPECT_EQ(form->ThemeNumber(), 0);
    EXPECT_EQ(form->ThemeGroup->checkedAction(), form->ThemeLight1);
    EXPECT_FALSE(form->ThemeWindows1->isEnabled());
    EXPECT_EQ(form->AccentPolicyInUse().AccentState, 0u);
    EXPECT_FALSE(form->BackImage->isVisible());
}

TEST_F(MainWindowTest, SettingsOkInTransparentMakesTheWindowAnewAtMostOnce)
{
    // The native window is made anew only for a change of its translucency,
    // worked out before: none when it stays translucent, one when it ends.
    struct Case {
        const char* what;
        std::int32_t labAfter;
        int remade;
        bool translucent;
    };
    for (const Case& c : {Case{"stays Transparent", 1, 0, true}, Case{"falls back to Light", 0, 1, false}}) {
        WriteIni("Theme=2\r\nTestLab=1\r\n");
        Desktop.Answer = FakeDesktop::Dark();
        Desktop.CompositingOn = true;
        Desktop.BlurOffered = true;
        auto form = Create();
        auto dialog = CreateDialog(*form);
        form->ShowMainWindow();
        ASSERT_TRUE(form->testAttribute(Qt::WA_TranslucentBackground)) << c.what;
        int remade = 0;
        const WId before = form->winId();
        struct TCount : QObject {
            int* Remade;
            explicit TCount(int* remade) : Remade(remade) {}
            bool eventFilter(QObject* watched, QEvent* event) override
            {
                // A native window made: its id changes to a new one (not to none).
                if (event->type() == QEvent::WinIdChange && static_cast<QWidget*>(watched)->internalWinId() != 0)
                    ++*Remade;
                return false;
            }
        } count(&remade);
        form->installEventFilter(&count);
        const std::size_t blurRequests = Desktop.BlurRequests.size();
        WhenDialogShows(*dialog, [&] {
            dialog->TempSetup.LabFlags = c.labAfter;
            dialog->done(QDialog::Accepted);
        });
        form->RunSettingsDialog();
        form->removeEventFilter(&count);
        EXPECT_EQ(remade, c.remade) << c.what;
        EXPECT_EQ(form->winId() != before, c.remade > 0) << c.what;
        EXPECT_EQ(form->testAttribute(Qt::WA_TranslucentBackground), c.translucent) << c.what;
        EXPECT_EQ(form->testAttribute(Qt::WA_NoSystemBackground), c.translucent) << c.what << ": an opaque window fills its background";
        EXPECT_LE(Desktop.BlurRequests.size(), blurRequests + 1) << c.what << ": the blur asked once at most";
        EXPECT_TRUE(form->isVisible()) << c.what;
        form->Form2 = nullptr;
    }
}

TEST_F(MainWindowTest, ProcessorDiagramIsDrawnInDarkColoursOnADarkDesktop)
{
    WriteIni("CPUload=/cpu/0/load/0\r\n");
    Desktop.Answer = FakeDesktop::Dark();
    auto form = Create();
    form->ShowMainWindow();
    QApplication::processEvents();
    const QImage picture = form->PaintBox1->Picture();
    ASSERT_FALSE(picture.isNull());
    const int step = qRound(picture.height() / 5.0);
    EXPECT_EQ(picture.pixel(0, 0), qRgb(0x55, 0x66, 0xAA)) << "frame";
    EXPECT_EQ(picture.pixel(picture.width() - 2, step), qRgb(0x20, 0x30, 0x40)) << "grid";
    EXPECT_EQ(picture.pixel(step - 1, step - 1), qRgb(0x1F, 0x1F, 0x1F)) << "background";
}

TEST_F(MainWindowTest, AThemeChangeDrawsEachDiagramOnce)
{
    WriteIni("CPUload=/cpu/0/load/0\r\nCpuBars=1\r\nCustom1=/ram/load/0\r\n");
    auto form = Create();
    form->ShowMainWindow();
    QApplication::processEvents();
    std::vector<std::pair<TPaintBox*, std::uint64_t>> before;
    for (TPaintBox* box : {form->PaintBox1, form->PaintBox2, form->PaintBox3, form->PaintBox4, form->PaintBox5,
                           form->PaintBox6, form->PaintBox7, form->PaintBox8, form->PaintBox9, form->PaintBox10,
                           form->DiskPaintBox1, form->DiskPaintBox2, form->DiskPaintBox3, form->DiskPaintBox4})
        if (box->isVisible() && !box->Picture().isNull()) before.emplace_back(box, box->Presents());
    ASSERT_GE(before.size(), 10u);

    form->ThemeClick(form->ThemeDark1);
    QApplication::processEvents();
    for (const auto& [box, presents] : before) EXPECT_EQ(box->Presents(), presents + 1) << box->objectName().toStdString();
    QApplication::processEvents();
    for (const auto& [box, presents] : before) EXPECT_EQ(box->Presents(), presents + 1) << "drawn again with nothing changed";
}

// --- the popup menu ---

namespace menu {

// The menu's items in display order, a submenu's items indented, separators as "-".
void Describe(const QMenu* menu, const std::string& indent, std::vector<std::string>& out)
{
    for (const QAction* item : menu->actions()) {
        if (item->isSeparator()) {
            out.push_back(indent + "-");
            continue;
        }
        std::string line = indent + item->text().toStdString();
        if (item->isCheckable()) line += item->actionGroup() ? " (radio)" : " (check)";
        out.push_back(line);
        if (item->menu()) Describe(item->menu(), indent + "  ", out);
    }
}

} // namespace menu

TEST_F(MainWindowTest, MenuTreeCaptionsAndRadioGroup)
{
    WriteIni("");
    auto form = Create();
    std::vector<std::string> tree;
    menu::Describe(form->PopupMenu1, "", tree);
    EXPECT_EQ(tree, (std::vector<std::string>{"&Hide/Show", "&Theme", "  &Light (radio)", "  &Dark (radio)",
                                              "  &Transparent (radio)", "  -", "  &Auto-detect (radio)", "&Options",
                                              "  Minimize To &Tray (check)", "  Minimize On &Close (check)",
                                              "  &Alerts (check)", "  &Run On Startup (check)", "-", "&Settings...", "&About...", "-",
                                              "E&xit"}));
    EXPECT_TRUE(form->ThemeGroup->isExclusive());
    form->ThemeDark1->trigger();
    EXPECT_FALSE(form->ThemeAuto1->isChecked());
    EXPECT_EQ(form->ThemeNumber(), 1);
    const bool before = form->MinimizeOnClose1->isChecked();
    form->MinimizeOnClose1->trigger();
    EXPECT_NE(form->MinimizeOnClose1->isChecked(), before) << "an auto-check item flips itself";
    EXPECT_EQ(form->TrayIcon1->contextMenu(), form->PopupMenu1) << "the tray icon opens the same menu";
}

TEST_F(MainWindowTest, MenuOpensBelowItsButtonAndReadsTheAutostartEntryAtEveryOpening)
{
    WriteIni("TestLab=0\r\n");
    auto form = Create();
    form->ShowMainWindow();
    EXPECT_EQ(form->PopupMenuPoint(), form->mapToGlobal(QPoint(596, 26)));

    const auto open = [&] {
        form->ImageMenuClick();
        EXPECT_TRUE(form->PopupMenu1->isVisible());
        form->PopupMenu1->hide();
    };
    form->ThemeWindows1->setEnabled(true);
    open();
    EXPECT_FALSE(form->RunonWindowsStartup1->isChecked()) << "no entry";
    EXPECT_FALSE(form->ThemeWindows1->isEnabled()) << "greyed at the opening while TestLab is 0";

    ASSERT_TRUE(SetAutostart(Dir / "autostart", ExecutablePath, true));
    open();
    EXPECT_TRUE(form->RunonWindowsStartup1->isChecked());
    // The context-menu key opens the same menu the same way.
    fs::remove(Dir / "autostart" / AutostartEntryName);
    form->FormKeyDown(Qt::Key_Menu);
    EXPECT_TRUE(form->PopupMenu1->isVisible());
    EXPECT_FALSE(form->RunonWindowsStartup1->isChecked());
    form->PopupMenu1->hide();

    // An entry that cannot be read leaves the check as it is.
    form->RunonWindowsStartup1->setChecked(true);
    fs::create_directories(Dir / "autostart" / AutostartEntryName);
    open();
    EXPECT_TRUE(form->RunonWindowsStartup1->isChecked());
}

TEST_F(MainWindowTest, RunOnStartupWritesAndDeletesThisCopysEntry)
{
    WriteIni("");
    auto form = Create();
    const fs::path entry = Dir / "autostart" / AutostartEntryName;
    form->RunonWindowsStartup1->trigger();
    EXPECT_TRUE(form->RunonWindowsStartup1->isChecked());
    EXPECT_EQ(AutostartEnabled(Dir / "autostart", ExecutablePath), true) << "the folder is created and the entry written";
    form->RunonWindowsStartup1->trigger();
    EXPECT_FALSE(fs::exists(entry));
    EXPECT_TRUE(Boxes.Shown.empty());

    // Nothing can be written: nothing changes and nothing is shown.
    fs::remove_all(Dir / "autostart");
    WriteFileText(Dir / "autostart", "a file");
    form->RunonWindowsStartup1->trigger();
    EXPECT_TRUE(Boxes.Shown.empty());
    EXPECT_TRUE(fs::is_regular_file(Dir / "autostart"));
}

TEST_F(MainWindowTest, AboutShowsThePlainBoxWithTheDisclaimer)
{
    WriteIni("");
    auto form = Create();
    form->About1->trigger();
    const auto plain = Boxes.OfKind(TKind::Plain);
    ASSERT_EQ(plain.size(), 1u);
    EXPECT_EQ(plain[0].Title, "Tellvane");
    EXPECT_TRUE(plain[0].Place.IsCentred());
    const std::string expectedStart =
        "About: Tellvane (My Computer - Hardware Status)\r\n\r\n"
        "Disclaimer: This program reads its sensors from the kernel's hardware monitoring drivers. You can download "
        "their tools from the link provided in the Settings dialog.\r\n\r\n";
    EXPECT_EQ(plain[0].Text.substr(0, expectedStart.size()), expectedStart);
    EXPECT_NE(plain[0].Text.find(Ini().string()), std::string::npos) << "names the settings file";
}

// --- damaged settings files ---

TEST_F(MainWindowTest, DamagedSettingsFilesStartWithTheReadableKeysOrDefaults)
{
    struct Case {
        const char* what;
        std::string contents;
        std::string cpuLoad;  // what the start reads for CPUload
        std::int32_t cpuMax;  // and for the processor's temperature scale
    };
    std::string big = std::string("[") + Section + "]\r\nCPUload=/cpu/0/load/0\r\n";
    while (big.size() < 10 * 1024 * 1024) big += "Padding" + std::to_string(big.size()) + "=" + std::string(100, 'x') + "\r\n";
    big += "TermalMaxCpu=85\r\n";
    std::string binary;
    for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 131 + 7) % 256);
    const Case cases[] = {
        {"binary", binary, "", 100},
        {"binary around readable keys",
         binary + "\n[" + Section + "]\nCPUload=/cpu/0/load/0\n" + std::string("\0\0\xff", 3) + "\nTermalMaxCpu=90\n" + binary,
         "/cpu/0/load/0", 90},
        {"10 MB", big, "/cpu/0/load/0", 85},
        {"a number that is no number", std::string("[") + Section + "]\r\nTermalMaxCpu=hot\r\n", "", 100},
    };
    for (const Case& c : cases) {
        WriteFileText(Ini(), c.contents);
        auto form = Create();
        EXPECT_TRUE(form->ProviderConnected()) << c.what << ": the start went on";
        EXPECT_EQ(form->Setup().sidCPUload, c.cpuLoad) << c.what;
        EXPECT_EQ(form->Setup().CpuTermalMax, c.cpuMax) << c.what;
        Exit(*form);
        EXPECT_EQ(ReadKey("Theme"), "-1") << c.what << ": the exit writes its keys into the same file";
    }
    // A settings file that cannot be read (a folder in its place): defaults, and
    // the exit's failure to write is shown, not a crash.
    fs::remove(Ini());
    fs::create_directories(Ini());
    auto form = Create();
    EXPECT_EQ(form->Setup().sidCPUload, "");
    form->ShowMainWindow();
    form->Close1Click();
    form->RunHandler([&] { form->FormDestroy(); });
    EXPECT_FALSE(Boxes.OfKind(TKind::Error).empty());
}

// --- alerts ---

TEST_F(MainWindowTest, ATemperatureAtItsLimitWarnsInTheCaptionAndTellsTheDesktopOnce)
{
    WriteIni("CPUtemp=/cpu/0/temperature/0\r\nGPUtemp=/gpu/0/temperature/0\r\nCustom1=/cpu/0/load/0\r\n"
             "RAMused=/ram/data/0\r\nTermalMaxGpu=80\r\n");
    auto form = Create();
    const QColor text = form->Label3->palette().color(QPalette::WindowText);
    const QColor warning = WarningColour(text);
    ASSERT_NE(text, warning);
    TWmiDataArray& data = form->DiagData();
    TProgressData& cpu = *data.Slot(form->PaintBox3->Tag);
    TProgressData& gpu = *data.Slot(form->PaintBox4->Tag);
    TProgressData& custom = *data.Slot(form->PaintBox6->Tag);
    cpu.NameA = "CPU Package";
    cpu.NameB = gpu.NameB = "Temperature";
    gpu.NameA = "GPU Core";
    cpu.HighLimit = 95;
    cpu.CriticalLimit = 105;
    custom.NameA = "CPU Total";
    custom.NameB = "Load";
    data.Slot(form->PaintBox5->Tag)->NameA = "Memory Used";
    data.Slot(form->PaintBox5->Tag)->DataB[1] = 16;
    // One hand-over: the values at the position the cycle wrote.
    int cycle = 0;
    const auto handOver = [&](double cpuValue, double gpuValue, double seconds) {
        const std::size_t at = static_cast<std::size_t>(cycle++ % DataArrayLength);
        cpu.DataA[at] = cpuValue;
        gpu.DataA[at] = gpuValue;
        custom.DataA[at] = 120;
        data.Slot(form->PaintBox5->Tag)->DataA[at] = 3.14;
        Clock = std::chrono::steady_clock::time_point{} + std::chrono::milliseconds(static_cast<long long>(seconds * 1000));
        form->SetDiagIndex(static_cast<std::int32_t>(cycle % DataArrayLength));
        form->UpdateWmiGUI();
    };
    const auto colourOf = [](const QLabel* label) { return label->palette().color(QPalette::WindowText); };

    handOver(94, 79, 0);
    EXPECT_EQ(colourOf(form->Label3), text);
    EXPECT_EQ(colourOf(form->Label4), text);
    EXPECT_TRUE(Notices.Sent.empty());
    EXPECT_FALSE(form->AlertOn());
    EXPECT_EQ(form->TrayValuesLine(), "CPU 94 °C · GPU 79 °C · Mem 3.1 of 16 Gb");
    EXPECT_EQ(form->TrayIcon1->toolTip(), form->windowTitle() + "\nCPU 94 °C · GPU 79 °C · Mem 3.1 of 16 Gb");

    handOver(96, 80, 1); // the chip's high limit; the settings' maximum where the chip gives none
    EXPECT_EQ(colourOf(form->Label3), warning);
    EXPECT_EQ(colourOf(form->Label4), warning);
    EXPECT_EQ(colourOf(form->Label27), text) << "a load never warns";
    ASSERT_EQ(Notices.Sent.size(), 2u);
    EXPECT_EQ(Notices.Sent[0], (TNotice{"Processor at 96 °C", "CPU Package: limit 95 °C, critical 105 °C", false}));
    EXPECT_EQ(Notices.Sent[1], (TNotice{"Video card at 80 °C", "GPU Core: limit 80 °C (the settings' maximum)", false}));
    EXPECT_TRUE(form->AlertOn());

    handOver(97, 81, 2);
    EXPECT_EQ(Notices.Sent.size(), 2u) << "one notification per crossing";
    handOver(106, 81, 3);
    ASSERT_EQ(Notices.Sent.size(), 3u);
    EXPECT_EQ(Notices.Sent[2], (TNotice{"Processor at 106 °C", "CPU Package: limit 95 °C, critical 105 °C", true}));

    // A theme change keeps the warning, in the new theme's warning colour.
    form->ThemeClick(form->ThemeDark1);
    EXPECT_EQ(colourOf(form->Label3), WarningColour(Qt::white));
    form->ThemeClick(form->ThemeLight1);

    handOver(91.9, 76.9, 4); // 3 degrees below the limits: over
    EXPECT_EQ(colourOf(form->Label3), text);
    EXPECT_EQ(colourOf(form->Label4), text);
    EXPECT_FALSE(form->AlertOn());

    // Off: the captions keep the theme's colour and nothing is sent.
    form->Alerts1->setChecked(false);
    form->Alerts1Click();
    handOver(99, 90, 400);
    EXPECT_EQ(colourOf(form->Label3), text);
    EXPECT_EQ(Notices.Sent.size(), 3u);
    EXPECT_FALSE(form->AlertOn());
    Exit(*form);
    EXPECT_EQ(ReadKey("Alerts"), "0");

    // Read back at the next start.
    auto again = Create();
    EXPECT_FALSE(again->Alerts1->isChecked());
}

// --- pictures on scaled screens ---

TEST(PaintArea, ShowsAPictureOfAHigherScaleWithoutBlurringItsLines)
{
    TPaintBox box(nullptr);
    box.resize(300, 71);
    TDiagramScene scene;
    scene.Scale = 2;
    TProgressData slot;
    for (int i = 0; i < DataArrayLength; ++i) slot.DataA[std::size_t(i)] = i % 37;
    const QImage picture = DrawDiagram(slot, TDiagramMode::dmHistory, scene);
    std::set<QRgb> colours;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) colours.insert(picture.pixel(x, y));
    box.Present(picture);
    // The area painted on a screen of 1.5 device pixels per logical pixel.
    QImage screen(450, 107, QImage::Format_RGB32);
    screen.setDevicePixelRatio(1.5);
    screen.fill(Qt::magenta);
    box.render(&screen);
    int other = 0;
    for (int y = 0; y < screen.height(); ++y)
        for (int x = 0; x < screen.width(); ++x)
            if (!colours.count(screen.pixel(x, y)) && other++ < 3)
                ADD_FAILURE() << "device pixel " << x << "," << y << " is " << std::hex << screen.pixel(x, y);
    EXPECT_EQ(screen.pixel(0, 50) & 0xFFFFFF, 0x5566AAu) << "the frame";
}
