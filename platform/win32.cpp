#include "platform/win32.h"

struct InstanceRecord {};

namespace {
InstanceRecord g_instance;
}

HINSTANCE GetModuleHandleA(LPCSTR) { return &g_instance; }
