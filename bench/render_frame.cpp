// Rendering layer costs on a 1280 x 720 device: the derived transform matrices (recomputed
// only after a change), the CPU mip chain of a texture upload, the mesh draw of a two-run mesh
// and the glow chain. Prints time per operation, GL calls per draw and the ratios.
// Run under a display (Xvfb with Mesa's software OpenGL in CI).

#include <chrono>
#include <cstdio>
#include <cstring>

#include "math/byte_buffer.h"
#include "mesh/material.h"
#include "mesh/material_run.h"
#include "mesh/mesh.h"
#include "platform/crt.h"
#include "platform/sdl_window.h"
#include "platform/testing_d3d9.h"
#include "render/mesh_buffers.h"
#include "render/renderer.h"
#include "render/screen_draw.h"
#include "render/target_manager.h"
#include "render/texture_upload.h"
#include "render/transform_state.h"
#include "shell/device_startup.h"

namespace {

constexpr uint32_t kWidth = 1280, kHeight = 720;

// Seconds per call of `body`, run `count` times.
template <class Body>
double PerCall(int count, Body body) {
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < count; ++i) body(i);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / count;
}

void BenchTransform(Device& device) {
  TransformState& state = *device.transformState;
  Matrix step;
  MatrixMakeTranslation(step, 0.001f, 0, 0);
  volatile float sink = 0;
  const int n = 200000;
  double cached =
      PerCall(n, [&](int) { sink = sink + TransformStateGetWvpTransposed(state).m[0]; });
  double changed = PerCall(n, [&](int) {
    TransformStateMultiply(state, step);
    sink = sink + TransformStateGetWvpTransposed(state).m[0];
  });
  std::printf("derived matrices: %.1f ns unchanged, %.1f ns after a change (ratio %.1f)\n",
              cached * 1e9, changed * 1e9, changed / cached);
}

void BenchUpload(Device& device) {
  Texture image;
  TextureInit2DFiltered(&image, 256, 256, 1);
  for (uint32_t i = 0; i < 256u * 256u; ++i) image.pixels[i] = i * 2654435761u;
  double seconds = PerCall(50, [&](int) { TextureUpload(&image, device); });
  std::printf("256 x 256 upload with 8 mip levels: %.3f ms (%.1f Mpixel/s)\n", seconds * 1e3,
              256.0 * 256.0 * 4.0 / 3.0 / seconds / 1e6);
  TextureRelease(&image, device);
  TextureFreeImage(&image);
}

Mesh* GridMesh(Device& device, Material* material) {
  const uint32_t side = 64, vertices = side * side, quads = (side - 1) * (side - 1);
  Mesh* mesh = MeshCreate(&device, 0, 0);
  MeshCreateVertexBuffer(vertices, *mesh, *device.renderer, 0);
  MeshCreateIndexBuffer(*device.renderer, *mesh, quads * 6, 0);
  auto* v = static_cast<Vertex*>(MeshLockVertexBuffer(*mesh, vertices));
  std::memset(v, 0, vertices * sizeof(Vertex));
  for (uint32_t i = 0; i < vertices; ++i) {
    v[i].position = {(i % side) / 32.0f - 1.0f, (i / side) / 32.0f - 1.0f, 0.5f};
    v[i].normal = {0, 0, -1};
    v[i].u = v[i].position.x;
    v[i].v = v[i].position.y;
  }
  MeshUnlockVertexBuffer(*mesh);
  auto* index = static_cast<uint16_t*>(MeshLockIndexBuffer(*mesh, quads * 6));
  for (uint32_t q = 0; q < quads; ++q) {
    uint16_t a = static_cast<uint16_t>((q / (side - 1)) * side + q % (side - 1));
    const uint16_t corners[6] = {a,
                                 static_cast<uint16_t>(a + 1),
                                 static_cast<uint16_t>(a + side),
                                 static_cast<uint16_t>(a + side),
                                 static_cast<uint16_t>(a + 1),
                                 static_cast<uint16_t>(a + side + 1)};
    std::memcpy(index + q * 6, corners, sizeof corners);
  }
  MeshUnlockIndexBuffer(*mesh);
  mesh->vertexCount = vertices;
  ByteBufferResize(mesh->runs, 2 * sizeof(MaterialRun));
  auto* runs = reinterpret_cast<MaterialRun*>(mesh->runs.data);
  runs[0] = {material, 0, quads};
  runs[1] = {material, quads * 3, quads};
  return mesh;
}

void BenchDraws(Device& device) {
  Material material;
  MaterialInit(material);
  Mesh* mesh = GridMesh(device, &material);
  Renderer& renderer = *device.renderer;
  RendererSetShaderMode(renderer.shaders, kShaderModeLit);
  const int draws = 500;
  uint64_t calls = d3d9test::GlCalls();
  double drawSeconds = PerCall(draws, [&](int) { RendererDrawMesh(renderer, *mesh, 0, nullptr); });
  device.device->EndScene();
  device.device->Present(nullptr, nullptr, nullptr, nullptr);
  double glPerDraw = static_cast<double>(d3d9test::GlCalls() - calls) / draws;
  device.device->BeginScene();
  RendererSetShaderMode(renderer.shaders, kShaderModeScreenQuad);
  double glowSeconds = PerCall(50, [&](int) { RenderGlow(device, nullptr); });
  device.device->EndScene();
  device.device->Present(nullptr, nullptr, nullptr, nullptr);
  std::printf("mesh draw (7938 triangles, 2 runs): %.1f us, %.1f GL calls per draw\n",
              drawSeconds * 1e6, glPerDraw);
  std::printf("glow chain at %u x %u: %.3f ms (%.1f mesh draws)\n", kWidth, kHeight,
              glowSeconds * 1e3, glowSeconds / drawSeconds);
  MeshDestroy(mesh);
}

}  // namespace

int main() {
  if (!Win32InitVideo()) {
    std::printf("no display: nothing measured\n");
    return 0;
  }
  Device device;
  DeviceInit(&device);
  device.d3d = Direct3DCreate9(D3D_SDK_VERSION);
  if (!device.d3d || !DeviceCreateWindow(device, kWidth, kHeight, 0)) return 1;
  device.width = kWidth;
  device.height = kHeight;
  device.transformState = TransformStateInit(crt::AlignedNew<TransformState>(), &device);
  device.targetManager =
      TargetManagerInit(crt::AlignedNew<TargetManager>(), device.device, &device);
  device.renderer = RendererInit(crt::AlignedNew<Renderer>(), &device, device.device);
  DeviceCreateFrameTargets(device, kWidth, kHeight);
  TargetManagerBeginScene(*device.targetManager);

  BenchTransform(device);
  BenchUpload(device);
  BenchDraws(device);

  DeviceReleaseFrameTargets(device);
  RendererCleanup(*device.renderer);
  crt::AlignedDelete(device.renderer);
  TargetManagerCleanup(*device.targetManager);
  crt::AlignedDelete(device.targetManager);
  TransformStateCleanup(*device.transformState);
  crt::AlignedDelete(device.transformState);
  DeviceDestroyWindow(device, 0);
  return 0;
}
