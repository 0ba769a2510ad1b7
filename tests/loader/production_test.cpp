// The production's scene script on a real device: it loads behind the loading bar, its
// timeline lasts as long as the song, and frames of every clip match their stored references
// (tests/data/frames; scripts/update-references rewrites them after a change on purpose).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>

#include "loader_test_util.h"
#include "music/embedded_music.h"
#include "music/music_player.h"
#include "music/song.h"
#include "platform/crt.h"
#include "platform/d3d9.h"
#include "platform/sdl_window.h"
#include "platform/testing.h"
#include "shell/device_startup.h"
#include "tests/support/pixels.h"
#include "tests/support/references.h"
#include "tests/support/song_clock.h"

namespace {

// 256 x 144 keeps the 40 stored frames near 1.5 MB (RGB PNG, about 38 KB each).
constexpr uint32_t kWidth = 256, kHeight = 144;
// The frames compared, as fractions of each clip (its start is often a flash of one colour).
constexpr float kSamples[] = {0.3f, 0.7f};
// Up to 18 pixels (0.05%) may differ by more than 4 levels in a channel. Measured: on the
// software rasteriser the frames are bit-identical across runs, rasteriser thread counts (0, 1,
// 2, 8) and vector widths, Xvfb screens of 1280x1024 and 1920x1080, in the Release and the
// sanitizer builds, so the allowance only absorbs a rounding change of a filter or a blend
// (a level or two, on any number of pixels) or of an edge rule (a few pixels along a
// silhouette). Faults put in to try it change far more: the squad blend weight halved, 28 of
// the 40 frames (up to 64% of their pixels); a light's specular and ambient colours swapped,
// 34 (up to 100%); a texture's add-colour run as subtract, 20 (up to 41%); tangents not made
// perpendicular to the normals, 17 (up to 14%); the vertex depth not remapped to the
// platform's range, 4 (0.11% to 0.34%, the smallest twice the allowance). Another rasteriser
// differs beyond any useful allowance (up to 9% of pixels by more than 8): the references are
// this one's.
constexpr testsupport::ImageTolerance kFrameTolerance = {4, 0.0005};
// Seconds to the song's last event: the longest track's delta ticks, 880 audio frames each.
float SongSeconds() {
  Song* song = SongDecode(kEmbeddedSong, kEmbeddedSongSize, nullptr);
  uint32_t ticks = 0;
  for (int t = 0; t < kSongTracks; ++t) {
    uint32_t sum = 0;
    for (uint32_t e = 0; e < song->tracks[t].count; ++e) sum += song->tracks[t].events[e].delta;
    ticks = std::max(ticks, sum);
  }
  SongFree(song);
  return static_cast<float>(ticks) * 880.0f / 44100.0f;
}

// A track without a loop whose keys end before its clip's cut leaves its target at rest for
// the clip's last frames: the picture snaps back to its opening view unless the last key is
// the rest pose itself (no offset, no turn).
bool SnapsBackBeforeCut(const AnimTrack& track, float clipSeconds) {
  if (track.loop || !track.keys->first) return false;
  const TrackKey& last = *ListNodeAs<const TrackKey>(*track.keys->last);
  if (last.time >= clipSeconds) return false;
  const Vec3& p = *last.pose.position;
  const Quaternion& q = *last.pose.rotation;
  return std::fabs(p.x) + std::fabs(p.y) + std::fabs(p.z) > 1e-4f ||
         std::fabs(std::fabs(q.w) - 1.0f) > 1e-4f;
}

// Frames presented while loading, and the last one.
int g_presented = 0;
std::vector<uint32_t> g_lastFrame;

TEST(ProductionTest, LoadsAndEveryClipMatchesItsReferenceFrames) {
  if (!Win32InitVideo()) GTEST_SKIP() << "no display";
  TestCaptureMessageBoxes(true);
  Device device{};
  DeviceInit(&device);
  d3d9test::SetAdapterModes({{640, 480, 60, D3DFMT_X8R8G8B8}});
  ASSERT_TRUE(DeviceCreateDirect3D(device));
  ASSERT_TRUE(DeviceStartUp(device, kWidth, kHeight, 0));
  d3d9test::SetPresentHook([](IDirect3DDevice9* d3d) {
    ++g_presented;
    g_lastFrame = d3d9test::ReadBackBuffer(d3d);
  });
  crt::srand(1);  // the generator as the program starts it, whatever ran before in this process
  loadertest::ReaderPtr reader(SceneReaderCreate(&device), loadertest::FreeReader);
  ASSERT_EQ(RunSceneScript(*reader), reader->timeline);
  d3d9test::SetPresentHook(nullptr);
  // Loading presents a frame every fifteen ticks, wherever the process-wide counter stands: the
  // last one black with the frame outline and the bar (nearly full) in white; the bar reaches
  // its end exactly.
  EXPECT_EQ(reader->ticks, reader->expectedTicks);
  EXPECT_NEAR(g_presented, reader->ticks / 15.0, 1.0);
  const uint32_t white = 0xFFFFFFFFu;
  testsupport::ExpectPixels(g_lastFrame, kWidth,
                            {{kWidth / 2, kHeight / 2, white}, {2, 2, 0xFF000000u}});
  const int lit =
      static_cast<int>(g_lastFrame.size()) - testsupport::CountOther(g_lastFrame, kWidth, white);
  EXPECT_GE(lit, 90 * 10 + 2 * 104);  // most of the bar and at least the outline's long sides
  EXPECT_LE(lit, 104 * 14);

  // As the program plays: every clip's start drawn once off-screen, then the song from 0,
  // sequenced here so that each frame has the sync values of playback at its audio time.
  TimelineStoreRest();
  TimelineWarmUp(nullptr);
  MusicPlayer* player = MusicPlayerInit(crt::AlignedNew<MusicPlayer>());
  testsupport::SongClock clock = testsupport::SongClockStart(player);
  TimelineStart();
  float start = 0.0f;
  int index = 0;
  for (const Clip* clip : ListItems<Clip>(*reader->timeline->clips)) {
    ASSERT_NE(clip->scene->camera, nullptr) << "clip " << index;
    if (clip->duration == 0.0f) continue;  // the closing fade: never current, only its fade shows
    for (const AnimBinding* binding : ListItems<AnimBinding>(*clip->scene->bindings)) {
      for (const BindingEntry* entry : ListItems<BindingEntry>(*binding->entries)) {
        EXPECT_FALSE(SnapsBackBeforeCut(*entry->track, clip->duration)) << "clip " << index;
      }
    }
    for (size_t sample = 0; sample < std::size(kSamples); ++sample) {
      const float t = start + clip->duration * kSamples[sample];
      testsupport::SongClockAdvance(clock, t);
      TimelineBeginFrame();
      EXPECT_TRUE(TimelineRenderFrame()) << t;
      const std::vector<uint32_t> frame = d3d9test::ReadBackBuffer(device.device);
      TimelineEndFrame();
      char name[32], what[48];
      std::snprintf(name, sizeof name, "frames/clip%02d_%zu", index, sample);
      std::snprintf(what, sizeof what, "clip %d at %.3f s", index, t);
      EXPECT_TRUE(
          testsupport::MatchesReferenceImage(name, what, frame, kWidth, kHeight, kFrameTolerance));
    }
    start += clip->duration;
    ++index;
  }
  MusicPlayerCleanup(player);
  crt::AlignedDelete(player);
  // The player handles each event at the first 100-frame block past it, so the music ends up
  // to a second behind its ticks; the picture must last to the music's end, not beyond it.
  EXPECT_GE(start, SongSeconds());
  EXPECT_LE(start, SongSeconds() + 1.0f);
  reader.reset();
  DeviceShutDown(device);
  for (DisplayMode* mode : ListItems<DisplayMode>(*device.modes)) crt::AlignedFree(mode);
  ListDestroy(device.modes);
  ListDestroy(device.textures);
}

}  // namespace
