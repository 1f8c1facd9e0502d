// Fuzzes the readers of ARCP channel and flow answers ("204" and "280"
// layouts): transmit and receive channels, labels, levels, subscriptions,
// transmit flows, receive flows with their slot maps and channel map slices,
// and receive flow templates.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "wire/arcp/arcp_channel.h"
#include "wire/arcp/arcp_template.h"

namespace {

unsigned str_len(const char *s) { return s ? static_cast<unsigned>(strlen(s)) : 0; }

}  // namespace

// Keeps the reads from being optimised away.
volatile unsigned g_sink;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static dgcp_packet_buf buf;
  size_t len = size < sizeof buf.packet ? size : sizeof buf.packet;
  memcpy(buf.packet, data, len);
  const dgcp_head *p = dgcp_packet_buf_head(&buf);
  if (!dgcp_verify_size(p, len)) {
    return 0;
  }
  unsigned sink = 0;
  unsigned count = dgcp_array_msg_count(p);
  for (unsigned i = 0; i < count; i++) {
    arcp_tx_channel_info tx{};
    if (arcp_tx_channel_at_index(p, i, &tx) == AUD_SUCCESS)
      sink += str_len(tx.label) + tx.format.count;
    arcp_tx_alias_info al{};
    if (arcp_tx_alias_at_index(p, i, &al) == AUD_SUCCESS) sink += str_len(al.label);
    arcp_channel_label_info cl{};
    if (arcp_channel_label_at_index(p, i, &cl) == AUD_SUCCESS) sink += str_len(cl.label);
    arcp_tx_channel_dbu_info dbu{};
    if (arcp_tx_channel_dbu_at_index(p, i, &dbu) == AUD_SUCCESS) sink += dbu.dbu;
    arcp_rx_channel_info rx{};
    if (arcp_rx_channel_at_index(p, i, &rx) == AUD_SUCCESS) {
      sink += str_len(rx.channel) + str_len(rx.host) + str_len(rx.label) + rx.num_connection_status;
    }
    arcp_rx_subscription_info sub{};
    if (arcp_rx_subscription_at_index(p, i, &sub) == AUD_SUCCESS)
      sink += str_len(sub.channel) + str_len(sub.host);
    arcp_tx_bundle_info tf{};
    if (arcp_tx_bundle_at_index(p, i, &tf) == AUD_SUCCESS) {
      for (unsigned s = 0; s < tf.nchan; s++) sink += arcp_tx_bundle_info_chan(&tf, s);
      for (const arcp_sockaddr *a : tf.addrs)
        if (a) sink += a->_size;
      sink += str_len(tf.dest_router) + str_len(tf.dest_bundle) + str_len(tf.flow_label);
    }
    arcp_rx_bundle_info rf{};
    if (arcp_rx_bundles_get_at_index(p, i, &rf) == AUD_SUCCESS) {
      for (unsigned s = 0; s < rf.nslots && rf.layout == ARCP_RX_BUNDLE_LAYOUT_204; s++) {
        const uint8_t *map = arcp_204_rx_bundle_slot_map(p, &rf, s);
        for (uint16_t c = 1; map && c <= rf.map_width * 16u; c++)
          sink += arcp_204_rx_bundle_map_has_channel(map, rf.map_width, c);
      }
      // Walk the "280" slices, each read behind the end of the one before.
      dgcp_raw_offset_t next = rf.chan_map;
      uint16_t lower = dgcp_array_msg_size(p, 2);
      for (unsigned k = 0; next && k < ARCP_RX_CHANNEL_MAP_MAX_SLICES; k++) {
        arcp_280_rx_channel_map_info s{};
        if (arcp_280_rx_channel_map_read(p, next, lower, &s) != AUD_SUCCESS) break;
        for (unsigned c = 0; c < s.nchan; c++) sink += s.channel_slot[c];
        lower = static_cast<uint16_t>(ntohs(next) + 6 + s.nchan);
        next = s.next;
      }
    }
  }
  // Templates: flows and channel blocks, each walk bounded by its links.
  arcp_rx_templates_info t{};
  if (arcp_rx_templates_read(p, &t) == AUD_SUCCESS) {
    uint16_t lower = sizeof(arcp_rx_templates_msg);
    dgcp_raw_offset_t next = t.flows;
    for (unsigned k = 0; next && k < ARCP_RX_TEMPLATE_MAX_RECORDS; k++) {
      arcp_rx_template_flow_info f{};
      if (arcp_rx_template_flow_read(p, next, lower, &f) != AUD_SUCCESS) break;
      sink += str_len(f.name) + str_len(f.tx_flowname) + str_len(f.tx_device) + f.n_intf;
      arcp_rx_template_channels_info b{};
      if (f.chans && arcp_rx_template_channels_read(p, f.chans, lower, &b) == AUD_SUCCESS) {
        for (unsigned i = 0; i < b.nchan; i++) {
          arcp_rx_template_channel_info c{};
          if (arcp_rx_template_channel_at(p, &b, i, lower, &c) == AUD_SUCCESS)
            sink += str_len(c.sub) + c.slot;
        }
      }
      next = f.next;
    }
    next = t.chans;
    for (unsigned k = 0; next && k < ARCP_RX_TEMPLATE_MAX_RECORDS; k++) {
      arcp_rx_template_channels_info b{};
      if (arcp_rx_template_channels_read(p, next, lower, &b) != AUD_SUCCESS) break;
      sink += b.nchan;
      next = b.next;
    }
  }
  g_sink = sink;
  return 0;
}
