// The host's network interfaces: listing them and finding one by name, index,
// hardware address or loopback. Every call lists the interfaces anew, so look
// interfaces up at set-up time, not per packet.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/aud_error.h"
#include "platform/aud_socket.h"

// The environment lives one layer up; the interface calls only accept it.
struct aud_env;
typedef aud_env aud_env_t;

// An interface name: 64 bytes, at most 63 characters and a terminator.
#define AUD_INTERFACE_NAME_SIZE 64
#define AUD_INTERFACE_NAME_MAX_LENGTH (AUD_INTERFACE_NAME_SIZE - 1)
typedef char aud_interface_name_t[AUD_INTERFACE_NAME_SIZE];

#define AUD_ETHERADDR_LENGTH 6
// A 6-byte hardware address.
struct aud_etheraddr {
  uint8_t data[AUD_ETHERADDR_LENGTH];
};
typedef aud_etheraddr aud_etheraddr_t;
static_assert(sizeof(aud_etheraddr_t) == AUD_ETHERADDR_LENGTH);

typedef enum {
  AUD_INTERFACE_TYPE_OTHER = 0,
  AUD_INTERFACE_TYPE_ETHERNET = 1,
  AUD_INTERFACE_TYPE_LOOPBACK = 2,
  AUD_INTERFACE_TYPE_WIRELESS = 3,
  AUD_INTERFACE_TYPE_VIRTUAL = 4,
  AUD_INTERFACE_TYPE_FIREWIRE = 5,
  AUD_INTERFACE_TYPE_BLUETOOTH = 6,
} aud_interface_type_t;

// Link speed in Mbit/s.
typedef enum {
  AUD_LINK_SPEED_1M = 1,
  AUD_LINK_SPEED_10M = 10,
  AUD_LINK_SPEED_100M = 100,
  AUD_LINK_SPEED_1G = 1000,
  AUD_LINK_SPEED_2_5G = 2500,
  AUD_LINK_SPEED_5G = 5000,
  AUD_LINK_SPEED_10G = 10000,
} aud_link_speed_t;

// One interface as listed. An interface without an IPv4 address has zeroed
// ip_address and mask.
struct aud_interface {
  aud_interface_name_t name;
  uint32_t index;
  uint32_t flags;
  aud_interface_type_t type;
  aud_etheraddr_t ether_address;
  aud_bool_t is_ip_address_static;
  aud_sockaddr_t ip_address;
  aud_sockaddr_t mask;
  uint32_t speed;  // an aud_link_speed_t value, or 0 when the driver reports 0
  aud_bool_t is_link_up;
  aud_bool_t deprecated_is_running;
  aud_bool_t is_loopback;
  aud_bool_t can_multicast;
};
typedef aud_interface aud_interface_t;

#define AUD_INTERFACE_IDENTIFIER_FLAG_NAME 1u
#define AUD_INTERFACE_IDENTIFIER_FLAG_INDEX 2u

// A request to complete an interface identity: flags say which of name and
// index are given.
struct aud_interface_identifier {
  uint32_t flags;
  aud_interface_name_t name;
  uint32_t index;
};
typedef aud_interface_identifier aud_interface_identifier_t;

// Names an interface by index or by name; exactly one of them is set
// (ifindex non-zero or ifname non-null).
struct aud_interface_idref {
  unsigned ifindex;
  const char *ifname;
};
typedef aud_interface_idref aud_interface_idref_t;

// The most interfaces one listing accepts; more are ignored.
#define AUD_INTERFACE_LIST_MAX 1024
// The longest /proc/net/dev line read; a longer line is skipped.
#define AUD_INTERFACE_PROC_LINE_MAX 1024
// The most entries kept from one routing-netlink link dump.
#define AUD_INTERFACE_LINK_DUMP_MAX 256

// Lists the Ethernet, loopback and wireless interfaces. On success *ifaces is
// a new array of *count records (null with count 0 when there is none) that
// the caller frees with aud_interface_list_free. On failure the mapped system
// error and both out-parameters untouched.
aud_error_t aud_interface_list(aud_interface_t **ifaces, unsigned *count);
// The same; env is accepted for symmetry and may be null.
aud_error_t aud_interface_list_with_env(aud_env_t *env, aud_interface_t **ifaces, unsigned *count);
// Frees a list from aud_interface_list; accepts null.
void aud_interface_list_free(aud_interface_t *ifaces);

// The look-ups copy the first matching interface into *iface and return
// AUD_SUCCESS, or return AUD_ERR_NOTFOUND (or a listing error) leaving *iface
// untouched. The by-name, by-index and by-address forms accept a null iface
// to test existence only.
//
// Matches on name and/or index by the identifier's flags (both must match when
// both are set); flags 0 is AUD_ERR_INVALIDPARAMETER.
aud_error_t aud_interface_get(aud_interface_t *iface, const aud_interface_identifier_t *identifier);
aud_error_t aud_interface_get_by_name(aud_interface_t *iface, const char *name);
aud_error_t aud_interface_get_by_index(aud_interface_t *iface, uint32_t index);
aud_error_t aud_interface_get_by_etheraddr(aud_interface_t *iface, const aud_etheraddr_t *address);
// The first loopback interface; iface must not be null.
aud_error_t aud_interface_get_loopback(aud_interface_t *iface);
// By index when only ifindex is set, by name when only ifname is set; both or
// neither is AUD_ERR_INVALIDPARAMETER.
aud_error_t aud_interface_get_by_idref(aud_interface_t *iface, const aud_interface_idref_t *idref);

// Completes n identifiers in place: by index when the index flag is set (its
// name is copied), otherwise by name (its index is copied). A found identifier
// gets flags NAME|INDEX, one not found gets flags 0 and keeps its other fields.
// Returns AUD_SUCCESS even when some were not found; callers test the flags.
// n 0 or null identifiers: AUD_ERR_INVALIDPARAMETER; no interface at all:
// AUD_ERR_NOTFOUND. env may be null.
aud_error_t aud_interface_get_identifiers(aud_env_t *env, aud_interface_identifier_t *identifiers,
                                          unsigned n);

// True when all six bytes are zero (also for null).
aud_bool_t aud_etheraddr_is_zero(const aud_etheraddr_t *address);

// One entry of a routing-netlink link dump.
struct aud_interface_link_entry {
  uint32_t index;
  uint32_t master;  // 0 when the link has no master
  aud_interface_name_t name;
};
typedef aud_interface_link_entry aud_interface_link_entry_t;

// Reads one buffer of netlink messages from a link dump into entries (at most
// max, further entries are dropped), starting at *count and advancing it.
// Returns AUD_ERR_DONE when the buffer held the end of the dump, AUD_SUCCESS
// when more is to come, AUD_ERR_INVALIDDATA for a malformed buffer and the
// carried error for a netlink error message. Exposed for testing.
aud_error_t aud_interface_parse_link_dump(const uint8_t *buf, size_t len,
                                          aud_interface_link_entry_t *entries, unsigned max,
                                          unsigned *count);
