#pragma once
// Start-up and shutdown of the Device: the window, the Direct3D object and device, the display
// modes, the window procedure and the resize that follows it. Main thread only.

#include <cstdint>

#include "platform/win32.h"
#include "render/device.h"
#include "shell/display_mode.h"

struct D3DPRESENT_PARAMETERS;

// Constructs in place: everything absent or zero, empty mode and texture lists, fog start 0.0,
// end 100.0, colour 0xFFFFFFFF. Returns device.
Device* DeviceInit(Device* device);
// Creates the Direct3D object, checks the capabilities (pixel shader 2.0, X8R8G8B8 modes) and
// fills the mode list (modes of at least 640 x 480 whose width and height both differ from
// every listed mode). False after a message box.
bool DeviceCreateDirect3D(Device& device);
// Window, Direct3D device, default render states and material, TransformState, TargetManager,
// Renderer, frame targets, trigonometric tables, one resize check. False after a message box.
bool DeviceStartUp(Device& device, uint32_t width, uint32_t height, uint8_t fullScreen);
// Window class "w", display mode (full screen), window, Direct3D device, cursor, title.
bool DeviceCreateWindow(Device& device, uint32_t width, uint32_t height, uint8_t fullScreen);
void DeviceSetWindowTitle(Device& device);
// The same presentation parameters at creation and at every reset: the back buffer takes the
// client size (0), one A8R8G8B8 buffer with D24S8 depth, no multisampling, flip, no wait for the
// retrace. Windowed in both modes: full screen is a popup over a changed display mode.
D3DPRESENT_PARAMETERS DevicePresentParameters(HWND window);
// IDirect3DDevice9::Reset with the presentation parameters of creation (result not tested).
void DeviceReset(Device& device);
// Frame targets, Renderer, TargetManager, TransformState, device and window, trig tables.
void DeviceShutDown(Device& device);
// Releases the device and the Direct3D object, destroys the window (unless windowGone),
// restores the display mode and cursor, unregisters the class.
void DeviceDestroyWindow(Device& device, uint8_t windowGone);
// Escape destroys the window; WM_SIZE records the client size (a non-zero size raises the
// resize flag); WM_DESTROY posts the quit message.
LRESULT WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// When the resize flag is raised, lowers it; when the recorded size differs from width/height,
// writes it out and returns true. False otherwise.
bool WindowPollResize(uint32_t& width, uint32_t& height);
// Per idle pass: on a changed client size releases every default-pool resource, resets the
// device, recreates them at the new size, clears to black and resets the shader mode.
bool DeviceHandleResize(Device& device);
