// The main body in a child of this test on a sound clock faster than real time (it keeps
// process-wide state and never frees the Device), with the dialog scripted; and the real
// program, built beside this test, run as a user would run it on the test display (its setup
// dialog and its window typed into with xdotool).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "platform/d3d9.h"
#include "platform/sdl_window.h"
#include "platform/testing_d3d9.h"
#include "platform/testing_dsound.h"
#include "platform/testing_win32.h"
#include "shell/app.h"
#include "tests/support/pixels.h"

extern char** environ;

namespace {

int g_pictures = 0;

void CountPicture(IDirect3DDevice9* device) {
  if (testsupport::DistinctColours(d3d9test::ReadBackBuffer(device), 33) > 32) ++g_pictures;
}

// In a child process (for EXPECT_EXIT): arranges the hooks with `arrange`, runs the main body
// with the sound drained as fast as the CPU allows (so the production plays faster than real
// time), and exits with its result after printing to stderr the win32 calls ("win32: <call>" a
// line), then "windows=<n> threads=<n> pictures=<some|none>" (a picture: a presented
// frame of more than 32 colours) and "boxes: <text>|<text>|".
[[noreturn]] void RunMainBodyInChild(const std::function<void()>& arrange) {
  if (!Win32InitVideo()) std::exit(100);
  d3d9test::ResetHooks();
  d3d9test::SetAdapterModes({{640, 480, 60, D3DFMT_X8R8G8B8}, {800, 600, 60, D3DFMT_X8R8G8B8}});
  d3d9test::SetPresentHook(CountPicture);
  DsoundTestSetBackend(DsoundTestBackend::kDrain);
  TestCaptureMessageBoxes(true);
  arrange();
  TestWin32TraceStart();
  const int32_t result = RunApplication();
  int windows = 0, threads = 0;
  for (const std::string& line : TestWin32TraceStop()) {
    std::fprintf(stderr, "win32: %s\n", line.c_str());
    windows += line.rfind("CreateWindowExA(", 0) == 0;
    threads += line.rfind("CreateThread(", 0) == 0;
  }
  std::string boxes;
  for (const TestMessageBox& box : TestCapturedMessageBoxes()) boxes += box.text + "|";
  std::fprintf(stderr, "windows=%d threads=%d pictures=%s\nboxes: %s\n", windows, threads,
               g_pictures > 0 ? "some" : "none", boxes.c_str());
  std::fflush(stderr);
  std::exit(result);
}

constexpr int kExitFailed = 255;  // -1 as the process reports it

// Cancel and closing the dialog, and each start-up failure (with its one box), end the run
// with -1 before any frame: no sequencer thread, and a failing window or device gives the
// display mode back.
TEST(MainBody, CancelAndStartUpFailuresEndWithMinusOne) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  if (!Win32InitVideo()) GTEST_SKIP() << "no display";
  using Action = TestDialogActionKind;
  const auto fullScreen = [] { TestScriptDialog({{Action::kOk}}); };
  const std::string restored = "ChangeDisplaySettingsA\\(null, 0\\).*windows=1";
  const std::vector<std::tuple<std::function<void()>, std::string, const char*>> cases = {
      {[] {
         TestScriptDialog({{Action::kSelect, 1}, {Action::kCancel}});
       },
       "windows=0", ""},
      {[] { TestScriptDialog({{Action::kClose}}); }, "windows=0", ""},
      {[] { d3d9test::FailCall("Direct3DCreate9", D3DERR_NOTAVAILABLE); }, "windows=0",
       "Could not create D3D object!"},
      {[] { d3d9test::FailCall("GetDeviceCaps", D3DERR_INVALIDCALL); }, "windows=0",
       "Could not get graphics card capabilities!"},
      {[] { d3d9test::SetShaderVersions(0xFFFE0101, 0xFFFF0104); }, "windows=0",
       "You need at least a shader model 2.0 compatible graphics card!"},
      {[] { d3d9test::SetAdapterModes({}); }, "windows=0",
       "Your graphics card doesn't support the X8R8G8B8 format!"},
      {[&] { fullScreen(), TestWin32FailCall("CreateWindowExA"); }, restored,
       "Could not create window!"},
      {[&] { fullScreen(), d3d9test::FailCall("CreateDevice", D3DERR_NOTAVAILABLE); }, restored,
       "Could not create D3D device!"},
  };
  for (const auto& [arrange, windows, box] : cases) {
    SCOPED_TRACE(box);
    const std::string boxes = *box ? std::string(box) + "\\|" : "";
    EXPECT_EXIT(RunMainBodyInChild(arrange), ::testing::ExitedWithCode(kExitFailed),
                windows + " threads=0 pictures=none\nboxes: " + boxes + "\n");
  }
}

// Polls `done` every 50 ms for up to `limitMs`; whether it came true.
bool Within(int limitMs, const std::function<bool()>& done) {
  for (int waited = 0; !done(); waited += 50) {
    if (waited > limitMs) return false;
    usleep(50000);
  }
  return true;
}

// A process started from a path, killed when the record goes.
struct Child {
  pid_t pid = -1;
  int code = -2;  // exit code 0..255 once ended; -1 when it did not end normally; -2 running

  bool Start(std::string path) {
    char* argv[] = {path.data(), nullptr};
    return posix_spawn(&pid, argv[0], nullptr, nullptr, argv, environ) == 0;
  }
  bool Ended(int milliseconds) {
    return Within(milliseconds, [this] {
      int status = 0;
      if (waitpid(pid, &status, WNOHANG) != pid) return false;
      code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      return true;
    });
  }
  ~Child() {
    if (pid > 0 && code == -2) kill(pid, SIGKILL), waitpid(pid, nullptr, 0);
  }
};

// The visible windows of process `pid` as xdotool lists them (windows of other tests on the
// same display never match).
std::vector<unsigned long> VisibleWindows(pid_t pid) {
  std::vector<unsigned long> windows;
  const std::string search = "xdotool search --onlyvisible --pid " + std::to_string(pid);
  FILE* output = popen((search + " 2>/dev/null").c_str(), "r");
  if (output == nullptr) return windows;
  for (char line[64]; std::fgets(line, sizeof line, output) != nullptr;)
    windows.push_back(std::strtoul(line, nullptr, 10));
  pclose(output);
  return windows;
}

// The first visible window of `pid` other than `except` within 60 seconds; 0 when none showed.
unsigned long FindWindow(pid_t pid, unsigned long except = 0) {
  unsigned long found = 0;
  Within(60000, [&] {
    for (unsigned long window : VisibleWindows(pid))
      if (window != except) found = window;
    return found != 0;
  });
  return found;
}

// Gives the window the focus and presses `key` (an xdotool key name) until the window is gone
// within two seconds, at most ten times: with no window manager, a window of another test that
// shows meanwhile takes the focus, and the key then goes astray.
bool PressUntilGone(pid_t pid, unsigned long window, const std::string& key) {
  for (int attempt = 0; attempt < 10; ++attempt) {
    const std::string id = std::to_string(window);
    std::system(("timeout 10 xdotool windowfocus --sync " + id + "; timeout 10 xdotool key " + key)
                    .c_str());
    if (Within(2000, [&] {
          const std::vector<unsigned long> windows = VisibleWindows(pid);
          return std::find(windows.begin(), windows.end(), window) == windows.end();
        }))
      return true;
  }
  return false;
}

// Starts the program and answers its setup dialog with `key`; the dialog's window, or 0 when
// no dialog showed or it did not close.
unsigned long StartAndAnswerDialog(Child& program, const std::string& path, const char* key) {
  if (!program.Start(path)) return 0;
  const unsigned long dialog = FindWindow(program.pid);
  return dialog != 0 && PressUntilGone(program.pid, dialog, key) ? dialog : 0;
}

// Escape in the dialog ends the program with -1; Enter starts it, and Escape in its window ends
// the run normally; played to its end, the production shows pictures and ends with 0.
TEST(Program, CancelEscapeAndTheWholeProduction) {
  if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no display";
  if (std::system("command -v xdotool > /dev/null") != 0) GTEST_SKIP() << "no xdotool";
  const std::string path =
      std::filesystem::read_symlink("/proc/self/exe").parent_path() / "../halvex";
  ASSERT_EQ(access(path.c_str(), X_OK), 0) << path;
  // Typed dialogs of tests running side by side on one display take turns; the program's own
  // window takes the focus when it shows, so the turn lasts until this test ends.
  const int lock = open("/tmp/halvex-typed-dialog.lock", O_CREAT | O_RDWR | O_CLOEXEC, 0666);
  if (lock >= 0) flock(lock, LOCK_EX);
  Child cancelled, escaped;
  ASSERT_NE(StartAndAnswerDialog(cancelled, path, "Escape"), 0u);
  ASSERT_TRUE(cancelled.Ended(60000));
  EXPECT_EQ(cancelled.code, 255);

  const unsigned long dialog = StartAndAnswerDialog(escaped, path, "Return");
  ASSERT_NE(dialog, 0u);
  const unsigned long window = FindWindow(escaped.pid, dialog);
  ASSERT_NE(window, 0u) << "no window";
  ASSERT_TRUE(PressUntilGone(escaped.pid, window, "Escape"));
  // The song alone runs for over three minutes: an end within seconds of the press is Escape's.
  ASSERT_TRUE(escaped.Ended(20000));
  EXPECT_EQ(escaped.code, 0);

  // Forked without a new exec: the child shares this test's turn on the display.
  GTEST_FLAG_SET(death_test_style, "fast");
  EXPECT_EXIT(RunMainBodyInChild([] {
                TestScriptDialog({{TestDialogActionKind::kToggle}, {TestDialogActionKind::kOk}});
              }),
              ::testing::ExitedWithCode(0), "windows=1 threads=1 pictures=some\nboxes: \n$");
}

}  // namespace
