// Readers of the Aurelian status bodies devices send. Every reader takes the received
// body and its length and never reads outside them: a field that lies beyond the body,
// or that the message's version does not have yet, reads as 0, false or absent (null)
// unless stated otherwise. Pointers returned point into the caller's body.
#pragma once

#include <cstddef>
#include <cstdint>

#include "conmon/messages/conmon_aurelian_control.h"
#include "conmon/messages/conmon_aurelian_message.h"

// ---- Clocking status (CLOCKING_STATUS) ----

enum : uint16_t {
  CONMON_AURELIAN_CLOCK_CAPABILITY_FLAG_SUBDOMAINS = 0x0001,
  CONMON_AURELIAN_CLOCK_CAPABILITY_FLAG_SUBDOMAIN_NAMES = 0x0004,
  CONMON_AURELIAN_CLOCK_CAPABILITY_FLAG_UNICAST_DELAY_REQESTS = 0x0008,
  CONMON_AURELIAN_CLOCK_CAPABILITY_FLAG_PULLUPS_HAVE_SUBDOMAIN = 0x0010,
  CONMON_AURELIAN_CLOCK_CAPABILITY_FLAG_SLAVE_ONLY_DEVICE = 0x0020,
  CONMON_AURELIAN_CLOCK_CAPABILITY_FLAG_PTP_VERSION_1 = 0x0040,
  CONMON_AURELIAN_CLOCK_CAPABILITY_FLAG_PTP_VERSION_2 = 0x0080,
  CONMON_AURELIAN_CLOCK_CAPABILITY_FLAG_DISALLOW_PREFERRED = 0x0100,
  CONMON_AURELIAN_CLOCK_CAPABILITY_FLAG_PER_PORT_UDELAY_REQUESTS = 0x0200,
};

typedef enum {
  CONMON_CLOCK_MUTE_INDEX_SYNC = 0,
  CONMON_CLOCK_MUTE_INDEX_EXT_CLK = 1,
  CONMON_CLOCK_MUTE_INDEX_INT_CLK = 2,
  CONMON_CLOCK_MUTE_INDEX_PTP = 3,
  CONMON_CLOCK_MUTE_INDEX_USER = 4,
} conmon_clock_mute_index_t;

typedef enum {
  CONMON_EXTERNAL_WC_STATE_UNKNOWN = 0,
  CONMON_EXTERNAL_WC_STATE_NONE = 1,
  CONMON_EXTERNAL_WC_STATE_INVALID = 2,
  CONMON_EXTERNAL_WC_STATE_VALID = 3,
  CONMON_EXTERNAL_WC_STATE_MISSING = 4,
} conmon_external_wc_state_t;

enum : uint16_t {
  CONMON_AURELIAN_PORT_INT_FLAG_USER_DISABLED = 1,
  CONMON_AURELIAN_PORT_INT_FLAG_LINK_DOWN = 2,
  CONMON_AURELIAN_PORT_INT_FLAG_UDELAY_REQUEST_ENABLED = 4,
};

enum : uint16_t {
  CONMON_AURELIAN_CLOCKING_EXT3_FLAG__CLOCK_ID = 1,
  CONMON_AURELIAN_CLOCKING_EXT3_FLAG__MASTER_ID = 2,
  CONMON_AURELIAN_CLOCKING_EXT3_FLAG__GRANDMASTER_ID = 4,
};

// A clock id: 6 bytes and 2 bytes of padding (PTPv2 ids use all 8).
struct conmon_aurelian_clock_uuid {
  uint8_t data[8];
};
typedef conmon_aurelian_clock_uuid conmon_aurelian_clock_uuid_t;

struct __attribute__((packed)) conmon_aurelian_port_status {
  uint16_t state;
  uint16_t pad;
};
typedef conmon_aurelian_port_status conmon_aurelian_port_status_t;
static_assert(sizeof(conmon_aurelian_port_status_t) == 4);

// Fixed part from version 0x0200.
struct __attribute__((packed)) conmon_aurelian_clocking_status {
  conmon_aurelian_message_head_t head;
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
  uint16_t ext_offset_bytes;
};
typedef conmon_aurelian_clocking_status conmon_aurelian_clocking_status_t;
static_assert(sizeof(conmon_aurelian_clocking_status_t) == 48);
static_assert(offsetof(conmon_aurelian_clocking_status_t, clock_source) == 12);
static_assert(offsetof(conmon_aurelian_clocking_status_t, clock_stratum) == 15);
static_assert(offsetof(conmon_aurelian_clocking_status_t, drift) == 16);
static_assert(offsetof(conmon_aurelian_clocking_status_t, uuid) == 20);
static_assert(offsetof(conmon_aurelian_clocking_status_t, master_uuid) == 28);
static_assert(offsetof(conmon_aurelian_clocking_status_t, grandmaster_uuid) == 36);
static_assert(offsetof(conmon_aurelian_clocking_status_t, num_ports) == 44);
static_assert(offsetof(conmon_aurelian_clocking_status_t, ext_offset_bytes) == 46);

// Fixed part of version 0x0100.
struct __attribute__((packed)) conmon_aurelian_clocking_status_0_1_0 {
  conmon_aurelian_message_head_t head;
  uint16_t clock_state;
  uint16_t servo_state;
  uint16_t clock_source;
  uint8_t clock_preferred;
  uint8_t clock_stratum;
  int32_t drift;
  uint16_t num_ports;
  uint16_t pad;
};
typedef conmon_aurelian_clocking_status_0_1_0 conmon_aurelian_clocking_status_0_1_0_t;
static_assert(sizeof(conmon_aurelian_clocking_status_0_1_0_t) == 24);
static_assert(offsetof(conmon_aurelian_clocking_status_0_1_0_t, num_ports) == 20);

// The extension block at ext_offset_bytes (from version 0x0400).
struct __attribute__((packed)) conmon_aurelian_clocking_status_ext {
  uint16_t capabilities;
  uint16_t subdomain_index;
  int32_t max_drift;
  uint8_t ptp_version;
  uint8_t v2_domain_number;
  uint16_t flags;
  char subdomain_name[16];
  uint16_t mute_flags;
  uint16_t wc_valid;
};
typedef conmon_aurelian_clocking_status_ext conmon_aurelian_clocking_status_ext_t;
static_assert(sizeof(conmon_aurelian_clocking_status_ext_t) == 32);
static_assert(offsetof(conmon_aurelian_clocking_status_ext_t, flags) == 10);
static_assert(offsetof(conmon_aurelian_clocking_status_ext_t, subdomain_name) == 12);
static_assert(offsetof(conmon_aurelian_clocking_status_ext_t, mute_flags) == 28);

// The extension table right after the extension block (from version 0x071C).
struct __attribute__((packed)) conmon_aurelian_clocking_status_ext_table {
  uint16_t ext2_offset;
  uint16_t ext2_length;
  uint16_t reserved;
  uint16_t table_length;
  uint16_t ext3_offset;
  uint16_t ext3_length;
};
typedef conmon_aurelian_clocking_status_ext_table conmon_aurelian_clocking_status_ext_table_t;
static_assert(sizeof(conmon_aurelian_clocking_status_ext_table_t) == 12);

struct __attribute__((packed)) conmon_aurelian_clocking_status_ext2_data {
  uint16_t num_ports;
  uint16_t ext2_flags;
  uint16_t ext2_port_status_offset;
  uint16_t ext2_port_status_size_not_valid;
};
typedef conmon_aurelian_clocking_status_ext2_data conmon_aurelian_clocking_status_ext2_data_t;
static_assert(sizeof(conmon_aurelian_clocking_status_ext2_data_t) == 8);

struct __attribute__((packed)) conmon_aurelian_port_status_ext2 {
  uint16_t flags;
  uint16_t port_id;
  uint8_t ptp_version;
  uint8_t transport_layer;
  uint8_t castness;
  uint8_t pad;
  uint32_t interface_index;
  uint16_t port_state;
  uint16_t valid_flags;
};
typedef conmon_aurelian_port_status_ext2 conmon_aurelian_port_status_ext2_t;
static_assert(sizeof(conmon_aurelian_port_status_ext2_t) == 16);
static_assert(offsetof(conmon_aurelian_port_status_ext2_t, interface_index) == 8);
static_assert(offsetof(conmon_aurelian_port_status_ext2_t, port_state) == 12);

struct __attribute__((packed)) conmon_aurelian_clocking_status_ext3_data {
  uint16_t num_ports;
  uint16_t ext3_flags;
  uint16_t ext3_port_status_offset;
  uint16_t ext3_port_status_size;
  conmon_aurelian_clock_uuid_t uuid;
  conmon_aurelian_clock_uuid_t master_uuid;
  conmon_aurelian_clock_uuid_t gm_uuid;
};
typedef conmon_aurelian_clocking_status_ext3_data conmon_aurelian_clocking_status_ext3_data_t;
static_assert(sizeof(conmon_aurelian_clocking_status_ext3_data_t) == 32);

struct __attribute__((packed)) conmon_aurelian_port_status_ext3 {
  uint16_t valid_fields;  // bit 0: network_index valid
  uint16_t network_index;
};
typedef conmon_aurelian_port_status_ext3 conmon_aurelian_port_status_ext3_t;
static_assert(sizeof(conmon_aurelian_port_status_ext3_t) == 4);

uint16_t conmon_aurelian_clocking_status_get_clock_state(const uint8_t *body, size_t len);
uint16_t conmon_aurelian_clocking_status_get_servo_state(const uint8_t *body, size_t len);
uint16_t conmon_aurelian_clocking_status_get_clock_source(const uint8_t *body, size_t len);
aud_bool_t conmon_aurelian_clocking_status_is_clock_preferred(const uint8_t *body, size_t len);
uint8_t conmon_aurelian_clocking_status_get_clock_stratum(const uint8_t *body, size_t len);
int32_t conmon_aurelian_clocking_status_get_drift(const uint8_t *body, size_t len);
// Null before version 0x0200.
const conmon_aurelian_clock_uuid_t *conmon_aurelian_clocking_status_get_uuid(const uint8_t *body,
                                                                             size_t len);
const conmon_aurelian_clock_uuid_t *conmon_aurelian_clocking_status_get_master_uuid(
    const uint8_t *body, size_t len);
const conmon_aurelian_clock_uuid_t *conmon_aurelian_clocking_status_get_grandmaster_uuid(
    const uint8_t *body, size_t len);
// The extension-block fields read as 0 without a block (before 0x0400, offset 0, or a
// block not wholly within the body).
int32_t conmon_aurelian_clocking_status_get_max_drift(const uint8_t *body, size_t len);
uint16_t conmon_aurelian_clocking_status_get_capabilities(const uint8_t *body, size_t len);
uint16_t conmon_aurelian_clocking_status_get_subdomain_index(const uint8_t *body, size_t len);
// Copies the subdomain name (at most 16 characters) into name, NUL-terminated, and
// returns name; null when absent or empty.
const char *conmon_aurelian_clocking_status_get_subdomain_name(const uint8_t *body, size_t len,
                                                               char name[17]);
// Flag 0x0001, only for versions 0x0603 to 0x071E.
aud_bool_t conmon_aurelian_clocking_status_get_unicast_delay_requests(const uint8_t *body,
                                                                      size_t len);
// Flag 0x0002 from 0x060B; true for older messages or without an extension block.
aud_bool_t conmon_aurelian_clocking_status_get_multicast_ports_enabled(const uint8_t *body,
                                                                       size_t len);
// Flag 0x0004 from 0x0717.
aud_bool_t conmon_aurelian_clocking_status_get_slave_only_enabled(const uint8_t *body, size_t len);
// Flag 0x1000 from 0x072E.
aud_bool_t conmon_aurelian_clocking_status_is_preferred_locked(const uint8_t *body, size_t len);
// From 0x0704.
uint16_t conmon_aurelian_clocking_status_get_mute_flags(const uint8_t *body, size_t len);
// From 0x0705, else CONMON_EXTERNAL_WC_STATE_UNKNOWN.
uint16_t conmon_aurelian_clocking_status_get_ext_wc_state(const uint8_t *body, size_t len);
// num_ports of the fixed part (offset 20 in version 0x0100, else 44).
uint16_t conmon_aurelian_clocking_status_num_ports(const uint8_t *body, size_t len);
// Null at or past num_ports or beyond the body.
const conmon_aurelian_port_status_t *conmon_aurelian_clocking_status_port_at_index(
    const uint8_t *body, size_t len, uint16_t index);
// 0 for a null port.
uint16_t conmon_aurelian_port_status_get_port_state(const conmon_aurelian_port_status_t *port);
// The ext2 port count (all PTP versions); 0 without ext2 data (before 0x071C).
uint16_t conmon_aurelian_clocking_status_total_num_ports(const uint8_t *body, size_t len);
// Null at or past the ext2 / ext3 port count or beyond the body.
const conmon_aurelian_port_status_ext2_t *conmon_aurelian_port_status_ext2_get_port_at_index(
    const uint8_t *body, size_t len, uint16_t index);
const conmon_aurelian_port_status_ext3_t *conmon_aurelian_port_status_ext3_get_port_at_index(
    const uint8_t *body, size_t len, uint16_t index);
// ext2 record fields; 0 for a null record.
uint16_t conmon_aurelian_clocking_status_get_port_state(
    const conmon_aurelian_port_status_ext2_t *p);
uint8_t conmon_aurelian_clocking_status_get_port_path_type(
    const conmon_aurelian_port_status_ext2_t *p);
uint8_t conmon_aurelian_clocking_status_get_port_transport_layer(
    const conmon_aurelian_port_status_ext2_t *p);
uint8_t conmon_aurelian_clocking_status_get_port_ptp_version(
    const conmon_aurelian_port_status_ext2_t *p);
uint16_t conmon_aurelian_clocking_status_get_port_id(const conmon_aurelian_port_status_ext2_t *p);
uint32_t conmon_aurelian_clocking_status_get_port_interface_index(
    const conmon_aurelian_port_status_ext2_t *p);
uint16_t conmon_aurelian_clocking_status_get_port_flags(
    const conmon_aurelian_port_status_ext2_t *p);
// 0xFFFF unless the version is 0x0726 or later and the record's valid bit is set.
uint16_t conmon_aurelian_clocking_status_get_port_network_index(
    const uint8_t *body, size_t len, const conmon_aurelian_port_status_ext3_t *p);
// AUD_ERR_NOTFOUND before 0x0728, without an extension block or unless flag 0x0800
// is set; *number untouched then.
aud_error_t conmon_aurelian_clocking_status_get_v2_domain_number(const uint8_t *body, size_t len,
                                                                 uint8_t *number);
// From 0x072E, each only with its ext3 flag; else null.
const conmon_aurelian_clock_uuid_t *conmon_aurelian_clocking_status_get_v2_uuid(const uint8_t *body,
                                                                                size_t len);
const conmon_aurelian_clock_uuid_t *conmon_aurelian_clocking_status_get_v2_master_uuid(
    const uint8_t *body, size_t len);
const conmon_aurelian_clock_uuid_t *conmon_aurelian_clocking_status_get_v2_grandmaster_uuid(
    const uint8_t *body, size_t len);

// ---- Sample rate, encoding and pull-up status ----

typedef enum {
  CONMON_SRATE_MODE_FIXED = 0,
  CONMON_SRATE_MODE_REBOOT = 1,
  CONMON_SRATE_MODE_IMMEDIATE = 2,
} conmon_srate_mode_t;

struct __attribute__((packed)) conmon_aurelian_srate_status {
  conmon_aurelian_message_head_t head;
  uint16_t avail_offset;
  uint16_t avail_count;
  uint32_t value_curr;
  uint32_t value_next;
  uint16_t mode;
  uint16_t pad;
};
typedef conmon_aurelian_srate_status conmon_aurelian_srate_status_t;
static_assert(sizeof(conmon_aurelian_srate_status_t) == 24);
static_assert(offsetof(conmon_aurelian_srate_status_t, value_next) == 16);
static_assert(offsetof(conmon_aurelian_srate_status_t, mode) == 20);

struct __attribute__((packed)) conmon_aurelian_srate_pullup_status {
  conmon_aurelian_srate_status_t base;
  uint32_t flags_known;
  uint32_t flags;
  char clock_subdomain_name[16];
};
typedef conmon_aurelian_srate_pullup_status conmon_aurelian_srate_pullup_status_t;
static_assert(sizeof(conmon_aurelian_srate_pullup_status_t) == 48);
static_assert(offsetof(conmon_aurelian_srate_pullup_status_t, flags_known) == 24);
static_assert(offsetof(conmon_aurelian_srate_pullup_status_t, clock_subdomain_name) == 32);

// 1 (reboot) before version 0x0501.
uint16_t conmon_aurelian_srate_get_mode(const uint8_t *body, size_t len);
uint32_t conmon_aurelian_srate_get_current(const uint8_t *body, size_t len);
uint32_t conmon_aurelian_srate_get_new(const uint8_t *body, size_t len);
// avail_count as received; 0 when it is 0 or avail_offset is 0 or not a multiple of 4.
uint16_t conmon_aurelian_srate_get_available_count(const uint8_t *body, size_t len);
// Entry index of the list; 0 past the count or when the entry lies beyond the body.
uint32_t conmon_aurelian_srate_get_available(const uint8_t *body, size_t len, uint16_t index);
uint16_t conmon_aurelian_enc_get_mode(const uint8_t *body, size_t len);
uint16_t conmon_aurelian_enc_get_current(const uint8_t *body, size_t len);
uint16_t conmon_aurelian_enc_get_new(const uint8_t *body, size_t len);
uint16_t conmon_aurelian_enc_get_available_count(const uint8_t *body, size_t len);
uint16_t conmon_aurelian_enc_get_available(const uint8_t *body, size_t len, uint16_t index);
uint16_t conmon_aurelian_srate_pullup_get_mode(const uint8_t *body, size_t len);
uint32_t conmon_aurelian_srate_pullup_get_current(const uint8_t *body, size_t len);
uint32_t conmon_aurelian_srate_pullup_get_new(const uint8_t *body, size_t len);
// 0 before version 0x070F.
uint32_t conmon_aurelian_srate_pullup_get_flags_known(const uint8_t *body, size_t len);
uint32_t conmon_aurelian_srate_pullup_get_flags(const uint8_t *body, size_t len);
uint16_t conmon_aurelian_srate_pullup_get_available_count(const uint8_t *body, size_t len);
uint32_t conmon_aurelian_srate_pullup_get_available(const uint8_t *body, size_t len,
                                                    uint16_t index);
// True from version 0x0711.
aud_bool_t conmon_aurelian_srate_pullup_has_subdomain(const uint8_t *body, size_t len);
// As the clocking subdomain name: copied into name, null when absent or empty.
const char *conmon_aurelian_srate_pullup_get_subdomain(const uint8_t *body, size_t len,
                                                       char name[17]);

// ---- Interface status (INTERFACE_STATUS) ----

typedef enum {
  CONMON_INTERFACE_MODE_DIRECT = 0,
  CONMON_INTERFACE_MODE_SWITCHED = 1,
} conmon_interface_mode_t;

struct __attribute__((packed)) conmon_aurelian_interface {
  uint32_t link_speed;
  uint16_t flags;
  uint8_t mac_address[6];
  uint32_t ip_address;
  uint32_t netmask;
  uint32_t dns_server;
  uint32_t gateway;
};
typedef conmon_aurelian_interface conmon_aurelian_interface_t;
static_assert(sizeof(conmon_aurelian_interface_t) == 28);
static_assert(offsetof(conmon_aurelian_interface_t, mac_address) == 6);
static_assert(offsetof(conmon_aurelian_interface_t, ip_address) == 12);
static_assert(offsetof(conmon_aurelian_interface_t, gateway) == 24);

struct __attribute__((packed)) conmon_aurelian_interface_status {
  conmon_aurelian_message_head_t head;
  uint16_t num_networks;
  uint16_t mode;
};
typedef conmon_aurelian_interface_status conmon_aurelian_interface_status_t;
static_assert(sizeof(conmon_aurelian_interface_status_t) == 12);

struct __attribute__((packed)) conmon_aurelian_interface_status2 {
  uint16_t interface2_size;
  uint16_t interface2_offset;
  uint16_t flags;
  uint16_t pad;
};
typedef conmon_aurelian_interface_status2 conmon_aurelian_interface_status2_t;
static_assert(sizeof(conmon_aurelian_interface_status2_t) == 8);

struct __attribute__((packed)) conmon_aurelian_interface2 {
  uint16_t reboot_flags;
  uint16_t pad;
  uint32_t reboot_ip_address;
  uint32_t reboot_netmask;
  uint32_t reboot_dns_server;
  uint32_t reboot_gateway;
  uint16_t domain_name_offset;
  uint16_t reboot_domain_name_offset;
};
typedef conmon_aurelian_interface2 conmon_aurelian_interface2_t;
static_assert(sizeof(conmon_aurelian_interface2_t) == 24);
static_assert(offsetof(conmon_aurelian_interface2_t, domain_name_offset) == 20);

uint16_t conmon_aurelian_interface_status_num_interfaces(const uint8_t *body, size_t len);
// From version 0x0201, else DIRECT.
uint16_t conmon_aurelian_interface_status_get_mode(const uint8_t *body, size_t len);
// The interfaces flags, from version 0x0602, else 0.
uint16_t conmon_aurelian_interface_status_get_flags(const uint8_t *body, size_t len);
// Null at or past the count or beyond the body.
const conmon_aurelian_interface_t *conmon_aurelian_interface_status_interface_at_index(
    const uint8_t *body, size_t len, uint16_t index);
// Record fields; 0 for a null record. Addresses are in network order.
uint32_t conmon_aurelian_interface_get_link_speed(const conmon_aurelian_interface_t *iface);
uint16_t conmon_aurelian_interface_get_flags(const conmon_aurelian_interface_t *iface);
// The six MAC bytes, or null.
const uint8_t *conmon_aurelian_interface_get_mac_address(const conmon_aurelian_interface_t *iface);
uint32_t conmon_aurelian_interface_get_ip_address(const conmon_aurelian_interface_t *iface);
uint32_t conmon_aurelian_interface_get_netmask(const conmon_aurelian_interface_t *iface);
uint32_t conmon_aurelian_interface_get_dns_server(const conmon_aurelian_interface_t *iface);
uint32_t conmon_aurelian_interface_get_gateway(const conmon_aurelian_interface_t *iface);
// The interface's domain name (from 0x070B), a pointer into the body; null when the
// second record or its offset is missing or the string is not terminated in the body.
// iface must come from conmon_aurelian_interface_status_interface_at_index on this body.
const char *conmon_aurelian_interface_status_get_domain_name(
    const conmon_aurelian_interface_t *iface, const uint8_t *body, size_t len);
// True when the interface has a second record (its settings after the next reboot).
aud_bool_t conmon_aurelian_interface_is_reboot_configured(const conmon_aurelian_interface_t *iface,
                                                          const uint8_t *body, size_t len);
// The second record's fields; 0 (or null) without a second record.
uint16_t conmon_aurelian_interface_get_reboot_flags(const conmon_aurelian_interface_t *iface,
                                                    const uint8_t *body, size_t len);
uint32_t conmon_aurelian_interface_get_reboot_ip_address(const conmon_aurelian_interface_t *iface,
                                                         const uint8_t *body, size_t len);
uint32_t conmon_aurelian_interface_get_reboot_netmask(const conmon_aurelian_interface_t *iface,
                                                      const uint8_t *body, size_t len);
uint32_t conmon_aurelian_interface_get_reboot_dns_server(const conmon_aurelian_interface_t *iface,
                                                         const uint8_t *body, size_t len);
uint32_t conmon_aurelian_interface_get_reboot_gateway(const conmon_aurelian_interface_t *iface,
                                                      const uint8_t *body, size_t len);
const char *conmon_aurelian_interface_get_reboot_domain_name(
    const conmon_aurelian_interface_t *iface, const uint8_t *body, size_t len);

// ---- Versions status (VERSIONS_STATUS, 216 bytes) ----

#define CONMON_AURELIAN_CLOCK_PROTOCOL_FLAG_PTPV1 0x00000001u
#define CONMON_AURELIAN_VERSIONS_MODEL_NAME_SIZE 128
#define CONMON_AURELIAN_WEB_PLUGIN_ID_SIZE 24

struct __attribute__((packed)) conmon_aurelian_versions_status {
  conmon_aurelian_message_head_t head;
  uint32_t delos_software_version;
  uint32_t delos_firmware_version;
  uint32_t delos_api_version;
  uint8_t delos_model_id[8];
  uint32_t capabilities;
  uint32_t preferred_link_speed;
  uint32_t device_status;
  uint32_t delos_software_build;
  uint32_t delos_firmware_build;
  uint32_t uboot_version;
  uint32_t clock_protocols;
  uint16_t upgrade_pad;
  uint16_t upgrade_version;
  uint32_t readonly_capabilities;
  char model_name[CONMON_AURELIAN_VERSIONS_MODEL_NAME_SIZE];
  uint32_t guppy_monitoring_flags;
  uint32_t capabilities_1;
  uint32_t capabilities_domain_mask;
  uint32_t capabilities_domain_value;
  uint16_t num_web_plugin_ids;
  uint16_t web_plugin_ids_offset;
  uint32_t rendering_hint_flags;
};
typedef conmon_aurelian_versions_status conmon_aurelian_versions_status_t;
static_assert(sizeof(conmon_aurelian_versions_status_t) == 216);
static_assert(offsetof(conmon_aurelian_versions_status_t, delos_model_id) == 20);
static_assert(offsetof(conmon_aurelian_versions_status_t, capabilities) == 28);
static_assert(offsetof(conmon_aurelian_versions_status_t, uboot_version) == 48);
static_assert(offsetof(conmon_aurelian_versions_status_t, upgrade_version) == 58);
static_assert(offsetof(conmon_aurelian_versions_status_t, model_name) == 64);
static_assert(offsetof(conmon_aurelian_versions_status_t, guppy_monitoring_flags) == 192);
static_assert(offsetof(conmon_aurelian_versions_status_t, capabilities_domain_mask) == 200);
static_assert(offsetof(conmon_aurelian_versions_status_t, num_web_plugin_ids) == 208);
static_assert(offsetof(conmon_aurelian_versions_status_t, rendering_hint_flags) == 212);

// Unpacks an 8.8.16 version number.
void conmon_aurelian_version_from_uint32(uint32_t value, delos_version_t *version);

// Version (8.8.16) and build (0 before 0x0701). AUD_ERR_TRUNCATED when the version
// field lies beyond the body; out-parameters untouched on failure; either may be null.
aud_error_t conmon_aurelian_versions_status_get_delos_software_version_build(
    const uint8_t *body, size_t len, delos_version_t *version, uint32_t *build);
aud_error_t conmon_aurelian_versions_status_get_delos_firmware_version_build(
    const uint8_t *body, size_t len, delos_version_t *version, uint32_t *build);
uint32_t conmon_aurelian_versions_status_get_delos_api_version(const uint8_t *body, size_t len);
uint32_t conmon_aurelian_versions_status_get_uboot_version(const uint8_t *body, size_t len);
uint16_t conmon_aurelian_versions_status_get_upgrade_version(const uint8_t *body, size_t len);
// The 8 id bytes, or null.
const uint8_t *conmon_aurelian_versions_status_get_delos_model_id(const uint8_t *body, size_t len);
// From 0x070C; null when empty or not terminated within its 128 bytes.
const char *conmon_aurelian_versions_status_get_delos_model_name(const uint8_t *body, size_t len);
uint32_t conmon_aurelian_versions_status_get_capability_flags(const uint8_t *body, size_t len);
uint32_t conmon_aurelian_versions_status_get_readonly_capability_flags(const uint8_t *body,
                                                                       size_t len);
uint32_t conmon_aurelian_versions_status_get_preferred_link_speed(const uint8_t *body, size_t len);
uint32_t conmon_aurelian_versions_status_get_device_status(const uint8_t *body, size_t len);
// From 0x0707; earlier CONMON_AURELIAN_CLOCK_PROTOCOL_FLAG_PTPV1.
uint32_t conmon_aurelian_versions_status_get_clock_protocols(const uint8_t *body, size_t len);
uint32_t conmon_aurelian_versions_status_get_guppy_monitoring_flags(const uint8_t *body,
                                                                    size_t len);
uint32_t conmon_aurelian_versions_status_get_capability1_flags(const uint8_t *body, size_t len);
// Mask and value, 0 before 0x0723; either pointer may be null.
void conmon_aurelian_versions_status_get_domain_capability_flags(const uint8_t *body, size_t len,
                                                                 uint32_t *mask, uint32_t *value);
uint16_t conmon_aurelian_versions_status_get_num_web_plugin_ids(const uint8_t *body, size_t len);
// AUD_ERR_VERSION before 0x0731, AUD_ERR_RANGE for index at or past the count,
// AUD_ERR_NOTFOUND for a zero list offset, AUD_ERR_TRUNCATED when the id lies beyond
// the body, AUD_ERR_INVALIDDATA when it is not NUL-terminated within its 24 bytes.
aud_error_t conmon_aurelian_versions_status_get_web_plugin_id(const uint8_t *body, size_t len,
                                                              uint16_t index, const char **id);
uint32_t conmon_aurelian_versions_status_get_rendering_hint_flags(const uint8_t *body, size_t len);

// ---- Manufacturer versions status (MANF_VERSIONS_STATUS, 344 bytes) ----

#define CONMON_AURELIAN_MANF_NAME_SIZE 128
#define CONMON_AURELIAN_MANF_MODEL_VERSION_STRING_SIZE 32

struct __attribute__((packed)) conmon_aurelian_manf_versions_status {
  conmon_aurelian_message_head_t head;
  uint8_t manufacturer[8];
  uint8_t model_id[8];
  uint8_t serial_id[8];
  uint32_t software_version;
  uint32_t firmware_version;
  uint32_t capabilities;
  uint32_t software_build;
  uint32_t firmware_build;
  char manufacturer_name[CONMON_AURELIAN_MANF_NAME_SIZE];
  char model_name[CONMON_AURELIAN_MANF_NAME_SIZE];
  uint32_t model_version;
  char model_version_string[CONMON_AURELIAN_MANF_MODEL_VERSION_STRING_SIZE];
};
typedef conmon_aurelian_manf_versions_status conmon_aurelian_manf_versions_status_t;
static_assert(sizeof(conmon_aurelian_manf_versions_status_t) == 344);
static_assert(offsetof(conmon_aurelian_manf_versions_status_t, software_version) == 32);
static_assert(offsetof(conmon_aurelian_manf_versions_status_t, manufacturer_name) == 52);
static_assert(offsetof(conmon_aurelian_manf_versions_status_t, model_name) == 180);
static_assert(offsetof(conmon_aurelian_manf_versions_status_t, model_version) == 308);
static_assert(offsetof(conmon_aurelian_manf_versions_status_t, model_version_string) == 312);

// The 8-byte ids, or null.
const uint8_t *conmon_aurelian_manf_versions_status_get_manufacturer(const uint8_t *body,
                                                                     size_t len);
const uint8_t *conmon_aurelian_manf_versions_status_get_model_id(const uint8_t *body, size_t len);
const uint8_t *conmon_aurelian_manf_versions_status_get_serial_id(const uint8_t *body, size_t len);
// From 0x0701; null when empty or not terminated within the field.
const char *conmon_aurelian_manf_versions_status_get_manufacturer_name(const uint8_t *body,
                                                                       size_t len);
const char *conmon_aurelian_manf_versions_status_get_model_name(const uint8_t *body, size_t len);
// From 0x0704 (8.8.16), else 0.0.0.
void conmon_aurelian_manf_versions_status_get_model_version(const uint8_t *body, size_t len,
                                                            delos_version_t *version);
// From 0x0712, as the names.
const char *conmon_aurelian_manf_versions_status_get_model_version_string(const uint8_t *body,
                                                                          size_t len);
// From 0x0606.
uint32_t conmon_aurelian_manf_versions_status_get_capabilities(const uint8_t *body, size_t len);
// As the Delos versions: AUD_ERR_TRUNCATED when the version lies beyond the body.
aud_error_t conmon_aurelian_manf_versions_status_get_software_version_build(
    const uint8_t *body, size_t len, delos_version_t *version, uint32_t *build);
aud_error_t conmon_aurelian_manf_versions_status_get_firmware_version_build(
    const uint8_t *body, size_t len, delos_version_t *version, uint32_t *build);

// ---- Lock, AES67, system reset, clear configuration, routing ready ----

#define CONMON_LOCK_STATUS_FLAG__NEED_TO_REBOOT 0x0001u
#define CONMON_AURELIAN_AES67_STATUS_FLAG_ENABLE 0x0001u
#define CONMON_AURELIAN_AES67_STATUS_FLAG_ENABLE_ON_REBOOT 0x0002u

typedef enum {
  CONMON_CLEAR_CONFIG_INDEX_CLEAR_ALL = 0,
  CONMON_CLEAR_CONFIG_INDEX_KEEP_IP = 1,
} conmon_clear_config_index_t;

struct __attribute__((packed)) conmon_aurelian_lock_status {
  conmon_aurelian_message_head_t head;
  uint16_t lock_status;
  uint16_t reset_state;
  uint16_t num_uuids;
  uint16_t uuid_size;
  uint16_t uuid_offset;
  uint16_t enrol_status;
  uint16_t status_flags;
  uint16_t pad;
};
typedef conmon_aurelian_lock_status conmon_aurelian_lock_status_t;
static_assert(sizeof(conmon_aurelian_lock_status_t) == 24);

struct __attribute__((packed)) conmon_aurelian_routing_ready_status {
  conmon_aurelian_message_head_t head;
  uint8_t ready;
  uint8_t link_status;
  uint8_t array_offset_unused;
  uint8_t array_size_unused;
  uint16_t num_txchannels;
  uint16_t num_rxchannels;
};
typedef conmon_aurelian_routing_ready_status conmon_aurelian_routing_ready_status_t;
static_assert(sizeof(conmon_aurelian_routing_ready_status_t) == 16);

// True when lock_status is non-zero.
aud_bool_t conmon_aurelian_get_lock_status(const uint8_t *body, size_t len);
// From 0x0724.
uint16_t conmon_aurelian_lock_status_get_status_flags(const uint8_t *body, size_t len);
aud_bool_t conmon_aurelian_aes67_status_is_enabled(const uint8_t *body, size_t len);
aud_bool_t conmon_aurelian_aes67_status_is_enabled_on_reboot(const uint8_t *body, size_t len);
uint16_t conmon_aurelian_sys_reset_status_get_mode(const uint8_t *body, size_t len);
// AUD_ERR_TRUNCATED for a body shorter than 16; either pointer may be null.
aud_error_t conmon_aurelian_clear_config_status_get_status(const uint8_t *body, size_t len,
                                                           uint32_t *supported, uint32_t *executed);
aud_bool_t conmon_aurelian_routing_ready_status_is_ready(const uint8_t *body, size_t len);
// From 0x0609.
uint16_t conmon_aurelian_routing_ready_status_num_txchannels(const uint8_t *body, size_t len);
uint16_t conmon_aurelian_routing_ready_status_num_rxchannels(const uint8_t *body, size_t len);
// From 0x0714.
uint8_t conmon_aurelian_routing_ready_status_link(const uint8_t *body, size_t len);

// ---- Upgrade status (UPGRADE_STATUS) ----

enum : uint16_t {
  CONMON_AURELIAN_UPGRADE_STATE_NONE = 0,
  CONMON_AURELIAN_UPGRADE_STATE_GET_FILE = 1,
  CONMON_AURELIAN_UPGRADE_STATE_DONE = 2,
  CONMON_AURELIAN_UPGRADE_STATE_FAIL = 3,
  CONMON_AURELIAN_UPGRADE_STATE_WRITE = 4,
};
enum : uint32_t {
  CONMON_AURELIAN_UPGRADE_STATUS__FIELD_STATUS = 1,
  CONMON_AURELIAN_UPGRADE_STATUS__FIELD_ERROR = 2,
  CONMON_AURELIAN_UPGRADE_STATUS__FIELD_PROGRESS = 4,
  CONMON_AURELIAN_UPGRADE_STATUS__FIELD_FILE_INFO = 8,
  CONMON_AURELIAN_UPGRADE_STATUS__FIELD_PARTITION_STATUS = 16,
  CONMON_AURELIAN_UPGRADE_STATUS__FIELD_MANUFACTURER_ID = 32,
  CONMON_AURELIAN_UPGRADE_STATUS__FIELD_MODEL_ID = 64,
};

struct __attribute__((packed)) conmon_aurelian_upgrade_status_msg {
  conmon_aurelian_message_head_t head;
  uint16_t upgrade_status;
  uint16_t upgrade_error;
  uint32_t fields;
  uint32_t progress_curr;
  uint32_t progress_total;
  uint16_t file_info;
  uint16_t partition_status;
  uint8_t manufacturer_id[8];
  uint8_t model_id[8];
};
typedef conmon_aurelian_upgrade_status_msg conmon_aurelian_upgrade_status_msg_t;
static_assert(sizeof(conmon_aurelian_upgrade_status_msg_t) == 44);
static_assert(offsetof(conmon_aurelian_upgrade_status_msg_t, file_info) == 24);
static_assert(offsetof(conmon_aurelian_upgrade_status_msg_t, manufacturer_id) == 28);

// What an upgrade status says.
struct conmon_aurelian_upgrade_status {
  uint16_t status;
  uint16_t last_error;
  struct {
    uint32_t curr;
    uint32_t total;
  } progress;
  uint8_t manufacturer[8];
  uint8_t model[8];
};
typedef conmon_aurelian_upgrade_status conmon_aurelian_upgrade_status_t;

// The status always (AUD_ERR_TRUNCATED below 10 bytes); from 0x0709 each other member
// whose field bit is set, AUD_ERR_TRUNCATED when the body is too short for it. Members
// not present read as 0. *status untouched on failure.
aud_error_t conmon_aurelian_upgrade_status_get_upgrade_status(
    const uint8_t *body, size_t len, conmon_aurelian_upgrade_status_t *status);
// AUD_ERR_VERSION before 0x0709, AUD_ERR_NOTFOUND without the file-info field bit or
// with a zero offset, AUD_ERR_TRUNCATED / AUD_ERR_INVALIDDATA for a record beyond the
// body or not 4-byte aligned. Fills the members the record's field bits mark; the path
// points into the body and is null when absent or not terminated within the body.
aud_error_t conmon_aurelian_upgrade_status_get_source_file_info(
    const uint8_t *body, size_t len, conmon_aurelian_upgrade_source_file_t *file);
