// The sound panel of the window and the dialog's sound section, with the real
// audio library beside the executable and a private sound server whose
// default input is a 1000 Hz sine.

#include "AudioLibrary.h"
#include "ScriptedBoxes.h"
#include "SettingsDialogDriver.h"
#include "SettingsFile.h"
#include "SoundServer.h"
#include "TForm1.h"
#include "TForm2.h"
#include "TempDir.h"
#include "TestProvider.h"

#include <QElapsedTimer>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <thread>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

class SoundMeterTest : public testing::Test {
protected:
    void SetUp() override { Namespaces->Register(TestHardwareNamespace, Provider); }
    void TearDown() override { UnloadAudioLibrary(); }

    // The window, with the audio library beside its executable when asked.
    std::unique_ptr<TForm1> Create(bool withLibrary = true)
    {
        if (withLibrary) fs::create_symlink(TELLVANE_AUDIO_LIBRARY, Dir / AudioLibraryFile);
        WriteFileText(Dir / "tellvane.ini", "[PC]\r\nTheme=0\r\n" + Keys);
        TForm1Services services;
        services.ExecutablePath = Dir / "tellvane";
        services.ComputerName = [] { return std::optional<std::string>("PC"); };
        services.Namespaces = Namespaces;
        services.Boxes = &Boxes;
        services.Run = &Run;
        services.TrayAvailable = [] { return true; };
        services.AudioLibraryFolders = LibraryFolders;
        return std::make_unique<TForm1>(std::move(services));
    }

    static double Band(const TForm1& form, int band)
    {
        return form.DiagData().Slot(form.PaintBox12->Tag)->DataA[std::size_t(6 * band + 2)];
    }

    TempDir Dir;
    std::vector<fs::path> LibraryFolders;
    std::string Keys;
    ScriptedBoxes Boxes;
    TRunState Run;
    std::shared_ptr<TTableProvider> Provider = std::make_shared<TTableProvider>();
    std::shared_ptr<TWbemNamespaces> Namespaces = std::make_shared<TWbemNamespaces>();
};

TEST_F(SoundMeterTest, ShowsTheDefaultInputsSpectrumWithTheSinesBandOnTop)
{
    TestSoundServer server;
    auto form = Create();
    form->ShowMainWindow();
    EXPECT_EQ(form->Label20->Caption(), "Sound:");
    EXPECT_EQ(form->Label21->text(), "Default Input sound device");
    EXPECT_NE(form->Channel(), 0u);
    EXPECT_TRUE(form->Timer4->isActive());
    // Let the meter run a second.
    QTest::qWait(1000);
    const double sine = Band(*form, 9);
    EXPECT_GE(sine, form->PaintBox12->height() * 3 / 4) << "band 9 holds the 1000 Hz sine";
    for (int band : {0, 3, 6, 12, 15}) EXPECT_LT(Band(*form, band), sine / 4) << "band " << band;
    EXPECT_FALSE(form->PaintBox12->Picture().isNull()) << "drawn on every tick";

    // Hiding frees the recording; the end unloads the library.
    form->MinimizeApplication();
    EXPECT_EQ(form->Channel(), 0u);
    form->Close1Click();
    form->FormDestroy();
    EXPECT_FALSE(AudioLibraryLoaded());
}

TEST_F(SoundMeterTest, NamedDeviceAndTheServersEndStopTheMeterAndTheNextStartSaysWhy)
{
    auto server = std::make_unique<TestSoundServer>();
    Keys = "SoundDeviceN=0\r\n"; // the first input in name order: the null sink's monitor
    auto form = Create();
    form->ShowMainWindow();
    EXPECT_EQ(form->Label20->Caption(), "Sound:");
    EXPECT_EQ(form->Label21->text(), "Monitor of Null_Output");
    ASSERT_NE(form->Channel(), 0u);
    server->Kill();
    // The meter notices within two seconds and frees its recording.
    EXPECT_TRUE(QTest::qWaitFor([&] { return form->Channel() == 0; }, 2000));
    form->StartLevelMeter();
    EXPECT_EQ(form->Label20->Caption(), "NA");
    EXPECT_EQ(form->Label21->text(), "Error: Can't initiate recording");
}

TEST_F(SoundMeterTest, AServerKilledAndStartedAgainRecordsAgainAfterTheDialogsOk)
{
    auto server = std::make_unique<TestSoundServer>();
    auto form = Create();
    auto dialog = CreateSettingsDialog(*form, Boxes);
    form->ShowMainWindow();
    ASSERT_NE(form->Channel(), 0u);

    // The server dies under the meter: the meter stops and frees its recording.
    server->Kill();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->Channel() == 0; }, 2000));
    EXPECT_FALSE(form->Timer4->isActive()) << "no tick without a recording";

    // A new server; the dialog's OK starts the meter again, which hears the sine.
    server = std::make_unique<TestSoundServer>();
    WhenDialogShows(*dialog, [&] { dialog->Button1->click(); });
    form->RunHandler([&] { form->Settings1Click(); });
    ASSERT_NE(form->Channel(), 0u);
    EXPECT_EQ(form->Label20->Caption(), "Sound:");
    EXPECT_TRUE(QTest::qWaitFor([&] { return Band(*form, 9) >= form->PaintBox12->height() * 3 / 4; }, 2000));
    form->Form2 = nullptr;
}

TEST_F(SoundMeterTest, ALostServerEmptiesTheBandsSaysWhyAndTheRecordingComesBackByItself)
{
    auto server = std::make_unique<TestSoundServer>();
    Keys = "SoundDeviceN=1\r\n"; // the sine, chosen by position only
    auto form = Create();
    form->ShowMainWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return Band(*form, 9) >= form->PaintBox12->height() * 3 / 4; }, 2000));

    // Stopped under the meter: within a second the bands fall to 0 and the caption says why.
    server->Kill();
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->Channel() == 0; }, 1000));
    EXPECT_LE(clock.elapsed(), 1000);
    for (int band = 0; band < 16; ++band) EXPECT_EQ(Band(*form, band), 0.0) << "band " << band;
    EXPECT_EQ(form->Label20->Caption(), "NA");
    EXPECT_EQ(form->Label21->text(), "Error: The sound server went away; waiting for it");
    form->Timer4Timer();
    EXPECT_TRUE(form->PaintBox12->Shown && form->PaintBox12->Shown->Slot.DataA[9 * 6 + 2] == 0.0) << "drawn empty";
    ASSERT_TRUE(form->SoundRetryTimer()->isActive()) << "the server is looked for";
    EXPECT_EQ(form->SoundRetryTimer()->interval(), SoundRetryMs) << "every few seconds, not in a busy loop";

    // No server for a while: the caption stays, nothing records.
    QTest::qWait(SoundRetryMs + 500);
    EXPECT_EQ(form->Channel(), 0u);
    EXPECT_EQ(form->Label21->text(), "Error: The sound server went away; waiting for it");

    // A server again: the chosen input records by itself, no dialog needed.
    server = std::make_unique<TestSoundServer>();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->Channel() != 0; }, SoundRetryMs + 2000));
    EXPECT_EQ(form->Label20->Caption(), "Sound:");
    EXPECT_EQ(form->Label21->text(), "Sine source at 1000 Hz");
    EXPECT_FALSE(form->SoundRetryTimer()->isActive());
    EXPECT_TRUE(QTest::qWaitFor([&] { return Band(*form, 9) >= form->PaintBox12->height() * 3 / 4; }, 2000));

    // Hidden, the gadget looks for nothing.
    server->Kill();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->Channel() == 0; }, 1000));
    form->MinimizeApplication();
    EXPECT_FALSE(form->SoundRetryTimer()->isActive());
}

TEST_F(SoundMeterTest, TheInputChosenByNameIsFoundWhenAnotherInputCameBeforeIt)
{
    TestSoundServer server;
    // A new input whose name sorts before the sine's moves the sine from position 1 to 2.
    ASSERT_EQ(std::system(("PULSE_SERVER=" + server.Address() +
                           " pactl load-module module-null-sink sink_name=tellvane_aaa"
                           " sink_properties=device.description=Another_Output >/dev/null")
                              .c_str()),
              0);
    Keys = "SoundDeviceN=1\r\nSoundDeviceName=tellvane_sine\r\n";
    auto form = Create();
    auto dialog = CreateSettingsDialog(*form, Boxes);
    form->ShowMainWindow();
    EXPECT_EQ(form->Label21->text(), "Sine source at 1000 Hz") << "not the input now at position 1";
    EXPECT_EQ(form->Setup().SoundDevice, 2);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Band(*form, 9) >= form->PaintBox12->height() * 3 / 4; }, 2000));

    // The dialog shows the same input; OK stores its position and its name.
    WhenDialogShows(*dialog, [&] {
        EXPECT_EQ(dialog->ComboBox21->currentText(), "Sine source at 1000 Hz");
        const int monitor = dialog->ComboBox21->findText(QStringLiteral("Monitor of Another_Output"));
        ASSERT_GE(monitor, 0);
        dialog->ComboBox21->setCurrentIndex(monitor);
        dialog->Button1->click();
    });
    form->RunHandler([&] { form->Settings1Click(); });
    const TIniFile ini(Dir / "tellvane.ini", [] { return std::string("PC"); });
    EXPECT_EQ(ini.ReadString("SoundDeviceName", ""), "tellvane_aaa.monitor");
    EXPECT_EQ(ini.ReadString("SoundDeviceN", ""), "0");
    EXPECT_EQ(form->Label21->text(), "Monitor of Another_Output");
    form->Form2 = nullptr;
}

TEST_F(SoundMeterTest, ASilentInputStopsTheTickAndSoundStartsItAtOnce)
{
    TestSoundServer server;
    Keys = "SoundDeviceN=0\r\n"; // the null sink's monitor: silent while nothing plays
    auto form = Create();
    form->ShowMainWindow();
    ASSERT_NE(form->Channel(), 0u);
    // The bands settle at 0, then the tick stops: no wake-up while silent.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form->Timer4->isActive(); }, 3000));
    int ticks = 0;
    QObject::connect(form->Timer4, &QTimer::timeout, [&ticks] { ++ticks; });
    QTest::qWait(1500);
    EXPECT_EQ(ticks, 0) << "a silent input wakes nothing";
    EXPECT_NE(form->Channel(), 0u) << "still recording";

    // A sound played into the sink: the bars rise within a quarter of a
    // second of the sound reaching the server's input, at the meter's pace.
    // When it reaches the input is seen by a client of the server's own tools
    // listening in 5 ms blocks (the sink takes its time to start playing).
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    const std::string listen = "PULSE_SERVER=" + server.Address() +
                               " exec parec --raw --format=float32le --channels=1 --latency-msec=5 -d tellvane_null.monitor";
    const pid_t listener = fork();
    ASSERT_GE(listener, 0);
    if (listener == 0) {
        dup2(pipeEnds[1], STDOUT_FILENO);
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        execl("/bin/sh", "sh", "-c", listen.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipeEnds[1]);
    std::atomic<qint64> heardAt{-1};
    QElapsedTimer clock;
    clock.start();
    std::thread listening([&] {
        float sample = 0;
        while (read(pipeEnds[0], &sample, sizeof sample) == sizeof sample)
            if (std::fabs(sample) > 1e-3f) {
                heardAt = clock.elapsed();
                break;
            }
    });
    QTest::qWait(300); // the listener connects
    // The sink plays a second and a half of silence, then a sine: the sound
    // begins inside a block, wherever the server's blocks happen to start.
    {
        std::vector<float> samples(44100 * 5 / 2, 0.0f);
        for (std::size_t i = 44100 * 3 / 2; i < samples.size(); ++i)
            samples[i] = 0.5f * float(std::sin(2.0 * 3.14159265358979 * 1000.0 * double(i) / 44100.0));
        std::ofstream(Dir / "onset.raw", std::ios::binary)
            .write(reinterpret_cast<const char*>(samples.data()), std::streamsize(samples.size() * sizeof(float)));
    }
    ASSERT_EQ(std::system(("PULSE_SERVER=" + server.Address() +
                           " pacat --raw --format=float32le --channels=1 --rate=44100 -d tellvane_null " +
                           (Dir / "onset.raw").string() + " >/dev/null 2>&1 &")
                              .c_str()),
              0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Band(*form, 9) > 0; }, 5000));
    const qint64 risen = clock.elapsed();
    kill(listener, SIGTERM);
    listening.join();
    close(pipeEnds[0]);
    waitpid(listener, nullptr, 0);
    ASSERT_GE(heardAt.load(), 0) << "the listener heard the sine";
    EXPECT_LT(risen - heardAt, 250) << "the band rose " << risen - heardAt << " ms after the input carried the sound";
    EXPECT_TRUE(form->Timer4->isActive());
    EXPECT_EQ(form->Timer4->interval(), MeterTickMs);
}

TEST_F(SoundMeterTest, AServerThatGoesAwayUnderASleepingMeterIsSaidWithinASecond)
{
    auto server = std::make_unique<TestSoundServer>();
    Keys = "SoundDeviceN=0\r\n";
    auto form = Create();
    form->ShowMainWindow();
    ASSERT_NE(form->Channel(), 0u);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form->Timer4->isActive(); }, 3000));
    server->Kill();
    // The refresh thread's hand-over, once a second, asks the sleeping meter's recording.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            form->RunHandler([&] { form->UpdateWmiGUI(); });
            return form->Channel() == 0;
        },
        2000));
    EXPECT_EQ(form->Label21->text(), "Error: The sound server went away; waiting for it");
    EXPECT_TRUE(form->SoundRetryTimer()->isActive());
}

TEST_F(SoundMeterTest, WithoutTheLibraryThePanelSaysSo)
{
    auto form = Create(false);
    form->ShowMainWindow();
    EXPECT_EQ(form->Label20->Caption(), "NA");
    EXPECT_EQ(form->Label21->text(), "libbass.so not found in App folder");
    EXPECT_EQ(form->Channel(), 0u);
    form->Timer4Timer(); // draws without a recording
    EXPECT_FALSE(form->PaintBox12->Picture().isNull());
}

TEST_F(SoundMeterTest, AnInstalledGadgetFindsTheLibraryInItsPrivateFolder)
{
    // Installed, the library sits in lib/<arch>/tellvane, not beside the program.
    TestSoundServer server;
    const fs::path privateFolder = Dir / "lib" / "tellvane";
    fs::create_directories(privateFolder);
    fs::create_symlink(TELLVANE_AUDIO_LIBRARY, privateFolder / AudioLibraryFile);
    LibraryFolders = {privateFolder};
    auto form = Create(false);
    form->ShowMainWindow();
    EXPECT_EQ(form->Label20->Caption(), "Sound:");
    EXPECT_NE(form->Channel(), 0u);
}

TEST_F(SoundMeterTest, DialogListsTheInputsAndTheDefaultTakesOverTheUnsetDevice)
{
    TestSoundServer server;
    auto form = Create();
    TForm2Services services;
    services.Host = form.get();
    services.Boxes = &Boxes;
    TForm2 dialog(services);
    form->Form2 = &dialog;
    dialog.TempSetup = form->Setup();
    ASSERT_EQ(dialog.TempSetup.SoundDevice, -1);
    dialog.ResetAll();
    ASSERT_EQ(dialog.ComboBox21->count(), 2);
    EXPECT_EQ(dialog.ComboBox21->itemText(0), "Monitor of Null_Output");
    EXPECT_EQ(dialog.ComboBox21->itemText(1), "Sine source at 1000 Hz");
    EXPECT_EQ(dialog.TempSetup.SoundDevice, 1) << "the server's default input";
    EXPECT_EQ(dialog.ComboBox21->currentIndex(), 1);
    EXPECT_EQ(dialog.Memo1->toPlainText(),
              "Type: Unknown\nEnabled: Yes\nReady: No\nDefault: Yes\nLoopback: No\nFlags: #00000003");
    dialog.ComboBox21->setCurrentIndex(0);
    emit dialog.ComboBox21->activated(0);
    EXPECT_TRUE(dialog.Memo1->toPlainText().contains("Loopback: Yes"));
    // A stored device that is gone.
    dialog.TempSetup.SoundDevice = 7;
    dialog.ResetAll();
    EXPECT_EQ(dialog.ComboBox21->currentIndex(), -1);
    EXPECT_EQ(dialog.Memo1->toPlainText(), "Sound device (Index 7) was not found");
    form->Form2 = nullptr;
}

} // namespace
