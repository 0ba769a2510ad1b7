#pragma once
// Inside the stand-in layer only: the SDL window behind a window handle, for the Direct3D
// stand-in that makes its OpenGL context on it. System code never includes this.

#include <SDL2/SDL.h>

#include "platform/win32.h"

// The SDL window of a live window handle; null for null or a destroyed window.
SDL_Window* Win32GetSdlWindow(HWND window);
