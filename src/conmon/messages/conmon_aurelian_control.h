// Builders of the Aurelian control and query bodies the controller sends. Each
// builder fills a caller-supplied body; nothing is allocated or sent. The init
// functions write the head (version CONMON_AURELIAN_MESSAGE_VERSION, type, congestion
// delay window) and clear the body's "valid" words; fields a builder does not name
// keep what the buffer held, so callers start from a zero-filled body. Every builder
// returns AUD_ERR_INVALIDPARAMETER for a null body or size record and leaves the body
// untouched on failure.
#pragma once

#include <cstddef>
#include <cstdint>

#include "conmon/messages/conmon_aurelian_message.h"

// ---- Clocking control (CLOCKING_CONTROL, 40 bytes) ----

enum : uint16_t {
  CONMON_AURELIAN_CLOCKING_CONTROL_FIELD_SOURCE = 0x0001,
  CONMON_AURELIAN_CLOCKING_CONTROL_FIELD_PREFERRED = 0x0002,
  CONMON_AURELIAN_CLOCKING_CONTROL_FIELD_SUBDOMAIN_INDEX_DEPRECATED = 0x0004,
  CONMON_AURELIAN_CLOCKING_CONTROL_FIELD_SUBDOMAIN_NAME = 0x0008,
  CONMON_AURELIAN_CLOCKING_CONTROL_FIELD_PORT_ID = 0x0020,
};

// Clocking flags, in control and status bodies.
enum : uint16_t {
  CONMON_AURELIAN_CLOCKING_FLAG_UNICAST_DELAY_REQUESTS_DEPRECATED = 0x0001,
  CONMON_AURELIAN_CLOCKING_FLAG_MULTICAST_PORTS_ENABLED = 0x0002,
  CONMON_AURELIAN_CLOCKING_FLAG_SLAVE_ONLY_ENABLED = 0x0004,
  CONMON_AURELIAN_CLOCKING_FLAG_VERSION_1_PORTS_ENABLED = 0x0008,
  CONMON_AURELIAN_CLOCKING_FLAG_VERSION_2_PORTS_ENABLED = 0x0010,
  CONMON_AURELIAN_CLOCKING_FLAG_LAYER_2_PORTS_ENABLED = 0x0020,
  CONMON_AURELIAN_CLOCKING_FLAG_LAYER_3_PORTS_ENABLED = 0x0040,
  CONMON_AURELIAN_CLOCKING_FLAG_PORT_ID_PORT_ENABLED = 0x0080,
  CONMON_AURELIAN_CLOCKING_FLAG_PER_PORT_UNICAST_DELAY_REQUESTS = 0x0100,
  CONMON_AURELIAN_CLOCKING_FLAG_VERSION_1_UNICAST_DELAY_REQUESTS = 0x0200,
  CONMON_AURELIAN_CLOCKING_FLAG_VERSION_2_UNICAST_DELAY_REQUESTS = 0x0400,
  CONMON_AURELIAN_CLOCKING_FLAG_PTP_V2_DOMAIN_IS_VALID = 0x0800,
  CONMON_AURELIAN_CLOCKING_FLAG_PREFERRED_LOCKED = 0x1000,
};

// Transport layers and port path types of PTP ports.
typedef enum {
  CONMON_TRANSPORT_LAYER_UNKNOWN = 0,
  CONMON_TRANSPORT_LAYER_2 = 1,
  CONMON_TRANSPORT_LAYER_3 = 2,
} conmon_transport_layer_t;

typedef enum {
  CONMON_PORT_PATH_TYPE_UNKNOWN = 0,
  CONMON_PORT_PATH_TYPE_MULTICAST = 1,
  CONMON_PORT_PATH_TYPE_UNICAST = 2,
} conmon_port_path_type_t;

struct __attribute__((packed)) conmon_aurelian_clocking_control {
  conmon_aurelian_message_head_t head;
  uint16_t valid_fields;
  uint16_t clock_source;
  uint8_t clock_preferred;
  uint8_t pad0;
  uint16_t clock_subdomain_index;
  char clock_subdomain_name[16];  // not NUL-terminated when 16 characters long
  uint16_t valid_flags;
  uint16_t config_flags;
  uint16_t port_id;
  uint16_t pad1;
};
typedef conmon_aurelian_clocking_control conmon_aurelian_clocking_control_t;
static_assert(sizeof(conmon_aurelian_clocking_control_t) == 40);
static_assert(offsetof(conmon_aurelian_clocking_control_t, valid_fields) == 8);
static_assert(offsetof(conmon_aurelian_clocking_control_t, clock_preferred) == 12);
static_assert(offsetof(conmon_aurelian_clocking_control_t, clock_subdomain_index) == 14);
static_assert(offsetof(conmon_aurelian_clocking_control_t, clock_subdomain_name) == 16);
static_assert(offsetof(conmon_aurelian_clocking_control_t, valid_flags) == 32);
static_assert(offsetof(conmon_aurelian_clocking_control_t, config_flags) == 34);
static_assert(offsetof(conmon_aurelian_clocking_control_t, port_id) == 36);

// Head, valid_fields 0 and valid_flags 0.
aud_error_t conmon_aurelian_init_clocking_control(conmon_message_body_t *body, uint32_t delay);
// 40.
size_t conmon_aurelian_clocking_control_get_size(void);
aud_error_t conmon_aurelian_clocking_control_set_source(conmon_message_body_t *body,
                                                        uint16_t source);
// clock_preferred = the low byte of preferred.
aud_error_t conmon_aurelian_clocking_control_set_preferred(conmon_message_body_t *body,
                                                           uint32_t preferred);
aud_error_t conmon_aurelian_clocking_control_set_subdomain(conmon_message_body_t *body,
                                                           uint16_t subdomain_index);
// Copies at most 16 characters; null clears the 16 bytes.
aud_error_t conmon_aurelian_clocking_control_set_subdomain_name(conmon_message_body_t *body,
                                                                const char *name);
// The flag setters mark the flag in valid_flags and set or clear it in config_flags.
aud_error_t conmon_aurelian_clocking_control_set_unicast_delay_requests(conmon_message_body_t *body,
                                                                        aud_bool_t enabled);
aud_error_t conmon_aurelian_clocking_control_set_multicast_ports_enabled(
    conmon_message_body_t *body, aud_bool_t enabled);
aud_error_t conmon_aurelian_clocking_control_set_slave_only_enabled(conmon_message_body_t *body,
                                                                    aud_bool_t enabled);
// ptp_version 1 or 2; any other version changes nothing (and succeeds).
aud_error_t conmon_aurelian_clocking_control_set_version_specific_ports_enabled(
    conmon_message_body_t *body, uint8_t ptp_version, aud_bool_t enabled);
// layer 1 (layer 2 ports) or 2 (layer 3 ports); any other value changes nothing.
aud_error_t conmon_aurelian_clocking_control_set_transport_layer_ports_enabled(
    conmon_message_body_t *body, uint8_t layer, aud_bool_t enabled);
aud_error_t conmon_aurelian_clocking_control_set_version_specific_unicast_delay_requests(
    conmon_message_body_t *body, uint8_t ptp_version, aud_bool_t enabled);
// The port forms also set valid_fields bit 5 and port_id.
aud_error_t conmon_aurelian_clocking_control_set_port_id_enabled(conmon_message_body_t *body,
                                                                 uint16_t port_id,
                                                                 aud_bool_t enabled);
aud_error_t conmon_aurelian_clocking_control_set_port_unicast_delay_requests(
    conmon_message_body_t *body, uint16_t port_id, aud_bool_t value);

// ---- Sample rate and encoding control (SRATE_CONTROL, ENC_CONTROL, 16 bytes) ----

#define CONMON_AURELIAN_SRATE_CONTROL_FLAG_RATE 0x00000001u

enum : uint32_t {
  DELOS_ENCODING_PCM16 = 16,
  DELOS_ENCODING_PCM24 = 24,
  DELOS_ENCODING_PCM32 = 32,
};

struct __attribute__((packed)) conmon_aurelian_srate_control {
  conmon_aurelian_message_head_t head;
  uint32_t valid_fields;
  uint32_t new_value;
};
typedef conmon_aurelian_srate_control conmon_aurelian_srate_control_t;
static_assert(sizeof(conmon_aurelian_srate_control_t) == 16);
static_assert(offsetof(conmon_aurelian_srate_control_t, new_value) == 12);

// Head, valid_fields 0, new_value 0.
aud_error_t conmon_aurelian_init_srate_control(conmon_message_body_t *body, uint32_t delay);
size_t conmon_aurelian_srate_control_get_size(void);
// rate != 0: new_value and valid bit 0; rate 0 leaves the body a query.
aud_error_t conmon_aurelian_srate_control_set_rate(conmon_message_body_t *body, uint32_t rate);
aud_error_t conmon_aurelian_init_enc_control(conmon_message_body_t *body, uint32_t delay);
size_t conmon_aurelian_enc_control_get_size(void);
aud_error_t conmon_aurelian_enc_control_set_encoding(conmon_message_body_t *body,
                                                     uint32_t encoding);

// ---- System reset (SYS_RESET, 12 bytes) ----

#define CONMON_AURELIAN_SYS_RESET_FIELD_MODE 0x0001u
enum : uint16_t {
  CONMON_AURELIAN_SYS_RESET_SOFT = 0,
  CONMON_AURELIAN_SYS_RESET_FACTORY = 1,
};

aud_error_t conmon_aurelian_init_sys_reset_control(conmon_message_body_t *body, uint32_t delay);
size_t conmon_aurelian_sys_reset_control_get_size(void);
aud_error_t conmon_aurelian_sys_reset_control_set_mode(conmon_message_body_t *body, uint16_t mode);

// ---- AES67 control (AES67_CONTROL, 12 bytes) ----

#define CONMON_AURELIAN_AES67_VALID_FLAG_ENABLE 0x0001u
#define CONMON_AURELIAN_AES67_CONTROL_FLAG_ENABLE 0x0001u

aud_error_t conmon_aurelian_init_aes67_control(conmon_message_body_t *body, uint32_t delay);
size_t conmon_aurelian_aes67_control_get_size(void);
// Marks the enable bit valid and sets or clears it.
aud_error_t conmon_aurelian_aes67_control_set_enable(conmon_message_body_t *body,
                                                     aud_bool_t enable);

// ---- Clear configuration (CLEAR_CONFIG_CONTROL, 12 bytes) ----

enum : uint32_t {
  CONMON_AURELIAN_CLEAR_CONFIG_QUERY = 0,
  CONMON_AURELIAN_CLEAR_CONFIG_CLEAR_ALL = 1,
  CONMON_AURELIAN_CLEAR_CONFIG_KEEP_IP = 2,
};

// Head, action 0, size->curr 12 (and size->max 1448 when it was 0).
aud_error_t conmon_aurelian_init_clear_config_control(conmon_message_body_t *body,
                                                      conmon_message_size_info_t *size,
                                                      uint32_t delay);
aud_error_t conmon_aurelian_clear_config_control_set_action(conmon_message_body_t *body,
                                                            conmon_message_size_info_t *size,
                                                            uint32_t action);

// ---- Interface control (INTERFACE_CONTROL, fixed part 16 bytes) ----

enum : uint8_t {
  CONMON_AURELIAN_INTERFACE_CONTROL_FIELD_IPADDRESS = 0x01,
  CONMON_AURELIAN_INTERFACE_CONTROL_FIELD_NETMASK = 0x02,
  CONMON_AURELIAN_INTERFACE_CONTROL_FIELD_DNSSERVER = 0x04,
  CONMON_AURELIAN_INTERFACE_CONTROL_FIELD_GATEWAY = 0x08,
  // A value, not a bit: OR-ed in when a domain name is added.
  CONMON_AURELIAN_INTERFACE_CONTROL_FIELD_DOMAIN_NAME = 0x0A,
};

// conmon_interface_flags.
enum : uint16_t {
  CONMON_AURELIAN_INTERFACE_FLAG_UP = 1,
  CONMON_AURELIAN_INTERFACE_FLAG_STATIC = 2,
  CONMON_AURELIAN_INTERFACE_FLAG_RESERVED = 4,
  CONMON_AURELIAN_INTERFACE_FLAG_LINK_LOCAL_DISABLED = 8,
  CONMON_AURELIAN_INTERFACE_FLAG_LINK_LOCAL_DELAYED = 16,
  CONMON_AURELIAN_INTERFACE_FLAG_DHCP_DISABLED = 32,
};

// Interfaces flags.
enum : uint16_t {
  CONMON_AURELIAN_INTERFACES_SWITCH_REDUNDANCY = 1,
  CONMON_AURELIAN_INTERFACES_SWITCH_REDUNDANCY_REBOOT = 2,
};

// The longest domain name an interface control accepts.
#define CONMON_AURELIAN_INTERFACE_DOMAIN_NAME_MAX 254

struct __attribute__((packed)) conmon_aurelian_interface_control {
  conmon_aurelian_message_head_t head;
  uint8_t num_interfaces;
  uint8_t interface_size;
  uint8_t interface_fields;
  uint8_t interface_offset;
  uint16_t mask;
  uint16_t flags;
};
typedef conmon_aurelian_interface_control conmon_aurelian_interface_control_t;
static_assert(sizeof(conmon_aurelian_interface_control_t) == 16);
static_assert(offsetof(conmon_aurelian_interface_control_t, interface_offset) == 11);
static_assert(offsetof(conmon_aurelian_interface_control_t, mask) == 12);
static_assert(offsetof(conmon_aurelian_interface_control_t, flags) == 14);

struct __attribute__((packed)) conmon_aurelian_control_interface {
  uint16_t index;
  uint16_t flags;
  uint32_t ip_address;
  uint32_t netmask;
  uint32_t dns_server;
  uint32_t gateway;
  uint16_t mask;
  uint16_t pad;
  uint16_t domain_name_offset;
  uint16_t pad2;
};
typedef conmon_aurelian_control_interface conmon_aurelian_control_interface_t;
#define CONMON_AURELIAN_CONTROL_INTERFACE_SIZE 28
static_assert(sizeof(conmon_aurelian_control_interface_t) ==
              CONMON_AURELIAN_CONTROL_INTERFACE_SIZE);
static_assert(offsetof(conmon_aurelian_control_interface_t, mask) == 20);
static_assert(offsetof(conmon_aurelian_control_interface_t, domain_name_offset) == 24);

// Head and the six fixed fields 0: an interface query.
aud_error_t conmon_aurelian_init_interface_control(conmon_message_body_t *body, uint32_t delay);
// 16 without records; else interface_offset + num_interfaces * interface_size plus each
// record's domain name and NUL; 0 when a record or name does not fit in the body.
size_t conmon_aurelian_interface_control_get_size(const conmon_message_body_t *body);
// Addresses are IPv4 values in network order, written as they stand.
aud_error_t conmon_aurelian_interface_control_set_interface_address_static(
    conmon_message_body_t *body, uint16_t network_index, uint32_t ip, uint32_t netmask,
    uint32_t dns_server, uint32_t gateway);
aud_error_t conmon_aurelian_interface_control_set_interface_address_dynamic(
    conmon_message_body_t *body, uint16_t network_index);
// Appends the name (no alignment) and points the record at it. Only for a body of
// version 0x070B or later holding a single static record of that network index, and
// a name of at most 254 characters: otherwise AUD_ERR_INVALIDPARAMETER. The name goes
// after the record even when size->curr says less.
aud_error_t conmon_aurelian_interface_control_set_interface_domain_name(
    conmon_message_body_t *body, conmon_message_size_info_t *size, uint16_t network_index,
    const char *name);
// Each writes a fresh record for the network index with only its flag in mask, and in
// flags when link-local is disabled or delayed or DHCP disabled.
aud_error_t conmon_aurelian_interface_control_set_link_local_enabled(conmon_message_body_t *body,
                                                                     uint16_t network_index,
                                                                     aud_bool_t enabled);
aud_error_t conmon_aurelian_interface_control_set_link_local_delayed(conmon_message_body_t *body,
                                                                     uint16_t network_index,
                                                                     aud_bool_t delayed);
aud_error_t conmon_aurelian_interface_control_set_dhcp_enabled(conmon_message_body_t *body,
                                                               uint16_t network_index,
                                                               aud_bool_t enabled);
// Sets bit 0 of the fixed mask and sets or clears bit 0 of the fixed flags.
aud_error_t conmon_aurelian_interface_control_set_switch_redundancy(conmon_message_body_t *body,
                                                                    aud_bool_t redundant);

// ---- Upgrade control, version 3 (UPGRADE_V3_CONTROL, fixed part 48 bytes) ----

enum : uint32_t {
  CONMON_AURELIAN_UPGRADE_CONTROL__FIELD_FLAGS = 1,
  CONMON_AURELIAN_UPGRADE_CONTROL__FIELD_OVERRIDE_MF = 2,
  CONMON_AURELIAN_UPGRADE_CONTROL__FIELD_OVERRIDE_MODEL = 4,
  CONMON_AURELIAN_UPGRADE_CONTROL__FIELD_FILE_SOURCE = 8,
  CONMON_AURELIAN_UPGRADE_CONTROL__FIELD_XMODEM_PARAMS = 16,
  CONMON_AURELIAN_UPGRADE_CONTROL__FIELD_ADDITIONAL_TARGET = 32,
};
enum : uint32_t {
  CONMON_AURELIAN_UPGRADE_CONTROL__ACTION_DOWNLOAD = 1,
  CONMON_AURELIAN_UPGRADE_CONTROL__ACTION_FLASH = 2,
};
enum : uint32_t {
  CONMON_AURELIAN_UPGRADE_FILE_INFO__FIELD_FLAGS = 1,
  CONMON_AURELIAN_UPGRADE_FILE_INFO__FIELD_PROTOCOL = 2,
  CONMON_AURELIAN_UPGRADE_FILE_INFO__FIELD_PORT = 4,
  CONMON_AURELIAN_UPGRADE_FILE_INFO__FIELD_SERVER_V4 = 8,
  CONMON_AURELIAN_UPGRADE_FILE_INFO__FIELD_FILE_PATH = 16,
  CONMON_AURELIAN_UPGRADE_FILE_INFO__FIELD_FILE_LEN = 32,
  CONMON_AURELIAN_UPGRADE_FILE_INFO__FIELD_MF_ID = 64,
  CONMON_AURELIAN_UPGRADE_FILE_INFO__FIELD_MODEL_ID = 128,
};
enum : uint16_t {
  CONMON_AURELIAN_UPGRADE_PROTOCOL_LOCAL = 1,
  CONMON_AURELIAN_UPGRADE_PROTOCOL_TFTP_GET = 2,
  CONMON_AURELIAN_UPGRADE_PROTOCOL_XMODEM = 3,
  CONMON_AURELIAN_UPGRADE_PROTOCOL_HTTP = 4,
  CONMON_AURELIAN_UPGRADE_PROTOCOL_HTTPS = 5,
};

struct __attribute__((packed)) conmon_aurelian_upgrade_control_msg_v3 {
  conmon_aurelian_message_head_t head;
  uint32_t fields;
  uint32_t action_enable_valid;
  uint32_t action_enable;
  uint32_t flags;
  uint8_t manufacturer_override[8];
  uint8_t model_override[8];
  uint16_t file;
  uint16_t protocol_offset;
  uint16_t additional_target_offset;
  uint16_t pad;
};
typedef conmon_aurelian_upgrade_control_msg_v3 conmon_aurelian_upgrade_control_msg_v3_t;
static_assert(sizeof(conmon_aurelian_upgrade_control_msg_v3_t) == 48);
static_assert(offsetof(conmon_aurelian_upgrade_control_msg_v3_t, action_enable) == 16);
static_assert(offsetof(conmon_aurelian_upgrade_control_msg_v3_t, manufacturer_override) == 24);
static_assert(offsetof(conmon_aurelian_upgrade_control_msg_v3_t, file) == 40);
static_assert(offsetof(conmon_aurelian_upgrade_control_msg_v3_t, additional_target_offset) == 44);

struct __attribute__((packed)) conmon_aurelian_upgrade_msg_file_info {
  uint32_t fields;
  uint32_t flags;
  uint16_t protocol;
  uint16_t port;
  uint32_t server_v4;
  uint16_t pad;
  uint16_t file_path;
  uint32_t file_len;
};
typedef conmon_aurelian_upgrade_msg_file_info conmon_aurelian_upgrade_msg_file_info_t;
static_assert(sizeof(conmon_aurelian_upgrade_msg_file_info_t) == 24);
static_assert(offsetof(conmon_aurelian_upgrade_msg_file_info_t, server_v4) == 12);
static_assert(offsetof(conmon_aurelian_upgrade_msg_file_info_t, file_path) == 18);
static_assert(offsetof(conmon_aurelian_upgrade_msg_file_info_t, file_len) == 20);

// The file to upgrade from. Zero (null) members are left out.
struct conmon_aurelian_upgrade_source_file {
  uint16_t protocol;
  uint16_t port;
  uint32_t addr_inet;  // IPv4, network order
  uint32_t file_len;
  const char *filename;
};
typedef conmon_aurelian_upgrade_source_file conmon_aurelian_upgrade_source_file_t;

// Head, the 40 body bytes zeroed, action_enable_valid 3, size->curr 48. On its own it
// is the upgrade query.
aud_error_t conmon_aurelian_init_upgrade_control_v3(conmon_message_body_t *body,
                                                    conmon_message_size_info_t *size,
                                                    uint32_t delay);
// Appends the file information record (4-byte aligned) and the path, points `file` at
// the record and sets the file-source field and the actions (download and flash for
// TFTP, download alone otherwise). AUD_ERR_NOMEMORY when they do not fit.
aud_error_t conmon_aurelian_upgrade_control_set_source_file(
    conmon_message_body_t *body, conmon_message_size_info_t *size,
    const conmon_aurelian_upgrade_source_file_t *file);
