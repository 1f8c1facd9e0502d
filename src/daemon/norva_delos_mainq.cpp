#include "daemon/norva_delos_mainq.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>

namespace {

struct work {
  const std::function<void()> *fn;
  bool done;
};

std::mutex s_mutex;
std::condition_variable s_done_cv;
std::deque<work *> s_queue;  // guarded by s_mutex
std::atomic<int> s_fd{-1};
std::atomic<bool> s_have_main{false};
std::thread::id s_main_id;  // written before s_have_main is set

void wake(int fd) {
  uint64_t one = 1;
  // The counter cannot overflow in practice; EAGAIN would only mean it is
  // already readable, which is all the wake-up needs.
  ssize_t r;
  do {
    r = write(fd, &one, sizeof one);
  } while (r < 0 && errno == EINTR);
}

void drain(int fd) {
  uint64_t value;
  ssize_t r;
  do {
    r = read(fd, &value, sizeof value);
  } while (r < 0 && errno == EINTR);
}

}  // namespace

aud_error_t norva_delos_mainq_init(void) {
  std::lock_guard<std::mutex> g(s_mutex);
  if (s_fd.load() >= 0) return AUD_SUCCESS;
  int fd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (fd < 0) return aud_error_from_system_error(errno);
  s_fd.store(fd);
  return AUD_SUCCESS;
}

int norva_delos_mainq_fd(void) { return s_fd.load(); }

void norva_delos_mainq_set_main_thread(void) {
  std::lock_guard<std::mutex> g(s_mutex);
  s_main_id = std::this_thread::get_id();
  s_have_main.store(true);
}

void norva_delos_mainq_run_pending(void) {
  int fd = s_fd.load();
  if (fd >= 0) drain(fd);
  std::unique_lock<std::mutex> lk(s_mutex);
  while (!s_queue.empty()) {
    work *w = s_queue.front();
    s_queue.pop_front();
    lk.unlock();
    (*w->fn)();
    lk.lock();
    w->done = true;
    s_done_cv.notify_all();
  }
}

void norva_delos_mainq_call(const std::function<void()> &fn) {
  int fd = s_fd.load();
  bool direct;
  {
    std::lock_guard<std::mutex> g(s_mutex);
    direct = fd < 0 || !s_have_main.load() || s_main_id == std::this_thread::get_id();
  }
  if (direct) {
    fn();
    return;
  }
  work w{&fn, false};
  std::unique_lock<std::mutex> lk(s_mutex);
  bool was_empty = s_queue.empty();
  s_queue.push_back(&w);
  // Written only on the empty to non-empty step: the main thread drains the
  // descriptor before it empties the queue, so nothing queued is missed.
  if (was_empty) wake(fd);
  s_done_cv.wait(lk, [&w] { return w.done; });
}
