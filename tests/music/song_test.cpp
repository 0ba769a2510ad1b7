#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "music/song.h"

namespace {

// A song block builder: tracks given as raw column bytes.
std::vector<uint8_t> Block(const std::vector<std::vector<uint8_t>>& tracks, uint32_t endValue) {
  std::vector<uint8_t> block(kSongHeadBytes, 0);
  auto put = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) block[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  put(0, endValue);
  for (int t = 0; t < kSongTracks; ++t) {
    put(4 + 4 * t, static_cast<uint32_t>(block.size()));
    const std::vector<uint8_t> empty = {0xFF, 0xFF};
    const auto& data = t < static_cast<int>(tracks.size()) ? tracks[t] : empty;
    block.insert(block.end(), data.begin(), data.end());
  }
  return block;
}

// Track 0: deltas 0x06 (3) and 0x07 0x01 (code 0x0107, 131); notes 0xBC (60 at velocity 127,
// no velocity byte) and 0x3C (60, velocity from the column: the whole byte, bit 7 too).
const std::vector<uint8_t> kTrack0 = {0x06, 0x07, 0x01, 0xFF, 0xFF,  // deltas
                                      0x90, 0x80,                    // status
                                      0xBC, 0x3C,                    // notes
                                      0xA1};                         // velocity of the 2nd

TEST(SongTest, DecodesDeltaCodesNoteBytesAndVelocities) {
  const std::vector<uint8_t> block = Block({kTrack0}, 10);
  const char* error = "unset";
  Song* song = SongDecode(block.data(), block.size(), &error);
  EXPECT_EQ(error, nullptr);
  EXPECT_EQ(song->endValue, 10u);
  const SongTrack& t = song->tracks[0];
  ASSERT_EQ(t.count, 2u);
  EXPECT_EQ(t.cursor, 0u);
  // {delta, remaining, status, note, velocity}; the terminator closes the track.
  const std::vector<std::vector<int>> want = {
      {3, 3, 0x90, 60, 127}, {131, 131, 0x80, 60, 0xA1}, {65535, 65535, 0, 0, 0}};
  for (int i = 0; i < 3; ++i) {
    const SongEvent& e = t.events[i];
    EXPECT_EQ((std::vector<int>{e.delta, e.remaining, e.status, e.note, e.velocity}), want[i]);
  }
  for (int i = 1; i < kSongTracks; ++i) EXPECT_EQ(song->tracks[i].count, 0u);
  SongFree(song);
}

// Every malformed block gives the empty song and a reason, never a read outside the block
// (the sanitizer build checks the reads: each block is copied into a heap block of its size).
void ExpectRejected(const std::vector<uint8_t>& bytes, const char* why) {
  std::vector<uint8_t> exact(bytes);
  const char* error = nullptr;
  Song* song = SongDecode(exact.empty() ? nullptr : exact.data(), exact.size(), &error);
  ASSERT_NE(error, nullptr) << why;
  EXPECT_NE(std::string(error).find(why), std::string::npos) << error;
  EXPECT_EQ(song->endValue, 0u);
  for (int t = 0; t < kSongTracks; ++t) {
    EXPECT_EQ(song->tracks[t].count, 0u);
    EXPECT_EQ(song->tracks[t].events[0].delta, kSongTerminator);
  }
  SongFree(song);
}

TEST(SongTest, MalformedBlocksAreRejected) {
  const std::vector<uint8_t> good = Block({kTrack0}, 10);
  ExpectRejected({}, "head");
  ExpectRejected(std::vector<uint8_t>(good.begin(), good.begin() + 40), "head");
  // Missing terminator: the last track's delta column runs to the end.
  std::vector<uint8_t> noEnd = good;
  noEnd.resize(noEnd.size() - 2);
  noEnd.push_back(0x04);
  ExpectRejected(noEnd, "terminator");
  // A lone odd byte at the very end: the second byte of its code is missing.
  noEnd.back() = 0x05;
  ExpectRejected(noEnd, "terminator");
  // Offsets past the end and into the head.
  std::vector<uint8_t> far = good;
  far[4 + 4 * 3] = 0xF0;
  far[4 + 4 * 3 + 1] = 0xFF;
  ExpectRejected(far, "offset");
  std::vector<uint8_t> head = good;
  head[4 + 4 * 5] = 8;
  ExpectRejected(head, "offset");
  // Truncated columns: track 15 (last in the block) holds the events.
  std::vector<uint8_t> last =
      Block({{}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, kTrack0}, 10);
  for (size_t cut = 1; cut <= 5; ++cut)
    ExpectRejected(std::vector<uint8_t>(last.begin(), last.end() - cut),
                   cut == 1 ? "velocity" : "column");
}

TEST(SongTest, EveryTruncationOfAValidBlockStaysInBounds) {
  const std::vector<uint8_t> last =
      Block({{}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, kTrack0}, 10);
  int accepted = 0;
  for (size_t size = 0; size <= last.size(); ++size) {
    std::vector<uint8_t> part(last.begin(), last.begin() + size);
    const char* error = nullptr;
    SongFree(SongDecode(part.empty() ? nullptr : part.data(), part.size(), &error));
    accepted += error == nullptr;
  }
  EXPECT_EQ(accepted, 1);  // only the whole block
}

}  // namespace
