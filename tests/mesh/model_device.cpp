#include "model_device.h"

#include "math/list.h"
#include "mesh/generators.h"
#include "mesh/trig_tables.h"
#include "platform/crt.h"
#include "platform/d3d9.h"
#include "platform/sdl_window.h"
#include "platform/testing.h"
#include "render/renderer.h"
#include "render/shader.h"
#include "render/transform_state.h"

namespace meshtest {

namespace {
constexpr const char* kClass = "modeltest";
LRESULT TestProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}
}  // namespace

void ModelDeviceTest::SetUp() {
  ShaderForgetBound();
  if (!Win32InitVideo()) GTEST_SKIP() << "no display";
  d3d9test::ResetHooks();
  TestCaptureMessageBoxes(true);
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = TestProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = kClass;
  RegisterClassA(&windowClass);
  window_ = CreateWindowExA(0, kClass, "", WS_POPUP, 0, 0, kSize, kSize, nullptr, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(window_, nullptr);
  DeviceInit(&device_);
  device_.window = window_;
  device_.width = device_.height = kSize;
  device_.d3d = Direct3DCreate9(D3D_SDK_VERSION);
  ASSERT_NE(device_.d3d, nullptr);
  D3DPRESENT_PARAMETERS p{};
  p.BackBufferFormat = D3DFMT_A8R8G8B8;
  p.SwapEffect = D3DSWAPEFFECT_FLIP;
  p.hDeviceWindow = window_;
  p.Windowed = TRUE;
  p.EnableAutoDepthStencil = TRUE;
  p.AutoDepthStencilFormat = D3DFMT_D24S8;
  p.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
  ASSERT_EQ(device_.d3d->CreateDevice(0, D3DDEVTYPE_HAL, window_,
                                      D3DCREATE_HARDWARE_VERTEXPROCESSING, &p, &device_.device),
            D3D_OK);
  device_.transformState = TransformStateInit(crt::AlignedNew<TransformState>(), &device_);
  device_.renderer = RendererInit(crt::AlignedNew<Renderer>(), &device_, device_.device);
  TrigTablesCreate();
}

void ModelDeviceTest::TearDown() {
  if (!device_.modes) return;  // skipped
  for (Model* model : models_) {
    ModelDestroyContents(*model);
    crt::AlignedDelete(model);
  }
  TrigTablesDestroy();
  if (device_.renderer) RendererCleanup(*device_.renderer);
  crt::AlignedDelete(device_.renderer);
  if (device_.transformState) TransformStateCleanup(*device_.transformState);
  crt::AlignedDelete(device_.transformState);
  if (device_.device) device_.device->Release();
  if (device_.d3d) device_.d3d->Release();
  ListDestroy(device_.modes);
  ListDestroy(device_.textures);
  if (window_) DestroyWindow(window_);
  UnregisterClassA(kClass, GetModuleHandleA(nullptr));
  TestCaptureMessageBoxes(false);
  d3d9test::ResetHooks();
  ShaderForgetBound();
}

Model& ModelDeviceTest::NewModel() {
  models_.push_back(ModelInit(crt::AlignedNew<Model>(), &device_));
  return *models_.back();
}

Model& ModelDeviceTest::BoxModel(float h) {
  Model& model = NewModel();
  Mesh* box = MeshCreateBox(2 * h, 2 * h, 2 * h, nullptr, &device_);
  ModelAddMesh(model, *box);
  MeshDestroy(box);
  return model;
}

uint32_t ModelDeviceTest::DrawMiddle(Model& model, const Matrix* world, uint8_t ambient) {
  IDirect3DDevice9* d = device_.device;
  d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
  d->BeginScene();
  ModelDraw(model, nullptr, world, model.layer, model.blended, model.special, ambient, 0, nullptr);
  d->EndScene();
  const std::vector<uint32_t> pixels = d3d9test::ReadBackBuffer(d);
  return pixels[(kSize / 2) * kSize + kSize / 2];
}

std::vector<std::string> TraceLines(bool on) {
  std::vector<std::string> lines = d3d9test::Trace();
  d3d9test::SetTrace(on);
  return lines;
}

std::string RenderStateLine(uint32_t state, uint32_t value) {
  return "SetRenderState(" + std::to_string(state) + ", " + std::to_string(value) + ")";
}

}  // namespace meshtest
