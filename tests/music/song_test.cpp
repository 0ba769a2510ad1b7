#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "music/song.h"
#include "song_blocks.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Deltas 0x06 (3) and 0x07 0x01 (code 0x0107, 131); notes 0xBC (60 at velocity 127, no
// velocity byte) and 0x3C (60, velocity from the column: the whole byte, bit 7 too).
const Bytes kTrack = {0x06, 0x07, 0x01, 0xFF, 0xFF, 0x90, 0x80, 0xBC, 0x3C, 0xA1};

// `block` with the n bytes at `at` replaced by `bytes`.
Bytes Edit(Bytes block, size_t at, size_t n, const Bytes& bytes) {
  block.erase(block.begin() + at, block.begin() + at + n);
  block.insert(block.begin() + at, bytes.begin(), bytes.end());
  return block;
}

Song* Decode(const Bytes& bytes, const char** error) {
  return SongDecode(bytes.empty() ? nullptr : bytes.data(), bytes.size(), error);
}

TEST(SongTest, DecodesDeltaCodesNoteBytesAndVelocities) {
  const char* error = "unset";
  Song* song = Decode(SongBlock({kTrack}, 10), &error);
  EXPECT_EQ(error, nullptr);
  EXPECT_EQ(song->endValue, 10u);
  ASSERT_EQ(song->tracks[0].count, 2u);
  // {delta, remaining, status, note, velocity}; the terminator closes the track.
  const std::vector<std::vector<int>> want = {
      {3, 3, 0x90, 60, 127}, {131, 131, 0x80, 60, 0xA1}, {65535, 65535, 0, 0, 0}};
  for (int i = 0; i < 3; ++i) {
    const SongEvent& e = song->tracks[0].events[i];
    EXPECT_EQ((std::vector<int>{e.delta, e.remaining, e.status, e.note, e.velocity}), want[i]);
  }
  for (int i = 1; i < kSongTracks; ++i) EXPECT_EQ(song->tracks[i].count, 0u);
  SongFree(song);
}

// Every malformed block gives the empty song and a reason, never a read outside the block (the
// sanitizer build checks the reads: each block is a heap block of its own size).
TEST(SongTest, MalformedBlocksAreRejected) {
  const Bytes good = SongBlock({kTrack}, 10), last = SongBlock(std::vector<Bytes>(15), 10);
  const Bytes lastFull = Edit(last, last.size() - 2, 2, kTrack);  // track 15 holds the events
  const struct {
    Bytes block;
    const char* why;
  } rows[] = {
      {{}, "head"},
      {Bytes(good.begin(), good.begin() + 40), "head"},
      {Edit(good, good.size() - 2, 2, {0x04}), "terminator"},  // the delta column runs out
      {Edit(good, good.size() - 2, 2, {0x05}), "terminator"},  // a code without its 2nd byte
      {Edit(good, 16, 2, {0xF0, 0xFF}), "offset"},             // track 3 past the end
      {Edit(good, 24, 1, {8}), "offset"},                      // track 5 inside the head
      {Edit(lastFull, lastFull.size() - 1, 1, {}), "velocity"},
      {Edit(lastFull, lastFull.size() - 3, 3, {}), "column"},
      {Edit(lastFull, lastFull.size() - 5, 5, {}), "column"},
  };
  for (const auto& r : rows) {
    const char* error = nullptr;
    Song* song = Decode(r.block, &error);
    ASSERT_NE(error, nullptr) << r.why;
    EXPECT_NE(std::string(error).find(r.why), std::string::npos) << error;
    EXPECT_EQ(song->endValue, 0u);
    for (int t = 0; t < kSongTracks; ++t) {
      EXPECT_TRUE(song->tracks[t].count == 0 && song->tracks[t].events[0].delta == kSongTerminator);
    }
    SongFree(song);
  }
  // Of every truncation of a valid block only the whole block is accepted.
  for (size_t size = 0; size <= lastFull.size(); ++size) {
    const char* error = nullptr;
    SongFree(Decode(Bytes(lastFull.begin(), lastFull.begin() + size), &error));
    EXPECT_EQ(error == nullptr, size == lastFull.size()) << size;
  }
}

}  // namespace
