#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/crt.h"
#include "synth/channel.h"
#include "synth/patch.h"
#include "synth/tables.h"
#include "synth/voice.h"
#include "synth/voice_gen.h"

namespace {

// A channel on the aligned heap with helpers to set parameters by plain value and to pull
// frames.
struct ChannelRig {
  Channel* channel = ChannelInit(crt::AlignedNew<Channel>());

  ~ChannelRig() {
    ChannelCleanup(channel);
    crt::AlignedDelete(channel);
  }
  Patch* patch() const { return channel->patches[0]; }
  void Set(int index, float plain) { ParamSet(PatchParam(patch(), index), plain); }
  // Oscillator 0 a sine at the written pitch (octave 1: an oscillator sounds an octave below
  // its frequency), level 1, centred with the equal-power law; master gain 0 dB (x 0.1),
  // polyphony 16.
  void SineOnOscillator0() {
    const std::pair<int, float> sine[] = {{0, 0.0f},  {2, 16.0f}, {18, 1.0f}, {26, 1.0f},
                                          {32, 1.0f}, {33, 0.0f}, {34, 0.0f}, {35, 0.0f},
                                          {36, 0.5f}, {37, 1.0f}};
    for (auto [index, value] : sine) Set(index, value);
  }
  // Pulls `frames` frames in pieces of `piece` frames; returns the left channel (right appended).
  std::vector<float> Pull(int frames, int piece) {
    std::vector<float> left(frames, 0.0f), right(frames, 0.0f);
    for (int at = 0; at < frames; at += piece) {
      const int n = frames - at < piece ? frames - at : piece;
      ChannelRenderFrames(channel, {left.data() + at, right.data() + at}, n);
    }
    left.insert(left.end(), right.begin(), right.end());
    return left;
  }
  Voice* voice(int i) const { return channel->voices[i]; }
};

TEST(ChannelRenderTest, PullsOfAnySizeGiveTheSameSound) {
  std::vector<std::vector<float>> renders;
  for (int piece : {100, 256, 7680}) {
    ChannelRig rig;
    rig.SineOnOscillator0();
    const std::pair<int, float> effects[] = {{220, 1.0f}, {221, 30.0f}, {223, 0.4f}, {224, 1.0f},
                                             {225, 0.6f}, {227, 0.3f},  {228, 0.5f}};
    for (auto [index, value] : effects) rig.Set(index, value);  // delay and reverb on
    ChannelNoteOn(rig.channel, 57, 100);
    ChannelNoteOn(rig.channel, 64, 80);
    renders.push_back(rig.Pull(3000, piece));
    ChannelNoteOff(rig.channel, 57);
    const std::vector<float> b = rig.Pull(4700, piece);
    renders.back().insert(renders.back().end(), b.begin(), b.end());
  }
  EXPECT_EQ(renders[0], renders[1]);
  EXPECT_EQ(renders[0], renders[2]);
  EXPECT_GT(*std::max_element(renders[0].begin(), renders[0].end()), 0.05f);
}

// A channel stops after 997 silent chunks; only positive samples are loud.
TEST(ChannelRenderTest, AnIdleChannelStopsAfter997SilentChunks) {
  ChannelRig rig;
  for (int i = 0; i < 996; ++i) rig.Pull(256, 256);
  EXPECT_EQ(rig.channel->silence, 999);
  rig.Pull(256, 256);
  EXPECT_EQ(rig.channel->silence, kSilenceStopped);
  // Stopped: nothing is added, the block position stays.
  rig.channel->blockPos = 17;
  EXPECT_EQ(rig.Pull(100, 100), std::vector<float>(200, 0.0f));
  EXPECT_EQ(rig.channel->blockPos, 17);
  // A 100-frame pull across a block boundary can step 999 to 1001: the channel stops all the
  // same.
  rig.channel->silence = 999;
  rig.channel->blockPos = 200;
  rig.Pull(100, 100);
  rig.Pull(100, 100);
  EXPECT_EQ(rig.channel->blockPos, 44);
  // A block of large negative samples is silent.
  std::fill(rig.channel->blockLeft, rig.channel->blockLeft + 256, -5.0f);
  std::fill(rig.channel->blockRight, rig.channel->blockRight + 256, -5.0f);
  rig.channel->blockPos = 1;
  rig.channel->silence = kSilenceReleased;
  EXPECT_EQ(rig.Pull(255, 255)[0], -5.0f);
  EXPECT_EQ(rig.channel->silence, kSilenceCounting);
}

TEST(ChannelVoicesTest, PolyphonyOfTwoPointNineFiveStealsTheOldestVoice) {
  ChannelRig one, rig;
  EXPECT_EQ(ChannelFindVoiceToSteal(one.channel), -1);  // nothing sounds
  for (ChannelRig* r : {&one, &rig}) {
    r->SineOnOscillator0();
    PatchParam(r->patch(), kParamPolyphony)->norm = 0.13f;  // reads 2.95
  }
  // Voices started in one block: the lowest index is stolen.
  for (uint8_t note : {50, 51, 52, 53}) ChannelNoteOn(one.channel, note, 100);
  EXPECT_EQ(one.voice(0)->note, 53);
  EXPECT_EQ(one.voice(1)->note, 51);
  for (uint8_t note : {40, 41, 42}) ChannelNoteOn(rig.channel, note, 100), rig.Pull(256, 256);
  // Voice 0 ends: a free voice takes the next note even though older voices sound.
  ChannelNoteOff(rig.channel, 40);
  for (int i = 0; i < 8 && rig.voice(0)->active; ++i) rig.Pull(256, 256);
  ChannelNoteOn(rig.channel, 43, 100);
  EXPECT_EQ(rig.voice(0)->note, 43);
  // A fourth sounding note steals the voice with the greatest age: voice 1, retriggered.
  ChannelNoteOn(rig.channel, 44, 90);
  EXPECT_EQ(rig.voice(1)->note, 44);
  EXPECT_EQ(rig.voice(1)->velocity, 90 / 128.0f);
  EXPECT_EQ(rig.voice(1)->gen->age, 0.0f);
  EXPECT_EQ(rig.voice(2)->note, 42);
  EXPECT_EQ(ChannelCountVoices(rig.channel), 3);
}

// The glide from the patch's previous note (its step, its end, none for a patch's first note)
// is held by the song's reference checksums.

TEST(ChannelVoicesTest, NoteOffReleasesOnlyItsNoteAndTheGateBlocksNoteOns) {
  ChannelRig rig;
  rig.SineOnOscillator0();
  for (uint8_t note : {60, 60, 62}) ChannelNoteOn(rig.channel, note, 100);
  ChannelNoteOff(rig.channel, 61);  // nobody plays it: only the silence state changes
  EXPECT_EQ(rig.channel->silence, kSilenceReleased);
  ChannelNoteOff(rig.channel, 60);
  ChannelNoteOff(rig.channel, 200);  // outside the table: ignored
  EXPECT_FALSE(rig.voice(0)->gate || rig.voice(1)->gate);
  EXPECT_TRUE(rig.voice(2)->gate);
  ChannelNoteOn(rig.channel, 120, 100);  // outside the table: ignored altogether
  EXPECT_EQ(rig.channel->silence, kSilenceReleased);
  EXPECT_EQ(ChannelCountVoices(rig.channel), 3);
  rig.Set(kParamNoteGate, 1.0f);  // the note gate: a note-on holds the channel, starts no voice
  ChannelNoteOn(rig.channel, 64, 100);
  EXPECT_EQ(rig.channel->silence, kSilenceHeld);
  EXPECT_EQ(ChannelCountVoices(rig.channel), 3);
}

}  // namespace
