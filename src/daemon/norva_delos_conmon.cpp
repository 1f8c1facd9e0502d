#include "daemon/norva_delos_conmon.h"

// Will create the conmon client and connect it to the local server.
aud_error_t norva_delos_conmon_init(app_global *) { return AUD_SUCCESS; }

// Will send the status-channel registration to the local conmon server.
aud_error_t norva_delos_register_conmon_channels(norva_delos_timer_st_tag *) { return AUD_SUCCESS; }

// Will subscribe to the device's status channel.
aud_error_t norva_delos_subscribe_conmon_channels(norva_delos_timer_st_tag *) {
  return AUD_SUCCESS;
}

// Will unsubscribe the device's status channel; nothing is subscribed yet.
aud_error_t norva_delos_unsubscribe_conmon_channels(norva_delos_timer_st_tag *) {
  return AUD_SUCCESS;
}

// Will poll the devices that still miss status replies; nothing to poll yet.
void *norva_delos_pthread_get_params(void *) { return nullptr; }

// The control functions below will build their Aurelian message and send it to
// the local conmon server; until the conmon client exists no send can be made,
// so each returns the send's "not connected" result.

// Will send ENC_CONTROL with the encoding.
aud_error_t norva_delos_control_set_enc(const char *, uint32_t) { return AUD_ERR_NOTCONN; }
// Will send SRATE_CONTROL with the rate.
aud_error_t norva_delos_control_set_srate(const char *, uint32_t) { return AUD_ERR_NOTCONN; }
// Will send CLOCKING_CONTROL with the preferred-leader byte.
aud_error_t norva_delos_control_set_preferred(const char *, uint32_t) { return AUD_ERR_NOTCONN; }
// Will send SYS_RESET, soft for mode 0, factory otherwise.
aud_error_t norva_delos_control_set_reboot(const char *, uint32_t) { return AUD_ERR_NOTCONN; }
// Will send AES67_CONTROL with the enable flag.
aud_error_t norva_delos_control_set_aes67_onoff(const char *, uint32_t) { return AUD_ERR_NOTCONN; }
// Will send INTERFACE_CONTROL with static addressing.
aud_error_t norva_delos_control_set_static(const char *, uint32_t, uint32_t, uint32_t, uint32_t,
                                           uint32_t, const char *) {
  return AUD_ERR_NOTCONN;
}
// Will send INTERFACE_CONTROL with dynamic addressing.
aud_error_t norva_delos_control_set_dynamic(const char *, uint32_t) { return AUD_ERR_NOTCONN; }
// Will send CLEAR_CONFIG_CONTROL.
aud_error_t norva_delos_control_clear_config(const char *, uint32_t) { return AUD_ERR_NOTCONN; }
// Will send UPGRADE_V3_CONTROL with a TFTP source file.
aud_error_t norva_delos_upgrade(const char *, const char *, const char *, uint32_t) {
  return AUD_ERR_NOTCONN;
}
// Will send UPGRADE_V3_CONTROL as a query.
aud_error_t norva_delos_upgrade_query(const char *) { return AUD_ERR_NOTCONN; }
