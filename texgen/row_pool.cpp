#include "texgen/row_pool.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr int kMaxThreads = 8;
// Rows per chunk: small enough to balance, large enough to keep hand-over cheap.
constexpr int kRowsPerChunk = 8;

struct RowPool {
  std::mutex mutex;
  std::condition_variable wake;
  std::condition_variable finished;
  std::vector<std::thread> workers;
  int threadCount =
      std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, kMaxThreads);
  // The job in hand.
  RowBody body = nullptr;
  void* context = nullptr;
  int rows = 0;
  std::atomic<int> nextChunk{0};
  int chunkCount = 0;
  // Workers that have finished the job in hand; every worker joins every job, so the caller
  // waits for all of them and no worker can ever see a job that has already returned.
  int doneWorkers = 0;
  uint64_t generation = 0;
  bool quit = false;

  ~RowPool() {
    {
      std::lock_guard<std::mutex> lock(mutex);
      quit = true;
    }
    wake.notify_all();
    for (std::thread& t : workers) t.join();
  }
};

RowPool& Pool() {
  static RowPool pool;
  return pool;
}

// Takes chunks until none is left.
void DrainChunks(RowPool& pool, RowBody body, void* context, int rows, int chunkCount) {
  for (;;) {
    const int chunk = pool.nextChunk.fetch_add(1);
    if (chunk >= chunkCount) return;
    const int first = chunk * kRowsPerChunk;
    body(context, first, std::min(rows, first + kRowsPerChunk));
  }
}

void WorkerLoop(RowPool* pool, int index) {
  uint64_t seen = 0;
  std::unique_lock<std::mutex> lock(pool->mutex);
  for (;;) {
    pool->wake.wait(lock, [&] { return pool->quit || pool->generation != seen; });
    if (pool->quit) return;
    seen = pool->generation;
    RowBody body = pool->body;
    void* context = pool->context;
    const int rows = pool->rows, chunkCount = pool->chunkCount;
    // Workers beyond the current thread count (after it was lowered) only acknowledge the job.
    const bool active = index < pool->threadCount - 1;
    lock.unlock();
    if (active) DrainChunks(*pool, body, context, rows, chunkCount);
    lock.lock();
    if (++pool->doneWorkers == static_cast<int>(pool->workers.size())) pool->finished.notify_all();
  }
}

void StartWorkers(RowPool& pool) {
  while (static_cast<int>(pool.workers.size()) < pool.threadCount - 1) {
    pool.workers.emplace_back(WorkerLoop, &pool, static_cast<int>(pool.workers.size()));
  }
}

}  // namespace

void RunRows(int rows, RowBody body, void* context) {
  if (rows <= 0) return;
  RowPool& pool = Pool();
  const int chunkCount = (rows + kRowsPerChunk - 1) / kRowsPerChunk;
  if (pool.threadCount == 1 || chunkCount == 1) {
    body(context, 0, rows);
    return;
  }
  {
    std::lock_guard<std::mutex> lock(pool.mutex);
    StartWorkers(pool);
    pool.body = body;
    pool.context = context;
    pool.rows = rows;
    pool.chunkCount = chunkCount;
    pool.nextChunk.store(0);
    pool.doneWorkers = 0;
    ++pool.generation;
  }
  pool.wake.notify_all();
  DrainChunks(pool, body, context, rows, chunkCount);
  // Every chunk has been taken; wait until each worker has let go of this job.
  std::unique_lock<std::mutex> lock(pool.mutex);
  pool.finished.wait(lock,
                     [&] { return pool.doneWorkers == static_cast<int>(pool.workers.size()); });
}

void TextureSetThreadCount(int threads) {
  RowPool& pool = Pool();
  std::lock_guard<std::mutex> lock(pool.mutex);
  pool.threadCount = std::clamp(threads, 1, kMaxThreads);
}

int TextureThreadCount() { return Pool().threadCount; }
