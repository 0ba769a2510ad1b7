#include "support/song_clock.h"

#include "music/audio_clock.h"
#include "music/embedded_music.h"
#include "music/sound_stream.h"
#include "scene/timeline.h"

namespace testsupport {
namespace {

// The sequencer thread's step: an event d ticks after the previous one is due 20 x d units on.
void NextEvent(SongClock& clock) {
  uint32_t d = 0;
  clock.more = SequencerNextEvent(clock.player, &clock.track, &clock.event, &d);
  clock.due = clock.position + 20 * static_cast<int32_t>(d);
}

}  // namespace

SongClock SongClockStart(MusicPlayer* player) {
  MusicPlayerLoadSong(player, kEmbeddedSong, kEmbeddedSongSize);
  MusicPlayerSetNoteCallback(player, TimelineOnNote, TimelineInstance);
  AudioClockReset();
  SongClock clock{player};
  NextEvent(clock);
  return clock;
}

void SongClockAdvance(SongClock& clock, double seconds) {
  const double frames = seconds * kSoundRate;
  for (;;) {
    while (clock.more && clock.position >= clock.due) {
      SequencerHandleEvent(clock.player, clock.track, clock.event);
      NextEvent(clock);
    }
    if (AudioClockGetFrames() >= frames) return;
    AudioClockAdvance(kSoundBlockFrames);
    clock.position = SequencerPosition();
  }
}

}  // namespace testsupport
