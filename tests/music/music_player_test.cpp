#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <thread>

#include <xmmintrin.h>

#include "music/audio_clock.h"
#include "music/embedded_music.h"
#include "music/music_player.h"
#include "music/sound_stream.h"
#include "platform/crt.h"
#include "platform/testing.h"
#include "song_blocks.h"
#include "support/test_support.h"
#include "synth/channel.h"
#include "synth/oscillator.h"
#include "synth/patch.h"

namespace {

using Clock = std::chrono::steady_clock;

struct NoteLog {
  std::mutex mutex;
  std::vector<std::vector<uint32_t>> notes;  // {track, note, velocity, audio frame}
};

void RecordNote(void* context, int32_t track, uint8_t note, uint8_t velocity) {
  auto* log = static_cast<NoteLog*>(context);
  std::lock_guard<std::mutex> lock(log->mutex);
  log->notes.push_back({static_cast<uint32_t>(track), note, velocity, AudioClockGetFrames()});
}

void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

class MusicPlayerTest : public ::testing::Test {
 protected:
  void Prepare(DsoundTestBackend backend, const std::vector<uint8_t>& song) {
    DsoundTestReset();
    DsoundTestSetBackend(backend);
    MusicPlayerInit(&player_);
    MusicPlayerLoadSong(&player_, song.data(), song.size());
    MusicPlayerApplyPatches(&player_, kEmbeddedPatchTable);
    MusicPlayerOpenSound(&player_);
    MusicPlayerBuildPadTables(&player_);
  }
  void TearDown() override {
    MusicPlayerCleanup(&player_);
    EXPECT_EQ(DsoundTestLiveBuffers(), 0);
    DsoundTestReset();
  }
  // Plays to the end on the drain device: the whole song as fast as the CPU allows.
  std::vector<uint8_t> PlayOffline() {
    MusicPlayerStart(&player_);
    while (MusicPlayerIsPlaying(&player_)) SleepMs(1);
    MusicPlayerStop(&player_);
    return DsoundTestTakeCaptured();
  }
  MusicPlayer player_;
};

std::vector<uint8_t> EmbeddedSong() {
  return std::vector<uint8_t>(kEmbeddedSong, kEmbeddedSong + kEmbeddedSongSize);
}

TEST_F(MusicPlayerTest, EventsComeInTimeOrderLowerTrackFirstAndDriftByTheBlock) {
  // Track 1 is empty; tracks 0 and 3 start together (5 ticks); track 0 follows 3 ticks later
  // and track 3 ten ticks after its first note.
  Prepare(DsoundTestBackend::kDrain, EncodeTestSong({{{5, 0x90, 60, 100}, {3, 0x90, 61, 101}},
                                                     {},
                                                     {},
                                                     {{5, 0x90, 62, 102}, {10, 0x90, 63, 103}}}));
  NoteLog log;
  MusicPlayerSetNoteCallback(&player_, RecordNote, &log);
  PlayOffline();
  // 5 ticks = 100 units = 4,400 frames; the equal event follows without rendering. 3 ticks more
  // are due at unit 160: frame 7,100 is the first block end at or past it (7,000 rounds to
  // 159). Track 3 waits 7 more ticks from the unit actually reached (161), so unit 301: frame
  // 13,300, a block later than 15 ticks from the start would give.
  const std::vector<std::vector<uint32_t>> want = {
      {0, 60, 100, 4400}, {3, 62, 102, 4400}, {0, 61, 101, 7100}, {3, 63, 103, 13300}};
  EXPECT_EQ(log.notes, want);
  EXPECT_FALSE(MusicPlayerIsPlaying(&player_));
  EXPECT_EQ(player_.eventCounter, 20u);
}

TEST_F(MusicPlayerTest, SongEndStopsTheBufferAndStopWithoutThreadDoesNothing) {
  Prepare(DsoundTestBackend::kStepped, EncodeTestSong({{{50, 0x90, 57, 100}, {20, 0x80, 57, 0}}}));
  MusicPlayerStop(&player_);  // never started: nothing happens
  EXPECT_FALSE(MusicPlayerIsPlaying(&player_));
  MusicPlayerStart(&player_);
  EXPECT_TRUE(MusicPlayerIsPlaying(&player_));
  MusicPlayerStart(&player_);  // already running: nothing happens
  const auto start = Clock::now();
  while (MusicPlayerIsPlaying(&player_) && Clock::now() - start < std::chrono::seconds(20)) {
    DsoundTestStep(441);
    SleepMs(1);
  }
  ASSERT_FALSE(MusicPlayerIsPlaying(&player_));
  DsoundTestTakeCaptured();
  DsoundTestStep(4410);  // a stopped buffer plays nothing
  EXPECT_TRUE(DsoundTestTakeCaptured().empty());
  EXPECT_NE(player_.thread, nullptr);  // the ended thread is still to be joined
  MusicPlayerStop(&player_);
  EXPECT_EQ(player_.thread, nullptr);
  MusicPlayerStop(&player_);
}

TEST_F(MusicPlayerTest, StopDuringALongDeltaReturnsAtOnce) {
  Prepare(DsoundTestBackend::kClock, EncodeTestSong({{{30000, 0x90, 57, 100}}}));
  MusicPlayerStart(&player_);
  SleepMs(30);
  const auto before = Clock::now();
  MusicPlayerStop(&player_);
  EXPECT_FALSE(MusicPlayerIsPlaying(&player_));
  // The event is ten minutes away: waiting for it would hang.
  EXPECT_LT(Clock::now() - before, std::chrono::seconds(1));
  EXPECT_LT(AudioClockGetMs(), 60000);
}

TEST_F(MusicPlayerTest, OfflineAndPacedPlaybackGiveTheSamePcm) {
  // The shared white-noise table is drawn from rand whenever it is created: one channel kept
  // alive across both players keeps the same table for both.
  Channel* keeper = ChannelInit(crt::AlignedNew<Channel>());
  Prepare(DsoundTestBackend::kDrain, EmbeddedSong());
  const std::vector<uint8_t> offline = PlayOffline();
  ASSERT_GT(offline.size(), 190u * 176400u);  // the whole song, 193.5 s
  MusicPlayerCleanup(&player_);
  // Paced: the device plays only what the writer has rendered, 441 frames at a time, so it
  // never runs dry (the clock counts a block just before writing it, hence one block of
  // margin); 6 seconds of the song.
  Prepare(DsoundTestBackend::kStepped, EmbeddedSong());
  MusicPlayerStart(&player_);
  uint32_t played = 0;
  while (played < 6 * 44100) {
    if (AudioClockGetFrames() >= played + 441 + 100) {
      DsoundTestStep(441);
      played += 441;
    } else {
      std::this_thread::yield();
    }
  }
  MusicPlayerStop(&player_);
  const std::vector<uint8_t> paced = DsoundTestTakeCaptured();
  ASSERT_EQ(paced.size(), 6u * 176400u);
  EXPECT_EQ(testsupport::Fnv1a64(paced.data(), paced.size()),
            testsupport::Fnv1a64(offline.data(), paced.size()));
  // The song is not silent: its first six seconds carry a pad, a drone and an impact.
  int peak = 0;
  for (size_t i = 0; i + 1 < paced.size(); i += 2)
    peak = std::max(peak, std::abs(static_cast<int16_t>(paced[i] | paced[i + 1] << 8)));
  EXPECT_GT(peak, 1000);
  ChannelCleanup(keeper);
  crt::AlignedDelete(keeper);
}

TEST_F(MusicPlayerTest, SdlDiskDriverWritesWhatTheOfflineRenderGives) {
  const std::vector<uint8_t> song = EncodeTestSong({{{0, 0x90, 45, 110}, {40, 0x80, 45, 0}}});
  Prepare(DsoundTestBackend::kDrain, song);
  const std::vector<uint8_t> offline = PlayOffline();
  MusicPlayerCleanup(&player_);
  const std::string path = ::testing::TempDir() + "halvex_disk_audio.raw";
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", path.c_str(), 1);
  Prepare(DsoundTestBackend::kDefault, song);
  PlayOffline();
  MusicPlayerCleanup(&player_);  // closes the device and its file
  MusicPlayerInit(&player_);     // TearDown cleans up a player
  unsetenv("SDL_AUDIODRIVER");
  unsetenv("SDL_DISKAUDIOFILE");
  std::ifstream in(path, std::ios::binary);
  const std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), {});
  std::remove(path.c_str());
  ASSERT_GT(file.size(), 88200u) << "the disk driver wrote nothing";
  // Both start with silence (before Play, and the note's fade-in from 0); compare half a second
  // from the first sound on.
  auto firstSound = [](const std::vector<uint8_t>& pcm) {
    size_t i = 0;
    while (i < pcm.size() && pcm[i] == 0) ++i;
    return i - i % 4;
  };
  const size_t f = firstSound(file), o = firstSound(offline);
  ASSERT_LE(f + 88200, file.size());
  ASSERT_LE(o + 88200, offline.size());
  EXPECT_EQ(std::memcmp(file.data() + f, offline.data() + o, 88200), 0);
}

// Records whether flush-to-zero is on in the thread that reports the note.
void RecordFlushToZero(void* context, int32_t, uint8_t, uint8_t) {
  *static_cast<std::atomic<int>*>(context) = (_mm_getcsr() & 0x8000) ? 1 : 0;
}

TEST_F(MusicPlayerTest, SequencerRunsWithFlushToZeroAndEndsWhenTheTracksRunOut) {
  // The head claims more events than the tracks hold: the song ends when every cursor has
  // reached its terminator, never playing a terminator as an event.
  std::vector<uint8_t> song = EncodeTestSong({{{1, 0x90, 57, 100}}, {{2, 0x80, 57, 0}}});
  song[0] = 200;
  Prepare(DsoundTestBackend::kDrain, song);
  std::atomic<int> flushToZero{-1};
  MusicPlayerSetNoteCallback(&player_, RecordFlushToZero, &flushToZero);
  PlayOffline();
  EXPECT_FALSE(MusicPlayerIsPlaying(&player_));
  EXPECT_EQ(player_.eventCounter, 10u);
  EXPECT_EQ(flushToZero.load(), 1);
  EXPECT_EQ(_mm_getcsr() & 0x8000, 0u);  // the test's own thread is untouched
}

TEST_F(MusicPlayerTest, MalformedSongEndsAtOnce) {
  const std::vector<uint8_t> garbage = {1, 2, 3, 4, 5};
  Prepare(DsoundTestBackend::kDrain, garbage);
  PlayOffline();
  EXPECT_FALSE(MusicPlayerIsPlaying(&player_));
  EXPECT_EQ(AudioClockGetFrames(), 0u);
}

TEST_F(MusicPlayerTest, PatchTableGoesToChannelsZeroToFourteen) {
  Prepare(DsoundTestBackend::kDrain, EmbeddedSong());
  std::vector<uint8_t> table(kPatchTableBytes);
  for (size_t i = 0; i < table.size(); ++i) table[i] = static_cast<uint8_t>(i % 101);
  MusicPlayerApplyPatches(&player_, table.data());
  for (int c : {0, 7, 14}) {
    for (int p : {0, 94, 248}) {
      const Param* param = PatchParam(player_.channels[c]->patches[0], p);
      EXPECT_EQ(param->norm, static_cast<float>(table[p * 15 + c]) * 0.01f) << c << " " << p;
    }
  }
  EXPECT_EQ(PatchParam(player_.channels[15]->patches[0], 5)->norm, 0.0f);
  // The embedded pad (channel 2) plays the PAD waveform on oscillator 0 only.
  MusicPlayerApplyPatches(&player_, kEmbeddedPatchTable);
  MusicPlayerBuildPadTables(&player_);
  EXPECT_NE(player_.channels[2]->patches[0]->oscillators[0]->padTable, nullptr);
  EXPECT_EQ(player_.channels[2]->patches[0]->oscillators[1]->padTable, nullptr);
  EXPECT_EQ(player_.channels[0]->patches[0]->oscillators[0]->padTable, nullptr);
}

}  // namespace
