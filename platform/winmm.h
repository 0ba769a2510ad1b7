#pragma once
// winmm stand-in: the system timer resolution. Linux timers are fine-grained already, so
// both calls succeed and change nothing.

#include "platform/win32.h"

using MMRESULT = UINT;
constexpr MMRESULT TIMERR_NOERROR = 0;

// Period in milliseconds; always TIMERR_NOERROR.
MMRESULT timeBeginPeriod(UINT period);
MMRESULT timeEndPeriod(UINT period);
