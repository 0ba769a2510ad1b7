#pragma once
// The fixture of the render and scene suites: a 64 x 64 Device over the stand-in, started and
// shut down as the program does it (window, device, default states, transform state, target
// manager, renderer, frame targets, trigonometric tables). Skipped without a display.
#include "platform/testing.h"
#include "render/renderer.h"
#include "render/target_manager.h"
#include "render/transform_state.h"
#include "shell/device_startup.h"
#include "tests/support/pixels.h"

struct Mesh;
struct Material;

namespace rendertest {

constexpr uint32_t kSize = 64;

constexpr uint32_t kRed = 0xFFFF0000u, kGreen = 0xFF00FF00u, kBlue = 0xFF0000FFu,
                   kWhite = 0xFFFFFFFFu;

// One channel of a 0xAARRGGBB word: 0 blue, 1 green, 2 red, 3 alpha.
inline int Channel(uint32_t word, int channel) { return (word >> (8 * channel)) & 0xFF; }
// A channel value for the fraction f (0..1) as the card stores it.
inline int Byte(double f) { return static_cast<int>(f * 255.0 + 0.5); }

class RenderTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  Renderer& renderer() { return *device_.renderer; }
  TargetManager& targets() { return *device_.targetManager; }
  TransformState& transform() { return *device_.transformState; }
  IDirect3DDevice9* d3d() { return device_.device; }

  // The pixels of a render-target record's texture, top row first.
  std::vector<uint32_t> ReadTarget(const Texture* record);
  std::vector<uint32_t> ReadBack() { return d3d9test::ReadBackBuffer(d3d()); }
  uint32_t BackPixel(uint32_t x, uint32_t y) { return ReadBack()[y * kSize + x]; }
  // Checks pixels of the back buffer against their rows (channels within `tolerance`).
  void ExpectBack(const std::vector<testsupport::PixelRow>& rows, int tolerance = 0) {
    testsupport::ExpectPixels(ReadBack(), kSize, rows, tolerance);
  }
  // Clears the current colour target (and depth) to the colour.
  void Fill(uint32_t colour) { DeviceClear(device_, colour); }

  // A 2D texture record of w x h pixels (row-major, top row first), uploaded, freed at tear-down.
  Texture* Image(uint16_t w, uint16_t h, const std::vector<uint32_t>& pixels, uint32_t linear = 0);
  // A white quad mesh over clip space (z = 0.5), its left half's face of `left`, its right half's
  // of `right`, every vertex with the normal; finished, uploaded, freed at tear-down.
  Mesh* HalvesMesh(Material* left, Material* right, Vec3 normal = {0, 0, 0});

  Device device_{};

 private:
  std::vector<Texture*> images_;
  std::vector<Mesh*> meshes_;
};

}  // namespace rendertest
