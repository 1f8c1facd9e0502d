// Cost of the event loop's registries and of one runtime pass of the main loop.
#include <benchmark/benchmark.h>
#include <sys/socket.h>
#include <unistd.h>

#include <vector>

#include "api/dapi.h"
#include "platform/aud_event_loop.h"

namespace {

aud_error_t ignore_timer(aud_event_cause_t, aud_timer_event_t *) { return AUD_SUCCESS; }
aud_error_t ignore_socket(aud_event_cause_t, aud_socket_t, aud_socket_event_type_t, void *) {
  return AUD_SUCCESS;
}
aud_error_t ignore_work(aud_event_cause_t, aud_event_loop_t *, uint32_t, void *) {
  return AUD_SUCCESS;
}

// Scheduling and removing one timer among range(0) others spread over 100 s.
void BM_TimerAddRemove(benchmark::State &state) {
  aud_event_loop_t *loop = nullptr;
  aud_event_loop_new(&loop);
  for (int64_t i = 0; i < state.range(0); i++) {
    const aud_utime_t when{1000 + i % 100, 0};
    aud_event_loop_timer_add_single(loop, ignore_timer, &when, nullptr, nullptr, nullptr);
  }
  const aud_utime_t when{1050, 1};
  for (auto _ : state) {
    aud_timer_event_t *event = nullptr;
    aud_event_loop_timer_add_single(loop, ignore_timer, &when, nullptr, nullptr, &event);
    aud_timer_event_remove(event);
  }
  aud_event_loop_delete(loop);
}
BENCHMARK(BM_TimerAddRemove)->Arg(0)->Arg(100)->Arg(1000);

// Registering and removing one descriptor among range(0) others.
void BM_SocketRegisterRemove(benchmark::State &state) {
  aud_event_loop_t *loop = nullptr;
  aud_event_loop_new(&loop);
  for (int64_t i = 0; i < state.range(0); i++) {
    aud_event_loop_socket_update(loop, 100 + static_cast<int>(i), AUD_SOCKET_EVENT_TYPE_READ,
                                 ignore_socket, nullptr, AUD_EVENT_LOOP_UPDATE_MUST_NOT_EXIST);
  }
  for (auto _ : state) {
    aud_event_loop_socket_update(loop, 50, AUD_SOCKET_EVENT_TYPE_READ, ignore_socket, nullptr,
                                 AUD_EVENT_LOOP_UPDATE_MUST_NOT_EXIST);
    aud_event_loop_socket_update(loop, 50, AUD_SOCKET_EVENT_TYPE_READ, nullptr, nullptr,
                                 AUD_EVENT_LOOP_UPDATE_MUST_EXIST);
  }
  aud_event_loop_delete(loop);
}
BENCHMARK(BM_SocketRegisterRemove)->Arg(0)->Arg(32)->Arg(256);

// Queueing one piece of deferred work and running it.
void BM_DeferredWork(benchmark::State &state) {
  aud_event_loop_t *loop = nullptr;
  aud_event_loop_new(&loop);
  for (auto _ : state) {
    aud_event_loop_postproc_add(loop, nullptr, ignore_work, nullptr);
    aud_event_loop_postprocess_now(loop, nullptr);
  }
  aud_event_loop_delete(loop);
}
BENCHMARK(BM_DeferredWork);

// One main-loop round of the runtime with range(0) registered sockets, one of them
// ready, and 20 timers due in the future: gather the sets and the timeout, then
// process.
void BM_RuntimeRound(benchmark::State &state) {
  dapi_t *dapi = nullptr;
  dapi_new(&dapi);
  aud_event_loop_t *loop = aud_env_get_event_loop(dapi_get_env(dapi));
  delos_runtime_t *runtime = dapi_get_runtime(dapi);
  std::vector<int> fds;
  for (int64_t i = 0; i < state.range(0); i++) {
    int pair[2];
    socketpair(AF_UNIX, SOCK_DGRAM, 0, pair);
    fds.push_back(pair[0]);
    fds.push_back(pair[1]);
    aud_event_loop_socket_update(loop, pair[0], AUD_SOCKET_EVENT_TYPE_READ, ignore_socket, nullptr,
                                 AUD_EVENT_LOOP_UPDATE_MUST_NOT_EXIST);
  }
  const aud_utime_t delay{3600, 0};
  for (int i = 0; i < 20; i++) {
    aud_event_loop_timer_add_single(loop, ignore_timer, nullptr, &delay, nullptr, nullptr);
  }
  for (auto _ : state) {
    delos_sockets_t sockets{};
    aud_utime_t timeout;
    delos_runtime_get_sockets_and_timeout(runtime, &sockets, &timeout);
    delos_sockets_t ready{};
    FD_SET(fds[0], &ready.read_fds);
    ready.n = fds[0] + 1;
    delos_runtime_process_with_sockets(runtime, &ready);
    benchmark::DoNotOptimize(timeout);
  }
  for (int64_t i = 0; i < state.range(0); i++) {
    aud_event_loop_socket_update(loop, fds[2 * i], AUD_SOCKET_EVENT_TYPE_READ, nullptr, nullptr,
                                 AUD_EVENT_LOOP_UPDATE_MUST_EXIST);
  }
  for (int fd : fds) {
    close(fd);
  }
  dapi_delete(dapi);
}
BENCHMARK(BM_RuntimeRound)->Arg(4)->Arg(32);

}  // namespace
