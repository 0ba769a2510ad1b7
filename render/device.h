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
struct D3DPRESENT_PARAMETERS;
struct Texture;
struct TransformState;
struct TargetManager;
struct Renderer;

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
  // The six frame targets of the size drawn before, in the order C, B, A, G1, G2, G3: a
  // sub-scene of its own size and its parent take turns with them instead of recreating them.
  Texture* spareFrameTargets[6];
  List* textures;  // Texture records that hold a Direct3D texture
  TransformState* transformState;
  TargetManager* targetManager;
  Renderer* renderer;
};

// ---- State switches and frame targets (render/device_state.cpp) ----------------------------

// The state switches of DeviceEnable and DeviceDisable; id 2 and ids above 7 switch nothing.
enum DeviceSwitch : uint32_t {
  kSwitchTextureStages = 0,  // disable only: unbinds the textures of stages 0-3
  kSwitchBlending = 1,       // alpha blending
  kSwitchDepthTest = 3,
  kSwitchDepthWrite = 4,
  kSwitchDepthBias = 5,  // disable only: slope-scaled and constant bias back to 0
  kSwitchCulling = 6,    // enable culls counter-clockwise faces
  kSwitchScissorTest = 7,
};

void DeviceEnable(Device& device, uint32_t id);
void DeviceDisable(Device& device, uint32_t id);
// D3DBLEND source and destination, D3DBLENDOP operation.
void DeviceSetBlendFunc(Device& device, uint32_t source, uint32_t destination, uint32_t operation);
// 0 solid, 1 wireframe, 2 points of 3 pixels; other modes nothing.
void DeviceSetFillMode(Device& device, uint32_t mode);
// On: reference 8, GREATEREQUAL. Off: alpha test disabled.
void DeviceSetAlphaTest(Device& device, uint8_t on);
// Clears colour (0xAARRGGBB) and depth (1.0) of the viewport.
void DeviceClear(Device& device, uint32_t color);
void DeviceSetViewport(Device& device, uint32_t x, uint32_t y, uint32_t width, uint32_t height);
// Stores the fog colour (0xAARRGGBB), start and end distances for the mesh draw.
void DeviceSetFog(Device& device, uint32_t color, float start, float end);
uint32_t DeviceGetWidth(const Device& device);
uint32_t DeviceGetHeight(const Device& device);
// C, B, A at width x height, then the glow targets at width / 4 x height / 4.
void DeviceCreateFrameTargets(Device& device, uint32_t width, uint32_t height);
// Gives back C, B, A, G1, G2, G3 and the spare set; the fields become absent.
void DeviceReleaseFrameTargets(Device& device);
// The frame targets for a final target of width x height: nothing when A has that size; else
// the current set and the spare set swap, and the set now current is kept, cleared to
// transparent black as a new one starts, when A has that size, or given back and replaced by
// DeviceCreateFrameTargets.
void DeviceFitFrameTargets(Device& device, uint32_t width, uint32_t height);
