#include "conmon/messages/conmon_aurelian_status_build.h"

#include <cstring>

#include "conmon/messages/conmon_bytes.h"

namespace {

typedef conmon_aurelian_clocking_status_t clk_t;
typedef conmon_aurelian_clocking_status_ext_t ext_t;
typedef conmon_aurelian_port_status_ext2_t port2_t;

// A writer over one body that refuses to pass the body's end.
struct writer {
  uint8_t *p;
  size_t used;
  bool overflow;

  size_t reserve(size_t n, size_t align = 1) {
    size_t at = (used + align - 1) / align * align;
    if (at > CONMON_MESSAGE_MAX_BODY_SIZE || n > CONMON_MESSAGE_MAX_BODY_SIZE - at) {
      overflow = true;
      return 0;
    }
    std::memset(p + at, 0, n + (at - used));
    used = at + n;
    return at;
  }
};

aud_error_t start(conmon_message_body_t *body, size_t *size, const void *info, uint16_t version,
                  uint16_t type, uint32_t delay, size_t fixed, writer *w) {
  if (!body || !size || !info) return AUD_ERR_INVALIDPARAMETER;
  std::memset(body->data, 0, fixed);
  conmon_store_be16(body->data, version);
  conmon_store_be16(body->data + 2, type);
  conmon_store_be32(body->data + 4, delay);
  *w = writer{body->data, fixed, false};
  return AUD_SUCCESS;
}

aud_error_t finish(const writer &w, size_t *size) {
  if (w.overflow) return AUD_ERR_NOMEMORY;
  *size = w.used;
  return AUD_SUCCESS;
}

void put_text(uint8_t *p, size_t n, const char *text) {
  std::memset(p, 0, n);
  if (text) std::memcpy(p, text, strnlen(text, n - 1));
}

const int kAny = 1;  // a non-null marker for builders without a description record

}  // namespace

aud_error_t conmon_aurelian_build_clocking_status(
    conmon_message_body_t *body, size_t *size, uint16_t version, uint32_t delay,
    const conmon_aurelian_clocking_status_info_t *in) {
  if (in && (in->num_ports > CONMON_AURELIAN_STATUS_BUILD_MAX_PORTS ||
             in->num_ext2_ports > CONMON_AURELIAN_STATUS_BUILD_MAX_PORTS)) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  bool old = version < CONMON_AURELIAN_MESSAGE_VERSION_0_2_0;
  size_t fixed = old ? sizeof(conmon_aurelian_clocking_status_0_1_0_t) : sizeof(clk_t);
  writer w;
  aud_error_t err = start(body, size, in, version, CONMON_AURELIAN_MESSAGE_TYPE_CLOCKING_STATUS,
                          delay, fixed, &w);
  if (err != AUD_SUCCESS) return err;
  uint8_t *p = body->data;
  conmon_store_be16(p + offsetof(clk_t, clock_state), in->clock_state);
  conmon_store_be16(p + offsetof(clk_t, servo_state), in->servo_state);
  conmon_store_be16(p + offsetof(clk_t, clock_source), in->clock_source);
  p[offsetof(clk_t, clock_preferred)] = in->clock_preferred;
  p[offsetof(clk_t, clock_stratum)] = in->clock_stratum;
  conmon_store_be32(p + offsetof(clk_t, drift), static_cast<uint32_t>(in->drift));
  if (old) {
    conmon_store_be16(p + offsetof(conmon_aurelian_clocking_status_0_1_0_t, num_ports),
                      in->num_ports);
  } else {
    std::memcpy(p + offsetof(clk_t, uuid), &in->uuid, 8);
    std::memcpy(p + offsetof(clk_t, master_uuid), &in->master_uuid, 8);
    std::memcpy(p + offsetof(clk_t, grandmaster_uuid), &in->grandmaster_uuid, 8);
    conmon_store_be16(p + offsetof(clk_t, num_ports), in->num_ports);
  }
  for (size_t i = 0; i < in->num_ports; i++) {
    size_t at = w.reserve(4);
    if (!w.overflow) conmon_store_be16(p + at, in->port_states[i]);
  }
  if (old || version < CONMON_AURELIAN_MESSAGE_VERSION_0_4_0 || !in->has_ext)
    return finish(w, size);

  size_t ext = w.reserve(sizeof(ext_t), 4);
  if (w.overflow) return finish(w, size);
  conmon_store_be16(p + offsetof(clk_t, ext_offset_bytes), static_cast<uint16_t>(ext));
  conmon_store_be16(p + ext + offsetof(ext_t, capabilities), in->capabilities);
  conmon_store_be16(p + ext + offsetof(ext_t, subdomain_index), in->subdomain_index);
  conmon_store_be32(p + ext + offsetof(ext_t, max_drift), static_cast<uint32_t>(in->max_drift));
  p[ext + offsetof(ext_t, ptp_version)] = in->ptp_version;
  p[ext + offsetof(ext_t, v2_domain_number)] = in->v2_domain_number;
  conmon_store_be16(p + ext + offsetof(ext_t, flags), in->flags);
  std::memcpy(p + ext + offsetof(ext_t, subdomain_name), in->subdomain_name, 16);
  conmon_store_be16(p + ext + offsetof(ext_t, mute_flags), in->mute_flags);
  conmon_store_be16(p + ext + offsetof(ext_t, wc_valid), in->wc_valid);
  if (version < CONMON_AURELIAN_MESSAGE_VERSION_0_7_28 || (!in->has_ext2 && !in->has_ext3)) {
    return finish(w, size);
  }

  size_t table = w.reserve(sizeof(conmon_aurelian_clocking_status_ext_table_t));
  if (w.overflow) return finish(w, size);
  conmon_store_be16(p + table + 6, sizeof(conmon_aurelian_clocking_status_ext_table_t));
  if (in->has_ext2) {
    size_t e2 = w.reserve(sizeof(conmon_aurelian_clocking_status_ext2_data_t), 4);
    size_t ports = w.reserve(sizeof(port2_t) * in->num_ext2_ports, 4);
    if (w.overflow) return finish(w, size);
    conmon_store_be16(p + table + 0, static_cast<uint16_t>(e2));
    conmon_store_be16(p + table + 2, static_cast<uint16_t>(w.used - e2));
    conmon_store_be16(p + e2 + 0, in->num_ext2_ports);
    conmon_store_be16(p + e2 + 4, static_cast<uint16_t>(ports));
    for (size_t i = 0; i < in->num_ext2_ports; i++) {
      uint8_t *r = p + ports + sizeof(port2_t) * i;
      conmon_store_be16(r + offsetof(port2_t, flags), in->ext2_ports[i].flags);
      conmon_store_be16(r + offsetof(port2_t, port_id), in->ext2_ports[i].port_id);
      r[offsetof(port2_t, ptp_version)] = in->ext2_ports[i].ptp_version;
      r[offsetof(port2_t, transport_layer)] = in->ext2_ports[i].transport_layer;
      r[offsetof(port2_t, castness)] = in->ext2_ports[i].castness;
      conmon_store_be32(r + offsetof(port2_t, interface_index), in->ext2_ports[i].interface_index);
      conmon_store_be16(r + offsetof(port2_t, port_state), in->ext2_ports[i].port_state);
      conmon_store_be16(r + offsetof(port2_t, valid_flags), in->ext2_ports[i].valid_flags);
    }
  }
  if (in->has_ext3) {
    size_t e3 = w.reserve(sizeof(conmon_aurelian_clocking_status_ext3_data_t), 4);
    size_t ports = w.reserve(4 * static_cast<size_t>(in->num_ext2_ports), 4);
    if (w.overflow) return finish(w, size);
    conmon_store_be16(p + table + 8, static_cast<uint16_t>(e3));
    conmon_store_be16(p + table + 10, static_cast<uint16_t>(w.used - e3));
    conmon_store_be16(p + e3 + 0, in->num_ext2_ports);
    conmon_store_be16(p + e3 + 2, in->ext3_flags);
    conmon_store_be16(p + e3 + 4, static_cast<uint16_t>(ports));
    conmon_store_be16(p + e3 + 6, 4);
    std::memcpy(p + e3 + 8, &in->v2_uuid, 8);
    std::memcpy(p + e3 + 16, &in->v2_master_uuid, 8);
    std::memcpy(p + e3 + 24, &in->v2_gm_uuid, 8);
    for (size_t i = 0; i < in->num_ext2_ports; i++) {
      uint8_t *r = p + ports + 4 * i;
      bool valid = in->network_index[i] != 0xFFFF;
      conmon_store_be16(r, valid ? 1 : 0);
      conmon_store_be16(r + 2, valid ? in->network_index[i] : 0);
    }
  }
  return finish(w, size);
}

aud_error_t conmon_aurelian_build_interface_status(
    conmon_message_body_t *body, size_t *size, uint16_t version, uint32_t delay,
    const conmon_aurelian_interface_status_info_t *in) {
  if (in && in->num_interfaces > CONMON_AURELIAN_STATUS_BUILD_MAX_INTERFACES) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  writer w;
  aud_error_t err = start(body, size, in, version, CONMON_AURELIAN_MESSAGE_TYPE_INTERFACE_STATUS,
                          delay, sizeof(conmon_aurelian_interface_status_t), &w);
  if (err != AUD_SUCCESS) return err;
  uint8_t *p = body->data;
  conmon_store_be16(p + 8, in->num_interfaces);
  conmon_store_be16(p + 10, in->mode);
  typedef conmon_aurelian_interface_t if_t;
  for (size_t i = 0; i < in->num_interfaces; i++) {
    size_t r = w.reserve(sizeof(if_t));
    const auto &s = in->interfaces[i];
    conmon_store_be32(p + r + offsetof(if_t, link_speed), s.link_speed);
    conmon_store_be16(p + r + offsetof(if_t, flags), s.flags);
    std::memcpy(p + r + offsetof(if_t, mac_address), s.mac_address, 6);
    conmon_store_raw32(p + r + offsetof(if_t, ip_address), s.ip_address);
    conmon_store_raw32(p + r + offsetof(if_t, netmask), s.netmask);
    conmon_store_raw32(p + r + offsetof(if_t, dns_server), s.dns_server);
    conmon_store_raw32(p + r + offsetof(if_t, gateway), s.gateway);
  }
  size_t s2 = w.reserve(sizeof(conmon_aurelian_interface_status2_t));
  conmon_store_be16(p + s2 + 4, in->flags);
  if (!in->has_interface2 || in->num_interfaces == 0) return finish(w, size);
  typedef conmon_aurelian_interface2_t if2_t;
  size_t first = w.reserve(sizeof(if2_t) * in->num_interfaces, 4);
  if (w.overflow) return finish(w, size);
  conmon_store_be16(p + s2, sizeof(if2_t));
  conmon_store_be16(p + s2 + 2, static_cast<uint16_t>(first));
  for (size_t i = 0; i < in->num_interfaces; i++) {
    const auto &s = in->interfaces[i];
    size_t r = first + sizeof(if2_t) * i;
    conmon_store_be16(p + r + offsetof(if2_t, reboot_flags), s.reboot_flags);
    conmon_store_raw32(p + r + offsetof(if2_t, reboot_ip_address), s.reboot_ip_address);
    conmon_store_raw32(p + r + offsetof(if2_t, reboot_netmask), s.reboot_netmask);
    conmon_store_raw32(p + r + offsetof(if2_t, reboot_dns_server), s.reboot_dns_server);
    conmon_store_raw32(p + r + offsetof(if2_t, reboot_gateway), s.reboot_gateway);
    const char *names[2] = {s.domain_name, s.reboot_domain_name};
    size_t fields[2] = {offsetof(if2_t, domain_name_offset),
                        offsetof(if2_t, reboot_domain_name_offset)};
    for (size_t k = 0; k < 2; k++) {
      if (!names[k]) continue;
      size_t n = strnlen(names[k], CONMON_MESSAGE_MAX_BODY_SIZE);
      size_t at = w.reserve(n + 1);
      if (w.overflow) return finish(w, size);
      std::memcpy(p + at, names[k], n);
      conmon_store_be16(p + r + fields[k], static_cast<uint16_t>(at));
    }
  }
  return finish(w, size);
}

aud_error_t conmon_aurelian_build_srate_status(conmon_message_body_t *body, size_t *size,
                                               uint16_t version, uint32_t delay, uint16_t type,
                                               uint32_t current, uint32_t next, uint16_t mode,
                                               uint16_t num_available, const uint32_t *available) {
  if (num_available && !available) return AUD_ERR_INVALIDPARAMETER;
  writer w;
  aud_error_t err =
      start(body, size, &kAny, version, type, delay, sizeof(conmon_aurelian_srate_status_t), &w);
  if (err != AUD_SUCCESS) return err;
  uint8_t *p = body->data;
  conmon_store_be16(p + 8, sizeof(conmon_aurelian_srate_status_t));
  conmon_store_be16(p + 10, num_available);
  conmon_store_be32(p + 12, current);
  conmon_store_be32(p + 16, next);
  conmon_store_be16(p + 20, mode);
  for (size_t i = 0; i < num_available; i++) {
    size_t at = w.reserve(4);
    if (w.overflow) break;
    conmon_store_be32(p + at, available[i]);
  }
  return finish(w, size);
}

aud_error_t conmon_aurelian_build_versions_status(
    conmon_message_body_t *body, size_t *size, uint16_t version, uint32_t delay,
    const conmon_aurelian_versions_status_info_t *in) {
  if (in && in->num_web_plugin_ids && !in->web_plugin_ids) return AUD_ERR_INVALIDPARAMETER;
  typedef conmon_aurelian_versions_status_t v_t;
  writer w;
  aud_error_t err = start(body, size, in, version, CONMON_AURELIAN_MESSAGE_TYPE_VERSIONS_STATUS,
                          delay, sizeof(v_t), &w);
  if (err != AUD_SUCCESS) return err;
  uint8_t *p = body->data;
  conmon_store_be32(p + offsetof(v_t, delos_software_version), in->software_version);
  conmon_store_be32(p + offsetof(v_t, delos_firmware_version), in->firmware_version);
  conmon_store_be32(p + offsetof(v_t, delos_api_version), in->api_version);
  std::memcpy(p + offsetof(v_t, delos_model_id), in->model_id, 8);
  conmon_store_be32(p + offsetof(v_t, capabilities), in->capabilities);
  conmon_store_be32(p + offsetof(v_t, delos_software_build), in->software_build);
  conmon_store_be32(p + offsetof(v_t, delos_firmware_build), in->firmware_build);
  put_text(p + offsetof(v_t, model_name), CONMON_AURELIAN_VERSIONS_MODEL_NAME_SIZE, in->model_name);
  conmon_store_be16(p + offsetof(v_t, num_web_plugin_ids), in->num_web_plugin_ids);
  if (in->num_web_plugin_ids) {
    size_t first = w.reserve(CONMON_AURELIAN_WEB_PLUGIN_ID_SIZE * in->num_web_plugin_ids);
    if (w.overflow) return finish(w, size);
    conmon_store_be16(p + offsetof(v_t, web_plugin_ids_offset), static_cast<uint16_t>(first));
    for (size_t i = 0; i < in->num_web_plugin_ids; i++) {
      put_text(p + first + CONMON_AURELIAN_WEB_PLUGIN_ID_SIZE * i,
               CONMON_AURELIAN_WEB_PLUGIN_ID_SIZE, in->web_plugin_ids[i]);
    }
  }
  return finish(w, size);
}

aud_error_t conmon_aurelian_build_manf_versions_status(
    conmon_message_body_t *body, size_t *size, uint16_t version, uint32_t delay,
    const conmon_aurelian_manf_versions_status_info_t *in) {
  typedef conmon_aurelian_manf_versions_status_t m_t;
  writer w;
  aud_error_t err =
      start(body, size, in, version, CONMON_AURELIAN_MESSAGE_TYPE_MANF_VERSIONS_STATUS, delay,
            sizeof(m_t), &w);
  if (err != AUD_SUCCESS) return err;
  uint8_t *p = body->data;
  std::memcpy(p + offsetof(m_t, manufacturer), in->manufacturer, 8);
  std::memcpy(p + offsetof(m_t, model_id), in->model_id, 8);
  std::memcpy(p + offsetof(m_t, serial_id), in->serial_id, 8);
  conmon_store_be32(p + offsetof(m_t, software_version), in->software_version);
  conmon_store_be32(p + offsetof(m_t, firmware_version), in->firmware_version);
  conmon_store_be32(p + offsetof(m_t, capabilities), in->capabilities);
  conmon_store_be32(p + offsetof(m_t, software_build), in->software_build);
  conmon_store_be32(p + offsetof(m_t, firmware_build), in->firmware_build);
  put_text(p + offsetof(m_t, manufacturer_name), CONMON_AURELIAN_MANF_NAME_SIZE,
           in->manufacturer_name);
  put_text(p + offsetof(m_t, model_name), CONMON_AURELIAN_MANF_NAME_SIZE, in->model_name);
  conmon_store_be32(p + offsetof(m_t, model_version), in->model_version);
  put_text(p + offsetof(m_t, model_version_string), CONMON_AURELIAN_MANF_MODEL_VERSION_STRING_SIZE,
           in->model_version_string);
  return finish(w, size);
}

aud_error_t conmon_aurelian_build_lock_status(conmon_message_body_t *body, size_t *size,
                                              uint16_t version, uint32_t delay,
                                              uint16_t lock_status, uint16_t status_flags) {
  writer w;
  aud_error_t err = start(body, size, &kAny, version, CONMON_AURELIAN_MESSAGE_TYPE_LOCK_STATUS,
                          delay, sizeof(conmon_aurelian_lock_status_t), &w);
  if (err != AUD_SUCCESS) return err;
  conmon_store_be16(body->data + offsetof(conmon_aurelian_lock_status_t, lock_status), lock_status);
  conmon_store_be16(body->data + offsetof(conmon_aurelian_lock_status_t, status_flags),
                    status_flags);
  return finish(w, size);
}

aud_error_t conmon_aurelian_build_aes67_status(conmon_message_body_t *body, size_t *size,
                                               uint16_t version, uint32_t delay, uint16_t flags) {
  writer w;
  aud_error_t err =
      start(body, size, &kAny, version, CONMON_AURELIAN_MESSAGE_TYPE_AES67_STATUS, delay, 12, &w);
  if (err != AUD_SUCCESS) return err;
  conmon_store_be16(body->data + 8, flags);
  return finish(w, size);
}

aud_error_t conmon_aurelian_build_sys_reset_status(conmon_message_body_t *body, size_t *size,
                                                   uint16_t version, uint32_t delay,
                                                   uint16_t mode) {
  writer w;
  aud_error_t err = start(body, size, &kAny, version, CONMON_AURELIAN_MESSAGE_TYPE_SYS_RESET_STATUS,
                          delay, 12, &w);
  if (err != AUD_SUCCESS) return err;
  conmon_store_be16(body->data + 8, mode);
  return finish(w, size);
}

aud_error_t conmon_aurelian_build_clear_config_status(conmon_message_body_t *body, size_t *size,
                                                      uint16_t version, uint32_t delay,
                                                      uint32_t supported, uint32_t executed) {
  writer w;
  aud_error_t err = start(body, size, &kAny, version,
                          CONMON_AURELIAN_MESSAGE_TYPE_CLEAR_CONFIG_STATUS, delay, 16, &w);
  if (err != AUD_SUCCESS) return err;
  conmon_store_be32(body->data + 8, supported);
  conmon_store_be32(body->data + 12, executed);
  return finish(w, size);
}

aud_error_t conmon_aurelian_build_routing_ready_status(conmon_message_body_t *body, size_t *size,
                                                       uint16_t version, uint32_t delay,
                                                       aud_bool_t ready, uint8_t link_status,
                                                       uint16_t num_txchannels,
                                                       uint16_t num_rxchannels) {
  typedef conmon_aurelian_routing_ready_status_t r_t;
  writer w;
  aud_error_t err = start(body, size, &kAny, version, CONMON_AURELIAN_MESSAGE_TYPE_ROUTING_READY,
                          delay, sizeof(r_t), &w);
  if (err != AUD_SUCCESS) return err;
  body->data[offsetof(r_t, ready)] = ready ? 1 : 0;
  body->data[offsetof(r_t, link_status)] = link_status;
  conmon_store_be16(body->data + offsetof(r_t, num_txchannels), num_txchannels);
  conmon_store_be16(body->data + offsetof(r_t, num_rxchannels), num_rxchannels);
  return finish(w, size);
}

aud_error_t conmon_aurelian_build_upgrade_status(
    conmon_message_body_t *body, size_t *size, uint16_t version, uint32_t delay,
    const conmon_aurelian_upgrade_status_t *s, uint32_t fields,
    const conmon_aurelian_upgrade_source_file_t *file) {
  typedef conmon_aurelian_upgrade_status_msg_t u_t;
  typedef conmon_aurelian_upgrade_msg_file_info_t f_t;
  writer w;
  aud_error_t err = start(body, size, s, version, CONMON_AURELIAN_MESSAGE_TYPE_UPGRADE_STATUS,
                          delay, sizeof(u_t), &w);
  if (err != AUD_SUCCESS) return err;
  uint8_t *p = body->data;
  if (file) fields |= CONMON_AURELIAN_UPGRADE_STATUS__FIELD_FILE_INFO;
  conmon_store_be16(p + offsetof(u_t, upgrade_status), s->status);
  conmon_store_be16(p + offsetof(u_t, upgrade_error), s->last_error);
  conmon_store_be32(p + offsetof(u_t, fields), fields);
  conmon_store_be32(p + offsetof(u_t, progress_curr), s->progress.curr);
  conmon_store_be32(p + offsetof(u_t, progress_total), s->progress.total);
  std::memcpy(p + offsetof(u_t, manufacturer_id), s->manufacturer, 8);
  std::memcpy(p + offsetof(u_t, model_id), s->model, 8);
  if (!file) return finish(w, size);
  size_t r = w.reserve(sizeof(f_t), 4);
  if (w.overflow) return finish(w, size);
  conmon_store_be16(p + offsetof(u_t, file_info), static_cast<uint16_t>(r));
  uint32_t ff = 0;
  if (file->protocol) ff |= CONMON_AURELIAN_UPGRADE_FILE_INFO__FIELD_PROTOCOL;
  if (file->port) ff |= CONMON_AURELIAN_UPGRADE_FILE_INFO__FIELD_PORT;
  if (file->addr_inet) ff |= CONMON_AURELIAN_UPGRADE_FILE_INFO__FIELD_SERVER_V4;
  if (file->file_len) ff |= CONMON_AURELIAN_UPGRADE_FILE_INFO__FIELD_FILE_LEN;
  if (file->filename) ff |= CONMON_AURELIAN_UPGRADE_FILE_INFO__FIELD_FILE_PATH;
  conmon_store_be32(p + r + offsetof(f_t, fields), ff);
  conmon_store_be16(p + r + offsetof(f_t, protocol), file->protocol);
  conmon_store_be16(p + r + offsetof(f_t, port), file->port);
  conmon_store_raw32(p + r + offsetof(f_t, server_v4), file->addr_inet);
  conmon_store_be32(p + r + offsetof(f_t, file_len), file->file_len);
  if (file->filename) {
    size_t n = strnlen(file->filename, CONMON_MESSAGE_MAX_BODY_SIZE);
    size_t at = w.reserve(n + 1);
    if (w.overflow) return finish(w, size);
    std::memcpy(p + at, file->filename, n);
    conmon_store_be16(p + r + offsetof(f_t, file_path), static_cast<uint16_t>(at));
  }
  return finish(w, size);
}

aud_error_t conmon_aurelian_build_id_set(conmon_message_body_t *body, size_t *size,
                                         uint16_t version, uint32_t delay, uint16_t type,
                                         size_t num_ids, const uint16_t *ids) {
  if (num_ids && !ids) return AUD_ERR_INVALIDPARAMETER;
  size_t count = 0;
  for (size_t i = 0; i < num_ids; i++) {
    if (ids[i] == 0 || ids[i] > 8 * 1024) return AUD_ERR_INVALIDPARAMETER;
    count = count > (ids[i] + 7u) / 8 ? count : (ids[i] + 7u) / 8;
  }
  writer w;
  aud_error_t err =
      start(body, size, &kAny, version, type, delay, CONMON_AURELIAN_ID_SET_BITMAP_OFFSET, &w);
  if (err != AUD_SUCCESS) return err;
  size_t at = w.reserve(count);
  if (w.overflow) return finish(w, size);
  conmon_store_be16(body->data + CONMON_AURELIAN_ID_SET_COUNT_OFFSET, static_cast<uint16_t>(count));
  for (size_t i = 0; i < num_ids; i++) {
    size_t bit = ids[i] - 1u;
    body->data[at + bit / 8] |= static_cast<uint8_t>(1u << (bit % 8));
  }
  return finish(w, size);
}
