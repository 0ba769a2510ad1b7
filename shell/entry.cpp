// Process entry: what the platform's C run-time start-up does before calling WinMain.
#include "shell/app.h"

int main() {
  char commandLine[] = "";
  return WinMain(GetModuleHandleA(nullptr), nullptr, commandLine, SW_SHOWNORMAL);
}
