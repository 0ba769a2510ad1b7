#include "tests/support/render_fixture.h"

#include <cstring>
#include <span>

#include "mesh/generators.h"
#include "mesh/mesh.h"
#include "platform/crt.h"
#include "platform/sdl_window.h"
#include "render/mesh_finish.h"
#include "render/texture_upload.h"

namespace rendertest {

void RenderTest::SetUp() {
  ShaderForgetBound();
  if (!Win32InitVideo()) GTEST_SKIP() << "no display";
  TestCaptureMessageBoxes(true);
  DeviceInit(&device_);
  device_.d3d = Direct3DCreate9(D3D_SDK_VERSION);
  ASSERT_NE(device_.d3d, nullptr);
  ASSERT_TRUE(DeviceStartUp(device_, kSize, kSize, 0));
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
  DeviceShutDown(device_);
  ListDestroy(device_.modes);
  ListDestroy(device_.textures);
  TestCaptureMessageBoxes(false);
  d3d9test::ResetHooks();
  ShaderForgetBound();
}

std::vector<uint32_t> RenderTest::ReadTarget(const Texture* record) {
  return d3d9test::ReadTextureLevel(static_cast<IDirect3DTexture9*>(record->texture), 0);
}

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
  // A 2 x 2 sheet of two quads in the xy plane: face 0 the left half, face 1 the right.
  Mesh* mesh = MeshCreateSheet(2, 2, 2, 1, 0, 0, left, &device_);
  mesh->faces[1]->material = right;
  for (Vertex& v : std::span(mesh->vertices, mesh->vertexCount))
    v.position.z = 0.5f, v.normal = normal, v.color = 0xFFFFFFFFu;
  MeshFinish(*mesh, 0, 0.0f);
  MeshUpload(*mesh, 0);
  meshes_.push_back(mesh);
  return mesh;
}

}  // namespace rendertest
