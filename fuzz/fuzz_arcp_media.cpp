// Fuzzes the readers of ARCP media answers: resource counts, resource
// chains, formats and format lists, receive channel segments and transmit
// and receive flow chains.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "wire/arcp/arcp_media.h"

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
  arcp_node_query_info node{};
  if (arcp_node_query_resp_read(p, &node) == AUD_SUCCESS && node.media_resources) {
    arcp_resource_counts_info counts[ARCP_MEDIA_TYPE__ANCIL + 1] = {};
    uint32_t bitmap = 0;
    if (arcp_resource_counts_get(p, node.media_resources, counts, &bitmap) == AUD_SUCCESS)
      sink += bitmap;
  }
  uint16_t lower = arcp_media_answer_lower_bound(p);
  unsigned count = arcp_offset_array_msg_count(p);
  for (unsigned i = 0; i < count; i++) {
    const dgcp_extensible_data *res = arcp_resource_at_index(p, i);
    if (!res) continue;
    arcp_resource_info r{};
    if (arcp_resource_read(p, res, lower, &r) == AUD_SUCCESS) {
      sink += str_len(r.label) + str_len(r.default_label);
      arcp_media_format_info f{};
      if (arcp_media_format_read(p, r.format, lower, r.mtype, &f) == AUD_SUCCESS)
        sink += f.audio.count;
      const dgcp_array *list = arcp_resource_format_list(p, &r, lower);
      for (unsigned k = 0; list && k < list->_count; k++) {
        if (arcp_media_format_read(p, dgcp_offset_array_slot(list, k), lower, r.mtype, &f) ==
            AUD_SUCCESS)
          sink++;
      }
    }
    arcp_rx_media_channel_info ch{};
    if (arcp_rx_media_channel_read(p, res, lower, &ch) == AUD_SUCCESS) {
      sink += str_len(ch.sub_channel) + str_len(ch.sub_device) + ch.dbu;
    }
    arcp_media_flow_info tf{};
    if (arcp_tx_media_flow_read(p, res, lower, &tf) == AUD_SUCCESS) {
      for (unsigned s = 0; s < tf.n_slots; s++) sink += arcp_media_flow_chan_id(&tf, s);
      for (const arcp_sockaddr *a : tf.addrs)
        if (a) sink += a->_size;
      sink += str_len(tf.dest_router) + str_len(tf.dest_flow) + tf.fpp + tf.hdcp_token;
    }
    arcp_media_flow_info rf{};
    if (arcp_rx_media_flow_read(p, res, lower, &rf) == AUD_SUCCESS) {
      dgcp_raw_offset_t next = rf.chan_map;
      uint16_t slice_lower = lower;
      for (unsigned k = 0; next && k < ARCP_RX_CHANNEL_MAP_MAX_SLICES; k++) {
        arcp_280_rx_channel_map_info s{};
        if (arcp_280_rx_channel_map_read(p, next, slice_lower, &s) != AUD_SUCCESS) break;
        for (unsigned c = 0; c < s.nchan; c++) sink += s.channel_slot[c];
        slice_lower = static_cast<uint16_t>(ntohs(next) + 6 + s.nchan);
        next = s.next;
      }
    }
  }
  g_sink = sink;
  return 0;
}
