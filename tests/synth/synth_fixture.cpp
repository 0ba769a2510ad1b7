#include "synth_fixture.h"

#include "audio_measure.h"
#include "synth/block.h"
#include "synth/effect_chain.h"
#include "synth/oscillator.h"
#include "synth/tables.h"
#include "synth/voice_gen.h"
#include "synth/wavetable.h"

namespace synthtest {

void EnsureSharedTables() {
  static bool built = false;
  if (built) return;
  built = true;
  NoteFrequencyTableBuild();
  SqrtTableBuild();
  WavetableBankBuild();
  // A patch that lives as long as the process holds a reference to the white-noise table, so
  // the table built by this first patch (right after the random phases) is never rebuilt.
  static Patch keeper{};
  PatchInit(&keeper);
}

void RunEffects(std::initializer_list<std::pair<int, float>> params, std::vector<float>* left,
                std::vector<float>* right) {
  Patch patch{};
  PatchInit(&patch);
  EffectSettingsCreate(&patch);
  EffectChain* chain = EffectChainCreate();
  for (const auto& [index, value] : params) ParamSet(PatchParam(&patch, index), value);
  for (size_t at = 0; at + kBlockFrames <= left->size(); at += kBlockFrames)
    EffectChainRun(&patch, chain, {left->data() + at, right->data() + at}, kSampleRate);
  EffectChainDestroy(chain);
  EffectSettingsDestroy(&patch);
  PatchCleanup(&patch);
}

int OscParam(int n, int offset) {
  return kParamOscillatorBase + kOscillatorParamStride * n + offset;
}

void VoiceTest::SetUp() {
  PatchTest::SetUp();
  VoiceInit(&voice_);
}

void VoiceTest::TearDown() {
  VoiceCleanup(&voice_);
  PatchTest::TearDown();
}

void VoiceTest::UseSine() {
  Set(OscParam(0, kOscWaveform), 1.0f);
  Set(OscParam(0, kOscGain), 1.0f);
  Set(OscParam(0, kOscLevel), 1.0f);
  Set(OscParam(0, kOscPan), 0.5f);
  Set(kParamMasterGain, 0.0f);
  // These ranges start below 0: a fresh patch plays 8 octaves down, detuned.
  for (int n = 0; n < 3; ++n) {
    for (int offset : {kOscOctave, kOscSemitone, kOscFineLeft, kOscFineRight}) {
      Set(OscParam(n, offset), 0.0f);
    }
  }
}

void VoiceTest::StartNote(int note) {
  VoiceBindPatch(&voice_, &patch_);
  voice_.note = static_cast<uint8_t>(note);
  voice_.frequency = voice_.target = NoteToFrequency(note);
  VoiceTriggerEnvelopes(&voice_);
  VoiceGateOn(&voice_);
}

RenderedAudio VoiceTest::Render(int blocks, std::vector<bool>* sounded) {
  RenderedAudio audio;
  audio.left.assign(static_cast<size_t>(blocks) * kBlockFrames, 0.0f);
  audio.right.assign(audio.left.size(), 0.0f);
  for (int b = 0; b < blocks; ++b) {
    StereoPair out{audio.left.data() + b * kBlockFrames, audio.right.data() + b * kBlockFrames};
    const bool r = VoiceGenRender(&patch_, &voice_, out, kSampleRate);
    if (sounded) sounded->push_back(r);
  }
  return audio;
}

void VoiceTest::RunCases(const std::vector<VoiceCase>& cases) {
  for (const VoiceCase& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    UseSine();
    for (const auto& [index, value] : c.params) Set(index, value);
    StartNote(c.note);
    RenderedAudio a = Render(64);
    for (std::vector<float>* side : {&a.left, &a.right})
      side->erase(side->begin(), side->begin() + kBlockFrames);
    EXPECT_NEAR(audiotest::PeakFrequency(a.left, kSampleRate, 50, 2000), c.leftHz, 0.5);
    EXPECT_NEAR(audiotest::PeakFrequency(a.right, kSampleRate, 50, 2000), c.rightHz, 0.5);
    if (c.rms != 0) {
      EXPECT_NEAR(audiotest::Rms(a.left), c.rms, c.rms * 0.01);
    }
  }
}

}  // namespace synthtest
