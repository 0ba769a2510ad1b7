#include "tests/support/render_fixture.h"

#include <cstring>

#include "math/byte_buffer.h"
#include "mesh/material_run.h"
#include "mesh/mesh.h"
#include "platform/crt.h"
#include "platform/sdl_window.h"
#include "platform/testing.h"
#include "render/mesh_buffers.h"
#include "render/shader.h"
#include "render/texture_upload.h"

namespace rendertest {

void RenderTest::SetUp() {
  ShaderForgetBound();
  if (!Win32InitVideo()) GTEST_SKIP() << "no display";
  TestCaptureMessageBoxes(true);
  DeviceInit(&device_);
  device_.d3d = Direct3DCreate9(D3D_SDK_VERSION);
  ASSERT_NE(device_.d3d, nullptr);
  ASSERT_TRUE(DeviceCreateWindow(device_, kSize, kSize, 0));
  device_.width = kSize;
  device_.height = kSize;
  device_.transformState = TransformStateInit(crt::AlignedNew<TransformState>(), &device_);
  device_.targetManager =
      TargetManagerInit(crt::AlignedNew<TargetManager>(), device_.device, &device_);
  device_.renderer = RendererInit(crt::AlignedNew<Renderer>(), &device_, device_.device);
  DeviceCreateFrameTargets(device_, kSize, kSize);
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  DeviceHandleResize(device_);  // lowers the flag of the window's first size
  TargetManagerBeginScene(targets());
}

void RenderTest::TearDown() {
  if (!device_.device) return;
  d3d()->EndScene();
  for (Mesh* mesh : meshes_) MeshDestroy(mesh);
  for (Texture* image : images_) {
    TextureRelease(image, device_);
    TextureDestroy(image);
  }
  TargetManagerSelect(targets(), nullptr, 0);
  DeviceReleaseFrameTargets(device_);
  RendererCleanup(renderer());
  crt::AlignedDelete(device_.renderer);
  TargetManagerCleanup(targets());
  crt::AlignedDelete(device_.targetManager);
  TransformStateCleanup(transform());
  crt::AlignedDelete(device_.transformState);
  DeviceDestroyWindow(device_, 0);
  ListDestroy(device_.modes);
  ListDestroy(device_.textures);
  TestCaptureMessageBoxes(false);
  d3d9test::ResetHooks();
  ShaderForgetBound();
}

std::vector<uint32_t> RenderTest::ReadTarget(const Texture* record) {
  return d3d9test::ReadTextureLevel(static_cast<IDirect3DTexture9*>(record->texture), 0);
}

std::vector<uint32_t> RenderTest::ReadBack() { return d3d9test::ReadBackBuffer(d3d()); }

Texture* RenderTest::Image(uint16_t w, uint16_t h, const std::vector<uint32_t>& pixels,
                           uint32_t linear) {
  Texture* image = crt::AlignedNew<Texture>();
  TextureInit2DFiltered(image, w, h, linear);
  std::memcpy(image->pixels, pixels.data(), pixels.size() * 4);
  TextureUpload(image, device_);
  images_.push_back(image);
  return image;
}

Mesh* RenderTest::HalvesMesh(Material* left, Material* right, Vec3 normal) {
  // Vertices 0-3 the left half (x -1..0), 4-7 the right half (x 0..1).
  static const float kX[8] = {-1, 0, -1, 0, 0, 1, 0, 1};
  static const float kY[8] = {1, 1, -1, -1, 1, 1, -1, -1};
  static const uint16_t kIndices[12] = {0, 1, 2, 2, 1, 3, 4, 5, 6, 6, 5, 7};
  Mesh* mesh = MeshCreate(&device_, 0, 0);
  MeshCreateVertexBuffer(8, *mesh, renderer(), 0);
  MeshCreateIndexBuffer(renderer(), *mesh, 12, 0);
  auto* vertices = static_cast<Vertex*>(MeshLockVertexBuffer(*mesh, 8));
  std::memset(vertices, 0, 8 * sizeof(Vertex));
  for (int i = 0; i < 8; ++i) {
    vertices[i].position = {kX[i], kY[i], 0.5f};
    vertices[i].u = (kX[i] + 1.0f) / 2.0f;
    vertices[i].v = (1.0f - kY[i]) / 2.0f;
    vertices[i].color = 0xFFFFFFFFu;
    vertices[i].normal = normal;
  }
  MeshUnlockVertexBuffer(*mesh);
  std::memcpy(MeshLockIndexBuffer(*mesh, 12), kIndices, sizeof kIndices);
  MeshUnlockIndexBuffer(*mesh);
  mesh->vertexCount = 8;
  ByteBufferResize(mesh->runs, 2 * sizeof(MaterialRun));
  auto* runs = reinterpret_cast<MaterialRun*>(mesh->runs.data);
  runs[0] = {left, 0, 2};
  runs[1] = {right, 6, 2};
  meshes_.push_back(mesh);
  return mesh;
}

}  // namespace rendertest
