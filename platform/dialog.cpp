#include "platform/win32_internal.h"

// Dialog controls arrive with the dialog stand-in; until then they answer nothing.
LRESULT DialogSendMessage(HWND, UINT, WPARAM, LPARAM) { return 0; }
