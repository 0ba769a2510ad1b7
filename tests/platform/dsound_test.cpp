// The sound buffer stand-in: what the stepped device plays, locking the ring, and the clock-paced
// device that stands in without an audio device.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/dsound.h"
#include "platform/testing_dsound.h"

namespace {

// Runs of (count, value) bytes.
std::vector<uint8_t> Bytes(std::initializer_list<std::pair<size_t, uint8_t>> runs) {
  std::vector<uint8_t> bytes;
  for (const auto& [count, value] : runs) bytes.insert(bytes.end(), count, value);
  return bytes;
}

class DsoundTest : public ::testing::Test {
 protected:
  // A looping 16-bit stereo 44100 Hz buffer of `bytes` on `backend`.
  void Open(DsoundTestBackend backend, DWORD bytes) {
    DsoundTestReset();
    DsoundTestSetBackend(backend);
    ASSERT_EQ(DirectSoundCreate8(nullptr, &sound_, nullptr), DS_OK);
    WAVEFORMATEX format = {WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0};
    DSBUFFERDESC desc = {36, 0, bytes, 0, &format, {}};
    ASSERT_EQ(sound_->CreateSoundBuffer(&desc, &buffer_, nullptr), DS_OK);
  }
  void TearDown() override {
    if (buffer_) buffer_->Release();
    if (sound_) sound_->Release();
    EXPECT_EQ(DsoundTestLiveBuffers(), 0);
    EXPECT_EQ(DsoundTestLiveDevices(), 0);
    DsoundTestReset();
  }
  // Locks `count` bytes at `offset`: the two parts' sizes and the second part's distance from
  // the first (0 when there is none); fills them with `fill` and unlocks.
  std::array<ptrdiff_t, 3> Write(DWORD offset, DWORD count, uint8_t fill, DWORD flags = 0) {
    LPVOID p1, p2;
    DWORD n1, n2;
    EXPECT_EQ(buffer_->Lock(offset, count, &p1, &n1, &p2, &n2, flags), DS_OK);
    std::memset(p1, fill, n1);
    if (p2) std::memset(p2, fill, n2);
    EXPECT_EQ(buffer_->Unlock(p1, n1, p2, n2), DS_OK);
    return {n1, n2, p2 ? static_cast<uint8_t*>(p1) - static_cast<uint8_t*>(p2) : 0};
  }
  DWORD PlayCursor() {
    DWORD play = 99, write = 99;
    EXPECT_EQ(buffer_->GetCurrentPosition(&play, &write), DS_OK);
    return play;
  }
  IDirectSound8* sound_ = nullptr;
  IDirectSoundBuffer* buffer_ = nullptr;
};

// The music's stream writes just behind the play cursor: what it wrote plays in order, what it
// never wrote plays as silence, and a write across the end comes in two parts.
TEST_F(DsoundTest, SteppedDevicePlaysWrittenBytesThenSilenceAndLocksSplitAtTheEnd) {
  Open(DsoundTestBackend::kStepped, 400);
  Write(0, 200, 0x11);
  DsoundTestStep(10);  // stopped: nothing plays
  EXPECT_TRUE(DsoundTestTakeCaptured().empty());
  EXPECT_EQ(PlayCursor(), 0u);
  ASSERT_EQ(buffer_->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  DsoundTestStep(75);  // 300 bytes: 200 written, then 100 the writer never gave
  EXPECT_EQ(DsoundTestTakeCaptured(), Bytes({{200, 0x11}, {100, 0}}));
  EXPECT_EQ(PlayCursor(), 300u);
  EXPECT_EQ(Write(300, 200, 0x22), (std::array<ptrdiff_t, 3>{100, 100, 300}));
  DsoundTestStep(60);
  EXPECT_EQ(DsoundTestTakeCaptured(), Bytes({{200, 0x22}, {40, 0}}));
  EXPECT_EQ(PlayCursor(), 140u);
  ASSERT_EQ(buffer_->Stop(), DS_OK);
  DsoundTestStep(10);
  EXPECT_TRUE(DsoundTestTakeCaptured().empty());
  ASSERT_EQ(buffer_->SetCurrentPosition(8), DS_OK);
  EXPECT_EQ(PlayCursor(), 8u);
  EXPECT_EQ(buffer_->SetCurrentPosition(400), DSERR_INVALIDPARAM);
  EXPECT_EQ(Write(0, 0, 0, DSBLOCK_ENTIREBUFFER), (std::array<ptrdiff_t, 3>{400, 0, 0}));
  LPVOID p1, p2;
  DWORD n1, n2;
  EXPECT_EQ(buffer_->Lock(400, 4, &p1, &n1, &p2, &n2, 0), DSERR_INVALIDPARAM);
  EXPECT_EQ(buffer_->Lock(0, 404, &p1, &n1, &p2, &n2, 0), DSERR_INVALIDPARAM);
  EXPECT_EQ(buffer_->Lock(300, 200, &p1, &n1, nullptr, nullptr, 0), DSERR_INVALIDPARAM);
  int stray[4];
  EXPECT_EQ(buffer_->Unlock(stray, 4, nullptr, 0), DSERR_INVALIDPARAM);
}

// The clock-paced device (also what stands in when SDL has only its dummy driver) follows
// the monotonic clock only while playing.
TEST_F(DsoundTest, ClockDeviceFollowsTheMonotonicClockOnlyWhilePlaying) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  Open(DsoundTestBackend::kDefault, 176400);
  unsetenv("SDL_AUDIODRIVER");
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(PlayCursor(), 0u);
  ASSERT_EQ(buffer_->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  const auto start = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  const DWORD cursor = PlayCursor();
  const double elapsed =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(cursor % 4, 0u);
  EXPECT_GE(cursor, 30 * 176u);                 // at least the 30 ms slept
  EXPECT_LE(cursor, elapsed * 176400.0 + 4.0);  // never ahead of the clock
  ASSERT_EQ(buffer_->Stop(), DS_OK);
  const DWORD stopped = PlayCursor();
  std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(PlayCursor(), stopped);
}

// A sound output that cannot open says so in its one line; the sound library's own complaints
// stay off the terminal (card 99 does not exist).
TEST(DsoundNoDevice, OnlyTheStandInsLineShows) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        setenv("SDL_AUDIODRIVER", "alsa", 1);
        setenv("AUDIODEV", "hw:99", 1);
        IDirectSound8* sound = nullptr;
        std::exit(DirectSoundCreate8(nullptr, &sound, nullptr));
      },
      ::testing::ExitedWithCode(DS_OK),
      "^dsound: no audio[^\n]*; using a silent clock-paced device\n$");
}

}  // namespace
