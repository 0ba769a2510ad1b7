#include "shell/app.h"

#include "loader/scene_reader.h"
#include "music/embedded_music.h"
#include "music/music_player.h"
#include "platform/crt.h"
#include "platform/winmm.h"
#include "scene/timeline.h"
#include "shell/device_startup.h"
#include "shell/setup_dialog.h"

namespace {

constexpr int32_t kExitNormal = 0;
constexpr int32_t kExitFailed = -1;
constexpr int32_t kDialogCancelled = 2;

// What the main body keeps for the whole run. The Device, the scene reader and everything it
// built are never freed (only the Device's contents are released at shutdown); the player is
// freed at shutdown. The current timeline is TimelineInstance.
struct Application {
  Device* device;
  SceneReader* reader;
  uint32_t width;      // chosen in the setup dialog, pixels
  uint32_t height;     // pixels
  uint8_t fullScreen;  // 1 unless "Run windowed" was checked
  MusicPlayer* player;
  uint8_t quit;  // WM_QUIT was read: the window is gone (Escape or a close)
};

Application g_app{};

// Device, Direct3D and its modes, the setup dialog, window and device with the rendering
// state. False when a step failed (it showed its box) or the dialog was cancelled.
bool StartDevice() {
  g_app.device = DeviceInit(crt::AlignedNew<Device>());
  Device& device = *g_app.device;
  if (!DeviceCreateDirect3D(device)) return false;
  if (RunSetupDialog(device.modes, &g_app.width, &g_app.height, &g_app.fullScreen) ==
      kDialogCancelled) {
    return false;
  }
  return DeviceStartUp(device, g_app.width, g_app.height, g_app.fullScreen);
}

// Hands every waiting message to the window procedure. False once WM_QUIT was read (the
// window procedure posts it when the window goes; Escape destroys it), now or before.
bool ReadMessages() {
  MSG message{};
  while (!g_app.quit && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
    if (message.message == WM_QUIT) g_app.quit = 1;
  }
  return !g_app.quit;
}

// Builds every object of the production from the embedded scene script, drawing the loading
// bar meanwhile, keeps the timeline it returns as the current one and draws every clip's start
// once off-screen, so that no frame of the playback waits for a program to be made. The
// window's messages are read at every loading-bar redraw and after every clip's start; false
// when they ended the load.
bool LoadProduction() {
  g_app.reader = SceneReaderCreate(g_app.device);
  g_app.reader->readMessages = ReadMessages;
  TimelineInstance = RunSceneScript(*g_app.reader);
  if (g_app.quit) return false;
  TimelineStoreRest();
  TimelineWarmUp(ReadMessages);
  return !g_app.quit;
}

// The embedded song and instruments; a sound output that cannot open leaves the player silent
// and the song's end still ends the run.
void StartMusic() {
  g_app.player = MusicPlayerInit(crt::AlignedNew<MusicPlayer>());
  MusicPlayer* player = g_app.player;
  MusicPlayerLoadSong(player, kEmbeddedSong, kEmbeddedSongSize);
  MusicPlayerApplyPatches(player, kEmbeddedPatchTable);
  MusicPlayerOpenSound(player);
  MusicPlayerBuildPadTables(player);
  MusicPlayerStart(player);
  // Note-ons the sequencer handles before this reach no one.
  MusicPlayerSetNoteCallback(player, TimelineOnNote, TimelineInstance);
}

// One frame between messages, always ended and presented. False once no clip covers the
// current time or the song is over.
bool IdlePass() {
  DeviceHandleResize(*g_app.device);
  TimelineBeginFrame();
  bool goesOn = TimelineRenderFrame();
  if (!MusicPlayerIsPlaying(g_app.player)) goesOn = false;
  TimelineEndFrame();
  return goesOn;
}

// Messages first; a frame only when none is waiting. Ends after the frame in which the
// timeline or the song ended, or when WM_QUIT was read.
void RunMessageLoop() {
  while (ReadMessages() && IdlePass()) {
  }
}

void ShutDown() {
  timeEndPeriod(1);
  if (g_app.player != nullptr) {
    MusicPlayerStop(g_app.player);
    MusicPlayerCleanup(g_app.player);
    crt::AlignedDelete(g_app.player);
    g_app.player = nullptr;
  }
  DeviceShutDown(*g_app.device);
}

}  // namespace

int WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return RunApplication(); }

// A failure before the loop returns at once: the failing step has shown its box and undone
// its own window and display mode; what was made before it stays until the process ends. A
// load that Escape or a close ended starts no music and shuts down as a normal end does.
int32_t RunApplication() {
  if (!StartDevice()) return kExitFailed;
  timeBeginPeriod(1);
  if (LoadProduction()) {
    StartMusic();
    TimelineStart();
    RunMessageLoop();
  }
  ShutDown();
  return kExitNormal;
}
