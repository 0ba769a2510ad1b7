// The end of the run when the X server goes away (killed, or its connection broken): nothing can
// be shown any more, so the process ends as a failed start-up does, with one line and -1.
#include <X11/Xlib.h>
#include <unistd.h>

#include "platform/win32_internal.h"

namespace {

// Xlib calls this once a connection is lost and ends the process itself if it returns; only
// async-signal-safe calls here, as the library state is undefined.
int DisplayClosed(Display*) {
  static const char kLine[] = "halvex: the display closed\n";
  [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, kLine, sizeof kLine - 1);
  _exit(255);  // -1 as the process reports it
}

}  // namespace

void Win32EndOnDisplayLoss() { XSetIOErrorHandler(DisplayClosed); }
