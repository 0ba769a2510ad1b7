#include <gtest/gtest.h>

#include "channel_rig.h"
#include "synth/tables.h"
#include "synth/voice_gen.h"

namespace {

constexpr int kPolyphony = 2, kGlide = 3, kNoteGate = 94;

TEST(ChannelVoicesTest, PolyphonyOfTwoPointNineFiveStealsTheOldestVoice) {
  ChannelRig rig;
  rig.SineOnOscillator0();
  PatchParam(rig.patch(), kPolyphony)->norm = 0.13f;  // reads 2.95
  ChannelNoteOn(rig.channel, 40, 100);
  rig.Pull(256, 256);
  ChannelNoteOn(rig.channel, 41, 100);
  rig.Pull(256, 256);
  ChannelNoteOn(rig.channel, 42, 100);
  rig.Pull(256, 256);
  EXPECT_EQ(ChannelCountVoices(rig.channel), 3);
  // Voice 0 ends: a free voice takes the next note even though older voices sound.
  ChannelNoteOff(rig.channel, 40);
  for (int i = 0; i < 8 && rig.voice(0)->active; ++i) rig.Pull(256, 256);
  ASSERT_FALSE(rig.voice(0)->active);
  ChannelNoteOn(rig.channel, 43, 100);
  EXPECT_EQ(rig.voice(0)->note, 43);
  EXPECT_EQ(rig.voice(0)->gen->age, 0.0f);
  // A fourth sounding note steals the voice with the greatest age: voice 1, not voice 0.
  ChannelNoteOn(rig.channel, 44, 90);
  EXPECT_EQ(rig.voice(1)->note, 44);
  EXPECT_EQ(rig.voice(1)->velocity, 90 * 0.0078125f);
  EXPECT_EQ(rig.voice(1)->gen->age, 0.0f);  // retriggered
  EXPECT_EQ(rig.voice(0)->note, 43);
  EXPECT_EQ(rig.voice(2)->note, 42);
  EXPECT_FALSE(rig.voice(3)->active);
  EXPECT_EQ(ChannelCountVoices(rig.channel), 3);
}

TEST(ChannelVoicesTest, VoicesStartedInOneBlockStealTheLowestIndex) {
  ChannelRig rig;
  rig.SineOnOscillator0();
  PatchParam(rig.patch(), kPolyphony)->norm = 0.13f;
  for (uint8_t note : {50, 51, 52, 53}) ChannelNoteOn(rig.channel, note, 100);
  EXPECT_EQ(rig.voice(0)->note, 53);
  EXPECT_EQ(rig.voice(1)->note, 51);
  EXPECT_EQ(ChannelFindVoiceToSteal(rig.channel), 0);
  // A channel with nothing sounding has nothing to steal.
  ChannelRig idle;
  EXPECT_EQ(ChannelFindVoiceToSteal(idle.channel), -1);
}

TEST(ChannelVoicesTest, GlideMovesFromThePreviousNoteMonotonicallyInTheStatedBlocks) {
  ChannelRig rig;
  rig.SineOnOscillator0();
  rig.Set(kGlide, 0.5f);
  ChannelNoteOn(rig.channel, 57, 100);  // first note on the patch: no glide
  rig.Pull(256, 256);
  EXPECT_EQ(rig.voice(0)->frequency, NoteToFrequency(57));
  ChannelNoteOn(rig.channel, 60, 100);
  Voice* v = rig.voice(1);
  const float from = NoteToFrequency(57), to = NoteToFrequency(60);
  EXPECT_EQ(v->frequency, from);
  EXPECT_FLOAT_EQ(v->glideStep, (to - from) / (44100.0f * 0.00390625f * 0.5f));
  // (to - from) / step = 86.13 blocks: the 87th block arrives.
  float previous = from;
  for (int block = 1; block <= 87; ++block) {
    rig.Pull(256, 256);
    ASSERT_GT(v->frequency, previous) << block;
    ASSERT_LE(v->frequency, to) << block;
    if (block < 87) {
      ASSERT_LT(v->frequency, to) << block;
    }
    previous = v->frequency;
  }
  EXPECT_EQ(v->frequency, to);
  rig.Pull(256, 256);
  EXPECT_EQ(v->frequency, to);
  // Gliding down, glide time 0 jumps at once.
  rig.Set(kGlide, 0.0f);
  ChannelNoteOn(rig.channel, 45, 100);
  rig.Pull(256, 256);
  EXPECT_EQ(rig.voice(2)->frequency, NoteToFrequency(45));
}

TEST(ChannelVoicesTest, NoteOffReleasesOnlyItsNoteAndTheGateBlocksNoteOns) {
  ChannelRig rig;
  rig.SineOnOscillator0();
  ChannelNoteOn(rig.channel, 60, 100);
  ChannelNoteOn(rig.channel, 60, 100);
  ChannelNoteOn(rig.channel, 62, 100);
  ChannelNoteOff(rig.channel, 61);  // nobody plays it: only the silence state changes
  EXPECT_EQ(rig.channel->silence, kSilenceReleased);
  EXPECT_TRUE(rig.voice(0)->gate && rig.voice(1)->gate && rig.voice(2)->gate);
  ChannelNoteOff(rig.channel, 60);
  EXPECT_FALSE(rig.voice(0)->gate);
  EXPECT_FALSE(rig.voice(1)->gate);
  EXPECT_TRUE(rig.voice(2)->gate);
  // Notes outside the table are ignored altogether.
  ChannelNoteOn(rig.channel, 120, 100);
  EXPECT_EQ(rig.channel->silence, kSilenceReleased);
  EXPECT_EQ(ChannelCountVoices(rig.channel), 3);
  ChannelNoteOff(rig.channel, 200);
  EXPECT_TRUE(rig.voice(2)->gate);
  // The note gate: a note-on holds the channel but starts no voice.
  rig.Set(kNoteGate, 1.0f);
  ChannelNoteOn(rig.channel, 64, 100);
  EXPECT_EQ(rig.channel->silence, kSilenceHeld);
  EXPECT_EQ(ChannelCountVoices(rig.channel), 3);
}

}  // namespace
