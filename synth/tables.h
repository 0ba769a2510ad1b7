#pragma once
// Small tables shared by every channel: the note-frequency table and the square-root table of
// the equal-power pan law. Both are built on the main thread before the sequencer thread starts
// and only read afterwards.

#include <cstdint>

constexpr int kNoteCount = 120;
constexpr int kSqrtTableSize = 65536;

// Builds the note-frequency table: entry i = 16.35 x (2^(1/12))^i Hz, a running float product
// from entry 0 (each step rounded once to float). Every call gives the same values.
void NoteFrequencyTableBuild();
// Frequency in Hz of a note 0..119 (the table must have been built). Notes outside the table
// read the nearest end.
float NoteToFrequency(int note);

// Builds the square-root table unless it exists: entry i = sqrt(i x 1.5259022e-05), the factor
// being the float nearest to 1/65535.
void SqrtTableBuild();
// Entry i (0..65535) of the square-root table.
float SqrtTableEntry(int i);

// Equal-power gain of a pan share x (0..1): 1.0 when x >= 1, else the square-root table's entry
// round(x x 65535), that is about sqrt(x). A share below 0 reads entry 0.
float EqualPowerGain(float x);

// Pan gains {left, right} of a pan position v in [0, 1]: law 0 linear (1 - v, v), law 1 equal
// power (EqualPowerGain(1 - v), EqualPowerGain(v)).
struct PanGains {
  float left;
  float right;
};
PanGains PanLaw(int32_t law, float v);
