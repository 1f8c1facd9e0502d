// The daemon's conmon session: status channel registration, device
// subscriptions, device control and the parameter-polling thread.
#pragma once

#include "platform/aud_error.h"

struct app_global;
struct norva_delos_timer_st_tag;

// Creates and starts the conmon client (called once at start-up).
aud_error_t norva_delos_conmon_init(app_global *app);

// Registers the daemon's status channel with the local conmon server; also the
// action of the daemon-wide connect timer's REGISTER_CHANNELS operation.
aud_error_t norva_delos_register_conmon_channels(norva_delos_timer_st_tag *pTimer);

// Subscribes to the status channel of the device that owns pTimer; also the
// action of a device connect timer's SUBSCRIBE_CHANNELS operation.
aud_error_t norva_delos_subscribe_conmon_channels(norva_delos_timer_st_tag *pTimer);

// Start routine of the parameter-polling thread; arg is not used.
void *norva_delos_pthread_get_params(void *arg);
