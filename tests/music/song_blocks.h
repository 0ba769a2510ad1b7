#pragma once
// Song blocks built by hand for the music tests: each track a list of {delta, status, note,
// velocity} events, encoded in the song format (two-byte deltas where needed).

#include <cstdint>
#include <vector>

struct TestEvent {
  uint16_t delta;
  uint8_t status, note, velocity;
};

std::vector<uint8_t> EncodeTestSong(const std::vector<std::vector<TestEvent>>& tracks);
