#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <tuple>

#include "music/audio_clock.h"
#include "music/sound_stream.h"
#include "platform/crt.h"
#include "platform/testing.h"
#include "synth/channel.h"
#include "synth/patch.h"

namespace {

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
    EXPECT_EQ(DsoundTestLiveBuffers(), 0);
    EXPECT_EQ(DsoundTestLiveDevices(), 0);
    TestCaptureMessageBoxes(false);
    DsoundTestReset();
  }
  std::vector<std::string> Boxes() {
    std::vector<std::string> out;
    for (const TestMessageBox& box : TestCapturedMessageBoxes())
      out.push_back(box.text + " | " + box.caption);
    return out;
  }
  SoundStream stream_ = {};
};

TEST(SoundMixTest, ConversionScalesClampsAndRoundsToEven) {
  // x 4000; 0.000125 and 0.000375 are 0.5 and 1.5: ties to even.
  const struct {
    float mix;
    int16_t sample;
  } rows[] = {{1.0f, 4000},
              {9.0f, 32767},
              {-9.0f, -32768},
              {0.0001f, 0},
              {0.000125f, 0},
              {0.000375f, 2},
              {-0.000375f, -2},
              {-1e30f, -32768},
              {std::numeric_limits<float>::quiet_NaN(), 0},
              {std::numeric_limits<float>::infinity(), 32767}};
  for (const auto& r : rows) EXPECT_EQ(SoundSampleFromMix(r.mix), r.sample) << r.mix;
}

TEST(AudioClockTest, MillisecondsTruncateAndDoNotOverflow) {
  // 300,000,000 frames x 10 passes 2^31.
  const uint32_t rows[][2] = {{100, 2}, {44100, 1000}, {300000000, 6802721}};
  for (const auto& r : rows) {
    AudioClockReset();
    AudioClockAdvance(r[0]);
    EXPECT_EQ(AudioClockGetMs(), int32_t(r[1])) << r[0];
    EXPECT_EQ(AudioClockGetFrames(), r[0]);
  }
  AudioClockReset();
}

TEST_F(SoundStreamTest, OpensTheLoopingBufferTheSystemExpects) {
  ASSERT_TRUE(SoundStreamOpen(&stream_, nullptr));
  const DsoundTestBufferRequest r = DsoundTestLastRequest();
  // One second of 44,100 Hz 16-bit stereo PCM, looping.
  EXPECT_EQ(
      std::make_tuple(r.cooperativeLevel, r.desc.dwSize, r.desc.dwFlags, r.desc.dwBufferBytes),
      std::make_tuple(DWORD{DSSCL_NORMAL}, 36u, 0x18100u, 176400u));
  const WAVEFORMATEX& f = r.format;
  EXPECT_EQ(std::make_tuple(f.wFormatTag, f.nChannels, f.nSamplesPerSec, f.nAvgBytesPerSec,
                            f.nBlockAlign, f.wBitsPerSample, f.cbSize),
            std::make_tuple(1, 2, 44100u, 176400u, 4, 16, 0));
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(SoundStreamTest, WriteAcrossTheEndLandsInTwoRegionsAndWrapsTheCursor) {
  ASSERT_TRUE(SoundStreamOpen(&stream_, nullptr));
  int16_t block[200];
  for (int i = 0; i < 200; ++i) block[i] = static_cast<int16_t>(i + 1);
  stream_.writeCursor = stream_.size - 160;
  ASSERT_EQ(stream_.buffer->SetCurrentPosition(stream_.size - 160), DS_OK);
  ASSERT_TRUE(SoundStreamWrite(&stream_, block));
  EXPECT_EQ(stream_.writeCursor, 400u - 160u);
  ASSERT_EQ(stream_.buffer->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  DsoundTestStep(100);
  const std::vector<uint8_t> played = DsoundTestTakeCaptured();
  ASSERT_EQ(played.size(), 400u);
  EXPECT_EQ(std::memcmp(played.data(), block, 400), 0);
}

TEST_F(SoundStreamTest, PacesAnEighthOfASecondAheadAndResynchronisesAfterAnUnderrun) {
  ASSERT_TRUE(SoundStreamOpen(&stream_, nullptr));
  ASSERT_TRUE(SoundStreamClear(&stream_));
  ASSERT_TRUE(SoundStreamPlay(&stream_));
  int blocks = 0;
  while (SoundStreamRenderBlock(&stream_)) ++blocks;
  EXPECT_EQ(blocks, 56);  // 56 x 400 bytes is the first total at or above 22,050
  EXPECT_EQ(AudioClockGetFrames(), 5600u);
  DsoundTestStep(100);
  EXPECT_TRUE(SoundStreamRenderBlock(&stream_));
  EXPECT_FALSE(SoundStreamRenderBlock(&stream_));
  // With no sources everything written is silence.
  for (uint8_t byte : DsoundTestTakeCaptured()) ASSERT_EQ(byte, 0);
  // The device plays past everything written (and round the ring more than once).
  DsoundTestStep(44100 + 30000);
  EXPECT_FALSE(SoundStreamIsFull(&stream_));
  DWORD play = 0;
  ASSERT_EQ(stream_.buffer->GetCurrentPosition(&play, nullptr), DS_OK);
  EXPECT_EQ(stream_.writeCursor, play);
  int more = 0;
  while (SoundStreamRenderBlock(&stream_)) ++more;
  EXPECT_EQ(more, 56);
}

TEST_F(SoundStreamTest, SetupFailuresShowTheirMessagesAndLeaveNothingBehind) {
  DsoundTestFailNext(DsoundCall::kCreate, DSERR_NODRIVER);
  EXPECT_FALSE(SoundStreamOpen(&stream_, nullptr));
  DsoundTestFailNext(DsoundCall::kSetCooperativeLevel, DSERR_INVALIDPARAM);
  EXPECT_FALSE(SoundStreamOpen(&stream_, nullptr));
  EXPECT_EQ(stream_.device, nullptr);
  EXPECT_EQ(DsoundTestLiveDevices(), 0);
  DsoundTestFailNext(DsoundCall::kCreateSoundBuffer, DSERR_INVALIDPARAM);
  EXPECT_TRUE(SoundStreamOpen(&stream_, nullptr));
  EXPECT_EQ(stream_.buffer, nullptr);
  ASSERT_TRUE(SoundStreamCreateBuffer(&stream_));
  DsoundTestFailNext(DsoundCall::kPlay, DSERR_INVALIDPARAM);
  EXPECT_FALSE(SoundStreamPlay(&stream_));
  const std::vector<std::string> want = {"Could Not Create Direct Sound Object | Error!",
                                         "Set Cooperative Level didn't Work! | BAD!!",
                                         "Could Not Create Direct Sound Buffer | Error!",
                                         "Could Not Play Direct Sound Buffer | Error!"};
  EXPECT_EQ(Boxes(), want);
}

TEST_F(SoundStreamTest, LostBufferIsRestoredAndAFailedLockReleasesItSilently) {
  ASSERT_TRUE(SoundStreamOpen(&stream_, nullptr));
  ASSERT_TRUE(SoundStreamPlay(&stream_));
  DsoundTestFailNext(DsoundCall::kLock, DSERR_BUFFERLOST);
  EXPECT_TRUE(SoundStreamWrite(&stream_, stream_.output));
  EXPECT_EQ(DsoundTestRestoreCount(), 1);
  DsoundTestFailNext(DsoundCall::kLock, DSERR_BUFFERLOST, 2);
  EXPECT_FALSE(SoundStreamWrite(&stream_, stream_.output));
  EXPECT_EQ(stream_.buffer, nullptr);
  EXPECT_EQ(DsoundTestLiveBuffers(), 0);
  // Without a buffer nothing is touched: blocks still count, Stop and Clear are harmless, and
  // the clock paces the stream (at most an eighth of a second ahead of real time).
  int blocks = 0;
  while (SoundStreamRenderBlock(&stream_) && blocks < 1000) ++blocks;
  EXPECT_GE(blocks, 50);
  EXPECT_LT(blocks, 1000);
  SoundStreamStop(&stream_);
  SoundStreamStop(&stream_);
  EXPECT_FALSE(SoundStreamClear(&stream_));
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(SoundStreamTest, SourcesFillTheFirstFreeSlots) {
  Channel* a = reinterpret_cast<Channel*>(0x10);
  Channel* b = reinterpret_cast<Channel*>(0x20);
  SoundStreamAddSource(&stream_, a);
  SoundStreamAddSource(&stream_, b);
  SoundStreamRemoveSource(&stream_, a);
  SoundStreamAddSource(&stream_, b);
  EXPECT_EQ(stream_.sources[0], b);
  EXPECT_EQ(stream_.sources[1], b);
  SoundStreamRemoveSource(&stream_, b);
  EXPECT_EQ(stream_.sources[0], nullptr);
  EXPECT_EQ(stream_.sources[1], b);
  for (int i = 0; i < kSoundSources + 3; ++i) SoundStreamAddSource(&stream_, a);
  EXPECT_EQ(stream_.sources[kSoundSources - 1], a);
  for (Channel*& slot : stream_.sources) slot = nullptr;
}

}  // namespace

namespace {

// A centred sine patch at 0 dB through the stream: 4000 x 0.1 (gain) x sqrt(0.5) (equal-power
// pan) x 127/128 (velocity) at 440 Hz.
TEST_F(SoundStreamTest, SineChannelPlaysAtTheComputedLevelAndPitch) {
  DsoundTestSetBackend(DsoundTestBackend::kDrain);
  ASSERT_TRUE(SoundStreamOpen(&stream_, nullptr));
  Channel* channel = ChannelInit(crt::AlignedNew<Channel>());
  const int settings[][2] = {{2, 16}, {18, 1}, {26, 1}, {32, 1},
                             {33, 0}, {34, 0}, {35, 0}, {37, 1}};
  Patch* patch = channel->patches[0];
  for (const auto& s : settings) ParamSet(PatchParam(patch, s[0]), static_cast<float>(s[1]));
  ParamSet(PatchParam(patch, 0), 0.0f);   // 0 dB
  ParamSet(PatchParam(patch, 36), 0.5f);  // pan
  SoundStreamAddSource(&stream_, channel);
  ASSERT_TRUE(SoundStreamPlay(&stream_));
  ChannelNoteOn(channel, 57, 127);
  for (int i = 0; i < 500; ++i) SoundStreamRenderBlock(&stream_);
  SoundStreamStop(&stream_);
  const std::vector<uint8_t> bytes = DsoundTestTakeCaptured();
  ASSERT_EQ(bytes.size(), 500u * 400u);
  const auto* pcm = reinterpret_cast<const int16_t*>(bytes.data());
  double sum = 0;
  int crossings = 0;
  const int from = 4410, to = 4410 + 44100;  // one second after the fade-in
  for (int i = from; i < to; ++i) {
    sum += double(pcm[2 * i]) * pcm[2 * i];
    crossings += (pcm[2 * (i - 1)] < 0) != (pcm[2 * i] < 0);
    ASSERT_EQ(pcm[2 * i], pcm[2 * i + 1]);
  }
  const double amplitude = 4000.0 * 0.1 * std::sqrt(0.5) * 127.0 / 128.0;
  EXPECT_NEAR(std::sqrt(sum / (to - from)), amplitude / std::sqrt(2.0), 0.01 * amplitude);
  EXPECT_NEAR(crossings / 2.0, 440.0, 4.0);
  SoundStreamRemoveSource(&stream_, channel);
  ChannelCleanup(channel);
  crt::AlignedDelete(channel);
}

}  // namespace
