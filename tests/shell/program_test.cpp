// The real program, built beside this test, run as a user would run it on the test display:
// its setup dialog and its window are typed into with xdotool.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

pid_t Spawn(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
  return pid;
}

// The exit code (0..255) of the process, or -1 when it runs past `seconds` (it is killed) or
// did not end normally.
int WaitForExit(pid_t pid, int seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Runs a command to its end (killed after 10 seconds); its exit code, or -1.
int Run(const std::vector<std::string>& args) {
  const pid_t pid = Spawn(args);
  return pid > 0 ? WaitForExit(pid, 10) : -1;
}

// The first visible window of process `pid` that xdotool lists, other than `except`, looked
// for every 100 ms for up to 60 seconds; 0 when none showed. Windows of other tests on the
// same display never match.
unsigned long FindWindow(pid_t pid, unsigned long except = 0) {
  const std::string search =
      "xdotool search --onlyvisible --pid " + std::to_string(pid) + " 2>/dev/null";
  for (int attempt = 0; attempt < 600; ++attempt) {
    FILE* output = popen(search.c_str(), "r");
    if (output == nullptr) return 0;
    unsigned long found = 0;
    for (char line[64]; found == 0 && std::fgets(line, sizeof line, output) != nullptr;) {
      const unsigned long window = std::strtoul(line, nullptr, 10);
      if (window != except) found = window;
    }
    pclose(output);
    if (found != 0) return found;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return 0;
}

bool WindowShows(pid_t pid, unsigned long window) {
  const std::string search =
      "xdotool search --onlyvisible --pid " + std::to_string(pid) + " 2>/dev/null";
  FILE* output = popen(search.c_str(), "r");
  if (output == nullptr) return false;
  bool shows = false;
  for (char line[64]; std::fgets(line, sizeof line, output) != nullptr;) {
    shows = shows || std::strtoul(line, nullptr, 10) == window;
  }
  pclose(output);
  return shows;
}

// Whether the window is gone within two seconds.
bool Vanishes(pid_t pid, unsigned long window) {
  for (int i = 0; i < 40 && WindowShows(pid, window); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return !WindowShows(pid, window);
}

// The program under test, started from the build tree beside this test.
struct Child {
  // Whether it ended within `milliseconds`; `code` then holds its exit code (0..255, -1 when
  // it did not end normally).
  bool Ended(int milliseconds) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    int status = 0;
    while (std::chrono::steady_clock::now() < deadline) {
      if (waitpid(pid, &status, WNOHANG) == pid) {
        code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }
  ~Child() {
    if (pid > 0 && code == kRunning) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
  }
  static constexpr int kRunning = -2;
  pid_t pid = -1;
  int code = kRunning;
};

// Gives the window the focus and presses `key` (an xdotool key name) until `done` holds after
// a press, at most ten times: with no window manager, a window of another test
// that shows meanwhile takes the focus, and the key then goes astray.
bool PressUntil(unsigned long window, const std::string& key, const std::function<bool()>& done) {
  const std::string id = std::to_string(window);
  for (int attempt = 0; attempt < 10; ++attempt) {
    Run({"xdotool", "windowfocus", "--sync", id});
    Run({"xdotool", "key", key});
    if (done()) return true;
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
    program_ = testPath.substr(0, testPath.rfind('/')) + "/../halvex";
    ASSERT_EQ(access(program_.c_str(), X_OK), 0) << program_;
    // Typed dialogs of tests running side by side on one display take turns; the program's
    // own window takes the focus when it shows, so the turn lasts until the program ends.
    lock_ = open("/tmp/halvex-typed-dialog.lock", O_CREAT | O_RDWR | O_CLOEXEC, 0666);
    if (lock_ >= 0) flock(lock_, LOCK_EX);
  }
  void TearDown() override {
    if (lock_ >= 0) close(lock_);
  }

  // Starts the program and answers its setup dialog with `key`; false when no dialog showed
  // or it did not close.
  bool StartAndAnswerDialog(const std::string& key) {
    child_.pid = Spawn({program_});
    if (child_.pid <= 0) return false;
    dialog_ = FindWindow(child_.pid);
    if (dialog_ == 0) return false;
    return PressUntil(dialog_, key, [this] { return Vanishes(child_.pid, dialog_); });
  }

  std::string program_;
  int lock_ = -1;
  Child child_;
  unsigned long dialog_ = 0;
};

TEST_F(Program, CancelInTheDialogEndsWithMinusOne) {
  ASSERT_TRUE(StartAndAnswerDialog("Escape"));
  ASSERT_TRUE(child_.Ended(60000));
  EXPECT_EQ(child_.code, 255);
}

TEST_F(Program, EscapeInTheWindowEndsTheRunNormally) {
  ASSERT_TRUE(StartAndAnswerDialog("Return"));
  const unsigned long window = FindWindow(child_.pid, dialog_);
  ASSERT_NE(window, 0u) << "no window";
  ASSERT_TRUE(PressUntil(window, "Escape", [&] { return Vanishes(child_.pid, window); }));
  // The song alone runs for over three minutes: an end within seconds of the press is Escape's.
  ASSERT_TRUE(child_.Ended(20000));
  EXPECT_EQ(child_.code, 0);
}

TEST_F(Program, ProductionPlaysToItsEnd) {
  ASSERT_TRUE(StartAndAnswerDialog("Return"));
  ASSERT_TRUE(child_.Ended(300000));
  EXPECT_EQ(child_.code, 0);
}

}  // namespace
