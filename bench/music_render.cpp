// Offline rendering figures of the music player on one thread: the embedded song, and a stress
// scenario of 15 channels x 8 voices x 3 oscillators x 3 unison copies with low-pass, delay,
// reverb and equaliser on. Prints the real-time factor (audio seconds per second of rendering)
// and the worst 125 ms window (audio length of the window over its rendering time).

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "music/audio_clock.h"
#include "music/embedded_music.h"
#include "music/music_player.h"
#include "music/sound_stream.h"
#include "platform/crt.h"
#include "synth/channel.h"
#include "synth/patch.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kWindowBlocks = 55;  // 5,500 frames: the largest whole-block window within 125 ms

struct Figures {
  double audioSeconds = 0;
  double renderSeconds = 0;
  double worstWindowSeconds = 0;
};

// Renders one 100-frame block as the sequencer does (mix, convert, clock) and times it.
void TimedBlock(SoundStream* stream, std::vector<double>* times) {
  const auto start = Clock::now();
  SoundStreamMixBlock(stream);
  AudioClockAdvance(kSoundBlockFrames);
  times->push_back(std::chrono::duration<double>(Clock::now() - start).count());
}

Figures Summarise(const std::vector<double>& times) {
  Figures f;
  f.audioSeconds = times.size() * double(kSoundBlockFrames) / kSoundRate;
  double window = 0;
  for (size_t i = 0; i < times.size(); ++i) {
    f.renderSeconds += times[i];
    window += times[i];
    if (i >= kWindowBlocks) window -= times[i - kWindowBlocks];
    f.worstWindowSeconds = std::max(f.worstWindowSeconds, window);
  }
  return f;
}

void Report(const char* name, const Figures& f, double target, double windowTarget) {
  const double factor = f.audioSeconds / f.renderSeconds;
  const double window =
      kWindowBlocks * double(kSoundBlockFrames) / kSoundRate / f.worstWindowSeconds;
  std::printf("%-7s %6.1f s of audio in %7.3f s: real-time factor %7.1f (target %.0f: %s)\n", name,
              f.audioSeconds, f.renderSeconds, factor, target, factor >= target ? "met" : "MISSED");
  if (windowTarget > 0)
    std::printf("%-7s worst 125 ms window rendered %.1fx faster than real time (target %.0f: %s)\n",
                name, window, windowTarget, window >= windowTarget ? "met" : "MISSED");
  else
    std::printf("%-7s worst 125 ms window rendered %.1fx faster than real time\n", name, window);
}

// The embedded song, sequenced exactly as the sequencer thread does, without a sound device.
Figures RenderSong(MusicPlayer* player) {
  MusicPlayerLoadSong(player, kEmbeddedSong, kEmbeddedSongSize);
  MusicPlayerApplyPatches(player, kEmbeddedPatchTable);
  MusicPlayerBuildPadTables(player);
  AudioClockReset();
  std::vector<double> times;
  int32_t pos = 0;
  int track = 0;
  const SongEvent* event = nullptr;
  uint32_t d = 0;
  while (!player->finished.load() && SequencerNextEvent(player, &track, &event, &d)) {
    const int32_t target = pos + 20 * static_cast<int32_t>(d);
    while (pos < target) {
      TimedBlock(player->stream, &times);
      pos = SequencerPosition();
    }
    SequencerHandleEvent(player, track, event);
  }
  return Summarise(times);
}

void Set(Channel* channel, int index, float plain) {
  ParamSet(PatchParam(channel->patches[0], index), plain);
}

// 15 channels, each 8 held notes of 3 oscillators x 3 unison copies through all the filters and
// effects named above; 10 seconds.
Figures RenderStress(MusicPlayer* player) {
  for (int c = 0; c < kMusicInstruments; ++c) {
    Channel* ch = player->channels[c];
    for (int p = 0; p < 249; ++p) ChannelSetParam(ch, p, 0.0f);
    const float settings[][2] = {{0, -6},     {2, 8},      {4, 0.3f},   {5, 3},      {242, 0.5f},
                                 {176, 1},    {177, 40},   {178, 0.5f}, {220, 1},    {221, 250},
                                 {222, 330},  {223, 0.4f}, {224, 1},    {225, 0.7f}, {226, 0.4f},
                                 {227, 0.3f}, {228, 0.7f}, {229, 1},    {230, 1},    {231, 3},
                                 {232, -2},   {233, 1},    {234, 2},    {235, -3}};
    for (const auto& s : settings) Set(ch, static_cast<int>(s[0]), s[1]);
    for (int n = 0; n < 3; ++n) {
      const int base = 17 + 23 * n;
      const float osc[][2] = {{1, float(2 + n)}, {2, 1},  {3, 0.3f}, {9, 0.6f},  {15, 1},
                              {16, 0},           {17, 0}, {18, 0},   {19, 0.5f}, {20, 1}};
      for (const auto& s : osc) Set(ch, base + static_cast<int>(s[0]), s[1]);
    }
    for (int v = 0; v < 8; ++v) ChannelNoteOn(ch, static_cast<uint8_t>(36 + 3 * v + c % 4), 100);
  }
  AudioClockReset();
  std::vector<double> times;
  for (int i = 0; i < 10 * 441; ++i) TimedBlock(player->stream, &times);
  return Summarise(times);
}

}  // namespace

int main() {
  MusicPlayer* player = MusicPlayerInit(crt::AlignedNew<MusicPlayer>());
  Report("song", RenderSong(player), 30.0, 5.0);
  MusicPlayerCleanup(player);
  crt::AlignedDelete(player);
  player = MusicPlayerInit(crt::AlignedNew<MusicPlayer>());
  Report("stress", RenderStress(player), 2.0, 0.0);
  MusicPlayerCleanup(player);
  crt::AlignedDelete(player);
  return 0;
}
