#pragma once
// Shared set-up of the shell tests: a fresh Device over the win32 and Direct3D stand-ins with
// message boxes captured; skipped without a display.

#include <gtest/gtest.h>

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
  static void Pump() { PumpUntilQuit(); }

  Device device_{};
};

}  // namespace shelltest
