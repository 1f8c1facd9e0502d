#include "daemon/norva_delos_routing.h"

// Will create the routing device set once the routing client exists.
aud_error_t norva_delos_routing_init(app_global *) { return AUD_SUCCESS; }

// Will clear and reopen the device's routing connection.
int norva_delos_routing_reconnect_device(delos_dev *) { return -1; }

// Will send the routing component requests for the device.
int norva_delos_update_routing_components(delos_dev *, unsigned, bool) { return -1; }

// Will close the routing device and zero the audio routing record; nothing is open yet.
void norva_delos_routing_clear_device(delos_dev *) {}

// The routing commands below will look the device up and send their request;
// until the routing client exists every device is unknown to them (-1).

// Will rename the device found by default name or MAC text.
int norva_delos_routing_set_name(const char *, const char *) { return -1; }
// Will ping the device.
int norva_delos_routing_ping(const char *) { return -1; }
// Will set the transmit latency and frames per packet.
int norva_delos_routing_set_aud_tx_performance(const char *, uint32_t, uint32_t) { return -1; }
// Will set the transmit audio delay.
int norva_delos_routing_set_aud_tx_delay(const char *, uint32_t) { return -1; }
// Will rename a transmit channel.
int norva_delos_routing_set_tx_chnname(const char *, int, uint32_t, const char *) { return -1; }
// Will add a transmit channel label.
int norva_delos_routing_add_tx_chnlabel(const char *, int, uint32_t, const char *) { return -1; }
// Will remove a transmit channel label.
int norva_delos_routing_del_tx_chnlabel(const char *, int, uint32_t, const char *) { return -1; }
// Will mute or unmute an audio transmit channel.
int norva_delos_routing_set_aud_tx_chn_mute(const char *, uint32_t, uint32_t) { return -1; }
// Will enable or disable an audio transmit channel.
int norva_delos_routing_set_aud_tx_chn_enable(const char *, uint32_t, uint32_t) { return -1; }
// Will set the reference level of one or all audio transmit channels.
int norva_delos_routing_set_aud_tx_chn_reflevel(const char *, uint32_t, int) { return -1; }
// Will clear the reference level of one or all audio transmit channels.
int norva_delos_routing_clear_aud_tx_chn_reflevel(const char *, uint32_t) { return -1; }
// Will create a transmit flow from a "1:2:3" slot list.
int norva_delos_routing_add_tx_flow(const char *, int, const char *, uint32_t, uint32_t, uint32_t,
                                    const char *) {
  return -1;
}
// Will replace the channels of an audio transmit flow.
int norva_delos_routing_replace_aud_tx_flow(const char *, uint32_t, const char *) { return -1; }
// Will delete a transmit flow.
int norva_delos_routing_del_tx_flow(const char *, int, uint32_t) { return -1; }
// Will set receive, transmit and unicast performance together.
int norva_delos_routing_set_aud_rx_performance(const char *, uint32_t, uint32_t) { return -1; }
// Will subscribe a receive channel to a transmit channel named directly.
int norva_delos_routing_set_rx_chn_sub_2(const char *, int, uint32_t, const char *, const char *) {
  return -1;
}
// Will subscribe a receive channel to a transmit channel given by number.
int norva_delos_routing_set_rx_chn_sub(const char *, int, uint32_t, const char *, uint32_t) {
  return -1;
}
// Will subscribe an audio receive channel to a slot of an AES67 stream.
int norva_delos_routing_set_rx_chn_sub_aes67(const char *, uint32_t, const char *, uint32_t) {
  return -1;
}
// Will rename a receive channel.
int norva_delos_routing_set_rx_chnname(const char *, int, uint32_t, const char *) { return -1; }
// Will mute or unmute an audio receive channel.
int norva_delos_routing_set_aud_rx_chn_mute(const char *, uint32_t, uint32_t) { return -1; }
// Will create a unicast receive flow from a "1@tx1:2@tx2" slot list.
int norva_delos_routing_add_aud_rx_flow_unicast(const char *, uint32_t, const char *,
                                                const char *) {
  return -1;
}
// Will create a multicast receive flow from a "1:2@tx1;3@tx2" slot list.
int norva_delos_routing_add_aud_rx_flow_multicast(const char *, uint32_t, const char *,
                                                  const char *, const char *) {
  return -1;
}
// Will set the unicast latency and frames per packet.
int norva_delos_routing_set_aud_unicast_performance(const char *, uint32_t, uint32_t) { return -1; }
// Will set the AES67 multicast prefix 239.prefix.0.0.
int norva_delos_routing_set_aes67_prefix(const char *, uint32_t) { return -1; }
// Will switch the network loop-back.
int norva_delos_routing_set_network_loopback(const char *, uint32_t) { return -1; }
// Will lock or unlock the device.
int norva_delos_routing_set_lock(const char *, uint32_t) { return -1; }
// Will store the device's configuration.
int norva_delos_routing_store_config(const char *) { return -1; }
// Will clear the device's configuration.
int norva_delos_routing_clear_config(const char *) { return -1; }
