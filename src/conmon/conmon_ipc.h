// The messages between the conmon client and the local conmon server over their unix
// datagram socket: head, every request, response and event layout, validation of a
// received datagram, status codes and their mapping to aud_error_t, and text forms for
// logs. A pure codec: writers fill a caller-supplied conmon_ipc_message_t, readers take
// fields out of one; nothing is allocated or sent. IPC fields are in host byte order;
// the conmon message carried inside is big-endian. Readers never read past the
// message's own size field (itself capped at the buffer's size).
#pragma once

#include <cstddef>
#include <cstdint>

#include "conmon/conmon_types.h"
#include "conmon/messages/conmon_message_head.h"
#include "platform/aud_error.h"
#include "platform/aud_time.h"

typedef uint16_t conmon_ipc_version_t;
enum : conmon_ipc_version_t {
  CONMON_IPC_VERSION_1_0_0 = 0x1000,
  CONMON_IPC_VERSION_1_1_0 = 0x1100,  // ports in Register/Subscribe, 72-byte subscriptions
  CONMON_IPC_VERSION_1_2_0 = 0x1200,  // 36-byte network entries with an array descriptor
  CONMON_IPC_VERSION_1_3_0 = 0x1300,  // subscription connection counts
  CONMON_IPC_VERSION_1_4_0 = 0x1400,  // Connect keepalive, server version and build
  CONMON_IPC_VERSION_CURRENT = 0x1503,
};

typedef uint16_t conmon_ipc_opcode_t;
enum : conmon_ipc_opcode_t {
  CONMON_IPC_OPCODE_NULL = 0x0000,
  CONMON_IPC_OPCODE_CONNECT = 0x0100,
  CONMON_IPC_OPCODE_DISCONNECT = 0x0101,
  CONMON_IPC_OPCODE_SET_DELOS_DEVICE_NAME = 0x0200,
  CONMON_IPC_OPCODE_SET_REMOTE_CONTROL_ALLOWED = 0x0210,
  CONMON_IPC_OPCODE_REGISTER = 0x0300,
  CONMON_IPC_OPCODE_DEREGISTER = 0x0301,
  CONMON_IPC_OPCODE_SUBSCRIBE = 0x0310,
  CONMON_IPC_OPCODE_UNSUBSCRIBE = 0x0311,
  CONMON_IPC_OPCODE_ENABLE_TX_METERING = 0x0320,
  CONMON_IPC_OPCODE_DISABLE_TX_METERING = 0x0321,
  CONMON_IPC_OPCODE_CLEAR_REMOTE = 0x0330,
  CONMON_IPC_OPCODE_SEND_MESSAGE = 0x0400,
  CONMON_IPC_OPCODE_SEND_MONITORING_MESSAGE_WITH_FLAGS = 0x0401,
  CONMON_IPC_OPCODE_NETWORKS_CHANGED = 0x0500,
  CONMON_IPC_OPCODE_DELOS_DEVICE_NAME_CHANGED = 0x0501,
  CONMON_IPC_OPCODE_DNS_DOMAIN_NAME_CHANGED = 0x0502,
  CONMON_IPC_OPCODE_CHANNEL_MESSAGE = 0x0510,
  CONMON_IPC_OPCODE_NAMED_CHANNEL_MESSAGE = 0x0511,
  CONMON_IPC_OPCODE_LEGACY_METERING_ADDRESSES = 0x0520,
  CONMON_IPC_OPCODE_SUBSCRIPTIONS_CHANGED = 0x0521,
};

// Status bits 11-0 of the status word.
typedef uint16_t conmon_ipc_status_t;
enum : conmon_ipc_status_t {
  CONMON_IPC_STATUS_REQUEST = 0,
  CONMON_IPC_STATUS_RESPONSE = 1,
  CONMON_IPC_STATUS_EVENT = 2,
  CONMON_IPC_STATUS_INVALID_VERSION = 3,
  CONMON_IPC_STATUS_INVALID_SIZE = 4,
  CONMON_IPC_STATUS_INVALID_OPCODE = 5,
  CONMON_IPC_STATUS_INVALID_STATUS = 6,
  CONMON_IPC_STATUS_INVALID_DATA = 7,
  CONMON_IPC_STATUS_INTERNAL_ERROR = 8,
  CONMON_IPC_STATUS_NOT_SUPPORTED = 9,
  CONMON_IPC_STATUS_TIMEOUT = 10,
  CONMON_IPC_STATUS_INVALID_STATE = 11,
  CONMON_IPC_STATUS_NO_BUFFERS = 12,
  CONMON_IPC_STATUS_NOT_FOUND = 13,
};
#define CONMON_IPC_STATUS_MASK 0x0FFFu
// All four flag bits set: the sender wants no response.
#define CONMON_IPC_FLAGS_NO_RESPONSE 0xF000u
// Connect response server flag: requests marked CONMON_IPC_FLAGS_NO_RESPONSE are accepted.
#define CONMON_IPC_SERVER_FLAG_NO_RESPONSE_ACCEPTED 0x0001u

// The head, host order.
struct conmon_ipc_head {
  uint16_t _vers;
  uint16_t _size;  // head included
  uint16_t _seqnum;
  uint16_t _opcode;
  uint16_t _status_and_flags;
};
typedef conmon_ipc_head conmon_ipc_head_t;
static_assert(sizeof(conmon_ipc_head_t) == 10);

#define CONMON_IPC_HEAD_SIZE 10
#define CONMON_IPC_RAW_SIZE 6938
// The largest message (and receive size).
#define CONMON_IPC_MESSAGE_MAX_SIZE 6940

union conmon_ipc_message {
  conmon_ipc_head_t head;
  uint8_t raw[CONMON_IPC_RAW_SIZE];
  uint32_t align_;  // pads the union to a multiple of 4
};
typedef conmon_ipc_message conmon_ipc_message_t;
static_assert(sizeof(conmon_ipc_message_t) == CONMON_IPC_MESSAGE_MAX_SIZE);

// Fixed layout sizes.
#define CONMON_IPC_CONNECT_REQUEST_SIZE 44
#define CONMON_IPC_CONNECT_RESPONSE_SIZE 324
#define CONMON_IPC_CONNECT_RESPONSE_1_0_0_SIZE 56
#define CONMON_IPC_NETWORK_1_2_0_SIZE 36
#define CONMON_IPC_NETWORK_1_0_0_SIZE 88
#define CONMON_IPC_SUBSCRIPTION_1_1_0_SIZE 72
#define CONMON_IPC_SUBSCRIPTION_1_0_0_SIZE 48
#define CONMON_IPC_LEGACY_METERING_ENTRY_SIZE 16
#define CONMON_IPC_LEGACY_METERING_ADDRESS_SIZE 8

// Array descriptor (host order).
struct conmon_ipc_array_info {
  uint16_t num;
  uint16_t size;
  uint16_t offset;
};
typedef conmon_ipc_array_info conmon_ipc_array_info_t;
static_assert(sizeof(conmon_ipc_array_info_t) == 6);

// Everything a Connect response tells the client.
struct conmon_ipc_connect_response_data {
  uint16_t server_flags;
  delos_version_t server_version;
  uint32_t server_version_build;
  conmon_name_t delos_device_name;
  delos_dns_domain_name_t dns_domain_name;
  conmon_instance_id_t instance_id;
  conmon_networks_t networks;
};
typedef conmon_ipc_connect_response_data conmon_ipc_connect_response_data_t;

// One subscriber of the metering channel in a Legacy Metering Addresses event.
struct conmon_ipc_legacy_metering_subscription_info {
  conmon_instance_id_t instance_id;
  uint16_t num_addresses;  // at most CONMON_MAX_NETWORKS kept
  conmon_address_t addresses[CONMON_MAX_NETWORKS];
};
typedef conmon_ipc_legacy_metering_subscription_info conmon_ipc_legacy_metering_subscription_info_t;

// ---- Head accessors (host order) ----

conmon_ipc_version_t conmon_ipc_get_version(const conmon_ipc_message_t *msg);
uint16_t conmon_ipc_get_size(const conmon_ipc_message_t *msg);
uint16_t conmon_ipc_get_seqnum(const conmon_ipc_message_t *msg);
void conmon_ipc_set_seqnum(conmon_ipc_message_t *msg, uint16_t seqnum);
conmon_ipc_opcode_t conmon_ipc_get_opcode(const conmon_ipc_message_t *msg);
// Bits 11-0 of the status word.
conmon_ipc_status_t conmon_ipc_get_status(const conmon_ipc_message_t *msg);
uint16_t conmon_ipc_get_status_and_flags(const conmon_ipc_message_t *msg);
void conmon_ipc_set_status_and_flags(conmon_ipc_message_t *msg, uint16_t status_and_flags);

// ---- Writers (requests). Each returns AUD_ERR_INVALIDPARAMETER for a null message
// or an argument outside its range; on failure the message is not to be sent. ----

// A request that is the head alone (NULL, Disconnect, CLEAR_REMOTE, metering switches).
aud_error_t conmon_ipc_write_request_head(conmon_ipc_message_t *msg, conmon_ipc_version_t version,
                                          uint16_t seqnum, conmon_ipc_opcode_t opcode);
// Name cut to 31 characters. From 0x1400 size 44 with the keepalive at 42; below,
// 10 + name length + 1.
aud_error_t conmon_ipc_write_connect_request(conmon_ipc_message_t *msg,
                                             conmon_ipc_version_t version, uint16_t seqnum,
                                             const char *name, uint16_t keepalive_timeout_secs);
// Opcode Register when registering, else Deregister.
aud_error_t conmon_ipc_write_register_messages_request(conmon_ipc_message_t *msg,
                                                       conmon_ipc_version_t version,
                                                       uint16_t seqnum, aud_bool_t registering,
                                                       conmon_channel_type_t channel_type,
                                                       conmon_channel_direction_t channel_direction,
                                                       uint16_t port);
// device_name null or empty: a global subscription. Name cut to 31 characters.
aud_error_t conmon_ipc_write_subscribe_request(conmon_ipc_message_t *msg,
                                               conmon_ipc_version_t version, uint16_t seqnum,
                                               conmon_channel_type_t channel_type,
                                               const char *device_name, uint16_t port);
// As Subscribe, port 0.
aud_error_t conmon_ipc_write_unsubscribe_request(conmon_ipc_message_t *msg,
                                                 conmon_ipc_version_t version, uint16_t seqnum,
                                                 conmon_channel_type_t channel_type,
                                                 const char *device_name);
// Channel type 0 (control): the target device (null or empty: the local device) and the
// server timeout (null: the server's default). Any other type below CONMON_NUM_CHANNELS:
// the message alone. A body over CONMON_MESSAGE_MAX_BODY_SIZE: AUD_ERR_INVALIDPARAMETER.
aud_error_t conmon_ipc_write_send_message(conmon_ipc_message_t *msg, conmon_ipc_version_t version,
                                          uint16_t seqnum, conmon_channel_type_t channel_type,
                                          const aud_utime_t *server_timeout,
                                          const char *device_name,
                                          conmon_message_class_t message_class,
                                          const conmon_vendor_id_t *vendor_id, const void *body,
                                          size_t body_size);
// Channel type 1 to 8 (else AUD_ERR_INVALIDDATA); dm_ack sets flag bit 0.
aud_error_t conmon_ipc_write_send_monitoring_message_with_flags(
    conmon_ipc_message_t *msg, conmon_ipc_version_t version, uint16_t seqnum,
    conmon_channel_type_t channel_type, conmon_message_class_t message_class,
    const conmon_vendor_id_t *vendor_id, const void *body, size_t body_size, aud_bool_t dm_ack);
aud_error_t conmon_ipc_write_set_tx_metering_enabled_request(conmon_ipc_message_t *msg,
                                                             conmon_ipc_version_t version,
                                                             uint16_t seqnum, aud_bool_t enabled);
// Set Delos Device Name: the name (cut to 31 characters) at 10, size 42.
aud_error_t conmon_ipc_write_set_delos_device_name_request(conmon_ipc_message_t *msg,
                                                           conmon_ipc_version_t version,
                                                           uint16_t seqnum, const char *name);

// ---- Writers (the server's side). Responses take the sequence number and opcode from
// the request and the smaller of its version and CONMON_IPC_VERSION_CURRENT. ----

// A response that is the head alone, with the given status (1 or an error status).
aud_error_t conmon_ipc_write_response_head(conmon_ipc_message_t *resp,
                                           const conmon_ipc_message_t *req,
                                           conmon_ipc_status_t status);
// networks may be null (none); at most two are written.
aud_error_t conmon_ipc_write_connect_response(
    conmon_ipc_message_t *resp, const conmon_ipc_message_t *req, uint16_t server_flags,
    const delos_version_t *server_version, uint32_t server_version_build,
    const char *delos_device_name, const char *dns_domain_name,
    const conmon_instance_id_t *instance_id, const conmon_networks_t *networks);
// Echoes the request's channel type, direction and port. AUD_ERR_INVALIDDATA when the
// request is too short to hold them.
aud_error_t conmon_ipc_write_register_messages_response(conmon_ipc_message_t *resp,
                                                        const conmon_ipc_message_t *req);
// A subscription list of one RX entry.
aud_error_t conmon_ipc_write_subscribe_response(conmon_ipc_message_t *resp,
                                                const conmon_ipc_message_t *req,
                                                const conmon_client_subscription_t *subscription);
aud_error_t conmon_ipc_write_networks_changed(conmon_ipc_message_t *msg,
                                              conmon_ipc_version_t version, uint16_t seqnum,
                                              const conmon_networks_t *networks);
// AUD_ERR_NOBUFS when the list would not fit in one message.
aud_error_t conmon_ipc_write_subscriptions_changed(conmon_ipc_message_t *msg,
                                                   conmon_ipc_version_t version, uint16_t seqnum,
                                                   conmon_channel_direction_t channel_direction,
                                                   uint16_t num_changes,
                                                   const conmon_client_subscription_t *changes);
// AUD_ERR_NOBUFS when the event would not fit; each subscriber gives at most two addresses.
aud_error_t conmon_ipc_legacy_write_metering_addresses(
    conmon_ipc_message_t *msg, conmon_ipc_version_t version, uint16_t seqnum,
    conmon_channel_direction_t channel_direction, uint16_t num_subscriptions,
    const conmon_ipc_legacy_metering_subscription_info_t *subscription_infos);
// Channel Message event carrying a whole conmon message (head and body, message_size
// bytes, the head's size field included in them).
aud_error_t conmon_ipc_write_channel_message(
    conmon_ipc_message_t *msg, conmon_ipc_version_t version, conmon_channel_type_t channel_type,
    conmon_channel_direction_t channel_direction, conmon_message_source_type_t source_type,
    const conmon_message_head_t *message, size_t message_size);
// Named Channel Message event; name null or empty when the sender is unknown.
aud_error_t conmon_ipc_write_named_channel_message(
    conmon_ipc_message_t *msg, conmon_ipc_version_t version, conmon_channel_type_t channel_type,
    conmon_channel_direction_t channel_direction, const char *name,
    const conmon_message_head_t *message, size_t message_size);

// ---- Readers. Out-parameters are untouched on failure; pointers may be null for
// values the caller does not want. AUD_ERR_TRUNCATED when a field lies past the
// message's size, AUD_ERR_INVALIDDATA for a text not terminated in its slot. ----

aud_error_t conmon_ipc_read_connect_request(const conmon_ipc_message_t *msg, conmon_name_t name,
                                            uint16_t *keepalive_timeout_secs);
aud_error_t conmon_ipc_read_connect_response(
    const conmon_ipc_message_t *msg, uint16_t *server_flags, delos_version_t *server_version,
    uint32_t *server_version_build, conmon_name_t delos_device_name,
    delos_dns_domain_name_t dns_domain_name, conmon_instance_id_t *instance_id,
    conmon_networks_t *networks);
aud_error_t conmon_ipc_read_connect_response_data(const conmon_ipc_message_t *msg,
                                                  conmon_ipc_connect_response_data_t *data);
aud_error_t conmon_ipc_read_networks_changed(const conmon_ipc_message_t *msg,
                                             conmon_networks_t *networks);
// Port 0 below 0x1100.
aud_error_t conmon_ipc_read_register(const conmon_ipc_message_t *msg,
                                     conmon_channel_type_t *channel_type,
                                     conmon_channel_direction_t *channel_direction, uint16_t *port);
aud_error_t conmon_ipc_read_subscribe_request(const conmon_ipc_message_t *msg,
                                              conmon_channel_type_t *channel_type,
                                              conmon_name_t device_name, uint16_t *port);
// Direction RX below 0x1100. AUD_ERR_TRUNCATED when the entries do not all fit.
aud_error_t conmon_ipc_read_subscription_changes(const conmon_ipc_message_t *msg,
                                                 conmon_channel_direction_t *channel_direction,
                                                 uint16_t *num_subscriptions);
// AUD_ERR_INVALIDPARAMETER for s at or past the count.
aud_error_t conmon_ipc_read_subscription_change(const conmon_ipc_message_t *msg, uint16_t s,
                                                conmon_client_subscription_t *subscription);
aud_error_t conmon_ipc_legacy_read_subscription_address(
    const conmon_ipc_message_t *msg, uint16_t s,
    conmon_ipc_legacy_metering_subscription_info_t *subscription_info);
aud_error_t conmon_ipc_read_delos_device_name(const conmon_ipc_message_t *msg, conmon_name_t name);
aud_error_t conmon_ipc_read_dns_domain_name(const conmon_ipc_message_t *msg,
                                            delos_dns_domain_name_t name);
// The conmon message carried by a Send Message, Send Monitoring Message, Channel Message
// or Named Channel Message: a pointer to its head inside msg and its whole size (head
// included). AUD_ERR_NOTSUPPORTED for any other opcode, AUD_ERR_TRUNCATED when the
// message does not lie within msg, AUD_ERR_INVALIDDATA for a head size below 24.
aud_error_t conmon_ipc_get_conmon_message(const conmon_ipc_message_t *msg,
                                          const conmon_message_head_t **message,
                                          size_t *message_size);
// The IPC fields of a Send Message; server_timeout and device_name only for control.
aud_error_t conmon_ipc_read_send_message(const conmon_ipc_message_t *msg,
                                         conmon_channel_type_t *channel_type,
                                         aud_utime_t *server_timeout, conmon_name_t device_name);
// The IPC fields of a Channel Message (source type from bits 1-0 of msg_flags).
aud_error_t conmon_ipc_read_channel_message(const conmon_ipc_message_t *msg,
                                            conmon_channel_type_t *channel_type,
                                            conmon_channel_direction_t *channel_direction,
                                            conmon_message_source_type_t *source_type);
aud_error_t conmon_ipc_read_named_channel_message(const conmon_ipc_message_t *msg,
                                                  conmon_channel_type_t *channel_type,
                                                  conmon_channel_direction_t *channel_direction,
                                                  conmon_name_t name);

// ---- Validation and statuses ----

// Checks a received datagram of size bytes; 0 when valid, else the status to report
// (3 bad version, 4 bad size, 6 bad status, 7 bad data, 9 unknown opcode).
conmon_ipc_status_t conmon_ipc_validate(const conmon_ipc_message_t *msg, size_t size);
// The aud_error_t a client reports for a status word (flags included: above 13 is
// AUD_ERR_SYSTEM).
aud_error_t conmon_ipc_status_to_error(uint16_t status);
// The status a responder writes for a result.
conmon_ipc_status_t conmon_ipc_status_from_error(aud_error_t error,
                                                 conmon_ipc_status_t status_if_success);
// Text of the status bits, or null for an unknown status.
const char *conmon_ipc_status_to_string(uint16_t status);
// Text of an opcode, or null for an unknown opcode or one without a text.
const char *conmon_ipc_opcode_to_string(conmon_ipc_opcode_t opcode);

// ---- Text forms ----

#define CONMON_INSTANCE_ID_STRING_SIZE 22  // 16 hex, "/", 4 hex, NUL
#define CONMON_DEVICE_ID_STRING_SIZE 17    // 16 hex, NUL

const char *conmon_channel_type_to_string(conmon_channel_type_t type);
// 0xFFFF (CONMON_CHANNEL_TYPE_NONE) for an unknown or null name.
conmon_channel_type_t conmon_channel_type_from_string(const char *name);
const char *conmon_rxstatus_to_string(conmon_rxstatus_t status);
// Each writes into buf (at least the size given above; cut to len) and returns buf.
const char *conmon_instance_id_to_string(const conmon_instance_id_t *id, char *buf, size_t len);
const char *conmon_device_id_to_string(const conmon_device_id_t *id, char *buf, size_t len);
const char *conmon_vendor_id_to_string(const conmon_vendor_id_t *id, char *buf, size_t len);
const char *conmon_endpoint_addresses_to_string(const conmon_endpoint_addresses_t *addresses,
                                                char *buf, size_t len);
const char *conmon_networks_to_string(const conmon_networks_t *networks, char *buf, size_t len);
// Skips leading white space and an optional "0x"; needs 16 hex digits.
// AUD_ERR_INVALIDPARAMETER otherwise, *id untouched.
aud_error_t conmon_device_id_from_str(const char *str, conmon_device_id_t *id);
// 16 hex digits into buf (CONMON_DEVICE_ID_STRING_SIZE bytes).
char *conmon_device_id_to_str(const conmon_device_id_t *id, char *buf);
