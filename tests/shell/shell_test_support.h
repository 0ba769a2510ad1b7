#pragma once
// Shared set-up of the shell tests: a fresh Device over the win32 and Direct3D stand-ins with
// message boxes captured (skipped without a display), and the main body run in a child.

#include <gtest/gtest.h>

#include <functional>

#include "shell/device_startup.h"

namespace shelltest {

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // DeviceCreateDirect3D over an adapter that lists 640 x 480 and 800 x 600.
  bool CreateDirect3D();
  void ReleaseDirect3D();
  // Frees the listed DisplayModes; the list stays, empty.
  void FreeModes();
  // Runs the message loop's first half until the queue stays empty; true when WM_QUIT was read.
  static bool PumpUntilQuit();

  Device device_{};
};

// In a child process (for EXPECT_EXIT): arranges the hooks with `arrange`, runs the main body
// with the sound drained as fast as the CPU allows (so the production plays faster than real
// time), and exits with its result after printing to stderr the win32 calls ("win32: <call>" a
// line), then "windows=<n> threads=<n> pictures=<some|none>" (a picture: a presented
// frame of more than 32 colours) and "boxes: <text>|<text>|".
[[noreturn]] void RunMainBodyInChild(const std::function<void()>& arrange);

}  // namespace shelltest
