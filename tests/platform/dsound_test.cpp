#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/dsound.h"
#include "platform/testing_dsound.h"

namespace {

WAVEFORMATEX PcmFormat() {
  WAVEFORMATEX f = {};
  f.wFormatTag = WAVE_FORMAT_PCM;
  f.nChannels = 2;
  f.nSamplesPerSec = 44100;
  f.nAvgBytesPerSec = 176400;
  f.nBlockAlign = 4;
  f.wBitsPerSample = 16;
  return f;
}

// Runs of (count, value) bytes.
std::vector<uint8_t> Bytes(std::initializer_list<std::pair<size_t, uint8_t>> runs) {
  std::vector<uint8_t> bytes;
  for (const auto& [count, value] : runs) bytes.insert(bytes.end(), count, value);
  return bytes;
}

class DsoundTest : public ::testing::Test {
 protected:
  void Open(DsoundTestBackend backend, DWORD bytes) {
    DsoundTestReset();
    DsoundTestSetBackend(backend);
    ASSERT_EQ(DirectSoundCreate8(nullptr, &sound_, nullptr), DS_OK);
    WAVEFORMATEX format = PcmFormat();
    DSBUFFERDESC desc = {};
    desc.dwSize = 36;
    desc.dwBufferBytes = bytes;
    desc.lpwfxFormat = &format;
    ASSERT_EQ(sound_->CreateSoundBuffer(&desc, &buffer_, nullptr), DS_OK);
  }
  void TearDown() override {
    if (buffer_) buffer_->Release();
    if (sound_) sound_->Release();
    EXPECT_EQ(DsoundTestLiveBuffers(), 0);
    EXPECT_EQ(DsoundTestLiveDevices(), 0);
    DsoundTestReset();
  }
  // Writes `count` bytes of value `fill` at `offset` through Lock/Unlock.
  void Write(DWORD offset, DWORD count, uint8_t fill) {
    LPVOID p1, p2;
    DWORD n1, n2;
    ASSERT_EQ(buffer_->Lock(offset, count, &p1, &n1, &p2, &n2, 0), DS_OK);
    std::memset(p1, fill, n1);
    if (p2) std::memset(p2, fill, n2);
    ASSERT_EQ(buffer_->Unlock(p1, n1, p2, n2), DS_OK);
  }
  DWORD PlayCursor() {
    DWORD play = 99, write = 99;
    EXPECT_EQ(buffer_->GetCurrentPosition(&play, &write), DS_OK);
    return play;
  }
  IDirectSound8* sound_ = nullptr;
  IDirectSoundBuffer* buffer_ = nullptr;
};

TEST_F(DsoundTest, LockSplitsARangeThatWrapsAndRejectsBadRanges) {
  Open(DsoundTestBackend::kStepped, 1000);
  LPVOID p1, p2;
  DWORD n1, n2;
  ASSERT_EQ(buffer_->Lock(800, 400, &p1, &n1, &p2, &n2, 0), DS_OK);
  EXPECT_EQ(n1, 200u);
  EXPECT_EQ(n2, 200u);
  EXPECT_EQ(static_cast<uint8_t*>(p1) - static_cast<uint8_t*>(p2), 800);
  ASSERT_EQ(buffer_->Unlock(p1, n1, p2, n2), DS_OK);
  ASSERT_EQ(buffer_->Lock(100, 400, &p1, &n1, &p2, &n2, 0), DS_OK);
  EXPECT_EQ(n1 + n2, 400u);
  EXPECT_EQ(p2, nullptr);
  ASSERT_EQ(buffer_->Lock(0, 0, &p1, &n1, &p2, &n2, DSBLOCK_ENTIREBUFFER), DS_OK);
  EXPECT_EQ(n1, 1000u);
  EXPECT_EQ(buffer_->Lock(1000, 4, &p1, &n1, &p2, &n2, 0), DSERR_INVALIDPARAM);
  EXPECT_EQ(buffer_->Lock(0, 1004, &p1, &n1, &p2, &n2, 0), DSERR_INVALIDPARAM);
  EXPECT_EQ(buffer_->Lock(900, 400, &p1, &n1, nullptr, nullptr, 0), DSERR_INVALIDPARAM);
  int stray[4];
  EXPECT_EQ(buffer_->Unlock(stray, 4, nullptr, 0), DSERR_INVALIDPARAM);
}

TEST_F(DsoundTest, SteppedDevicePlaysWrittenBytesThenSilenceAndWraps) {
  Open(DsoundTestBackend::kStepped, 400);
  Write(0, 200, 0x11);
  DsoundTestStep(10);  // stopped: nothing plays
  EXPECT_TRUE(DsoundTestTakeCaptured().empty());
  EXPECT_EQ(PlayCursor(), 0u);
  ASSERT_EQ(buffer_->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  DsoundTestStep(75);  // 300 bytes: 200 written, then 100 the writer never gave
  EXPECT_EQ(DsoundTestTakeCaptured(), Bytes({{200, 0x11}, {100, 0}}));
  EXPECT_EQ(PlayCursor(), 300u);
  // A write across the end of the ring plays in order once the cursor wraps.
  Write(300, 200, 0x22);
  DsoundTestStep(60);
  // The ring's old 0x11 bytes are stale: silence.
  EXPECT_EQ(DsoundTestTakeCaptured(), Bytes({{200, 0x22}, {40, 0}}));
  EXPECT_EQ(PlayCursor(), 140u);
  ASSERT_EQ(buffer_->Stop(), DS_OK);
  DsoundTestStep(10);
  EXPECT_TRUE(DsoundTestTakeCaptured().empty());
  ASSERT_EQ(buffer_->SetCurrentPosition(8), DS_OK);
  EXPECT_EQ(PlayCursor(), 8u);
  EXPECT_EQ(buffer_->SetCurrentPosition(400), DSERR_INVALIDPARAM);
}

TEST_F(DsoundTest, ClockDeviceFollowsTheMonotonicClockOnlyWhilePlaying) {
  Open(DsoundTestBackend::kClock, 176400);
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

TEST_F(DsoundTest, WithoutARealAudioDeviceTheClockPacedDeviceStandsIn) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  Open(DsoundTestBackend::kDefault, 176400);
  unsetenv("SDL_AUDIODRIVER");
  ASSERT_EQ(buffer_->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_GE(PlayCursor(), 30 * 176u);
}

}  // namespace
