// The production's scene script on a real device: it loads behind the loading bar, its
// timeline lasts as long as the song, and frames of every clip show a picture (the production
// frames benchmark writes such frames as PNG files to look at).
#include <algorithm>

#include "loader_test_util.h"
#include "music/audio_clock.h"
#include "music/embedded_music.h"
#include "music/song.h"
#include "platform/d3d9.h"
#include "platform/sdl_window.h"
#include "platform/testing.h"
#include "shell/device_startup.h"
#include "tests/support/pixels.h"

namespace {

constexpr uint32_t kWidth = 320, kHeight = 180;
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

// Frames presented while loading, and the last one.
int g_presented = 0;
std::vector<uint32_t> g_lastFrame;

TEST(ProductionTest, LoadsAndShowsEveryClip) {
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

  TimelineStoreRest();
  TimelineStart();
  float start = 0.0f;
  int index = 0;
  for (const Clip* clip : ListItems<Clip>(*reader->timeline->clips)) {
    ASSERT_NE(clip->scene->camera, nullptr) << "clip " << index;
    if (clip->duration == 0.0f) continue;  // the closing fade: never current, only its fade shows
    for (float at : {0.5f, 0.85f}) {
      const float t = start + clip->duration * at;
      AudioClockReset();
      AudioClockAdvance(static_cast<uint32_t>(t * 44100.0f) / 100 * 100);
      TimelineBeginFrame();
      EXPECT_TRUE(TimelineRenderFrame()) << t;
      const std::vector<uint32_t> frame = d3d9test::ReadBackBuffer(device.device);
      TimelineEndFrame();
      EXPECT_GT(testsupport::DistinctColours(frame, 64), 32u)
          << "clip " << index << " at " << t << " s";
    }
    start += clip->duration;
    ++index;
  }
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
