// The real program, built beside this test, run as a user would run it on the test display (its
// setup dialog and its window typed into with xdotool), and the whole production played to its
// end in a child of this test on a sound clock faster than real time.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/testing_win32.h"
#include "tests/shell/shell_test_support.h"

extern char** environ;

namespace {

// Polls `done` every `periodMs` for up to `limitMs`; whether it came true.
bool Within(int limitMs, int periodMs, const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(periodMs));
  }
  return true;
}

// A process started from `args`, killed when the record goes or is reused.
struct Child {
  static constexpr int kRunning = -2;
  pid_t pid = -1;
  int code = kRunning;  // exit code 0..255 once ended; -1 when it did not end normally

  bool Start(const std::vector<std::string>& args) {
    Reset();
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    return posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) == 0;
  }
  bool Ended(int milliseconds) {
    return Within(milliseconds, 50, [this] {
      int status = 0;
      if (waitpid(pid, &status, WNOHANG) != pid) return false;
      code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      return true;
    });
  }
  void Reset() {
    if (pid > 0 && code == kRunning) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
    pid = -1;
    code = kRunning;
  }
  ~Child() { Reset(); }
};

// Runs a command to its end (killed after 10 seconds).
void Run(const std::vector<std::string>& args) {
  Child command;
  if (command.Start(args)) command.Ended(10000);
}

// The visible windows of process `pid` as xdotool lists them (windows of other tests on the
// same display never match).
std::vector<unsigned long> VisibleWindows(pid_t pid) {
  const std::string search =
      "xdotool search --onlyvisible --pid " + std::to_string(pid) + " 2>/dev/null";
  std::vector<unsigned long> windows;
  FILE* output = popen(search.c_str(), "r");
  if (output == nullptr) return windows;
  for (char line[64]; std::fgets(line, sizeof line, output) != nullptr;)
    windows.push_back(std::strtoul(line, nullptr, 10));
  pclose(output);
  return windows;
}

// The first visible window of `pid` other than `except` within 60 seconds; 0 when none showed.
unsigned long FindWindow(pid_t pid, unsigned long except = 0) {
  unsigned long found = 0;
  Within(60000, 100, [&] {
    for (unsigned long window : VisibleWindows(pid))
      if (window != except) found = window;
    return found != 0;
  });
  return found;
}

// Whether the window is gone within two seconds.
bool Vanishes(pid_t pid, unsigned long window) {
  return Within(2000, 50, [&] {
    const std::vector<unsigned long> windows = VisibleWindows(pid);
    return std::find(windows.begin(), windows.end(), window) == windows.end();
  });
}

// Gives the window the focus and presses `key` (an xdotool key name) until it vanishes, at
// most ten times: with no window manager, a window of another test that shows meanwhile takes
// the focus, and the key then goes astray.
bool PressUntilGone(pid_t pid, unsigned long window, const std::string& key) {
  for (int attempt = 0; attempt < 10; ++attempt) {
    Run({"xdotool", "windowfocus", "--sync", std::to_string(window)});
    Run({"xdotool", "key", key});
    if (Vanishes(pid, window)) return true;
  }
  return false;
}

class Program : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no display";
    if (std::system("command -v xdotool > /dev/null") != 0) GTEST_SKIP() << "no xdotool";
    char self[4096] = {};
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    ASSERT_GT(length, 0);
    const std::string testPath(self, static_cast<size_t>(length));
    path_ = testPath.substr(0, testPath.rfind('/')) + "/../halvex";
    ASSERT_EQ(access(path_.c_str(), X_OK), 0) << path_;
    // Typed dialogs of tests running side by side on one display take turns; the program's
    // own window takes the focus when it shows, so the turn lasts until the program ends.
    lock_ = open("/tmp/halvex-typed-dialog.lock", O_CREAT | O_RDWR | O_CLOEXEC, 0666);
    if (lock_ >= 0) flock(lock_, LOCK_EX);
  }
  void TearDown() override {
    if (lock_ >= 0) close(lock_);
  }

  // Starts the program and answers its setup dialog with `key`; the dialog's window, or 0 when
  // no dialog showed or it did not close.
  unsigned long StartAndAnswerDialog(const std::string& key) {
    if (!program_.Start({path_})) return 0;
    const unsigned long dialog = FindWindow(program_.pid);
    return dialog != 0 && PressUntilGone(program_.pid, dialog, key) ? dialog : 0;
  }

  std::string path_;
  int lock_ = -1;
  Child program_;
};

// Escape in the dialog ends the program with -1; Enter starts it, and Escape in its window ends
// the run normally; played to its end, the production shows pictures and ends with 0.
TEST_F(Program, CancelEscapeAndTheWholeProduction) {
  ASSERT_NE(StartAndAnswerDialog("Escape"), 0u);
  ASSERT_TRUE(program_.Ended(60000));
  EXPECT_EQ(program_.code, 255);

  const unsigned long dialog = StartAndAnswerDialog("Return");
  ASSERT_NE(dialog, 0u);
  const unsigned long window = FindWindow(program_.pid, dialog);
  ASSERT_NE(window, 0u) << "no window";
  ASSERT_TRUE(PressUntilGone(program_.pid, window, "Escape"));
  // The song alone runs for over three minutes: an end within seconds of the press is Escape's.
  ASSERT_TRUE(program_.Ended(20000));
  EXPECT_EQ(program_.code, 0);

  // Forked without a new exec: the child shares this test's turn on the display.
  GTEST_FLAG_SET(death_test_style, "fast");
  EXPECT_EXIT(shelltest::RunMainBodyInChild([] {
                TestScriptDialog({{TestDialogActionKind::kToggle}, {TestDialogActionKind::kOk}});
              }),
              ::testing::ExitedWithCode(0), "windows=1 threads=1 pictures=some\nboxes: \n$");
}

}  // namespace
