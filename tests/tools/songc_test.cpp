#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "music/embedded_music.h"
#include "music/song.h"
#include "tools/songc/songc.h"

namespace {

// Compiles `text` and decodes the block with the player's decoder.
Song* CompileAndDecode(const std::string& text, std::vector<uint8_t>* block) {
  SongSource source;
  std::string error;
  EXPECT_TRUE(SongSourceParse(text, &source, &error)) << error;
  EXPECT_TRUE(SongCompile(source, block, &error)) << error;
  const char* fault = nullptr;
  Song* song = SongDecode(block->data(), block->size(), &fault);
  EXPECT_EQ(fault, nullptr);
  return song;
}

std::string CompileError(const std::string& text) {
  SongSource source;
  std::vector<uint8_t> block;
  std::string error;
  if (SongSourceParse(text, &source, &error) && SongCompile(source, &block, &error)) return "";
  return error;
}

TEST(SongcTest, NoteNames) {
  EXPECT_EQ(SongNoteFromName("C0"), 0);
  EXPECT_EQ(SongNoteFromName("A4"), 57);
  EXPECT_EQ(SongNoteFromName("C#3"), 37);
  EXPECT_EQ(SongNoteFromName("Bb2"), 34);
  EXPECT_EQ(SongNoteFromName("60"), 60);
  EXPECT_EQ(SongNoteFromName("H2"), -1);
  EXPECT_EQ(SongNoteFromName("C"), -1);
  EXPECT_EQ(SongNoteFromName("Cx4"), -1);
}

TEST(SongcTest, EventsRoundTripThroughTheDecoder) {
  // Track 2: a note ending exactly where the next starts (the note-off must come first), a
  // velocity-127 note (no velocity byte) and a gap long enough for a two-byte delta.
  std::vector<uint8_t> block;
  Song* song =
      CompileAndDecode("track 2\n0 A4 100 10   # first\n10 C5 127 5\n300 A4 64 1\n", &block);
  const SongTrack& t = song->tracks[2];
  ASSERT_EQ(t.count, 6u);
  const struct {
    uint16_t delta;
    uint8_t status, note, velocity;
  } want[] = {{0, 0x90, 57, 100}, {10, 0x80, 57, 127}, {0, 0x90, 60, 127},
              {5, 0x80, 60, 127}, {285, 0x90, 57, 64}, {1, 0x80, 57, 127}};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(t.events[i].delta, want[i].delta) << i;
    EXPECT_EQ(t.events[i].status, want[i].status) << i;
    EXPECT_EQ(t.events[i].note, want[i].note) << i;
    EXPECT_EQ(t.events[i].velocity, want[i].velocity) << i;
  }
  EXPECT_EQ(t.events[6].delta, kSongTerminator);
  EXPECT_EQ(song->endValue, 30u);  // 5 x 6 events
  for (int other : {0, 1, 3, 15}) EXPECT_EQ(song->tracks[other].count, 0u);
  SongFree(song);
}

TEST(SongcTest, RejectsWhatThePlayerCannotPlay) {
  EXPECT_NE(CompileError("track 0\n0 A4 0 10\n").find("velocity"), std::string::npos);
  EXPECT_NE(CompileError("track 0\n0 120 64 10\n").find("note outside"), std::string::npos);
  EXPECT_NE(CompileError("track 0\n0 A4 64 0\n").find("length"), std::string::npos);
  EXPECT_NE(CompileError("0 A4 64 1\n").find("before the first"), std::string::npos);
  EXPECT_NE(CompileError("track 16\n").find("track"), std::string::npos);
  EXPECT_NE(CompileError("track 0\n0 A4 64\n").find("line 2"), std::string::npos);
  EXPECT_NE(CompileError("track 1\n0 A4 64 10\n5 A4 64 10\n").find("still sounds"),
            std::string::npos);
  EXPECT_NE(CompileError("track 1\n0 A4 64 1\n40000 A4 64 1\n").find("gap"), std::string::npos);
  // A note may start on the tick its previous instance ends; other notes may overlap.
  EXPECT_EQ(CompileError("track 1\n0 A4 64 10\n10 A4 64 10\n5 C5 64 10\n"), "");
}

std::vector<uint8_t> Block(const std::string& text) {
  SongSource source;
  std::vector<uint8_t> block;
  std::string error;
  EXPECT_TRUE(SongSourceParse(text, &source, &error) && SongCompile(source, &block, &error))
      << error << "\n"
      << text;
  return block;
}

TEST(SongcTest, PatternPlacementsEqualTheNotesWrittenOut) {
  const std::string riff = "pattern riff 24\n0 A4 100 6\n12 C5 50 10\nend\n";
  const struct {
    const char* play;
    const char* written;
  } cases[] = {
      {"track 1\nplay riff 96\n", "track 1\n96 A4 100 6\n108 C5 50 10\n"},
      {"track 2\nplay riff 0 x3\n",
       "track 2\n0 A4 100 6\n12 C5 50 10\n24 A4 100 6\n36 C5 50 10\n48 A4 100 6\n"
       "60 C5 50 10\n"},
      {"track 0\nplay riff 10 -3 v127\n", "track 0\n10 F#4 127 6\n22 A4 64 10\n"},
      {"track 0\nplay riff 0 v50 x2 +12\n",
       "track 0\n0 A5 50 6\n12 C6 25 10\n24 A5 50 6\n36 C6 25 10\n"},
      // Placements and written notes mix on one track; a pattern serves several tracks.
      {"track 4\n5 E2 90 2\nplay riff 48\ntrack 5\nplay riff 0 +1\n",
       "track 4\n5 E2 90 2\n48 A4 100 6\n60 C5 50 10\ntrack 5\n0 A#4 100 6\n12 C#5 50 10\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(Block(riff + c.play), Block(c.written)) << c.play;
}

TEST(SongcTest, RejectsBadPatternsAndPlacements) {
  const std::string riff = "pattern riff 24\n0 A4 100 6\nend\n";
  const struct {
    std::string text, why;
  } cases[] = {
      {riff + "track 0\nplay riff 0 +63\n", "line 5: note outside"},
      {riff + "track 0\nplay riff 0 v128\n", "line 5: velocity"},
      {riff + "track 0\nplay riff 0 v0\n", "velocity scale"},
      {riff + "track 0\nplay riff 0 x0\n", "repeat count"},
      {riff + "track 0\nplay riff 0 x100000000\n", "beyond tick 2^30"},
      {riff + "track 0\nplay riff 0 +120\n", "transposition outside"},
      {"track 0\n0 A4 100 2000000000\n", "beyond 2^30"},
      {riff + "track 0\nplay riff 0 x2 x3\n", "bad placement option 'x3'"},
      {riff + "track 0\nplay riff 0 q2\n", "bad placement option"},
      {riff + "track 0\nplay riff -5\n", "negative tick"},
      {riff + "track 0\nplay drums 0\n", "line 5: unknown pattern 'drums'"},
      {riff + "play riff 0\n", "before the first 'track'"},
      {riff + "pattern riff 8\nend\n", "defined twice"},
      {"pattern a 24\n24 A4 100 6\nend\n", "line 2: note starts after the pattern's end"},
      {"pattern a 24\n0 A4 100 6\ntrack 1\n", "line 3: 'track' inside pattern 'a'"},
      {"pattern a 24\n0 A4 100 6\n", "line 2: pattern 'a' has no 'end'"},
      {"track 0\nend\n", "'end' without a pattern"},
      {"pattern a 0\nend\n", "expected 'pattern"},
      // Two repeats of a note longer than the pattern overlap themselves.
      {"pattern a 24\n0 A4 100 30\nend\ntrack 0\nplay a 0 x2\n", "line 5: note starts again"},
  };
  for (const auto& c : cases)
    EXPECT_NE(CompileError(c.text).find(c.why), std::string::npos)
        << c.text << " -> " << CompileError(c.text);
}

TEST(SongcTest, EmbeddedSongKeepsTheStructureThePictureFollows) {
  const char* fault = nullptr;
  Song* song = SongDecode(kEmbeddedSong, kEmbeddedSongSize, &fault);
  ASSERT_EQ(fault, nullptr);
  uint32_t events = 0, lastTick = 0;
  std::vector<uint32_t> noteOns[kSongTracks];
  for (int t = 0; t < kSongTracks; ++t) {
    const SongTrack& track = song->tracks[t];
    events += track.count;
    uint32_t tick = 0;
    int held = 0;
    for (uint32_t i = 0; i < track.count; ++i) {
      tick += track.events[i].delta;
      const bool on = track.events[i].status == kSongNoteOn;
      if (on) noteOns[t].push_back(tick);
      held += on ? 1 : -1;
    }
    EXPECT_EQ(held, 0) << "track " << t << " leaves notes hanging";
    if (t < 15) {
      EXPECT_FALSE(noteOns[t].empty()) << "instrument " << t << " never plays";
    }
    lastTick = std::max(lastTick, tick);
  }
  EXPECT_EQ(song->endValue, 5 * events);
  EXPECT_EQ(lastTick, 9696u);  // the end the picture is timed to (193.5 s)
  // Impacts (track 14) on every section's downbeat and the last chord; the kick (3) starts
  // with the build, the snare (4) on beat 2 of the first theme.
  const auto plays = [&](int track, uint32_t tick) {
    return std::find(noteOns[track].begin(), noteOns[track].end(), tick) != noteOns[track].end();
  };
  for (uint32_t tick : {0, 768, 1536, 3072, 4224, 5760, 6528, 8448, 9216})
    EXPECT_TRUE(plays(14, tick)) << tick;
  EXPECT_EQ(noteOns[3].front(), 768u);
  EXPECT_EQ(noteOns[4].front(), 1560u);
  SongFree(song);
}

}  // namespace
