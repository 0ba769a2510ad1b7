#pragma once
// The music player: decodes the song into 16 tracks of events, loads the patch table into 15
// synthesizer channels and runs a sequencer on a thread of its own. The sequencer walks the
// tracks in time order, renders sound block by block through the SoundStream until each event
// is due, then hands the event to the channel of its track (track t plays channel t) and
// reports note-ons to the note callback. The song plays once; at its end the sequencer stops
// the buffer and clears `running`.
//
// Timing: the playing position counts units of 44 audio frames; one tick is 20 units (880
// frames, about 19.95 ms). Each event is due 20 x delta units after the position reached when
// the previous event was handled, so the overshoot of a 100-frame block is not made up.
//
// Threads: the main thread calls the operations below; after MusicPlayerStart only the
// sequencer thread touches the channels and the stream. The flags are atomics; the quit flag is
// tested between events and while waiting for an event to come due.

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "platform/kernel32.h"

struct Channel;
struct Song;
struct SongEvent;
struct SoundStream;

constexpr int kMusicChannels = 16;
constexpr int kMusicInstruments = 15;  // channel 15 keeps its default patch
constexpr uint32_t kPatchTableBytes = 249 * kMusicInstruments;

using NoteCallback = void (*)(void* context, int32_t track, uint8_t note, uint8_t velocity);

struct MusicPlayer {
  std::atomic<NoteCallback> callback;  // null until MusicPlayerSetNoteCallback
  std::atomic<void*> context;
  int32_t trackCount;
  uint32_t endValue;
  Channel* channels[kMusicChannels];
  SoundStream* stream;
  std::atomic<uint8_t> quit;
  std::atomic<uint8_t> finished;
  std::atomic<uint8_t> running;
  HANDLE thread;          // the sequencer thread until it is joined
  uint32_t eventCounter;  // + 5 per handled event
  Song* song;
};

// Constructs the player in place: no callback, no song, not running; the stream and the 16
// channels (each at 44,100 Hz, registered with the stream in slot order).
MusicPlayer* MusicPlayerInit(MusicPlayer* player);
// Stops playback, then decodes `size` bytes of song (replacing an earlier song). A malformed
// song is rejected with a line on stderr and leaves an empty song, which ends at once.
void MusicPlayerLoadSong(MusicPlayer* player, const uint8_t* data, size_t size);
// Stops playback, then writes byte x 0.01 of table[p x 15 + c] as the normalised parameter p of
// channel c, for p = 0..248 and c = 0..14.
void MusicPlayerApplyPatches(MusicPlayer* player, const uint8_t* table);
// Opens the sound output on the foreground window; false when no device could be set up.
bool MusicPlayerOpenSound(MusicPlayer* player);
// Builds the PAD tables of every oscillator whose waveform reads 6.
void MusicPlayerBuildPadTables(MusicPlayer* player);
// When not running and a song is loaded: clears and plays the buffer (AudioClock 0), sets
// running, starts the sequencer thread at time-critical priority.
void MusicPlayerStart(MusicPlayer* player);
// Installs the note callback (may be called while the sequencer runs; note-ons handled before
// are reported to no one).
void MusicPlayerSetNoteCallback(MusicPlayer* player, NoteCallback callback, void* context);
bool MusicPlayerIsPlaying(const MusicPlayer* player);
// Sets quit, joins the sequencer thread and stops the buffer. Does nothing when no sequencer
// thread exists (never started, or already joined); a song that ended by itself is joined here.
void MusicPlayerStop(MusicPlayer* player);
// Stops, frees the song, the channels and the stream; the caller frees the player.
void MusicPlayerCleanup(MusicPlayer* player);

// The sequencer's steps, shared by its thread and the offline benchmark.
// Chooses the next event: the track with events left whose current event has the smallest
// remaining value (ties to the lower track), subtracts that value d from the current events of
// the other tracks and advances the chosen track's cursor. False when every track has reached
// its terminator.
bool SequencerNextEvent(MusicPlayer* player, int* track, const SongEvent** event, uint32_t* d);
// Hands an event to its channel (and a note-on to the callback), counts it and sets `finished`
// when the counter reaches the end value.
void SequencerHandleEvent(MusicPlayer* player, int track, const SongEvent* event);
// The playing position from the AudioClock: frames x 0.022727273 (1/44), rounded to nearest.
int32_t SequencerPosition();
// The sequencer thread: runs until the song ends or quit is set, then stops the buffer and
// clears `running`. Sets flush-to-zero on its thread.
DWORD SequencerThreadProc(LPVOID player);
