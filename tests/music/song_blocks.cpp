#include "song_blocks.h"

#include "music/song.h"

std::vector<uint8_t> EncodeTestSong(const std::vector<std::vector<TestEvent>>& tracks) {
  std::vector<uint8_t> block(kSongHeadBytes, 0);
  auto put = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) block[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  uint32_t events = 0;
  for (int t = 0; t < kSongTracks; ++t) {
    put(4 + 4 * t, static_cast<uint32_t>(block.size()));
    const std::vector<TestEvent> none;
    const auto& list = t < static_cast<int>(tracks.size()) ? tracks[t] : none;
    for (const TestEvent& e : list) {
      if (e.delta <= 127) {
        block.push_back(static_cast<uint8_t>(e.delta << 1));
      } else {
        const uint16_t code = static_cast<uint16_t>((e.delta << 1) | 1);
        block.push_back(code & 0xFF);
        block.push_back(code >> 8);
      }
    }
    block.push_back(0xFF);
    block.push_back(0xFF);
    for (const TestEvent& e : list) block.push_back(e.status);
    for (const TestEvent& e : list) block.push_back(e.note);  // velocities in their column
    for (const TestEvent& e : list) block.push_back(e.velocity);
    events += static_cast<uint32_t>(list.size());
  }
  put(0, 5 * events);
  return block;
}
