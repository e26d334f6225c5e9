// The binding of the audio library against small libraries built for the
// test: a missing file, every name, every name but the optional one, one
// required name missing; loading twice; unloading.

#include "AudioLibrary.h"
#include "DynamicLibrary.h"

#include <gtest/gtest.h>

namespace {

// Calls of BASS_Free counted by the library at `path` (kept open by the test,
// so the count survives the binding's unload).
int FreeCalls(const TDynamicLibrary& library)
{
    return *static_cast<const int*>(library.Symbol("FakeFreeCalls"));
}

class AudioBindingTest : public testing::Test {
protected:
    void TearDown() override { UnloadAudioLibrary(); }
};

TEST_F(AudioBindingTest, MissingFileIsNoLibrary)
{
    EXPECT_FALSE(LoadAudioLibrary("/nonexistent/libbass.so"));
    EXPECT_FALSE(AudioLibraryLoaded());
    EXPECT_EQ(Bass().GetVersion, nullptr);
}

TEST_F(AudioBindingTest, EveryRequiredNameMakesTheLibraryPresent)
{
    struct TCase {
        const char* Path;
        bool Present;
    };
    for (const TCase& c : {TCase{FAKE_AUDIO_FULL, true}, TCase{FAKE_AUDIO_WITHOUT_IS_STARTED, true},
                           TCase{FAKE_AUDIO_WITHOUT_GET_DATA, false}}) {
        SCOPED_TRACE(c.Path);
        EXPECT_EQ(LoadAudioLibrary(c.Path), c.Present);
        EXPECT_EQ(AudioLibraryLoaded(), c.Present) << "a rejected library is unloaded";
        EXPECT_EQ(Bass().ChannelIsActive != nullptr, c.Present);
        UnloadAudioLibrary();
    }
}

TEST_F(AudioBindingTest, LoadingTwiceKeepsTheFirstAndUnloadingFreesFirst)
{
    TDynamicLibrary counter;
    ASSERT_TRUE(counter.Open(FAKE_AUDIO_FULL));
    ASSERT_TRUE(LoadAudioLibrary(FAKE_AUDIO_FULL));
    // A second load, even of another file, gives true without loading it.
    EXPECT_TRUE(LoadAudioLibrary(FAKE_AUDIO_WITHOUT_GET_DATA));
    const int before = FreeCalls(counter);
    UnloadAudioLibrary();
    EXPECT_EQ(FreeCalls(counter), before + 1) << "BASS_Free before the unload";
    EXPECT_FALSE(AudioLibraryLoaded());
    UnloadAudioLibrary();
    EXPECT_EQ(FreeCalls(counter), before + 1) << "nothing loaded: nothing called";
}

TEST(AudioRecordCallback, KeepsTheRecordingGoing)
{
    const float samples[4] = {};
    EXPECT_EQ(RecordCallback(1, samples, sizeof samples, nullptr), 1);
}

} // namespace
