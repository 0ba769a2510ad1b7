#include "platform/kernel32.h"

#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/win32_internal.h"

namespace {

// What the thread and its handle share; the thread keeps it alive after CloseHandle.
struct ThreadState {
  std::mutex mutex;
  std::condition_variable finished;
  bool done = false;
};

thread_local DWORD t_lastError = ERROR_SUCCESS;

std::mutex g_handlesMutex;
std::vector<KernelObject*> g_handles;
DWORD g_nextThreadId = 1;

}  // namespace

struct KernelObject {
  std::thread thread;
  std::shared_ptr<ThreadState> state;
};

namespace {

// Takes the handle out of the registry for the caller to own; null if it is not there.
std::unique_ptr<KernelObject> TakeHandle(HANDLE handle) {
  std::lock_guard lock(g_handlesMutex);
  auto it = std::find(g_handles.begin(), g_handles.end(), handle);
  if (it == g_handles.end()) return nullptr;
  g_handles.erase(it);
  return std::unique_ptr<KernelObject>(handle);
}

// Caller holds g_handlesMutex.
bool IsHandleLocked(HANDLE handle) {
  return std::find(g_handles.begin(), g_handles.end(), handle) != g_handles.end();
}

}  // namespace

HANDLE CreateThread(LPVOID, SIZE_T, LPTHREAD_START_ROUTINE start, LPVOID parameter,
                    DWORD creationFlags, DWORD* threadId) {
  Win32Trace("CreateThread(0x%X)", creationFlags);
  if (start == nullptr || creationFlags != 0 || Win32ShouldFail("CreateThread")) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto object = std::make_unique<KernelObject>();
  object->state = std::make_shared<ThreadState>();
  object->thread = std::thread([state = object->state, start, parameter] {
    start(parameter);
    std::lock_guard lock(state->mutex);
    state->done = true;
    state->finished.notify_all();
  });
  std::lock_guard lock(g_handlesMutex);
  if (threadId != nullptr) *threadId = g_nextThreadId;
  ++g_nextThreadId;
  g_handles.push_back(object.get());
  return object.release();
}

BOOL SetThreadPriority(HANDLE thread, int priority) {
  Win32Trace("SetThreadPriority(%d)", priority);
  std::lock_guard lock(g_handlesMutex);
  if (!IsHandleLocked(thread)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (priority > THREAD_PRIORITY_NORMAL && thread->thread.joinable()) {
    // The lowest real-time levels: above every normal thread, below the system's own.
    // Refused without the real-time privilege; the thread then runs at normal priority.
    sched_param param{};
    param.sched_priority =
        sched_get_priority_min(SCHED_RR) + (priority >= THREAD_PRIORITY_TIME_CRITICAL ? 1 : 0);
    pthread_setschedparam(thread->thread.native_handle(), SCHED_RR, &param);
  }
  return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  Win32Trace("WaitForSingleObject(%u)", milliseconds);
  std::shared_ptr<ThreadState> state;
  {
    std::lock_guard lock(g_handlesMutex);
    if (!IsHandleLocked(handle)) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return WAIT_FAILED;
    }
    state = handle->state;
  }
  std::unique_lock lock(state->mutex);
  const auto done = [&state] { return state->done; };
  if (milliseconds == INFINITE) {
    state->finished.wait(lock, done);
  } else if (!state->finished.wait_for(lock, std::chrono::milliseconds(milliseconds), done)) {
    return WAIT_TIMEOUT;
  }
  return WAIT_OBJECT_0;
}

BOOL CloseHandle(HANDLE handle) {
  Win32Trace("CloseHandle");
  std::unique_ptr<KernelObject> object = TakeHandle(handle);
  if (object == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  bool done;
  {
    std::lock_guard lock(object->state->mutex);
    done = object->state->done;
  }
  // A finished thread is joined; a running one goes on by itself with its shared state.
  if (done) {
    object->thread.join();
  } else {
    object->thread.detach();
  }
  return TRUE;
}

void Sleep(DWORD milliseconds) {
  if (milliseconds == 0) {
    std::this_thread::yield();
  } else {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  }
}

DWORD GetLastError() { return t_lastError; }

void SetLastError(DWORD error) { t_lastError = error; }

int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  const int64_t product = static_cast<int64_t>(a) * b;
  // Round half away from zero: add half the divisor in the direction of the result's sign.
  const int64_t half = (c < 0 ? -static_cast<int64_t>(c) : c) / 2;
  const bool negative = (product < 0) != (c < 0);
  const int64_t magnitude = (product < 0 ? -product : product) + half;
  const int64_t quotient = magnitude / (c < 0 ? -static_cast<int64_t>(c) : c);
  const int64_t result = negative ? -quotient : quotient;
  if (result > INT32_MAX || result < INT32_MIN) return -1;
  return static_cast<int>(result);
}
