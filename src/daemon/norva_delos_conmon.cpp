#include "daemon/norva_delos_conmon.h"

// Will create the conmon client and connect it to the local server.
aud_error_t norva_delos_conmon_init(app_global *) { return AUD_SUCCESS; }

// Will send the status-channel registration to the local conmon server.
aud_error_t norva_delos_register_conmon_channels(norva_delos_timer_st_tag *) { return AUD_SUCCESS; }

// Will subscribe to the device's status channel.
aud_error_t norva_delos_subscribe_conmon_channels(norva_delos_timer_st_tag *) { return AUD_SUCCESS; }

// Will poll the devices that still miss status replies; nothing to poll yet.
void *norva_delos_pthread_get_params(void *) { return nullptr; }
