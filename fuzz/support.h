#pragma once
// What the fuzz targets share: text views of the input, the failure report of a broken
// invariant, and the scene reader run with every object it built freed afterwards.

#include <cstddef>
#include <cstdint>
#include <string_view>

struct Device;

inline std::string_view FuzzText(const uint8_t* data, size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// Aborts with `what` on stderr unless `ok`: libFuzzer keeps the input as a crash.
void FuzzRequire(bool ok, const char* what);

// True when every image side, point count and extrusion count of the script stays within
// the limits of support.cpp, so that one input runs in milliseconds; the loader accepts larger
// values, which only cost time.
bool SceneWithinLimits(const uint8_t* data, size_t size);

// Runs the scene script on `device` (may be null) from a fixed rand state, frees the reader
// and everything it built, and returns the ticks it counted.
uint32_t RunSceneAndFree(Device* device, const uint8_t* data, size_t size);

struct MusicPlayer;
// The process's one player, made on the production's instruments (no PAD tables, no sound
// device), with every voice ended. A new player per input would cost twenty times the
// rendering; the effects keep their tails from input to input.
MusicPlayer* FuzzPlayer();
// Sequences the loaded song as the sequencer thread does (every event due on the way is handed
// to its channel) for `blocks` blocks of 100 frames; without a song, the channels alone.
void RenderBlocks(MusicPlayer* player, int blocks);
