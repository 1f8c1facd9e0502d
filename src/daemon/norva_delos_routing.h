// The daemon's routing session: one routing device per registered device,
// refreshed routing components, and the routing commands of the command table.
// Every function here runs on the main thread.
#pragma once

#include <cstdint>

#include "platform/aud_error.h"

struct app_global;
struct delos_dev;

// Creates the routing device set for the daemon and installs its callbacks.
aud_error_t norva_delos_routing_init(app_global *app);

// Closes the device's routing connection if open, then connects it again.
int norva_delos_routing_reconnect_device(delos_dev *dev);

// Requests every routing component whose bit is set in component_map (0: all
// seven) again, marking them stale first when force_stale is set.
int norva_delos_update_routing_components(delos_dev *dev, unsigned component_map, bool force_stale);

// Closes the device's routing connection and zeroes its audio routing record.
// A null record is ignored. Called with g_MutexDev held: must not look records up.
void norva_delos_routing_clear_device(delos_dev *dev);

// Routing commands. Each returns 0 when the request was sent, -1 when the
// device is unknown, an argument is invalid or the request failed. Media type
// 0 is audio, anything else video. Channel numbers count from 1.
int norva_delos_routing_set_name(const char *defname, const char *newname);
int norva_delos_routing_ping(const char *devname);
int norva_delos_routing_set_aud_tx_performance(const char *devname, uint32_t latency_us,
                                               uint32_t fpp);
int norva_delos_routing_set_aud_tx_delay(const char *devname, uint32_t delay_us);
int norva_delos_routing_set_tx_chnname(const char *devname, int s32MediaType, uint32_t chn,
                                       const char *chnname);
int norva_delos_routing_add_tx_chnlabel(const char *devname, int s32MediaType, uint32_t chn,
                                        const char *label);
int norva_delos_routing_del_tx_chnlabel(const char *devname, int s32MediaType, uint32_t chn,
                                        const char *label);
int norva_delos_routing_set_aud_tx_chn_mute(const char *devname, uint32_t chn, uint32_t mute);
int norva_delos_routing_set_aud_tx_chn_enable(const char *devname, uint32_t chn, uint32_t enable);
int norva_delos_routing_set_aud_tx_chn_reflevel(const char *devname, uint32_t chn, int dbu);
int norva_delos_routing_clear_aud_tx_chn_reflevel(const char *devname, uint32_t chn);
int norva_delos_routing_add_tx_flow(const char *devname, int s32MediaType, const char *flowname,
                                    uint32_t flow_id, uint32_t latency_us, uint32_t fpp,
                                    const char *slots);
int norva_delos_routing_replace_aud_tx_flow(const char *devname, uint32_t flow_id,
                                            const char *slots);
int norva_delos_routing_del_tx_flow(const char *devname, int s32MediaType, uint32_t flow_id);
int norva_delos_routing_set_aud_rx_performance(const char *devname, uint32_t latency_us,
                                               uint32_t fpp);
// The receiving device is named by its primary MAC text; the transmit channel by name.
int norva_delos_routing_set_rx_chn_sub_2(const char *mac, int s32MediaType, uint32_t rxchn,
                                         const char *txdev, const char *txchnname);
int norva_delos_routing_set_rx_chn_sub(const char *devname, int s32MediaType, uint32_t rxchn,
                                       const char *txdev, uint32_t txchn);
int norva_delos_routing_set_rx_chn_sub_aes67(const char *devname, uint32_t rxchn,
                                             const char *sessionname, uint32_t slot);
int norva_delos_routing_set_rx_chnname(const char *devname, int s32MediaType, uint32_t chn,
                                       const char *chnname);
int norva_delos_routing_set_aud_rx_chn_mute(const char *devname, uint32_t chn, uint32_t mute);
int norva_delos_routing_add_aud_rx_flow_unicast(const char *devname, uint32_t flow_id,
                                                const char *txname, const char *slots);
int norva_delos_routing_add_aud_rx_flow_multicast(const char *devname, uint32_t flow_id,
                                                  const char *txflowname, const char *txname,
                                                  const char *slots);
int norva_delos_routing_set_aud_unicast_performance(const char *devname, uint32_t latency_us,
                                                    uint32_t fpp);
int norva_delos_routing_set_aes67_prefix(const char *devname, uint32_t prefix);
int norva_delos_routing_set_network_loopback(const char *devname, uint32_t on);
int norva_delos_routing_set_lock(const char *devname, uint32_t on);
int norva_delos_routing_store_config(const char *devname);
int norva_delos_routing_clear_config(const char *devname);
