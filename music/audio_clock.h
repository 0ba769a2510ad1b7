#pragma once
// The AudioClock: audio frames generated since playback started, the time base of the picture.
// Written only by the thread that renders sound (the sequencer), read by any thread; one
// relaxed atomic 32-bit word.

#include <cstdint>

// Frames since playback started (44,100 per second; wraps after about 27 hours).
uint32_t AudioClockGetFrames();
// Milliseconds = frames x 10 / 441, truncated, computed in 64 bits (44,100 frames give 1,000;
// 100 frames give 2).
int32_t AudioClockGetMs();

// Writers: the sound stream zeroes the clock at construction and at play, and adds 100 for
// every block rendered.
void AudioClockReset();
void AudioClockAdvance(uint32_t frames);
