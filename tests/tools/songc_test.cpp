#include <span>

#include "music/song.h"
#include "tool_checks.h"
#include "tools/songc/songc.h"

namespace {

// The block `text` compiles to, and the compiler's message ("" when it compiles).
std::pair<std::vector<uint8_t>, std::string> Compiled(const std::string& text) {
  SongSource source;
  std::pair<std::vector<uint8_t>, std::string> out;
  if (SongSourceParse(text, &source, &out.second)) SongCompile(source, &out.first, &out.second);
  return out;
}

std::vector<uint8_t> Block(const std::string& text) {
  const auto [block, error] = Compiled(text);
  EXPECT_EQ(error, "") << text;
  return block;
}

TEST(SongcTest, EventsRoundTripThroughThePlayersDecoder) {
  // A note ending exactly where the next starts (the note-off must come first), a velocity-127
  // note and gaps long enough for a two-byte delta (128 is the shortest).
  const std::vector<uint8_t> block =
      Block("track 2\n0 A4 100 10   # first\n10 C5 127 5\n300 A4 64 1\n429 A4 64 1\n");
  const char* fault = nullptr;
  Song* song = SongDecode(block.data(), block.size(), &fault);
  ASSERT_EQ(fault, nullptr);
  std::vector<std::vector<int>> events;  // {delta, status, note, velocity}
  for (const SongEvent& e : std::span(song->tracks[2].events, song->tracks[2].count + 1))
    events.push_back({e.delta, e.status, e.note, e.velocity});
  const std::vector<std::vector<int>> want = {
      {0, 0x90, 57, 100},  {10, 0x80, 57, 127}, {0, 0x90, 60, 127},
      {5, 0x80, 60, 127},  {285, 0x90, 57, 64}, {1, 0x80, 57, 127},
      {128, 0x90, 57, 64}, {1, 0x80, 57, 127},  {kSongTerminator, 0, 0, 0}};
  EXPECT_EQ(events, want);
  EXPECT_EQ(song->endValue, 40u);  // 5 x 8 events
  SongFree(song);
}

// Placements, transpositions, velocity scales and repeats give the notes written out by hand.
TEST(SongcTest, PatternPlacementsEqualTheNotesWrittenOut) {
  const std::string riff = "pattern riff 24\n0 A4 100 6\n12 C5 50 10\nend\n";
  const std::pair<const char*, const char*> rows[] = {
      {"track 0\nplay riff 10 -3 v127\n", "track 0\n10 F#4 127 6\n22 A4 64 10\n"},
      {"track 0\nplay riff 0 v50 x2 +12\n",
       "track 0\n0 A5 50 6\n12 C6 25 10\n24 A5 50 6\n36 C6 25 10\n"},
      // Placements and written notes mix on one track; a pattern serves several tracks. Notes
      // are named (C0 is 0, A4 57; sharps and flats) or numbered.
      {"track 4\n5 Bb1 90 2\nplay riff 48\ntrack 5\nplay riff 0 +1\n",
       "track 4\n5 22 90 2\n48 57 100 6\n60 C5 50 10\ntrack 5\n0 A#4 100 6\n12 C#5 50 10\n"},
      // A note may start on the tick its previous instance ends; other notes may overlap.
      {"track 1\n0 A4 64 10\n10 A4 64 10\n5 C5 64 10\n",
       "track 1\n0 A4 64 10\n10 A4 64 10\n5 C5 64 10\n"},
  };
  for (const auto& [play, written] : rows) EXPECT_EQ(Block(riff + play), Block(written)) << play;
}

TEST(SongcTest, RefusesWhatThePlayerCannotPlay) {
  const std::string riff = "pattern riff 24\n0 A4 100 6\nend\ntrack 0\n";
  ExpectRefusals(
      [](const std::string& text) { return Compiled(text).second; },
      {
          {"track 0\n0 A4 0 10\n", "line 2: velocity"},
          {"track 0\n0 H2 64 10\n", "line 2: note outside"},
          {"track 0\n0 A4 64 0\n", "line 2: length"},
          {"track 0\n0 A4 64\n", "line 2: expected '<tick> <note> <velocity> <length>'"},
          {"0 A4 64 1\n", "before the first"},
          {"track 16\n", "line 1: expected 'track <0..15>'"},
          {"track 1\n0 A4 64 10\n5 A4 64 10\n", "still sounds"},
          {"track 1\n0 A4 64 1\n40000 A4 64 1\n", "gap"},
          {"track 0\n0 A4 100 2000000000\n", "beyond 2^30"},
          {riff + "play riff 0 +63\n", "line 5: note outside"},
          {riff + "play riff 0 v0\n", "velocity scale"},
          {riff + "play riff 0 x100000000\n", "beyond tick 2^30"},
          {riff + "play riff 0 x2 x3\n", "bad placement option 'x3'"},
          {riff + "play riff -5\n", "negative tick"},
          {riff + "play drums 0\n", "line 5: unknown pattern 'drums'"},
          {riff + "pattern riff 8\nend\n", "defined twice"},
          {"pattern a 24\n24 A4 100 6\nend\n", "line 2: note starts after the pattern's end"},
          {"pattern a 24\n0 A4 100 6\ntrack 1\n", "line 3: 'track' inside pattern 'a'"},
          {"pattern a 24\n0 A4 100 6\n", "line 2: pattern 'a' has no 'end'"},
          {"track 0\nend\n", "'end' without a pattern"},
      });
}

}  // namespace
