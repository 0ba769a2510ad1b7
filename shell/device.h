#pragma once
// The application's one graphics object: the Direct3D object and device, the window, the
// display modes the setup dialog offers, the back-buffer size, the fog parameters, the six frame
// targets and the state objects of the rendering layer. Passed to nearly every graphics
// function. One per run, allocated by the main body and never freed (only its contents are
// released at shutdown). Main thread only.

#include <cstdint>

#include "math/list.h"
#include "platform/win32.h"

struct IDirect3D9;
struct IDirect3DDevice9;
struct Texture;
struct TransformState;
struct TargetManager;
struct Renderer;

// One entry of the display-mode list: text "<width> x <height> x 32", zero-terminated.
struct DisplayMode {
  char text[64];
  uint32_t width;         // pixels
  uint32_t height;        // pixels
  uint32_t bitsPerPixel;  // always 32
};

struct Device {
  IDirect3D9* d3d;
  IDirect3DDevice9* device;
  List* modes;  // DisplayMode pointers, in the adapter's enumeration order
  HWND window;
  uint8_t fullScreen;
  uint32_t height;    // back-buffer height = client-area height, pixels
  uint32_t width;     // back-buffer width = client-area width, pixels
  float fogStart;     // distance, default 0.0
  float fogEnd;       // distance, default 100.0
  uint32_t fogColor;  // 0xAARRGGBB, default 0xFFFFFFFF
  // Render-target texture records of the target manager: A, B, C at the back-buffer size,
  // the glow targets at width / 4 x height / 4 (integer division).
  Texture* FrameTargetA;
  Texture* GlowTarget1;
  Texture* GlowTarget2;
  Texture* GlowTarget3;
  Texture* FrameTargetB;
  Texture* FrameTargetC;
  List* textures;  // Texture records that hold a Direct3D texture
  TransformState* transformState;
  TargetManager* targetManager;
  Renderer* renderer;
};
