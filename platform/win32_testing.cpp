#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <utility>

#include "platform/sdl_window.h"
#include "platform/testing_win32.h"
#include "platform/win32_internal.h"

namespace {

std::mutex g_traceMutex;
bool g_tracing = false;
std::vector<std::string> g_trace;
std::vector<std::string> g_failingCalls;
bool g_capturingBoxes = false;
std::vector<TestMessageBox> g_boxes;
int g_dialogWatchdogMs = 0;
std::string g_dialogKeys;
bool g_dialogScripted = false;
std::vector<TestDialogAction> g_dialogScript;

void PushWindowEvent(HWND window, uint8_t event, int data1, int data2) {
  SDL_Window* sdlWindow = Win32GetSdlWindow(window);
  if (sdlWindow == nullptr) return;
  SDL_Event sdlEvent{};
  sdlEvent.type = SDL_WINDOWEVENT;
  sdlEvent.window.windowID = SDL_GetWindowID(sdlWindow);
  sdlEvent.window.event = event;
  sdlEvent.window.data1 = data1;
  sdlEvent.window.data2 = data2;
  SDL_PushEvent(&sdlEvent);
}

}  // namespace

void Win32Trace(const char* format, ...) {
  std::lock_guard lock(g_traceMutex);
  if (!g_tracing) return;
  char line[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  g_trace.emplace_back(line);
}

bool Win32ShouldFail(const char* callName) {
  std::lock_guard lock(g_traceMutex);
  for (const std::string& name : g_failingCalls) {
    if (name == callName) return true;
  }
  return false;
}

bool Win32CaptureMessageBox(LPCSTR text, LPCSTR caption, UINT type) {
  if (!g_capturingBoxes) return false;
  g_boxes.push_back({text, caption, type});
  return true;
}

bool Win32TakeDialogScript(std::vector<TestDialogAction>* actions) {
  if (!g_dialogScripted) return false;
  g_dialogScripted = false;
  *actions = std::move(g_dialogScript);
  g_dialogScript.clear();
  return true;
}

int Win32DialogWatchdogMs() { return g_dialogWatchdogMs; }

std::string Win32TakeDialogKeys() { return std::exchange(g_dialogKeys, std::string()); }

void TestWin32TraceStart() {
  std::lock_guard lock(g_traceMutex);
  g_trace.clear();
  g_tracing = true;
}

std::vector<std::string> TestWin32TraceStop() {
  std::lock_guard lock(g_traceMutex);
  g_tracing = false;
  return std::move(g_trace);
}

void TestWin32FailCall(const char* callName) {
  std::lock_guard lock(g_traceMutex);
  g_failingCalls.emplace_back(callName);
}

void TestWin32ClearFaults() {
  std::lock_guard lock(g_traceMutex);
  g_failingCalls.clear();
}

void TestCaptureMessageBoxes(bool capture) {
  g_capturingBoxes = capture;
  if (capture) g_boxes.clear();
}

std::vector<TestMessageBox> TestCapturedMessageBoxes() { return g_boxes; }

void TestInjectKey(HWND window, WPARAM virtualKey) {
  SDL_Window* sdlWindow = Win32GetSdlWindow(window);
  if (sdlWindow == nullptr) return;
  for (uint32_t type : {SDL_KEYDOWN, SDL_KEYUP}) {
    SDL_Event sdlEvent{};
    sdlEvent.type = type;
    sdlEvent.key.windowID = SDL_GetWindowID(sdlWindow);
    sdlEvent.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    sdlEvent.key.keysym.sym = Win32SdlKeyFromVirtual(virtualKey);
    SDL_PushEvent(&sdlEvent);
  }
}

void TestInjectClose(HWND window) { PushWindowEvent(window, SDL_WINDOWEVENT_CLOSE, 0, 0); }

void TestInjectResize(HWND window, int width, int height) {
  SDL_Window* sdlWindow = Win32GetSdlWindow(window);
  if (sdlWindow != nullptr) SDL_SetWindowSize(sdlWindow, width, height);
}

void TestInjectMinimise(HWND window) { PushWindowEvent(window, SDL_WINDOWEVENT_MINIMIZED, 0, 0); }

void TestInjectRestore(HWND window) { PushWindowEvent(window, SDL_WINDOWEVENT_RESTORED, 0, 0); }

void TestScriptDialog(std::vector<TestDialogAction> actions) {
  g_dialogScripted = true;
  g_dialogScript = std::move(actions);
}

void TestDialogWatchdog(int milliseconds) { g_dialogWatchdogMs = milliseconds; }

void TestDialogKeys(const char* keys) { g_dialogKeys = keys != nullptr ? keys : ""; }
