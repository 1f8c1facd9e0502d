// ARCP channel and flow bodies ("204" and "280" layouts).
#include "wire/arcp/arcp_channel.h"

#include <strings.h>

#include <algorithm>
#include <cstring>

#include "wire/dgcp/dgcp_bytes.h"

namespace {

// Saves a packet's size and list count so that a failed writer can take
// back everything it appended.
struct list_mark {
  dgcp_packet_buf *buf;
  uint16_t size;
  uint8_t count;
  explicit list_mark(dgcp_packet_buf *b)
      : buf(b),
        size(dgcp_size(dgcp_packet_buf_head(b))),
        count(reinterpret_cast<dgcp_array_msg *>(b->packet)->_count) {}
  aud_error_t undo(aud_error_t result) {
    dgcp_set_size(dgcp_packet_buf_head(buf), size);
    reinterpret_cast<dgcp_array_msg *>(buf->packet)->_count = count;
    return result;
  }
};

// Resolves the flow record named by 2-byte entry index of a flow list.
const uint8_t *flow_record(const dgcp_head *packet, unsigned index, uint16_t min_size,
                           uint16_t *avail) {
  const void *entry = dgcp_array_msg_entry_at_index(packet, index, 2);
  if (!entry) {
    return nullptr;
  }
  return static_cast<const uint8_t *>(
      dgcp_offset_resolve_sized(packet, dgcp_load_raw_offset(entry), dgcp_array_msg_size(packet, 2),
                                0, DGCP_OFFSET_ALIGN_32, min_size, avail));
}

}  // namespace

// ---- AES67 ------------------------------------------------------------------------

dgcp_raw_offset_t arcp_aes67_flow_info_write(dgcp_packet_buf *buf, const arcp_aes67_info *info) {
  if (!buf || !info || !(info->fields & ARCP_AES67_FLOW_INFO_FIELDS_VALID)) {
    return 0;
  }
  bool small = (info->fields & ARCP_AES67_FLOW_INFO_FIELDS_VALID &
                ~(ARCP_AES67_FLOW_INFO_FIELD__SAP_ORIGIN_ADDR |
                  ARCP_AES67_FLOW_INFO_FIELD__SDP_SESSION_ID)) == 0;
  uint16_t bytes = small ? 16 : 28;
  void *mem = nullptr;
  dgcp_raw_offset_t off = dgcp_offset_allocate(buf, bytes, DGCP_OFFSET_ALIGN_32, &mem);
  if (!off) {
    return 0;
  }
  auto *p = static_cast<uint8_t *>(mem);
  memset(p, 0, bytes);
  p[0] = static_cast<uint8_t>(bytes / 2);
  dgcp_store16(p + 2, info->fields & ARCP_AES67_FLOW_INFO_FIELDS_VALID);
  dgcp_store32(p + 4, ntohl(info->sap_origin_addr_v4));
  dgcp_store32(p + 8, info->sdp_session_id_hi);
  dgcp_store32(p + 12, info->sdp_session_id_lo);
  if (!small) {
    dgcp_store32(p + 16, info->sdp_session_vers_hi);
    dgcp_store32(p + 20, info->sdp_session_vers_lo);
    dgcp_store32(p + 24, info->media_clock_offset);
  }
  return off;
}

aud_error_t arcp_aes67_flow_info_read(const dgcp_head *packet, dgcp_raw_offset_t offset,
                                      uint16_t lower, arcp_aes67_info *out) {
  const dgcp_extensible_data *ed =
      dgcp_extensible_data_resolve(packet, offset, lower, DGCP_OFFSET_ALIGN_32, 4);
  if (!ed || !out) {
    return AUD_ERR_INVALIDDATA;
  }
  auto *p = reinterpret_cast<const uint8_t *>(ed);
  arcp_aes67_info a{};
  a.fields = dgcp_load16(p + 2);
  if (dgcp_extensible_data_has(ed, 8)) {
    uint32_t addr;
    memcpy(&addr, p + 4, 4);
    a.sap_origin_addr_v4 = addr;  // kept in network order, as an address
  }
  if (dgcp_extensible_data_has(ed, 12)) a.sdp_session_id_hi = dgcp_load32(p + 8);
  if (dgcp_extensible_data_has(ed, 16)) a.sdp_session_id_lo = dgcp_load32(p + 12);
  if (dgcp_extensible_data_has(ed, 20)) a.sdp_session_vers_hi = dgcp_load32(p + 16);
  if (dgcp_extensible_data_has(ed, 24)) a.sdp_session_vers_lo = dgcp_load32(p + 20);
  if (dgcp_extensible_data_has(ed, 28)) a.media_clock_offset = dgcp_load32(p + 24);
  *out = a;
  return AUD_SUCCESS;
}

// ---- Lists ------------------------------------------------------------------------------

aud_error_t arcp_list_init(dgcp_packet_buf *buf, dgcp_version_t version, uint16_t seqnum,
                           uint16_t opcode, uint8_t n, uint16_t entry_size) {
  if (!buf || entry_size == 0) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  arcp_msg_head_init_vers(dgcp_packet_buf_head(buf), version, seqnum, opcode);
  return dgcp_array_msg_buffer_init(buf, n, entry_size) ? AUD_SUCCESS : AUD_ERR_NOMEMORY;
}

// ---- Transmit channels and labels ----------------------------------------------------------

aud_error_t arcp_tx_channel_at_index(const dgcp_head *packet, unsigned index,
                                     arcp_tx_channel_info *out) {
  auto *e = static_cast<const arcp_204_tx_channel *>(
      dgcp_array_msg_entry_at_index(packet, index, sizeof(arcp_204_tx_channel)));
  if (!e || !out) {
    return AUD_ERR_INVALIDDATA;
  }
  uint16_t lower = dgcp_array_msg_size(packet, sizeof(arcp_204_tx_channel));
  arcp_tx_channel_info c{};
  c.chan_id = ntohs(e->_chan_id);
  c.flags = ntohs(e->_flags);
  c.format_valid = arcp_channel_format_read(packet, e->_format, lower, &c.format) == AUD_SUCCESS
                       ? AUD_TRUE
                       : AUD_FALSE;
  c.label = dgcp_get_string(packet, e->_label, lower, 0, nullptr);
  *out = c;
  return AUD_SUCCESS;
}

aud_error_t arcp_tx_alias_at_index(const dgcp_head *packet, unsigned index,
                                   arcp_tx_alias_info *out) {
  auto *e = static_cast<const arcp_tx_alias *>(
      dgcp_array_msg_entry_at_index(packet, index, sizeof(arcp_tx_alias)));
  if (!e || !out) {
    return AUD_ERR_INVALIDDATA;
  }
  arcp_tx_alias_info a{};
  a.alias_id = ntohs(e->_alias_id);
  a.chan_id = ntohs(e->_chan_id);
  a.label = dgcp_get_string(packet, e->_label, dgcp_array_msg_size(packet, sizeof(arcp_tx_alias)),
                            0, nullptr);
  *out = a;
  return AUD_SUCCESS;
}

aud_error_t arcp_tx_alias_add(dgcp_packet_buf *buf, arcp_util_labels *labels, uint16_t alias_id,
                              uint16_t chan_id, const char *label) {
  list_mark mark(buf);
  auto *e =
      static_cast<arcp_tx_alias *>(dgcp_array_msg_buffer_alloc_entry(buf, sizeof(arcp_tx_alias)));
  if (!e) {
    return AUD_ERR_NOMEMORY;
  }
  e->_alias_id = htons(alias_id);
  e->_chan_id = htons(chan_id);
  if (chan_id != 0 && label && label[0]) {
    e->_label = arcp_util_labels_write(buf, labels, label);
    if (!e->_label) {
      return mark.undo(AUD_ERR_NOMEMORY);
    }
  }
  return AUD_SUCCESS;
}

aud_error_t arcp_channel_label_add(dgcp_packet_buf *buf, arcp_util_labels *labels, uint16_t id,
                                   const char *label) {
  if (id == 0) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  list_mark mark(buf);
  auto *e = static_cast<arcp_channel_label *>(
      dgcp_array_msg_buffer_alloc_entry(buf, sizeof(arcp_channel_label)));
  if (!e) {
    return AUD_ERR_NOMEMORY;
  }
  e->_id = htons(id);
  e->_label = arcp_util_labels_write(buf, labels, label ? label : "");
  if (!e->_label) {
    return mark.undo(AUD_ERR_NOMEMORY);
  }
  return AUD_SUCCESS;
}

aud_error_t arcp_channel_label_at_index(const dgcp_head *packet, unsigned index,
                                        arcp_channel_label_info *out) {
  auto *e = static_cast<const arcp_channel_label *>(
      dgcp_array_msg_entry_at_index(packet, index, sizeof(arcp_channel_label)));
  if (!e || !out) {
    return AUD_ERR_INVALIDDATA;
  }
  arcp_channel_label_info l{};
  l.id = ntohs(e->_id);
  l.label = dgcp_get_string(packet, e->_label,
                            dgcp_array_msg_size(packet, sizeof(arcp_channel_label)), 0, nullptr);
  *out = l;
  return AUD_SUCCESS;
}

aud_error_t arcp_tx_channel_dbu_add(dgcp_packet_buf *buf, uint16_t start, uint16_t end,
                                    int16_t dbu) {
  if ((start == 0 && end == 0) || (start != 0 && end < start)) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  // (0, e) names the single channel e.
  uint16_t lo = start ? start : end;
  uint16_t hi = end;
  auto *msg = reinterpret_cast<dgcp_array_msg *>(buf->packet);
  if (msg->_count > 0) {
    auto *last = reinterpret_cast<arcp_tx_channel_dbu *>(
        buf->packet + DGCP_ARRAY_MSG_HEAD_SIZE + sizeof(arcp_tx_channel_dbu) * (msg->_count - 1));
    uint16_t ls = ntohs(last->_chans._start), le = ntohs(last->_chans._end);
    uint16_t llo = ls ? ls : le;
    if (static_cast<int16_t>(ntohs(static_cast<uint16_t>(last->_dbu))) == dbu && lo <= le + 1u &&
        llo <= hi + 1u) {
      last->_chans._start = htons(std::min(lo, llo));
      last->_chans._end = htons(std::max(hi, le));
      return AUD_SUCCESS;
    }
  }
  auto *e = static_cast<arcp_tx_channel_dbu *>(
      dgcp_array_msg_alloc_entry(buf, sizeof(arcp_tx_channel_dbu)));
  if (!e) {
    return AUD_ERR_NOMEMORY;
  }
  e->_chans._start = htons(start);
  e->_chans._end = htons(end);
  e->_dbu = static_cast<int16_t>(htons(static_cast<uint16_t>(dbu)));
  return AUD_SUCCESS;
}

aud_error_t arcp_tx_channel_dbu_at_index(const dgcp_head *packet, unsigned index,
                                         arcp_tx_channel_dbu_info *out) {
  auto *e = static_cast<const arcp_tx_channel_dbu *>(
      dgcp_array_msg_entry_at_index(packet, index, sizeof(arcp_tx_channel_dbu)));
  if (!e || !out) {
    return AUD_ERR_INVALIDDATA;
  }
  out->start = ntohs(e->_chans._start);
  out->end = ntohs(e->_chans._end);
  out->dbu = static_cast<int16_t>(ntohs(static_cast<uint16_t>(e->_dbu)));
  return AUD_SUCCESS;
}

// ---- Receive channels and subscriptions -----------------------------------------------------

aud_error_t arcp_rx_channel_at_index(const dgcp_head *packet, unsigned index,
                                     arcp_rx_channel_info *out) {
  auto *e = static_cast<const arcp_204_rx_channel *>(
      dgcp_array_msg_entry_at_index(packet, index, sizeof(arcp_204_rx_channel)));
  if (!e || !out) {
    return AUD_ERR_INVALIDDATA;
  }
  uint16_t lower = dgcp_array_msg_size(packet, sizeof(arcp_204_rx_channel));
  arcp_rx_channel_info c{};
  c.chan_id = ntohs(e->_chan_id);
  c.flags = ntohs(e->_flags);
  c.format_valid = arcp_channel_format_read(packet, e->_format, lower, &c.format) == AUD_SUCCESS
                       ? AUD_TRUE
                       : AUD_FALSE;
  c.channel = dgcp_get_string(packet, e->_channel, lower, 0, nullptr);
  c.host = dgcp_get_string(packet, e->_host, lower, 0, nullptr);
  c.label = dgcp_get_string(packet, e->_label, lower, 0, nullptr);
  c.connections_supported = e->_connections_supported;
  c.connections_active = e->_connections_active;
  c.status = ntohs(e->_status);
  // One status byte per interface up to the highest supported one.
  unsigned n = 0;
  for (unsigned bit = 0; bit < 8; bit++) {
    if (c.connections_supported & (1u << bit)) n = bit + 1;
  }
  if (n > 0) {
    auto *cs = static_cast<const uint8_t *>(dgcp_offset_resolve(
        packet, e->_connection_status, lower, DGCP_OFFSET_ALIGN_BYTE, static_cast<uint16_t>(n)));
    if (cs) {
      c.num_connection_status = static_cast<uint8_t>(n);
      memcpy(c.connection_status, cs, n);
    }
  }
  const dgcp_extensible_data *extra =
      dgcp_extensible_data_resolve(packet, e->_extra, lower, DGCP_OFFSET_ALIGN_16, 4);
  if (extra) {
    auto *p = reinterpret_cast<const uint8_t *>(extra);
    c.has_extra = AUD_TRUE;
    c.dbu = static_cast<int16_t>(dgcp_load16(p + 2));
    if (dgcp_extensible_data_has(extra, 6)) c.physical_id = dgcp_load16(p + 4);
  }
  *out = c;
  return AUD_SUCCESS;
}

namespace {

// The offset of a name already written for an earlier entry of this
// subscription request (channel names with channel names, device names with
// device names), or 0.
dgcp_raw_offset_t find_subscription_name(dgcp_packet_buf *buf, unsigned count, bool device,
                                         const char *name) {
  const dgcp_head *packet = dgcp_packet_buf_head(buf);
  for (unsigned i = 0; i < count; i++) {
    auto *e = reinterpret_cast<const arcp_204_rx_subscription *>(
        buf->packet + DGCP_ARRAY_MSG_HEAD_SIZE + sizeof(arcp_204_rx_subscription) * i);
    dgcp_raw_offset_t off = device ? e->_host : e->_channel;
    const char *s = dgcp_get_string(packet, off, 0, 0, nullptr);
    if (s && strcasecmp(s, name) == 0) {
      return off;
    }
  }
  return 0;
}

}  // namespace

aud_error_t arcp_rx_subscription_add(dgcp_packet_buf *buf, uint16_t chan_id, const char *tx_channel,
                                     const char *tx_device) {
  bool has_channel = tx_channel && tx_channel[0];
  bool has_device = tx_device && tx_device[0];
  if (has_channel != has_device) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  list_mark mark(buf);
  unsigned earlier = mark.count;
  auto *e = static_cast<arcp_204_rx_subscription *>(
      dgcp_array_msg_buffer_alloc_entry(buf, sizeof(arcp_204_rx_subscription)));
  if (!e) {
    return AUD_ERR_NOMEMORY;
  }
  e->_chan_id = htons(chan_id);
  if (has_channel) {
    dgcp_raw_offset_t ch = find_subscription_name(buf, earlier, false, tx_channel);
    if (!ch) ch = dgcp_store_string(buf, tx_channel);
    dgcp_raw_offset_t dev = ch ? find_subscription_name(buf, earlier, true, tx_device) : 0;
    if (ch && !dev) dev = dgcp_store_string(buf, tx_device);
    if (!ch || !dev) {
      return mark.undo(AUD_ERR_NOMEMORY);
    }
    e->_channel = ch;
    e->_host = dev;
  }
  return AUD_SUCCESS;
}

aud_error_t arcp_rx_subscription_at_index(const dgcp_head *packet, unsigned index,
                                          arcp_rx_subscription_info *out) {
  auto *e = static_cast<const arcp_204_rx_subscription *>(
      dgcp_array_msg_entry_at_index(packet, index, sizeof(arcp_204_rx_subscription)));
  if (!e || !out) {
    return AUD_ERR_INVALIDDATA;
  }
  uint16_t lower = dgcp_array_msg_size(packet, sizeof(arcp_204_rx_subscription));
  out->chan_id = ntohs(e->_chan_id);
  out->channel = dgcp_get_string(packet, e->_channel, lower, 0, nullptr);
  out->host = dgcp_get_string(packet, e->_host, lower, 0, nullptr);
  return AUD_SUCCESS;
}

// ---- Transmit flows -----------------------------------------------------------------------------

uint16_t arcp_tx_bundle_info_chan(const arcp_tx_bundle_info *info, unsigned slot) {
  if (!info || !info->chans || slot >= info->nchan) {
    return 0;
  }
  return dgcp_load16(info->chans + 2 * slot);
}

namespace {

aud_error_t write_addrs(dgcp_packet_buf *buf, uint8_t *slots, uint16_t naddr,
                        const arcp_flow_addr *addrs) {
  for (unsigned i = 0; i < naddr; i++) {
    dgcp_raw_offset_t off = 0;
    if (addrs[i].addr_be != 0) {
      off = arcp_sockaddr_alloc_ipv4(buf, addrs[i].addr_be, addrs[i].port);
      if (!off) {
        return AUD_ERR_NOMEMORY;
      }
    }
    memcpy(slots + 2 * i, &off, 2);
  }
  return AUD_SUCCESS;
}

// A flow class and, for AES67, its record; AUD_ERR_NOMEMORY when full.
aud_error_t write_flow_class(dgcp_packet_buf *buf, uint8_t *at, uint16_t flow_class,
                             const arcp_aes67_info *aes67) {
  dgcp_store16(at, flow_class);
  dgcp_raw_offset_t info = 0;
  if (flow_class == ARCP_FLOW_CLASS_AES67_MCAST && aes67 &&
      (aes67->fields & ARCP_AES67_FLOW_INFO_FIELDS_VALID)) {
    info = arcp_aes67_flow_info_write(buf, aes67);
    if (!info) {
      return AUD_ERR_NOMEMORY;
    }
  }
  memcpy(at + 2, &info, 2);
  return AUD_SUCCESS;
}

void read_flow_class(const dgcp_head *packet, const uint8_t *at, uint16_t lower,
                     uint16_t *out_class, aud_bool_t *out_has_aes67, arcp_aes67_info *out_aes67) {
  *out_class = dgcp_load16(at);
  if (*out_class == ARCP_FLOW_CLASS_AES67_MCAST &&
      arcp_aes67_flow_info_read(packet, dgcp_load_raw_offset(at + 2), lower, out_aes67) ==
          AUD_SUCCESS) {
    *out_has_aes67 = AUD_TRUE;
  }
}

}  // namespace

aud_error_t arcp_204_tx_bundle_write(dgcp_packet_buf *buf, const arcp_204_tx_bundle_desc *d) {
  if (!buf || !d || d->naddr > ARCP_FLOW_MAX_ADDRS || d->nchan > ARCP_FLOW_MAX_SLOTS ||
      (d->nchan && !d->chans)) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  list_mark mark(buf);
  auto *entry = static_cast<uint8_t *>(dgcp_array_msg_buffer_alloc_entry(buf, 2));
  if (!entry) {
    return AUD_ERR_NOMEMORY;
  }
  uint16_t bytes = static_cast<uint16_t>((18 + 2 * (d->naddr + d->nchan) + 1) & ~1u);
  void *mem = nullptr;
  dgcp_raw_offset_t off = dgcp_offset_allocate(buf, bytes, DGCP_OFFSET_ALIGN_32, &mem);
  if (!off) {
    return mark.undo(AUD_ERR_NOMEMORY);
  }
  memcpy(entry, &off, 2);
  auto *p = static_cast<uint8_t *>(mem);
  memset(p, 0, bytes);
  dgcp_store16(p, d->id);
  dgcp_store16(p + 2, d->flags);
  if (d->naddr || d->nchan) {
    arcp_channel_format_write_inline(p + 4, d->rate, d->encoding);
  }
  dgcp_store16(p + 12, d->naddr);
  dgcp_store16(p + 14, d->nchan);
  if (write_addrs(buf, p + 16, d->naddr, d->addrs) != AUD_SUCCESS) {
    return mark.undo(AUD_ERR_NOMEMORY);
  }
  for (unsigned i = 0; i < d->nchan; i++) {
    dgcp_store16(p + 16 + 2 * d->naddr + 2 * i, d->chans[i]);
  }
  if (d->with_status) {
    dgcp_raw_offset_t status_off = 0;
    auto *st = reinterpret_cast<uint8_t *>(dgcp_extensible_data_allocate_get(
        buf, sizeof(arcp_tx_bundle_status), 0, DGCP_OFFSET_ALIGN_32, &status_off));
    if (!st) {
      return mark.undo(AUD_ERR_NOMEMORY);
    }
    memcpy(p + 16 + 2 * (d->naddr + d->nchan), &status_off, 2);
    dgcp_store16(st + 2, d->active);
    dgcp_store16(st + 8, d->fpp);
    dgcp_store32(st + 12, d->latency_ns);
    dgcp_raw_offset_t router = 0, bundle = 0, label = 0;
    if (d->dest_router && d->dest_router[0]) router = dgcp_store_string(buf, d->dest_router);
    if (d->dest_bundle && d->dest_bundle[0]) bundle = dgcp_store_string(buf, d->dest_bundle);
    if (d->flow_label && d->flow_label[0]) label = dgcp_store_string(buf, d->flow_label);
    if ((d->dest_router && d->dest_router[0] && !router) ||
        (d->dest_bundle && d->dest_bundle[0] && !bundle) ||
        (d->flow_label && d->flow_label[0] && !label)) {
      return mark.undo(AUD_ERR_NOMEMORY);
    }
    memcpy(st + 4, &router, 2);
    memcpy(st + 6, &bundle, 2);
    memcpy(st + 10, &label, 2);
    if (write_flow_class(buf, st + 16, d->flow_class, d->aes67) != AUD_SUCCESS) {
      return mark.undo(AUD_ERR_NOMEMORY);
    }
  }
  return AUD_SUCCESS;
}

aud_error_t arcp_tx_bundle_at_index(const dgcp_head *packet, unsigned index,
                                    arcp_tx_bundle_info *out) {
  uint16_t avail = 0;
  const uint8_t *p = flow_record(packet, index, sizeof(arcp_204_tx_bundle), &avail);
  if (!p || !out) {
    return AUD_ERR_INVALIDDATA;
  }
  uint16_t lower = dgcp_array_msg_size(packet, 2);
  arcp_tx_bundle_info f{};
  f.id = dgcp_load16(p);
  f.flags = dgcp_load16(p + 2);
  arcp_channel_format_read_inline(p + 4, &f.format);
  f.naddr = dgcp_load16(p + 12);
  f.nchan = dgcp_load16(p + 14);
  if (f.nchan > ARCP_FLOW_MAX_SLOTS) {
    return AUD_ERR_INVALIDDATA;
  }
  unsigned end = 16u + 2u * (f.naddr + f.nchan);
  if (end > avail) {
    return AUD_ERR_INVALIDDATA;
  }
  for (unsigned i = 0; i < f.naddr && i < ARCP_FLOW_MAX_ADDRS; i++) {
    f.addrs[i] = arcp_sockaddr_resolve(packet, dgcp_load_raw_offset(p + 16 + 2 * i), lower);
  }
  f.chans = f.nchan ? p + 16 + 2 * f.naddr : nullptr;
  if (dgcp_version(packet) >= ARCP_VERSION_2_6_1 && end + 2 <= avail) {
    const dgcp_extensible_data *st = dgcp_extensible_data_resolve(
        packet, dgcp_load_raw_offset(p + end), lower, DGCP_OFFSET_ALIGN_16, 4);
    if (st) {
      auto *s = reinterpret_cast<const uint8_t *>(st);
      f.has_status = AUD_TRUE;
      f.active = dgcp_load16(s + 2);
      if (dgcp_extensible_data_has(st, 6))
        f.dest_router = dgcp_get_string(packet, dgcp_load_raw_offset(s + 4), lower, 0, nullptr);
      if (dgcp_extensible_data_has(st, 8))
        f.dest_bundle = dgcp_get_string(packet, dgcp_load_raw_offset(s + 6), lower, 0, nullptr);
      if (dgcp_extensible_data_has(st, 10)) f.fpp = dgcp_load16(s + 8);
      if (dgcp_extensible_data_has(st, 12))
        f.flow_label = dgcp_get_string(packet, dgcp_load_raw_offset(s + 10), lower, 0, nullptr);
      if (dgcp_extensible_data_has(st, 16)) f.latency_ns = dgcp_load32(s + 12);
      if (dgcp_extensible_data_has(st, 20))
        read_flow_class(packet, s + 16, lower, &f.flow_class, &f.has_aes67, &f.aes67);
    }
  }
  *out = f;
  return AUD_SUCCESS;
}

// ---- Receive flows
// ----------------------------------------------------------------------------------

namespace {

aud_error_t read_204_rx(const dgcp_head *packet, const uint8_t *p, uint16_t avail, uint16_t lower,
                        arcp_rx_bundle_info *out) {
  arcp_rx_bundle_info f{};
  f.layout = ARCP_RX_BUNDLE_LAYOUT_204;
  f.id = dgcp_load16(p);
  f.flags = dgcp_load16(p + 2);
  if (f.flags & ARCP_RX_BUNDLE_FLAG_MAP_28) {
    return AUD_ERR_INVALIDDATA;
  }
  arcp_channel_format_read_inline(p + 4, &f.format);
  f.naddr = dgcp_load16(p + 12);
  f.nslots = dgcp_load16(p + 14);
  f.map_width = dgcp_load16(p + 16);
  if (f.nslots > ARCP_FLOW_MAX_SLOTS || f.map_width > ARCP_RX_FLOW_MAX_MAP_WIDTH) {
    return AUD_ERR_INVALIDDATA;
  }
  unsigned end = 18u + 2u * (f.naddr + f.nslots);
  if (end + 2 > avail) {
    return AUD_ERR_INVALIDDATA;
  }
  for (unsigned i = 0; i < f.naddr && i < ARCP_FLOW_MAX_ADDRS; i++) {
    f.addrs[i] = arcp_sockaddr_resolve(packet, dgcp_load_raw_offset(p + 18 + 2 * i), lower);
  }
  f.slot_maps = f.nslots ? p + 18 + 2 * f.naddr : nullptr;
  if (dgcp_version(packet) >= ARCP_VERSION_2_6) {
    auto *st = static_cast<const uint8_t *>(
        dgcp_offset_resolve(packet, dgcp_load_raw_offset(p + end), lower, DGCP_OFFSET_ALIGN_32,
                            sizeof(arcp_rx_bundle_status)));
    if (st) {
      f.has_status = AUD_TRUE;
      f.sub = dgcp_load16(st);
      f.receiving = dgcp_load16(st + 2);
      f.latency_ns = dgcp_load32(st + 8);
      f.flow_class = dgcp_load16(st + 12);
      if (st[4] >= 8) {
        read_flow_class(packet, st + 12, lower, &f.flow_class, &f.has_aes67, &f.aes67);
      }
    }
  }
  *out = f;
  return AUD_SUCCESS;
}

aud_error_t read_280_rx(const dgcp_head *packet, const uint8_t *p, uint16_t avail, uint16_t lower,
                        arcp_rx_bundle_info *out) {
  if (avail < sizeof(arcp_280_rx_bundle)) {
    return AUD_ERR_INVALIDDATA;
  }
  arcp_rx_bundle_info f{};
  f.layout = ARCP_RX_BUNDLE_LAYOUT_280;
  f.id = dgcp_load16(p);
  f.flags = dgcp_load16(p + 2);
  if (!(f.flags & ARCP_RX_BUNDLE_FLAG_MAP_28)) {
    return AUD_ERR_INVALIDDATA;
  }
  arcp_channel_format_read_inline(p + 4, &f.format);
  f.naddr = dgcp_load16(p + 12);
  for (unsigned i = 0; i < f.naddr && i < ARCP_FLOW_MAX_ADDRS; i++) {
    f.addrs[i] = arcp_sockaddr_resolve(packet, dgcp_load_raw_offset(p + 18 + 2 * i), lower);
  }
  read_flow_class(packet, p + 28, lower, &f.flow_class, &f.has_aes67, &f.aes67);
  f.latency_ns = dgcp_load32(p + 32);
  f.nslots = dgcp_load16(p + 36);
  if (f.nslots > ARCP_FLOW_MAX_SLOTS) {
    return AUD_ERR_INVALIDDATA;
  }
  f.chan_map = dgcp_load_raw_offset(p + 38);
  f.field_flags = dgcp_load32(p + 40);
  f.has_status = AUD_TRUE;
  f.sub = dgcp_load16(p + 44);
  f.receiving = dgcp_load16(p + 46);
  *out = f;
  return AUD_SUCCESS;
}

}  // namespace

namespace {

enum class rx_layout { k204, k280, from_flags };

aud_error_t rx_bundle_at(const dgcp_head *packet, unsigned index, arcp_rx_bundle_info *out,
                         rx_layout layout) {
  uint16_t avail = 0;
  const uint8_t *p = flow_record(packet, index, 20, &avail);
  if (!p || !out) {
    return AUD_ERR_INVALIDDATA;
  }
  uint16_t lower = dgcp_array_msg_size(packet, 2);
  if (layout == rx_layout::from_flags) {
    layout = (dgcp_load16(p + 2) & ARCP_RX_BUNDLE_FLAG_MAP_28) ? rx_layout::k280 : rx_layout::k204;
  }
  return layout == rx_layout::k280 ? read_280_rx(packet, p, avail, lower, out)
                                   : read_204_rx(packet, p, avail, lower, out);
}

}  // namespace

aud_error_t arcp_204_rx_bundle_at_index(const dgcp_head *packet, unsigned index,
                                        arcp_rx_bundle_info *out) {
  return rx_bundle_at(packet, index, out, rx_layout::k204);
}

aud_error_t arcp_280_rx_bundle_at_index(const dgcp_head *packet, unsigned index,
                                        arcp_rx_bundle_info *out) {
  return rx_bundle_at(packet, index, out, rx_layout::k280);
}

aud_error_t arcp_rx_bundles_get_at_index(const dgcp_head *packet, unsigned index,
                                         arcp_rx_bundle_info *out) {
  return rx_bundle_at(packet, index, out, rx_layout::from_flags);
}

const uint8_t *arcp_204_rx_bundle_slot_map(const dgcp_head *packet, const arcp_rx_bundle_info *info,
                                           unsigned slot) {
  if (!packet || !info || info->layout != ARCP_RX_BUNDLE_LAYOUT_204 || !info->slot_maps ||
      slot >= info->nslots || info->map_width == 0) {
    return nullptr;
  }
  return static_cast<const uint8_t *>(dgcp_offset_resolve(
      packet, dgcp_load_raw_offset(info->slot_maps + 2 * slot), dgcp_array_msg_size(packet, 2),
      DGCP_OFFSET_ALIGN_16, static_cast<uint16_t>(2 * info->map_width)));
}

aud_bool_t arcp_204_rx_bundle_map_has_channel(const uint8_t *map, uint16_t map_width,
                                              uint16_t chan) {
  if (!map || chan == 0 || (chan - 1u) / 16u >= map_width) {
    return AUD_FALSE;
  }
  uint16_t word = dgcp_load16(map + 2 * ((chan - 1u) / 16u));
  return (word >> ((chan - 1u) % 16u)) & 1u ? AUD_TRUE : AUD_FALSE;
}

aud_error_t arcp_280_rx_channel_map_read(const dgcp_head *packet, dgcp_raw_offset_t offset,
                                         uint16_t lower, arcp_280_rx_channel_map_info *out) {
  uint16_t avail = 0;
  auto *p = static_cast<const uint8_t *>(
      dgcp_offset_resolve_sized(packet, offset, lower, 0, DGCP_OFFSET_ALIGN_16, 8, &avail));
  if (!p || !out) {
    return AUD_ERR_INVALIDDATA;
  }
  uint16_t start = dgcp_load16(p), nchan = dgcp_load16(p + 2);
  if (start == 0 && nchan == 0) {
    return AUD_ERR_DONE;
  }
  if ((nchan & 1) || 6u + nchan > avail) {
    return AUD_ERR_INVALIDDATA;
  }
  dgcp_raw_offset_t next = dgcp_load_raw_offset(p + 4);
  // A slice that links back to itself or an earlier one would make the walk
  // endless, so only a link past this slice's end is kept.
  if (next && ntohs(next) < ntohs(offset) + 6u + nchan) {
    return AUD_ERR_INVALIDDATA;
  }
  out->start_id = start;
  out->nchan = nchan;
  out->channel_slot = p + 6;
  out->next = next;
  return AUD_SUCCESS;
}

namespace {

aud_error_t write_280_or_204_common(dgcp_packet_buf *buf, const arcp_rx_bundle_desc *d,
                                    list_mark &mark, uint16_t bytes, uint8_t **out) {
  auto *entry = static_cast<uint8_t *>(dgcp_array_msg_buffer_alloc_entry(buf, 2));
  if (!entry) {
    return AUD_ERR_NOMEMORY;
  }
  void *mem = nullptr;
  dgcp_raw_offset_t off = dgcp_offset_allocate(buf, bytes, DGCP_OFFSET_ALIGN_32, &mem);
  if (!off) {
    return mark.undo(AUD_ERR_NOMEMORY);
  }
  memcpy(entry, &off, 2);
  auto *p = static_cast<uint8_t *>(mem);
  memset(p, 0, bytes);
  dgcp_store16(p, d->id);
  if (d->naddr || d->nslots) {
    arcp_channel_format_write_inline(p + 4, d->rate, d->encoding);
  }
  dgcp_store16(p + 12, d->naddr);
  *out = p;
  return AUD_SUCCESS;
}

}  // namespace

aud_error_t arcp_204_rx_bundle_write(dgcp_packet_buf *buf, const arcp_rx_bundle_desc *d) {
  if (!buf || !d || d->naddr > ARCP_FLOW_MAX_ADDRS || d->nslots > ARCP_FLOW_MAX_SLOTS ||
      d->map_width > ARCP_RX_FLOW_MAX_MAP_WIDTH || (d->nslots && d->map_width && !d->maps)) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  list_mark mark(buf);
  uint8_t *p = nullptr;
  uint16_t bytes = static_cast<uint16_t>(20 + 2 * (d->naddr + d->nslots));
  aud_error_t r = write_280_or_204_common(buf, d, mark, bytes, &p);
  if (r != AUD_SUCCESS) {
    return r;
  }
  dgcp_store16(p + 2, d->flags & ~ARCP_RX_BUNDLE_FLAG_MAP_28);
  dgcp_store16(p + 14, d->nslots);
  dgcp_store16(p + 16, d->map_width);
  if (write_addrs(buf, p + 18, d->naddr, d->addrs) != AUD_SUCCESS) {
    return mark.undo(AUD_ERR_NOMEMORY);
  }
  if (d->nslots && d->map_width) {
    // One zeroed block of nslots * map_width words; each slot points into it.
    void *mem = nullptr;
    dgcp_raw_offset_t maps = dgcp_offset_allocate(
        buf, static_cast<uint16_t>(2 * d->nslots * d->map_width), DGCP_OFFSET_ALIGN_16, &mem);
    if (!maps) {
      return mark.undo(AUD_ERR_NOMEMORY);
    }
    auto *m = static_cast<uint8_t *>(mem);
    for (unsigned i = 0; i < unsigned{d->nslots} * d->map_width; i++) {
      dgcp_store16(m + 2 * i, d->maps[i]);
    }
    for (unsigned s = 0; s < d->nslots; s++) {
      dgcp_store16(p + 18 + 2 * d->naddr + 2 * s,
                   static_cast<uint16_t>(ntohs(maps) + 2 * s * d->map_width));
    }
  }
  if (d->with_status) {
    void *mem = nullptr;
    dgcp_raw_offset_t st_off =
        dgcp_offset_allocate(buf, sizeof(arcp_rx_bundle_status), DGCP_OFFSET_ALIGN_32, &mem);
    if (!st_off) {
      return mark.undo(AUD_ERR_NOMEMORY);
    }
    auto *st = static_cast<uint8_t *>(mem);
    memset(st, 0, sizeof(arcp_rx_bundle_status));
    dgcp_store16(st, d->sub);
    dgcp_store16(st + 2, d->receiving);
    st[4] = sizeof(arcp_rx_bundle_status) / 2;
    dgcp_store32(st + 8, d->latency_ns);
    if (write_flow_class(buf, st + 12, d->flow_class, d->aes67) != AUD_SUCCESS) {
      return mark.undo(AUD_ERR_NOMEMORY);
    }
    memcpy(p + 18 + 2 * (d->naddr + d->nslots), &st_off, 2);
  }
  return AUD_SUCCESS;
}

aud_error_t arcp_280_rx_bundle_write(dgcp_packet_buf *buf, const arcp_rx_bundle_desc *d,
                                     uint16_t *out_chan_map_pos) {
  if (!buf || !d || d->naddr > ARCP_FLOW_MAX_ADDRS || d->nslots > ARCP_FLOW_MAX_SLOTS) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  list_mark mark(buf);
  uint8_t *p = nullptr;
  aud_error_t r = write_280_or_204_common(buf, d, mark, sizeof(arcp_280_rx_bundle), &p);
  if (r != AUD_SUCCESS) {
    return r;
  }
  dgcp_store16(p + 2, d->flags | ARCP_RX_BUNDLE_FLAG_MAP_28);
  if (write_addrs(buf, p + 18, d->naddr, d->addrs) != AUD_SUCCESS ||
      write_flow_class(buf, p + 28, d->flow_class, d->aes67) != AUD_SUCCESS) {
    return mark.undo(AUD_ERR_NOMEMORY);
  }
  dgcp_store32(p + 32, d->latency_ns);
  dgcp_store16(p + 36, d->nslots);
  dgcp_store32(p + 40, d->field_flags);
  dgcp_store16(p + 44, d->sub);
  dgcp_store16(p + 46, d->receiving);
  if (out_chan_map_pos) {
    *out_chan_map_pos = static_cast<uint16_t>(p + 38 - buf->packet);
  }
  return AUD_SUCCESS;
}

void arcp_util_rx_channel_map_init(arcp_util_rx_channel_map *map, uint16_t scratch_len,
                                   uint16_t link_pos) {
  memset(map, 0, sizeof *map);
  map->scratch_len = std::min<uint16_t>(scratch_len, ARCP_RX_CHANNEL_MAP_MAX_SCRATCH);
  map->link_pos = link_pos;
}

namespace {

aud_error_t close_slice(dgcp_packet_buf *buf, arcp_util_rx_channel_map *map) {
  uint16_t nchan = static_cast<uint16_t>((map->len + 1) & ~1u);
  void *mem = nullptr;
  dgcp_raw_offset_t off =
      dgcp_offset_allocate(buf, static_cast<uint16_t>(6 + nchan), DGCP_OFFSET_ALIGN_16, &mem);
  if (!off) {
    return AUD_ERR_NOMEMORY;
  }
  auto *p = static_cast<uint8_t *>(mem);
  dgcp_store16(p, map->start);
  dgcp_store16(p + 2, nchan);
  memset(p + 4, 0, 2);
  memset(p + 6, 0, nchan);
  memcpy(p + 6, map->scratch, map->len);
  if (map->link_pos + 2u <= dgcp_size(dgcp_packet_buf_head(buf))) {
    memcpy(buf->packet + map->link_pos, &off, 2);
  }
  map->link_pos = static_cast<uint16_t>(ntohs(off) + 4);
  map->start = 0;
  map->len = 0;
  return AUD_SUCCESS;
}

void open_slice(arcp_util_rx_channel_map *map, uint16_t channel, uint8_t slot) {
  memset(map->scratch, 0, sizeof map->scratch);
  map->start = channel;
  map->len = 1;
  map->scratch[0] = slot;
}

}  // namespace

aud_error_t arcp_util_rx_add_channel_map(dgcp_packet_buf *buf, arcp_util_rx_channel_map *map,
                                         uint16_t channel, uint8_t slot) {
  if (!buf || !map || channel == 0 || slot == 0 || map->scratch_len == 0) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  if (map->start == 0) {
    open_slice(map, channel, slot);
    return AUD_SUCCESS;
  }
  if (channel <= map->start) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  unsigned d = channel - map->start;
  if (d < map->scratch_len && static_cast<int>(d) - static_cast<int>(map->len) <= 7) {
    map->scratch[d] = slot;
    map->len = static_cast<uint16_t>(std::max<unsigned>(map->len, d + 1));
    return AUD_SUCCESS;
  }
  aud_error_t r = close_slice(buf, map);
  if (r != AUD_SUCCESS) {
    return r;
  }
  open_slice(map, channel, slot);
  return AUD_SUCCESS;
}

aud_error_t arcp_util_rx_channel_map_finish(dgcp_packet_buf *buf, arcp_util_rx_channel_map *map) {
  if (!buf || !map) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  return map->start ? close_slice(buf, map) : AUD_SUCCESS;
}
