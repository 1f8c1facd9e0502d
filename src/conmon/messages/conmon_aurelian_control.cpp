#include "conmon/messages/conmon_aurelian_control.h"

#include <cstring>

#include "conmon/messages/conmon_bytes.h"

namespace {

typedef conmon_aurelian_clocking_control_t clk_t;
typedef conmon_aurelian_interface_control_t ifc_t;
typedef conmon_aurelian_control_interface_t ifrec_t;
typedef conmon_aurelian_upgrade_control_msg_v3_t upg_t;
typedef conmon_aurelian_upgrade_msg_file_info_t finfo_t;

constexpr size_t kIfRecord = sizeof(ifc_t);  // the one record builders write sits at 16

void or16(uint8_t *p, uint16_t bits) { conmon_store_be16(p, conmon_load_be16(p) | bits); }
void or32(uint8_t *p, uint32_t bits) { conmon_store_be32(p, conmon_load_be32(p) | bits); }
void set_or_clear16(uint8_t *p, uint16_t bits, bool set) {
  uint16_t v = conmon_load_be16(p);
  conmon_store_be16(p, set ? (v | bits) : (v & ~bits));
}

// Marks a clocking flag as meant and sets or clears it.
aud_error_t clocking_flag(conmon_message_body_t *body, uint16_t flag, aud_bool_t enabled) {
  if (!body) return AUD_ERR_INVALIDPARAMETER;
  or16(body->data + offsetof(clk_t, valid_flags), flag);
  set_or_clear16(body->data + offsetof(clk_t, config_flags), flag, enabled != AUD_FALSE);
  return AUD_SUCCESS;
}

aud_error_t clocking_port_flag(conmon_message_body_t *body, uint16_t port_id, uint16_t flag,
                               aud_bool_t enabled) {
  if (!body) return AUD_ERR_INVALIDPARAMETER;
  or16(body->data + offsetof(clk_t, valid_fields), CONMON_AURELIAN_CLOCKING_CONTROL_FIELD_PORT_ID);
  conmon_store_be16(body->data + offsetof(clk_t, port_id), port_id);
  return clocking_flag(body, flag, enabled);
}

aud_error_t rate_control_init(conmon_message_body_t *body, conmon_aurelian_message_type_t type,
                              uint32_t delay) {
  if (!body) return AUD_ERR_INVALIDPARAMETER;
  conmon_aurelian_message_init_head(body, type, delay);
  conmon_store_be32(body->data + offsetof(conmon_aurelian_srate_control_t, valid_fields), 0);
  conmon_store_be32(body->data + offsetof(conmon_aurelian_srate_control_t, new_value), 0);
  return AUD_SUCCESS;
}

aud_error_t rate_control_set(conmon_message_body_t *body, uint32_t value) {
  if (!body) return AUD_ERR_INVALIDPARAMETER;
  if (value == 0) return AUD_SUCCESS;  // a zero value leaves the message a query
  conmon_store_be32(body->data + offsetof(conmon_aurelian_srate_control_t, new_value), value);
  or32(body->data + offsetof(conmon_aurelian_srate_control_t, valid_fields),
       CONMON_AURELIAN_SRATE_CONTROL_FLAG_RATE);
  return AUD_SUCCESS;
}

// Writes one interface record at 16 and the fixed fields that describe it.
void interface_record(conmon_message_body_t *body, uint8_t fields, uint16_t network_index,
                      uint16_t flags, uint16_t mask, uint32_t ip, uint32_t netmask, uint32_t dns,
                      uint32_t gateway) {
  uint8_t *p = body->data;
  p[offsetof(ifc_t, num_interfaces)] = 1;
  p[offsetof(ifc_t, interface_size)] = CONMON_AURELIAN_CONTROL_INTERFACE_SIZE;
  p[offsetof(ifc_t, interface_fields)] = fields;
  p[offsetof(ifc_t, interface_offset)] = kIfRecord;
  uint8_t *r = p + kIfRecord;
  std::memset(r, 0, CONMON_AURELIAN_CONTROL_INTERFACE_SIZE);
  conmon_store_be16(r + offsetof(ifrec_t, index), network_index);
  conmon_store_be16(r + offsetof(ifrec_t, flags), flags);
  conmon_store_raw32(r + offsetof(ifrec_t, ip_address), ip);
  conmon_store_raw32(r + offsetof(ifrec_t, netmask), netmask);
  conmon_store_raw32(r + offsetof(ifrec_t, dns_server), dns);
  conmon_store_raw32(r + offsetof(ifrec_t, gateway), gateway);
  conmon_store_be16(r + offsetof(ifrec_t, mask), mask);
}

aud_error_t interface_flag_record(conmon_message_body_t *body, uint16_t network_index,
                                  uint16_t flag, bool set_flag) {
  if (!body) return AUD_ERR_INVALIDPARAMETER;
  interface_record(body, 0, network_index, set_flag ? flag : 0, flag, 0, 0, 0, 0);
  return AUD_SUCCESS;
}

void init_size(conmon_message_size_info_t *size, uint16_t curr) {
  if (size->max == 0 || size->max > CONMON_MESSAGE_MAX_BODY_SIZE) {
    size->max = CONMON_MESSAGE_MAX_BODY_SIZE;
  }
  size->curr = curr;
}

}  // namespace

// ---- Clocking control ----

aud_error_t conmon_aurelian_init_clocking_control(conmon_message_body_t *body, uint32_t delay) {
  if (!body) return AUD_ERR_INVALIDPARAMETER;
  conmon_aurelian_message_init_head(body, CONMON_AURELIAN_MESSAGE_TYPE_CLOCKING_CONTROL, delay);
  conmon_store_be16(body->data + offsetof(clk_t, valid_fields), 0);
  conmon_store_be16(body->data + offsetof(clk_t, valid_flags), 0);
  return AUD_SUCCESS;
}

size_t conmon_aurelian_clocking_control_get_size(void) { return sizeof(clk_t); }

aud_error_t conmon_aurelian_clocking_control_set_source(conmon_message_body_t *body,
                                                        uint16_t source) {
  if (!body) return AUD_ERR_INVALIDPARAMETER;
  or16(body->data + offsetof(clk_t, valid_fields), CONMON_AURELIAN_CLOCKING_CONTROL_FIELD_SOURCE);
  conmon_store_be16(body->data + offsetof(clk_t, clock_source), source);
  return AUD_SUCCESS;
}

aud_error_t conmon_aurelian_clocking_control_set_preferred(conmon_message_body_t *body,
                                                           uint32_t preferred) {
  if (!body) return AUD_ERR_INVALIDPARAMETER;
  or16(body->data + offsetof(clk_t, valid_fields),
       CONMON_AURELIAN_CLOCKING_CONTROL_FIELD_PREFERRED);
  body->data[offsetof(clk_t, clock_preferred)] = static_cast<uint8_t>(preferred & 0xFF);
  return AUD_SUCCESS;
}

aud_error_t conmon_aurelian_clocking_control_set_subdomain(conmon_message_body_t *body,
                                                           uint16_t subdomain_index) {
  if (!body) return AUD_ERR_INVALIDPARAMETER;
  or16(body->data + offsetof(clk_t, valid_fields),
       CONMON_AURELIAN_CLOCKING_CONTROL_FIELD_SUBDOMAIN_INDEX_DEPRECATED);
  conmon_store_be16(body->data + offsetof(clk_t, clock_subdomain_index), subdomain_index);
  return AUD_SUCCESS;
}

aud_error_t conmon_aurelian_clocking_control_set_subdomain_name(conmon_message_body_t *body,
                                                                const char *name) {
  if (!body) return AUD_ERR_INVALIDPARAMETER;
  or16(body->data + offsetof(clk_t, valid_fields),
       CONMON_AURELIAN_CLOCKING_CONTROL_FIELD_SUBDOMAIN_NAME);
  uint8_t *slot = body->data + offsetof(clk_t, clock_subdomain_name);
  std::memset(slot, 0, 16);
  if (name) std::memcpy(slot, name, strnlen(name, 16));
  return AUD_SUCCESS;
}

aud_error_t conmon_aurelian_clocking_control_set_unicast_delay_requests(conmon_message_body_t *body,
                                                                        aud_bool_t enabled) {
  return clocking_flag(body, CONMON_AURELIAN_CLOCKING_FLAG_UNICAST_DELAY_REQUESTS_DEPRECATED,
                       enabled);
}

aud_error_t conmon_aurelian_clocking_control_set_multicast_ports_enabled(
    conmon_message_body_t *body, aud_bool_t enabled) {
  return clocking_flag(body, CONMON_AURELIAN_CLOCKING_FLAG_MULTICAST_PORTS_ENABLED, enabled);
}

aud_error_t conmon_aurelian_clocking_control_set_slave_only_enabled(conmon_message_body_t *body,
                                                                    aud_bool_t enabled) {
  return clocking_flag(body, CONMON_AURELIAN_CLOCKING_FLAG_SLAVE_ONLY_ENABLED, enabled);
}

aud_error_t conmon_aurelian_clocking_control_set_version_specific_ports_enabled(
    conmon_message_body_t *body, uint8_t ptp_version, aud_bool_t enabled) {
  if (!body) return AUD_ERR_INVALIDPARAMETER;
  if (ptp_version == 1) {
    return clocking_flag(body, CONMON_AURELIAN_CLOCKING_FLAG_VERSION_1_PORTS_ENABLED, enabled);
  }
  if (ptp_version == 2) {
    return clocking_flag(body, CONMON_AURELIAN_CLOCKING_FLAG_VERSION_2_PORTS_ENABLED, enabled);
  }
  return AUD_SUCCESS;
}

aud_error_t conmon_aurelian_clocking_control_set_transport_layer_ports_enabled(
    conmon_message_body_t *body, uint8_t layer, aud_bool_t enabled) {
  if (!body) return AUD_ERR_INVALIDPARAMETER;
  if (layer == CONMON_TRANSPORT_LAYER_2) {
    return clocking_flag(body, CONMON_AURELIAN_CLOCKING_FLAG_LAYER_2_PORTS_ENABLED, enabled);
  }
  if (layer == CONMON_TRANSPORT_LAYER_3) {
    return clocking_flag(body, CONMON_AURELIAN_CLOCKING_FLAG_LAYER_3_PORTS_ENABLED, enabled);
  }
  return AUD_SUCCESS;
}

aud_error_t conmon_aurelian_clocking_control_set_version_specific_unicast_delay_requests(
    conmon_message_body_t *body, uint8_t ptp_version, aud_bool_t enabled) {
  if (!body) return AUD_ERR_INVALIDPARAMETER;
  if (ptp_version == 1) {
    return clocking_flag(body, CONMON_AURELIAN_CLOCKING_FLAG_VERSION_1_UNICAST_DELAY_REQUESTS,
                         enabled);
  }
  if (ptp_version == 2) {
    return clocking_flag(body, CONMON_AURELIAN_CLOCKING_FLAG_VERSION_2_UNICAST_DELAY_REQUESTS,
                         enabled);
  }
  return AUD_SUCCESS;
}

aud_error_t conmon_aurelian_clocking_control_set_port_id_enabled(conmon_message_body_t *body,
                                                                 uint16_t port_id,
                                                                 aud_bool_t enabled) {
  return clocking_port_flag(body, port_id, CONMON_AURELIAN_CLOCKING_FLAG_PORT_ID_PORT_ENABLED,
                            enabled);
}

aud_error_t conmon_aurelian_clocking_control_set_port_unicast_delay_requests(
    conmon_message_body_t *body, uint16_t port_id, aud_bool_t value) {
  return clocking_port_flag(body, port_id,
                            CONMON_AURELIAN_CLOCKING_FLAG_PER_PORT_UNICAST_DELAY_REQUESTS, value);
}

// ---- Sample rate and encoding ----

aud_error_t conmon_aurelian_init_srate_control(conmon_message_body_t *body, uint32_t delay) {
  return rate_control_init(body, CONMON_AURELIAN_MESSAGE_TYPE_SRATE_CONTROL, delay);
}
size_t conmon_aurelian_srate_control_get_size(void) {
  return sizeof(conmon_aurelian_srate_control_t);
}
aud_error_t conmon_aurelian_srate_control_set_rate(conmon_message_body_t *body, uint32_t rate) {
  return rate_control_set(body, rate);
}
aud_error_t conmon_aurelian_init_enc_control(conmon_message_body_t *body, uint32_t delay) {
  return rate_control_init(body, CONMON_AURELIAN_MESSAGE_TYPE_ENC_CONTROL, delay);
}
size_t conmon_aurelian_enc_control_get_size(void) {
  return sizeof(conmon_aurelian_srate_control_t);
}
aud_error_t conmon_aurelian_enc_control_set_encoding(conmon_message_body_t *body,
                                                     uint32_t encoding) {
  return rate_control_set(body, encoding);
}

// ---- System reset ----

aud_error_t conmon_aurelian_init_sys_reset_control(conmon_message_body_t *body, uint32_t delay) {
  if (!body) return AUD_ERR_INVALIDPARAMETER;
  conmon_aurelian_message_init_head(body, CONMON_AURELIAN_MESSAGE_TYPE_SYS_RESET, delay);
  conmon_store_be16(body->data + 8, 0);
  return AUD_SUCCESS;
}
size_t conmon_aurelian_sys_reset_control_get_size(void) { return 12; }
aud_error_t conmon_aurelian_sys_reset_control_set_mode(conmon_message_body_t *body, uint16_t mode) {
  if (!body) return AUD_ERR_INVALIDPARAMETER;
  conmon_store_be16(body->data + 10, mode);
  or16(body->data + 8, CONMON_AURELIAN_SYS_RESET_FIELD_MODE);
  return AUD_SUCCESS;
}

// ---- AES67 ----

aud_error_t conmon_aurelian_init_aes67_control(conmon_message_body_t *body, uint32_t delay) {
  if (!body) return AUD_ERR_INVALIDPARAMETER;
  conmon_aurelian_message_init_head(body, CONMON_AURELIAN_MESSAGE_TYPE_AES67_CONTROL, delay);
  conmon_store_be16(body->data + 8, 0);
  conmon_store_be16(body->data + 10, 0);
  return AUD_SUCCESS;
}
size_t conmon_aurelian_aes67_control_get_size(void) { return 12; }
aud_error_t conmon_aurelian_aes67_control_set_enable(conmon_message_body_t *body,
                                                     aud_bool_t enable) {
  if (!body) return AUD_ERR_INVALIDPARAMETER;
  or16(body->data + 8, CONMON_AURELIAN_AES67_VALID_FLAG_ENABLE);
  set_or_clear16(body->data + 10, CONMON_AURELIAN_AES67_CONTROL_FLAG_ENABLE, enable != AUD_FALSE);
  return AUD_SUCCESS;
}

// ---- Clear configuration ----

aud_error_t conmon_aurelian_init_clear_config_control(conmon_message_body_t *body,
                                                      conmon_message_size_info_t *size,
                                                      uint32_t delay) {
  if (!body || !size) return AUD_ERR_INVALIDPARAMETER;
  conmon_aurelian_message_init_head(body, CONMON_AURELIAN_MESSAGE_TYPE_CLEAR_CONFIG_CONTROL, delay);
  conmon_store_be32(body->data + 8, CONMON_AURELIAN_CLEAR_CONFIG_QUERY);
  init_size(size, 12);
  return AUD_SUCCESS;
}

aud_error_t conmon_aurelian_clear_config_control_set_action(conmon_message_body_t *body,
                                                            conmon_message_size_info_t *size,
                                                            uint32_t action) {
  if (!body || !size) return AUD_ERR_INVALIDPARAMETER;
  conmon_store_be32(body->data + 8, action);
  if (size->curr < 12) size->curr = 12;
  return AUD_SUCCESS;
}

// ---- Interface control ----

aud_error_t conmon_aurelian_init_interface_control(conmon_message_body_t *body, uint32_t delay) {
  if (!body) return AUD_ERR_INVALIDPARAMETER;
  conmon_aurelian_message_init_head(body, CONMON_AURELIAN_MESSAGE_TYPE_INTERFACE_CONTROL, delay);
  std::memset(body->data + 8, 0, sizeof(ifc_t) - 8);
  return AUD_SUCCESS;
}

size_t conmon_aurelian_interface_control_get_size(const conmon_message_body_t *body) {
  if (!body) return 0;
  const uint8_t *p = body->data;
  size_t offset = p[offsetof(ifc_t, interface_offset)];
  if (offset == 0) return sizeof(ifc_t);
  size_t num = p[offsetof(ifc_t, num_interfaces)];
  size_t rsize = p[offsetof(ifc_t, interface_size)];
  size_t total = offset + num * rsize;  // at most 255 + 255 * 255, no wrap
  if (total > CONMON_MESSAGE_MAX_BODY_SIZE) return 0;
  // A record too short to hold the name offset has none.
  if (rsize < offsetof(ifrec_t, domain_name_offset) + 2) return total;
  for (size_t i = 0; i < num; i++) {
    const uint8_t *r = p + offset + i * rsize;
    uint16_t name = conmon_load_be16(r + offsetof(ifrec_t, domain_name_offset));
    if (name == 0) continue;
    if (name >= CONMON_MESSAGE_MAX_BODY_SIZE) return 0;
    const void *nul = std::memchr(p + name, 0, CONMON_MESSAGE_MAX_BODY_SIZE - name);
    if (!nul) return 0;
    total += static_cast<const uint8_t *>(nul) - (p + name) + 1;
  }
  return total;
}

aud_error_t conmon_aurelian_interface_control_set_interface_address_static(
    conmon_message_body_t *body, uint16_t network_index, uint32_t ip, uint32_t netmask,
    uint32_t dns_server, uint32_t gateway) {
  if (!body) return AUD_ERR_INVALIDPARAMETER;
  interface_record(body,
                   CONMON_AURELIAN_INTERFACE_CONTROL_FIELD_IPADDRESS |
                       CONMON_AURELIAN_INTERFACE_CONTROL_FIELD_NETMASK |
                       CONMON_AURELIAN_INTERFACE_CONTROL_FIELD_DNSSERVER |
                       CONMON_AURELIAN_INTERFACE_CONTROL_FIELD_GATEWAY,
                   network_index, CONMON_AURELIAN_INTERFACE_FLAG_STATIC,
                   CONMON_AURELIAN_INTERFACE_FLAG_STATIC, ip, netmask, dns_server, gateway);
  return AUD_SUCCESS;
}

aud_error_t conmon_aurelian_interface_control_set_interface_address_dynamic(
    conmon_message_body_t *body, uint16_t network_index) {
  if (!body) return AUD_ERR_INVALIDPARAMETER;
  interface_record(body, 0, network_index, 0, CONMON_AURELIAN_INTERFACE_FLAG_STATIC, 0, 0, 0, 0);
  return AUD_SUCCESS;
}

aud_error_t conmon_aurelian_interface_control_set_interface_domain_name(
    conmon_message_body_t *body, conmon_message_size_info_t *size, uint16_t network_index,
    const char *name) {
  if (!body || !size || !name) return AUD_ERR_INVALIDPARAMETER;
  const uint8_t *p = body->data;
  if (conmon_load_be16(p) < CONMON_AURELIAN_MESSAGE_VERSION_0_7_11) return AUD_ERR_INVALIDPARAMETER;
  if (strnlen(name, CONMON_AURELIAN_INTERFACE_DOMAIN_NAME_MAX + 1) >
      CONMON_AURELIAN_INTERFACE_DOMAIN_NAME_MAX) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  const uint8_t *r = p + kIfRecord;
  if (p[offsetof(ifc_t, num_interfaces)] != 1 ||
      p[offsetof(ifc_t, interface_offset)] != kIfRecord ||
      p[offsetof(ifc_t, interface_size)] != CONMON_AURELIAN_CONTROL_INTERFACE_SIZE ||
      conmon_load_be16(r + offsetof(ifrec_t, index)) != network_index ||
      !(conmon_load_be16(r + offsetof(ifrec_t, flags)) & CONMON_AURELIAN_INTERFACE_FLAG_STATIC)) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  // The name must not land on the record, whatever the caller's size record says.
  conmon_message_size_info_t s = *size;
  if (s.curr < kIfRecord + CONMON_AURELIAN_CONTROL_INTERFACE_SIZE) {
    s.curr = kIfRecord + CONMON_AURELIAN_CONTROL_INTERFACE_SIZE;
  }
  aud_error_t err = conmon_aurelian_message_append_string(
      body, &s, kIfRecord + offsetof(ifrec_t, domain_name_offset), CONMON_MESSAGE_ALIGN_NONE, name);
  if (err != AUD_SUCCESS) return err;
  body->data[offsetof(ifc_t, interface_fields)] |=
      CONMON_AURELIAN_INTERFACE_CONTROL_FIELD_DOMAIN_NAME;
  *size = s;
  return AUD_SUCCESS;
}

aud_error_t conmon_aurelian_interface_control_set_link_local_enabled(conmon_message_body_t *body,
                                                                     uint16_t network_index,
                                                                     aud_bool_t enabled) {
  return interface_flag_record(body, network_index,
                               CONMON_AURELIAN_INTERFACE_FLAG_LINK_LOCAL_DISABLED, !enabled);
}

aud_error_t conmon_aurelian_interface_control_set_link_local_delayed(conmon_message_body_t *body,
                                                                     uint16_t network_index,
                                                                     aud_bool_t delayed) {
  return interface_flag_record(body, network_index,
                               CONMON_AURELIAN_INTERFACE_FLAG_LINK_LOCAL_DELAYED, delayed);
}

aud_error_t conmon_aurelian_interface_control_set_dhcp_enabled(conmon_message_body_t *body,
                                                               uint16_t network_index,
                                                               aud_bool_t enabled) {
  return interface_flag_record(body, network_index, CONMON_AURELIAN_INTERFACE_FLAG_DHCP_DISABLED,
                               !enabled);
}

aud_error_t conmon_aurelian_interface_control_set_switch_redundancy(conmon_message_body_t *body,
                                                                    aud_bool_t redundant) {
  if (!body) return AUD_ERR_INVALIDPARAMETER;
  or16(body->data + offsetof(ifc_t, mask), CONMON_AURELIAN_INTERFACES_SWITCH_REDUNDANCY);
  set_or_clear16(body->data + offsetof(ifc_t, flags), CONMON_AURELIAN_INTERFACES_SWITCH_REDUNDANCY,
                 redundant != AUD_FALSE);
  return AUD_SUCCESS;
}

// ---- Upgrade ----

aud_error_t conmon_aurelian_init_upgrade_control_v3(conmon_message_body_t *body,
                                                    conmon_message_size_info_t *size,
                                                    uint32_t delay) {
  if (!body || !size) return AUD_ERR_INVALIDPARAMETER;
  conmon_aurelian_message_init_head(body, CONMON_AURELIAN_MESSAGE_TYPE_UPGRADE_V3_CONTROL, delay);
  std::memset(body->data + 8, 0, sizeof(upg_t) - 8);
  conmon_store_be32(body->data + offsetof(upg_t, action_enable_valid),
                    CONMON_AURELIAN_UPGRADE_CONTROL__ACTION_DOWNLOAD |
                        CONMON_AURELIAN_UPGRADE_CONTROL__ACTION_FLASH);
  init_size(size, sizeof(upg_t));
  return AUD_SUCCESS;
}

aud_error_t conmon_aurelian_upgrade_control_set_source_file(
    conmon_message_body_t *body, conmon_message_size_info_t *size,
    const conmon_aurelian_upgrade_source_file_t *file) {
  if (!body || !size || !file) return AUD_ERR_INVALIDPARAMETER;
  uint8_t rec[sizeof(finfo_t)] = {};
  uint32_t fields = 0;
  if (file->protocol) fields |= CONMON_AURELIAN_UPGRADE_FILE_INFO__FIELD_PROTOCOL;
  if (file->port) fields |= CONMON_AURELIAN_UPGRADE_FILE_INFO__FIELD_PORT;
  if (file->addr_inet) fields |= CONMON_AURELIAN_UPGRADE_FILE_INFO__FIELD_SERVER_V4;
  if (file->file_len) fields |= CONMON_AURELIAN_UPGRADE_FILE_INFO__FIELD_FILE_LEN;
  bool has_path = file->filename && file->filename[0];
  if (has_path) fields |= CONMON_AURELIAN_UPGRADE_FILE_INFO__FIELD_FILE_PATH;
  conmon_store_be32(rec + offsetof(finfo_t, fields), fields);
  conmon_store_be16(rec + offsetof(finfo_t, protocol), file->protocol);
  conmon_store_be16(rec + offsetof(finfo_t, port), file->port);
  conmon_store_raw32(rec + offsetof(finfo_t, server_v4), file->addr_inet);
  conmon_store_be32(rec + offsetof(finfo_t, file_len), file->file_len);

  // Work on a copy of the size record and a scratch copy of the touched bytes so that
  // a failure leaves the caller's body and size as they were.
  conmon_message_size_info_t s = *size;
  if (s.curr < sizeof(upg_t)) s.curr = sizeof(upg_t);
  conmon_message_body_t *b = body;
  uint16_t saved_file = conmon_load_be16(b->data + offsetof(upg_t, file));
  aud_error_t err = conmon_aurelian_message_append(b, &s, offsetof(upg_t, file),
                                                   CONMON_MESSAGE_ALIGN_4, rec, sizeof rec);
  if (err != AUD_SUCCESS) return err;
  if (has_path) {
    size_t rec_at = conmon_load_be16(b->data + offsetof(upg_t, file));
    err = conmon_aurelian_message_append_string(b, &s, rec_at + offsetof(finfo_t, file_path),
                                                CONMON_MESSAGE_ALIGN_NONE, file->filename);
    if (err != AUD_SUCCESS) {
      // Bytes past the caller's curr are not part of the message; only the offset
      // field inside the fixed part needs restoring.
      conmon_store_be16(b->data + offsetof(upg_t, file), saved_file);
      return err;
    }
  }
  or32(b->data + offsetof(upg_t, fields), CONMON_AURELIAN_UPGRADE_CONTROL__FIELD_FILE_SOURCE);
  uint32_t actions = CONMON_AURELIAN_UPGRADE_CONTROL__ACTION_DOWNLOAD;
  if (file->protocol == CONMON_AURELIAN_UPGRADE_PROTOCOL_TFTP_GET) {
    actions |= CONMON_AURELIAN_UPGRADE_CONTROL__ACTION_FLASH;
  }
  conmon_store_be32(b->data + offsetof(upg_t, action_enable), actions);
  *size = s;
  return AUD_SUCCESS;
}
