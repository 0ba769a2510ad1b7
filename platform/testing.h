#pragma once
// Test hooks of the stand-in layer: call traces, fault injection, scripted input, readback.
// Included by tests only. Each platform area keeps its hooks in its own header.

#if __has_include("platform/testing_win32.h")
#include "platform/testing_win32.h"
#endif
#if __has_include("platform/testing_d3d9.h")
#include "platform/testing_d3d9.h"
#endif
#if __has_include("platform/testing_dsound.h")
#include "platform/testing_dsound.h"
#endif
#if __has_include("platform/testing_gdi.h")
#include "platform/testing_gdi.h"
#endif
