#include "conmon/conmon_ipc.h"

#include <arpa/inet.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "conmon/messages/conmon_bytes.h"

namespace {

// ---- layout offsets ----
constexpr size_t kName = 10;  // names right after the head

// Connect request
constexpr size_t kConnKeepalive = 42;
// Connect response, 1.2.0 and later
constexpr size_t kCrFlags = 10, kCrName = 12, kCrDns = 44, kCrInstance = 300, kCrArray = 310,
                 kCrVersion = 316, kCrBuild = 320;
// Connect response before 1.2.0
constexpr size_t kCr0Name = 12, kCr0Instance = 44, kCr0Num = 54;
// Network entry 1.2.0
constexpr size_t kN2Index = 0, kN2Flags = 4, kN2LinkUp = 8, kN2Mac = 10, kN2Speed = 16, kN2Ip = 20,
                 kN2Mask = 24, kN2Gw = 28, kN2Dns = 32;
// Network entry 1.0.0
constexpr size_t kN0Index = 64, kN0Mac = 68, kN0LinkUp = 74, kN0Speed = 76, kN0Ip = 80,
                 kN0Mask = 84;
// Subscription entry
constexpr size_t kSFlags = 0, kSType = 2, kSName = 4, kSInstance = 36, kSStatus = 46, kSPort = 48,
                 kSAvail = 50, kSActive = 51, kSAddr = 52;
// Send Message
constexpr size_t kSmType = 10, kSmMsg = 12, kSmSec = 12, kSmUsec = 16, kSmName = 20, kSmCtlMsg = 52;
// Monitoring with flags
constexpr size_t kMfType = 10, kMfFlags = 15, kMfMsg = 16;
// Channel messages
constexpr size_t kCmType = 10, kCmDir = 12, kCmFlags = 15, kCmMsg = 16, kNcmName = 16, kNcmMsg = 48;
// Legacy metering
constexpr size_t kLmType = 10, kLmDir = 12, kLmNumSubs = 14, kLmNumAddr = 16, kLmFirst = 20;

const uint8_t *raw(const conmon_ipc_message_t *m) { return m->raw; }
uint8_t *raw(conmon_ipc_message_t *m) { return m->raw; }
uint16_t get16(const conmon_ipc_message_t *m, size_t off) {
  return conmon_load_host16(raw(m) + off);
}
uint32_t get32(const conmon_ipc_message_t *m, size_t off) {
  return conmon_load_host32(raw(m) + off);
}
void put16(conmon_ipc_message_t *m, size_t off, uint16_t v) {
  conmon_store_host16(raw(m) + off, v);
}
void put32(conmon_ipc_message_t *m, size_t off, uint32_t v) {
  conmon_store_host32(raw(m) + off, v);
}

// The usable size of a received message: its size field, never past the buffer.
size_t msg_size(const conmon_ipc_message_t *m) {
  return std::min<size_t>(m->head._size, sizeof(conmon_ipc_message_t));
}

bool valid_version(conmon_ipc_version_t v) { return (v >> 12) == 1; }

conmon_ipc_version_t response_version(const conmon_ipc_message_t *req) {
  return std::min<conmon_ipc_version_t>(req->head._vers, CONMON_IPC_VERSION_CURRENT);
}

void write_head(conmon_ipc_message_t *m, conmon_ipc_version_t v, size_t size, uint16_t seqnum,
                conmon_ipc_opcode_t op, uint16_t status) {
  m->head._vers = v;
  m->head._size = static_cast<uint16_t>(size);
  m->head._seqnum = seqnum;
  m->head._opcode = op;
  m->head._status_and_flags = status;
}

// Copies a name into a slot of n bytes: at most n - 1 characters, the rest zero.
size_t put_text(conmon_ipc_message_t *m, size_t off, size_t n, const char *text) {
  uint8_t *p = raw(m) + off;
  std::memset(p, 0, n);
  size_t len = text ? strnlen(text, n - 1) : 0;
  if (len) std::memcpy(p, text, len);
  return len;
}

// Reads a text slot of n bytes that must hold a NUL within the message.
aud_error_t get_text(const conmon_ipc_message_t *m, size_t off, size_t n, char *out) {
  size_t size = msg_size(m);
  if (off >= size) return AUD_ERR_TRUNCATED;
  size_t avail = std::min(n, size - off);
  const void *nul = std::memchr(raw(m) + off, 0, avail);
  if (!nul) return avail < n ? AUD_ERR_TRUNCATED : AUD_ERR_INVALIDDATA;
  size_t len = static_cast<const uint8_t *>(nul) - (raw(m) + off);
  if (out) {
    std::memcpy(out, raw(m) + off, len);
    std::memset(out + len, 0, n - len);
  }
  return AUD_SUCCESS;
}

// True when the name at off is NUL-terminated within n bytes and the message.
bool text_terminated(const conmon_ipc_message_t *m, size_t size, size_t off, size_t n) {
  if (off >= size) return false;
  return std::memchr(raw(m) + off, 0, std::min(n, size - off)) != nullptr;
}

void put_instance(conmon_ipc_message_t *m, size_t off, const conmon_instance_id_t *id) {
  if (id) {
    std::memcpy(raw(m) + off, id->device_id.data, 8);
    put16(m, off + 8, id->process_id);
  } else {
    std::memset(raw(m) + off, 0, sizeof(conmon_instance_id_t));
  }
}

void get_instance(const conmon_ipc_message_t *m, size_t off, conmon_instance_id_t *id) {
  std::memcpy(id->device_id.data, raw(m) + off, 8);
  id->process_id = get16(m, off + 8);
}

// ---- networks ----

void put_network_1_2_0(conmon_ipc_message_t *m, size_t off, const conmon_network_t *n) {
  std::memset(raw(m) + off, 0, CONMON_IPC_NETWORK_1_2_0_SIZE);
  put32(m, off + kN2Index, n->interface_index);
  put32(m, off + kN2Flags, n->flags);
  put16(m, off + kN2LinkUp, n->is_up ? 1 : 0);
  std::memcpy(raw(m) + off + kN2Mac, n->mac_address, 6);
  put32(m, off + kN2Speed, n->link_speed);
  conmon_store_raw32(raw(m) + off + kN2Ip, n->ip_address);
  conmon_store_raw32(raw(m) + off + kN2Mask, n->netmask);
  conmon_store_raw32(raw(m) + off + kN2Gw, n->gateway);
  conmon_store_raw32(raw(m) + off + kN2Dns, n->dns_server);
}

void put_network_1_0_0(conmon_ipc_message_t *m, size_t off, const conmon_network_t *n) {
  std::memset(raw(m) + off, 0, CONMON_IPC_NETWORK_1_0_0_SIZE);
  put32(m, off + kN0Index, n->interface_index);
  std::memcpy(raw(m) + off + kN0Mac, n->mac_address, 6);
  put16(m, off + kN0LinkUp, n->is_up ? 1 : 0);
  put32(m, off + kN0Speed, n->link_speed);
  conmon_store_raw32(raw(m) + off + kN0Ip, n->ip_address);
  conmon_store_raw32(raw(m) + off + kN0Mask, n->netmask);
}

void get_network_1_2_0(const conmon_ipc_message_t *m, size_t off, conmon_network_t *n) {
  n->interface_index = get32(m, off + kN2Index);
  n->flags = get32(m, off + kN2Flags);
  n->is_up = get16(m, off + kN2LinkUp) ? AUD_TRUE : AUD_FALSE;
  std::memcpy(n->mac_address, raw(m) + off + kN2Mac, 6);
  n->link_speed = get32(m, off + kN2Speed);
  n->ip_address = conmon_load_raw32(raw(m) + off + kN2Ip);
  n->netmask = conmon_load_raw32(raw(m) + off + kN2Mask);
  n->gateway = conmon_load_raw32(raw(m) + off + kN2Gw);
  n->dns_server = conmon_load_raw32(raw(m) + off + kN2Dns);
}

void get_network_1_0_0(const conmon_ipc_message_t *m, size_t off, conmon_network_t *n) {
  n->interface_index = get32(m, off + kN0Index);
  std::memcpy(n->mac_address, raw(m) + off + kN0Mac, 6);
  n->is_up = get16(m, off + kN0LinkUp) ? AUD_TRUE : AUD_FALSE;
  n->link_speed = get32(m, off + kN0Speed);
  n->ip_address = conmon_load_raw32(raw(m) + off + kN0Ip);
  n->netmask = conmon_load_raw32(raw(m) + off + kN0Mask);
}

uint16_t num_networks(const conmon_networks_t *n) {
  return n ? std::min<uint16_t>(n->num_networks, CONMON_MAX_NETWORKS) : 0;
}

// Reads networks described by an array descriptor at desc: at most two entries, each
// at offset + i * size; entries declared shorter than 36 bytes stay zero.
aud_error_t read_networks_array(const conmon_ipc_message_t *m, size_t desc,
                                conmon_networks_t *out) {
  size_t size = msg_size(m);
  if (!conmon_span_fits(size, desc, sizeof(conmon_ipc_array_info_t))) return AUD_ERR_TRUNCATED;
  size_t num = get16(m, desc), esize = get16(m, desc + 2), first = get16(m, desc + 4);
  conmon_networks_t n = {};
  n.num_networks = static_cast<uint16_t>(std::min<size_t>(num, CONMON_MAX_NETWORKS));
  for (size_t i = 0; i < n.num_networks; i++) {
    if (esize < CONMON_IPC_NETWORK_1_2_0_SIZE) continue;
    size_t off = first + i * esize;
    if (!conmon_span_fits(size, off, CONMON_IPC_NETWORK_1_2_0_SIZE)) return AUD_ERR_TRUNCATED;
    get_network_1_2_0(m, off, &n.networks[i]);
  }
  *out = n;
  return AUD_SUCCESS;
}

aud_error_t read_networks_legacy(const conmon_ipc_message_t *m, size_t num_at, size_t first,
                                 conmon_networks_t *out) {
  size_t size = msg_size(m);
  if (!conmon_span_fits(size, num_at, 2)) return AUD_ERR_TRUNCATED;
  conmon_networks_t n = {};
  n.num_networks = std::min<uint16_t>(get16(m, num_at), CONMON_MAX_NETWORKS);
  for (size_t i = 0; i < n.num_networks; i++) {
    size_t off = first + i * CONMON_IPC_NETWORK_1_0_0_SIZE;
    if (!conmon_span_fits(size, off, CONMON_IPC_NETWORK_1_0_0_SIZE)) return AUD_ERR_TRUNCATED;
    get_network_1_0_0(m, off, &n.networks[i]);
  }
  *out = n;
  return AUD_SUCCESS;
}

// ---- subscriptions ----

void put_subscription(conmon_ipc_message_t *m, size_t off, conmon_ipc_version_t v,
                      const conmon_client_subscription_t *s) {
  size_t esize = v >= CONMON_IPC_VERSION_1_1_0 ? CONMON_IPC_SUBSCRIPTION_1_1_0_SIZE
                                               : CONMON_IPC_SUBSCRIPTION_1_0_0_SIZE;
  std::memset(raw(m) + off, 0, esize);
  uint16_t flags = 0;
  bool has_id = s->flags & CONMON_CLIENT_SUBSCRIPTION_FIELD_FLAG_INSTANCE_ID;
  bool has_addr = s->flags & CONMON_CLIENT_SUBSCRIPTION_FIELD_FLAG_ADDRESSES;
  if (has_id) flags |= 1;
  if (has_addr && v >= CONMON_IPC_VERSION_1_1_0) flags |= 2;
  put16(m, off + kSFlags, flags);
  put16(m, off + kSType, s->channel_type);
  put_text(m, off + kSName, CONMON_NAME_SIZE, s->device_name);
  put_instance(m, off + kSInstance, has_id ? &s->instance_id : nullptr);
  put16(m, off + kSStatus, s->status);
  if (v < CONMON_IPC_VERSION_1_1_0) return;
  put16(m, off + kSPort, s->port);
  if (v >= CONMON_IPC_VERSION_1_3_0) {
    raw(m)[off + kSAvail] = static_cast<uint8_t>(s->connections_available);
    raw(m)[off + kSActive] = static_cast<uint8_t>(s->connections_active);
  }
  if (has_addr) {
    size_t a = off + kSAddr;
    put16(m, a, std::min<uint16_t>(s->addresses.num_networks, CONMON_MAX_NETWORKS));
    put16(m, a + 2, s->addresses.network_mask);
    for (size_t i = 0; i < CONMON_MAX_NETWORKS; i++) {
      conmon_store_raw32(raw(m) + a + 4 + 8 * i, s->addresses.addresses[i].host);
      put16(m, a + 8 + 8 * i, s->addresses.addresses[i].port);
    }
  }
}

struct list_layout {
  size_t first;
  size_t esize;
};
list_layout subscription_list_layout(conmon_ipc_version_t v) {
  if (v >= CONMON_IPC_VERSION_1_1_0) return {16, CONMON_IPC_SUBSCRIPTION_1_1_0_SIZE};
  return {12, CONMON_IPC_SUBSCRIPTION_1_0_0_SIZE};
}

aud_error_t write_conmon_message(conmon_ipc_message_t *m, size_t off,
                                 conmon_message_class_t message_class,
                                 const conmon_vendor_id_t *vendor_id, const void *body,
                                 size_t body_size) {
  if (body_size > CONMON_MESSAGE_MAX_BODY_SIZE || (!body && body_size)) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  conmon_message_head_t head;
  conmon_message_head_init(&head, message_class, vendor_id, body_size);
  std::memcpy(raw(m) + off, &head, sizeof head);
  if (body_size) std::memcpy(raw(m) + off + CONMON_MESSAGE_HEAD_SIZE, body, body_size);
  return AUD_SUCCESS;
}

// The embedded conmon message's size field (big-endian).
size_t embedded_size(const conmon_ipc_message_t *m, size_t off) {
  return conmon_load_be16(raw(m) + off + 2);
}

}  // namespace

// ---- Head ----

conmon_ipc_version_t conmon_ipc_get_version(const conmon_ipc_message_t *msg) {
  return msg->head._vers;
}
uint16_t conmon_ipc_get_size(const conmon_ipc_message_t *msg) { return msg->head._size; }
uint16_t conmon_ipc_get_seqnum(const conmon_ipc_message_t *msg) { return msg->head._seqnum; }
void conmon_ipc_set_seqnum(conmon_ipc_message_t *msg, uint16_t seqnum) {
  msg->head._seqnum = seqnum;
}
conmon_ipc_opcode_t conmon_ipc_get_opcode(const conmon_ipc_message_t *msg) {
  return msg->head._opcode;
}
conmon_ipc_status_t conmon_ipc_get_status(const conmon_ipc_message_t *msg) {
  return msg->head._status_and_flags & CONMON_IPC_STATUS_MASK;
}
uint16_t conmon_ipc_get_status_and_flags(const conmon_ipc_message_t *msg) {
  return msg->head._status_and_flags;
}
void conmon_ipc_set_status_and_flags(conmon_ipc_message_t *msg, uint16_t status_and_flags) {
  msg->head._status_and_flags = status_and_flags;
}

// ---- Request writers ----

aud_error_t conmon_ipc_write_request_head(conmon_ipc_message_t *msg, conmon_ipc_version_t version,
                                          uint16_t seqnum, conmon_ipc_opcode_t opcode) {
  if (!msg || !valid_version(version)) return AUD_ERR_INVALIDPARAMETER;
  write_head(msg, version, CONMON_IPC_HEAD_SIZE, seqnum, opcode, CONMON_IPC_STATUS_REQUEST);
  return AUD_SUCCESS;
}

aud_error_t conmon_ipc_write_connect_request(conmon_ipc_message_t *msg,
                                             conmon_ipc_version_t version, uint16_t seqnum,
                                             const char *name, uint16_t keepalive_timeout_secs) {
  if (!msg || !valid_version(version)) return AUD_ERR_INVALIDPARAMETER;
  size_t len = put_text(msg, kName, CONMON_NAME_SIZE, name);
  size_t size = kName + len + 1;
  if (version >= CONMON_IPC_VERSION_1_4_0) {
    put16(msg, kConnKeepalive, keepalive_timeout_secs);
    size = CONMON_IPC_CONNECT_REQUEST_SIZE;
  }
  write_head(msg, version, size, seqnum, CONMON_IPC_OPCODE_CONNECT, CONMON_IPC_STATUS_REQUEST);
  return AUD_SUCCESS;
}

aud_error_t conmon_ipc_write_register_messages_request(conmon_ipc_message_t *msg,
                                                       conmon_ipc_version_t version,
                                                       uint16_t seqnum, aud_bool_t registering,
                                                       conmon_channel_type_t channel_type,
                                                       conmon_channel_direction_t channel_direction,
                                                       uint16_t port) {
  if (!msg || !valid_version(version) || channel_type >= CONMON_NUM_CHANNELS ||
      channel_direction > CONMON_CHANNEL_DIRECTION_RX) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  put16(msg, 10, channel_type);
  put16(msg, 12, channel_direction);
  size_t size = 14;
  if (version >= CONMON_IPC_VERSION_1_1_0) {
    put16(msg, 14, port);
    size = 16;
  }
  write_head(msg, version, size, seqnum,
             registering ? CONMON_IPC_OPCODE_REGISTER : CONMON_IPC_OPCODE_DEREGISTER,
             CONMON_IPC_STATUS_REQUEST);
  return AUD_SUCCESS;
}

namespace {
aud_error_t write_subscription_request(conmon_ipc_message_t *msg, conmon_ipc_version_t version,
                                       uint16_t seqnum, conmon_ipc_opcode_t opcode,
                                       conmon_channel_type_t channel_type, const char *device_name,
                                       uint16_t port) {
  if (!msg || !valid_version(version) || channel_type == 0 || channel_type >= CONMON_NUM_CHANNELS) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  size_t n = device_name ? strnlen(device_name, CONMON_NAME_SIZE - 1) : 0;
  size_t name_at = 12, size = 23 + n;
  put16(msg, 10, channel_type);
  if (version >= CONMON_IPC_VERSION_1_1_0) {
    put16(msg, 12, port);
    name_at = 14;
    size = 25 + n;
  }
  // The size runs ten bytes past the name's NUL; those bytes are written as zero.
  std::memset(raw(msg) + name_at, 0, size - name_at);
  if (n) std::memcpy(raw(msg) + name_at, device_name, n);
  write_head(msg, version, size, seqnum, opcode, CONMON_IPC_STATUS_REQUEST);
  return AUD_SUCCESS;
}
}  // namespace

aud_error_t conmon_ipc_write_subscribe_request(conmon_ipc_message_t *msg,
                                               conmon_ipc_version_t version, uint16_t seqnum,
                                               conmon_channel_type_t channel_type,
                                               const char *device_name, uint16_t port) {
  return write_subscription_request(msg, version, seqnum, CONMON_IPC_OPCODE_SUBSCRIBE, channel_type,
                                    device_name, port);
}

aud_error_t conmon_ipc_write_unsubscribe_request(conmon_ipc_message_t *msg,
                                                 conmon_ipc_version_t version, uint16_t seqnum,
                                                 conmon_channel_type_t channel_type,
                                                 const char *device_name) {
  return write_subscription_request(msg, version, seqnum, CONMON_IPC_OPCODE_UNSUBSCRIBE,
                                    channel_type, device_name, 0);
}

aud_error_t conmon_ipc_write_send_message(conmon_ipc_message_t *msg, conmon_ipc_version_t version,
                                          uint16_t seqnum, conmon_channel_type_t channel_type,
                                          const aud_utime_t *server_timeout,
                                          const char *device_name,
                                          conmon_message_class_t message_class,
                                          const conmon_vendor_id_t *vendor_id, const void *body,
                                          size_t body_size) {
  if (!msg || !valid_version(version) || channel_type >= CONMON_NUM_CHANNELS) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  bool control = channel_type == CONMON_CHANNEL_TYPE_CONTROL;
  size_t at = control ? kSmCtlMsg : kSmMsg;
  aud_error_t err = write_conmon_message(msg, at, message_class, vendor_id, body, body_size);
  if (err != AUD_SUCCESS) return err;
  put16(msg, kSmType, channel_type);
  if (control) {
    // Timeouts travel as 32-bit fields; anything outside them means the default.
    uint32_t sec = 0, usec = 0;
    if (server_timeout && server_timeout->tv_sec >= 0 && server_timeout->tv_usec >= 0) {
      sec = static_cast<uint32_t>(server_timeout->tv_sec);
      usec = static_cast<uint32_t>(server_timeout->tv_usec);
    }
    put32(msg, kSmSec, sec);
    put32(msg, kSmUsec, usec);
    put_text(msg, kSmName, CONMON_NAME_SIZE, device_name);
  }
  write_head(msg, version, at + CONMON_MESSAGE_HEAD_SIZE + body_size, seqnum,
             CONMON_IPC_OPCODE_SEND_MESSAGE, CONMON_IPC_STATUS_REQUEST);
  return AUD_SUCCESS;
}

aud_error_t conmon_ipc_write_send_monitoring_message_with_flags(
    conmon_ipc_message_t *msg, conmon_ipc_version_t version, uint16_t seqnum,
    conmon_channel_type_t channel_type, conmon_message_class_t message_class,
    const conmon_vendor_id_t *vendor_id, const void *body, size_t body_size, aud_bool_t dm_ack) {
  if (!msg || !valid_version(version)) return AUD_ERR_INVALIDPARAMETER;
  if (channel_type == 0 || channel_type >= CONMON_NUM_CHANNELS) return AUD_ERR_INVALIDDATA;
  aud_error_t err = write_conmon_message(msg, kMfMsg, message_class, vendor_id, body, body_size);
  if (err != AUD_SUCCESS) return err;
  put16(msg, kMfType, channel_type);
  put16(msg, 12, 0);
  raw(msg)[14] = 0;
  raw(msg)[kMfFlags] = dm_ack ? 1 : 0;
  write_head(msg, version, kMfMsg + CONMON_MESSAGE_HEAD_SIZE + body_size, seqnum,
             CONMON_IPC_OPCODE_SEND_MONITORING_MESSAGE_WITH_FLAGS, CONMON_IPC_STATUS_REQUEST);
  return AUD_SUCCESS;
}

aud_error_t conmon_ipc_write_set_tx_metering_enabled_request(conmon_ipc_message_t *msg,
                                                             conmon_ipc_version_t version,
                                                             uint16_t seqnum, aud_bool_t enabled) {
  return conmon_ipc_write_request_head(
      msg, version, seqnum,
      enabled ? CONMON_IPC_OPCODE_ENABLE_TX_METERING : CONMON_IPC_OPCODE_DISABLE_TX_METERING);
}

aud_error_t conmon_ipc_write_set_delos_device_name_request(conmon_ipc_message_t *msg,
                                                           conmon_ipc_version_t version,
                                                           uint16_t seqnum, const char *name) {
  if (!msg || !valid_version(version)) return AUD_ERR_INVALIDPARAMETER;
  put_text(msg, kName, CONMON_NAME_SIZE, name);
  write_head(msg, version, kName + CONMON_NAME_SIZE, seqnum,
             CONMON_IPC_OPCODE_SET_DELOS_DEVICE_NAME, CONMON_IPC_STATUS_REQUEST);
  return AUD_SUCCESS;
}

// ---- Server-side writers ----

aud_error_t conmon_ipc_write_response_head(conmon_ipc_message_t *resp,
                                           const conmon_ipc_message_t *req,
                                           conmon_ipc_status_t status) {
  if (!resp || !req) return AUD_ERR_INVALIDPARAMETER;
  write_head(resp, response_version(req), CONMON_IPC_HEAD_SIZE, req->head._seqnum,
             req->head._opcode, status & CONMON_IPC_STATUS_MASK);
  return AUD_SUCCESS;
}

aud_error_t conmon_ipc_write_connect_response(
    conmon_ipc_message_t *resp, const conmon_ipc_message_t *req, uint16_t server_flags,
    const delos_version_t *server_version, uint32_t server_version_build,
    const char *delos_device_name, const char *dns_domain_name,
    const conmon_instance_id_t *instance_id, const conmon_networks_t *networks) {
  if (!resp || !req) return AUD_ERR_INVALIDPARAMETER;
  conmon_ipc_version_t v = response_version(req);
  uint16_t seqnum = req->head._seqnum;  // resp may be the request's own buffer
  uint16_t num = num_networks(networks);
  size_t size;
  if (v >= CONMON_IPC_VERSION_1_2_0) {
    std::memset(raw(resp) + kName, 0, CONMON_IPC_CONNECT_RESPONSE_SIZE - kName);
    put16(resp, kCrFlags, server_flags);
    put_text(resp, kCrName, CONMON_NAME_SIZE, delos_device_name);
    put_text(resp, kCrDns, DELOS_DNS_DOMAIN_NAME_SIZE, dns_domain_name);
    put_instance(resp, kCrInstance, instance_id);
    put16(resp, kCrArray, num);
    put16(resp, kCrArray + 2, CONMON_IPC_NETWORK_1_2_0_SIZE);
    put16(resp, kCrArray + 4, CONMON_IPC_CONNECT_RESPONSE_SIZE);
    if (v >= CONMON_IPC_VERSION_1_4_0) {
      if (server_version) {
        raw(resp)[kCrVersion] = server_version->major;
        raw(resp)[kCrVersion + 1] = server_version->minor;
        put16(resp, kCrVersion + 2, server_version->bugfix);
      }
      put32(resp, kCrBuild, server_version_build);
    }
    for (size_t i = 0; i < num; i++) {
      put_network_1_2_0(resp, CONMON_IPC_CONNECT_RESPONSE_SIZE + i * CONMON_IPC_NETWORK_1_2_0_SIZE,
                        &networks->networks[i]);
    }
    size = CONMON_IPC_CONNECT_RESPONSE_SIZE + num * CONMON_IPC_NETWORK_1_2_0_SIZE;
  } else {
    std::memset(raw(resp) + kName, 0, CONMON_IPC_CONNECT_RESPONSE_1_0_0_SIZE - kName);
    put16(resp, kCrFlags, server_flags);
    put_text(resp, kCr0Name, CONMON_NAME_SIZE, delos_device_name);
    put_instance(resp, kCr0Instance, instance_id);
    put16(resp, kCr0Num, num);
    for (size_t i = 0; i < num; i++) {
      put_network_1_0_0(resp,
                        CONMON_IPC_CONNECT_RESPONSE_1_0_0_SIZE + i * CONMON_IPC_NETWORK_1_0_0_SIZE,
                        &networks->networks[i]);
    }
    size = CONMON_IPC_CONNECT_RESPONSE_1_0_0_SIZE + num * CONMON_IPC_NETWORK_1_0_0_SIZE;
  }
  write_head(resp, v, size, seqnum, CONMON_IPC_OPCODE_CONNECT, CONMON_IPC_STATUS_RESPONSE);
  return AUD_SUCCESS;
}

aud_error_t conmon_ipc_write_register_messages_response(conmon_ipc_message_t *resp,
                                                        const conmon_ipc_message_t *req) {
  if (!resp || !req) return AUD_ERR_INVALIDPARAMETER;
  conmon_channel_type_t type = 0;
  conmon_channel_direction_t dir = 0;
  uint16_t port = 0;
  if (conmon_ipc_read_register(req, &type, &dir, &port) != AUD_SUCCESS) {
    return AUD_ERR_INVALIDDATA;
  }
  conmon_ipc_version_t v = response_version(req);
  uint16_t seqnum = req->head._seqnum, opcode = req->head._opcode;
  put16(resp, 10, type);
  put16(resp, 12, dir);
  size_t size = 14;
  if (v >= CONMON_IPC_VERSION_1_1_0) {
    put16(resp, 14, port);
    size = 16;
  }
  write_head(resp, v, size, seqnum, opcode, CONMON_IPC_STATUS_RESPONSE);
  return AUD_SUCCESS;
}

aud_error_t conmon_ipc_write_subscribe_response(conmon_ipc_message_t *resp,
                                                const conmon_ipc_message_t *req,
                                                const conmon_client_subscription_t *subscription) {
  if (!resp || !req || !subscription) return AUD_ERR_INVALIDPARAMETER;
  conmon_ipc_version_t v = response_version(req);
  uint16_t seqnum = req->head._seqnum;
  aud_error_t err = conmon_ipc_write_subscriptions_changed(
      resp, v, seqnum, CONMON_CHANNEL_DIRECTION_RX, 1, subscription);
  if (err != AUD_SUCCESS) return err;
  resp->head._opcode = CONMON_IPC_OPCODE_SUBSCRIBE;
  resp->head._status_and_flags = CONMON_IPC_STATUS_RESPONSE;
  return AUD_SUCCESS;
}

aud_error_t conmon_ipc_write_networks_changed(conmon_ipc_message_t *msg,
                                              conmon_ipc_version_t version, uint16_t seqnum,
                                              const conmon_networks_t *networks) {
  if (!msg || !valid_version(version)) return AUD_ERR_INVALIDPARAMETER;
  uint16_t num = num_networks(networks);
  size_t size;
  if (version >= CONMON_IPC_VERSION_1_2_0) {
    put16(msg, 10, num);
    put16(msg, 12, CONMON_IPC_NETWORK_1_2_0_SIZE);
    put16(msg, 14, 16);
    for (size_t i = 0; i < num; i++) {
      put_network_1_2_0(msg, 16 + i * CONMON_IPC_NETWORK_1_2_0_SIZE, &networks->networks[i]);
    }
    size = 16 + num * CONMON_IPC_NETWORK_1_2_0_SIZE;
  } else {
    put16(msg, 10, num);
    for (size_t i = 0; i < num; i++) {
      put_network_1_0_0(msg, 12 + i * CONMON_IPC_NETWORK_1_0_0_SIZE, &networks->networks[i]);
    }
    size = 12 + num * CONMON_IPC_NETWORK_1_0_0_SIZE;
  }
  write_head(msg, version, size, seqnum, CONMON_IPC_OPCODE_NETWORKS_CHANGED,
             CONMON_IPC_STATUS_EVENT);
  return AUD_SUCCESS;
}

aud_error_t conmon_ipc_write_subscriptions_changed(conmon_ipc_message_t *msg,
                                                   conmon_ipc_version_t version, uint16_t seqnum,
                                                   conmon_channel_direction_t channel_direction,
                                                   uint16_t num_changes,
                                                   const conmon_client_subscription_t *changes) {
  if (!msg || !valid_version(version) || (num_changes && !changes)) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  list_layout l = subscription_list_layout(version);
  size_t size = l.first + l.esize * num_changes;
  if (size > sizeof(conmon_ipc_message_t)) return AUD_ERR_NOBUFS;
  put16(msg, 10, num_changes);
  if (version >= CONMON_IPC_VERSION_1_1_0) {
    put16(msg, 12, channel_direction);
    put16(msg, 14, 0);
  }
  for (size_t i = 0; i < num_changes; i++) {
    put_subscription(msg, l.first + i * l.esize, version, &changes[i]);
  }
  write_head(msg, version, size, seqnum, CONMON_IPC_OPCODE_SUBSCRIPTIONS_CHANGED,
             CONMON_IPC_STATUS_EVENT);
  return AUD_SUCCESS;
}

aud_error_t conmon_ipc_legacy_write_metering_addresses(
    conmon_ipc_message_t *msg, conmon_ipc_version_t version, uint16_t seqnum,
    conmon_channel_direction_t channel_direction, uint16_t num_subscriptions,
    const conmon_ipc_legacy_metering_subscription_info_t *infos) {
  if (!msg || !valid_version(version) || (num_subscriptions && !infos)) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  size_t num_addresses = 0;
  for (size_t i = 0; i < num_subscriptions; i++) {
    num_addresses += std::min<uint16_t>(infos[i].num_addresses, CONMON_MAX_NETWORKS);
  }
  size_t addr_at = kLmFirst + CONMON_IPC_LEGACY_METERING_ENTRY_SIZE * num_subscriptions;
  size_t size = addr_at + CONMON_IPC_LEGACY_METERING_ADDRESS_SIZE * num_addresses;
  if (size > sizeof(conmon_ipc_message_t)) return AUD_ERR_NOBUFS;
  put16(msg, kLmType, CONMON_CHANNEL_TYPE_METERING);
  put16(msg, kLmDir, channel_direction);
  put16(msg, kLmNumSubs, num_subscriptions);
  put16(msg, kLmNumAddr, static_cast<uint16_t>(num_addresses));
  put16(msg, 18, 0);
  for (size_t i = 0; i < num_subscriptions; i++) {
    size_t e = kLmFirst + CONMON_IPC_LEGACY_METERING_ENTRY_SIZE * i;
    uint16_t n = std::min<uint16_t>(infos[i].num_addresses, CONMON_MAX_NETWORKS);
    put_instance(msg, e, &infos[i].instance_id);
    put16(msg, e + 10, n);
    put16(msg, e + 12, n ? static_cast<uint16_t>(addr_at) : 0);
    put16(msg, e + 14, 0);
    for (size_t a = 0; a < n; a++) {
      conmon_store_raw32(raw(msg) + addr_at, infos[i].addresses[a].host);
      put16(msg, addr_at + 4, infos[i].addresses[a].port);
      put16(msg, addr_at + 6, 0);
      addr_at += CONMON_IPC_LEGACY_METERING_ADDRESS_SIZE;
    }
  }
  write_head(msg, version, size, seqnum, CONMON_IPC_OPCODE_LEGACY_METERING_ADDRESSES,
             CONMON_IPC_STATUS_EVENT);
  return AUD_SUCCESS;
}

namespace {
aud_error_t copy_message(conmon_ipc_message_t *msg, size_t at, const conmon_message_head_t *message,
                         size_t message_size) {
  if (!message || message_size < CONMON_MESSAGE_HEAD_SIZE ||
      message_size > CONMON_MESSAGE_HEAD_SIZE + CONMON_MESSAGE_MAX_BODY_SIZE) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  std::memmove(raw(msg) + at, message, message_size);
  return AUD_SUCCESS;
}
}  // namespace

aud_error_t conmon_ipc_write_channel_message(
    conmon_ipc_message_t *msg, conmon_ipc_version_t version, conmon_channel_type_t channel_type,
    conmon_channel_direction_t channel_direction, conmon_message_source_type_t source_type,
    const conmon_message_head_t *message, size_t message_size) {
  if (!msg || !valid_version(version)) return AUD_ERR_INVALIDPARAMETER;
  aud_error_t err = copy_message(msg, kCmMsg, message, message_size);
  if (err != AUD_SUCCESS) return err;
  put16(msg, kCmType, channel_type);
  put16(msg, kCmDir, channel_direction);
  raw(msg)[14] = 0;
  raw(msg)[kCmFlags] = static_cast<uint8_t>(source_type & 3);
  write_head(msg, version, kCmMsg + message_size, 0, CONMON_IPC_OPCODE_CHANNEL_MESSAGE,
             CONMON_IPC_STATUS_EVENT);
  return AUD_SUCCESS;
}

aud_error_t conmon_ipc_write_named_channel_message(
    conmon_ipc_message_t *msg, conmon_ipc_version_t version, conmon_channel_type_t channel_type,
    conmon_channel_direction_t channel_direction, const char *name,
    const conmon_message_head_t *message, size_t message_size) {
  if (!msg || !valid_version(version)) return AUD_ERR_INVALIDPARAMETER;
  aud_error_t err = copy_message(msg, kNcmMsg, message, message_size);
  if (err != AUD_SUCCESS) return err;
  put16(msg, kCmType, channel_type);
  put16(msg, kCmDir, channel_direction);
  put16(msg, 14, 0);
  put_text(msg, kNcmName, CONMON_NAME_SIZE, name);
  write_head(msg, version, kNcmMsg + message_size, 0, CONMON_IPC_OPCODE_NAMED_CHANNEL_MESSAGE,
             CONMON_IPC_STATUS_EVENT);
  return AUD_SUCCESS;
}

// ---- Readers ----

aud_error_t conmon_ipc_read_connect_request(const conmon_ipc_message_t *msg, conmon_name_t name,
                                            uint16_t *keepalive_timeout_secs) {
  if (!msg) return AUD_ERR_INVALIDPARAMETER;
  conmon_name_t n;
  aud_error_t err = get_text(msg, kName, CONMON_NAME_SIZE, n);
  if (err != AUD_SUCCESS) return err;
  uint16_t keepalive = 0;
  if (msg->head._vers >= CONMON_IPC_VERSION_1_4_0) {
    if (!conmon_span_fits(msg_size(msg), kConnKeepalive, 2)) return AUD_ERR_TRUNCATED;
    keepalive = get16(msg, kConnKeepalive);
  }
  if (name) std::memcpy(name, n, sizeof n);
  if (keepalive_timeout_secs) *keepalive_timeout_secs = keepalive;
  return AUD_SUCCESS;
}

aud_error_t conmon_ipc_read_connect_response_data(const conmon_ipc_message_t *msg,
                                                  conmon_ipc_connect_response_data_t *data) {
  if (!msg || !data) return AUD_ERR_INVALIDPARAMETER;
  conmon_ipc_connect_response_data_t d = {};
  size_t size = msg_size(msg);
  conmon_ipc_version_t v = msg->head._vers;
  aud_error_t err;
  if (v >= CONMON_IPC_VERSION_1_2_0) {
    if (size < CONMON_IPC_CONNECT_RESPONSE_SIZE) return AUD_ERR_TRUNCATED;
    d.server_flags = get16(msg, kCrFlags);
    if ((err = get_text(msg, kCrName, CONMON_NAME_SIZE, d.delos_device_name)) != AUD_SUCCESS ||
        (err = get_text(msg, kCrDns, DELOS_DNS_DOMAIN_NAME_SIZE, d.dns_domain_name)) !=
            AUD_SUCCESS) {
      return err;
    }
    get_instance(msg, kCrInstance, &d.instance_id);
    if (v >= CONMON_IPC_VERSION_1_4_0) {
      d.server_version.major = raw(msg)[kCrVersion];
      d.server_version.minor = raw(msg)[kCrVersion + 1];
      d.server_version.bugfix = get16(msg, kCrVersion + 2);
      d.server_version_build = get32(msg, kCrBuild);
    }
    err = read_networks_array(msg, kCrArray, &d.networks);
  } else {
    if (size < CONMON_IPC_CONNECT_RESPONSE_1_0_0_SIZE) return AUD_ERR_TRUNCATED;
    d.server_flags = 0;  // the older layout's flags are not server flags
    if ((err = get_text(msg, kCr0Name, CONMON_NAME_SIZE, d.delos_device_name)) != AUD_SUCCESS) {
      return err;
    }
    get_instance(msg, kCr0Instance, &d.instance_id);
    err = read_networks_legacy(msg, kCr0Num, CONMON_IPC_CONNECT_RESPONSE_1_0_0_SIZE, &d.networks);
  }
  if (err != AUD_SUCCESS) return err;
  *data = d;
  return AUD_SUCCESS;
}

aud_error_t conmon_ipc_read_connect_response(
    const conmon_ipc_message_t *msg, uint16_t *server_flags, delos_version_t *server_version,
    uint32_t *server_version_build, conmon_name_t delos_device_name,
    delos_dns_domain_name_t dns_domain_name, conmon_instance_id_t *instance_id,
    conmon_networks_t *networks) {
  conmon_ipc_connect_response_data_t d;
  aud_error_t err = conmon_ipc_read_connect_response_data(msg, &d);
  if (err != AUD_SUCCESS) return err;
  if (server_flags) *server_flags = d.server_flags;
  if (server_version) *server_version = d.server_version;
  if (server_version_build) *server_version_build = d.server_version_build;
  if (delos_device_name) std::memcpy(delos_device_name, d.delos_device_name, CONMON_NAME_SIZE);
  if (dns_domain_name) std::memcpy(dns_domain_name, d.dns_domain_name, DELOS_DNS_DOMAIN_NAME_SIZE);
  if (instance_id) *instance_id = d.instance_id;
  if (networks) *networks = d.networks;
  return AUD_SUCCESS;
}

aud_error_t conmon_ipc_read_networks_changed(const conmon_ipc_message_t *msg,
                                             conmon_networks_t *networks) {
  if (!msg || !networks) return AUD_ERR_INVALIDPARAMETER;
  if (msg->head._vers >= CONMON_IPC_VERSION_1_2_0) return read_networks_array(msg, 10, networks);
  return read_networks_legacy(msg, 10, 12, networks);
}

aud_error_t conmon_ipc_read_register(const conmon_ipc_message_t *msg,
                                     conmon_channel_type_t *channel_type,
                                     conmon_channel_direction_t *channel_direction,
                                     uint16_t *port) {
  if (!msg) return AUD_ERR_INVALIDPARAMETER;
  bool legacy = msg->head._vers < CONMON_IPC_VERSION_1_1_0;
  if (msg_size(msg) < (legacy ? 14u : 16u)) return AUD_ERR_TRUNCATED;
  if (channel_type) *channel_type = get16(msg, 10);
  if (channel_direction) *channel_direction = get16(msg, 12);
  if (port) *port = legacy ? 0 : get16(msg, 14);
  return AUD_SUCCESS;
}

aud_error_t conmon_ipc_read_subscribe_request(const conmon_ipc_message_t *msg,
                                              conmon_channel_type_t *channel_type,
                                              conmon_name_t device_name, uint16_t *port) {
  if (!msg) return AUD_ERR_INVALIDPARAMETER;
  bool legacy = msg->head._vers < CONMON_IPC_VERSION_1_1_0;
  size_t name_at = legacy ? 12 : 14;
  conmon_name_t n;
  aud_error_t err = get_text(msg, name_at, CONMON_NAME_SIZE, n);
  if (err != AUD_SUCCESS) return err;
  if (channel_type) *channel_type = get16(msg, 10);
  if (port) *port = legacy ? 0 : get16(msg, 12);
  if (device_name) std::memcpy(device_name, n, sizeof n);
  return AUD_SUCCESS;
}

aud_error_t conmon_ipc_read_subscription_changes(const conmon_ipc_message_t *msg,
                                                 conmon_channel_direction_t *channel_direction,
                                                 uint16_t *num_subscriptions) {
  if (!msg) return AUD_ERR_INVALIDPARAMETER;
  list_layout l = subscription_list_layout(msg->head._vers);
  size_t size = msg_size(msg);
  if (size < l.first) return AUD_ERR_TRUNCATED;
  uint16_t num = get16(msg, 10);
  if (size < l.first + l.esize * num) return AUD_ERR_TRUNCATED;
  if (channel_direction) {
    *channel_direction = msg->head._vers >= CONMON_IPC_VERSION_1_1_0
                             ? get16(msg, 12)
                             : static_cast<uint16_t>(CONMON_CHANNEL_DIRECTION_RX);
  }
  if (num_subscriptions) *num_subscriptions = num;
  return AUD_SUCCESS;
}

aud_error_t conmon_ipc_read_subscription_change(const conmon_ipc_message_t *msg, uint16_t s,
                                                conmon_client_subscription_t *subscription) {
  if (!msg || !subscription) return AUD_ERR_INVALIDPARAMETER;
  conmon_ipc_version_t v = msg->head._vers;
  list_layout l = subscription_list_layout(v);
  size_t size = msg_size(msg);
  if (size < l.first) return AUD_ERR_TRUNCATED;
  if (s >= get16(msg, 10)) return AUD_ERR_INVALIDPARAMETER;
  size_t e = l.first + l.esize * s;
  if (!conmon_span_fits(size, e, l.esize)) return AUD_ERR_TRUNCATED;
  conmon_client_subscription_t sub = {};
  uint16_t flags = get16(msg, e + kSFlags);
  sub.channel_type = get16(msg, e + kSType);
  // The name slot is copied bounded and always terminated.
  std::memcpy(sub.device_name, raw(msg) + e + kSName, CONMON_NAME_SIZE - 1);
  sub.device_name[CONMON_NAME_SIZE - 1] = 0;
  size_t n = strnlen(sub.device_name, CONMON_NAME_SIZE);
  std::memset(sub.device_name + n, 0, CONMON_NAME_SIZE - n);
  sub.status = get16(msg, e + kSStatus);
  sub.flags = CONMON_CLIENT_SUBSCRIPTION_FIELD_FLAG_CHANNEL_TYPE |
              CONMON_CLIENT_SUBSCRIPTION_FIELD_FLAG_DEVICE_NAME |
              CONMON_CLIENT_SUBSCRIPTION_FIELD_FLAG_PORT |
              CONMON_CLIENT_SUBSCRIPTION_FIELD_FLAG_STATUS;
  if (flags & 1) {
    get_instance(msg, e + kSInstance, &sub.instance_id);
    sub.flags |= CONMON_CLIENT_SUBSCRIPTION_FIELD_FLAG_INSTANCE_ID;
  }
  if (v >= CONMON_IPC_VERSION_1_1_0) {
    sub.port = get16(msg, e + kSPort);
    if (flags & 2) {
      size_t a = e + kSAddr;
      // Only two addresses exist; a larger count from the wire is cut to them.
      sub.addresses.num_networks = std::min<uint16_t>(get16(msg, a), CONMON_MAX_NETWORKS);
      sub.addresses.network_mask = get16(msg, a + 2);
      for (size_t i = 0; i < CONMON_MAX_NETWORKS; i++) {
        sub.addresses.addresses[i].host = conmon_load_raw32(raw(msg) + a + 4 + 8 * i);
        sub.addresses.addresses[i].port = get16(msg, a + 8 + 8 * i);
      }
      sub.flags |= CONMON_CLIENT_SUBSCRIPTION_FIELD_FLAG_ADDRESSES;
    }
    if (v >= CONMON_IPC_VERSION_1_3_0) {
      sub.connections_available = raw(msg)[e + kSAvail];
      sub.connections_active = raw(msg)[e + kSActive];
      sub.flags |= CONMON_CLIENT_SUBSCRIPTION_FIELD_FLAG_CONNECTIONS_AVAILABLE |
                   CONMON_CLIENT_SUBSCRIPTION_FIELD_FLAG_CONNECTIONS_ACTIVE;
    }
  }
  *subscription = sub;
  return AUD_SUCCESS;
}

aud_error_t conmon_ipc_legacy_read_subscription_address(
    const conmon_ipc_message_t *msg, uint16_t s,
    conmon_ipc_legacy_metering_subscription_info_t *info) {
  if (!msg || !info) return AUD_ERR_INVALIDPARAMETER;
  size_t size = msg_size(msg);
  if (size < kLmFirst) return AUD_ERR_TRUNCATED;
  if (s >= get16(msg, kLmNumSubs)) return AUD_ERR_INVALIDPARAMETER;
  size_t e = kLmFirst + CONMON_IPC_LEGACY_METERING_ENTRY_SIZE * static_cast<size_t>(s);
  if (!conmon_span_fits(size, e, CONMON_IPC_LEGACY_METERING_ENTRY_SIZE)) return AUD_ERR_TRUNCATED;
  conmon_ipc_legacy_metering_subscription_info_t out = {};
  get_instance(msg, e, &out.instance_id);
  out.num_addresses = std::min<uint16_t>(get16(msg, e + 10), CONMON_MAX_NETWORKS);
  size_t first = get16(msg, e + 12);
  for (size_t a = 0; a < out.num_addresses; a++) {
    size_t off = first + CONMON_IPC_LEGACY_METERING_ADDRESS_SIZE * a;
    if (!conmon_span_fits(size, off, CONMON_IPC_LEGACY_METERING_ADDRESS_SIZE)) {
      return AUD_ERR_TRUNCATED;
    }
    out.addresses[a].host = conmon_load_raw32(raw(msg) + off);
    out.addresses[a].port = get16(msg, off + 4);
  }
  *info = out;
  return AUD_SUCCESS;
}

aud_error_t conmon_ipc_read_delos_device_name(const conmon_ipc_message_t *msg, conmon_name_t name) {
  if (!msg || !name) return AUD_ERR_INVALIDPARAMETER;
  return get_text(msg, kName, CONMON_NAME_SIZE, name);
}

aud_error_t conmon_ipc_read_dns_domain_name(const conmon_ipc_message_t *msg,
                                            delos_dns_domain_name_t name) {
  if (!msg || !name) return AUD_ERR_INVALIDPARAMETER;
  return get_text(msg, kName, DELOS_DNS_DOMAIN_NAME_SIZE, name);
}

aud_error_t conmon_ipc_get_conmon_message(const conmon_ipc_message_t *msg,
                                          const conmon_message_head_t **message,
                                          size_t *message_size) {
  if (!msg) return AUD_ERR_INVALIDPARAMETER;
  size_t size = msg_size(msg);
  size_t at;
  switch (msg->head._opcode) {
    case CONMON_IPC_OPCODE_SEND_MESSAGE:
      if (size < kSmType + 2) return AUD_ERR_TRUNCATED;
      at = get16(msg, kSmType) == CONMON_CHANNEL_TYPE_CONTROL ? kSmCtlMsg : kSmMsg;
      break;
    case CONMON_IPC_OPCODE_SEND_MONITORING_MESSAGE_WITH_FLAGS:
      at = kMfMsg;
      break;
    case CONMON_IPC_OPCODE_CHANNEL_MESSAGE:
      at = kCmMsg;
      break;
    case CONMON_IPC_OPCODE_NAMED_CHANNEL_MESSAGE:
      at = kNcmMsg;
      break;
    default:
      return AUD_ERR_NOTSUPPORTED;
  }
  if (!conmon_span_fits(size, at, CONMON_MESSAGE_HEAD_SIZE)) return AUD_ERR_TRUNCATED;
  size_t n = embedded_size(msg, at);
  if (n < CONMON_MESSAGE_HEAD_SIZE) return AUD_ERR_INVALIDDATA;
  if (!conmon_span_fits(size, at, n)) return AUD_ERR_TRUNCATED;
  if (message) *message = reinterpret_cast<const conmon_message_head_t *>(raw(msg) + at);
  if (message_size) *message_size = n;
  return AUD_SUCCESS;
}

aud_error_t conmon_ipc_read_send_message(const conmon_ipc_message_t *msg,
                                         conmon_channel_type_t *channel_type,
                                         aud_utime_t *server_timeout, conmon_name_t device_name) {
  if (!msg) return AUD_ERR_INVALIDPARAMETER;
  if (msg_size(msg) < kSmType + 2) return AUD_ERR_TRUNCATED;
  conmon_channel_type_t type = get16(msg, kSmType);
  conmon_name_t n = {};
  aud_utime_t t = {};
  if (type == CONMON_CHANNEL_TYPE_CONTROL) {
    if (msg_size(msg) < kSmCtlMsg) return AUD_ERR_TRUNCATED;
    aud_error_t err = get_text(msg, kSmName, CONMON_NAME_SIZE, n);
    if (err != AUD_SUCCESS) return err;
    t.tv_sec = get32(msg, kSmSec);
    t.tv_usec = get32(msg, kSmUsec);
  }
  if (channel_type) *channel_type = type;
  if (server_timeout) *server_timeout = t;
  if (device_name) std::memcpy(device_name, n, sizeof n);
  return AUD_SUCCESS;
}

aud_error_t conmon_ipc_read_channel_message(const conmon_ipc_message_t *msg,
                                            conmon_channel_type_t *channel_type,
                                            conmon_channel_direction_t *channel_direction,
                                            conmon_message_source_type_t *source_type) {
  if (!msg) return AUD_ERR_INVALIDPARAMETER;
  if (msg_size(msg) < kCmMsg) return AUD_ERR_TRUNCATED;
  if (channel_type) *channel_type = get16(msg, kCmType);
  if (channel_direction) *channel_direction = get16(msg, kCmDir);
  if (source_type) {
    *source_type = static_cast<conmon_message_source_type_t>(raw(msg)[kCmFlags] & 3);
  }
  return AUD_SUCCESS;
}

aud_error_t conmon_ipc_read_named_channel_message(const conmon_ipc_message_t *msg,
                                                  conmon_channel_type_t *channel_type,
                                                  conmon_channel_direction_t *channel_direction,
                                                  conmon_name_t name) {
  if (!msg) return AUD_ERR_INVALIDPARAMETER;
  if (msg_size(msg) < kNcmMsg) return AUD_ERR_TRUNCATED;
  conmon_name_t n;
  aud_error_t err = get_text(msg, kNcmName, CONMON_NAME_SIZE, n);
  if (err != AUD_SUCCESS) return err;
  if (channel_type) *channel_type = get16(msg, kCmType);
  if (channel_direction) *channel_direction = get16(msg, kCmDir);
  if (name) std::memcpy(name, n, sizeof n);
  return AUD_SUCCESS;
}

// ---- Validation ----

conmon_ipc_status_t conmon_ipc_validate(const conmon_ipc_message_t *msg, size_t size) {
  if (!msg || size < CONMON_IPC_HEAD_SIZE) return CONMON_IPC_STATUS_INVALID_SIZE;
  conmon_ipc_version_t v = msg->head._vers;
  if (!valid_version(v)) return CONMON_IPC_STATUS_INVALID_VERSION;
  // A datagram longer than the buffer cannot have been received whole.
  if (size != msg->head._size || size > sizeof(conmon_ipc_message_t)) {
    return CONMON_IPC_STATUS_INVALID_SIZE;
  }
  uint16_t status = msg->head._status_and_flags & CONMON_IPC_STATUS_MASK;
  if (status > CONMON_IPC_STATUS_EVENT) return 0;
  bool legacy = v < CONMON_IPC_VERSION_1_1_0;
  bool request = status == CONMON_IPC_STATUS_REQUEST;
  bool response = status == CONMON_IPC_STATUS_RESPONSE;
  bool event = status == CONMON_IPC_STATUS_EVENT;
  const conmon_ipc_status_t kSize = CONMON_IPC_STATUS_INVALID_SIZE;
  const conmon_ipc_status_t kData = CONMON_IPC_STATUS_INVALID_DATA;
  const conmon_ipc_status_t kStatus = CONMON_IPC_STATUS_INVALID_STATUS;
  // The embedded conmon message must hold at least its own head.
  auto embedded_ok = [&](size_t at, size_t ipc_part) {
    size_t n = embedded_size(msg, at);
    return n >= CONMON_MESSAGE_HEAD_SIZE && size >= ipc_part + n;
  };

  switch (msg->head._opcode) {
    case CONMON_IPC_OPCODE_NULL:
    case CONMON_IPC_OPCODE_DISCONNECT:
    case CONMON_IPC_OPCODE_ENABLE_TX_METERING:
    case CONMON_IPC_OPCODE_DISABLE_TX_METERING:
    case CONMON_IPC_OPCODE_CLEAR_REMOTE:
      return 0;
    case CONMON_IPC_OPCODE_CONNECT:
      if (request) {
        const void *nul =
            std::memchr(raw(msg) + kName, 0, std::min<size_t>(CONMON_NAME_SIZE, size - kName));
        if (!nul) return size - kName < CONMON_NAME_SIZE ? kSize : kData;
        return 0;  // the NUL lies within the size, so the size rule holds
      }
      if (response) {
        if (v < CONMON_IPC_VERSION_1_2_0) {
          if (size <= 55) return kSize;
          return size == 56 + 88 * static_cast<size_t>(get16(msg, kCr0Num)) ? 0 : kData;
        }
        if (size <= 323) return kSize;
        size_t expect = get16(msg, kCrArray + 4) +
                        static_cast<size_t>(get16(msg, kCrArray + 2)) * get16(msg, kCrArray);
        return size == expect ? 0 : kData;
      }
      return kStatus;
    case CONMON_IPC_OPCODE_SET_DELOS_DEVICE_NAME:
    case CONMON_IPC_OPCODE_DELOS_DEVICE_NAME_CHANGED:
      return size >= 42 ? 0 : kSize;
    case CONMON_IPC_OPCODE_SET_REMOTE_CONTROL_ALLOWED:
      return size >= 12 ? 0 : kSize;
    case CONMON_IPC_OPCODE_REGISTER:
    case CONMON_IPC_OPCODE_DEREGISTER:
      if (response) return 0;
      if (event) return kStatus;
      if (size < (legacy ? 14u : 16u)) return kSize;
      return get16(msg, 10) <= 8 && get16(msg, 12) <= 1 ? 0 : kData;
    case CONMON_IPC_OPCODE_SUBSCRIBE:
    case CONMON_IPC_OPCODE_UNSUBSCRIBE: {
      if (event) return kStatus;
      if (response) {
        if (msg->head._opcode == CONMON_IPC_OPCODE_UNSUBSCRIBE || size == CONMON_IPC_HEAD_SIZE) {
          return 0;
        }
        if (size < 12) return kSize;
        list_layout l = subscription_list_layout(v);
        return size >= l.first + l.esize * get16(msg, 10) ? 0 : kSize;
      }
      if (size <= (legacy ? 13u : 15u)) return kSize;
      uint16_t type = get16(msg, 10);
      if (type < 1 || type > 8) return kData;
      return text_terminated(msg, size, legacy ? 12 : 14, CONMON_NAME_SIZE) ? 0 : kData;
    }
    case CONMON_IPC_OPCODE_SEND_MESSAGE: {
      if (response) return 0;
      if (event) return kStatus;
      if (size < 36) return kSize;
      uint16_t type = get16(msg, kSmType);
      if (type != CONMON_CHANNEL_TYPE_CONTROL) {
        return type <= 8 && embedded_ok(kSmMsg, kSmMsg) ? 0 : kData;
      }
      if (!text_terminated(msg, size, kSmName, CONMON_NAME_SIZE) || size < 76) return kData;
      return embedded_ok(kSmCtlMsg, kSmCtlMsg) ? 0 : kData;
    }
    case CONMON_IPC_OPCODE_SEND_MONITORING_MESSAGE_WITH_FLAGS: {
      if (response) return 0;
      if (event) return kStatus;
      if (size < 40) return kSize;
      uint16_t type = get16(msg, kMfType);
      return type >= 1 && type <= 8 && embedded_ok(kMfMsg, kMfMsg) ? 0 : kData;
    }
    case CONMON_IPC_OPCODE_NETWORKS_CHANGED: {
      if (!event) return kStatus;
      if (v < CONMON_IPC_VERSION_1_2_0) {
        if (size < 12) return kSize;
        return size == 12 + 88 * static_cast<size_t>(get16(msg, 10)) ? 0 : kData;
      }
      if (size < 16) return kSize;
      return size == 16 + 36 * static_cast<size_t>(get16(msg, 10)) ? 0 : kData;
    }
    case CONMON_IPC_OPCODE_DNS_DOMAIN_NAME_CHANGED:
      return size >= 266 ? 0 : kSize;
    case CONMON_IPC_OPCODE_CHANNEL_MESSAGE:
      if (!event) return kStatus;
      if (size < 40) return kSize;
      return embedded_ok(kCmMsg, kCmMsg) ? 0 : kData;
    case CONMON_IPC_OPCODE_NAMED_CHANNEL_MESSAGE:
      if (!event) return kStatus;
      if (size < 72) return kSize;
      return embedded_ok(kNcmMsg, kNcmMsg) ? 0 : kData;
    case CONMON_IPC_OPCODE_LEGACY_METERING_ADDRESSES: {
      if (!event) return kStatus;
      if (size < 20) return kSize;
      size_t expect = kLmFirst + 16 * static_cast<size_t>(get16(msg, kLmNumSubs)) +
                      8 * static_cast<size_t>(get16(msg, kLmNumAddr));
      return size == expect ? 0 : kData;
    }
    case CONMON_IPC_OPCODE_SUBSCRIPTIONS_CHANGED: {
      if (!event) return kStatus;
      if (size < 12) return kSize;
      list_layout l = subscription_list_layout(v);
      return size >= l.first + l.esize * get16(msg, 10) ? 0 : kSize;
    }
    default:
      return CONMON_IPC_STATUS_NOT_SUPPORTED;
  }
}

// ---- Statuses and texts ----

namespace {
struct status_row {
  const char *text;
  aud_error_t error;
};
constexpr std::array<status_row, 14> kStatuses = {{
    {"Request", AUD_SUCCESS},
    {"Response", AUD_SUCCESS},
    {"Event", AUD_SUCCESS},
    {"Invalid version", AUD_ERR_VERSION},
    {"Invalid size", AUD_ERR_INVALIDDATA},
    {"Invalid opcode", AUD_ERR_INVALIDDATA},
    {"Invalid status", AUD_ERR_INVALIDDATA},
    {"Invalid data", AUD_ERR_INVALIDDATA},
    {"Internal error", AUD_ERR_SYSTEM},
    {"Not Supported", AUD_ERR_NOTSUPPORTED},
    {"Timeout", AUD_ERR_TIMEDOUT},
    {"Invalid State", AUD_ERR_INVALIDSTATE},
    {"No Buffers", AUD_ERR_NOBUFS},
    {"Not Found", AUD_ERR_NOTFOUND},
}};

struct opcode_row {
  conmon_ipc_opcode_t opcode;
  const char *text;
};
constexpr std::array<opcode_row, 19> kOpcodes = {{
    {CONMON_IPC_OPCODE_NULL, "NULL"},
    {CONMON_IPC_OPCODE_CONNECT, "Connect"},
    {CONMON_IPC_OPCODE_DISCONNECT, "Disconnect"},
    {CONMON_IPC_OPCODE_SET_DELOS_DEVICE_NAME, "Set Delos Device Name"},
    {CONMON_IPC_OPCODE_SET_REMOTE_CONTROL_ALLOWED, "SET_REMOTE_CONTROL_ALLOWED"},
    {CONMON_IPC_OPCODE_REGISTER, "Register"},
    {CONMON_IPC_OPCODE_DEREGISTER, "Deregister"},
    {CONMON_IPC_OPCODE_SUBSCRIBE, "Subscribe"},
    {CONMON_IPC_OPCODE_UNSUBSCRIBE, "Unsubscribe"},
    {CONMON_IPC_OPCODE_ENABLE_TX_METERING, "Enable Tx Metering"},
    {CONMON_IPC_OPCODE_DISABLE_TX_METERING, "Disable Tx Metering"},
    {CONMON_IPC_OPCODE_SEND_MESSAGE, "Send Message"},
    {CONMON_IPC_OPCODE_NETWORKS_CHANGED, "Networks Changed"},
    {CONMON_IPC_OPCODE_DELOS_DEVICE_NAME_CHANGED, "Delos Device Name Changed"},
    {CONMON_IPC_OPCODE_DNS_DOMAIN_NAME_CHANGED, "DNS_DOMAIN_NAME_CHANGED"},
    {CONMON_IPC_OPCODE_CHANNEL_MESSAGE, "Channel Message"},
    {CONMON_IPC_OPCODE_NAMED_CHANNEL_MESSAGE, "Named Channel Message"},
    {CONMON_IPC_OPCODE_LEGACY_METERING_ADDRESSES, "Legacy Metering Addresses"},
    {CONMON_IPC_OPCODE_SUBSCRIPTIONS_CHANGED, "Subscriptions Changed"},
}};

constexpr std::array<const char *, CONMON_NUM_CHANNELS> kChannelTypes = {
    "control", "metering",  "status",           "broadcast", "local",
    "serial",  "keepalive", "vendor_broadcast", "monitoring"};

struct rxstatus_row {
  conmon_rxstatus_t status;
  const char *text;
};
constexpr std::array<rxstatus_row, 12> kRxStatuses = {{
    {CONMON_RXSTATUS_NONE, "none"},
    {CONMON_RXSTATUS_PREPARING, "preparing"},
    {CONMON_RXSTATUS_RESOLVED, "resolved"},
    {CONMON_RXSTATUS_UNRESOLVED, "unresolved"},
    {CONMON_RXSTATUS_UNICAST, "unicast"},
    {CONMON_RXSTATUS_MULTICAST, "multicast"},
    {CONMON_RXSTATUS_DOMAIN, "domain"},
    {CONMON_RXSTATUS_COMMS_ERROR, "comms error"},
    {CONMON_RXSTATUS_NO_CONNECTION, "no connection"},
    {CONMON_RXSTATUS_INVALID_REPLY, "invalid reply"},
    {CONMON_RXSTATUS_POLICY, "policy"},
    {CONMON_RXSTATUS_TX_NO_CHANNEL, "tx no channel"},
}};

const char *hex8(const uint8_t *b, char *buf, size_t len) {
  if (!buf || len == 0) return buf;
  snprintf(buf, len, "%02x%02x%02x%02x%02x%02x%02x%02x", b[0], b[1], b[2], b[3], b[4], b[5], b[6],
           b[7]);
  return buf;
}

const char *dotted(uint32_t addr, char *buf, size_t len) {
  const uint8_t *b = reinterpret_cast<const uint8_t *>(&addr);
  snprintf(buf, len, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
  return buf;
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
}  // namespace

aud_error_t conmon_ipc_status_to_error(uint16_t status) {
  return status < kStatuses.size() ? kStatuses[status].error : AUD_ERR_SYSTEM;
}

conmon_ipc_status_t conmon_ipc_status_from_error(aud_error_t error,
                                                 conmon_ipc_status_t status_if_success) {
  switch (error) {
    case AUD_SUCCESS:
      return status_if_success;
    case AUD_ERR_INVALIDPARAMETER:
    case AUD_ERR_INVALIDDATA:
      return CONMON_IPC_STATUS_INVALID_DATA;
    case AUD_ERR_INVALIDSTATE:
      return CONMON_IPC_STATUS_INVALID_STATE;
    case AUD_ERR_NOTSUPPORTED:
      return CONMON_IPC_STATUS_NOT_SUPPORTED;
    case AUD_ERR_TIMEDOUT:
      return CONMON_IPC_STATUS_TIMEOUT;
    case AUD_ERR_NOTFOUND:
      return CONMON_IPC_STATUS_NOT_FOUND;
    case AUD_ERR_NOBUFS:
      return CONMON_IPC_STATUS_NO_BUFFERS;
    default:
      return CONMON_IPC_STATUS_INTERNAL_ERROR;
  }
}

const char *conmon_ipc_status_to_string(uint16_t status) {
  uint16_t s = status & CONMON_IPC_STATUS_MASK;
  return s < kStatuses.size() ? kStatuses[s].text : nullptr;
}

const char *conmon_ipc_opcode_to_string(conmon_ipc_opcode_t opcode) {
  for (const opcode_row &r : kOpcodes) {
    if (r.opcode == opcode) return r.text;
  }
  return nullptr;
}

const char *conmon_channel_type_to_string(conmon_channel_type_t type) {
  return type < kChannelTypes.size() ? kChannelTypes[type] : nullptr;
}

conmon_channel_type_t conmon_channel_type_from_string(const char *name) {
  if (!name) return CONMON_CHANNEL_TYPE_NONE;
  for (size_t i = 0; i < kChannelTypes.size(); i++) {
    if (std::strcmp(kChannelTypes[i], name) == 0) return static_cast<conmon_channel_type_t>(i);
  }
  return CONMON_CHANNEL_TYPE_NONE;
}

const char *conmon_rxstatus_to_string(conmon_rxstatus_t status) {
  for (const rxstatus_row &r : kRxStatuses) {
    if (r.status == status) return r.text;
  }
  return nullptr;
}

const char *conmon_instance_id_to_string(const conmon_instance_id_t *id, char *buf, size_t len) {
  if (!buf || len == 0) return buf;
  if (!id) {
    snprintf(buf, len, "[null]");
    return buf;
  }
  char dev[CONMON_DEVICE_ID_STRING_SIZE];
  hex8(id->device_id.data, dev, sizeof dev);
  snprintf(buf, len, "%s/%04x", dev, id->process_id);
  return buf;
}

const char *conmon_device_id_to_string(const conmon_device_id_t *id, char *buf, size_t len) {
  if (!id) return nullptr;
  return hex8(id->data, buf, len);
}

const char *conmon_vendor_id_to_string(const conmon_vendor_id_t *id, char *buf, size_t len) {
  if (!id) return nullptr;
  return hex8(id->data, buf, len);
}

const char *conmon_endpoint_addresses_to_string(const conmon_endpoint_addresses_t *addresses,
                                                char *buf, size_t len) {
  if (!buf || len == 0) return buf;
  size_t num = addresses ? std::min<uint16_t>(addresses->num_networks, CONMON_MAX_NETWORKS) : 0;
  if (num == 0) {
    snprintf(buf, len, "[]");
    return buf;
  }
  size_t used = 0;
  auto add = [&](const char *text) {
    if (used < len) used += snprintf(buf + used, len - used, "%s", text);
  };
  add("[");
  for (size_t i = 0; i < num; i++) {
    char host[16], part[32];
    snprintf(part, sizeof part, "%s%s:%u", i ? "," : "",
             dotted(addresses->addresses[i].host, host, sizeof host), addresses->addresses[i].port);
    add(part);
  }
  add("]");
  return buf;
}

const char *conmon_networks_to_string(const conmon_networks_t *networks, char *buf, size_t len) {
  if (!buf || len == 0) return buf;
  buf[0] = 0;
  size_t used = 0;
  for (size_t i = 0; i < num_networks(networks) && used < len; i++) {
    const conmon_network_t &n = networks->networks[i];
    char ip[16], mask[16], gw[16], dns[16];
    const uint8_t *m = n.mac_address;
    used +=
        snprintf(buf + used, len - used,
                 "  %d: %d %s/%d %02x:%02x:%02x:%02x:%02x:%02x addr:%s mask:%s gw:%s dns:%s\n",
                 static_cast<int>(i), static_cast<int>(n.interface_index), n.is_up ? "up" : "down",
                 static_cast<int>(n.link_speed), m[0], m[1], m[2], m[3], m[4], m[5],
                 dotted(n.ip_address, ip, sizeof ip), dotted(n.netmask, mask, sizeof mask),
                 dotted(n.gateway, gw, sizeof gw), dotted(n.dns_server, dns, sizeof dns));
  }
  return buf;
}

aud_error_t conmon_device_id_from_str(const char *str, conmon_device_id_t *id) {
  if (!str || !id) return AUD_ERR_INVALIDPARAMETER;
  while (std::isspace(static_cast<unsigned char>(*str))) str++;
  if (str[0] == '0' && (str[1] == 'x' || str[1] == 'X')) str += 2;
  conmon_device_id_t out;
  for (size_t i = 0; i < 8; i++) {
    int hi = hex_digit(str[2 * i]);
    if (hi < 0) return AUD_ERR_INVALIDPARAMETER;
    int lo = hex_digit(str[2 * i + 1]);
    if (lo < 0) return AUD_ERR_INVALIDPARAMETER;
    out.data[i] = static_cast<uint8_t>(hi << 4 | lo);
  }
  *id = out;
  return AUD_SUCCESS;
}

char *conmon_device_id_to_str(const conmon_device_id_t *id, char *buf) {
  if (!id || !buf) return buf;
  hex8(id->data, buf, CONMON_DEVICE_ID_STRING_SIZE);
  return buf;
}
