// The production's scene script on a real device: it loads behind the loading bar, its
// timeline lasts as long as the song, and a frame of every clip shows a picture. With
// HALVEX_PNG_DIR set, the frames are written there as PNG files to look at.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "loader/scene_reader.h"
#include "loader_test_util.h"
#include "music/audio_clock.h"
#include "music/embedded_music.h"
#include "music/song.h"
#include "platform/crt.h"
#include "platform/d3d9.h"
#include "platform/sdl_window.h"
#include "platform/testing.h"
#include "render/shader.h"
#include "scene/scene.h"
#include "scene/timeline.h"
#include "shell/device_startup.h"
#include "support/test_support.h"
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

class ProductionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ShaderForgetBound();
    if (!Win32InitVideo()) GTEST_SKIP() << "no display";
    d3d9test::ResetHooks();
    TestCaptureMessageBoxes(true);
    DeviceInit(&device_);
    d3d9test::SetAdapterModes({{640, 480, 60, D3DFMT_X8R8G8B8}});
    ASSERT_TRUE(DeviceCreateDirect3D(device_));
    ASSERT_TRUE(DeviceStartUp(device_, kWidth, kHeight, 0));
  }
  void TearDown() override {
    if (!device_.modes) return;  // skipped
    reader_.reset();
    AudioClockReset();
    DeviceShutDown(device_);
    for (DisplayMode* mode : ListItems<DisplayMode>(*device_.modes)) crt::AlignedFree(mode);
    ListDestroy(device_.modes);
    ListDestroy(device_.textures);
    TestCaptureMessageBoxes(false);
    d3d9test::ResetHooks();
    ShaderForgetBound();
  }

  // Renders the frame of audio time t (seconds) and returns the back buffer.
  std::vector<uint32_t> RenderAt(float t) {
    AudioClockReset();
    AudioClockAdvance(static_cast<uint32_t>(t * 44100.0f) / 100 * 100);
    TimelineBeginFrame();
    EXPECT_TRUE(TimelineRenderFrame()) << t;
    std::vector<uint32_t> pixels = d3d9test::ReadBackBuffer(device_.device);
    TimelineEndFrame();
    return pixels;
  }

  Device device_{};
  loadertest::ReaderPtr reader_;
};

TEST_F(ProductionTest, LoadsAndShowsEveryClip) {
  reader_.reset(SceneReaderCreate(&device_));
  ASSERT_EQ(RunSceneScript(*reader_), reader_->timeline);
  EXPECT_EQ(reader_->ticks, reader_->expectedTicks);  // the bar reaches its end exactly
  Timeline& timeline = *reader_->timeline;
  ASSERT_GT(ListCount(*timeline.clips), 0u);
  float total = 0.0f;
  for (const Clip* clip : ListItems<Clip>(*timeline.clips)) total += clip->duration;
  // The player handles each event at the first 100-frame block past it, so the music ends up
  // to a second behind its ticks; the picture must last to the music's end, not beyond it.
  EXPECT_GE(total, SongSeconds());
  EXPECT_LE(total, SongSeconds() + 1.0f);

  TimelineStoreRest();
  TimelineStart();
  float start = 0.0f;
  int index = 0;
  for (const Clip* item : ListItems<Clip>(*timeline.clips)) {
    const Clip& clip = *item;
    ASSERT_NE(clip.scene->camera, nullptr) << "clip " << index;
    if (clip.duration == 0.0f) continue;  // the closing fade: never current, only its fade shows
    for (float at : {0.5f, 0.85f}) {
      float t = start + clip.duration * at;
      std::vector<uint32_t> frame = RenderAt(t);
      ASSERT_EQ(frame.size(), size_t{kWidth} * kHeight);
      EXPECT_GT(testsupport::DistinctColours(frame, 64), 32u)
          << "clip " << index << " at " << t << " s";
      const std::string name = "clip" + std::to_string(index) + "_" + std::to_string(int(at * 100));
      testsupport::HashAndMaybeWrite(name.c_str(), kWidth, kHeight, frame.data());
    }
    start += clip.duration;
    ++index;
  }
}

// Frames presented while loading, and the last one.
int g_presented = 0;
std::vector<uint32_t> g_lastFrame;
void KeepFrame(IDirect3DDevice9* device) {
  ++g_presented;
  g_lastFrame = d3d9test::ReadBackBuffer(device);
}

// Thirty ticks present exactly two loading frames, wherever the process-wide redraw counter
// stands: black with the frame outline and the bar (full: no ticks expected) in white.
TEST_F(ProductionTest, LoadingBarFrames) {
  std::string text = "ticks 0\n";
  for (int i = 0; i < 29; ++i) text += "opcode 8\n";
  d3d9test::SetPresentHook(KeepFrame);
  reader_ = loadertest::RunScript(text, &device_);
  d3d9test::SetPresentHook(nullptr);
  EXPECT_EQ(reader_->ticks, 30u);
  EXPECT_EQ(g_presented, 2);
  const uint32_t white = 0xFFFFFFFFu;
  testsupport::ExpectPixels(g_lastFrame, kWidth,
                            {{kWidth / 2, kHeight / 2, white}, {2, 2, 0xFF000000u}});
  const int lit =
      static_cast<int>(g_lastFrame.size()) - testsupport::CountOther(g_lastFrame, kWidth, white);
  EXPECT_GE(lit, 100 * 10 + 2 * 104);  // the bar and at least the outline's long sides
  EXPECT_LE(lit, 104 * 14);
}

}  // namespace
