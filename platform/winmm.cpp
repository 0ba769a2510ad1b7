#include "platform/winmm.h"

#include "platform/win32_internal.h"

MMRESULT timeBeginPeriod(UINT period) {
  Win32Trace("timeBeginPeriod(%u)", period);
  return TIMERR_NOERROR;
}

MMRESULT timeEndPeriod(UINT period) {
  Win32Trace("timeEndPeriod(%u)", period);
  return TIMERR_NOERROR;
}
