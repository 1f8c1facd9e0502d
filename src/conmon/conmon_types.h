// Plain records shared by the conmon client, its channels and the client-server
// messages: channel types and directions, subscription statuses, endpoint addresses,
// the local device's networks and the subscription record. The conmon client and
// channel modules use these records rather than define their own.
#pragma once

#include <cstddef>
#include <cstdint>

#include "conmon/messages/conmon_message_head.h"
#include "platform/aud_error.h"
#include "platform/aud_socket.h"

// Text slots: a device name (at most 31 characters and a NUL) and a DNS domain name.
#define CONMON_NAME_SIZE 32
#define DELOS_DNS_DOMAIN_NAME_SIZE 256
typedef char conmon_name_t[CONMON_NAME_SIZE];
typedef char delos_dns_domain_name_t[DELOS_DNS_DOMAIN_NAME_SIZE];

typedef uint16_t conmon_channel_type_t;
enum : conmon_channel_type_t {
  CONMON_CHANNEL_TYPE_CONTROL = 0,
  CONMON_CHANNEL_TYPE_METERING = 1,
  CONMON_CHANNEL_TYPE_STATUS = 2,
  CONMON_CHANNEL_TYPE_BROADCAST = 3,
  CONMON_CHANNEL_TYPE_LOCAL = 4,
  CONMON_CHANNEL_TYPE_SERIAL = 5,
  CONMON_CHANNEL_TYPE_KEEPALIVE = 6,
  CONMON_CHANNEL_TYPE_VENDOR_BROADCAST = 7,
  CONMON_CHANNEL_TYPE_MONITORING = 8,
  CONMON_CHANNEL_TYPE_TELEMETRY = 8,
  CONMON_NUM_CHANNELS = 9,
  CONMON_CHANNEL_TYPE_NONE = 0xFFFF,
};

typedef uint16_t conmon_channel_direction_t;
enum : conmon_channel_direction_t {
  CONMON_CHANNEL_DIRECTION_TX = 0,
  CONMON_CHANNEL_DIRECTION_RX = 1,
};

typedef uint16_t conmon_rxstatus_t;
enum : conmon_rxstatus_t {
  CONMON_RXSTATUS_NONE = 0,
  CONMON_RXSTATUS_PREPARING = 1,
  CONMON_RXSTATUS_RESOLVED = 2,
  CONMON_RXSTATUS_UNRESOLVED = 0x10,
  CONMON_RXSTATUS_UNICAST = 0x11,
  CONMON_RXSTATUS_MULTICAST = 0x12,
  CONMON_RXSTATUS_DOMAIN = 0x13,
  CONMON_RXSTATUS_COMMS_ERROR = 0x101,
  CONMON_RXSTATUS_NO_CONNECTION = 0x102,
  CONMON_RXSTATUS_INVALID_REPLY = 0x103,
  CONMON_RXSTATUS_POLICY = 0x104,
  CONMON_RXSTATUS_TX_NO_CHANNEL = 0x110,
};

typedef enum {
  CONMON_MESSAGE_SOURCE__UNKNOWN = 0,
  CONMON_MESSAGE_SOURCE__LOCAL = 1,
  CONMON_MESSAGE_SOURCE__ADHOC = 2,
  CONMON_MESSAGE_SOURCE__DOMAIN = 3,
} conmon_message_source_type_t;

// The most networks a device has (primary and secondary).
#define CONMON_MAX_NETWORKS 2

typedef uint16_t conmon_network_mask_t;

// A host (IPv4, network order) and a port (host order).
struct conmon_address {
  uint32_t host;
  uint16_t port;
  uint16_t pad;
};
typedef conmon_address conmon_address_t;
static_assert(sizeof(conmon_address_t) == 8);

// Up to two addresses; bit n of network_mask marks address n valid.
struct conmon_endpoint_addresses {
  uint16_t num_networks;
  conmon_network_mask_t network_mask;
  conmon_address_t addresses[CONMON_MAX_NETWORKS];
};
typedef conmon_endpoint_addresses conmon_endpoint_addresses_t;
static_assert(sizeof(conmon_endpoint_addresses_t) == 20);

// One network interface of the local device as the server reports it.
struct conmon_network {
  char reserved[64];
  uint32_t interface_index;
  uint32_t flags;
  aud_bool_t is_up;
  uint8_t mac_address[6];
  uint32_t link_speed;
  uint32_t ip_address;  // network order, as the next three
  uint32_t netmask;
  uint32_t gateway;
  uint32_t dns_server;
};
typedef conmon_network conmon_network_t;

struct conmon_networks {
  uint16_t num_networks;  // at most CONMON_MAX_NETWORKS
  conmon_network_t networks[CONMON_MAX_NETWORKS];
};
typedef conmon_networks conmon_networks_t;

// Which fields of a subscription record hold a value; 0 = free slot.
enum : uint32_t {
  CONMON_CLIENT_SUBSCRIPTION_FIELD_FLAG_CHANNEL_TYPE = 0x01,
  CONMON_CLIENT_SUBSCRIPTION_FIELD_FLAG_DEVICE_NAME = 0x02,
  CONMON_CLIENT_SUBSCRIPTION_FIELD_FLAG_PORT = 0x04,
  CONMON_CLIENT_SUBSCRIPTION_FIELD_FLAG_INSTANCE_ID = 0x08,
  CONMON_CLIENT_SUBSCRIPTION_FIELD_FLAG_ADDRESSES = 0x10,
  CONMON_CLIENT_SUBSCRIPTION_FIELD_FLAG_STATUS = 0x20,
  CONMON_CLIENT_SUBSCRIPTION_FIELD_FLAG_CONNECTIONS_AVAILABLE = 0x40,
  CONMON_CLIENT_SUBSCRIPTION_FIELD_FLAG_CONNECTIONS_ACTIVE = 0x80,
};

// A subscription to another device's channel (or, for TX metering, of another device
// to ours).
struct conmon_client_subscription {
  uint32_t flags;
  conmon_channel_type_t channel_type;
  conmon_name_t device_name;
  uint16_t port;
  conmon_instance_id_t instance_id;
  conmon_endpoint_addresses_t addresses;
  aud_sockaddr_t sockaddrs[CONMON_MAX_NETWORKS];
  conmon_rxstatus_t status;
  conmon_network_mask_t connections_available;
  conmon_network_mask_t connections_active;
};
typedef conmon_client_subscription conmon_client_subscription_t;
