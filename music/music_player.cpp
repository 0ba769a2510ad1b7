#include "music/music_player.h"

#include <xmmintrin.h>

#include <cstdio>

#include "music/audio_clock.h"
#include "music/song.h"
#include "music/sound_stream.h"
#include "platform/crt.h"
#include "platform/win32.h"
#include "synth/channel.h"
#include "synth/oscillator.h"
#include "synth/pad_table.h"
#include "synth/patch.h"

namespace {

constexpr int kPadWaveform = 6;
constexpr int32_t kUnitsPerTick = 20;
constexpr float kUnitsPerFrame = 0.022727273f;  // 1/44

// Joins the sequencer thread if one exists.
void JoinSequencer(MusicPlayer* player) {
  if (!player->thread) return;
  player->quit.store(1, std::memory_order_relaxed);
  WaitForSingleObject(player->thread, INFINITE);
  CloseHandle(player->thread);
  player->thread = nullptr;
}

// Renders until the position reaches `target` or quit is set.
void RenderUntil(MusicPlayer* player, int32_t* pos, int32_t target) {
  while (*pos < target && !player->quit.load(std::memory_order_relaxed)) {
    SoundStreamRenderBlock(player->stream);
    *pos = SequencerPosition();
  }
}

}  // namespace

MusicPlayer* MusicPlayerInit(MusicPlayer* player) {
  player->callback.store(nullptr);
  player->context.store(nullptr);
  player->trackCount = 0;
  player->endValue = 0;
  player->eventCounter = 0;
  player->song = nullptr;
  player->running.store(0);
  player->quit.store(0);
  player->finished.store(0);
  player->thread = nullptr;
  player->stream = SoundStreamInit(crt::AlignedNew<SoundStream>());
  for (Channel*& channel : player->channels) {
    channel = ChannelInit(crt::AlignedNew<Channel>());
    ChannelSetRate44100(channel);
    SoundStreamAddSource(player->stream, channel);
  }
  return player;
}

void MusicPlayerLoadSong(MusicPlayer* player, const uint8_t* data, size_t size) {
  MusicPlayerStop(player);
  player->trackCount = kSongTracks;
  SongFree(player->song);
  const char* error = nullptr;
  player->song = SongDecode(data, size, &error);
  if (error) std::fprintf(stderr, "music: song rejected: %s\n", error);
  player->endValue = player->song->endValue;
  player->eventCounter = 0;
}

void MusicPlayerApplyPatches(MusicPlayer* player, const uint8_t* table) {
  MusicPlayerStop(player);
  for (int p = 0; p < kParamCount; ++p)
    for (int c = 0; c < kMusicInstruments; ++c)
      ChannelSetParam(player->channels[c], p, static_cast<float>(table[p * 15 + c]) * 0.01f);
}

bool MusicPlayerOpenSound(MusicPlayer* player) {
  return SoundStreamOpen(player->stream, GetForegroundWindow());
}

void MusicPlayerBuildPadTables(MusicPlayer* player) {
  for (Channel* channel : player->channels) {
    for (int p = 0; p < channel->patchCount; ++p) {
      for (Oscillator* osc : channel->patches[p]->oscillators) {
        const Patch* patch = channel->patches[p];
        const int base = osc->paramBase;
        if (PatchGetInt(patch, base + 18) != kPadWaveform) continue;
        OscillatorUpdatePadTable(osc, PatchGet(patch, base + 20), PatchGet(patch, base + 21),
                                 PatchGet(patch, base + 24));
      }
    }
  }
}

void MusicPlayerStart(MusicPlayer* player) {
  if (player->running.load() || !player->song) return;
  JoinSequencer(player);  // a song that ended by itself leaves its thread to join
  player->quit.store(0);
  player->finished.store(0);
  SoundStreamClear(player->stream);
  SoundStreamPlay(player->stream);
  player->running.store(1);  // before the thread can clear it at the song's end
  player->thread = CreateThread(nullptr, 0, SequencerThreadProc, player, 0, nullptr);
  if (!player->thread) {
    SoundStreamStop(player->stream);
    player->running.store(0);
    return;
  }
  SetThreadPriority(player->thread, THREAD_PRIORITY_TIME_CRITICAL);
}

void MusicPlayerSetNoteCallback(MusicPlayer* player, NoteCallback callback, void* context) {
  player->context.store(context, std::memory_order_release);
  player->callback.store(callback, std::memory_order_release);
}

bool MusicPlayerIsPlaying(const MusicPlayer* player) {
  return player->running.load(std::memory_order_relaxed) != 0;
}

void MusicPlayerStop(MusicPlayer* player) {
  if (!player->thread) return;
  JoinSequencer(player);
  SoundStreamStop(player->stream);
  player->running.store(0);
}

void MusicPlayerCleanup(MusicPlayer* player) {
  MusicPlayerStop(player);
  SongFree(player->song);
  player->song = nullptr;
  for (Channel*& channel : player->channels) {
    SoundStreamRemoveSource(player->stream, channel);
    if (!channel) continue;
    ChannelCleanup(channel);
    crt::AlignedDelete(channel);
    channel = nullptr;
  }
  SoundStreamCleanup(player->stream);
  crt::AlignedDelete(player->stream);
  player->stream = nullptr;
}

// ---- Sequencer ------------------------------------------------------------------------------

bool SequencerNextEvent(MusicPlayer* player, int* track, const SongEvent** event, uint32_t* d) {
  SongTrack* tracks = player->song->tracks;
  int chosen = -1;
  for (int t = 0; t < kSongTracks; ++t) {
    if (tracks[t].cursor >= tracks[t].count) continue;
    const uint16_t remaining = tracks[t].events[tracks[t].cursor].remaining;
    if (chosen < 0 || remaining < tracks[chosen].events[tracks[chosen].cursor].remaining)
      chosen = t;
  }
  if (chosen < 0) return false;
  SongTrack& chosenTrack = tracks[chosen];
  const uint16_t value = chosenTrack.events[chosenTrack.cursor].remaining;
  for (int t = 0; t < kSongTracks; ++t) {
    if (t == chosen || tracks[t].cursor >= tracks[t].count) continue;
    tracks[t].events[tracks[t].cursor].remaining -= value;
  }
  *track = chosen;
  *event = &chosenTrack.events[chosenTrack.cursor++];
  *d = value;
  return true;
}

void SequencerHandleEvent(MusicPlayer* player, int track, const SongEvent* event) {
  Channel* channel = player->channels[track];
  if (event->status == kSongNoteOn) {
    ChannelNoteOn(channel, event->note, event->velocity);
    const NoteCallback callback = player->callback.load(std::memory_order_acquire);
    if (callback)
      callback(player->context.load(std::memory_order_acquire), track, event->note,
               event->velocity);
  } else if (event->status == kSongNoteOff) {
    ChannelNoteOff(channel, event->note);
  }
  player->eventCounter += 5;
  if (player->eventCounter >= player->endValue) player->finished.store(1);
}

int32_t SequencerPosition() {
  return crt::RoundToInt(static_cast<float>(AudioClockGetFrames()) * kUnitsPerFrame);
}

DWORD SequencerThreadProc(LPVOID parameter) {
  auto* player = static_cast<MusicPlayer*>(parameter);
  _MM_SET_FLUSH_ZERO_MODE(_MM_FLUSH_ZERO_ON);
  int32_t pos = 0;
  while (!player->quit.load(std::memory_order_relaxed) &&
         !player->finished.load(std::memory_order_relaxed)) {
    int track = 0;
    const SongEvent* event = nullptr;
    uint32_t d = 0;
    if (!SequencerNextEvent(player, &track, &event, &d)) break;
    RenderUntil(player, &pos, pos + kUnitsPerTick * static_cast<int32_t>(d));
    if (player->quit.load(std::memory_order_relaxed)) break;
    SequencerHandleEvent(player, track, event);
  }
  SoundStreamStop(player->stream);
  player->running.store(0);
  return 0;
}
