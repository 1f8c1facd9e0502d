// The event loop: socket, timer, poll and deferred-work registries shared by every
// component of an API instance. The daemon's main loop never lets it wait by itself:
// the runtime reads its descriptor sets and earliest deadline, waits in its own
// select() and hands the ready descriptors back. Single-threaded: use from the thread
// that runs the main loop only. Changes made from inside callbacks are deferred until
// the running dispatch ends, so a callback may remove its own event safely.
#pragma once

#include <sys/select.h>

#include <cstddef>
#include <cstdint>

#include "platform/aud_error.h"
#include "platform/aud_socket.h"
#include "platform/aud_time.h"

// ---------------------------------------------------------------------------------
// Intrusive doubly linked list (count, head, tail). A node knows its item and the
// list it currently sits in (null when in none).

struct aud_list;
struct aud_list_node {
  aud_list_node *prev;
  aud_list_node *next;
  aud_list *list;
  void *item;
};
typedef aud_list_node aud_list_node_t;

struct aud_list {
  unsigned int count;
  aud_list_node_t *head;
  aud_list_node_t *tail;
};
typedef aud_list aud_list_t;

// Empties the list record (does not touch nodes that were in it).
void aud_list_init(aud_list_t *list);
// Appends a node that is in no list. Returns AUD_ERR_INVALIDPARAMETER for a null
// argument or a node that already sits in a list.
aud_error_t aud_list_append(aud_list_t *list, aud_list_node_t *node);
// Inserts a node that is in no list right after `after`, or at the head when
// `after` is null. `after` must sit in `list`.
aud_error_t aud_list_insert_after(aud_list_t *list, aud_list_node_t *after, aud_list_node_t *node);
// Unlinks the node from whatever list it sits in; a node in no list is left alone.
void aud_list_remove(aud_list_node_t *node);

// ---------------------------------------------------------------------------------
// Shared enumerations.

typedef enum {
  AUD_EVENT_STATUS_ACTIVE = 0,
  AUD_EVENT_STATUS_NEW = 1,      // added during processing, not yet dispatchable
  AUD_EVENT_STATUS_DELETED = 2,  // removed during processing, freed afterwards
  AUD_EVENT_STATUS_FIRED = 3,
  AUD_EVENT_STATUS_REPLACED = 4,  // rescheduled during processing
  AUD_EVENT_STATUS_STOPPED = 5,   // a kept timer that is not scheduled
} aud_event_status_t;

typedef enum {
  AUD_SOCKET_EVENT_TYPE_READ = 0,
  AUD_SOCKET_EVENT_TYPE_WRITE = 1,
  AUD_SOCKET_EVENT_TYPE_EXCEPTION = 2,
} aud_socket_event_type_t;
#define AUD_SOCKET_EVENT_NUM_TYPES 3

typedef enum {
  AUD_EVENT_LOOP_UPDATE_DONT_CARE = 0,
  AUD_EVENT_LOOP_UPDATE_MUST_EXIST = 1,
  AUD_EVENT_LOOP_UPDATE_MUST_NOT_EXIST = 2,
} aud_event_loop_update_t;

typedef enum {
  AUD_EVENT_CAUSE_FIRED = 0,
  AUD_EVENT_CAUSE_LOOP_DELETED = 1,
} aud_event_cause_t;

#define AUD_EVENT_LOOP_CHANGE_FLAG__DELETED 1u
#define AUD_EVENT_LOOP_CHANGE_FLAG__SOCKETS 2u
#define AUD_EVENT_LOOP_CHANGE_FLAG__TIMEOUT 4u

#define AUD_TIMER_EVENT_FLAG_STATIC_ALLOC 1u

// The longest the loop lets a caller wait when nothing is scheduled earlier.
#define AUD_EVENT_LOOP_MAX_WAIT_SECONDS 60
// Initial capacity of each deferred-work list; a full list doubles.
#define AUD_EVENT_POSTPROC_INITIAL_CAPACITY 16u
// Ids of deferred work in the second list carry this bit.
#define AUD_EVENT_POSTPROC_ID_SECOND_LIST 0x80000000u

// "DONT_CARE", "MUST_EXIST", "MUST_NOT_EXIST"; null for other values.
const char *aud_event_loop_update_to_string(aud_event_loop_update_t update);
// "READ", "WRITE", "EXCEPTION"; null for other values.
const char *aud_socket_event_type_to_string(aud_socket_event_type_t type);

// ---------------------------------------------------------------------------------
// Records.

struct aud_event_loop;
typedef aud_event_loop aud_event_loop_t;
struct aud_timer_event;
typedef aud_timer_event aud_timer_event_t;
struct aud_poll_event;
typedef aud_poll_event aud_poll_event_t;
struct aud_socket_event;
typedef aud_socket_event aud_socket_event_t;

// Callbacks. Their results are not inspected by the loop.
typedef aud_error_t (*aud_timer_event_fn)(aud_event_cause_t cause, aud_timer_event_t *event);
typedef aud_error_t (*aud_poll_event_fn)(aud_event_cause_t cause, aud_poll_event_t *event);
typedef aud_error_t (*aud_socket_event_fn)(aud_event_cause_t cause, aud_socket_t s,
                                           aud_socket_event_type_t type, void *user);
typedef aud_error_t (*aud_event_postproc_fn)(aud_event_cause_t cause, aud_event_loop_t *loop,
                                             uint32_t id, void *user);
typedef void (*aud_event_loop_changed_fn)(aud_event_loop_t *loop, void *context, uint32_t flags);
typedef void (*aud_event_loop_hook_fn)(void *hook_context);

// A descriptor limit (one more than the highest descriptor set) and the set.
struct aud_fdset {
  int n;
  fd_set fds;
};
typedef aud_fdset aud_fdset_t;

struct aud_event_timer {
  aud_event_loop_t *loop;
  aud_list_t list;  // scheduled events, sorted by due time
  aud_list_t held;  // during a timer pass: events to re-sort or free when it ends
  aud_bool_t processing;
};
typedef aud_event_timer aud_event_timer_t;

struct aud_timer_event {
  aud_event_timer_t *parent;
  aud_timer_event_fn fn;
  void *user;
  uint32_t flags;        // AUD_TIMER_EVENT_FLAG_STATIC_ALLOC
  aud_utime_t time;      // absolute due time
  aud_utime_t interval;  // zero for a one-shot
  aud_event_status_t status;
  aud_list_node_t node;
};

struct aud_event_poll {
  aud_event_loop_t *loop;
  aud_list_t list;  // registration order
  aud_bool_t processing;
};
typedef aud_event_poll aud_event_poll_t;

struct aud_poll_event {
  aud_event_poll_t *parent;
  aud_poll_event_fn fn;
  void *user;
  aud_utime_t timeout_next;    // absolute; zero when none
  aud_utime_t timeout_period;  // re-arms timeout_next when it is unset; zero when none
  aud_event_status_t status;
  aud_list_node_t node;
};

struct aud_event_socket {
  aud_event_loop_t *loop;
  aud_list_t list[AUD_SOCKET_EVENT_NUM_TYPES];  // registration order per type
  aud_fdset_t fdset[AUD_SOCKET_EVENT_NUM_TYPES];
  aud_bool_t processing;
  uint8_t changed;  // one bit per type whose set changed since it was last read
  uint8_t fired;    // one bit per type dispatched during the current processing
  uint8_t pending;  // one bit per type with changes deferred during processing
};
typedef aud_event_socket aud_event_socket_t;

struct aud_socket_event {
  aud_event_socket_t *parent;
  aud_socket_t s;
  aud_socket_event_type_t type;
  aud_event_status_t status;
  aud_socket_event_fn fn;
  void *user;
  aud_list_node_t node;
};

struct aud_event_postproc_entry {
  aud_event_postproc_fn fn;  // null: an emptied entry
  void *user;
};

struct aud_event_postproc_list {
  aud_event_postproc_entry *entries;
  uint32_t capacity;
  uint32_t length;
};
typedef aud_event_postproc_list aud_event_postproc_list_t;

struct aud_event_postproc {
  aud_event_postproc_list_t lists[2];
  aud_event_postproc_list_t *main;  // receives new work
  aud_event_postproc_list_t *proc;  // being run
};
typedef aud_event_postproc aud_event_postproc_t;

struct aud_event_loop_changed {
  aud_event_loop_changed_fn fn;
  void *context;
  uint32_t mask;
  aud_bool_t is_active;
};

struct aud_event_loop_hooks {
  void *context;
  aud_event_loop_hook_fn pre;
  aud_event_loop_hook_fn post;
};

struct aud_event_loop {
  aud_event_timer_t timers;
  aud_event_poll_t polls;
  aud_event_socket_t sockets;
  aud_event_postproc_t postproc;
  aud_bool_t processing;
  aud_event_loop_changed changed;
  aud_event_loop_hooks hooks;
};

// ---------------------------------------------------------------------------------
// The loop.

// A new empty loop with both deferred-work lists at their initial capacity.
// AUD_ERR_INVALIDPARAMETER for a null result, AUD_ERR_NOMEMORY.
aud_error_t aud_event_loop_new(aud_event_loop_t **loop);
// Runs pending deferred work with AUD_EVENT_CAUSE_LOOP_DELETED, tells the changed
// callback (flag DELETED), then frees the loop and every event still registered
// (handles to them become invalid). Null is ignored (AUD_SUCCESS). Refused with
// AUD_ERR_INVALIDSTATE while the loop is processing, e.g. from one of its callbacks.
aud_error_t aud_event_loop_delete(aud_event_loop_t *loop);
// Sets the callback told about changes in `mask` (sockets, earliest timeout,
// deletion). A null fn, null context or zero mask clears it. While it runs the
// runtime operations below answer AUD_ERR_INVALIDSTATE.
aud_error_t aud_event_loop_set_changed_callback(aud_event_loop_t *loop,
                                                aud_event_loop_changed_fn fn, void *context,
                                                uint32_t mask);
// Hooks called before and after every dispatched callback (null clears).
aud_error_t aud_event_loop_set_hook_context(aud_event_loop_t *loop, void *context);
aud_error_t aud_event_loop_set_callback_pre_hook(aud_event_loop_t *loop, aud_event_loop_hook_fn fn);
aud_error_t aud_event_loop_set_callback_post_hook(aud_event_loop_t *loop,
                                                  aud_event_loop_hook_fn fn);

// ---------------------------------------------------------------------------------
// Steps used by the runtime. Each `counts`, when given, is increased by the number
// of callbacks run. All refuse with AUD_ERR_INVALIDSTATE while the changed callback
// runs.

// ORs the type's registered descriptors into *fdset and raises fdset->n to the
// type's limit; clears the type's changed bit.
aud_error_t aud_event_loop_sockets_get(aud_event_loop_t *loop, aud_socket_event_type_t type,
                                       aud_fdset_t *fdset);
// True when a socket set changed since it was last read; false for a null loop;
// AUD_ERR_INVALIDSTATE (as the value) while the changed callback runs.
aud_bool_t aud_event_loop_sockets_have_changed(const aud_event_loop_t *loop);
// Lowers *limit (an absolute time) to the earliest timer, to each poll's next
// timeout, and to zero when deferred work is queued.
aud_error_t aud_event_loop_update_limit(aud_event_loop_t *loop, aud_utime_t *limit);
// Dispatches the events of `type` whose descriptors are set in *ready, in
// registration order, clearing each dispatched bit. Starts socket processing:
// registrations and removals made from now on take effect at
// aud_event_loop_process_sockets_done. Refused while the loop processes.
aud_error_t aud_event_loop_process_socket_fds(aud_event_loop_t *loop, aud_socket_event_type_t type,
                                              fd_set *ready, unsigned int *counts);
// Ends socket processing: frees removed events and activates new ones.
aud_error_t aud_event_loop_process_sockets_done(aud_event_loop_t *loop);
// Runs queued deferred work once, in order. Work queued by that work runs next time.
// Refused while the loop processes.
aud_error_t aud_event_loop_postprocess_now(aud_event_loop_t *loop, unsigned int *counts);
// One timer pass at `now` (due timers, earliest first), then one poll pass. A timer
// added or rescheduled by a callback never fires in the same pass. Refused while
// the loop processes.
aud_error_t aud_event_loop_process_timers_and_polls(aud_event_loop_t *loop, const aud_utime_t *now,
                                                    unsigned int *counts);

// Self-contained processing (not used by the daemon's main loop): runs timers and
// polls, waits on the registered descriptors at most `delay` (60 s when null; zero
// makes a pass that never blocks), dispatches what is ready, runs deferred work.
aud_error_t aud_event_loop_process(aud_event_loop_t *loop, const aud_utime_t *delay,
                                   unsigned int *counts);
// Dispatches the registered descriptors that are ready now, without waiting.
aud_error_t aud_event_loop_process_sockets(aud_event_loop_t *loop, unsigned int *counts);

// ---------------------------------------------------------------------------------
// Sockets.

// Registers, changes or (null fn) removes the callback for descriptor s and type.
// AUD_ERR_INVALIDPARAMETER: null loop, bad type, s negative or not below FD_SETSIZE.
// MUST_EXIST on a missing registration: AUD_ERR_NOTFOUND; MUST_NOT_EXIST on an
// existing one: AUD_ERR_ALREADY. May be called from callbacks: a registration made
// during socket processing is dispatched from the next round on, a removal takes
// effect when that processing ends (the callback is no longer called meanwhile).
aud_error_t aud_event_loop_socket_update(aud_event_loop_t *loop, aud_socket_t s,
                                         aud_socket_event_type_t type, aud_socket_event_fn fn,
                                         void *user, aud_event_loop_update_t update);

// ---------------------------------------------------------------------------------
// Timers. Due times are absolute wall-clock times.

// A kept event (owned by the caller until aud_timer_event_remove), initially stopped.
aud_error_t aud_event_loop_timer_alloc(aud_event_loop_t *loop, aud_timer_event_fn fn, void *user,
                                       aud_timer_event_t **event);
// A one-shot owned by the loop, due at `when` (or now) plus `delay`; at least one
// of the two is required. It is freed after it fires, so *event (optional) is valid
// only until its callback returns or it is removed.
aud_error_t aud_event_loop_timer_add_single(aud_event_loop_t *loop, aud_timer_event_fn fn,
                                            const aud_utime_t *when, const aud_utime_t *delay,
                                            void *user, aud_timer_event_t **event);
// A recurring event owned by the loop (freed by aud_timer_event_remove or with the
// loop): first due at `first` or one interval from now, then every `interval`
// (required, positive), measured from the pass that fired it.
aud_error_t aud_event_loop_timer_add_recurring(aud_event_loop_t *loop, aud_timer_event_fn fn,
                                               const aud_utime_t *first,
                                               const aud_utime_t *interval, void *user,
                                               aud_timer_event_t **event);
// (Re)schedules the event as a one-shot / recurring timer, as for the add functions.
// From inside a timer pass the new schedule takes effect after that pass.
aud_error_t aud_timer_event_update_single(aud_timer_event_t *event, const aud_utime_t *when,
                                          const aud_utime_t *delay);
aud_error_t aud_timer_event_update_recurring(aud_timer_event_t *event, const aud_utime_t *first,
                                             const aud_utime_t *interval);
// Unschedules a kept event (AUD_ERR_INVALIDPARAMETER for a loop-owned one).
aud_error_t aud_timer_event_stop(aud_timer_event_t *event);
// Unschedules and frees the event; safe from inside its own callback.
aud_error_t aud_timer_event_remove(aud_timer_event_t *event);
aud_error_t aud_timer_event_set_fn(aud_timer_event_t *event, aud_timer_event_fn fn);
aud_error_t aud_timer_event_set_user(aud_timer_event_t *event, void *user);
void *aud_timer_event_user(const aud_timer_event_t *event);
// The due time, or null when the event is stopped or removed.
const aud_utime_t *aud_timer_event_time(const aud_timer_event_t *event);
aud_bool_t aud_timer_event_is_active(const aud_timer_event_t *event);
aud_bool_t aud_timer_event_is_recurring(const aud_timer_event_t *event);
aud_bool_t aud_timer_event_is_static(const aud_timer_event_t *event);
// Accepts a diagnostic tag and ignores it. Always AUD_SUCCESS.
aud_error_t aud_timer_event_set_tag(aud_timer_event_t *event, const char *tag);

// ---------------------------------------------------------------------------------
// Polls: called once per timer pass, in registration order. Their timeouts only
// bound how long the caller may wait; a timeout that has passed is cleared before
// the poll is called (the period, if any, re-arms it).

aud_error_t aud_event_loop_poll_add(aud_event_loop_t *loop, aud_poll_event_fn fn, void *user,
                                    aud_poll_event_t **event);
// Frees the event; safe from inside its own callback.
aud_error_t aud_poll_event_remove(aud_poll_event_t *event);
// Absolute next timeout (null clears it).
aud_error_t aud_poll_event_set_timeout(aud_poll_event_t *event, const aud_utime_t *when);
// Next timeout `delay` from now (null clears it).
aud_error_t aud_poll_event_set_delay(aud_poll_event_t *event, const aud_utime_t *delay);
// Period used to arm the next timeout when none is set (null or zero clears it).
aud_error_t aud_poll_event_set_period(aud_poll_event_t *event, const aud_utime_t *period);
// The next timeout, or null when none is set.
const aud_utime_t *aud_poll_event_timeout(const aud_poll_event_t *event);
void *aud_poll_event_user(const aud_poll_event_t *event);
aud_error_t aud_poll_event_set_user(aud_poll_event_t *event, void *user);

// ---------------------------------------------------------------------------------
// Deferred work: one-shot calls run by the next aud_event_loop_postprocess_now.

// Queues fn(cause, loop, id, user); *id (optional) receives the entry's id: its
// 1-based index, with AUD_EVENT_POSTPROC_ID_SECOND_LIST for the second list.
// AUD_ERR_INVALIDPARAMETER for a null loop or fn, AUD_ERR_NOTINITIALISED for a loop
// without lists, AUD_ERR_NOMEMORY when a list cannot grow.
aud_error_t aud_event_loop_postproc_add(aud_event_loop_t *loop, uint32_t *id,
                                        aud_event_postproc_fn fn, void *user);
// Empties the entry `id` if it still holds fn and user, else AUD_ERR_NOTFOUND.
aud_error_t aud_event_loop_postproc_remove(aud_event_loop_t *loop, uint32_t id,
                                           aud_event_postproc_fn fn, void *user);
