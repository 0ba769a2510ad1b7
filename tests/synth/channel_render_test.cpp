#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "channel_rig.h"

namespace {

constexpr int kDelayOn = 220, kDelayLeft = 221, kDelayFeedback = 223;
constexpr int kReverbOn = 224, kReverbRoom = 225, kReverbWet = 227, kReverbDry = 228;

void WithEffects(ChannelRig* rig) {
  rig->SineOnOscillator0();
  rig->Set(kDelayOn, 1);
  rig->Set(kDelayLeft, 30);
  rig->Set(kDelayFeedback, 0.4f);
  rig->Set(kReverbOn, 1);
  rig->Set(kReverbRoom, 0.6f);
  rig->Set(kReverbWet, 0.3f);
  rig->Set(kReverbDry, 0.5f);
}

TEST(ChannelRenderTest, PullsOfAnySizeGiveTheSameSound) {
  std::vector<float> renders[3];
  const int pieces[3] = {100, 256, 7680};
  for (int k = 0; k < 3; ++k) {
    ChannelRig rig;
    WithEffects(&rig);
    ChannelNoteOn(rig.channel, 57, 100);
    ChannelNoteOn(rig.channel, 64, 80);
    std::vector<float> a = rig.Pull(3000, pieces[k]);
    ChannelNoteOff(rig.channel, 57);
    std::vector<float> b = rig.Pull(4700, pieces[k]);
    renders[k] = a;
    renders[k].insert(renders[k].end(), b.begin(), b.end());
  }
  EXPECT_EQ(renders[0], renders[1]);
  EXPECT_EQ(renders[0], renders[2]);
  float peak = 0;
  for (float v : renders[0]) peak = std::max(peak, std::fabs(v));
  EXPECT_GT(peak, 0.05f);
}

TEST(ChannelRenderTest, AnIdleChannelStopsAfter997SilentChunks) {
  ChannelRig rig;
  EXPECT_EQ(rig.channel->silence, kSilenceCounting);
  for (int i = 0; i < 996; ++i) rig.Pull(256, 256);  // one chunk per aligned block
  EXPECT_EQ(rig.channel->silence, 999);
  rig.Pull(256, 256);
  EXPECT_EQ(rig.channel->silence, kSilenceStopped);
  // Stopped: nothing is added, the block position stays.
  rig.channel->blockPos = 17;
  std::vector<float> left(100, 0.5f), right(100, 0.5f);
  ChannelRender(rig.channel, left.data(), right.data());
  EXPECT_EQ(left, std::vector<float>(100, 0.5f));
  EXPECT_EQ(rig.channel->blockPos, 17);
  // A 100-frame pull across a block boundary counts two chunks and can step 999 to 1001: the
  // channel stops all the same.
  rig.channel->silence = 999;
  rig.channel->blockPos = 200;
  ChannelRender(rig.channel, left.data(), right.data());
  ChannelRender(rig.channel, left.data(), right.data());
  EXPECT_EQ(rig.channel->blockPos, 44);
  // A note-on restarts it where it stopped.
  rig.SineOnOscillator0();
  ChannelNoteOn(rig.channel, 57, 100);
  EXPECT_EQ(rig.channel->silence, kSilenceHeld);
  ChannelRender(rig.channel, left.data(), right.data());
  EXPECT_EQ(rig.channel->blockPos, 144);
}

TEST(ChannelRenderTest, ChunksAreCountedPerBlockAndOnlyPositiveSamplesAreLoud) {
  ChannelRig rig;
  // 100-frame pulls: the third one crosses the block boundary and counts two chunks.
  for (int i = 0; i < 3; ++i) rig.Pull(100, 100);
  EXPECT_EQ(rig.channel->silence, 3 + 4);
  // A block of large negative samples is silent.
  rig.Pull(56, 56);
  std::fill(rig.channel->blockLeft, rig.channel->blockLeft + 256, -5.0f);
  std::fill(rig.channel->blockRight, rig.channel->blockRight + 256, -5.0f);
  rig.channel->blockPos = 1;
  rig.channel->silence = kSilenceReleased;
  std::vector<float> out = rig.Pull(255, 255);
  EXPECT_EQ(out[0], -5.0f);
  EXPECT_EQ(rig.channel->silence, kSilenceCounting);
  // While a note is held nothing is tested; after a note-off (of another note here) loud
  // chunks leave the state at 0, the first silent one would move it to 3.
  rig.SineOnOscillator0();
  ChannelNoteOn(rig.channel, 57, 127);
  rig.Pull(2560, 256);
  EXPECT_EQ(rig.channel->silence, kSilenceHeld);
  ChannelNoteOff(rig.channel, 12);  // another note: this one keeps sounding
  rig.Pull(2560, 256);
  EXPECT_EQ(rig.channel->silence, kSilenceReleased);
}

}  // namespace
