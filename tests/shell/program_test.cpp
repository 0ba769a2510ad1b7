// The main body in a child of this test on a sound clock faster than real time (it keeps
// process-wide state and never frees the Device), with the dialog scripted; and the real
// program, built beside this test, run as a user would run it on the test display (its setup
// dialog and its window typed into with xdotool).
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/d3d9.h"
#include "platform/sdl_window.h"
#include "platform/testing_d3d9.h"
#include "platform/testing_dsound.h"
#include "platform/testing_win32.h"
#include "shell/app.h"
#include "tests/support/pixels.h"

extern char** environ;

namespace {

// In a child process (for EXPECT_EXIT): arranges the hooks with `arrange` (the dialog answers Ok
// unless it scripts otherwise), runs the main body with the sound drained as fast as the CPU
// allows (so the production plays faster than real time), and exits with its result after
// printing to stderr the win32 calls ("win32: <call>" a line), then "windows=<n> threads=<n>
// pictures=<some|none>" (a picture: a presented frame of more than 32 colours) and
// "boxes: <text>|<text>|".
// atFirstFrame (when given) runs at the first frame presented, the loading bar's first.
[[noreturn]] void RunMainBodyInChild(const std::function<void()>& arrange,
                                     void (*atFirstFrame)() = nullptr) {
  if (!Win32InitVideo()) std::exit(100);
  d3d9test::ResetHooks();
  d3d9test::SetAdapterModes({{640, 480, 60, D3DFMT_X8R8G8B8}, {800, 600, 60, D3DFMT_X8R8G8B8}});
  static int pictures = 0, frames = 0;
  static void (*firstFrame)() = nullptr;
  firstFrame = atFirstFrame;
  d3d9test::SetPresentHook([](IDirect3DDevice9* device) {
    if (frames++ == 0 && firstFrame) firstFrame();
    pictures += testsupport::DistinctColours(d3d9test::ReadBackBuffer(device), 33) > 32;
  });
  DsoundTestSetBackend(DsoundTestBackend::kDrain);
  TestCaptureMessageBoxes(true);
  TestScriptDialog({{TestDialogActionKind::kOk}});  // full screen in the first mode
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
               pictures > 0 ? "some" : "none", boxes.c_str());
  std::fflush(stderr);
  std::exit(result);
}

constexpr int kExitFailed = 255;  // -1 as the process reports it

// This process's turn with the shared display, for as long as the record lives: typed dialogs
// of tests running side by side take turns, and a program's window takes the focus when it
// shows.
struct DisplayTurn {
  int lock = open("/tmp/halvex-typed-dialog.lock", O_CREAT | O_RDWR | O_CLOEXEC, 0666);
  DisplayTurn() { flock(lock, LOCK_EX); }
  ~DisplayTurn() { close(lock); }
};

// Each start-up failure shows its one box and ends the run with -1 before any frame: no
// sequencer thread, and a failing window or device gives the display mode back.
TEST(MainBody, StartUpFailuresEndWithMinusOne) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  if (!Win32InitVideo()) GTEST_SKIP() << "no display";
  const struct {
    std::function<void()> arrange;
    const char* box;
    bool windowed;  // failed after the display mode changed
  } rows[] = {
      {[] { d3d9test::FailCall("Direct3DCreate9", D3DERR_NOTAVAILABLE); },
       "Could not create D3D object!", false},
      {[] { d3d9test::FailCall("GetDeviceCaps", D3DERR_INVALIDCALL); },
       "Could not get graphics card capabilities!", false},
      {[] { d3d9test::SetShaderVersions(0xFFFE0101, 0xFFFF0104); },
       "You need at least a shader model 2.0 compatible graphics card!", false},
      {[] { d3d9test::SetAdapterModes({}); },
       "Your graphics card doesn't support the X8R8G8B8 format!", false},
      {[] { TestWin32FailCall("CreateWindowExA"); }, "Could not create window!", true},
      {[] { d3d9test::FailCall("CreateDevice", D3DERR_NOTAVAILABLE); },
       "Could not create D3D device!", true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.box);
    const std::string windows =
        row.windowed ? "ChangeDisplaySettingsA\\(null, 0\\).*windows=1" : "windows=0";
    EXPECT_EXIT(RunMainBodyInChild(row.arrange), ::testing::ExitedWithCode(kExitFailed),
                windows + " threads=0 pictures=none\nboxes: " + row.box + "\\|\n");
  }
}

// Escape or a close during loading ends the load: no sound thread is started, no frame of the
// production shown, and the run ends normally.
TEST(MainBody, EscapeOrCloseDuringLoadingEndsTheRun) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  if (!Win32InitVideo()) GTEST_SKIP() << "no display";
  for (void (*press)() : {+[] { TestInjectKey(GetForegroundWindow(), VK_ESCAPE); },
                          +[] { TestInjectClose(GetForegroundWindow()); }}) {
    EXPECT_EXIT(RunMainBodyInChild([] {}, press), ::testing::ExitedWithCode(0),
                "windows=1 threads=0 pictures=none\nboxes: \n$");
  }
}

// Played to its end (windowed), the production shows pictures and ends with 0.
TEST(MainBody, PlaysToItsEnd) {
  GTEST_FLAG_SET(death_test_style,
                 "threadsafe");  // a fresh process: forking this one's threads hangs
  if (!Win32InitVideo()) GTEST_SKIP() << "no display";
  EXPECT_EXIT(RunMainBodyInChild([] {
                static DisplayTurn turn;
                TestScriptDialog({{TestDialogActionKind::kToggle}, {TestDialogActionKind::kOk}});
              }),
              ::testing::ExitedWithCode(0), "windows=1 threads=1 pictures=some\nboxes: \n$");
}

// Polls `done` every 50 ms for up to `limitMs`; whether it came true.
bool Within(int limitMs, const std::function<bool()>& done) {
  for (int waited = 0; !done(); waited += 50) {
    if (waited > limitMs) return false;
    usleep(50000);
  }
  return true;
}

// The program started from `path` (with `args`; stderr to the file `errors` when given), killed
// when the record goes.
struct Child {
  pid_t pid = -1;
  int code = -2;  // exit code 0..255 once ended; -1 when it did not end normally; -2 running

  explicit Child(std::string path, std::vector<std::string> args = {}, const char* errors = "") {
    std::vector<char*> argv = {path.data()};
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (*errors) posix_spawn_file_actions_addopen(&actions, 2, errors, O_WRONLY | O_CREAT, 0600);
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
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

// The visible windows of the program as xdotool lists them, each id between line breaks
// (windows of other tests on the same display never match).
std::string Windows(const Child& program) {
  const std::string command =
      "xdotool search --onlyvisible --pid " + std::to_string(program.pid) + " 2>/dev/null";
  std::string ids = "\n";
  FILE* output = popen(command.c_str(), "r");
  for (char line[64]; output && std::fgets(line, sizeof line, output);) ids += line;
  if (output) pclose(output);
  return ids;
}

// Gives the window the program shows (one at a time) the focus and presses `key` (an xdotool
// key name) until the window is gone within two seconds, at most ten times: with no window
// manager, a window of another test that shows meanwhile takes the focus, and the key then goes
// astray. False when no window showed within 60 seconds or it did not close.
bool PressUntilGone(const Child& program, const std::string& key) {
  std::string shown;
  Within(60000, [&] { return (shown = Windows(program)) != "\n"; });
  const std::string id = shown.substr(1, shown.find('\n', 1) - 1);
  for (int attempt = 0; !id.empty() && attempt < 10; ++attempt) {
    std::system(("timeout 10 xdotool windowfocus --sync " + id + "; timeout 10 xdotool key " + key)
                    .c_str());
    if (Within(2000, [&] { return Windows(program).find("\n" + id + "\n") == std::string::npos; }))
      return true;
  }
  return false;
}

// Escape in the dialog ends the program with -1; Enter starts it, and Escape in its window ends
// the run normally.
TEST(Program, CancelAndEscape) {
  if (!std::getenv("DISPLAY") || std::system("command -v xdotool > /dev/null") != 0)
    GTEST_SKIP() << "no display or no xdotool";
  const std::string path =
      std::filesystem::read_symlink("/proc/self/exe").parent_path() / "../halvex";
  ASSERT_EQ(access(path.c_str(), X_OK), 0) << path;
  DisplayTurn turn;
  Child cancelled(path);
  ASSERT_TRUE(PressUntilGone(cancelled, "Escape"));
  ASSERT_TRUE(cancelled.Ended(60000));
  EXPECT_EQ(cancelled.code, kExitFailed);

  Child escaped(path);
  ASSERT_TRUE(PressUntilGone(escaped, "Return")) << "no dialog";
  ASSERT_TRUE(PressUntilGone(escaped, "Escape")) << "no window";
  // The song alone runs for over three minutes: an end within seconds of the press is Escape's.
  ASSERT_TRUE(escaped.Ended(20000));
  EXPECT_EQ(escaped.code, 0);
}

// The X server going away while the program runs ends it with -1 and one line that says so.
// The server is the test's own, so killing it touches no other test.
TEST(Program, TheDisplayClosingEndsWithMinusOne) {
  if (std::system("command -v Xvfb > /dev/null && command -v xdotool > /dev/null") != 0)
    GTEST_SKIP() << "no Xvfb or no xdotool";
  int pipeFds[2];
  ASSERT_EQ(pipe(pipeFds), 0);
  Child server("Xvfb", {"-displayfd", std::to_string(pipeFds[1]), "-nolisten", "tcp"});
  close(pipeFds[1]);
  char number[16] = {};
  ASSERT_GT(read(pipeFds[0], number, sizeof number - 1), 0);
  close(pipeFds[0]);
  const char* shared = std::getenv("DISPLAY");
  struct Restore {  // the shared display again for the tests after this one
    std::string display;
    ~Restore() { display.empty() ? unsetenv("DISPLAY") : setenv("DISPLAY", display.c_str(), 1); }
  } restore{shared ? shared : ""};
  setenv("DISPLAY", (":" + std::string(number, std::strcspn(number, "\n"))).c_str(), 1);
  const std::string errors = testing::TempDir() + "halvex-display-closed.txt";
  unlink(errors.c_str());
  Child program(std::filesystem::read_symlink("/proc/self/exe").parent_path() / "../halvex", {},
                errors.c_str());
  ASSERT_TRUE(PressUntilGone(program, "Return")) << "no dialog";
  ASSERT_TRUE(Within(60000, [&] { return Windows(program) != "\n"; })) << "no window";
  kill(server.pid, SIGKILL);
  ASSERT_TRUE(server.Ended(10000));
  ASSERT_TRUE(program.Ended(60000));
  EXPECT_EQ(program.code, kExitFailed);
  std::string text;
  FILE* file = std::fopen(errors.c_str(), "r");
  for (char line[256]; file && std::fgets(line, sizeof line, file);) text += line;
  if (file) std::fclose(file);
  EXPECT_TRUE(text.ends_with("halvex: the display closed\n")) << text;
}

}  // namespace
