#pragma once
// The setup dialog: the user picks a display mode from the Device's list and whether to run
// in a window. The program's only configuration.

#include <cstdint>

#include "math/list.h"
#include "platform/dialog.h"

constexpr WORD kSetupDialogResource = 101;
constexpr int kSetupWindowedCheckBox = 1002;
constexpr int kSetupModeList = 1003;

// The size start-up uses when the list offers no mode (no display mode of at least
// 640 x 480): OK still goes on, full screen at this size.
constexpr uint32_t kFallbackModeWidth = 640;
constexpr uint32_t kFallbackModeHeight = 480;

// Runs the dialog over `modes` (a List of DisplayMode pointers) and returns its end code: 1
// after OK, 2 after Cancel or closing it, or the dialog call's own error code (-1) when it
// cannot be shown. Whatever the code, the outputs are set: the chosen mode's size (the first
// mode when none was chosen; 640 x 480 when the list is empty) and full screen 1 unless "Run
// windowed" was checked when the dialog ended.
int32_t RunSetupDialog(List* modes, uint32_t* width, uint32_t* height, uint8_t* fullScreen);

// The dialog procedure: fills the list on WM_INITDIALOG, follows the selection and the check
// box, ends on OK (1), Cancel and close (2). TRUE for what it handled.
INT_PTR SetupDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
