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
#include <sstream>
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

// Runs a command to its end; its exit code, or -1.
int Run(const std::vector<std::string>& args) {
  const pid_t pid = Spawn(args);
  return pid > 0 ? WaitForExit(pid, 70) : -1;
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

// Presses each key (xdotool key names separated by spaces), 100 ms apart, each after giving
// the window the keyboard focus; the keys go through the X test extension, as typed.
bool PressKeys(unsigned long window, const std::string& keys) {
  std::istringstream names(keys);
  for (std::string key; names >> key;) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    // The focus fails harmlessly when the previous key closed the window.
    Run({"xdotool", "windowfocus", "--sync", std::to_string(window)});
    if (Run({"xdotool", "key", key}) != 0) return false;
  }
  return true;
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
    // Typed dialogs of tests running side by side on one display take turns.
    lock_ = open("/tmp/halvex-typed-dialog.lock", O_CREAT | O_RDWR | O_CLOEXEC, 0666);
    if (lock_ >= 0) flock(lock_, LOCK_EX);
  }
  void TearDown() override { StopTyping(); }
  // Lets the typed dialogs of other tests show.
  void StopTyping() {
    if (lock_ >= 0) close(lock_);
    lock_ = -1;
  }

  // Starts the program and answers its setup dialog with `keys`.
  pid_t StartAndAnswerDialog(const std::string& keys) {
    const pid_t pid = Spawn({program_});
    EXPECT_GT(pid, 0);
    dialog_ = FindWindow(pid);
    EXPECT_NE(dialog_, 0u) << "no setup dialog";
    EXPECT_TRUE(PressKeys(dialog_, keys));
    return pid;
  }

  unsigned long dialog_ = 0;

  std::string program_;
  int lock_ = -1;
};

TEST_F(Program, CancelInTheDialogEndsWithMinusOne) {
  const pid_t pid = StartAndAnswerDialog("Escape");
  StopTyping();
  EXPECT_EQ(WaitForExit(pid, 60), 255);
}

TEST_F(Program, EscapeInTheWindowEndsTheRunNormally) {
  // From the list, Tab walks OK, Cancel, "Run windowed": a window rather than a display-mode
  // change.
  const pid_t pid = StartAndAnswerDialog("Tab Tab Tab space Return");
  const unsigned long window = FindWindow(pid, dialog_);
  ASSERT_NE(window, 0u) << "no window";
  EXPECT_TRUE(PressKeys(window, "Escape"));
  StopTyping();
  // The song alone runs for over half a minute: an end well before it is Escape's.
  EXPECT_EQ(WaitForExit(pid, 20), 0);
}

TEST_F(Program, ProductionPlaysToItsEnd) {
  const pid_t pid = StartAndAnswerDialog("Return");
  StopTyping();
  EXPECT_EQ(WaitForExit(pid, 300), 0);
}

}  // namespace
