// Builders of Aurelian status bodies: the device side of the status readers, used by
// simulated devices, tests, benchmarks and fuzz seeds. Each fills a body from a plain
// description record, writes the bytes used into *size and returns
// AUD_ERR_INVALIDPARAMETER for null arguments or counts beyond the record's arrays,
// AUD_ERR_NOMEMORY when the body would pass CONMON_MESSAGE_MAX_BODY_SIZE.
#pragma once

#include <cstddef>
#include <cstdint>

#include "conmon/messages/conmon_aurelian_id_set.h"
#include "conmon/messages/conmon_aurelian_status.h"

// The most ports or interfaces a description holds.
#define CONMON_AURELIAN_STATUS_BUILD_MAX_PORTS 8
#define CONMON_AURELIAN_STATUS_BUILD_MAX_INTERFACES 2
#define CONMON_AURELIAN_STATUS_BUILD_MAX_RATES 64

struct conmon_aurelian_clocking_status_info {
  uint16_t clock_state;
  uint16_t servo_state;
  uint16_t clock_source;
  uint8_t clock_preferred;
  uint8_t clock_stratum;
  int32_t drift;
  conmon_aurelian_clock_uuid_t uuid;
  conmon_aurelian_clock_uuid_t master_uuid;
  conmon_aurelian_clock_uuid_t grandmaster_uuid;
  uint16_t num_ports;
  uint16_t port_states[CONMON_AURELIAN_STATUS_BUILD_MAX_PORTS];
  // Extension block (written from version 0x0400 when has_ext).
  aud_bool_t has_ext;
  uint16_t capabilities;
  uint16_t subdomain_index;
  int32_t max_drift;
  uint8_t ptp_version;
  uint8_t v2_domain_number;
  uint16_t flags;
  char subdomain_name[16];
  uint16_t mute_flags;
  uint16_t wc_valid;
  // ext2 and ext3 data (written from version 0x071C with an extension block).
  aud_bool_t has_ext2;
  struct {
    uint16_t flags;
    uint16_t port_id;
    uint8_t ptp_version;
    uint8_t transport_layer;
    uint8_t castness;
    uint32_t interface_index;
    uint16_t port_state;
    uint16_t valid_flags;
  } ext2_ports[CONMON_AURELIAN_STATUS_BUILD_MAX_PORTS];
  uint16_t num_ext2_ports;
  aud_bool_t has_ext3;
  uint16_t ext3_flags;
  conmon_aurelian_clock_uuid_t v2_uuid;
  conmon_aurelian_clock_uuid_t v2_master_uuid;
  conmon_aurelian_clock_uuid_t v2_gm_uuid;
  // One per ext2 port; 0xFFFF leaves the record's valid bit clear.
  uint16_t network_index[CONMON_AURELIAN_STATUS_BUILD_MAX_PORTS];
};
typedef conmon_aurelian_clocking_status_info conmon_aurelian_clocking_status_info_t;

aud_error_t conmon_aurelian_build_clocking_status(
    conmon_message_body_t *body, size_t *size, uint16_t version, uint32_t delay,
    const conmon_aurelian_clocking_status_info_t *info);

struct conmon_aurelian_interface_status_info {
  uint16_t mode;
  uint16_t flags;
  uint16_t num_interfaces;
  struct {
    uint32_t link_speed;
    uint16_t flags;
    uint8_t mac_address[6];
    uint32_t ip_address;  // network order, as the other addresses
    uint32_t netmask;
    uint32_t dns_server;
    uint32_t gateway;
    uint16_t reboot_flags;
    uint32_t reboot_ip_address;
    uint32_t reboot_netmask;
    uint32_t reboot_dns_server;
    uint32_t reboot_gateway;
    const char *domain_name;         // null: none
    const char *reboot_domain_name;  // null: none
  } interfaces[CONMON_AURELIAN_STATUS_BUILD_MAX_INTERFACES];
  // Writes the second records (reboot settings and domain names).
  aud_bool_t has_interface2;
};
typedef conmon_aurelian_interface_status_info conmon_aurelian_interface_status_info_t;

aud_error_t conmon_aurelian_build_interface_status(
    conmon_message_body_t *body, size_t *size, uint16_t version, uint32_t delay,
    const conmon_aurelian_interface_status_info_t *info);

// SRATE_STATUS or ENC_STATUS (type): the list right after the 24-byte fixed part.
aud_error_t conmon_aurelian_build_srate_status(conmon_message_body_t *body, size_t *size,
                                               uint16_t version, uint32_t delay, uint16_t type,
                                               uint32_t current, uint32_t next, uint16_t mode,
                                               uint16_t num_available, const uint32_t *available);

struct conmon_aurelian_versions_status_info {
  uint32_t software_version;  // 8.8.16
  uint32_t software_build;
  uint32_t firmware_version;
  uint32_t firmware_build;
  uint32_t api_version;
  uint8_t model_id[8];
  uint32_t capabilities;
  const char *model_name;
  uint16_t num_web_plugin_ids;
  const char *const *web_plugin_ids;
};
typedef conmon_aurelian_versions_status_info conmon_aurelian_versions_status_info_t;

// 216 bytes, then the web plugin ids (24 bytes each).
aud_error_t conmon_aurelian_build_versions_status(
    conmon_message_body_t *body, size_t *size, uint16_t version, uint32_t delay,
    const conmon_aurelian_versions_status_info_t *info);

struct conmon_aurelian_manf_versions_status_info {
  uint8_t manufacturer[8];
  uint8_t model_id[8];
  uint8_t serial_id[8];
  uint32_t software_version;
  uint32_t firmware_version;
  uint32_t capabilities;
  uint32_t software_build;
  uint32_t firmware_build;
  const char *manufacturer_name;
  const char *model_name;
  uint32_t model_version;
  const char *model_version_string;
};
typedef conmon_aurelian_manf_versions_status_info conmon_aurelian_manf_versions_status_info_t;

aud_error_t conmon_aurelian_build_manf_versions_status(
    conmon_message_body_t *body, size_t *size, uint16_t version, uint32_t delay,
    const conmon_aurelian_manf_versions_status_info_t *info);

// The small fixed status bodies.
aud_error_t conmon_aurelian_build_lock_status(conmon_message_body_t *body, size_t *size,
                                              uint16_t version, uint32_t delay,
                                              uint16_t lock_status, uint16_t status_flags);
aud_error_t conmon_aurelian_build_aes67_status(conmon_message_body_t *body, size_t *size,
                                               uint16_t version, uint32_t delay, uint16_t flags);
aud_error_t conmon_aurelian_build_sys_reset_status(conmon_message_body_t *body, size_t *size,
                                                   uint16_t version, uint32_t delay, uint16_t mode);
aud_error_t conmon_aurelian_build_clear_config_status(conmon_message_body_t *body, size_t *size,
                                                      uint16_t version, uint32_t delay,
                                                      uint32_t supported, uint32_t executed);
aud_error_t conmon_aurelian_build_routing_ready_status(conmon_message_body_t *body, size_t *size,
                                                       uint16_t version, uint32_t delay,
                                                       aud_bool_t ready, uint8_t link_status,
                                                       uint16_t num_txchannels,
                                                       uint16_t num_rxchannels);

// Upgrade status; file (may be null) adds a file information record and field bit 8.
aud_error_t conmon_aurelian_build_upgrade_status(conmon_message_body_t *body, size_t *size,
                                                 uint16_t version, uint32_t delay,
                                                 const conmon_aurelian_upgrade_status_t *status,
                                                 uint32_t fields,
                                                 const conmon_aurelian_upgrade_source_file_t *file);

// An identifier set naming the given 1-based identifiers in a plain bitmap (type
// e.g. RX_CHANNEL_CHANGE), without a media extension. ids beyond 8 * 1024 are refused.
aud_error_t conmon_aurelian_build_id_set(conmon_message_body_t *body, size_t *size,
                                         uint16_t version, uint32_t delay, uint16_t type,
                                         size_t num_ids, const uint16_t *ids);
