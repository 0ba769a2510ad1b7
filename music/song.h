#pragma once
// The song format and its decoding.
//
// Song block (little-endian): u32 end value (5 x the number of events of all tracks), then 16
// u32 track offsets from the start of the block, then each track's data in four columns:
//  1. delta codes, one per event plus the terminator: a byte b0, and when bit 0 of b0 is set a
//     second byte b1 giving the code b0 + 256 b1; the code 0xFFFF ends the column, any other
//     gives the delta code >> 1 in ticks since the track's previous event (0..32,767);
//  2. one status byte per event: 0x90 note-on, 0x80 note-off;
//  3. one note byte per event: the note is the low 7 bits; bit 7 set means velocity 127;
//  4. one velocity byte for every note byte with bit 7 clear, in event order (all 8 bits).
// One tick is 880 audio frames (about 19.95 ms).

#include <cstddef>
#include <cstdint>

constexpr int kSongTracks = 16;
constexpr uint32_t kSongHeadBytes = 4 + 4 * kSongTracks;
constexpr uint16_t kSongTerminator = 0xFFFF;
constexpr uint8_t kSongNoteOn = 0x90;
constexpr uint8_t kSongNoteOff = 0x80;

struct SongEvent {
  uint16_t remaining;  // ticks still to wait, counted down while other tracks play
  uint16_t delta;      // decoded delta; the terminator holds 65535
  uint8_t status;      // 0x90 or 0x80; the terminator holds 0
  uint8_t note;        // 0..127
  uint8_t velocity;    // 0..255: 127 from the note byte, else the velocity byte whole
};

struct SongTrack {
  uint32_t count;     // events, without the terminator
  uint32_t cursor;    // index of the next event, 0 at load
  SongEvent* events;  // count + 1 events, the last the terminator
};

struct Song {
  SongTrack* tracks;  // 16 tracks
  uint32_t endValue;  // from the head
};

// Decodes a song block of `size` bytes into a new Song. Never reads outside the block: a head
// shorter than 68 bytes, a track offset outside the block, a delta column without terminator or
// columns running past the end reject the block; the result is then a song of 16 empty tracks
// and end value 0, and `*error` (when given) names the fault. Returns the new song.
Song* SongDecode(const uint8_t* data, size_t size, const char** error);
// Frees the tracks, their events and the song; null does nothing.
void SongFree(Song* song);
