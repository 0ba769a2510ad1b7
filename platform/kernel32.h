#pragma once
// kernel32 and winmm stand-in: threads, sleeping, integer helpers, timer resolution.

#include "platform/win32.h"

// a * b / c with a 64-bit intermediate, rounded half away from zero. c = 0 gives -1.
int MulDiv(int a, int b, int c);
