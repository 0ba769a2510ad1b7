#pragma once
// Test hooks of the win32, dialog, kernel32 and winmm stand-ins: call trace, fault injection,
// captured message boxes, injected window input and a scripted dialog. Main thread only
// (the trace itself may be written from any thread).

#include <string>
#include <vector>

#include "platform/win32.h"

// ---- Call trace -------------------------------------------------------------------------
// Starts a fresh trace: each traced call appends one line, its name and its arguments, for
// example "CreateWindowExA(w, 0x80000000, 0, 0, 640, 480)" or "ShowCursor(0) = -1".
void TestWin32TraceStart();
// Stops tracing and returns the lines written since the start.
std::vector<std::string> TestWin32TraceStop();

// ---- Fault injection --------------------------------------------------------------------
// Calls of this name fail as the platform reports failure, until TestWin32ClearFaults:
// CreateWindowExA, UnregisterClassA, CreateThread, DialogBoxParamA.
void TestWin32FailCall(const char* callName);
void TestWin32ClearFaults();

// ---- Message boxes ----------------------------------------------------------------------
struct TestMessageBox {
  std::string text;
  std::string caption;
  UINT type;
};
// While capturing, MessageBoxA records its box here instead of showing it (the stderr line
// is still written). Starting a capture clears the list.
void TestCaptureMessageBoxes(bool capture);
std::vector<TestMessageBox> TestCapturedMessageBoxes();

// ---- Window input -----------------------------------------------------------------------
// Queue SDL events for a live window as the display would deliver them; PeekMessageA turns
// them into messages. A key press is a key-down and a key-up of the virtual key.
void TestInjectKey(HWND window, WPARAM virtualKey);
void TestInjectClose(HWND window);
// Resizes the client area for real and queues the size change.
void TestInjectResize(HWND window, int width, int height);
void TestInjectMinimise(HWND window);
void TestInjectRestore(HWND window);

// ---- Scripted dialog --------------------------------------------------------------------
enum class TestDialogActionKind {
  kSelect,  // the user selects list item `item` of the dialog's first list box
  kToggle,  // the user clicks the dialog's first check box
  kOk,      // the user presses Enter (the default button)
  kCancel,  // the user presses Escape
  kClose,   // the user clicks the title bar's close button
};
struct TestDialogAction {
  TestDialogActionKind kind;
  int item = 0;
};
// The next DialogBoxParamA opens no window: it builds the dialog's controls from the
// template, sends WM_INITDIALOG, then plays the actions through the same routing as real
// input, in order, until the dialog procedure calls EndDialog. Actions left over are dropped;
// a script that ends before EndDialog makes DialogBoxParamA return -1.
void TestScriptDialog(std::vector<TestDialogAction> actions);

// The next real dialog, once it shows, gets these X key presses (xdotool key names separated
// by spaces, for example "Down Down Return"), 100 ms apart, each after giving the dialog the
// keyboard focus. Typed dialogs of test processes running side by side take turns.
void TestDialogKeys(const char* keys);
// Real dialogs opened from now on close themselves as if by their close button after this
// many milliseconds (0: never), so a test whose input went astray fails instead of hanging.
void TestDialogWatchdog(int milliseconds);
