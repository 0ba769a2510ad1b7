#pragma once
// The song sequenced on the calling thread without sound: blocks of 100 audio frames advance
// the AudioClock (nothing is mixed) and each event is handled once the sequencer position
// reaches it, so the note callback feeds the timeline's sync values as during playback. A
// frame drawn at audio time t then shows what the program shows there, the same on every run.

#include <cstdint>

#include "music/music_player.h"

namespace testsupport {

struct SongClock {
  MusicPlayer* player;
  int32_t position = 0;  // sequencer position, units of 44 audio frames
  int32_t due = 0;       // position of the next event
  int track = 0;
  const SongEvent* event = nullptr;
  bool more = false;  // an event is waiting
};

// Loads the embedded song into `player`, routes its note-ons to TimelineInstance, resets the
// AudioClock to 0 and fetches the first event.
SongClock SongClockStart(MusicPlayer* player);

// Handles every event due up to `seconds` of audio and leaves the AudioClock there (rounded up
// to the next 100-frame block). Time only moves forward.
void SongClockAdvance(SongClock& clock, double seconds);

}  // namespace testsupport
