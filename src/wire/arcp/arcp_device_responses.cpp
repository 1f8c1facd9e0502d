// Device-side builders of ARCP responses.
#include "wire/arcp/arcp_device_responses.h"

#include <cstring>
#include <string_view>
#include <unordered_map>

#include "wire/dgcp/dgcp_bytes.h"

namespace {

// Names written once per answer. A device only needs equal names to share
// one copy, so an exact-match map is enough here (and stays cheap for the
// hundreds of names of a full channel answer).
struct name_pool {
  std::unordered_map<std::string_view, dgcp_raw_offset_t> offsets;
  name_pool() { offsets.reserve(256); }
  dgcp_raw_offset_t write(dgcp_packet_buf *buf, const char *name) {
    if (!name) return 0;
    auto it = offsets.find(name);
    if (it != offsets.end()) return it->second;
    dgcp_raw_offset_t off = dgcp_store_string(buf, name);
    if (off) offsets.emplace(name, off);
    return off;
  }
};

}  // namespace

void arcp_resp_head(dgcp_packet_buf *buf, dgcp_version_t version, uint16_t seqnum, uint16_t opcode,
                    uint16_t status) {
  dgcp_init(dgcp_packet_buf_head(buf), version, seqnum, opcode);
  dgcp_set_status(dgcp_packet_buf_head(buf), status);
}

aud_error_t arcp_resp_node_query_build(dgcp_packet_buf *buf, dgcp_version_t version,
                                       uint16_t seqnum, const arcp_node_query_info *n) {
  arcp_resp_head(buf, version, seqnum, ARCP_OP_router_query, DGCP_Success);
  if (!dgcp_set_msg_size(buf, sizeof(arcp_node_query_resp))) {
    return AUD_ERR_NOMEMORY;
  }
  auto *r = reinterpret_cast<arcp_node_query_resp *>(buf->packet);
  r->_flags = htons(n->flags);
  r->_ntxchan = htons(n->ntxchan);
  r->_nrxchan = htons(n->nrxchan);
  r->_ntxalias = htons(n->ntxalias);
  r->_ntxslots = htons(n->ntxslots);
  r->_nrxslots = htons(n->nrxslots);
  r->_max_txbund = htons(n->max_txbund);
  r->_max_rxbund = htons(n->max_rxbund);
  r->_max_alias = htons(n->max_alias);
  r->_max_chan_alias = htons(n->max_chan_alias);
  r->_nintf = htons(n->nintf);
  r->_status = htonl(n->status);
  r->_per_rxflow_error_flags = htons(n->per_rxflow_error_flags);
  r->_per_rxflow_error_fields = htons(n->per_rxflow_error_fields);
  r->_rxflow_error_subseconds_range = htonl(n->rxflow_error_subseconds_range);
  r->media_resources = n->media_resources;
  r->max_display_group_id = htons(n->max_display_group_id);
  return AUD_SUCCESS;
}

aud_error_t arcp_resp_identity_build(dgcp_packet_buf *buf, dgcp_version_t version, uint16_t seqnum,
                                     const char *name, const char *default_name,
                                     const char *advertised, uint32_t router_version,
                                     uint16_t arcp_native, uint16_t arcp_min) {
  arcp_resp_head(buf, version, seqnum, ARCP_OP_router_identity, DGCP_Success);
  if (!dgcp_set_msg_size(buf, sizeof(arcp_identity_query_response))) {
    return AUD_ERR_NOMEMORY;
  }
  memset(buf->packet + DGCP_HEAD_SIZE, 0, sizeof(arcp_identity_query_response) - DGCP_HEAD_SIZE);
  auto *r = reinterpret_cast<arcp_identity_query_response *>(buf->packet);
  r->_body_size = htons(sizeof(arcp_identity_query_response));
  void *mem = nullptr;
  r->_name = dgcp_offset_allocate(buf, sizeof(arcp_identity_query_response_name),
                                  DGCP_OFFSET_ALIGN_16, &mem);
  if (!r->_name) return AUD_ERR_NOMEMORY;
  auto *nm = static_cast<uint8_t *>(mem);
  memset(nm, 0, sizeof(arcp_identity_query_response_name));
  nm[0] = sizeof(arcp_identity_query_response_name) / 2;
  r->_version = dgcp_offset_allocate(buf, sizeof(arcp_identity_query_response_version),
                                     DGCP_OFFSET_ALIGN_16, &mem);
  if (!r->_version) return AUD_ERR_NOMEMORY;
  auto *ver = static_cast<uint8_t *>(mem);
  memset(ver, 0, sizeof(arcp_identity_query_response_version));
  ver[0] = sizeof(arcp_identity_query_response_version) / 2;
  dgcp_store32(ver + 4, router_version);
  dgcp_store16(ver + 8, arcp_native);
  dgcp_store16(ver + 10, arcp_min);
  dgcp_raw_offset_t o = dgcp_store_string(buf, name);
  if (!o) return AUD_ERR_NOMEMORY;
  memcpy(nm + 2, &o, 2);
  if (default_name) {
    o = dgcp_store_string(buf, default_name);
    if (!o) return AUD_ERR_NOMEMORY;
    memcpy(nm + 4, &o, 2);
  }
  if (advertised) {
    o = dgcp_store_string(buf, advertised);
    if (!o) return AUD_ERR_NOMEMORY;
    memcpy(nm + 6, &o, 2);
  }
  return AUD_SUCCESS;
}

aud_error_t arcp_resp_rx_channels_build(dgcp_packet_buf *buf, dgcp_version_t version,
                                        uint16_t seqnum, const arcp_resp_rx_channel *chans,
                                        unsigned n) {
  if (n > UINT8_MAX) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  if (arcp_list_init(buf, version, seqnum, ARCP_OP_RX_query, static_cast<uint8_t>(n),
                     sizeof(arcp_204_rx_channel)) != AUD_SUCCESS) {
    return AUD_ERR_NOMEMORY;
  }
  name_pool names;
  arcp_util_media_offset_tables formats;
  arcp_util_media_offset_tables_init(&formats);
  for (unsigned i = 0; i < n; i++) {
    const arcp_resp_rx_channel &c = chans[i];
    auto *e = static_cast<arcp_204_rx_channel *>(
        dgcp_array_msg_buffer_alloc_entry(buf, sizeof(arcp_204_rx_channel)));
    if (!e) return AUD_ERR_NOMEMORY;
    e->_chan_id = htons(c.chan_id);
    e->_flags = htons(c.flags);
    e->_format = arcp_util_media_write_audio_format(buf, &formats, c.rate, c.encoding);
    e->_label = names.write(buf, c.label);
    if (c.tx_channel && c.tx_device) {
      e->_channel = names.write(buf, c.tx_channel);
      e->_host = names.write(buf, c.tx_device);
      if (!e->_channel || !e->_host) return AUD_ERR_NOMEMORY;
    }
    if (!e->_format || (c.label && !e->_label)) return AUD_ERR_NOMEMORY;
    e->_connections_supported = c.connections_supported;
    e->_connections_active = c.connections_active;
    e->_status = htons(c.status);
  }
  return AUD_SUCCESS;
}

aud_error_t arcp_resp_tx_channels_build(dgcp_packet_buf *buf, dgcp_version_t version,
                                        uint16_t seqnum, const arcp_resp_tx_channel *chans,
                                        unsigned n) {
  if (n > UINT8_MAX) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  if (arcp_list_init(buf, version, seqnum, ARCP_OP_TX_query, static_cast<uint8_t>(n),
                     sizeof(arcp_204_tx_channel)) != AUD_SUCCESS) {
    return AUD_ERR_NOMEMORY;
  }
  name_pool names;
  arcp_util_media_offset_tables formats;
  arcp_util_media_offset_tables_init(&formats);
  for (unsigned i = 0; i < n; i++) {
    auto *e = static_cast<arcp_204_tx_channel *>(
        dgcp_array_msg_buffer_alloc_entry(buf, sizeof(arcp_204_tx_channel)));
    if (!e) return AUD_ERR_NOMEMORY;
    e->_chan_id = htons(chans[i].chan_id);
    e->_flags = htons(chans[i].flags);
    e->_format =
        arcp_util_media_write_audio_format(buf, &formats, chans[i].rate, chans[i].encoding);
    e->_label = names.write(buf, chans[i].label);
    if (!e->_format || (chans[i].label && !e->_label)) return AUD_ERR_NOMEMORY;
  }
  return AUD_SUCCESS;
}

aud_error_t arcp_resp_media_channel_add(dgcp_packet_buf *buf, arcp_util_media_offset_tables *tables,
                                        const arcp_resp_media_channel *c) {
  dgcp_raw_offset_t *slot = dgcp_offset_array_msg_reserve_entry(buf);
  if (!slot) return AUD_ERR_NOMEMORY;
  dgcp_raw_offset_t format = arcp_util_media_write_media_format(buf, tables, &c->format);
  dgcp_raw_offset_t label =
      c->label ? dgcp_util_offset_table_write_label(buf, &tables->labels, c->label) : 0;
  dgcp_raw_offset_t def =
      c->default_label ? dgcp_util_offset_table_write_label(buf, &tables->labels, c->default_label)
                       : 0;
  dgcp_raw_offset_t sub_ch = 0, sub_dev = 0;
  if (c->rx && c->sub_channel && c->sub_device) {
    sub_ch = dgcp_util_offset_table_write_label(buf, &tables->labels, c->sub_channel);
    sub_dev = dgcp_util_offset_table_write_label(buf, &tables->labels, c->sub_device);
  }
  dgcp_extensible_data_segments_alloc desc{};
  desc.segments[0] = {sizeof(arcp_raw_resource), DGCP_OFFSET_ALIGN_32, 0};
  if (c->rx) {
    desc.segments[1] = {sizeof(arcp_raw_rx_media_channel_data), DGCP_OFFSET_ALIGN_16, 0};
    if (c->mtype == ARCP_MEDIA_TYPE__AUDIO) {
      desc.segments[2] = {sizeof(arcp_raw_rx_channel_audio_data), DGCP_OFFSET_ALIGN_16, 0};
    }
  }
  dgcp_extensible_data *heads[DGCP_EXTENSIBLE_DATA_MAX_SEGMENTS_PER_CHAIN] = {};
  dgcp_raw_offset_t chain = 0;
  if (dgcp_extensible_data_allocate_chain(buf, &desc, heads, &chain) != AUD_SUCCESS)
    return AUD_ERR_NOMEMORY;
  memcpy(slot, &chain, 2);
  auto *r = reinterpret_cast<uint8_t *>(heads[0]);
  dgcp_store16(r + 2, c->res_id);
  dgcp_store16(r + 6, c->mtype);
  dgcp_store16(r + 8, c->media_id);
  dgcp_store32(r + 12, c->flags);
  memcpy(r + 20, &label, 2);
  memcpy(r + 22, &format, 2);
  memcpy(r + 30, &def, 2);
  if (c->rx) {
    auto *d = reinterpret_cast<uint8_t *>(heads[1]);
    memcpy(d + 4, &sub_ch, 2);
    memcpy(d + 6, &sub_dev, 2);
    dgcp_store16(d + 8, c->status);
    d[10] = c->conn_supported;
    d[11] = c->conn_active;
    if (c->mtype == ARCP_MEDIA_TYPE__AUDIO) {
      dgcp_store16(reinterpret_cast<uint8_t *>(heads[2]) + 2, static_cast<uint16_t>(c->dbu));
    }
  }
  return AUD_SUCCESS;
}

dgcp_raw_offset_t arcp_resp_resource_counts_write(dgcp_packet_buf *buf,
                                                  const arcp_resource_counts_info *counts,
                                                  unsigned n) {
  dgcp_raw_offset_t off = dgcp_extensible_data_allocate_array(
      buf, sizeof(arcp_raw_resource_counts), static_cast<uint16_t>(n), DGCP_OFFSET_ALIGN_16);
  if (!off) return 0;
  uint8_t *base = buf->packet + ntohs(off);
  for (unsigned i = 0; i < n; i++) {
    uint8_t *p = base + i * sizeof(arcp_raw_resource_counts);
    const arcp_resource_counts_info &c = counts[i];
    dgcp_store16(p + 2, c.media_type);
    dgcp_store16(p + 4, c.nintf);
    dgcp_store16(p + 8, c.txchan);
    dgcp_store16(p + 12, c.rxchan);
    dgcp_store16(p + 16, c.txflow);
    dgcp_store16(p + 20, c.rxflow);
    dgcp_store16(p + 26, c.txflow_slots);
    dgcp_store16(p + 30, c.rxflow_slots);
    dgcp_store16(p + 34, c.txformat_options);
    dgcp_store16(p + 38, c.rxformat_options);
  }
  return off;
}
