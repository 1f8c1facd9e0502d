#include "conmon/messages/conmon_aurelian_status.h"

#include <cstring>

#include "conmon/messages/conmon_bytes.h"

namespace {

typedef conmon_aurelian_clocking_status_t clk_t;
typedef conmon_aurelian_clocking_status_0_1_0_t clk010_t;
typedef conmon_aurelian_clocking_status_ext_t ext_t;
typedef conmon_aurelian_clocking_status_ext_table_t table_t;
typedef conmon_aurelian_clocking_status_ext2_data_t ext2_t;
typedef conmon_aurelian_clocking_status_ext3_data_t ext3_t;
typedef conmon_aurelian_port_status_ext2_t port2_t;
typedef conmon_aurelian_port_status_ext3_t port3_t;

// Field readers that give 0 for anything not wholly inside the body.
uint8_t rd8(const uint8_t *body, size_t len, size_t off) {
  return body && conmon_span_fits(len, off, 1) ? body[off] : 0;
}
uint16_t rd16(const uint8_t *body, size_t len, size_t off) {
  return body && conmon_span_fits(len, off, 2) ? conmon_load_be16(body + off) : 0;
}
uint32_t rd32(const uint8_t *body, size_t len, size_t off) {
  return body && conmon_span_fits(len, off, 4) ? conmon_load_be32(body + off) : 0;
}
uint16_t version(const uint8_t *body, size_t len) {
  return conmon_aurelian_message_get_version(body, len);
}
const uint8_t *span(const uint8_t *body, size_t len, size_t off, size_t n) {
  return body && conmon_span_fits(len, off, n) ? body + off : nullptr;
}
// A fixed text field: null when outside the body, empty or not terminated within it.
const char *text_field(const uint8_t *body, size_t len, size_t off, size_t n) {
  const uint8_t *p = span(body, len, off, n);
  if (!p || p[0] == 0 || !std::memchr(p, 0, n)) return nullptr;
  return reinterpret_cast<const char *>(p);
}
// A 16-byte name that need not be terminated: copied into out with a NUL.
const char *name16(const uint8_t *body, size_t len, size_t off, char out[17]) {
  const uint8_t *p = span(body, len, off, 16);
  if (!p || p[0] == 0) return nullptr;
  size_t n = strnlen(reinterpret_cast<const char *>(p), 16);
  std::memcpy(out, p, n);
  out[n] = 0;
  return out;
}

// ---- clocking layout ----

bool clocking_is_0_1_0(const uint8_t *body, size_t len) {
  return version(body, len) < CONMON_AURELIAN_MESSAGE_VERSION_0_2_0;
}

// Offset of the extension block, 0 when there is none.
size_t clocking_ext(const uint8_t *body, size_t len) {
  if (version(body, len) < CONMON_AURELIAN_MESSAGE_VERSION_0_4_0) return 0;
  size_t off = rd16(body, len, offsetof(clk_t, ext_offset_bytes));
  if (off == 0 || !conmon_span_fits(len, off, sizeof(ext_t))) return 0;
  return off;
}

// The extension table's entries: ext2 and ext3 data offsets, 0 when absent.
struct ext_table {
  size_t ext2;
  size_t ext3;
};

ext_table clocking_ext_table(const uint8_t *body, size_t len) {
  ext_table t = {0, 0};
  size_t ext = clocking_ext(body, len);
  if (ext == 0 || version(body, len) < CONMON_AURELIAN_MESSAGE_VERSION_0_7_28) return t;
  size_t table = ext + sizeof(ext_t);
  // The ext2 entry (first 8 bytes of the table) must lie in the body.
  if (!conmon_span_fits(len, table, offsetof(table_t, ext3_offset))) return t;
  size_t e2 = conmon_load_be16(body + table + offsetof(table_t, ext2_offset));
  size_t e2len = conmon_load_be16(body + table + offsetof(table_t, ext2_length));
  if (e2 != 0 && e2len != 0 && conmon_span_fits(len, e2, sizeof(ext2_t))) t.ext2 = e2;
  size_t table_len = conmon_load_be16(body + table + offsetof(table_t, table_length));
  if (table_len >= sizeof(table_t) && conmon_span_fits(len, table, sizeof(table_t))) {
    size_t e3 = conmon_load_be16(body + table + offsetof(table_t, ext3_offset));
    size_t e3len = conmon_load_be16(body + table + offsetof(table_t, ext3_length));
    if (e3 != 0 && e3len != 0 && conmon_span_fits(len, e3, sizeof(ext3_t))) t.ext3 = e3;
  }
  return t;
}

uint16_t ext16(const uint8_t *body, size_t len, size_t field) {
  size_t ext = clocking_ext(body, len);
  return ext ? conmon_load_be16(body + ext + field) : 0;
}

bool ext_flag(const uint8_t *body, size_t len, uint16_t flag) {
  return (ext16(body, len, offsetof(ext_t, flags)) & flag) != 0;
}

const conmon_aurelian_clock_uuid_t *uuid_at(const uint8_t *body, size_t len, size_t off) {
  if (clocking_is_0_1_0(body, len)) return nullptr;
  return reinterpret_cast<const conmon_aurelian_clock_uuid_t *>(span(body, len, off, 8));
}

const conmon_aurelian_clock_uuid_t *v2_uuid(const uint8_t *body, size_t len, uint16_t flag,
                                            size_t field) {
  if (version(body, len) < CONMON_AURELIAN_MESSAGE_VERSION_0_7_46) return nullptr;
  size_t e3 = clocking_ext_table(body, len).ext3;
  if (e3 == 0 || !(conmon_load_be16(body + e3 + offsetof(ext3_t, ext3_flags)) & flag)) {
    return nullptr;
  }
  return reinterpret_cast<const conmon_aurelian_clock_uuid_t *>(body + e3 + field);
}

// ---- rate status layout ----

uint16_t rate_count(const uint8_t *body, size_t len) {
  uint16_t off = rd16(body, len, offsetof(conmon_aurelian_srate_status_t, avail_offset));
  uint16_t count = rd16(body, len, offsetof(conmon_aurelian_srate_status_t, avail_count));
  if (count == 0 || off == 0 || off % 4 != 0) return 0;
  return count;
}

uint32_t rate_entry(const uint8_t *body, size_t len, uint16_t index) {
  if (index >= rate_count(body, len)) return 0;
  size_t off = rd16(body, len, offsetof(conmon_aurelian_srate_status_t, avail_offset));
  return rd32(body, len, off + 4 * static_cast<size_t>(index));
}

uint16_t rate_mode(const uint8_t *body, size_t len) {
  if (version(body, len) < CONMON_AURELIAN_MESSAGE_VERSION_0_5_1) return CONMON_SRATE_MODE_REBOOT;
  return rd16(body, len, offsetof(conmon_aurelian_srate_status_t, mode));
}

// ---- interface status layout ----

constexpr size_t kIfFirst = sizeof(conmon_aurelian_interface_status_t);
constexpr size_t kIfSize = sizeof(conmon_aurelian_interface_t);

// Offset of the status2 block, 0 when it lies beyond the body.
size_t interface_status2(const uint8_t *body, size_t len) {
  size_t num = rd16(body, len, offsetof(conmon_aurelian_interface_status_t, num_networks));
  size_t off = kIfFirst + num * kIfSize;
  return conmon_span_fits(len, off, sizeof(conmon_aurelian_interface_status2_t)) ? off : 0;
}

// Index of an interface record pointer within this body; -1 when it is not one.
long interface_index(const conmon_aurelian_interface_t *iface, const uint8_t *body, size_t len) {
  if (!iface || !body) return -1;
  const uint8_t *p = reinterpret_cast<const uint8_t *>(iface);
  if (p < body + kIfFirst || p >= body + len) return -1;
  size_t rel = static_cast<size_t>(p - body) - kIfFirst;
  if (rel % kIfSize != 0) return -1;
  size_t index = rel / kIfSize;
  if (index >= rd16(body, len, offsetof(conmon_aurelian_interface_status_t, num_networks))) {
    return -1;
  }
  return static_cast<long>(index);
}

// Offset of a field of the interface's second record, 0 when the record or the field
// is missing: the field must lie within the declared record size and the body.
size_t interface2_field(const conmon_aurelian_interface_t *iface, const uint8_t *body, size_t len,
                        size_t field, size_t n) {
  long index = interface_index(iface, body, len);
  size_t s2 = interface_status2(body, len);
  if (index < 0 || s2 == 0) return 0;
  size_t rsize =
      conmon_load_be16(body + s2 + offsetof(conmon_aurelian_interface_status2_t, interface2_size));
  size_t roff = conmon_load_be16(body + s2 +
                                 offsetof(conmon_aurelian_interface_status2_t, interface2_offset));
  if (rsize == 0 || roff == 0 || field + n > rsize) return 0;
  size_t off = roff + static_cast<size_t>(index) * rsize + field;
  return conmon_span_fits(len, off, n) ? off : 0;
}

const char *interface2_name(const conmon_aurelian_interface_t *iface, const uint8_t *body,
                            size_t len, size_t field) {
  if (version(body, len) < CONMON_AURELIAN_MESSAGE_VERSION_0_7_11) return nullptr;
  size_t off = interface2_field(iface, body, len, field, 2);
  if (off == 0) return nullptr;
  return conmon_aurelian_message_read_string(body, len, off);
}

uint32_t iface_raw32(const conmon_aurelian_interface_t *iface, size_t field) {
  return iface ? conmon_load_raw32(reinterpret_cast<const uint8_t *>(iface) + field) : 0;
}

// ---- versions ----

uint32_t since32(const uint8_t *body, size_t len, uint16_t min_version, size_t off) {
  return version(body, len) >= min_version ? rd32(body, len, off) : 0;
}

aud_error_t version_build(const uint8_t *body, size_t len, size_t version_off, size_t build_off,
                          delos_version_t *v, uint32_t *build) {
  if (!body || !conmon_span_fits(len, version_off, 4)) return AUD_ERR_TRUNCATED;
  if (v) conmon_aurelian_version_from_uint32(conmon_load_be32(body + version_off), v);
  if (build) *build = since32(body, len, CONMON_AURELIAN_MESSAGE_VERSION_0_7_1, build_off);
  return AUD_SUCCESS;
}

typedef conmon_aurelian_versions_status_t vers_t;
typedef conmon_aurelian_manf_versions_status_t manf_t;
typedef conmon_aurelian_upgrade_status_msg_t upg_t;
typedef conmon_aurelian_upgrade_msg_file_info_t finfo_t;

}  // namespace

// ---- Clocking status ----

uint16_t conmon_aurelian_clocking_status_get_clock_state(const uint8_t *body, size_t len) {
  return rd16(body, len, offsetof(clk_t, clock_state));
}
uint16_t conmon_aurelian_clocking_status_get_servo_state(const uint8_t *body, size_t len) {
  return rd16(body, len, offsetof(clk_t, servo_state));
}
uint16_t conmon_aurelian_clocking_status_get_clock_source(const uint8_t *body, size_t len) {
  return rd16(body, len, offsetof(clk_t, clock_source));
}
aud_bool_t conmon_aurelian_clocking_status_is_clock_preferred(const uint8_t *body, size_t len) {
  return rd8(body, len, offsetof(clk_t, clock_preferred)) ? AUD_TRUE : AUD_FALSE;
}
uint8_t conmon_aurelian_clocking_status_get_clock_stratum(const uint8_t *body, size_t len) {
  return rd8(body, len, offsetof(clk_t, clock_stratum));
}
int32_t conmon_aurelian_clocking_status_get_drift(const uint8_t *body, size_t len) {
  return static_cast<int32_t>(rd32(body, len, offsetof(clk_t, drift)));
}
const conmon_aurelian_clock_uuid_t *conmon_aurelian_clocking_status_get_uuid(const uint8_t *body,
                                                                             size_t len) {
  return uuid_at(body, len, offsetof(clk_t, uuid));
}
const conmon_aurelian_clock_uuid_t *conmon_aurelian_clocking_status_get_master_uuid(
    const uint8_t *body, size_t len) {
  return uuid_at(body, len, offsetof(clk_t, master_uuid));
}
const conmon_aurelian_clock_uuid_t *conmon_aurelian_clocking_status_get_grandmaster_uuid(
    const uint8_t *body, size_t len) {
  return uuid_at(body, len, offsetof(clk_t, grandmaster_uuid));
}
int32_t conmon_aurelian_clocking_status_get_max_drift(const uint8_t *body, size_t len) {
  size_t ext = clocking_ext(body, len);
  return ext ? static_cast<int32_t>(conmon_load_be32(body + ext + offsetof(ext_t, max_drift))) : 0;
}
uint16_t conmon_aurelian_clocking_status_get_capabilities(const uint8_t *body, size_t len) {
  return ext16(body, len, offsetof(ext_t, capabilities));
}
uint16_t conmon_aurelian_clocking_status_get_subdomain_index(const uint8_t *body, size_t len) {
  return ext16(body, len, offsetof(ext_t, subdomain_index));
}
const char *conmon_aurelian_clocking_status_get_subdomain_name(const uint8_t *body, size_t len,
                                                               char name[17]) {
  size_t ext = clocking_ext(body, len);
  if (ext == 0 || !name) return nullptr;
  return name16(body, len, ext + offsetof(ext_t, subdomain_name), name);
}
aud_bool_t conmon_aurelian_clocking_status_get_unicast_delay_requests(const uint8_t *body,
                                                                      size_t len) {
  uint16_t v = version(body, len);
  if (v < CONMON_AURELIAN_MESSAGE_VERSION_0_6_3 || v > CONMON_AURELIAN_MESSAGE_VERSION_0_7_30) {
    return AUD_FALSE;
  }
  return ext_flag(body, len, CONMON_AURELIAN_CLOCKING_FLAG_UNICAST_DELAY_REQUESTS_DEPRECATED);
}
aud_bool_t conmon_aurelian_clocking_status_get_multicast_ports_enabled(const uint8_t *body,
                                                                       size_t len) {
  if (version(body, len) < CONMON_AURELIAN_MESSAGE_VERSION_0_6_11 || !clocking_ext(body, len)) {
    return AUD_TRUE;
  }
  return ext_flag(body, len, CONMON_AURELIAN_CLOCKING_FLAG_MULTICAST_PORTS_ENABLED);
}
aud_bool_t conmon_aurelian_clocking_status_get_slave_only_enabled(const uint8_t *body, size_t len) {
  if (version(body, len) < CONMON_AURELIAN_MESSAGE_VERSION_0_7_23) return AUD_FALSE;
  return ext_flag(body, len, CONMON_AURELIAN_CLOCKING_FLAG_SLAVE_ONLY_ENABLED);
}
aud_bool_t conmon_aurelian_clocking_status_is_preferred_locked(const uint8_t *body, size_t len) {
  if (version(body, len) < CONMON_AURELIAN_MESSAGE_VERSION_0_7_46) return AUD_FALSE;
  return ext_flag(body, len, CONMON_AURELIAN_CLOCKING_FLAG_PREFERRED_LOCKED);
}
uint16_t conmon_aurelian_clocking_status_get_mute_flags(const uint8_t *body, size_t len) {
  if (version(body, len) < CONMON_AURELIAN_MESSAGE_VERSION_0_7_4) return 0;
  return ext16(body, len, offsetof(ext_t, mute_flags));
}
uint16_t conmon_aurelian_clocking_status_get_ext_wc_state(const uint8_t *body, size_t len) {
  if (version(body, len) < CONMON_AURELIAN_MESSAGE_VERSION_0_7_5) {
    return CONMON_EXTERNAL_WC_STATE_UNKNOWN;
  }
  return ext16(body, len, offsetof(ext_t, wc_valid));
}
uint16_t conmon_aurelian_clocking_status_num_ports(const uint8_t *body, size_t len) {
  if (clocking_is_0_1_0(body, len)) return rd16(body, len, offsetof(clk010_t, num_ports));
  return rd16(body, len, offsetof(clk_t, num_ports));
}
const conmon_aurelian_port_status_t *conmon_aurelian_clocking_status_port_at_index(
    const uint8_t *body, size_t len, uint16_t index) {
  if (index >= conmon_aurelian_clocking_status_num_ports(body, len)) return nullptr;
  size_t first = clocking_is_0_1_0(body, len) ? sizeof(clk010_t) : sizeof(clk_t);
  size_t off = first + sizeof(conmon_aurelian_port_status_t) * static_cast<size_t>(index);
  return reinterpret_cast<const conmon_aurelian_port_status_t *>(
      span(body, len, off, sizeof(conmon_aurelian_port_status_t)));
}
uint16_t conmon_aurelian_port_status_get_port_state(const conmon_aurelian_port_status_t *port) {
  return port ? conmon_load_be16(reinterpret_cast<const uint8_t *>(port)) : 0;
}
uint16_t conmon_aurelian_clocking_status_total_num_ports(const uint8_t *body, size_t len) {
  size_t e2 = clocking_ext_table(body, len).ext2;
  return e2 ? conmon_load_be16(body + e2 + offsetof(ext2_t, num_ports)) : 0;
}
const conmon_aurelian_port_status_ext2_t *conmon_aurelian_port_status_ext2_get_port_at_index(
    const uint8_t *body, size_t len, uint16_t index) {
  size_t e2 = clocking_ext_table(body, len).ext2;
  if (e2 == 0 || index >= conmon_load_be16(body + e2 + offsetof(ext2_t, num_ports))) {
    return nullptr;
  }
  size_t first = conmon_load_be16(body + e2 + offsetof(ext2_t, ext2_port_status_offset));
  if (first == 0) return nullptr;
  size_t off = first + sizeof(port2_t) * static_cast<size_t>(index);
  return reinterpret_cast<const port2_t *>(span(body, len, off, sizeof(port2_t)));
}
const conmon_aurelian_port_status_ext3_t *conmon_aurelian_port_status_ext3_get_port_at_index(
    const uint8_t *body, size_t len, uint16_t index) {
  size_t e3 = clocking_ext_table(body, len).ext3;
  if (e3 == 0 || index >= conmon_load_be16(body + e3 + offsetof(ext3_t, num_ports))) {
    return nullptr;
  }
  size_t first = conmon_load_be16(body + e3 + offsetof(ext3_t, ext3_port_status_offset));
  size_t size = conmon_load_be16(body + e3 + offsetof(ext3_t, ext3_port_status_size));
  // Records shorter than their two fields would overlap the next one.
  if (first == 0 || size < sizeof(port3_t)) return nullptr;
  size_t off = first + size * static_cast<size_t>(index);
  return reinterpret_cast<const port3_t *>(span(body, len, off, sizeof(port3_t)));
}

namespace {
const uint8_t *p2(const conmon_aurelian_port_status_ext2_t *p) {
  return reinterpret_cast<const uint8_t *>(p);
}
}  // namespace

uint16_t conmon_aurelian_clocking_status_get_port_state(
    const conmon_aurelian_port_status_ext2_t *p) {
  return p ? conmon_load_be16(p2(p) + offsetof(port2_t, port_state)) : 0;
}
uint8_t conmon_aurelian_clocking_status_get_port_path_type(
    const conmon_aurelian_port_status_ext2_t *p) {
  return p ? p2(p)[offsetof(port2_t, castness)] : 0;
}
uint8_t conmon_aurelian_clocking_status_get_port_transport_layer(
    const conmon_aurelian_port_status_ext2_t *p) {
  return p ? p2(p)[offsetof(port2_t, transport_layer)] : 0;
}
uint8_t conmon_aurelian_clocking_status_get_port_ptp_version(
    const conmon_aurelian_port_status_ext2_t *p) {
  return p ? p2(p)[offsetof(port2_t, ptp_version)] : 0;
}
uint16_t conmon_aurelian_clocking_status_get_port_id(const conmon_aurelian_port_status_ext2_t *p) {
  return p ? conmon_load_be16(p2(p) + offsetof(port2_t, port_id)) : 0;
}
uint32_t conmon_aurelian_clocking_status_get_port_interface_index(
    const conmon_aurelian_port_status_ext2_t *p) {
  return p ? conmon_load_be32(p2(p) + offsetof(port2_t, interface_index)) : 0;
}
uint16_t conmon_aurelian_clocking_status_get_port_flags(
    const conmon_aurelian_port_status_ext2_t *p) {
  return p ? conmon_load_be16(p2(p) + offsetof(port2_t, flags)) : 0;
}
uint16_t conmon_aurelian_clocking_status_get_port_network_index(
    const uint8_t *body, size_t len, const conmon_aurelian_port_status_ext3_t *p) {
  if (!p || version(body, len) < CONMON_AURELIAN_MESSAGE_VERSION_0_7_38) return 0xFFFF;
  const uint8_t *b = reinterpret_cast<const uint8_t *>(p);
  if (!(conmon_load_be16(b + offsetof(port3_t, valid_fields)) & 1)) return 0xFFFF;
  return conmon_load_be16(b + offsetof(port3_t, network_index));
}
aud_error_t conmon_aurelian_clocking_status_get_v2_domain_number(const uint8_t *body, size_t len,
                                                                 uint8_t *number) {
  if (!number) return AUD_ERR_INVALIDPARAMETER;
  size_t ext = clocking_ext(body, len);
  if (version(body, len) < CONMON_AURELIAN_MESSAGE_VERSION_0_7_40 || ext == 0 ||
      !ext_flag(body, len, CONMON_AURELIAN_CLOCKING_FLAG_PTP_V2_DOMAIN_IS_VALID)) {
    return AUD_ERR_NOTFOUND;
  }
  *number = body[ext + offsetof(ext_t, v2_domain_number)];
  return AUD_SUCCESS;
}
const conmon_aurelian_clock_uuid_t *conmon_aurelian_clocking_status_get_v2_uuid(const uint8_t *body,
                                                                                size_t len) {
  return v2_uuid(body, len, CONMON_AURELIAN_CLOCKING_EXT3_FLAG__CLOCK_ID, offsetof(ext3_t, uuid));
}
const conmon_aurelian_clock_uuid_t *conmon_aurelian_clocking_status_get_v2_master_uuid(
    const uint8_t *body, size_t len) {
  return v2_uuid(body, len, CONMON_AURELIAN_CLOCKING_EXT3_FLAG__MASTER_ID,
                 offsetof(ext3_t, master_uuid));
}
const conmon_aurelian_clock_uuid_t *conmon_aurelian_clocking_status_get_v2_grandmaster_uuid(
    const uint8_t *body, size_t len) {
  return v2_uuid(body, len, CONMON_AURELIAN_CLOCKING_EXT3_FLAG__GRANDMASTER_ID,
                 offsetof(ext3_t, gm_uuid));
}

// ---- Sample rate, encoding, pull-up ----

uint16_t conmon_aurelian_srate_get_mode(const uint8_t *body, size_t len) {
  return rate_mode(body, len);
}
uint32_t conmon_aurelian_srate_get_current(const uint8_t *body, size_t len) {
  return rd32(body, len, offsetof(conmon_aurelian_srate_status_t, value_curr));
}
uint32_t conmon_aurelian_srate_get_new(const uint8_t *body, size_t len) {
  return rd32(body, len, offsetof(conmon_aurelian_srate_status_t, value_next));
}
uint16_t conmon_aurelian_srate_get_available_count(const uint8_t *body, size_t len) {
  return rate_count(body, len);
}
uint32_t conmon_aurelian_srate_get_available(const uint8_t *body, size_t len, uint16_t index) {
  return rate_entry(body, len, index);
}
uint16_t conmon_aurelian_enc_get_mode(const uint8_t *body, size_t len) {
  return rate_mode(body, len);
}
uint16_t conmon_aurelian_enc_get_current(const uint8_t *body, size_t len) {
  return static_cast<uint16_t>(conmon_aurelian_srate_get_current(body, len));
}
uint16_t conmon_aurelian_enc_get_new(const uint8_t *body, size_t len) {
  return static_cast<uint16_t>(conmon_aurelian_srate_get_new(body, len));
}
uint16_t conmon_aurelian_enc_get_available_count(const uint8_t *body, size_t len) {
  return rate_count(body, len);
}
uint16_t conmon_aurelian_enc_get_available(const uint8_t *body, size_t len, uint16_t index) {
  return static_cast<uint16_t>(rate_entry(body, len, index));
}
uint16_t conmon_aurelian_srate_pullup_get_mode(const uint8_t *body, size_t len) {
  return rate_mode(body, len);
}
uint32_t conmon_aurelian_srate_pullup_get_current(const uint8_t *body, size_t len) {
  return conmon_aurelian_srate_get_current(body, len);
}
uint32_t conmon_aurelian_srate_pullup_get_new(const uint8_t *body, size_t len) {
  return conmon_aurelian_srate_get_new(body, len);
}
uint32_t conmon_aurelian_srate_pullup_get_flags_known(const uint8_t *body, size_t len) {
  return since32(body, len, CONMON_AURELIAN_MESSAGE_VERSION_0_7_15,
                 offsetof(conmon_aurelian_srate_pullup_status_t, flags_known));
}
uint32_t conmon_aurelian_srate_pullup_get_flags(const uint8_t *body, size_t len) {
  return since32(body, len, CONMON_AURELIAN_MESSAGE_VERSION_0_7_15,
                 offsetof(conmon_aurelian_srate_pullup_status_t, flags));
}
uint16_t conmon_aurelian_srate_pullup_get_available_count(const uint8_t *body, size_t len) {
  return rate_count(body, len);
}
uint32_t conmon_aurelian_srate_pullup_get_available(const uint8_t *body, size_t len,
                                                    uint16_t index) {
  return rate_entry(body, len, index);
}
aud_bool_t conmon_aurelian_srate_pullup_has_subdomain(const uint8_t *body, size_t len) {
  return version(body, len) >= CONMON_AURELIAN_MESSAGE_VERSION_0_7_17 ? AUD_TRUE : AUD_FALSE;
}
const char *conmon_aurelian_srate_pullup_get_subdomain(const uint8_t *body, size_t len,
                                                       char name[17]) {
  if (!name || !conmon_aurelian_srate_pullup_has_subdomain(body, len)) return nullptr;
  return name16(body, len, offsetof(conmon_aurelian_srate_pullup_status_t, clock_subdomain_name),
                name);
}

// ---- Interface status ----

uint16_t conmon_aurelian_interface_status_num_interfaces(const uint8_t *body, size_t len) {
  return rd16(body, len, offsetof(conmon_aurelian_interface_status_t, num_networks));
}
uint16_t conmon_aurelian_interface_status_get_mode(const uint8_t *body, size_t len) {
  if (version(body, len) < CONMON_AURELIAN_MESSAGE_VERSION_0_2_1)
    return CONMON_INTERFACE_MODE_DIRECT;
  return rd16(body, len, offsetof(conmon_aurelian_interface_status_t, mode));
}
uint16_t conmon_aurelian_interface_status_get_flags(const uint8_t *body, size_t len) {
  size_t s2 = interface_status2(body, len);
  if (s2 == 0 || version(body, len) < CONMON_AURELIAN_MESSAGE_VERSION_0_6_2) return 0;
  return conmon_load_be16(body + s2 + offsetof(conmon_aurelian_interface_status2_t, flags));
}
const conmon_aurelian_interface_t *conmon_aurelian_interface_status_interface_at_index(
    const uint8_t *body, size_t len, uint16_t index) {
  if (index >= conmon_aurelian_interface_status_num_interfaces(body, len)) return nullptr;
  size_t off = kIfFirst + kIfSize * static_cast<size_t>(index);
  return reinterpret_cast<const conmon_aurelian_interface_t *>(span(body, len, off, kIfSize));
}
uint32_t conmon_aurelian_interface_get_link_speed(const conmon_aurelian_interface_t *iface) {
  return iface ? conmon_load_be32(reinterpret_cast<const uint8_t *>(iface)) : 0;
}
uint16_t conmon_aurelian_interface_get_flags(const conmon_aurelian_interface_t *iface) {
  return iface ? conmon_load_be16(reinterpret_cast<const uint8_t *>(iface) +
                                  offsetof(conmon_aurelian_interface_t, flags))
               : 0;
}
const uint8_t *conmon_aurelian_interface_get_mac_address(const conmon_aurelian_interface_t *iface) {
  return iface ? reinterpret_cast<const uint8_t *>(iface) +
                     offsetof(conmon_aurelian_interface_t, mac_address)
               : nullptr;
}
uint32_t conmon_aurelian_interface_get_ip_address(const conmon_aurelian_interface_t *iface) {
  return iface_raw32(iface, offsetof(conmon_aurelian_interface_t, ip_address));
}
uint32_t conmon_aurelian_interface_get_netmask(const conmon_aurelian_interface_t *iface) {
  return iface_raw32(iface, offsetof(conmon_aurelian_interface_t, netmask));
}
uint32_t conmon_aurelian_interface_get_dns_server(const conmon_aurelian_interface_t *iface) {
  return iface_raw32(iface, offsetof(conmon_aurelian_interface_t, dns_server));
}
uint32_t conmon_aurelian_interface_get_gateway(const conmon_aurelian_interface_t *iface) {
  return iface_raw32(iface, offsetof(conmon_aurelian_interface_t, gateway));
}
const char *conmon_aurelian_interface_status_get_domain_name(
    const conmon_aurelian_interface_t *iface, const uint8_t *body, size_t len) {
  return interface2_name(iface, body, len,
                         offsetof(conmon_aurelian_interface2_t, domain_name_offset));
}
aud_bool_t conmon_aurelian_interface_is_reboot_configured(const conmon_aurelian_interface_t *iface,
                                                          const uint8_t *body, size_t len) {
  return interface2_field(iface, body, len, 0, 2) ? AUD_TRUE : AUD_FALSE;
}
uint16_t conmon_aurelian_interface_get_reboot_flags(const conmon_aurelian_interface_t *iface,
                                                    const uint8_t *body, size_t len) {
  size_t off =
      interface2_field(iface, body, len, offsetof(conmon_aurelian_interface2_t, reboot_flags), 2);
  return off ? conmon_load_be16(body + off) : 0;
}

namespace {
uint32_t reboot_addr(const conmon_aurelian_interface_t *iface, const uint8_t *body, size_t len,
                     size_t field) {
  size_t off = interface2_field(iface, body, len, field, 4);
  return off ? conmon_load_raw32(body + off) : 0;
}
}  // namespace

uint32_t conmon_aurelian_interface_get_reboot_ip_address(const conmon_aurelian_interface_t *iface,
                                                         const uint8_t *body, size_t len) {
  return reboot_addr(iface, body, len, offsetof(conmon_aurelian_interface2_t, reboot_ip_address));
}
uint32_t conmon_aurelian_interface_get_reboot_netmask(const conmon_aurelian_interface_t *iface,
                                                      const uint8_t *body, size_t len) {
  return reboot_addr(iface, body, len, offsetof(conmon_aurelian_interface2_t, reboot_netmask));
}
uint32_t conmon_aurelian_interface_get_reboot_dns_server(const conmon_aurelian_interface_t *iface,
                                                         const uint8_t *body, size_t len) {
  return reboot_addr(iface, body, len, offsetof(conmon_aurelian_interface2_t, reboot_dns_server));
}
uint32_t conmon_aurelian_interface_get_reboot_gateway(const conmon_aurelian_interface_t *iface,
                                                      const uint8_t *body, size_t len) {
  return reboot_addr(iface, body, len, offsetof(conmon_aurelian_interface2_t, reboot_gateway));
}
const char *conmon_aurelian_interface_get_reboot_domain_name(
    const conmon_aurelian_interface_t *iface, const uint8_t *body, size_t len) {
  return interface2_name(iface, body, len,
                         offsetof(conmon_aurelian_interface2_t, reboot_domain_name_offset));
}

// ---- Versions ----

void conmon_aurelian_version_from_uint32(uint32_t value, delos_version_t *v) {
  if (!v) return;
  v->major = static_cast<uint8_t>(value >> 24);
  v->minor = static_cast<uint8_t>(value >> 16);
  v->bugfix = static_cast<uint16_t>(value);
}

aud_error_t conmon_aurelian_versions_status_get_delos_software_version_build(const uint8_t *body,
                                                                             size_t len,
                                                                             delos_version_t *v,
                                                                             uint32_t *build) {
  return version_build(body, len, offsetof(vers_t, delos_software_version),
                       offsetof(vers_t, delos_software_build), v, build);
}
aud_error_t conmon_aurelian_versions_status_get_delos_firmware_version_build(const uint8_t *body,
                                                                             size_t len,
                                                                             delos_version_t *v,
                                                                             uint32_t *build) {
  return version_build(body, len, offsetof(vers_t, delos_firmware_version),
                       offsetof(vers_t, delos_firmware_build), v, build);
}
uint32_t conmon_aurelian_versions_status_get_delos_api_version(const uint8_t *body, size_t len) {
  return rd32(body, len, offsetof(vers_t, delos_api_version));
}
uint32_t conmon_aurelian_versions_status_get_uboot_version(const uint8_t *body, size_t len) {
  return since32(body, len, CONMON_AURELIAN_MESSAGE_VERSION_0_7_4, offsetof(vers_t, uboot_version));
}
uint16_t conmon_aurelian_versions_status_get_upgrade_version(const uint8_t *body, size_t len) {
  if (version(body, len) < CONMON_AURELIAN_MESSAGE_VERSION_0_7_9) return 0;
  return rd16(body, len, offsetof(vers_t, upgrade_version));
}
const uint8_t *conmon_aurelian_versions_status_get_delos_model_id(const uint8_t *body, size_t len) {
  return span(body, len, offsetof(vers_t, delos_model_id), 8);
}
const char *conmon_aurelian_versions_status_get_delos_model_name(const uint8_t *body, size_t len) {
  if (version(body, len) < CONMON_AURELIAN_MESSAGE_VERSION_0_7_12) return nullptr;
  return text_field(body, len, offsetof(vers_t, model_name),
                    CONMON_AURELIAN_VERSIONS_MODEL_NAME_SIZE);
}
uint32_t conmon_aurelian_versions_status_get_capability_flags(const uint8_t *body, size_t len) {
  return since32(body, len, CONMON_AURELIAN_MESSAGE_VERSION_0_2_0, offsetof(vers_t, capabilities));
}
uint32_t conmon_aurelian_versions_status_get_readonly_capability_flags(const uint8_t *body,
                                                                       size_t len) {
  return since32(body, len, CONMON_AURELIAN_MESSAGE_VERSION_0_7_10,
                 offsetof(vers_t, readonly_capabilities));
}
uint32_t conmon_aurelian_versions_status_get_preferred_link_speed(const uint8_t *body, size_t len) {
  return since32(body, len, CONMON_AURELIAN_MESSAGE_VERSION_0_2_0,
                 offsetof(vers_t, preferred_link_speed));
}
uint32_t conmon_aurelian_versions_status_get_device_status(const uint8_t *body, size_t len) {
  return since32(body, len, CONMON_AURELIAN_MESSAGE_VERSION_0_7_4, offsetof(vers_t, device_status));
}
uint32_t conmon_aurelian_versions_status_get_clock_protocols(const uint8_t *body, size_t len) {
  if (version(body, len) < CONMON_AURELIAN_MESSAGE_VERSION_0_7_7) {
    return CONMON_AURELIAN_CLOCK_PROTOCOL_FLAG_PTPV1;
  }
  return rd32(body, len, offsetof(vers_t, clock_protocols));
}
uint32_t conmon_aurelian_versions_status_get_guppy_monitoring_flags(const uint8_t *body,
                                                                    size_t len) {
  return since32(body, len, CONMON_AURELIAN_MESSAGE_VERSION_0_7_23,
                 offsetof(vers_t, guppy_monitoring_flags));
}
uint32_t conmon_aurelian_versions_status_get_capability1_flags(const uint8_t *body, size_t len) {
  return since32(body, len, CONMON_AURELIAN_MESSAGE_VERSION_0_7_30,
                 offsetof(vers_t, capabilities_1));
}
void conmon_aurelian_versions_status_get_domain_capability_flags(const uint8_t *body, size_t len,
                                                                 uint32_t *mask, uint32_t *value) {
  if (mask) {
    *mask = since32(body, len, CONMON_AURELIAN_MESSAGE_VERSION_0_7_35,
                    offsetof(vers_t, capabilities_domain_mask));
  }
  if (value) {
    *value = since32(body, len, CONMON_AURELIAN_MESSAGE_VERSION_0_7_35,
                     offsetof(vers_t, capabilities_domain_value));
  }
}
uint16_t conmon_aurelian_versions_status_get_num_web_plugin_ids(const uint8_t *body, size_t len) {
  if (version(body, len) < CONMON_AURELIAN_MESSAGE_VERSION_0_7_49) return 0;
  return rd16(body, len, offsetof(vers_t, num_web_plugin_ids));
}
aud_error_t conmon_aurelian_versions_status_get_web_plugin_id(const uint8_t *body, size_t len,
                                                              uint16_t index, const char **id) {
  if (!body || !id) return AUD_ERR_INVALIDPARAMETER;
  if (version(body, len) < CONMON_AURELIAN_MESSAGE_VERSION_0_7_49) return AUD_ERR_VERSION;
  if (!conmon_span_fits(len, offsetof(vers_t, num_web_plugin_ids), 4)) return AUD_ERR_TRUNCATED;
  if (index >= conmon_load_be16(body + offsetof(vers_t, num_web_plugin_ids))) return AUD_ERR_RANGE;
  size_t first = conmon_load_be16(body + offsetof(vers_t, web_plugin_ids_offset));
  if (first == 0) return AUD_ERR_NOTFOUND;
  size_t off = first + CONMON_AURELIAN_WEB_PLUGIN_ID_SIZE * static_cast<size_t>(index);
  if (!conmon_span_fits(len, off, CONMON_AURELIAN_WEB_PLUGIN_ID_SIZE)) return AUD_ERR_TRUNCATED;
  if (!std::memchr(body + off, 0, CONMON_AURELIAN_WEB_PLUGIN_ID_SIZE)) return AUD_ERR_INVALIDDATA;
  *id = reinterpret_cast<const char *>(body + off);
  return AUD_SUCCESS;
}
uint32_t conmon_aurelian_versions_status_get_rendering_hint_flags(const uint8_t *body, size_t len) {
  return since32(body, len, CONMON_AURELIAN_MESSAGE_VERSION_0_7_52,
                 offsetof(vers_t, rendering_hint_flags));
}

// ---- Manufacturer versions ----

const uint8_t *conmon_aurelian_manf_versions_status_get_manufacturer(const uint8_t *body,
                                                                     size_t len) {
  return span(body, len, offsetof(manf_t, manufacturer), 8);
}
const uint8_t *conmon_aurelian_manf_versions_status_get_model_id(const uint8_t *body, size_t len) {
  return span(body, len, offsetof(manf_t, model_id), 8);
}
const uint8_t *conmon_aurelian_manf_versions_status_get_serial_id(const uint8_t *body, size_t len) {
  return span(body, len, offsetof(manf_t, serial_id), 8);
}
const char *conmon_aurelian_manf_versions_status_get_manufacturer_name(const uint8_t *body,
                                                                       size_t len) {
  if (version(body, len) < CONMON_AURELIAN_MESSAGE_VERSION_0_7_1) return nullptr;
  return text_field(body, len, offsetof(manf_t, manufacturer_name), CONMON_AURELIAN_MANF_NAME_SIZE);
}
const char *conmon_aurelian_manf_versions_status_get_model_name(const uint8_t *body, size_t len) {
  if (version(body, len) < CONMON_AURELIAN_MESSAGE_VERSION_0_7_1) return nullptr;
  return text_field(body, len, offsetof(manf_t, model_name), CONMON_AURELIAN_MANF_NAME_SIZE);
}
void conmon_aurelian_manf_versions_status_get_model_version(const uint8_t *body, size_t len,
                                                            delos_version_t *v) {
  conmon_aurelian_version_from_uint32(
      since32(body, len, CONMON_AURELIAN_MESSAGE_VERSION_0_7_4, offsetof(manf_t, model_version)),
      v);
}
const char *conmon_aurelian_manf_versions_status_get_model_version_string(const uint8_t *body,
                                                                          size_t len) {
  if (version(body, len) < CONMON_AURELIAN_MESSAGE_VERSION_0_7_18) return nullptr;
  return text_field(body, len, offsetof(manf_t, model_version_string),
                    CONMON_AURELIAN_MANF_MODEL_VERSION_STRING_SIZE);
}
uint32_t conmon_aurelian_manf_versions_status_get_capabilities(const uint8_t *body, size_t len) {
  return since32(body, len, CONMON_AURELIAN_MESSAGE_VERSION_0_6_6, offsetof(manf_t, capabilities));
}
aud_error_t conmon_aurelian_manf_versions_status_get_software_version_build(const uint8_t *body,
                                                                            size_t len,
                                                                            delos_version_t *v,
                                                                            uint32_t *build) {
  return version_build(body, len, offsetof(manf_t, software_version),
                       offsetof(manf_t, software_build), v, build);
}
aud_error_t conmon_aurelian_manf_versions_status_get_firmware_version_build(const uint8_t *body,
                                                                            size_t len,
                                                                            delos_version_t *v,
                                                                            uint32_t *build) {
  return version_build(body, len, offsetof(manf_t, firmware_version),
                       offsetof(manf_t, firmware_build), v, build);
}

// ---- Lock, AES67, reset, clear configuration, routing ready ----

aud_bool_t conmon_aurelian_get_lock_status(const uint8_t *body, size_t len) {
  return rd16(body, len, offsetof(conmon_aurelian_lock_status_t, lock_status)) ? AUD_TRUE
                                                                               : AUD_FALSE;
}
uint16_t conmon_aurelian_lock_status_get_status_flags(const uint8_t *body, size_t len) {
  if (version(body, len) < CONMON_AURELIAN_MESSAGE_VERSION_0_7_36) return 0;
  return rd16(body, len, offsetof(conmon_aurelian_lock_status_t, status_flags));
}
aud_bool_t conmon_aurelian_aes67_status_is_enabled(const uint8_t *body, size_t len) {
  return (rd16(body, len, 8) & CONMON_AURELIAN_AES67_STATUS_FLAG_ENABLE) ? AUD_TRUE : AUD_FALSE;
}
aud_bool_t conmon_aurelian_aes67_status_is_enabled_on_reboot(const uint8_t *body, size_t len) {
  return (rd16(body, len, 8) & CONMON_AURELIAN_AES67_STATUS_FLAG_ENABLE_ON_REBOOT) ? AUD_TRUE
                                                                                   : AUD_FALSE;
}
uint16_t conmon_aurelian_sys_reset_status_get_mode(const uint8_t *body, size_t len) {
  return rd16(body, len, 8);
}
aud_error_t conmon_aurelian_clear_config_status_get_status(const uint8_t *body, size_t len,
                                                           uint32_t *supported,
                                                           uint32_t *executed) {
  if (!body || len < 16) return AUD_ERR_TRUNCATED;
  if (supported) *supported = conmon_load_be32(body + 8);
  if (executed) *executed = conmon_load_be32(body + 12);
  return AUD_SUCCESS;
}
aud_bool_t conmon_aurelian_routing_ready_status_is_ready(const uint8_t *body, size_t len) {
  return rd8(body, len, offsetof(conmon_aurelian_routing_ready_status_t, ready)) ? AUD_TRUE
                                                                                 : AUD_FALSE;
}
uint16_t conmon_aurelian_routing_ready_status_num_txchannels(const uint8_t *body, size_t len) {
  if (version(body, len) < CONMON_AURELIAN_MESSAGE_VERSION_0_6_9) return 0;
  return rd16(body, len, offsetof(conmon_aurelian_routing_ready_status_t, num_txchannels));
}
uint16_t conmon_aurelian_routing_ready_status_num_rxchannels(const uint8_t *body, size_t len) {
  if (version(body, len) < CONMON_AURELIAN_MESSAGE_VERSION_0_6_9) return 0;
  return rd16(body, len, offsetof(conmon_aurelian_routing_ready_status_t, num_rxchannels));
}
uint8_t conmon_aurelian_routing_ready_status_link(const uint8_t *body, size_t len) {
  if (version(body, len) < CONMON_AURELIAN_MESSAGE_VERSION_0_7_20) return 0;
  return rd8(body, len, offsetof(conmon_aurelian_routing_ready_status_t, link_status));
}

// ---- Upgrade status ----

aud_error_t conmon_aurelian_upgrade_status_get_upgrade_status(
    const uint8_t *body, size_t len, conmon_aurelian_upgrade_status_t *status) {
  if (!status) return AUD_ERR_INVALIDPARAMETER;
  if (!body || len < offsetof(upg_t, upgrade_error)) return AUD_ERR_TRUNCATED;
  conmon_aurelian_upgrade_status_t s = {};
  s.status = conmon_load_be16(body + offsetof(upg_t, upgrade_status));
  // A body that ends before the fields word marks no member as present.
  if (version(body, len) >= CONMON_AURELIAN_MESSAGE_VERSION_0_7_9 &&
      len >= offsetof(upg_t, progress_curr)) {
    uint32_t fields = conmon_load_be32(body + offsetof(upg_t, fields));
    {
      if (fields & CONMON_AURELIAN_UPGRADE_STATUS__FIELD_ERROR) {
        s.last_error = conmon_load_be16(body + offsetof(upg_t, upgrade_error));
      }
      if (fields & CONMON_AURELIAN_UPGRADE_STATUS__FIELD_PROGRESS) {
        if (len < offsetof(upg_t, file_info)) return AUD_ERR_TRUNCATED;
        s.progress.curr = conmon_load_be32(body + offsetof(upg_t, progress_curr));
        s.progress.total = conmon_load_be32(body + offsetof(upg_t, progress_total));
      }
      if (fields & CONMON_AURELIAN_UPGRADE_STATUS__FIELD_MANUFACTURER_ID) {
        if (len < offsetof(upg_t, model_id)) return AUD_ERR_TRUNCATED;
        std::memcpy(s.manufacturer, body + offsetof(upg_t, manufacturer_id), 8);
      }
      if (fields & CONMON_AURELIAN_UPGRADE_STATUS__FIELD_MODEL_ID) {
        if (len < sizeof(upg_t)) return AUD_ERR_TRUNCATED;
        std::memcpy(s.model, body + offsetof(upg_t, model_id), 8);
      }
    }
  }
  *status = s;
  return AUD_SUCCESS;
}

aud_error_t conmon_aurelian_upgrade_status_get_source_file_info(
    const uint8_t *body, size_t len, conmon_aurelian_upgrade_source_file_t *file) {
  if (!body || !file) return AUD_ERR_INVALIDPARAMETER;
  if (version(body, len) < CONMON_AURELIAN_MESSAGE_VERSION_0_7_9) return AUD_ERR_VERSION;
  if (!(rd32(body, len, offsetof(upg_t, fields)) &
        CONMON_AURELIAN_UPGRADE_STATUS__FIELD_FILE_INFO)) {
    return AUD_ERR_NOTFOUND;
  }
  conmon_msg_offset_t rec = 0;
  aud_error_t err = conmon_aurelian_message_read_offset(
      body, len, offsetof(upg_t, file_info), sizeof(finfo_t), CONMON_MESSAGE_ALIGN_4, &rec);
  if (err != AUD_SUCCESS) return err;
  const uint8_t *r = body + rec;
  uint32_t fields = conmon_load_be32(r + offsetof(finfo_t, fields));
  conmon_aurelian_upgrade_source_file_t f = {};
  if (fields & CONMON_AURELIAN_UPGRADE_FILE_INFO__FIELD_PROTOCOL) {
    f.protocol = conmon_load_be16(r + offsetof(finfo_t, protocol));
  }
  if (fields & CONMON_AURELIAN_UPGRADE_FILE_INFO__FIELD_PORT) {
    f.port = conmon_load_be16(r + offsetof(finfo_t, port));
  }
  if (fields & CONMON_AURELIAN_UPGRADE_FILE_INFO__FIELD_SERVER_V4) {
    f.addr_inet = conmon_load_raw32(r + offsetof(finfo_t, server_v4));
  }
  if (fields & CONMON_AURELIAN_UPGRADE_FILE_INFO__FIELD_FILE_LEN) {
    f.file_len = conmon_load_be32(r + offsetof(finfo_t, file_len));
  }
  if (fields & CONMON_AURELIAN_UPGRADE_FILE_INFO__FIELD_FILE_PATH) {
    f.filename = conmon_aurelian_message_read_string(body, len, rec + offsetof(finfo_t, file_path));
  }
  *file = f;
  return AUD_SUCCESS;
}
