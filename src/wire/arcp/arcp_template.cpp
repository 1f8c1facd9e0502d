// ARCP receive flow templates.
#include "wire/arcp/arcp_template.h"

#include <cstring>

#include "wire/dgcp/dgcp_bytes.h"

aud_error_t arcp_rx_templates_read(const dgcp_head *packet, arcp_rx_templates_info *out) {
  if (!packet || !out || dgcp_size(packet) < sizeof(arcp_rx_templates_msg)) {
    return AUD_ERR_INVALIDDATA;
  }
  auto *t = &reinterpret_cast<const arcp_rx_templates_msg *>(packet)->templates;
  if (t->head._size * 2u < sizeof(arcp_rx_templates) ||
      DGCP_HEAD_SIZE + t->head._size * 2u > dgcp_size(packet)) {
    return AUD_ERR_INVALIDDATA;
  }
  out->flows = t->_flows;
  out->chans = t->_chans;
  out->changed = t->_changed;
  return AUD_SUCCESS;
}

aud_error_t arcp_rx_template_flow_read(const dgcp_head *packet, dgcp_raw_offset_t offset,
                                       uint16_t lower, arcp_rx_template_flow_info *out) {
  const dgcp_extensible_data *ed =
      dgcp_extensible_data_resolve(packet, offset, lower, DGCP_OFFSET_ALIGN_16, 6);
  if (!ed || !out) {
    return AUD_ERR_INVALIDDATA;
  }
  const uint8_t *p = reinterpret_cast<const uint8_t *>(ed);
  arcp_rx_template_flow_info f{};
  f.end = static_cast<uint16_t>(ntohs(offset) + ed->_size * 2u);
  f.id = dgcp_load16(p + 2);
  f.next = dgcp_load_raw_offset(p + 4);
  if (f.next && ntohs(f.next) < f.end) {
    return AUD_ERR_INVALIDDATA;
  }
  // Names and the interface list lie behind the record.
  uint16_t data_lower = lower;
  if (dgcp_extensible_data_has(ed, 8)) f.chans = dgcp_load_raw_offset(p + 6);
  if (dgcp_extensible_data_has(ed, 12)) f.flags = dgcp_load32(p + 8);
  if (dgcp_extensible_data_has(ed, 16)) f.manual_flags = dgcp_load32(p + 12);
  if (dgcp_extensible_data_has(ed, 18))
    f.name = dgcp_get_string(packet, dgcp_load_raw_offset(p + 16), data_lower, 0, nullptr);
  if (dgcp_extensible_data_has(ed, 20))
    f.tx_flowname = dgcp_get_string(packet, dgcp_load_raw_offset(p + 18), data_lower, 0, nullptr);
  if (dgcp_extensible_data_has(ed, 22))
    f.tx_device = dgcp_get_string(packet, dgcp_load_raw_offset(p + 20), data_lower, 0, nullptr);
  if (dgcp_extensible_data_has(ed, 24)) f.nslots = dgcp_load16(p + 22);
  if (dgcp_extensible_data_has(ed, 32)) arcp_channel_format_read_inline(p + 24, &f.format);
  if (dgcp_extensible_data_has(ed, 36)) f.latency_ns = dgcp_load32(p + 32);
  if (dgcp_extensible_data_has(ed, 38)) f.fpp_goal = dgcp_load16(p + 36);
  if (dgcp_extensible_data_has(ed, 40)) f.fpp = dgcp_load16(p + 38);
  if (dgcp_extensible_data_has(ed, 42)) f.status = p[41];
  if (f.nslots > ARCP_FLOW_MAX_SLOTS) {
    return AUD_ERR_INVALIDDATA;
  }
  if (dgcp_extensible_data_has(ed, 44)) {
    uint16_t avail = 0;
    auto *intf = static_cast<const uint8_t *>(dgcp_offset_resolve_sized(
        packet, dgcp_load_raw_offset(p + 42), data_lower, 0, DGCP_OFFSET_ALIGN_16, 2, &avail));
    if (intf) {
      unsigned count = intf[1];
      if (2u + 4u * count > avail) {
        return AUD_ERR_INVALIDDATA;
      }
      f.n_intf = intf[1];
      for (unsigned i = 0; i < count && i < ARCP_FLOW_MAX_ADDRS; i++) {
        f.intf_status[i] = intf[2 + 4 * i];
        f.addrs[i] =
            arcp_sockaddr_resolve(packet, dgcp_load_raw_offset(intf + 2 + 4 * i + 2), data_lower);
      }
    }
  }
  *out = f;
  return AUD_SUCCESS;
}

aud_error_t arcp_rx_template_channels_read(const dgcp_head *packet, dgcp_raw_offset_t offset,
                                           uint16_t lower, arcp_rx_template_channels_info *out) {
  uint16_t avail = 0;
  auto *p = static_cast<const uint8_t *>(dgcp_offset_resolve_sized(
      packet, offset, lower, 0, DGCP_OFFSET_ALIGN_16, sizeof(arcp_rx_template_channels), &avail));
  if (!p || !out) {
    return AUD_ERR_INVALIDDATA;
  }
  arcp_rx_template_channels_info b{};
  b.id = dgcp_load16(p);
  b.next = dgcp_load_raw_offset(p + 2);
  b.nchan = p[4];
  unsigned bytes = sizeof(arcp_rx_template_channels) + sizeof(arcp_rx_template_channel) * b.nchan;
  if (b.nchan > ARCP_RX_TEMPLATE_MAX_CHANNELS || bytes > avail) {
    return AUD_ERR_INVALIDDATA;
  }
  b.end = static_cast<uint16_t>(ntohs(offset) + bytes);
  if (b.next && ntohs(b.next) < b.end) {
    return AUD_ERR_INVALIDDATA;
  }
  b.entries =
      reinterpret_cast<const arcp_rx_template_channel *>(p + sizeof(arcp_rx_template_channels));
  *out = b;
  return AUD_SUCCESS;
}

aud_error_t arcp_rx_template_channel_at(const dgcp_head *packet,
                                        const arcp_rx_template_channels_info *block, unsigned index,
                                        uint16_t lower, arcp_rx_template_channel_info *out) {
  if (!block || !out || index >= block->nchan || !block->entries) {
    return AUD_ERR_INVALIDDATA;
  }
  const arcp_rx_template_channel &e = block->entries[index];
  out->id = ntohs(e._id);
  out->status = e._status;
  out->slot = ntohs(e._slot);
  out->sub = dgcp_get_string(packet, e._sub, lower, 0, nullptr);
  return AUD_SUCCESS;
}

aud_error_t arcp_rx_templates_init(dgcp_packet_buf *buf, dgcp_version_t version, uint16_t seqnum,
                                   uint16_t opcode, arcp_rx_templates_writer *writer) {
  if (!buf || !writer) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  arcp_msg_head_init_vers(dgcp_packet_buf_head(buf), version, seqnum, opcode);
  if (!dgcp_set_msg_size(buf, sizeof(arcp_rx_templates_msg))) {
    return AUD_ERR_NOMEMORY;
  }
  memset(buf->packet + DGCP_HEAD_SIZE, 0, sizeof(arcp_rx_templates));
  buf->packet[DGCP_HEAD_SIZE] = sizeof(arcp_rx_templates) / 2;
  writer->link_pos =
      offsetof(arcp_rx_templates_msg, templates) + offsetof(arcp_rx_templates, _flows);
  return AUD_SUCCESS;
}

aud_error_t arcp_rx_template_flow_write(dgcp_packet_buf *buf, arcp_rx_templates_writer *writer,
                                        const arcp_rx_template_flow_desc *d,
                                        arcp_util_labels *labels) {
  if (!buf || !writer || !d || d->nchan > ARCP_RX_TEMPLATE_MAX_CHANNELS ||
      d->n_intf > ARCP_FLOW_MAX_ADDRS || (d->nchan && !d->chans)) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  const uint16_t size = dgcp_size(dgcp_packet_buf_head(buf));
  const uint16_t n_labels = labels ? labels->n : 0;
  auto undo = [&](aud_error_t r) {
    dgcp_set_size(dgcp_packet_buf_head(buf), size);
    if (labels) labels->n = n_labels;
    return r;
  };
  void *mem = nullptr;
  dgcp_raw_offset_t flow_off =
      dgcp_offset_allocate(buf, sizeof(arcp_rx_template_flow), DGCP_OFFSET_ALIGN_32, &mem);
  if (!flow_off) return undo(AUD_ERR_NOMEMORY);
  auto *f = static_cast<uint8_t *>(mem);
  memset(f, 0, sizeof(arcp_rx_template_flow));
  f[0] = sizeof(arcp_rx_template_flow) / 2;
  dgcp_store16(f + 2, d->id);
  dgcp_store32(f + 8, d->flags);
  dgcp_store32(f + 12, d->manual_flags);
  dgcp_store16(f + 22, d->nslots);
  arcp_channel_format_write_inline(f + 24, d->rate, d->encoding);
  dgcp_store32(f + 32, d->latency_ns);
  dgcp_store16(f + 36, d->fpp_goal);
  dgcp_store16(f + 38, d->fpp);
  f[41] = d->status;
  const char *names[3] = {d->name, d->tx_flowname, d->tx_device};
  for (unsigned i = 0; i < 3; i++) {
    if (!names[i] || !names[i][0]) continue;
    dgcp_raw_offset_t o = arcp_util_labels_write(buf, labels, names[i]);
    if (!o) return undo(AUD_ERR_NOMEMORY);
    memcpy(f + 16 + 2 * i, &o, 2);
  }
  if (d->n_intf) {
    dgcp_raw_offset_t intf_off = dgcp_offset_allocate(buf, static_cast<uint16_t>(2 + 4 * d->n_intf),
                                                      DGCP_OFFSET_ALIGN_16, &mem);
    if (!intf_off) return undo(AUD_ERR_NOMEMORY);
    auto *intf = static_cast<uint8_t *>(mem);
    memset(intf, 0, 2 + 4 * d->n_intf);
    intf[1] = d->n_intf;
    for (unsigned i = 0; i < d->n_intf; i++) {
      intf[2 + 4 * i] = d->intf_status[i];
      if (d->addrs[i].addr_be) {
        dgcp_raw_offset_t a = arcp_sockaddr_alloc_ipv4(buf, d->addrs[i].addr_be, d->addrs[i].port);
        if (!a) return undo(AUD_ERR_NOMEMORY);
        memcpy(intf + 4 + 4 * i, &a, 2);
      }
    }
    memcpy(f + 42, &intf_off, 2);
  }
  if (d->nchan) {
    uint16_t bytes = static_cast<uint16_t>(sizeof(arcp_rx_template_channels) +
                                           sizeof(arcp_rx_template_channel) * d->nchan);
    dgcp_raw_offset_t block_off = dgcp_offset_allocate(buf, bytes, DGCP_OFFSET_ALIGN_16, &mem);
    if (!block_off) return undo(AUD_ERR_NOMEMORY);
    auto *b = static_cast<uint8_t *>(mem);
    memset(b, 0, bytes);
    dgcp_store16(b, d->id);
    b[4] = static_cast<uint8_t>(d->nchan);
    for (unsigned i = 0; i < d->nchan; i++) {
      uint8_t *e = b + sizeof(arcp_rx_template_channels) + sizeof(arcp_rx_template_channel) * i;
      dgcp_store16(e, d->chans[i].id);
      e[3] = d->chans[i].status;
      dgcp_store16(e + 4, d->chans[i].slot);
      if (d->chans[i].sub && d->chans[i].sub[0]) {
        dgcp_raw_offset_t o = arcp_util_labels_write(buf, labels, d->chans[i].sub);
        if (!o) return undo(AUD_ERR_NOMEMORY);
        memcpy(e + 6, &o, 2);
      }
    }
    memcpy(f + 6, &block_off, 2);
  }
  // Link last, so that a flow taken back was never reachable.
  memcpy(buf->packet + writer->link_pos, &flow_off, 2);
  writer->link_pos =
      static_cast<uint16_t>(ntohs(flow_off) + offsetof(arcp_rx_template_flow, _next));
  return AUD_SUCCESS;
}
