#pragma once
// Song compiler: a readable list of notes per track into the song block the player decodes.
//
// Source text, one item per line; a '#' at the start of a word starts a comment:
//   track <n>                      following notes and placements belong to track n (0..15)
//   <tick> <note> <velocity> <length>
//   pattern <name> <length>        a named block of note lines, up to 'end', whose ticks count
//     <tick> <note> <velocity> <length>   from the block's start (0..length-1); it belongs
//   end                                   to no track until it is played
//   play <name> <tick> [x<count>] [+<semitones> | -<semitones>] [v<percent>]
// tick: start in ticks from the song start (a tick is 880 frames, about 19.95 ms); note: a
// number 0..119 or a name C0..B9 with # or b (C0 = 0, A4 = 57, the synthesizer's 440 Hz);
// velocity 1..127; length in ticks, at least 1.
// 'play' places a defined pattern on the current track at <tick>, <count> times back to back
// (repeat r starts at tick + r x pattern length), every note moved by the signed number of
// semitones (-119..119) and its velocity scaled to round(velocity x percent / 100) (percent
// 1..12700). Placed notes pass the same checks as written ones and their errors name the
// 'play' line. Ticks and lengths stay below 2^30. Example:
//   pattern beat 96
//   0 C2 120 4
//   48 C2 100 4
//   end
//   track 3
//   play beat 768 x8 v90           # bars 9-16 at 90 % velocity
// Checks: notes below 120, no velocity 0, every note-on paired with its note-off, a note not
// started again on its track while it still sounds, gaps between events within 32,766 ticks.
// At equal ticks a track's note-offs come before its note-ons.

#include <cstdint>
#include <string>
#include <vector>

struct SongSourceNote {
  int tick, note, velocity, length, line;
};

struct SongSource {
  std::vector<SongSourceNote> tracks[16];
};

// Parses the text; false with "line N: why" in *error.
bool SongSourceParse(const std::string& text, SongSource* out, std::string* error);
// Note name (C0, F#3, Bb2) or number to a note number; -1 when it is neither.
int SongNoteFromName(const std::string& name);
// Builds the song block; false with the reason in *error.
bool SongCompile(const SongSource& source, std::vector<uint8_t>* block, std::string* error);
