#pragma once
// kernel32 stand-in: threads, waiting, sleeping, the last-error code and integer helpers.
// Thread handles are safe to use from any thread; one thread waits on a handle at a time.

#include "platform/win32.h"

// A kernel object handle; the stand-in has threads only.
struct KernelObject;
using HANDLE = KernelObject*;
using LPTHREAD_START_ROUTINE = DWORD (*)(LPVOID parameter);

constexpr DWORD INFINITE = 0xFFFFFFFF;
constexpr DWORD WAIT_OBJECT_0 = 0x00000000;
constexpr DWORD WAIT_TIMEOUT = 0x00000102;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;

constexpr int THREAD_PRIORITY_NORMAL = 0;
constexpr int THREAD_PRIORITY_HIGHEST = 2;
constexpr int THREAD_PRIORITY_TIME_CRITICAL = 15;

// Starts `start(parameter)` on a new thread at once (security attributes and stack size are
// ignored; creation flags other than 0 are refused with null). threadId, when given, receives
// a non-zero id. Null when no thread can be started.
HANDLE CreateThread(LPVOID securityAttributes, SIZE_T stackSize, LPTHREAD_START_ROUTINE start,
                    LPVOID parameter, DWORD creationFlags, DWORD* threadId);
// Best effort: above THREAD_PRIORITY_NORMAL the thread asks for round-robin real-time
// scheduling, which the system may refuse; the caller is never failed. FALSE only for a
// handle that is not a live thread.
BOOL SetThreadPriority(HANDLE thread, int priority);
// Waits until the thread has returned (WAIT_OBJECT_0) or `milliseconds` have passed
// (WAIT_TIMEOUT); INFINITE waits without limit. WAIT_FAILED for an unknown handle.
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
// Releases the handle. A thread still running goes on to its end on its own. FALSE for an
// unknown or already closed handle.
BOOL CloseHandle(HANDLE handle);

// Suspends the calling thread for at least `milliseconds` (0 yields).
void Sleep(DWORD milliseconds);

// The calling thread's last-error code (0 until a stand-in call fails).
DWORD GetLastError();
void SetLastError(DWORD error);

// a * b / c with a 64-bit intermediate, rounded half away from zero. c = 0 gives -1.
int MulDiv(int a, int b, int c);
