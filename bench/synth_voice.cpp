// Voice-path benchmarks: oscillator rendering per waveform, whole voices with 1, 3 and 9
// unison copies, a biquad design plus run, the wavetable bank build and PAD table builds.
// Per-frame times are reported as the counter per_frame (seconds, with an SI prefix).

#include <benchmark/benchmark.h>

#include <vector>

#include "synth/biquad.h"
#include "synth/block.h"
#include "synth/oscillator.h"
#include "synth/pad_table.h"
#include "synth/patch.h"
#include "synth/tables.h"
#include "synth/voice.h"
#include "synth/voice_gen.h"
#include "synth/wavetable.h"

namespace {

void Set(Patch* patch, int index, float plain) { ParamSet(PatchParam(patch, index), plain); }
int Osc(int n, int offset) { return kParamOscillatorBase + kOscillatorParamStride * n + offset; }

// A patch with `oscillators` saw-ish oscillators at level 1, equal-power centred, no detune.
struct BenchVoice {
  Patch patch{};
  Voice voice{};
  std::vector<float> left = std::vector<float>(kBlockFrames), right = left;

  BenchVoice(int waveform, int oscillators, int copies) {
    NoteFrequencyTableBuild();
    SqrtTableBuild();
    WavetableBankBuild();
    PatchInit(&patch);
    VoiceInit(&voice);
    for (int n = 0; n < oscillators; ++n) {
      Set(&patch, Osc(n, kOscWaveform), static_cast<float>(waveform));
      Set(&patch, Osc(n, kOscLevel), 0.5f);
      Set(&patch, Osc(n, kOscPan), 0.5f);
      Set(&patch, Osc(n, kOscPanLaw), 1.0f);
      for (int k : {kOscOctave, kOscSemitone, kOscFineLeft, kOscFineRight})
        Set(&patch, Osc(n, k), 0);
    }
    if (waveform == kWavePad) OscillatorUpdatePadTable(patch.oscillators[0], 0.1f, 0.5f, 0.5f);
    Set(&patch, kParamUnisonCopies, static_cast<float>(copies));
    Set(&patch, kParamUnisonDetune, 0.5f);
    Set(&patch, kParamUnisonPanSpread, 0.5f);
    Set(&patch, kParamMasterGain, 0.0f);
    VoiceBindPatch(&voice, &patch);
    voice.frequency = NoteToFrequency(57);
    VoiceTriggerEnvelopes(&voice);
    VoiceGateOn(&voice);
  }
  ~BenchVoice() {
    VoiceCleanup(&voice);
    PatchCleanup(&patch);
    WavetableBankRelease();
  }
  bool Render() {
    std::fill(left.begin(), left.end(), 0.0f);
    std::fill(right.begin(), right.end(), 0.0f);
    return VoiceGenRender(&patch, &voice, StereoPair{left.data(), right.data()}, kSampleRate);
  }
};

void SetFrameCounter(benchmark::State& state, double framesPerIteration) {
  state.counters["per_frame"] =
      benchmark::Counter(framesPerIteration * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// One oscillator side (256 frames) per iteration; the argument is waveform and mode.
void BM_OscillatorRender(benchmark::State& state) {
  const int waveform = static_cast<int>(state.range(0)), mode = static_cast<int>(state.range(1));
  BenchVoice v(waveform, 1, 1);
  Set(&v.patch, Osc(0, kOscMode), static_cast<float>(mode));
  Set(&v.patch, Osc(0, kOscModDepth), 1.0f);
  OscVoiceState st{};
  st.amplitude = st.rampStart = 0.5f;
  st.frequency = 440.0f;
  st.shape = 2.0f;
  std::vector<float> out(kBlockFrames, 0.25f);
  for (auto _ : state) {
    OscillatorRender(v.patch.oscillators[0], &st, out.data(), kSampleRate);
    benchmark::DoNotOptimize(out.data());
  }
  SetFrameCounter(state, kBlockFrames);
}
BENCHMARK(BM_OscillatorRender)
    ->ArgsProduct({benchmark::CreateDenseRange(1, 13, 1), {0, 1, 2}})
    ->ArgNames({"waveform", "mode"});

// A whole voice block: three oscillators (saw, wavetable, sine) x copies, low-pass on.
void BM_VoiceRender(benchmark::State& state) {
  BenchVoice v(kWaveSawUp, 3, static_cast<int>(state.range(0)));
  Set(&v.patch, Osc(1, kOscWaveform), 9.0f);
  Set(&v.patch, Osc(2, kOscWaveform), 1.0f);
  Set(&v.patch, 176, 1.0f);
  Set(&v.patch, 177, 40.0f);
  for (auto _ : state) benchmark::DoNotOptimize(v.Render());
  SetFrameCounter(state, kBlockFrames);
}
BENCHMARK(BM_VoiceRender)->Arg(1)->Arg(3)->Arg(9)->ArgName("copies");

void BM_BiquadDesignAndRun(benchmark::State& state) {
  BenchVoice v(kWaveSawUp, 1, 1);
  Set(&v.patch, 177, 40.0f);
  Set(&v.patch, 178, 0.6f);
  Biquad q{};
  std::vector<float> l(kBlockFrames, 0.1f), r(kBlockFrames, -0.1f);
  for (auto _ : state) {
    BiquadDesign(v.patch.filters[0], &q, &v.voice, kSampleRate);
    BiquadRun(StereoPair{l.data(), r.data()}, StereoPair{l.data(), r.data()}, &q, 0.0f);
    benchmark::DoNotOptimize(l.data());
  }
  SetFrameCounter(state, kBlockFrames);
}
BENCHMARK(BM_BiquadDesignAndRun);

void BM_WavetableBankBuild(benchmark::State& state) {
  for (auto _ : state) {
    WavetableBankBuild();
    WavetableBankRelease();
  }
  state.SetLabel("whole bank, 512 tables");
}
BENCHMARK(BM_WavetableBankBuild)->Unit(benchmark::kMillisecond);

// One PAD table: bandwidth a, profile 0.5, harmonic count c (1 gives 270 harmonics).
void BM_PadTableBuild(benchmark::State& state) {
  BenchVoice v(kWaveSine, 1, 1);
  const float a = static_cast<float>(state.range(0)) / 100.0f;
  const float c = static_cast<float>(state.range(1)) / 10.0f;
  Oscillator* osc = v.patch.oscillators[0];
  bool flip = false;
  for (auto _ : state) {
    flip = !flip;  // a new profile each time, so every call rebuilds
    OscillatorUpdatePadTable(osc, a, flip ? 0.5f : 0.25f, c);
    benchmark::DoNotOptimize(osc->padTable);
  }
}
BENCHMARK(BM_PadTableBuild)
    ->Args({10, 2})
    ->Args({10, 10})
    ->Args({50, 10})
    ->ArgNames({"a_percent", "c_tenths"})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
