// Hand-over of work from other threads (command sessions, the parameter
// thread) to the main thread: a queue plus a wake-up descriptor that the main
// loop's select() waits on beside the components' sockets.
#pragma once

#include <functional>

#include "platform/aud_error.h"

// Creates the wake-up descriptor (an eventfd, non-blocking, close-on-exec).
// Idempotent. AUD_SUCCESS, or the system error when it cannot be created.
aud_error_t norva_delos_mainq_init(void);
// The wake-up descriptor, readable while work is queued; -1 before init.
int norva_delos_mainq_fd(void);
// Declares the calling thread the main thread.
void norva_delos_mainq_set_main_thread(void);
// Main thread: drains the wake-up and runs all queued work in order,
// including work queued while it runs.
void norva_delos_mainq_run_pending(void);
// Runs fn on the main thread and returns once it has run. Called on the main
// thread, before init, or while no main thread is set, it runs fn directly.
// fn must not block on other queued work.
void norva_delos_mainq_call(const std::function<void()> &fn);
