#pragma once
// A channel on the aligned heap with helpers to set parameters by plain value and to pull
// frames; the patch defaults to a plain sine at the written pitch.

#include <vector>

#include "platform/crt.h"
#include "synth/channel.h"
#include "synth/patch.h"
#include "synth/voice.h"

struct ChannelRig {
  Channel* channel;

  ChannelRig() { channel = ChannelInit(crt::AlignedNew<Channel>()); }
  ~ChannelRig() {
    ChannelCleanup(channel);
    crt::AlignedDelete(channel);
  }
  Patch* patch() const { return channel->patches[0]; }
  void Set(int index, float plain) { ParamSet(PatchParam(patch(), index), plain); }
  // Oscillator 0 a sine at the written pitch, centred with the equal-power law, gain 0 dB.
  void SineOnOscillator0() {
    Set(0, 0.0f);   // master gain 0 dB: x 0.1
    Set(2, 16.0f);  // polyphony
    Set(18, 1.0f);  // waveform sine
    Set(26, 1.0f);  // level
    Set(32, 1.0f);  // octave (an oscillator sounds an octave below its frequency)
    Set(33, 0.0f);  // semitone
    Set(34, 0.0f);  // fine left
    Set(35, 0.0f);  // fine right
    Set(36, 0.5f);  // pan
    Set(37, 1.0f);  // equal-power law
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
