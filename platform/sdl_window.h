#pragma once
// Inside the stand-in layer only: the SDL window behind a window handle, for the Direct3D
// stand-in that makes its OpenGL context on it, and the display modes it reports as adapter
// modes. System code never includes this.

#include <SDL2/SDL.h>

#include "platform/win32.h"

// Starts SDL's video and event subsystems once per process (other areas start their own
// subsystems with SDL_InitSubSystem; SDL is never shut down by the stand-in). False when no
// display can be opened; the answer is remembered.
bool Win32InitVideo();

// The SDL window of a live window handle; null for null, a destroyed window or a dialog.
// Windows are made with SDL_WINDOW_OPENGL after setting the GL attributes: core profile 3.3,
// double buffered, no depth or stencil in the default framebuffer.
SDL_Window* Win32GetSdlWindow(HWND window);

// Keeps the SDL window of a live handle open past DestroyWindow (hidden) until the matching
// release, so a GL context made on it outlives the handle; the Direct3D device holds its
// window this way from creation to release. Null (and no hold) for a handle without one.
SDL_Window* Win32RetainSdlWindow(HWND window);
void Win32ReleaseSdlWindow(SDL_Window* window);

// Display modes of display 0, as SDL lists them (largest first, refresh-rate variants
// separate). Count 0 without a display; false for an index out of range.
struct Win32DisplayMode {
  int width;
  int height;
  int refreshRate;  // Hz, 0 when unknown
};
int Win32DisplayModeCount();
bool Win32GetDisplayMode(int index, Win32DisplayMode* mode);
