#pragma once
// Song blocks built by hand for the music tests.

#include <cstdint>
#include <vector>

// A block of 16 tracks from their raw bytes (the delta column with its terminator, then the
// status, note and velocity columns); tracks not given are empty. The head holds `endValue`.
std::vector<uint8_t> SongBlock(const std::vector<std::vector<uint8_t>>& tracks, uint32_t endValue);

struct TestEvent {
  uint16_t delta;
  uint8_t status, note, velocity;
};

// The block of tracks given as events (two-byte deltas where needed, every velocity in its
// column); the head holds 5 x the number of events.
std::vector<uint8_t> EncodeTestSong(const std::vector<std::vector<TestEvent>>& tracks);
