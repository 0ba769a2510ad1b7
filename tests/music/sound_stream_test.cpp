#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "music/audio_clock.h"
#include "music/sound_stream.h"
#include "platform/testing.h"

namespace {

TEST(SoundMixTest, ConversionScalesClampsAndRoundsToEven) {
  // x 4000; 0.000125 and 0.000375 are 0.5 and 1.5: ties to even.
  const struct {
    float mix;
    int16_t sample;
  } rows[] = {{1.0f, 4000},   {9.0f, 32767},    {-9.0f, -32768},  {0.0001f, 0}, {0.000125f, 0},
              {0.000375f, 2}, {-0.000375f, -2}, {-1e30f, -32768}, {NAN, 0},     {INFINITY, 32767}};
  for (const auto& r : rows) EXPECT_EQ(SoundSampleFromMix(r.mix), r.sample) << r.mix;
}

// 300,000,020 frames are 6,802,721.5 ms: truncated, not rounded; x 10 passes 2^31.
TEST(AudioClockTest, MillisecondsTruncateAndDoNotOverflow) {
  AudioClockReset();
  AudioClockAdvance(300000020);
  EXPECT_EQ(AudioClockGetMs(), 6802721);
}

class SoundStreamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DsoundTestReset();
    DsoundTestSetBackend(DsoundTestBackend::kStepped);
    TestCaptureMessageBoxes(true);
    SoundStreamInit(&stream_);
  }
  void TearDown() override {
    SoundStreamCleanup(&stream_);
    EXPECT_EQ(DsoundTestLiveBuffers() + DsoundTestLiveDevices(), 0);
    TestCaptureMessageBoxes(false);
    DsoundTestReset();
  }
  // Renders blocks until the stream is an eighth of a second ahead (at most 1000).
  int RenderAhead() {
    int blocks = 0;
    while (blocks < 1000 && SoundStreamRenderBlock(&stream_)) ++blocks;
    return blocks;
  }
  SoundStream stream_ = {};
};

TEST_F(SoundStreamTest, WriteAcrossTheEndLandsInTwoRegionsAndWrapsTheCursor) {
  ASSERT_TRUE(SoundStreamOpen(&stream_, nullptr));
  // The device buffer: one second of 44,100 Hz 16-bit stereo PCM.
  const DsoundTestBufferRequest r = DsoundTestLastRequest();
  const WAVEFORMATEX& f = r.format;
  EXPECT_EQ(std::make_tuple(f.wFormatTag, f.nChannels, f.nSamplesPerSec, f.wBitsPerSample,
                            r.desc.dwBufferBytes),
            std::make_tuple(1, 2, 44100u, 16, 176400u));
  int16_t block[200];
  for (int i = 0; i < 200; ++i) block[i] = static_cast<int16_t>(i + 1);
  stream_.writeCursor = stream_.size - 160;
  ASSERT_EQ(stream_.buffer->SetCurrentPosition(stream_.size - 160), DS_OK);
  ASSERT_TRUE(SoundStreamWrite(&stream_, block));
  EXPECT_EQ(stream_.writeCursor, 400u - 160u);
  ASSERT_EQ(stream_.buffer->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  DsoundTestStep(100);
  const auto* bytes = reinterpret_cast<const uint8_t*>(block);
  EXPECT_EQ(DsoundTestTakeCaptured(), std::vector<uint8_t>(bytes, bytes + 400));
}

TEST_F(SoundStreamTest, PacesAnEighthOfASecondAheadAndResynchronisesAfterAnUnderrun) {
  ASSERT_TRUE(SoundStreamOpen(&stream_, nullptr) && SoundStreamClear(&stream_) &&
              SoundStreamPlay(&stream_));
  EXPECT_EQ(RenderAhead(), 56);  // 56 x 400 bytes is the first total at or above 22,050
  EXPECT_EQ(AudioClockGetFrames(), 5600u);
  DsoundTestStep(100);
  EXPECT_EQ(RenderAhead(), 1);
  // With no sources everything written is silence.
  for (uint8_t byte : DsoundTestTakeCaptured()) ASSERT_EQ(byte, 0);
  // The device plays past everything written (and round the ring more than once).
  DsoundTestStep(44100 + 30000);
  EXPECT_FALSE(SoundStreamIsFull(&stream_));
  DWORD play = 0;
  ASSERT_EQ(stream_.buffer->GetCurrentPosition(&play, nullptr), DS_OK);
  EXPECT_EQ(stream_.writeCursor, play);
  EXPECT_EQ(RenderAhead(), 56);
}

TEST_F(SoundStreamTest, SetupFailuresShowTheirMessagesAndLeaveNothingBehind) {
  DsoundTestFailNext(DsoundCall::kCreate, DSERR_NODRIVER);
  EXPECT_FALSE(SoundStreamOpen(&stream_, nullptr));
  DsoundTestFailNext(DsoundCall::kSetCooperativeLevel, DSERR_INVALIDPARAM);
  EXPECT_FALSE(SoundStreamOpen(&stream_, nullptr));
  EXPECT_TRUE(stream_.device == nullptr && DsoundTestLiveDevices() == 0);
  DsoundTestFailNext(DsoundCall::kCreateSoundBuffer, DSERR_INVALIDPARAM);
  EXPECT_TRUE(SoundStreamOpen(&stream_, nullptr));  // runs on without a buffer
  EXPECT_EQ(stream_.buffer, nullptr);
  ASSERT_TRUE(SoundStreamCreateBuffer(&stream_));
  DsoundTestFailNext(DsoundCall::kPlay, DSERR_INVALIDPARAM);
  EXPECT_FALSE(SoundStreamPlay(&stream_));
  std::vector<std::string> boxes;
  for (const TestMessageBox& box : TestCapturedMessageBoxes())
    boxes.push_back(box.text + " | " + box.caption);
  const std::vector<std::string> want = {"Could Not Create Direct Sound Object | Error!",
                                         "Set Cooperative Level didn't Work! | BAD!!",
                                         "Could Not Create Direct Sound Buffer | Error!",
                                         "Could Not Play Direct Sound Buffer | Error!"};
  EXPECT_EQ(boxes, want);
}

TEST_F(SoundStreamTest, LostBufferIsRestoredOnceThenReleasedAndTheClockRunsOn) {
  ASSERT_TRUE(SoundStreamOpen(&stream_, nullptr) && SoundStreamPlay(&stream_));
  DsoundTestFailNext(DsoundCall::kLock, DSERR_BUFFERLOST);
  EXPECT_TRUE(SoundStreamWrite(&stream_, stream_.output));
  EXPECT_EQ(DsoundTestRestoreCount(), 1);
  DsoundTestFailNext(DsoundCall::kLock, DSERR_BUFFERLOST, 2);
  EXPECT_FALSE(SoundStreamWrite(&stream_, stream_.output));
  EXPECT_TRUE(stream_.buffer == nullptr && DsoundTestLiveBuffers() == 0);
  // Without a buffer blocks still count and the clock paces the stream (at most an eighth of a
  // second ahead of real time); Stop and Clear are harmless and nothing is shown.
  const int blocks = RenderAhead();
  EXPECT_TRUE(blocks >= 50 && blocks < 1000) << blocks;
  SoundStreamStop(&stream_);
  EXPECT_FALSE(SoundStreamClear(&stream_));
  EXPECT_TRUE(TestCapturedMessageBoxes().empty());
}

}  // namespace
