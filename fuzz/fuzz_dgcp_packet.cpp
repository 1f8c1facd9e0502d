// Fuzzes the control packet layer's readers of a received datagram: the size
// check, array messages, properties, offset, string and array resolution and
// extensible chains, with offsets and bounds taken from the input itself.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "wire/dgcp/dgcp.h"
#include "wire/dgcp/dgcp_extensible.h"

namespace {

uint16_t take16(const uint8_t *data, size_t size, size_t at) {
  return at + 1 < size ? static_cast<uint16_t>(data[at] << 8 | data[at + 1]) : 0;
}

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
  uint16_t n = dgcp_size(p);
  unsigned sink = 0;
  unsigned count = dgcp_array_msg_count(p);
  for (unsigned i = 0; i <= count; i++) {
    for (uint16_t esize : {2, 4, 6, 8, 20}) {
      const void *e = dgcp_array_msg_entry_at_index(p, i, esize);
      if (e) sink += *static_cast<const uint8_t *>(e);
    }
    const void *d = dgcp_array_msg_offset_at_index(p, i, 4);
    if (d) sink += *static_cast<const uint8_t *>(d);
  }
  const dgcp_property *prop = dgcp_props_by_key(p, take16(data, size, 12));
  if (prop) {
    uint16_t len16 = 0;
    const char *s = dgcp_array_msg_buffer_get_string(p, dgcp_prop_offset(prop), 4, &len16);
    if (s) sink += strlen(s) == len16;
  }
  // Offsets, bounds and alignments from the input, against every resolver.
  for (size_t at = 10; at + 5 < n && at < 64; at += 2) {
    dgcp_raw_offset_t off;
    memcpy(&off, data + at, 2);
    uint16_t lower = data[at + 2];
    uint16_t upper = take16(data, size, at + 3);
    auto align = static_cast<dgcp_offset_align_t>(data[at + 2] & 3);
    uint16_t avail = 0;
    const void *r = dgcp_offset_resolve_sized(p, off, lower, upper, align, data[at + 4], &avail);
    if (r) sink += static_cast<const uint8_t *>(r)[avail - 1];
    uint16_t slen = 0;
    const char *s = dgcp_get_string(p, off, lower, upper, &slen);
    if (s) sink += strlen(s) == slen;
    s = dgcp_offset_resolve_str_len(p, off, lower, &slen);
    if (s) sink += strlen(s) == slen;
    const dgcp_array *a = dgcp_offset_array_resolve(p, off, lower);
    if (a) {
      for (unsigned i = 0; i < a->_count; i++) sink += dgcp_offset_array_slot(a, i);
      const dgcp_extensible_data *ed =
          dgcp_offset_array_resolve_extensible_element(p, a, 0, align, 2);
      if (ed) sink += ed->_size;
    }
    const dgcp_extensible_data *ed =
        dgcp_extensible_data_resolve(p, off, lower, align, data[at + 4]);
    if (ed) {
      const dgcp_extensible_data *segs[DGCP_EXTENSIBLE_DATA_MAX_SEGMENTS_PER_CHAIN];
      unsigned k =
          dgcp_extensible_data_get_segments(ed, segs, DGCP_EXTENSIBLE_DATA_MAX_SEGMENTS_PER_CHAIN);
      for (unsigned i = 0; i < k; i++) {
        dgcp_extensible_data_seg_info info{};
        if (dgcp_extensible_data__get_seg_info(segs[i], &info) == AUD_SUCCESS) sink += info.seg_id;
        // The last byte a reader may touch, through _size.
        sink += reinterpret_cast<const uint8_t *>(segs[i])[segs[i]->_size * 2 - 1];
      }
    }
  }
  g_sink = sink;
  return 0;
}
