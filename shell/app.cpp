#include "shell/app.h"

int WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return RunApplication(); }

// Start-up, the message loop and shutdown arrive with the application shell; until then the
// program ends at once with the normal exit code.
int32_t RunApplication() { return 0; }
