// The event loop over real descriptors (socket pairs) and explicit pass times.
#include "platform/aud_event_loop.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

aud_utime_t at(long sec, long usec = 0) { return aud_utime_t{sec, usec}; }

// A loop that is deleted when the test ends.
struct Loop {
  aud_event_loop_t *loop = nullptr;
  Loop() { EXPECT_EQ(AUD_SUCCESS, aud_event_loop_new(&loop)); }
  ~Loop() { EXPECT_EQ(AUD_SUCCESS, aud_event_loop_delete(loop)); }
};

// A connected datagram pair; writing to `peer` makes `s` readable.
struct Pair {
  int s = -1;
  int peer = -1;
  Pair() {
    int fds[2];
    EXPECT_EQ(0, socketpair(AF_UNIX, SOCK_DGRAM, 0, fds));
    s = fds[0];
    peer = fds[1];
  }
  ~Pair() {
    close(s);
    close(peer);
  }
  void make_readable() const { EXPECT_EQ(1, write(peer, "x", 1)); }
  void drain() const {
    char c;
    EXPECT_EQ(1, read(s, &c, 1));
  }
};

// Runs one runtime-style socket round over the given ready read set.
void dispatch_read(aud_event_loop_t *loop, fd_set ready) {
  fd_set none;
  FD_ZERO(&none);
  EXPECT_EQ(AUD_SUCCESS,
            aud_event_loop_process_socket_fds(loop, AUD_SOCKET_EVENT_TYPE_READ, &ready, nullptr));
  EXPECT_EQ(AUD_SUCCESS,
            aud_event_loop_process_socket_fds(loop, AUD_SOCKET_EVENT_TYPE_WRITE, &none, nullptr));
  EXPECT_EQ(AUD_SUCCESS, aud_event_loop_process_socket_fds(loop, AUD_SOCKET_EVENT_TYPE_EXCEPTION,
                                                           &none, nullptr));
  EXPECT_EQ(AUD_SUCCESS, aud_event_loop_process_sockets_done(loop));
}

fd_set ready_set(std::initializer_list<int> fds) {
  fd_set set;
  FD_ZERO(&set);
  for (int fd : fds) {
    FD_SET(fd, &set);
  }
  return set;
}

// ---------------------------------------------------------------------------------
// Sockets.

struct SocketLog {
  std::vector<int> fired;
};

aud_error_t log_socket(aud_event_cause_t, aud_socket_t s, aud_socket_event_type_t, void *user) {
  static_cast<SocketLog *>(user)->fired.push_back(s);
  return AUD_SUCCESS;
}

TEST(EventLoopSockets, ReadyDescriptorsAreDispatchedInRegistrationOrder) {
  Loop l;
  Pair a, b, c;
  SocketLog log;
  for (int s : {b.s, a.s, c.s}) {
    ASSERT_EQ(AUD_SUCCESS,
              aud_event_loop_socket_update(l.loop, s, AUD_SOCKET_EVENT_TYPE_READ, log_socket, &log,
                                           AUD_EVENT_LOOP_UPDATE_MUST_NOT_EXIST));
  }
  a.make_readable();
  b.make_readable();
  unsigned int counts = 0;
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_process_sockets(l.loop, &counts));
  EXPECT_EQ((std::vector<int>{b.s, a.s}), log.fired);
  EXPECT_EQ(2u, counts);
}

TEST(EventLoopSockets, DispatchClearsTheBitsItHandledInTheCallersSet) {
  Loop l;
  Pair a;
  SocketLog log;
  ASSERT_EQ(AUD_SUCCESS,
            aud_event_loop_socket_update(l.loop, a.s, AUD_SOCKET_EVENT_TYPE_READ, log_socket, &log,
                                         AUD_EVENT_LOOP_UPDATE_DONT_CARE));
  const int unregistered = a.peer;
  fd_set ready = ready_set({a.s, unregistered});
  ASSERT_EQ(AUD_SUCCESS,
            aud_event_loop_process_socket_fds(l.loop, AUD_SOCKET_EVENT_TYPE_READ, &ready, nullptr));
  EXPECT_EQ(AUD_SUCCESS, aud_event_loop_process_sockets_done(l.loop));
  EXPECT_FALSE(FD_ISSET(a.s, &ready));
  EXPECT_TRUE(FD_ISSET(unregistered, &ready));
}

TEST(EventLoopSockets, SocketsGetMergesTheRegisteredSetAndRaisesTheLimit) {
  Loop l;
  Pair a;
  SocketLog log;
  ASSERT_EQ(AUD_SUCCESS,
            aud_event_loop_socket_update(l.loop, a.s, AUD_SOCKET_EVENT_TYPE_WRITE, log_socket, &log,
                                         AUD_EVENT_LOOP_UPDATE_DONT_CARE));
  EXPECT_EQ(AUD_TRUE, aud_event_loop_sockets_have_changed(l.loop));
  aud_fdset_t set{};
  FD_ZERO(&set.fds);
  FD_SET(0, &set.fds);
  set.n = 1;
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_sockets_get(l.loop, AUD_SOCKET_EVENT_TYPE_WRITE, &set));
  EXPECT_EQ(a.s + 1, set.n);
  EXPECT_TRUE(FD_ISSET(a.s, &set.fds));
  EXPECT_TRUE(FD_ISSET(0, &set.fds));
  EXPECT_EQ(AUD_FALSE, aud_event_loop_sockets_have_changed(l.loop));
}

struct UpdateCase {
  const char *name;
  bool registered_before;
  bool with_fn;
  aud_event_loop_update_t update;
  aud_error_t expected;
  bool registered_after;
};

TEST(EventLoopSockets, UpdateModesAnswerAsDocumented) {
  const UpdateCase cases[] = {
      {"add new, must not exist", false, true, AUD_EVENT_LOOP_UPDATE_MUST_NOT_EXIST, AUD_SUCCESS,
       true},
      {"add existing, must not exist", true, true, AUD_EVENT_LOOP_UPDATE_MUST_NOT_EXIST,
       AUD_ERR_ALREADY, true},
      {"change missing, must exist", false, true, AUD_EVENT_LOOP_UPDATE_MUST_EXIST,
       AUD_ERR_NOTFOUND, false},
      {"change existing, must exist", true, true, AUD_EVENT_LOOP_UPDATE_MUST_EXIST, AUD_SUCCESS,
       true},
      {"remove existing, must exist", true, false, AUD_EVENT_LOOP_UPDATE_MUST_EXIST, AUD_SUCCESS,
       false},
      {"remove missing, must exist", false, false, AUD_EVENT_LOOP_UPDATE_MUST_EXIST,
       AUD_ERR_NOTFOUND, false},
      {"remove missing, don't care", false, false, AUD_EVENT_LOOP_UPDATE_DONT_CARE, AUD_SUCCESS,
       false},
      {"add existing, don't care", true, true, AUD_EVENT_LOOP_UPDATE_DONT_CARE, AUD_SUCCESS, true},
  };
  for (const UpdateCase &c : cases) {
    SCOPED_TRACE(c.name);
    Loop l;
    Pair p;
    SocketLog log;
    if (c.registered_before) {
      ASSERT_EQ(AUD_SUCCESS,
                aud_event_loop_socket_update(l.loop, p.s, AUD_SOCKET_EVENT_TYPE_READ, log_socket,
                                             &log, AUD_EVENT_LOOP_UPDATE_DONT_CARE));
    }
    EXPECT_EQ(c.expected,
              aud_event_loop_socket_update(l.loop, p.s, AUD_SOCKET_EVENT_TYPE_READ,
                                           c.with_fn ? log_socket : nullptr, &log, c.update));
    p.make_readable();
    ASSERT_EQ(AUD_SUCCESS, aud_event_loop_process_sockets(l.loop, nullptr));
    EXPECT_EQ(c.registered_after ? 1u : 0u, log.fired.size());
  }
}

TEST(EventLoopSockets, BadArgumentsAreRefused) {
  Loop l;
  SocketLog log;
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER,
            aud_event_loop_socket_update(nullptr, 3, AUD_SOCKET_EVENT_TYPE_READ, log_socket, &log,
                                         AUD_EVENT_LOOP_UPDATE_DONT_CARE));
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER,
            aud_event_loop_socket_update(l.loop, -1, AUD_SOCKET_EVENT_TYPE_READ, log_socket, &log,
                                         AUD_EVENT_LOOP_UPDATE_DONT_CARE));
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER,
            aud_event_loop_socket_update(l.loop, FD_SETSIZE, AUD_SOCKET_EVENT_TYPE_READ, log_socket,
                                         &log, AUD_EVENT_LOOP_UPDATE_DONT_CARE));
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER,
            aud_event_loop_socket_update(l.loop, 3, static_cast<aud_socket_event_type_t>(3),
                                         log_socket, &log, AUD_EVENT_LOOP_UPDATE_DONT_CARE));
}

// Removes its own registration, then closes nothing: the loop must not call it again.
struct SelfRemover {
  aud_event_loop_t *loop;
  int calls = 0;
};

aud_error_t remove_self(aud_event_cause_t, aud_socket_t s, aud_socket_event_type_t type,
                        void *user) {
  SelfRemover *r = static_cast<SelfRemover *>(user);
  r->calls++;
  EXPECT_EQ(AUD_SUCCESS, aud_event_loop_socket_update(r->loop, s, type, nullptr, nullptr,
                                                      AUD_EVENT_LOOP_UPDATE_MUST_EXIST));
  // Already gone for the caller, even though the record lives until processing ends.
  EXPECT_EQ(AUD_ERR_NOTFOUND, aud_event_loop_socket_update(r->loop, s, type, nullptr, nullptr,
                                                           AUD_EVENT_LOOP_UPDATE_MUST_EXIST));
  return AUD_SUCCESS;
}

TEST(EventLoopSockets, RemovingARegistrationFromItsOwnCallbackIsSafe) {
  Loop l;
  Pair p;
  SelfRemover r{l.loop};
  ASSERT_EQ(AUD_SUCCESS,
            aud_event_loop_socket_update(l.loop, p.s, AUD_SOCKET_EVENT_TYPE_READ, remove_self, &r,
                                         AUD_EVENT_LOOP_UPDATE_MUST_NOT_EXIST));
  p.make_readable();
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_process_sockets(l.loop, nullptr));
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_process_sockets(l.loop, nullptr));
  EXPECT_EQ(1, r.calls);
  EXPECT_EQ(AUD_ERR_NOTFOUND,
            aud_event_loop_socket_update(l.loop, p.s, AUD_SOCKET_EVENT_TYPE_READ, nullptr, nullptr,
                                         AUD_EVENT_LOOP_UPDATE_MUST_EXIST));
}

// Registers another descriptor from inside a callback.
struct Registrar {
  aud_event_loop_t *loop;
  int other;
  SocketLog *log;
  int calls = 0;
};

aud_error_t register_other(aud_event_cause_t, aud_socket_t, aud_socket_event_type_t, void *user) {
  Registrar *r = static_cast<Registrar *>(user);
  r->calls++;
  EXPECT_EQ(AUD_SUCCESS,
            aud_event_loop_socket_update(r->loop, r->other, AUD_SOCKET_EVENT_TYPE_READ, log_socket,
                                         r->log, AUD_EVENT_LOOP_UPDATE_MUST_NOT_EXIST));
  return AUD_SUCCESS;
}

TEST(EventLoopSockets, ADescriptorRegisteredFromACallbackIsDispatchedFromTheNextRoundOn) {
  Loop l;
  Pair first, second;
  SocketLog log;
  Registrar r{l.loop, second.s, &log};
  ASSERT_EQ(AUD_SUCCESS,
            aud_event_loop_socket_update(l.loop, first.s, AUD_SOCKET_EVENT_TYPE_READ,
                                         register_other, &r, AUD_EVENT_LOOP_UPDATE_MUST_NOT_EXIST));
  // Both descriptors are reported ready in the same round.
  dispatch_read(l.loop, ready_set({first.s, second.s}));
  EXPECT_EQ(1, r.calls);
  EXPECT_TRUE(log.fired.empty());

  dispatch_read(l.loop, ready_set({second.s}));
  EXPECT_EQ((std::vector<int>{second.s}), log.fired);
}

TEST(EventLoopSockets, ARegistrationMadeDuringProcessingIsInTheNextSocketSet) {
  Loop l;
  Pair first, second;
  SocketLog log;
  Registrar r{l.loop, second.s, &log};
  ASSERT_EQ(AUD_SUCCESS,
            aud_event_loop_socket_update(l.loop, first.s, AUD_SOCKET_EVENT_TYPE_READ,
                                         register_other, &r, AUD_EVENT_LOOP_UPDATE_MUST_NOT_EXIST));
  aud_fdset_t set{};
  FD_ZERO(&set.fds);
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_sockets_get(l.loop, AUD_SOCKET_EVENT_TYPE_READ, &set));
  dispatch_read(l.loop, ready_set({first.s}));
  EXPECT_EQ(AUD_TRUE, aud_event_loop_sockets_have_changed(l.loop));
  FD_ZERO(&set.fds);
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_sockets_get(l.loop, AUD_SOCKET_EVENT_TYPE_READ, &set));
  EXPECT_TRUE(FD_ISSET(second.s, &set.fds));
}

// Removes a registration and registers the same descriptor again in one callback.
aud_error_t remove_and_readd(aud_event_cause_t, aud_socket_t s, aud_socket_event_type_t type,
                             void *user) {
  SelfRemover *r = static_cast<SelfRemover *>(user);
  r->calls++;
  EXPECT_EQ(AUD_SUCCESS, aud_event_loop_socket_update(r->loop, s, type, nullptr, nullptr,
                                                      AUD_EVENT_LOOP_UPDATE_MUST_EXIST));
  EXPECT_EQ(AUD_SUCCESS, aud_event_loop_socket_update(r->loop, s, type, remove_and_readd, r,
                                                      AUD_EVENT_LOOP_UPDATE_MUST_NOT_EXIST));
  return AUD_SUCCESS;
}

TEST(EventLoopSockets, ADescriptorRemovedAndRegisteredAgainInOneRoundStaysRegistered) {
  Loop l;
  Pair p;
  SelfRemover r{l.loop};
  ASSERT_EQ(AUD_SUCCESS,
            aud_event_loop_socket_update(l.loop, p.s, AUD_SOCKET_EVENT_TYPE_READ, remove_and_readd,
                                         &r, AUD_EVENT_LOOP_UPDATE_MUST_NOT_EXIST));
  dispatch_read(l.loop, ready_set({p.s}));
  dispatch_read(l.loop, ready_set({p.s}));
  EXPECT_EQ(2, r.calls);
}

// ---------------------------------------------------------------------------------
// Timers.

struct TimerLog {
  std::vector<std::string> fired;
};

aud_error_t ignore_timer(aud_event_cause_t, aud_timer_event_t *) { return AUD_SUCCESS; }

struct NamedTimer {
  TimerLog *log;
  std::string name;
};

aud_error_t log_timer(aud_event_cause_t, aud_timer_event_t *event) {
  NamedTimer *t = static_cast<NamedTimer *>(aud_timer_event_user(event));
  t->log->fired.push_back(t->name);
  return AUD_SUCCESS;
}

TEST(EventLoopTimers, DueTimersFireEarliestFirstAndSameTimesInSchedulingOrder) {
  Loop l;
  TimerLog log;
  NamedTimer late{&log, "late"}, first{&log, "first"}, second{&log, "second"},
      future{&log, "future"};
  const aud_utime_t t10 = at(100, 10), t5 = at(100, 5), t20 = at(100, 20);
  ASSERT_EQ(AUD_SUCCESS,
            aud_event_loop_timer_add_single(l.loop, log_timer, &t10, nullptr, &late, nullptr));
  ASSERT_EQ(AUD_SUCCESS,
            aud_event_loop_timer_add_single(l.loop, log_timer, &t5, nullptr, &first, nullptr));
  ASSERT_EQ(AUD_SUCCESS,
            aud_event_loop_timer_add_single(l.loop, log_timer, &t5, nullptr, &second, nullptr));
  ASSERT_EQ(AUD_SUCCESS,
            aud_event_loop_timer_add_single(l.loop, log_timer, &t20, nullptr, &future, nullptr));
  const aud_utime_t now = at(100, 15);
  unsigned int counts = 0;
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_process_timers_and_polls(l.loop, &now, &counts));
  EXPECT_EQ((std::vector<std::string>{"first", "second", "late"}), log.fired);
  EXPECT_EQ(3u, counts);
}

TEST(EventLoopTimers, ALoopOwnedOneShotFiresOnlyOnce) {
  Loop l;
  TimerLog log;
  NamedTimer once{&log, "once"};
  const aud_utime_t due = at(50);
  ASSERT_EQ(AUD_SUCCESS,
            aud_event_loop_timer_add_single(l.loop, log_timer, &due, nullptr, &once, nullptr));
  const aud_utime_t now = at(60);
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_process_timers_and_polls(l.loop, &now, nullptr));
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_process_timers_and_polls(l.loop, &now, nullptr));
  EXPECT_EQ(1u, log.fired.size());
}

struct Rescheduler {
  int calls = 0;
  aud_utime_t next;
};

aud_error_t reschedule_self(aud_event_cause_t, aud_timer_event_t *event) {
  Rescheduler *r = static_cast<Rescheduler *>(aud_timer_event_user(event));
  r->calls++;
  // Due again at once: it still must wait for the next pass.
  EXPECT_EQ(AUD_SUCCESS, aud_timer_event_update_single(event, &r->next, nullptr));
  return AUD_SUCCESS;
}

TEST(EventLoopTimers, AOneShotReschedulingItselfFiresAgainOnlyInALaterPass) {
  Loop l;
  Rescheduler r{0, at(10)};
  const aud_utime_t due = at(10);
  aud_timer_event_t *event = nullptr;
  ASSERT_EQ(AUD_SUCCESS,
            aud_event_loop_timer_add_single(l.loop, reschedule_self, &due, nullptr, &r, &event));
  const aud_utime_t now = at(20);
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_process_timers_and_polls(l.loop, &now, nullptr));
  EXPECT_EQ(1, r.calls);
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_process_timers_and_polls(l.loop, &now, nullptr));
  EXPECT_EQ(2, r.calls);
  EXPECT_EQ(AUD_SUCCESS, aud_timer_event_remove(event));
}

TEST(EventLoopTimers, ALateRecurringTimerFiresOnceAndCountsItsNextDueTimeFromThePass) {
  Loop l;
  TimerLog log;
  NamedTimer tick{&log, "tick"};
  const aud_utime_t first = at(100), interval = at(0, 100000);
  aud_timer_event_t *event = nullptr;
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_timer_add_recurring(l.loop, log_timer, &first, &interval,
                                                            &tick, &event));
  const aud_utime_t late = at(101);
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_process_timers_and_polls(l.loop, &late, nullptr));
  EXPECT_EQ(1u, log.fired.size());
  ASSERT_NE(nullptr, aud_timer_event_time(event));
  EXPECT_EQ(101, aud_timer_event_time(event)->tv_sec);
  EXPECT_EQ(100000, aud_timer_event_time(event)->tv_usec);
}

TEST(EventLoopTimers, ARecurringTimerNeedsAPositiveInterval) {
  Loop l;
  TimerLog log;
  NamedTimer tick{&log, "tick"};
  const aud_utime_t zero = at(0), negative = at(-1);
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER, aud_event_loop_timer_add_recurring(l.loop, log_timer, nullptr,
                                                                         nullptr, &tick, nullptr));
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER,
            aud_event_loop_timer_add_recurring(l.loop, log_timer, nullptr, &zero, &tick, nullptr));
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER, aud_event_loop_timer_add_recurring(
                                          l.loop, log_timer, nullptr, &negative, &tick, nullptr));
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER,
            aud_event_loop_timer_add_single(l.loop, log_timer, nullptr, nullptr, &tick, nullptr));
}

aud_error_t remove_own_timer(aud_event_cause_t, aud_timer_event_t *event) {
  int *calls = static_cast<int *>(aud_timer_event_user(event));
  (*calls)++;
  EXPECT_EQ(AUD_SUCCESS, aud_timer_event_remove(event));
  return AUD_SUCCESS;
}

TEST(EventLoopTimers, RemovingARecurringTimerFromItsOwnCallbackIsSafe) {
  Loop l;
  int calls = 0;
  const aud_utime_t first = at(1), interval = at(1);
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_timer_add_recurring(l.loop, remove_own_timer, &first,
                                                            &interval, &calls, nullptr));
  const aud_utime_t now = at(10);
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_process_timers_and_polls(l.loop, &now, nullptr));
  const aud_utime_t later = at(20);
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_process_timers_and_polls(l.loop, &later, nullptr));
  EXPECT_EQ(1, calls);
}

TEST(EventLoopTimers, AKeptTimerStartsStoppedAndStopsAfterFiringOnce) {
  Loop l;
  TimerLog log;
  NamedTimer kept{&log, "kept"};
  aud_timer_event_t *event = nullptr;
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_timer_alloc(l.loop, log_timer, &kept, &event));
  EXPECT_EQ(nullptr, aud_timer_event_time(event));
  EXPECT_EQ(AUD_TRUE, aud_timer_event_is_static(event));
  const aud_utime_t due = at(5), now = at(6);
  ASSERT_EQ(AUD_SUCCESS, aud_timer_event_update_single(event, &due, nullptr));
  EXPECT_EQ(AUD_TRUE, aud_timer_event_is_active(event));
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_process_timers_and_polls(l.loop, &now, nullptr));
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_process_timers_and_polls(l.loop, &now, nullptr));
  EXPECT_EQ(1u, log.fired.size());
  EXPECT_EQ(AUD_FALSE, aud_timer_event_is_active(event));
  EXPECT_EQ(AUD_SUCCESS, aud_timer_event_remove(event));
}

TEST(EventLoopTimers, AStoppedKeptTimerDoesNotFire) {
  Loop l;
  TimerLog log;
  NamedTimer kept{&log, "kept"};
  aud_timer_event_t *event = nullptr;
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_timer_alloc(l.loop, log_timer, &kept, &event));
  const aud_utime_t first = at(5), interval = at(1), now = at(6);
  ASSERT_EQ(AUD_SUCCESS, aud_timer_event_update_recurring(event, &first, &interval));
  ASSERT_EQ(AUD_SUCCESS, aud_timer_event_stop(event));
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_process_timers_and_polls(l.loop, &now, nullptr));
  EXPECT_TRUE(log.fired.empty());
  EXPECT_EQ(AUD_SUCCESS, aud_timer_event_remove(event));
}

TEST(EventLoopTimers, OnlyKeptTimersCanBeStopped) {
  Loop l;
  TimerLog log;
  NamedTimer t{&log, "t"};
  const aud_utime_t due = at(5);
  aud_timer_event_t *event = nullptr;
  ASSERT_EQ(AUD_SUCCESS,
            aud_event_loop_timer_add_single(l.loop, log_timer, &due, nullptr, &t, &event));
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER, aud_timer_event_stop(event));
}

// Adds a timer already due from inside a timer callback.
struct Adder {
  aud_event_loop_t *loop;
  NamedTimer *added;
};

aud_error_t add_due_timer(aud_event_cause_t, aud_timer_event_t *event) {
  Adder *a = static_cast<Adder *>(aud_timer_event_user(event));
  const aud_utime_t past = at(1);
  EXPECT_EQ(AUD_SUCCESS,
            aud_event_loop_timer_add_single(a->loop, log_timer, &past, nullptr, a->added, nullptr));
  return AUD_SUCCESS;
}

TEST(EventLoopTimers, ATimerAddedByATimerCallbackFiresInTheNextPass) {
  Loop l;
  TimerLog log;
  NamedTimer added{&log, "added"};
  Adder adder{l.loop, &added};
  const aud_utime_t due = at(5), now = at(6);
  ASSERT_EQ(AUD_SUCCESS,
            aud_event_loop_timer_add_single(l.loop, add_due_timer, &due, nullptr, &adder, nullptr));
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_process_timers_and_polls(l.loop, &now, nullptr));
  EXPECT_TRUE(log.fired.empty());
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_process_timers_and_polls(l.loop, &now, nullptr));
  EXPECT_EQ((std::vector<std::string>{"added"}), log.fired);
}

// ---------------------------------------------------------------------------------
// Polls.

struct PollLog {
  aud_event_loop_t *loop;
  int calls = 0;
  bool remove_self = false;
};

aud_error_t count_poll(aud_event_cause_t, aud_poll_event_t *event) {
  PollLog *p = static_cast<PollLog *>(aud_poll_event_user(event));
  p->calls++;
  if (p->remove_self) {
    EXPECT_EQ(AUD_SUCCESS, aud_poll_event_remove(event));
  }
  return AUD_SUCCESS;
}

TEST(EventLoopPolls, EveryPollRunsOncePerPassAndMayRemoveItself) {
  Loop l;
  PollLog stays{l.loop}, leaves{l.loop, 0, true};
  aud_poll_event_t *p1 = nullptr, *p2 = nullptr;
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_poll_add(l.loop, count_poll, &leaves, &p1));
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_poll_add(l.loop, count_poll, &stays, &p2));
  const aud_utime_t now = at(1);
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_process_timers_and_polls(l.loop, &now, nullptr));
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_process_timers_and_polls(l.loop, &now, nullptr));
  EXPECT_EQ(1, leaves.calls);
  EXPECT_EQ(2, stays.calls);
}

TEST(EventLoopPolls, APollTimeoutLowersTheDeadline) {
  Loop l;
  PollLog p{l.loop};
  aud_poll_event_t *event = nullptr;
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_poll_add(l.loop, count_poll, &p, &event));
  const aud_utime_t when = at(30);
  ASSERT_EQ(AUD_SUCCESS, aud_poll_event_set_timeout(event, &when));
  aud_utime_t limit = at(60);
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_update_limit(l.loop, &limit));
  EXPECT_EQ(30, limit.tv_sec);
  // Once passed, the timeout is spent: it no longer holds the deadline at 30 s.
  const aud_utime_t now = at(31);
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_process_timers_and_polls(l.loop, &now, nullptr));
  EXPECT_EQ(nullptr, aud_poll_event_timeout(event));
}

// ---------------------------------------------------------------------------------
// Deferred work and the deadline.

struct WorkLog {
  aud_event_loop_t *loop;
  std::vector<std::string> ran = {};
  std::vector<aud_event_cause_t> causes = {};
  bool add_more = false;
};

aud_error_t later_work(aud_event_cause_t cause, aud_event_loop_t *, uint32_t, void *user) {
  WorkLog *w = static_cast<WorkLog *>(user);
  w->ran.push_back("later");
  w->causes.push_back(cause);
  return AUD_SUCCESS;
}

aud_error_t first_work(aud_event_cause_t cause, aud_event_loop_t *loop, uint32_t, void *user) {
  WorkLog *w = static_cast<WorkLog *>(user);
  w->ran.push_back("first");
  w->causes.push_back(cause);
  if (w->add_more) {
    EXPECT_EQ(AUD_SUCCESS, aud_event_loop_postproc_add(loop, nullptr, later_work, w));
  }
  return AUD_SUCCESS;
}

TEST(EventLoopDeferredWork, WorkRunsOnceInOrder) {
  Loop l;
  WorkLog w{l.loop};
  uint32_t id1 = 0, id2 = 0;
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_postproc_add(l.loop, &id1, first_work, &w));
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_postproc_add(l.loop, &id2, later_work, &w));
  EXPECT_EQ(1u, id1);
  EXPECT_EQ(2u, id2);
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_postprocess_now(l.loop, nullptr));
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_postprocess_now(l.loop, nullptr));
  EXPECT_EQ((std::vector<std::string>{"first", "later"}), w.ran);
}

TEST(EventLoopDeferredWork, WorkAddedByWorkRunsInTheNextRound) {
  Loop l;
  WorkLog w{l.loop, {}, {}, true};
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_postproc_add(l.loop, nullptr, first_work, &w));
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_postprocess_now(l.loop, nullptr));
  EXPECT_EQ((std::vector<std::string>{"first"}), w.ran);
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_postprocess_now(l.loop, nullptr));
  EXPECT_EQ((std::vector<std::string>{"first", "later"}), w.ran);
}

TEST(EventLoopDeferredWork, IdsInTheSecondListCarryBit31) {
  Loop l;
  WorkLog w{l.loop};
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_postprocess_now(l.loop, nullptr));
  uint32_t id = 0;
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_postproc_add(l.loop, &id, later_work, &w));
  EXPECT_EQ(0x80000001u, id);
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_postprocess_now(l.loop, nullptr));
}

TEST(EventLoopDeferredWork, RemovedWorkDoesNotRunAndAMismatchIsNotFound) {
  Loop l;
  WorkLog w{l.loop}, other{l.loop};
  uint32_t id = 0;
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_postproc_add(l.loop, &id, later_work, &w));
  EXPECT_EQ(AUD_ERR_NOTFOUND, aud_event_loop_postproc_remove(l.loop, id, later_work, &other));
  EXPECT_EQ(AUD_ERR_NOTFOUND, aud_event_loop_postproc_remove(l.loop, id + 1, later_work, &w));
  EXPECT_EQ(AUD_SUCCESS, aud_event_loop_postproc_remove(l.loop, id, later_work, &w));
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_postprocess_now(l.loop, nullptr));
  EXPECT_TRUE(w.ran.empty());
}

TEST(EventLoopDeferredWork, AFullListGrowsAndKeepsEveryEntry) {
  Loop l;
  WorkLog w{l.loop};
  const int n = 3 * AUD_EVENT_POSTPROC_INITIAL_CAPACITY + 1;
  for (int i = 0; i < n; i++) {
    ASSERT_EQ(AUD_SUCCESS, aud_event_loop_postproc_add(l.loop, nullptr, later_work, &w));
  }
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_postprocess_now(l.loop, nullptr));
  EXPECT_EQ(static_cast<size_t>(n), w.ran.size());
}

TEST(EventLoopDeferredWork, NullWorkIsRefused) {
  Loop l;
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER,
            aud_event_loop_postproc_add(l.loop, nullptr, nullptr, nullptr));
}

TEST(EventLoopDeferredWork, DeletingTheLoopTellsPendingWorkWithTheDeletedCause) {
  aud_event_loop_t *loop = nullptr;
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_new(&loop));
  WorkLog w{loop};
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_postproc_add(loop, nullptr, later_work, &w));
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_delete(loop));
  EXPECT_EQ((std::vector<aud_event_cause_t>{AUD_EVENT_CAUSE_LOOP_DELETED}), w.causes);
}

TEST(EventLoopDeadline, QueuedWorkMakesTheDeadlineZero) {
  Loop l;
  WorkLog w{l.loop};
  const aud_utime_t due = at(30);
  ASSERT_EQ(AUD_SUCCESS,
            aud_event_loop_timer_add_single(l.loop, ignore_timer, &due, nullptr, nullptr, nullptr));
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_postproc_add(l.loop, nullptr, later_work, &w));
  aud_utime_t limit = at(60);
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_update_limit(l.loop, &limit));
  EXPECT_EQ(0, limit.tv_sec);
  EXPECT_EQ(0, limit.tv_usec);
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_postprocess_now(l.loop, nullptr));
}

TEST(EventLoopDeadline, TheEarliestTimerLowersTheDeadlineButALaterOneDoesNot) {
  Loop l;
  const aud_utime_t soon = at(30, 5), far = at(90);
  ASSERT_EQ(AUD_SUCCESS,
            aud_event_loop_timer_add_single(l.loop, ignore_timer, &far, nullptr, nullptr, nullptr));
  aud_utime_t limit = at(60);
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_update_limit(l.loop, &limit));
  EXPECT_EQ(60, limit.tv_sec);
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_timer_add_single(l.loop, ignore_timer, &soon, nullptr,
                                                         nullptr, nullptr));
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_update_limit(l.loop, &limit));
  EXPECT_EQ(30, limit.tv_sec);
  EXPECT_EQ(5, limit.tv_usec);
}

// ---------------------------------------------------------------------------------
// Changed callback and re-entrance.

struct ChangeLog {
  aud_event_loop_t *loop;
  std::vector<uint32_t> flags = {};
  aud_error_t refused = AUD_SUCCESS;
};

void on_changed(aud_event_loop_t *loop, void *context, uint32_t flags) {
  ChangeLog *c = static_cast<ChangeLog *>(context);
  c->flags.push_back(flags);
  c->refused = aud_event_loop_postprocess_now(loop, nullptr);
}

TEST(EventLoopChanged, RegistrationsAndANewEarliestTimerAreReportedAndTheLoopRefusesWorkMeanwhile) {
  Loop l;
  Pair p;
  SocketLog log;
  ChangeLog c{l.loop};
  ASSERT_EQ(AUD_SUCCESS,
            aud_event_loop_set_changed_callback(
                l.loop, on_changed, &c,
                AUD_EVENT_LOOP_CHANGE_FLAG__SOCKETS | AUD_EVENT_LOOP_CHANGE_FLAG__TIMEOUT));
  ASSERT_EQ(AUD_SUCCESS,
            aud_event_loop_socket_update(l.loop, p.s, AUD_SOCKET_EVENT_TYPE_READ, log_socket, &log,
                                         AUD_EVENT_LOOP_UPDATE_DONT_CARE));
  const aud_utime_t due = at(10), later = at(20);
  ASSERT_EQ(AUD_SUCCESS,
            aud_event_loop_timer_add_single(l.loop, ignore_timer, &due, nullptr, nullptr, nullptr));
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_timer_add_single(l.loop, ignore_timer, &later, nullptr,
                                                         nullptr, nullptr));
  EXPECT_EQ((std::vector<uint32_t>{AUD_EVENT_LOOP_CHANGE_FLAG__SOCKETS,
                                   AUD_EVENT_LOOP_CHANGE_FLAG__TIMEOUT}),
            c.flags);
  EXPECT_EQ(AUD_ERR_INVALIDSTATE, c.refused);
}

aud_error_t delete_loop_from_work(aud_event_cause_t, aud_event_loop_t *loop, uint32_t, void *user) {
  *static_cast<aud_error_t *>(user) = aud_event_loop_delete(loop);
  return AUD_SUCCESS;
}

TEST(EventLoopReentrance, TheLoopCannotBeDeletedFromItsOwnCallback) {
  Loop l;
  aud_error_t result = AUD_SUCCESS;
  ASSERT_EQ(AUD_SUCCESS,
            aud_event_loop_postproc_add(l.loop, nullptr, delete_loop_from_work, &result));
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_postprocess_now(l.loop, nullptr));
  EXPECT_EQ(AUD_ERR_INVALIDSTATE, result);
}

// ---------------------------------------------------------------------------------
// Self-contained processing.

TEST(EventLoopProcess, AZeroDelayPassDispatchesReadySocketsAndRunsWork) {
  Loop l;
  Pair p;
  SocketLog log;
  WorkLog w{l.loop};
  ASSERT_EQ(AUD_SUCCESS,
            aud_event_loop_socket_update(l.loop, p.s, AUD_SOCKET_EVENT_TYPE_READ, log_socket, &log,
                                         AUD_EVENT_LOOP_UPDATE_DONT_CARE));
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_postproc_add(l.loop, nullptr, later_work, &w));
  p.make_readable();
  const aud_utime_t zero = at(0);
  unsigned int counts = 0;
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_process(l.loop, &zero, &counts));
  EXPECT_EQ(1u, log.fired.size());
  EXPECT_EQ(1u, w.ran.size());
  EXPECT_EQ(2u, counts);
}

TEST(EventLoopProcess, AZeroDelayPassWithNothingReadyReturnsAtOnce) {
  Loop l;
  Pair p;
  SocketLog log;
  ASSERT_EQ(AUD_SUCCESS,
            aud_event_loop_socket_update(l.loop, p.s, AUD_SOCKET_EVENT_TYPE_READ, log_socket, &log,
                                         AUD_EVENT_LOOP_UPDATE_DONT_CARE));
  const aud_utime_t zero = at(0);
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_process(l.loop, &zero, nullptr));
  EXPECT_TRUE(log.fired.empty());
}

TEST(EventLoopTexts, UpdateModesAndSocketTypesHaveTheirNames) {
  EXPECT_STREQ("DONT_CARE", aud_event_loop_update_to_string(AUD_EVENT_LOOP_UPDATE_DONT_CARE));
  EXPECT_STREQ("MUST_EXIST", aud_event_loop_update_to_string(AUD_EVENT_LOOP_UPDATE_MUST_EXIST));
  EXPECT_STREQ("MUST_NOT_EXIST",
               aud_event_loop_update_to_string(AUD_EVENT_LOOP_UPDATE_MUST_NOT_EXIST));
  EXPECT_STREQ("READ", aud_socket_event_type_to_string(AUD_SOCKET_EVENT_TYPE_READ));
  EXPECT_STREQ("WRITE", aud_socket_event_type_to_string(AUD_SOCKET_EVENT_TYPE_WRITE));
  EXPECT_STREQ("EXCEPTION", aud_socket_event_type_to_string(AUD_SOCKET_EVENT_TYPE_EXCEPTION));
}

}  // namespace
