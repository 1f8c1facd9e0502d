// Fuzzes the readers of ARCP device-level answers: capability, names,
// identity, properties, soft limits, port range, error counters, display
// groups and query ranges.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "wire/arcp/arcp.h"

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
  if (arcp_node_query_resp_read(p, &node) == AUD_SUCCESS) sink += node.flags;
  uint16_t n = 0;
  const char *name = arcp_router_label_read(p, &n);
  if (name) sink += strlen(name) == n;
  arcp_identity_info id{};
  if (arcp_identity_read(p, &id) == AUD_SUCCESS) {
    sink += strlen(id.name);
    if (id.default_name) sink += strlen(id.default_name);
    if (id.advertised) sink += strlen(id.advertised);
    if (id.domain) sink += strlen(id.domain);
  }
  for (unsigned k = 0; k < ARCP_CLIENT_PROP_QUERY_NUM_KEYS; k++) {
    uint16_t key = arcp_client_prop_query_keys[k];
    uint16_t v16 = 0;
    uint32_t v32 = 0;
    char text[ARCP_CLOCK_SUBDOMAIN_MAX_CHARS + 1];
    if (arcp_prop_get16(p, key, &v16) == AUD_SUCCESS) sink += v16;
    if (arcp_prop_get32(p, key, &v32) == AUD_SUCCESS) sink += v32;
    if (arcp_prop_get_string(p, key, text, sizeof text) == AUD_SUCCESS) sink += strlen(text);
  }
  arcp_soft_limit_info sl{};
  if (arcp_softlimit_read(p, &sl) == AUD_SUCCESS) sink += sl.ntxchan;
  arcp_range dyn{}, stat{};
  if (arcp_rx_port_range_read(p, &dyn, &stat) == AUD_SUCCESS) sink += stat._start;
  for (unsigned width : {2u, 4u}) {
    arcp_rx_bundles_error_info e{};
    if (arcp_rx_bundles_error_read(p, width, &e) == AUD_SUCCESS) {
      for (unsigned f = 0; f < e.num_bundles; f++)
        for (unsigned i = 0; i < e.num_intfs; i++) sink += arcp_rx_bundles_error_value(&e, f, i);
    }
  }
  unsigned groups = arcp_offset_array_msg_count(p);
  for (unsigned i = 0; i < groups; i++) {
    arcp_display_group_info g{};
    if (arcp_display_group_at_index(p, i, &g) == AUD_SUCCESS && g.label) sink += strlen(g.label);
  }
  sink += arcp_query_range_validate(p) + arcp_media_query_range_validate(p);
  uint16_t s = 0, e = 0;
  for (unsigned i = 0; arcp_query_range_get(p, i, &s, &e); i++) sink += s + e;
  // Channel formats anywhere in the body, read, written again and compared.
  for (uint16_t at = 12; at + 8 <= dgcp_size(p) && at < 96; at += 4) {
    arcp_channel_format_info f{};
    if (arcp_channel_format_read(p, htons(at), 0, &f) != AUD_SUCCESS) continue;
    static dgcp_packet_buf out;
    arcp_msg_head_init(dgcp_packet_buf_head(&out), 0, 0);
    dgcp_set_msg_size(&out, 12);
    dgcp_raw_offset_t off = arcp_alloc_audio_format(&out, &f);
    arcp_channel_format_info g{};
    if (!off || arcp_channel_format_read(dgcp_packet_buf_head(&out), off, 0, &g) != AUD_SUCCESS ||
        g.rate != f.rate || g.count != f.count || g.native != f.native || g.pcm_map != f.pcm_map ||
        memcmp(g.encodings, f.encodings, sizeof f.encodings) != 0) {
      __builtin_trap();
    }
  }
  g_sink = sink;
  return 0;
}
