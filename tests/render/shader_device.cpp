#include "render/shader_device.h"

#include "platform/sdl_window.h"
#include "render/shader.h"

namespace {
constexpr const char* kClass = "shadertest";
LRESULT TestProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}
}  // namespace

void ShaderDeviceTest::SetUp() {
  ShaderForgetBound();
  if (!Win32InitVideo()) GTEST_SKIP() << "no display";
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = TestProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = kClass;
  RegisterClassA(&windowClass);
  window_ = CreateWindowExA(0, kClass, "", WS_POPUP, 0, 0, kSize, kSize, nullptr, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(window_, nullptr);
  d3d_ = Direct3DCreate9(D3D_SDK_VERSION);
  ASSERT_NE(d3d_, nullptr);
  D3DPRESENT_PARAMETERS p{};
  p.BackBufferFormat = D3DFMT_A8R8G8B8;
  p.SwapEffect = D3DSWAPEFFECT_FLIP;
  p.hDeviceWindow = window_;
  p.Windowed = TRUE;
  p.EnableAutoDepthStencil = TRUE;
  p.AutoDepthStencilFormat = D3DFMT_D24S8;
  p.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
  ASSERT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, window_, D3DCREATE_HARDWARE_VERTEXPROCESSING, &p,
                               &device_),
            D3D_OK);
  device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  device_->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
  TestCaptureMessageBoxes(true);
}

void ShaderDeviceTest::TearDown() {
  TestCaptureMessageBoxes(false);
  if (device_) device_->Release();
  if (d3d_) d3d_->Release();
  if (window_) DestroyWindow(window_);
  UnregisterClassA(kClass, GetModuleHandleA(nullptr));
  d3d9test::ResetHooks();
  ShaderForgetBound();
}
