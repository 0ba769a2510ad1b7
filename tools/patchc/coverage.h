#pragma once
// What a compiled patch table makes the synthesizer do, against everything it can do. An
// instrument counts only when something of it sounds (an oscillator with a waveform and a level,
// or noise with a level); inside it a feature counts only where it takes effect:
//  - oscillator waveforms 1..13 and modes (add; multiply per cycle and modulate per sample only
//    after an earlier sounding oscillator, since they multiply what is already rendered);
//  - unison (two or more copies with a detune or a pan spread) and glide (a glide time);
//  - each filter type switched on, each noise type with a level;
//  - an LFO counts when a sounding oscillator, the noise or an enabled filter selects it, or the
//    next LFO in use combines with it; it then shows its shape (with an amount above 0) and,
//    when the LFO before it has a shape, its combine mode (add, multiply);
//  - each effect switched on, the distortion by its mode (quarters of 0..1);
//  - envelope curves of the selected envelopes: linear (0.5), exponent below 1 (under 0.5),
//    exponent above 1 (over 0.5).

#include <cstdint>
#include <vector>

#include "tools/coverage_report.h"

// `table` is the compiler's 3,735-byte patch table.
std::vector<CoverageCategory> PatchCoverage(const std::vector<uint8_t>& table);
