#pragma once
// The main body: start-up, message loop and shutdown.

#include "platform/win32.h"

// The entry point the process start calls. Ignores its four arguments; returns
// RunApplication's result as the exit code.
int WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);

// Runs the whole production. Returns 0 after a normal end, -1 when start-up fails or the
// setup dialog is cancelled.
int32_t RunApplication();
