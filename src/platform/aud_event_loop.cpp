#include "platform/aud_event_loop.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <new>

// ---------------------------------------------------------------------------------
// List.

void aud_list_init(aud_list_t *list) {
  if (list) {
    list->count = 0;
    list->head = nullptr;
    list->tail = nullptr;
  }
}

aud_error_t aud_list_append(aud_list_t *list, aud_list_node_t *node) {
  if (!list) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  return aud_list_insert_after(list, list->tail, node);
}

aud_error_t aud_list_insert_after(aud_list_t *list, aud_list_node_t *after, aud_list_node_t *node) {
  if (!list || !node || node->list || (after && after->list != list)) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  node->prev = after;
  node->next = after ? after->next : list->head;
  if (node->next) {
    node->next->prev = node;
  } else {
    list->tail = node;
  }
  if (after) {
    after->next = node;
  } else {
    list->head = node;
  }
  node->list = list;
  list->count++;
  return AUD_SUCCESS;
}

void aud_list_remove(aud_list_node_t *node) {
  if (!node || !node->list) {
    return;
  }
  aud_list_t *list = node->list;
  if (node->prev) {
    node->prev->next = node->next;
  } else {
    list->head = node->next;
  }
  if (node->next) {
    node->next->prev = node->prev;
  } else {
    list->tail = node->prev;
  }
  node->prev = nullptr;
  node->next = nullptr;
  node->list = nullptr;
  list->count--;
}

// ---------------------------------------------------------------------------------
// Texts.

const char *aud_event_loop_update_to_string(aud_event_loop_update_t update) {
  switch (update) {
    case AUD_EVENT_LOOP_UPDATE_DONT_CARE:
      return "DONT_CARE";
    case AUD_EVENT_LOOP_UPDATE_MUST_EXIST:
      return "MUST_EXIST";
    case AUD_EVENT_LOOP_UPDATE_MUST_NOT_EXIST:
      return "MUST_NOT_EXIST";
  }
  return nullptr;
}

const char *aud_socket_event_type_to_string(aud_socket_event_type_t type) {
  switch (type) {
    case AUD_SOCKET_EVENT_TYPE_READ:
      return "READ";
    case AUD_SOCKET_EVENT_TYPE_WRITE:
      return "WRITE";
    case AUD_SOCKET_EVENT_TYPE_EXCEPTION:
      return "EXCEPTION";
  }
  return nullptr;
}

// ---------------------------------------------------------------------------------
// Helpers.

namespace {

bool utime_is_zero(const aud_utime_t &t) { return t.tv_sec == 0 && t.tv_usec == 0; }

bool utime_is_positive(const aud_utime_t &t) {
  return t.tv_sec > 0 || (t.tv_sec == 0 && t.tv_usec > 0);
}

// Brings the microseconds into 0..999999, carrying into the seconds (negative
// seconds are allowed: they are simply times in the past).
void utime_normalise(aud_utime_t *t) {
  t->tv_sec += t->tv_usec / 1000000;
  t->tv_usec %= 1000000;
  if (t->tv_usec < 0) {
    t->tv_usec += 1000000;
    t->tv_sec -= 1;
  }
}

bool changed_callback_active(const aud_event_loop_t *loop) { return loop->changed.is_active != 0; }

// Tells the changed callback about `flags`, unless a dispatch is running: changes
// made from callbacks are picked up when the caller next reads the loop.
void notify_changed(aud_event_loop_t *loop, uint32_t flags) {
  aud_event_loop_changed &c = loop->changed;
  if (loop->processing || loop->sockets.processing || loop->timers.processing || !c.fn ||
      !(c.mask & flags) || c.is_active) {
    return;
  }
  c.is_active = AUD_TRUE;
  c.fn(loop, c.context, flags);
  c.is_active = AUD_FALSE;
}

void hook_pre(aud_event_loop_t *loop) {
  if (loop->hooks.pre) {
    loop->hooks.pre(loop->hooks.context);
  }
}

void hook_post(aud_event_loop_t *loop) {
  if (loop->hooks.post) {
    loop->hooks.post(loop->hooks.context);
  }
}

void count_one(unsigned int *counts) {
  if (counts) {
    (*counts)++;
  }
}

bool valid_type(aud_socket_event_type_t type) {
  return static_cast<int>(type) >= 0 && static_cast<int>(type) < AUD_SOCKET_EVENT_NUM_TYPES;
}

// --- timers ---

aud_timer_event_t *timer_of(aud_list_node_t *node) {
  return static_cast<aud_timer_event_t *>(node->item);
}

// Places the event after the last scheduled event that is not due later, so that
// events due at the same time keep the order in which they were scheduled.
void timer_insert_sorted(aud_event_timer_t *timers, aud_timer_event_t *event) {
  aud_list_node_t *after = timers->list.tail;
  while (after && aud_utime_compare(&timer_of(after)->time, &event->time) > 0) {
    after = after->prev;
  }
  aud_list_insert_after(&timers->list, after, &event->node);
  if (!after && !timers->processing) {
    notify_changed(timers->loop, AUD_EVENT_LOOP_CHANGE_FLAG__TIMEOUT);
  }
}

void timer_free(aud_timer_event_t *event) {
  aud_list_remove(&event->node);
  delete event;
}

// Puts a (re)scheduled event where it belongs: in the sorted list, or, during a
// timer pass, in the held-back list so that it cannot fire in the same pass.
void timer_schedule(aud_timer_event_t *event) {
  aud_event_timer_t *timers = event->parent;
  aud_list_remove(&event->node);
  if (timers->processing) {
    event->status = AUD_EVENT_STATUS_REPLACED;
    aud_list_append(&timers->held, &event->node);
  } else {
    event->status = AUD_EVENT_STATUS_ACTIVE;
    timer_insert_sorted(timers, event);
  }
}

aud_error_t due_time(const aud_utime_t *when, const aud_utime_t *delay, aud_utime_t *due) {
  if (!when && !delay) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  aud_utime_t t;
  if (when) {
    t = *when;
    utime_normalise(&t);
  } else {
    aud_error_t result = aud_utime_get(&t);
    if (result != AUD_SUCCESS) {
      return result;
    }
  }
  if (delay) {
    aud_utime_t d = *delay;
    utime_normalise(&d);
    aud_utime_add(&t, &d);
  }
  *due = t;
  return AUD_SUCCESS;
}

aud_error_t recurring_first(const aud_utime_t *first, const aud_utime_t *interval, aud_utime_t *due,
                            aud_utime_t *period) {
  if (!interval) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  aud_utime_t i = *interval;
  utime_normalise(&i);
  if (!utime_is_positive(i)) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  aud_error_t result = first ? due_time(first, nullptr, due) : due_time(nullptr, &i, due);
  if (result == AUD_SUCCESS) {
    *period = i;
  }
  return result;
}

aud_error_t timer_new(aud_event_loop_t *loop, aud_timer_event_fn fn, void *user, uint32_t flags,
                      aud_timer_event_t **out) {
  aud_timer_event_t *event = new (std::nothrow) aud_timer_event_t{};
  if (!event) {
    return AUD_ERR_NOMEMORY;
  }
  event->parent = &loop->timers;
  event->fn = fn;
  event->user = user;
  event->flags = flags;
  event->status = AUD_EVENT_STATUS_STOPPED;
  event->node.item = event;
  *out = event;
  return AUD_SUCCESS;
}

// --- polls ---

aud_poll_event_t *poll_of(aud_list_node_t *node) {
  return static_cast<aud_poll_event_t *>(node->item);
}

// --- sockets ---

aud_socket_event_t *socket_of(aud_list_node_t *node) {
  return static_cast<aud_socket_event_t *>(node->item);
}

aud_socket_event_t *socket_find(aud_event_socket_t *sockets, aud_socket_t s,
                                aud_socket_event_type_t type) {
  for (aud_list_node_t *n = sockets->list[type].head; n; n = n->next) {
    if (socket_of(n)->s == s) {
      return socket_of(n);
    }
  }
  return nullptr;
}

void socket_free(aud_socket_event_t *event) {
  aud_event_socket_t *sockets = event->parent;
  FD_CLR(event->s, &sockets->fdset[event->type].fds);
  aud_list_remove(&event->node);
  delete event;
}

// --- deferred work ---

bool postproc_has_work(const aud_event_postproc_list_t *list) {
  for (uint32_t i = 0; i < list->length; i++) {
    if (list->entries[i].fn) {
      return true;
    }
  }
  return false;
}

uint32_t postproc_id(const aud_event_postproc_t *pp, const aud_event_postproc_list_t *list,
                     uint32_t index) {
  return (index + 1) | (list == &pp->lists[1] ? AUD_EVENT_POSTPROC_ID_SECOND_LIST : 0u);
}

void postproc_run_list(aud_event_loop_t *loop, aud_event_postproc_list_t *list,
                       aud_event_cause_t cause, unsigned int *counts) {
  // The length is read on every round: nothing can be appended to this list while it
  // runs (new work goes to the other list), but entries may be emptied.
  for (uint32_t i = 0; i < list->length; i++) {
    aud_event_postproc_entry entry = list->entries[i];
    if (!entry.fn) {
      continue;
    }
    list->entries[i] = {nullptr, nullptr};
    hook_pre(loop);
    entry.fn(cause, loop, postproc_id(&loop->postproc, list, i), entry.user);
    hook_post(loop);
    count_one(counts);
  }
  list->length = 0;
}

}  // namespace

// ---------------------------------------------------------------------------------
// Loop.

aud_error_t aud_event_loop_new(aud_event_loop_t **out) {
  if (!out) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  aud_event_loop_t *loop = new (std::nothrow) aud_event_loop_t{};
  if (!loop) {
    return AUD_ERR_NOMEMORY;
  }
  loop->timers.loop = loop;
  loop->polls.loop = loop;
  loop->sockets.loop = loop;
  for (int t = 0; t < AUD_SOCKET_EVENT_NUM_TYPES; t++) {
    FD_ZERO(&loop->sockets.fdset[t].fds);
  }
  for (aud_event_postproc_list_t &list : loop->postproc.lists) {
    list.entries = static_cast<aud_event_postproc_entry *>(
        calloc(AUD_EVENT_POSTPROC_INITIAL_CAPACITY, sizeof(aud_event_postproc_entry)));
    if (!list.entries) {
      free(loop->postproc.lists[0].entries);
      free(loop->postproc.lists[1].entries);
      delete loop;
      return AUD_ERR_NOMEMORY;
    }
    list.capacity = AUD_EVENT_POSTPROC_INITIAL_CAPACITY;
  }
  loop->postproc.main = &loop->postproc.lists[0];
  loop->postproc.proc = &loop->postproc.lists[1];
  *out = loop;
  return AUD_SUCCESS;
}

aud_error_t aud_event_loop_delete(aud_event_loop_t *loop) {
  if (!loop) {
    return AUD_SUCCESS;
  }
  if (loop->processing || changed_callback_active(loop) || loop->timers.processing ||
      loop->polls.processing) {
    return AUD_ERR_INVALIDSTATE;
  }
  // Owners of pending work learn that it will never run in the ordinary way. Work
  // queued by these calls lands in the other list and is told the same once.
  aud_event_postproc_t &pp = loop->postproc;
  if (pp.main && pp.proc) {
    for (int round = 0; round < 2; round++) {
      aud_event_postproc_list_t *run = pp.main;
      pp.main = pp.proc;
      pp.proc = run;
      loop->processing = AUD_TRUE;
      postproc_run_list(loop, run, AUD_EVENT_CAUSE_LOOP_DELETED, nullptr);
      loop->processing = AUD_FALSE;
    }
  }
  notify_changed(loop, AUD_EVENT_LOOP_CHANGE_FLAG__DELETED);

  for (aud_list_t *list : {&loop->timers.list, &loop->timers.held}) {
    while (list->head) {
      timer_free(timer_of(list->head));
    }
  }
  while (loop->polls.list.head) {
    aud_poll_event_t *p = poll_of(loop->polls.list.head);
    aud_list_remove(&p->node);
    delete p;
  }
  for (int t = 0; t < AUD_SOCKET_EVENT_NUM_TYPES; t++) {
    while (loop->sockets.list[t].head) {
      socket_free(socket_of(loop->sockets.list[t].head));
    }
  }
  free(pp.lists[0].entries);
  free(pp.lists[1].entries);
  delete loop;
  return AUD_SUCCESS;
}

aud_error_t aud_event_loop_set_changed_callback(aud_event_loop_t *loop,
                                                aud_event_loop_changed_fn fn, void *context,
                                                uint32_t mask) {
  if (!loop) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  if (changed_callback_active(loop)) {
    return AUD_ERR_INVALIDSTATE;
  }
  if (!fn || !context || mask == 0) {
    loop->changed.fn = nullptr;
    loop->changed.context = nullptr;
    loop->changed.mask = 0;
  } else {
    loop->changed.fn = fn;
    loop->changed.context = context;
    loop->changed.mask = mask;
  }
  return AUD_SUCCESS;
}

aud_error_t aud_event_loop_set_hook_context(aud_event_loop_t *loop, void *context) {
  if (!loop) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  loop->hooks.context = context;
  return AUD_SUCCESS;
}

aud_error_t aud_event_loop_set_callback_pre_hook(aud_event_loop_t *loop,
                                                 aud_event_loop_hook_fn fn) {
  if (!loop) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  loop->hooks.pre = fn;
  return AUD_SUCCESS;
}

aud_error_t aud_event_loop_set_callback_post_hook(aud_event_loop_t *loop,
                                                  aud_event_loop_hook_fn fn) {
  if (!loop) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  loop->hooks.post = fn;
  return AUD_SUCCESS;
}

// ---------------------------------------------------------------------------------
// Runtime steps.

aud_error_t aud_event_loop_sockets_get(aud_event_loop_t *loop, aud_socket_event_type_t type,
                                       aud_fdset_t *fdset) {
  if (!loop || !fdset || !valid_type(type)) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  if (changed_callback_active(loop)) {
    return AUD_ERR_INVALIDSTATE;
  }
  const aud_fdset_t &mine = loop->sockets.fdset[type];
  for (int fd = 0; fd < mine.n; fd++) {
    if (FD_ISSET(fd, &mine.fds)) {
      FD_SET(fd, &fdset->fds);
    }
  }
  if (fdset->n < mine.n) {
    fdset->n = mine.n;
  }
  loop->sockets.changed &= static_cast<uint8_t>(~(1u << type));
  return AUD_SUCCESS;
}

aud_bool_t aud_event_loop_sockets_have_changed(const aud_event_loop_t *loop) {
  if (!loop) {
    return AUD_FALSE;
  }
  if (changed_callback_active(loop)) {
    return AUD_ERR_INVALIDSTATE;
  }
  return loop->sockets.changed ? AUD_TRUE : AUD_FALSE;
}

aud_error_t aud_event_loop_update_limit(aud_event_loop_t *loop, aud_utime_t *limit) {
  if (!loop || !limit) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  if (changed_callback_active(loop)) {
    return AUD_ERR_INVALIDSTATE;
  }
  if (loop->timers.list.head) {
    const aud_utime_t &first = timer_of(loop->timers.list.head)->time;
    if (aud_utime_compare(&first, limit) < 0) {
      *limit = first;
    }
  }
  aud_utime_t now{};
  bool have_now = false;
  for (aud_list_node_t *n = loop->polls.list.head; n; n = n->next) {
    aud_poll_event_t *p = poll_of(n);
    if (p->status == AUD_EVENT_STATUS_DELETED) {
      continue;
    }
    if (utime_is_zero(p->timeout_next) && !utime_is_zero(p->timeout_period)) {
      if (!have_now) {
        aud_error_t result = aud_utime_get(&now);
        if (result != AUD_SUCCESS) {
          return result;
        }
        have_now = true;
      }
      p->timeout_next = now;
      aud_utime_add(&p->timeout_next, &p->timeout_period);
    }
    if (!utime_is_zero(p->timeout_next) && aud_utime_compare(&p->timeout_next, limit) < 0) {
      *limit = p->timeout_next;
    }
  }
  if (postproc_has_work(loop->postproc.main)) {
    limit->tv_sec = 0;
    limit->tv_usec = 0;
  }
  return AUD_SUCCESS;
}

aud_error_t aud_event_loop_process_socket_fds(aud_event_loop_t *loop, aud_socket_event_type_t type,
                                              fd_set *ready, unsigned int *counts) {
  if (!loop || !ready || !valid_type(type)) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  if (changed_callback_active(loop) || loop->processing) {
    return AUD_ERR_INVALIDSTATE;
  }
  aud_event_socket_t &sockets = loop->sockets;
  sockets.processing = AUD_TRUE;
  sockets.fired |= static_cast<uint8_t>(1u << type);
  loop->processing = AUD_TRUE;
  // Nothing is unlinked from the list while socket processing runs (removals only
  // mark the event), so the next node stays valid across the callback. Events added
  // meanwhile are appended as NEW and skipped.
  for (aud_list_node_t *n = sockets.list[type].head; n; n = n->next) {
    aud_socket_event_t *e = socket_of(n);
    if (e->status != AUD_EVENT_STATUS_ACTIVE || !FD_ISSET(e->s, ready)) {
      continue;
    }
    FD_CLR(e->s, ready);
    hook_pre(loop);
    e->fn(AUD_EVENT_CAUSE_FIRED, e->s, type, e->user);
    hook_post(loop);
    count_one(counts);
  }
  loop->processing = AUD_FALSE;
  return AUD_SUCCESS;
}

aud_error_t aud_event_loop_process_sockets_done(aud_event_loop_t *loop) {
  if (!loop) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  if (changed_callback_active(loop) || loop->processing) {
    return AUD_ERR_INVALIDSTATE;
  }
  aud_event_socket_t &sockets = loop->sockets;
  if (!sockets.processing) {
    return AUD_SUCCESS;
  }
  for (int t = 0; t < AUD_SOCKET_EVENT_NUM_TYPES; t++) {
    aud_list_node_t *n = sockets.list[t].head;
    while (n) {
      aud_socket_event_t *e = socket_of(n);
      n = n->next;
      if (e->status == AUD_EVENT_STATUS_DELETED) {
        socket_free(e);
      } else if (e->status == AUD_EVENT_STATUS_NEW) {
        e->status = AUD_EVENT_STATUS_ACTIVE;
      }
    }
  }
  sockets.processing = AUD_FALSE;
  sockets.fired = 0;
  if (sockets.pending) {
    sockets.pending = 0;
    notify_changed(loop, AUD_EVENT_LOOP_CHANGE_FLAG__SOCKETS);
  }
  return AUD_SUCCESS;
}

aud_error_t aud_event_loop_postprocess_now(aud_event_loop_t *loop, unsigned int *counts) {
  if (!loop) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  if (changed_callback_active(loop) || loop->processing) {
    return AUD_ERR_INVALIDSTATE;
  }
  aud_event_postproc_t &pp = loop->postproc;
  if (!pp.main || !pp.proc) {
    return AUD_ERR_NOTINITIALISED;
  }
  // Swapping first sends work queued by the running work to the other list, so it
  // waits for the next round instead of extending this one.
  aud_event_postproc_list_t *run = pp.main;
  pp.main = pp.proc;
  pp.proc = run;
  loop->processing = AUD_TRUE;
  postproc_run_list(loop, run, AUD_EVENT_CAUSE_FIRED, counts);
  loop->processing = AUD_FALSE;
  return AUD_SUCCESS;
}

// One pass, in this order:
//   1. timers: walk the sorted list from the head while the head is due at `now`.
//      Each due event is unlinked and held back before its callback runs: a
//      recurring one is marked FIRED and its next due time set to now + interval
//      (so a late pass fires it once), a kept one-shot is marked STOPPED, a
//      loop-owned one-shot DELETED. Callbacks may add, reschedule, stop or remove
//      any timer; every such change also lands in the held-back list.
//   2. the held-back list is settled: DELETED events are freed, STOPPED ones
//      leave, the rest become ACTIVE and are sorted in. Nothing added or
//      rescheduled during the pass can therefore fire in the same pass.
//   3. polls: each ACTIVE poll is called once, in registration order; polls
//      removed meanwhile are freed at the end, polls added become ACTIVE.
aud_error_t aud_event_loop_process_timers_and_polls(aud_event_loop_t *loop, const aud_utime_t *now,
                                                    unsigned int *counts) {
  if (!loop || !now) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  if (changed_callback_active(loop) || loop->processing) {
    return AUD_ERR_INVALIDSTATE;
  }
  loop->processing = AUD_TRUE;

  aud_event_timer_t &timers = loop->timers;
  timers.processing = AUD_TRUE;
  while (timers.list.head) {
    aud_timer_event_t *e = timer_of(timers.list.head);
    if (aud_utime_compare(&e->time, now) > 0) {
      break;
    }
    aud_list_remove(&e->node);
    aud_list_append(&timers.held, &e->node);
    if (utime_is_positive(e->interval)) {
      e->status = AUD_EVENT_STATUS_FIRED;
      e->time = *now;
      aud_utime_add(&e->time, &e->interval);
    } else if (e->flags & AUD_TIMER_EVENT_FLAG_STATIC_ALLOC) {
      e->status = AUD_EVENT_STATUS_STOPPED;
    } else {
      e->status = AUD_EVENT_STATUS_DELETED;
    }
    if (e->fn) {
      hook_pre(loop);
      e->fn(AUD_EVENT_CAUSE_FIRED, e);
      hook_post(loop);
      count_one(counts);
    }
  }
  timers.processing = AUD_FALSE;
  while (timers.held.head) {
    aud_timer_event_t *e = timer_of(timers.held.head);
    aud_list_remove(&e->node);
    if (e->status == AUD_EVENT_STATUS_DELETED) {
      delete e;
    } else if (e->status != AUD_EVENT_STATUS_STOPPED) {
      e->status = AUD_EVENT_STATUS_ACTIVE;
      timer_insert_sorted(&timers, e);
    }
  }

  aud_event_poll_t &polls = loop->polls;
  polls.processing = AUD_TRUE;
  // Removals only mark the event while the pass runs, so the next node stays valid.
  for (aud_list_node_t *n = polls.list.head; n; n = n->next) {
    aud_poll_event_t *p = poll_of(n);
    if (p->status != AUD_EVENT_STATUS_ACTIVE) {
      continue;
    }
    if (!utime_is_zero(p->timeout_next) && aud_utime_compare(&p->timeout_next, now) <= 0) {
      p->timeout_next = {0, 0};
    }
    p->status = AUD_EVENT_STATUS_FIRED;
    if (p->fn) {
      hook_pre(loop);
      p->fn(AUD_EVENT_CAUSE_FIRED, p);
      hook_post(loop);
      count_one(counts);
    }
    if (p->status == AUD_EVENT_STATUS_FIRED) {
      p->status = AUD_EVENT_STATUS_ACTIVE;
    }
  }
  polls.processing = AUD_FALSE;
  aud_list_node_t *n = polls.list.head;
  while (n) {
    aud_poll_event_t *p = poll_of(n);
    n = n->next;
    if (p->status == AUD_EVENT_STATUS_DELETED) {
      aud_list_remove(&p->node);
      delete p;
    } else {
      p->status = AUD_EVENT_STATUS_ACTIVE;
    }
  }

  loop->processing = AUD_FALSE;
  return AUD_SUCCESS;
}

namespace {

aud_error_t dispatch_ready(aud_event_loop_t *loop, fd_set ready[AUD_SOCKET_EVENT_NUM_TYPES],
                           unsigned int *counts) {
  for (int t = 0; t < AUD_SOCKET_EVENT_NUM_TYPES; t++) {
    aud_error_t result = aud_event_loop_process_socket_fds(
        loop, static_cast<aud_socket_event_type_t>(t), &ready[t], counts);
    if (result != AUD_SUCCESS) {
      aud_event_loop_process_sockets_done(loop);
      return result;
    }
  }
  return aud_event_loop_process_sockets_done(loop);
}

// Waits at most *timeout (null: forever) on every registered descriptor and
// leaves the ready ones in `ready`. An interrupted wait counts as nothing ready.
aud_error_t wait_for_sockets(aud_event_loop_t *loop, aud_utime_t *timeout,
                             fd_set ready[AUD_SOCKET_EVENT_NUM_TYPES], bool *any) {
  int n = 0;
  for (int t = 0; t < AUD_SOCKET_EVENT_NUM_TYPES; t++) {
    aud_fdset_t set{};
    FD_ZERO(&set.fds);
    aud_event_loop_sockets_get(loop, static_cast<aud_socket_event_type_t>(t), &set);
    ready[t] = set.fds;
    if (set.n > n) {
      n = set.n;
    }
  }
  int rc = select(n, &ready[0], &ready[1], &ready[2], timeout);
  if (rc < 0) {
    if (errno == EINTR) {
      *any = false;
      return AUD_SUCCESS;
    }
    return aud_error_from_system_error(errno);
  }
  *any = rc > 0;
  return AUD_SUCCESS;
}

}  // namespace

aud_error_t aud_event_loop_process(aud_event_loop_t *loop, const aud_utime_t *delay,
                                   unsigned int *counts) {
  if (!loop) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  if (changed_callback_active(loop) || loop->processing) {
    return AUD_ERR_INVALIDSTATE;
  }
  aud_utime_t now;
  aud_error_t result = aud_utime_get(&now);
  if (result != AUD_SUCCESS) {
    return result;
  }
  result = aud_event_loop_process_timers_and_polls(loop, &now, counts);
  if (result != AUD_SUCCESS) {
    return result;
  }
  aud_utime_t limit = now;
  if (delay) {
    aud_utime_t d = *delay;
    utime_normalise(&d);
    aud_utime_add(&limit, &d);
  } else {
    limit.tv_sec += AUD_EVENT_LOOP_MAX_WAIT_SECONDS;
  }
  result = aud_event_loop_update_limit(loop, &limit);
  if (result != AUD_SUCCESS) {
    return result;
  }
  result = aud_utime_get(&now);
  if (result != AUD_SUCCESS) {
    return result;
  }
  aud_utime_t timeout = limit;
  if (aud_utime_compare(&limit, &now) > 0) {
    aud_utime_sub(&timeout, &now);
  } else {
    timeout = {0, 0};
  }
  fd_set ready[AUD_SOCKET_EVENT_NUM_TYPES];
  bool any = false;
  result = wait_for_sockets(loop, &timeout, ready, &any);
  if (result != AUD_SUCCESS) {
    return result;
  }
  if (any) {
    result = dispatch_ready(loop, ready, counts);
    if (result != AUD_SUCCESS) {
      return result;
    }
  }
  return aud_event_loop_postprocess_now(loop, counts);
}

aud_error_t aud_event_loop_process_sockets(aud_event_loop_t *loop, unsigned int *counts) {
  if (!loop) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  if (changed_callback_active(loop) || loop->processing) {
    return AUD_ERR_INVALIDSTATE;
  }
  aud_utime_t zero{0, 0};
  fd_set ready[AUD_SOCKET_EVENT_NUM_TYPES];
  bool any = false;
  aud_error_t result = wait_for_sockets(loop, &zero, ready, &any);
  if (result != AUD_SUCCESS || !any) {
    return result;
  }
  return dispatch_ready(loop, ready, counts);
}

// ---------------------------------------------------------------------------------
// Sockets.

aud_error_t aud_event_loop_socket_update(aud_event_loop_t *loop, aud_socket_t s,
                                         aud_socket_event_type_t type, aud_socket_event_fn fn,
                                         void *user, aud_event_loop_update_t update) {
  if (!loop || !valid_type(type) || s < 0 || s >= FD_SETSIZE ||
      static_cast<unsigned>(update) > AUD_EVENT_LOOP_UPDATE_MUST_NOT_EXIST) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  if (changed_callback_active(loop)) {
    return AUD_ERR_INVALIDSTATE;
  }
  aud_event_socket_t &sockets = loop->sockets;
  const uint8_t bit = static_cast<uint8_t>(1u << type);
  aud_socket_event_t *e = socket_find(&sockets, s, type);
  if (e && e->status == AUD_EVENT_STATUS_DELETED) {
    // Removed during this processing and not yet freed: it no longer exists for the
    // caller, but a new registration can reuse it.
    if (update == AUD_EVENT_LOOP_UPDATE_MUST_EXIST) {
      return AUD_ERR_NOTFOUND;
    }
    if (!fn) {
      return AUD_SUCCESS;
    }
    e->fn = fn;
    e->user = user;
    e->status = AUD_EVENT_STATUS_NEW;
    sockets.changed |= bit;
    return AUD_SUCCESS;
  }
  if (e) {
    if (update == AUD_EVENT_LOOP_UPDATE_MUST_NOT_EXIST) {
      return AUD_ERR_ALREADY;
    }
    if (fn) {
      e->fn = fn;
      e->user = user;
      return AUD_SUCCESS;
    }
    sockets.changed |= bit;
    if (sockets.processing) {
      e->status = AUD_EVENT_STATUS_DELETED;
      sockets.pending |= bit;
    } else {
      socket_free(e);
      notify_changed(loop, AUD_EVENT_LOOP_CHANGE_FLAG__SOCKETS);
    }
    return AUD_SUCCESS;
  }
  if (update == AUD_EVENT_LOOP_UPDATE_MUST_EXIST) {
    return AUD_ERR_NOTFOUND;
  }
  if (!fn) {
    return AUD_SUCCESS;
  }
  e = new (std::nothrow) aud_socket_event_t{};
  if (!e) {
    return AUD_ERR_NOMEMORY;
  }
  e->parent = &sockets;
  e->s = s;
  e->type = type;
  e->fn = fn;
  e->user = user;
  e->node.item = e;
  e->status = sockets.processing ? AUD_EVENT_STATUS_NEW : AUD_EVENT_STATUS_ACTIVE;
  aud_list_append(&sockets.list[type], &e->node);
  aud_fdset_t &set = sockets.fdset[type];
  FD_SET(s, &set.fds);
  if (set.n < s + 1) {
    set.n = s + 1;
  }
  sockets.changed |= bit;
  if (sockets.processing) {
    sockets.pending |= bit;
  } else {
    notify_changed(loop, AUD_EVENT_LOOP_CHANGE_FLAG__SOCKETS);
  }
  return AUD_SUCCESS;
}

// ---------------------------------------------------------------------------------
// Timers.

aud_error_t aud_event_loop_timer_alloc(aud_event_loop_t *loop, aud_timer_event_fn fn, void *user,
                                       aud_timer_event_t **event) {
  if (!loop || !event) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  return timer_new(loop, fn, user, AUD_TIMER_EVENT_FLAG_STATIC_ALLOC, event);
}

// Creates a loop-owned timer due at `due` (recurring when period is given) and
// schedules it; one added during a timer pass waits for the pass to end.
static aud_error_t add_loop_timer(aud_event_loop_t *loop, aud_timer_event_fn fn, void *user,
                                  const aud_utime_t &due, const aud_utime_t *period,
                                  aud_timer_event_t **event) {
  aud_timer_event_t *e = nullptr;
  aud_error_t result = timer_new(loop, fn, user, 0, &e);
  if (result != AUD_SUCCESS) {
    return result;
  }
  e->time = due;
  if (period) {
    e->interval = *period;
  }
  timer_schedule(e);
  if (e->status == AUD_EVENT_STATUS_REPLACED) {
    e->status = AUD_EVENT_STATUS_NEW;
  }
  if (event) {
    *event = e;
  }
  return AUD_SUCCESS;
}

aud_error_t aud_event_loop_timer_add_single(aud_event_loop_t *loop, aud_timer_event_fn fn,
                                            const aud_utime_t *when, const aud_utime_t *delay,
                                            void *user, aud_timer_event_t **event) {
  if (!loop) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  aud_utime_t due;
  aud_error_t result = due_time(when, delay, &due);
  if (result != AUD_SUCCESS) {
    return result;
  }
  return add_loop_timer(loop, fn, user, due, nullptr, event);
}

aud_error_t aud_event_loop_timer_add_recurring(aud_event_loop_t *loop, aud_timer_event_fn fn,
                                               const aud_utime_t *first,
                                               const aud_utime_t *interval, void *user,
                                               aud_timer_event_t **event) {
  if (!loop) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  aud_utime_t due, period;
  aud_error_t result = recurring_first(first, interval, &due, &period);
  if (result != AUD_SUCCESS) {
    return result;
  }
  return add_loop_timer(loop, fn, user, due, &period, event);
}

aud_error_t aud_timer_event_update_single(aud_timer_event_t *event, const aud_utime_t *when,
                                          const aud_utime_t *delay) {
  if (!event) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  aud_utime_t due;
  aud_error_t result = due_time(when, delay, &due);
  if (result != AUD_SUCCESS) {
    return result;
  }
  event->time = due;
  event->interval = {0, 0};
  timer_schedule(event);
  return AUD_SUCCESS;
}

aud_error_t aud_timer_event_update_recurring(aud_timer_event_t *event, const aud_utime_t *first,
                                             const aud_utime_t *interval) {
  if (!event) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  aud_utime_t due, period;
  aud_error_t result = recurring_first(first, interval, &due, &period);
  if (result != AUD_SUCCESS) {
    return result;
  }
  event->time = due;
  event->interval = period;
  timer_schedule(event);
  return AUD_SUCCESS;
}

aud_error_t aud_timer_event_stop(aud_timer_event_t *event) {
  if (!event || !(event->flags & AUD_TIMER_EVENT_FLAG_STATIC_ALLOC)) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  if (event->status == AUD_EVENT_STATUS_DELETED) {
    return AUD_SUCCESS;
  }
  aud_list_remove(&event->node);
  event->status = AUD_EVENT_STATUS_STOPPED;
  return AUD_SUCCESS;
}

aud_error_t aud_timer_event_remove(aud_timer_event_t *event) {
  if (!event) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  aud_event_timer_t *timers = event->parent;
  if (timers->processing) {
    // The pass may still hold a pointer to this event; it is freed when the pass ends.
    aud_list_remove(&event->node);
    event->status = AUD_EVENT_STATUS_DELETED;
    aud_list_append(&timers->held, &event->node);
    return AUD_SUCCESS;
  }
  timer_free(event);
  return AUD_SUCCESS;
}

aud_error_t aud_timer_event_set_fn(aud_timer_event_t *event, aud_timer_event_fn fn) {
  if (!event) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  event->fn = fn;
  return AUD_SUCCESS;
}

aud_error_t aud_timer_event_set_user(aud_timer_event_t *event, void *user) {
  if (!event) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  event->user = user;
  return AUD_SUCCESS;
}

void *aud_timer_event_user(const aud_timer_event_t *event) { return event ? event->user : nullptr; }

aud_bool_t aud_timer_event_is_active(const aud_timer_event_t *event) {
  return event && event->status != AUD_EVENT_STATUS_STOPPED &&
                 event->status != AUD_EVENT_STATUS_DELETED
             ? AUD_TRUE
             : AUD_FALSE;
}

const aud_utime_t *aud_timer_event_time(const aud_timer_event_t *event) {
  return aud_timer_event_is_active(event) ? &event->time : nullptr;
}

aud_bool_t aud_timer_event_is_recurring(const aud_timer_event_t *event) {
  return event && utime_is_positive(event->interval) ? AUD_TRUE : AUD_FALSE;
}

aud_bool_t aud_timer_event_is_static(const aud_timer_event_t *event) {
  return event && (event->flags & AUD_TIMER_EVENT_FLAG_STATIC_ALLOC) ? AUD_TRUE : AUD_FALSE;
}

aud_error_t aud_timer_event_set_tag(aud_timer_event_t *, const char *) { return AUD_SUCCESS; }

// ---------------------------------------------------------------------------------
// Polls.

aud_error_t aud_event_loop_poll_add(aud_event_loop_t *loop, aud_poll_event_fn fn, void *user,
                                    aud_poll_event_t **event) {
  if (!loop || !fn || !event) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  aud_poll_event_t *p = new (std::nothrow) aud_poll_event_t{};
  if (!p) {
    return AUD_ERR_NOMEMORY;
  }
  p->parent = &loop->polls;
  p->fn = fn;
  p->user = user;
  p->node.item = p;
  p->status = loop->polls.processing ? AUD_EVENT_STATUS_NEW : AUD_EVENT_STATUS_ACTIVE;
  aud_list_append(&loop->polls.list, &p->node);
  *event = p;
  return AUD_SUCCESS;
}

aud_error_t aud_poll_event_remove(aud_poll_event_t *event) {
  if (!event) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  if (event->parent->processing) {
    event->status = AUD_EVENT_STATUS_DELETED;
    return AUD_SUCCESS;
  }
  aud_list_remove(&event->node);
  delete event;
  return AUD_SUCCESS;
}

aud_error_t aud_poll_event_set_timeout(aud_poll_event_t *event, const aud_utime_t *when) {
  if (!event) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  if (when) {
    event->timeout_next = *when;
    utime_normalise(&event->timeout_next);
  } else {
    event->timeout_next = {0, 0};
  }
  return AUD_SUCCESS;
}

aud_error_t aud_poll_event_set_delay(aud_poll_event_t *event, const aud_utime_t *delay) {
  if (!event) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  if (!delay) {
    event->timeout_next = {0, 0};
    return AUD_SUCCESS;
  }
  aud_utime_t due;
  aud_error_t result = due_time(nullptr, delay, &due);
  if (result == AUD_SUCCESS) {
    event->timeout_next = due;
  }
  return result;
}

aud_error_t aud_poll_event_set_period(aud_poll_event_t *event, const aud_utime_t *period) {
  if (!event) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  aud_utime_t p{0, 0};
  if (period) {
    p = *period;
    utime_normalise(&p);
    if (!utime_is_positive(p)) {
      p = {0, 0};
    }
  }
  event->timeout_period = p;
  return AUD_SUCCESS;
}

const aud_utime_t *aud_poll_event_timeout(const aud_poll_event_t *event) {
  return event && !utime_is_zero(event->timeout_next) ? &event->timeout_next : nullptr;
}

void *aud_poll_event_user(const aud_poll_event_t *event) { return event ? event->user : nullptr; }

aud_error_t aud_poll_event_set_user(aud_poll_event_t *event, void *user) {
  if (!event) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  event->user = user;
  return AUD_SUCCESS;
}

// ---------------------------------------------------------------------------------
// Deferred work.

aud_error_t aud_event_loop_postproc_add(aud_event_loop_t *loop, uint32_t *id,
                                        aud_event_postproc_fn fn, void *user) {
  if (!loop || !fn) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  aud_event_postproc_t &pp = loop->postproc;
  if (!pp.main || !pp.proc) {
    return AUD_ERR_NOTINITIALISED;
  }
  aud_event_postproc_list_t *list = pp.main;
  if (!list->entries || list->length == list->capacity) {
    uint32_t capacity = list->entries ? list->capacity * 2 : pp.proc->capacity;
    if (capacity == 0) {
      capacity = AUD_EVENT_POSTPROC_INITIAL_CAPACITY;
    }
    if (capacity <= list->length || capacity > (AUD_EVENT_POSTPROC_ID_SECOND_LIST - 1)) {
      return AUD_ERR_NOMEMORY;
    }
    void *grown = realloc(list->entries, capacity * sizeof(aud_event_postproc_entry));
    if (!grown) {
      return AUD_ERR_NOMEMORY;
    }
    list->entries = static_cast<aud_event_postproc_entry *>(grown);
    list->capacity = capacity;
  }
  uint32_t index = list->length++;
  list->entries[index] = {fn, user};
  if (id) {
    *id = postproc_id(&pp, list, index);
  }
  return AUD_SUCCESS;
}

aud_error_t aud_event_loop_postproc_remove(aud_event_loop_t *loop, uint32_t id,
                                           aud_event_postproc_fn fn, void *user) {
  if (!loop) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  aud_event_postproc_t &pp = loop->postproc;
  if (!pp.main || !pp.proc) {
    return AUD_ERR_NOTINITIALISED;
  }
  aud_event_postproc_list_t *list =
      (id & AUD_EVENT_POSTPROC_ID_SECOND_LIST) ? &pp.lists[1] : &pp.lists[0];
  uint32_t index = id & ~AUD_EVENT_POSTPROC_ID_SECOND_LIST;
  if (index == 0 || index > list->length) {
    return AUD_ERR_NOTFOUND;
  }
  aud_event_postproc_entry &entry = list->entries[index - 1];
  if (!entry.fn || entry.fn != fn || entry.user != user) {
    return AUD_ERR_NOTFOUND;
  }
  entry = {nullptr, nullptr};
  return AUD_SUCCESS;
}
