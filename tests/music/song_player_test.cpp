#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <xmmintrin.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>

#include "music/audio_clock.h"
#include "music/embedded_music.h"
#include "music/music_player.h"
#include "music/song.h"
#include "platform/crt.h"
#include "platform/testing.h"
#include "synth/channel.h"
#include "synth/pad_table.h"
#include "synth/patch.h"
#include "tests/support/references.h"
#include "tests/support/test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A song block of 16 tracks from their raw bytes: the delta codes (delta x 2; an odd code takes
// a second, high byte), the 0xFF 0xFF terminator, then the status, note and velocity columns.
// Tracks not given, or given empty, hold only the terminator. The head holds `endValue`.
Bytes SongBlock(const std::vector<Bytes>& tracks, uint32_t endValue) {
  Bytes block(kSongHeadBytes, 0);
  auto put = [&](size_t at, uint32_t v) { std::memcpy(&block[at], &v, 4); };  // little-endian
  put(0, endValue);
  for (size_t t = 0; t < kSongTracks; ++t) {
    put(4 + 4 * t, static_cast<uint32_t>(block.size()));
    const Bytes data = t < tracks.size() && !tracks[t].empty() ? tracks[t] : Bytes{0xFF, 0xFF};
    block.insert(block.end(), data.begin(), data.end());
  }
  return block;
}

// Deltas 0x06 (3) and 0x07 0x01 (code 0x0107, 131); notes 0xBC (60 at velocity 127, no
// velocity byte) and 0x3C (60, velocity from the column: the whole byte, bit 7 too).
const Bytes kTrack = {0x06, 0x07, 0x01, 0xFF, 0xFF, 0x90, 0x80, 0xBC, 0x3C, 0xA1};

// `block` with the n bytes at `at` replaced by `bytes`.
Bytes Edit(Bytes block, size_t at, size_t n, const Bytes& bytes) {
  block.erase(block.begin() + at, block.begin() + at + n);
  block.insert(block.begin() + at, bytes.begin(), bytes.end());
  return block;
}

// A valid block decodes; every malformed one gives the empty song and a reason, never a read
// outside the block (the sanitizer build checks the reads: each block is a heap block of its own
// size).
TEST(SongTest, DecodesEventsAndRejectsMalformedBlocks) {
  const Bytes good = SongBlock({kTrack}, 10), last = SongBlock({}, 10);
  const char* error = "unset";
  Song* song = SongDecode(good.data(), good.size(), &error);
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
  SongFree(song);
  const Bytes lastFull = Edit(last, last.size() - 2, 2, kTrack);  // track 15 holds the events
  const struct {
    Bytes block;
    const char* why;
  } rows[] = {
      {{}, "head"},
      {Edit(good, good.size() - 2, 2, {0x04}), "terminator"},  // the delta column runs out
      {Edit(good, good.size() - 2, 2, {0x05}), "terminator"},  // a code without its 2nd byte
      {Edit(good, 16, 2, {0xF0, 0xFF}), "offset"},             // track 3 past the end
      {Edit(good, 24, 1, {8}), "offset"},                      // track 5 inside the head
      {Edit(lastFull, lastFull.size() - 1, 1, {}), "velocity"},
      {Edit(lastFull, lastFull.size() - 3, 3, {}), "column"},
  };
  for (const auto& r : rows) {
    error = nullptr;
    song = SongDecode(r.block.data(), r.block.size(), &error);
    EXPECT_THAT(error, testing::HasSubstr(r.why));
    EXPECT_EQ(song->endValue, 0u);
    for (int t = 0; t < kSongTracks; ++t)
      EXPECT_TRUE(song->tracks[t].count == 0 && song->tracks[t].events[0].delta == kSongTerminator);
    SongFree(song);
  }
  // Of every truncation of a valid block only the whole block is accepted.
  for (size_t size = 0; size <= lastFull.size(); ++size) {
    error = nullptr;
    const Bytes cut(lastFull.begin(), lastFull.begin() + size);
    SongFree(SongDecode(cut.data(), cut.size(), &error));
    EXPECT_EQ(error == nullptr, size == lastFull.size()) << size;
  }
}

void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

const Bytes kEmbedded(kEmbeddedSong, kEmbeddedSong + kEmbeddedSongSize);

class MusicPlayerTest : public ::testing::Test {
 protected:
  // The song's noise table is drawn from the generator whenever a player's first channel makes
  // it, after the random-phase table, which the first oscillator of the process makes (from the
  // generator's start value: nothing in this suite draws before): each test draws its noise
  // table from the same state, whatever ran before.
  void SetUp() override {
    RandomPhaseTableCreate();
    crt::srand(1);
    MusicPlayerInit(&player_);
  }
  void Prepare(DsoundTestBackend backend, const Bytes& song) {
    MusicPlayerCleanup(&player_);
    DsoundTestReset();
    DsoundTestSetBackend(backend);
    MusicPlayerInit(&player_);
    MusicPlayerLoadSong(&player_, song.data(), song.size());
    MusicPlayerApplyPatches(&player_, kEmbeddedPatchTable);
    MusicPlayerOpenSound(&player_);
    MusicPlayerBuildPadTables(&player_);
    MusicPlayerSetNoteCallback(&player_, RecordNote, this);
  }
  void TearDown() override {
    MusicPlayerCleanup(&player_);
    EXPECT_EQ(DsoundTestLiveBuffers(), 0);
    DsoundTestReset();
  }
  // Plays the song to its end (on the drain device as fast as the CPU allows).
  Bytes PlayToTheEnd(DsoundTestBackend backend, const Bytes& song) {
    Prepare(backend, song);
    MusicPlayerStart(&player_);
    while (MusicPlayerIsPlaying(&player_)) SleepMs(1);
    MusicPlayerStop(&player_);
    return DsoundTestTakeCaptured();
  }
  // Logs {track, note, velocity, audio frame} and whether the reporting thread flushes
  // denormals to zero.
  static void RecordNote(void* context, int32_t track, uint8_t note, uint8_t velocity) {
    auto* test = static_cast<MusicPlayerTest*>(context);
    std::lock_guard<std::mutex> lock(test->mutex_);
    test->notes_.push_back({uint32_t(track), note, velocity, AudioClockGetFrames()});
    test->flushToZero_ = _mm_getcsr() & 0x8000;
  }

  MusicPlayer player_;
  std::mutex mutex_;
  std::vector<std::vector<uint32_t>> notes_;
  bool flushToZero_ = false;
};

TEST_F(MusicPlayerTest, EventsComeInTimeOrderLowerTrackFirstAndDriftByTheBlock) {
  // Tracks 0 and 3 start together (4 ticks); track 0 follows 3 ticks later and track 3 ten
  // ticks after its first note. The sequencer runs with flush-to-zero on; the test's thread not.
  const Bytes track0 = {8, 6, 0xFF, 0xFF, 0x90, 0x90, 60, 61, 100, 101},
              track3 = {8, 20, 0xFF, 0xFF, 0x90, 0x90, 62, 63, 102, 103};
  PlayToTheEnd(DsoundTestBackend::kDrain, SongBlock({track0, {}, {}, track3}, 20));
  // 4 ticks = 80 units = 3,520 frames: the block end at 3,500 (79.55 units) rounds to 80; the
  // equal event follows without rendering. 3 ticks more are due at unit 140: frame 6,200 is the
  // first block end at or past it (6,100 rounds to 139). Track 3 waits 7 more ticks from the
  // unit actually reached (141), so unit 281: frame 12,400, not 12,320 as 14 ticks would give.
  const std::vector<std::vector<uint32_t>> want = {
      {0, 60, 100, 3500}, {3, 62, 102, 3500}, {0, 61, 101, 6200}, {3, 63, 103, 12400}};
  EXPECT_EQ(notes_, want);
  EXPECT_EQ(player_.eventCounter, 20u);
  EXPECT_TRUE(flushToZero_ && !(_mm_getcsr() & 0x8000));
}

TEST_F(MusicPlayerTest, SongEndsWhenTheTracksRunOutOrAtOnceWhenMalformed) {
  // The head claims 200 events: the song still ends when every cursor reaches its terminator,
  // never playing a terminator as an event.
  PlayToTheEnd(DsoundTestBackend::kDrain,
               SongBlock({{2, 0xFF, 0xFF, 0x90, 57, 100}, {4, 0xFF, 0xFF, 0x80, 57, 0}}, 200));
  EXPECT_EQ(player_.eventCounter, 10u);
  PlayToTheEnd(DsoundTestBackend::kDrain, {1, 2, 3, 4, 5});
  EXPECT_EQ(AudioClockGetFrames(), 0u);
}

TEST_F(MusicPlayerTest, StartAndStopAreSafeInAnyStateAndStopNeverWaitsForAnEvent) {
  // Note on after 50 ticks, off 20 ticks later.
  Prepare(DsoundTestBackend::kStepped,
          SongBlock({{100, 40, 0xFF, 0xFF, 0x90, 0x80, 57, 57, 100, 0}}, 10));
  MusicPlayerStop(&player_);  // never started: nothing happens
  MusicPlayerStart(&player_);
  MusicPlayerStart(&player_);  // already running: nothing happens
  EXPECT_TRUE(MusicPlayerIsPlaying(&player_));
  for (int i = 0; i < 20000 && MusicPlayerIsPlaying(&player_); ++i) {
    DsoundTestStep(441);
    SleepMs(1);
  }
  ASSERT_FALSE(MusicPlayerIsPlaying(&player_));
  DsoundTestTakeCaptured();
  DsoundTestStep(4410);  // the song's end stopped the buffer: it plays nothing more
  EXPECT_TRUE(DsoundTestTakeCaptured().empty());
  MusicPlayerStop(&player_);  // joins the ended thread
  EXPECT_EQ(player_.thread, nullptr);
  // An event ten minutes (30,000 ticks: code 0xEA61) away: Stop must not wait for it.
  Prepare(DsoundTestBackend::kClock, SongBlock({{0x61, 0xEA, 0xFF, 0xFF, 0x90, 57, 100}}, 5));
  MusicPlayerStart(&player_);
  SleepMs(30);
  const auto before = std::chrono::steady_clock::now();
  MusicPlayerStop(&player_);
  EXPECT_FALSE(MusicPlayerIsPlaying(&player_));
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(1));
}

// The song rendered offline matches its stored checksums (FNV-1a 64 of each second of 16-bit
// PCM, tests/data/song_seconds.txt; scripts/update-references rewrites them after a change on
// purpose), stays centred, and playback paced by the device gives the same PCM.
TEST_F(MusicPlayerTest, OfflineRenderMatchesTheReferenceStaysCentredAndPacedPlayback) {
  // The shared white-noise table is drawn from rand whenever it is created: one channel kept
  // alive across the players keeps the same table for all.
  Channel* keeper = ChannelInit(crt::AlignedNew<Channel>());
  const Bytes offline = PlayToTheEnd(DsoundTestBackend::kDrain, kEmbedded);
  ASSERT_GT(offline.size(), 190u * 176400u);  // the whole song, 193.5 s
  // Each channel's mean over every 16 s stays below -60 dBFS (32.8 in 16-bit units): an
  // instrument clipping an uneven wave pushes the song off centre.
  std::vector<int16_t> song(offline.size() / 2);
  std::memcpy(song.data(), offline.data(), offline.size());
  constexpr size_t kSpan = 16 * 44100 * 2;
  for (size_t at = 0; at + kSpan <= song.size(); at += kSpan)
    for (size_t c = 0; c < 2; ++c) {
      double sum = 0;
      for (size_t i = at + c; i < at + kSpan; i += 2) sum += song[i];
      EXPECT_LT(std::abs(sum) / (kSpan / 2), 32.8) << at / 88200 << " s, channel " << c;
    }
  std::vector<std::string> seconds;
  for (size_t at = 0; at < offline.size(); at += 176400) {
    char line[48];
    const uint64_t hash =
        testsupport::Fnv1a64(&offline[at], std::min<size_t>(176400, offline.size() - at));
    std::snprintf(line, sizeof line, "second %zu %016llx", at / 176400,
                  static_cast<unsigned long long>(hash));
    seconds.push_back(line);
  }
  EXPECT_TRUE(testsupport::MatchesReferenceLines("song_seconds.txt", seconds));
  // Paced: the device plays only what the writer has rendered, 441 frames at a time, so it
  // never runs dry (the clock counts a block just before writing it, hence one block of
  // margin); 6 seconds of the song.
  Prepare(DsoundTestBackend::kStepped, kEmbedded);
  MusicPlayerStart(&player_);
  for (uint32_t played = 0; played < 6 * 44100; played += 441) {
    while (AudioClockGetFrames() < played + 441 + 100) std::this_thread::yield();
    DsoundTestStep(441);
  }
  MusicPlayerStop(&player_);
  const Bytes paced = DsoundTestTakeCaptured();
  ASSERT_EQ(paced.size(), 6u * 176400u);
  EXPECT_TRUE(std::equal(paced.begin(), paced.end(), offline.begin()));
  ChannelCleanup(keeper);
  crt::AlignedDelete(keeper);
}

TEST_F(MusicPlayerTest, PatchTableIsParameterMajorOverChannelsZeroToFourteen) {
  Bytes table(kPatchTableBytes);
  for (size_t i = 0; i < table.size(); ++i) table[i] = static_cast<uint8_t>(i % 101);
  MusicPlayerApplyPatches(&player_, table.data());
  for (int c : {0, 7, 14})
    for (int p : {0, 94, 248})
      EXPECT_EQ(PatchParam(player_.channels[c]->patches[0], p)->norm, table[p * 15 + c] * 0.01f)
          << c << " " << p;
  EXPECT_EQ(PatchParam(player_.channels[15]->patches[0], 5)->norm, 0.0f);
}

}  // namespace
