#include <gtest/gtest.h>
#include <xmmintrin.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>

#include "music/audio_clock.h"
#include "music/embedded_music.h"
#include "music/music_player.h"
#include "platform/crt.h"
#include "platform/testing.h"
#include "song_blocks.h"
#include "synth/channel.h"
#include "synth/patch.h"

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<uint8_t>;

struct NoteLog {
  std::mutex mutex;
  std::vector<std::vector<uint32_t>> notes;  // {track, note, velocity, audio frame}
  bool flushToZero = false;                  // in the thread that reported the last note
};

void RecordNote(void* context, int32_t track, uint8_t note, uint8_t velocity) {
  auto* log = static_cast<NoteLog*>(context);
  std::lock_guard<std::mutex> lock(log->mutex);
  log->notes.push_back({static_cast<uint32_t>(track), note, velocity, AudioClockGetFrames()});
  log->flushToZero = _mm_getcsr() & 0x8000;
}

void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

const Bytes kEmbedded(kEmbeddedSong, kEmbeddedSong + kEmbeddedSongSize);

class MusicPlayerTest : public ::testing::Test {
 protected:
  void SetUp() override { MusicPlayerInit(&player_); }
  void Prepare(DsoundTestBackend backend, const Bytes& song) {
    MusicPlayerCleanup(&player_);
    DsoundTestReset();
    DsoundTestSetBackend(backend);
    MusicPlayerInit(&player_);
    MusicPlayerLoadSong(&player_, song.data(), song.size());
    MusicPlayerApplyPatches(&player_, kEmbeddedPatchTable);
    MusicPlayerOpenSound(&player_);
    MusicPlayerBuildPadTables(&player_);
    MusicPlayerSetNoteCallback(&player_, RecordNote, &log_);
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
  MusicPlayer player_;
  NoteLog log_;
};

TEST_F(MusicPlayerTest, EventsComeInTimeOrderLowerTrackFirstAndDriftByTheBlock) {
  // Tracks 0 and 3 start together (5 ticks); track 0 follows 3 ticks later and track 3 ten
  // ticks after its first note. The sequencer runs with flush-to-zero on; the test's thread not.
  PlayToTheEnd(DsoundTestBackend::kDrain,
               EncodeTestSong({{{5, 0x90, 60, 100}, {3, 0x90, 61, 101}},
                               {},
                               {},
                               {{5, 0x90, 62, 102}, {10, 0x90, 63, 103}}}));
  // 5 ticks = 100 units = 4,400 frames; the equal event follows without rendering. 3 ticks more
  // are due at unit 160: frame 7,100 is the first block end at or past it (7,000 rounds to
  // 159). Track 3 waits 7 more ticks from the unit actually reached (161), so unit 301: frame
  // 13,300, a block later than 15 ticks from the start would give.
  const std::vector<std::vector<uint32_t>> want = {
      {0, 60, 100, 4400}, {3, 62, 102, 4400}, {0, 61, 101, 7100}, {3, 63, 103, 13300}};
  EXPECT_EQ(log_.notes, want);
  EXPECT_EQ(player_.eventCounter, 20u);
  EXPECT_TRUE(log_.flushToZero);
  EXPECT_EQ(_mm_getcsr() & 0x8000, 0u);
}

TEST_F(MusicPlayerTest, SongEndsWhenTheTracksRunOutOrAtOnceWhenMalformed) {
  // The head claims 200 events: the song still ends when every cursor reaches its terminator,
  // never playing a terminator as an event.
  Bytes song = EncodeTestSong({{{1, 0x90, 57, 100}}, {{2, 0x80, 57, 0}}});
  song[0] = 200;
  PlayToTheEnd(DsoundTestBackend::kDrain, song);
  EXPECT_EQ(player_.eventCounter, 10u);
  PlayToTheEnd(DsoundTestBackend::kDrain, {1, 2, 3, 4, 5});
  EXPECT_EQ(AudioClockGetFrames(), 0u);
}

TEST_F(MusicPlayerTest, StartAndStopAreSafeInAnyStateAndStopNeverWaitsForAnEvent) {
  Prepare(DsoundTestBackend::kStepped, EncodeTestSong({{{50, 0x90, 57, 100}, {20, 0x80, 57, 0}}}));
  MusicPlayerStop(&player_);  // never started: nothing happens
  MusicPlayerStart(&player_);
  MusicPlayerStart(&player_);  // already running: nothing happens
  EXPECT_TRUE(MusicPlayerIsPlaying(&player_));
  for (const auto start = Clock::now();
       MusicPlayerIsPlaying(&player_) && Clock::now() - start < std::chrono::seconds(20);) {
    DsoundTestStep(441);
    SleepMs(1);
  }
  ASSERT_FALSE(MusicPlayerIsPlaying(&player_));
  DsoundTestTakeCaptured();
  DsoundTestStep(4410);  // the song's end stopped the buffer: it plays nothing more
  EXPECT_TRUE(DsoundTestTakeCaptured().empty());
  MusicPlayerStop(&player_);  // joins the ended thread
  EXPECT_EQ(player_.thread, nullptr);
  // An event ten minutes away: Stop must not wait for it.
  Prepare(DsoundTestBackend::kClock, EncodeTestSong({{{30000, 0x90, 57, 100}}}));
  MusicPlayerStart(&player_);
  SleepMs(30);
  const auto before = Clock::now();
  MusicPlayerStop(&player_);
  EXPECT_FALSE(MusicPlayerIsPlaying(&player_));
  EXPECT_LT(Clock::now() - before, std::chrono::seconds(1));
}

TEST_F(MusicPlayerTest, OfflineAndPacedPlaybackGiveTheSamePcm) {
  // The shared white-noise table is drawn from rand whenever it is created: one channel kept
  // alive across the players keeps the same table for all.
  Channel* keeper = ChannelInit(crt::AlignedNew<Channel>());
  const Bytes offline = PlayToTheEnd(DsoundTestBackend::kDrain, kEmbedded);
  ASSERT_GT(offline.size(), 190u * 176400u);  // the whole song, 193.5 s
  // Paced: the device plays only what the writer has rendered, 441 frames at a time, so it
  // never runs dry (the clock counts a block just before writing it, hence one block of
  // margin); 6 seconds of the song.
  Prepare(DsoundTestBackend::kStepped, kEmbedded);
  MusicPlayerStart(&player_);
  for (uint32_t played = 0; played < 6 * 44100;) {
    if (AudioClockGetFrames() < played + 441 + 100) {
      std::this_thread::yield();
      continue;
    }
    DsoundTestStep(441);
    played += 441;
  }
  MusicPlayerStop(&player_);
  const Bytes paced = DsoundTestTakeCaptured();
  ASSERT_EQ(paced.size(), 6u * 176400u);
  EXPECT_TRUE(std::equal(paced.begin(), paced.end(), offline.begin()));
  int peak = 0;  // the first six seconds carry a pad, a drone and an impact
  for (size_t i = 0; i + 1 < paced.size(); i += 2)
    peak = std::max(peak, std::abs(static_cast<int16_t>(paced[i] | paced[i + 1] << 8)));
  EXPECT_GT(peak, 1000);
  ChannelCleanup(keeper);
  crt::AlignedDelete(keeper);
}

TEST_F(MusicPlayerTest, PatchTableIsParameterMajorOverChannelsZeroToFourteen) {
  Prepare(DsoundTestBackend::kDrain, kEmbedded);
  Bytes table(kPatchTableBytes);
  for (size_t i = 0; i < table.size(); ++i) table[i] = static_cast<uint8_t>(i % 101);
  MusicPlayerApplyPatches(&player_, table.data());
  for (int c : {0, 7, 14}) {
    for (int p : {0, 94, 248}) {
      EXPECT_EQ(PatchParam(player_.channels[c]->patches[0], p)->norm, table[p * 15 + c] * 0.01f)
          << c << " " << p;
    }
  }
  EXPECT_EQ(PatchParam(player_.channels[15]->patches[0], 5)->norm, 0.0f);
}

}  // namespace
