// Scene rendering and the timeline frame on the Direct3D stand-in: letterbox viewports, work
// skipped without a change to the picture, sub-scenes rendered into textures and the colour
// fades. What the passes draw is held by the production's reference frames.
#include "mesh/material.h"
#include "music/audio_clock.h"
#include "scene/light.h"
#include "scene_fixture.h"

namespace {

using rendertest::Channel;
using rendertest::kBlue;
using rendertest::kRed;
using SceneRenderTest = scenetest::SceneTest;

// A background fills the band, the clear colour the rest. The first render of the device opens
// the 2D state itself: its background is drawn in pixel coordinates like every later one. The
// render leaves the overlay transform pushed for the fades, once, not once per frame.
TEST_F(SceneRenderTest, LetterboxBandBackgroundAndAspect) {
  Scene& scene = NewScene();
  Camera& camera = *scene.camera;
  CameraSetHeightFraction(camera, 0.5f);
  scene.clearColor = kBlue;
  scene.background = Solid(kRed);
  for (int frame = 0; frame < 2; ++frame) {
    SceneRender(scene, 0.0f, device_, nullptr);
    SCOPED_TRACE(frame);
    ExpectBack({{32, 32, kRed}, {1, 20, kRed}, {32, 2, kBlue}, {32, 61, kBlue}});
  }
  EXPECT_EQ(transform().index, 1);
  CameraSetLetterboxViewport(camera, nullptr);
  const D3DVIEWPORT9 v = d3d9test::Viewport(d3d());
  EXPECT_TRUE(v.Y == 16 && v.Height == 32 && v.Width == 64 && camera.aspect == 2.0);
  // A target of its own size: 32 x 20, band round(10) at round(5).
  Texture* target = TargetManagerCreateTarget(targets(), 32, 20);
  CameraSetLetterboxViewport(camera, target);
  EXPECT_TRUE(camera.viewport->y == 5 && camera.viewport->h == 10);
  CameraSetFullViewport(camera, target);
  EXPECT_TRUE(camera.viewport->h == 20 && camera.aspect == 1.6);
  // Apply projects with the aspect it finds (the full one) and leaves the band's for next time.
  CameraApply(camera, target);
  EXPECT_TRUE(camera.aspect == 3.2 && d3d9test::Viewport(d3d()).Height == 10);
  // The smallest fraction (1/256) on a target under 128 pixels high keeps a one-pixel band.
  CameraSetHeightFraction(camera, 1.0f / 256.0f);
  CameraSetLetterboxViewport(camera, target);
  EXPECT_TRUE(camera.viewport->h == 1 && camera.aspect == 32.0);
}

// An enabled white light at (x, 0, 0) in the slot.
Light& AddLight(Scene& scene, int slot, float x, float range) {
  Light* light = scene.lights[slot] = LightInit(crt::AlignedNew<Light>());
  light->enabled = 1;
  for (float& c : light->diffuse) c = 1.0f;
  light->range = range;
  MatrixTranslate(*light->matrix, x, 0.0f, 0.0f);
  return *light;
}
// Work skipped because its result cannot reach the screen leaves every pixel as the full order
// of passes draws it. A model behind the camera draws nothing but turns skipped work back on in
// the full render: a layer-1 model the layer-1 passes, A's compositions and the glow; a
// refracting model outside the special passes every copy into C (copies after the last special
// pass are otherwise skipped), which a refracting special box reads in front of a lit dark one
// of its layer. C holds another colour before each of the two renders: the first copy must
// clear it. A glow too faint to add one step stands for the glow a strength of 0 skips.
TEST_F(SceneRenderTest, SkippedWorkLeavesThePixels) {
  Material glass, dark[2];  // a colour per layer: C left by the other row does not match
  for (Material* m : {&glass, &dark[0], &dark[1]}) MaterialInit(*m);
  glass.refraction = 1;
  dark[0].diffuse = Solid(0xFF400000u);
  dark[1].diffuse = Solid(0xFF004000u);
  Texture* background = Solid(0xFF203040u);
  // Fog; the layer of a special visible model (-1: an ordinary one); a glow of 0 in the skipping
  // render and of 1e-4 in the full one, with the hidden model in both (else a glow of 0.6 and
  // the hidden model only in the full render).
  const std::tuple<uint8_t, int, bool> cases[] = {
      {0, -1, false}, {1, -1, false}, {1, -1, true}, {1, 0, false}, {1, 1, false}};
  for (auto [fog, special, noGlow] : cases) {
    Model& visible = special < 0 ? FinishedBox(0, 0) : FinishedBox(uint8_t(special), 0, &glass);
    visible.special = special >= 0;
    Model& hidden = special < 0 ? FinishedBox(1, 0) : FinishedBox(0, 0, &glass);
    std::vector<uint32_t> pixels[2];
    for (int full = 0; full < 2; ++full) {
      Scene& scene = NewScene();
      scene.background = background;
      AddLight(scene, 0, 0, 100);
      *scene.fog = FogSettings{fog, kRed, 0.5f, 1.0f};
      scene.glow = noGlow ? (full ? 1e-4f : 0.0f) : 0.6f;
      AddLeaf(scene, &visible, special < 0 ? 5.0f : 4.0f);
      if (special >= 0) AddLeaf(scene, &FinishedBox(uint8_t(special), 1, &dark[special]), 6.0f);
      if (full || noGlow) AddLeaf(scene, &hidden, -50.0f);
      if (device_.FrameTargetC) {  // what another render left in C differs between the two
        TargetManagerSelect(*device_.targetManager, device_.FrameTargetC, 0);
        DeviceClear(device_, full ? 0xFF000000u : 0xFF808080u);
      }
      SceneRender(scene, 0.0f, device_, nullptr);
      pixels[full] = ReadBack();
    }
    EXPECT_EQ(pixels[0], pixels[1]) << +fog << " " << special << " " << noGlow;
  }
}

// A sub-scene renders into its texture before its parent; the frame targets follow the last
// target drawn. A sub-scene of its own size and its parent take turns with two sets of frame
// targets; a set taken back is cleared as a new one starts, so a sub-scene that draws its
// background into A without clearing it draws the same picture every frame. A 2 x 2 target has
// no quarter-size glow targets: the render skips the glow and still draws. A scene that lists
// itself as a sub-scene stops after a few nested renders instead of recursing until the stack
// runs out, and its own picture is still drawn.
TEST_F(SceneRenderTest, SubScenesTinyTargetsAndSelfReferences) {
  Scene& inner = NewScene();
  inner.background = Solid(0x80008000u);
  inner.backgroundIntoA = 1;
  Texture holder{}, self{};
  holder.target = TargetManagerCreateTarget(targets(), 32, 32);
  Scene& outer = NewScene();
  outer.background = Solid(kRed);
  SceneAddSubScene(outer, crt::AlignedNew<SceneTarget>(&inner, &holder, uint8_t{0}, 0.0f));
  std::vector<uint32_t> frames[3];
  for (std::vector<uint32_t>& frame : frames) {
    SceneRender(outer, 0.0f, device_, nullptr);
    frame = ReadTarget(holder.target);
    EXPECT_EQ(frame, frames[0]);
  }
  EXPECT_GT(Channel(frames[0][16 * 32 + 16], 1), 0x40);
  EXPECT_TRUE(BackPixel(32, 32) == kRed && device_.FrameTargetA->width == rendertest::kSize);
  Texture* tiny = TargetManagerCreateTarget(targets(), 2, 2);
  SceneRender(outer, 0.0f, device_, tiny);
  EXPECT_TRUE(device_.GlowTarget3 == nullptr && ReadTarget(tiny)[3] == kRed);
  self.target = TargetManagerCreateTarget(targets(), 16, 16);
  SceneAddSubScene(outer, crt::AlignedNew<SceneTarget>(&outer, &self, uint8_t{0}, 0.0f));
  SceneRender(outer, 0.0f, device_, nullptr);
  EXPECT_TRUE(device_.GlowTarget3 && BackPixel(32, 32) == kRed);
  EXPECT_EQ(ReadTarget(self.target)[8 * 16 + 8], kRed);
}

class TimelineFrameTest : public SceneRenderTest, public scenetest::OwnedTimeline {
 protected:
  void SetUp() override {
    SceneRenderTest::SetUp();
    if (IsSkipped()) return;
    AudioClockReset();
    timeline = TimelineCreate(&device_);
  }
  void At(uint32_t ms) {
    AudioClockReset();
    AudioClockAdvance(ms * 441 / 10);
  }
};

// A clip without a camera leaves the buffer as it was and the production goes on; sync values
// are taken each rendered frame. A colour fade shows the clip's colour (alpha byte ignored) at
// full strength at its start and none once local time reaches the fade; the next clip's fade
// (here a zero-length clip that only fades the end) covers the last fade seconds: 0.5 s left of
// 1 s is half.
TEST_F(TimelineFrameTest, CameralessClipsFadesAndTheEnd) {
  Scene &empty = NewScene(false), &black = NewScene();
  Add(&empty, 1.0f);
  Add(&black, 2.0f, 1.0f, kClipColorFade, 0x000000FFu);
  Add(&black, 0.0f, 1.0f, kClipColorFade, 0x0000FF00u);
  Fill(rendertest::kGreen);
  At(500);
  EXPECT_TRUE(TimelineRenderFrame());
  EXPECT_TRUE(BackPixel(32, 32) == rendertest::kGreen && timeline->currentScene == nullptr);
  timeline->sync->value[4] = 1.0f;
  for (auto [ms, colour] :
       {std::pair{1000u, 0xFF0000FFu}, {2000u, 0xFF000000u}, {2500u, 0xFF008000u}}) {
    At(ms);
    ASSERT_TRUE(TimelineRenderFrame());
    EXPECT_TRUE(testsupport::Near(BackPixel(32, 32) | 0xFF000000u, colour, 2)) << ms;
  }
  EXPECT_TRUE(timeline->currentScene == &black && timeline->sync->value[4] == 0.0f);
  At(3000);
  EXPECT_FALSE(TimelineRenderFrame());
}

// Drawing every clip's start before play changes nothing that playback shows: the picture on
// screen stays, the next frame is the one a fresh start draws (A, which the background is drawn
// into without a clear, is transparent again), the 2D state is closed and the alpha test the
// light passes leave on is off. The window's messages are read after each clip until they say
// stop; a stopped warm-up leaves the same.
TEST_F(TimelineFrameTest, WarmUpLeavesWhatPlaybackSees) {
  Scene& scene = NewScene();
  scene.background = Solid(0xFF008000u);
  scene.backgroundIntoA = 1;
  AddLeaf(scene, &FinishedBox(0, 1));
  AddLight(scene, 0, 0, 100.0f);
  Add(&scene, 1.0f, 0.5f, kClipColorFade, 0xFF0000FFu);
  Add(&scene, 1.0f);
  static int reads = 0, stopAt = 0;  // stop at the stopAt-th read; 0: never
  std::vector<uint32_t> frames[2];
  for (std::vector<uint32_t>& frame : frames) {
    At(100);
    ASSERT_TRUE(TimelineRenderFrame());
    frame = ReadBack();
    reads = 0, stopAt = &frame == frames ? 0 : 1;
    TimelineWarmUp([] { return ++reads != stopAt; });
    EXPECT_EQ(reads, 2 - stopAt);  // one read after each of the two clips
    EXPECT_EQ(ReadBack(), frame);
    EXPECT_TRUE(d3d9test::RenderState(d3d(), D3DRS_ALPHATESTENABLE) == 0 && transform().index == 0);
    AudioClockReset();
    TimelineStart();
  }
  EXPECT_EQ(frames[0], frames[1]);
}

// Entering a scene restarts its programs from zeroed registers, also when the timeline
// returns to a scene it played before; staying in a scene keeps them running.
TEST_F(TimelineFrameTest, EnteringASceneRestartsItsPrograms) {
  scenetest::Tracks owned;
  Scene &a = NewScene(), &b = NewScene();
  LeafNode* leaf = AddLeaf(a, nullptr, 0.0f);
  AnimBinding* binding = AnimBindingInit(crt::AlignedNew<AnimBinding>(), leaf->matrix, 0);
  AnimBindingAddTrack(*binding, owned.Make({kTrackLinear, 1, 0.0f, {}, {scenetest::kCounter}}));
  SceneAddBinding(a, binding);
  for (Scene* clip : {&a, &b, &a}) Add(clip, 1.0f);
  const std::pair<uint32_t, float> frames[] = {{100, 1.0f},  {200, 2.0f},  {300, 3.0f},
                                               {1500, 3.0f}, {2100, 1.0f}, {2200, 2.0f}};
  for (auto [ms, x] : frames) {
    At(ms);
    ASSERT_TRUE(TimelineRenderFrame());
    EXPECT_EQ(leaf->matrix->m[12], x) << "at " << ms << " ms";
  }
}

}  // namespace
