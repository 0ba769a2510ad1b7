#include "song_blocks.h"

#include "music/song.h"

std::vector<uint8_t> SongBlock(const std::vector<std::vector<uint8_t>>& tracks, uint32_t endValue) {
  std::vector<uint8_t> block(kSongHeadBytes, 0);
  auto put = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) block[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  put(0, endValue);
  const std::vector<uint8_t> empty = {0xFF, 0xFF};
  for (size_t t = 0; t < kSongTracks; ++t) {
    put(4 + 4 * t, static_cast<uint32_t>(block.size()));
    const std::vector<uint8_t>& data = t < tracks.size() ? tracks[t] : empty;
    block.insert(block.end(), data.begin(), data.end());
  }
  return block;
}

std::vector<uint8_t> EncodeTestSong(const std::vector<std::vector<TestEvent>>& tracks) {
  std::vector<std::vector<uint8_t>> raw;
  uint32_t events = 0;
  for (const std::vector<TestEvent>& list : tracks) {
    std::vector<uint8_t> bytes;
    for (const TestEvent& e : list) {  // odd codes take a second byte: delta x 2 + 1
      const uint16_t code = static_cast<uint16_t>(e.delta << 1 | (e.delta > 127));
      bytes.push_back(code & 0xFF);
      if (code & 1) bytes.push_back(code >> 8);
    }
    bytes.insert(bytes.end(), {0xFF, 0xFF});
    for (auto column : {&TestEvent::status, &TestEvent::note, &TestEvent::velocity})
      for (const TestEvent& e : list) bytes.push_back(e.*column);
    raw.push_back(bytes);
    events += static_cast<uint32_t>(list.size());
  }
  return SongBlock(raw, 5 * events);
}
