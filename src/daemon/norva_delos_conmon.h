// The daemon's conmon session: status channel registration, device
// subscriptions, device control and the parameter-polling thread.
#pragma once

#include <cstdint>

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

// Ends the status subscription of the device that owns pTimer and stops its
// SUBSCRIBE_CHANNELS timer. Called with g_MutexDev held: must not look records up.
aud_error_t norva_delos_unsubscribe_conmon_channels(norva_delos_timer_st_tag *pTimer);

// Start routine of the parameter-polling thread; arg is not used.
void *norva_delos_pthread_get_params(void *arg);

// Device control, called for the command table on the main thread. Each
// returns the result of sending the control message to the local conmon
// server (never negative), not the device's answer. The device is named by
// its Delos name.
aud_error_t norva_delos_control_set_enc(const char *device_name, uint32_t u32Enc);
aud_error_t norva_delos_control_set_srate(const char *device_name, uint32_t u32Srate);
aud_error_t norva_delos_control_set_preferred(const char *device_name, uint32_t bPreferred);
// u32Mode 0: soft reboot; anything else: factory reset.
aud_error_t norva_delos_control_set_reboot(const char *device_name, uint32_t u32Mode);
aud_error_t norva_delos_control_set_aes67_onoff(const char *device_name, uint32_t bOn);
// Addresses in network byte order; domain null for none.
aud_error_t norva_delos_control_set_static(const char *device_name, uint32_t index,
                                           uint32_t ip_address, uint32_t netmask, uint32_t gateway,
                                           uint32_t dns_server, const char *domain);
aud_error_t norva_delos_control_set_dynamic(const char *device_name, uint32_t u32Interface);
// u32Mode 0: clear everything; anything else: keep the IP settings.
aud_error_t norva_delos_control_clear_config(const char *device_name, uint32_t u32Mode);
// serverIP is dotted IPv4 text (0.0.0.0 and non-addresses are refused with
// AUD_ERR_INVALIDPARAMETER); the file is fetched over TFTP.
aud_error_t norva_delos_upgrade(const char *device_name, const char *serverIP, const char *path,
                                uint32_t u32Len);
aud_error_t norva_delos_upgrade_query(const char *device_name);
