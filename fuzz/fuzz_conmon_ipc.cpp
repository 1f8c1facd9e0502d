// Feeds arbitrary datagrams to the client-server message validation and, for those it
// accepts, to every reader of their opcode. Where a writer exists the read values are
// written again, read back and compared.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "conmon/conmon_ipc.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

void read_all(const conmon_ipc_message_t *m) {
  conmon_name_t name;
  delos_dns_domain_name_t dns;
  uint16_t u16 = 0;
  conmon_channel_type_t type = 0;
  conmon_channel_direction_t dir = 0;
  switch (m->head._opcode) {
    case CONMON_IPC_OPCODE_CONNECT:
      if (conmon_ipc_get_status(m) == CONMON_IPC_STATUS_REQUEST) {
        if (conmon_ipc_read_connect_request(m, name, &u16) == AUD_SUCCESS) {
          conmon_ipc_message_t again;
          check(conmon_ipc_write_connect_request(&again, m->head._vers, 1, name, u16) ==
                AUD_SUCCESS);
          conmon_name_t name2;
          uint16_t k2 = 0;
          check(conmon_ipc_read_connect_request(&again, name2, &k2) == AUD_SUCCESS);
          check(std::strcmp(name, name2) == 0 && k2 == u16);
        }
      } else {
        conmon_ipc_connect_response_data_t d;
        if (conmon_ipc_read_connect_response_data(m, &d) == AUD_SUCCESS) {
          check(d.networks.num_networks <= CONMON_MAX_NETWORKS);
          char buf[512];
          conmon_networks_to_string(&d.networks, buf, sizeof buf);
        }
      }
      break;
    case CONMON_IPC_OPCODE_NETWORKS_CHANGED: {
      conmon_networks_t n;
      if (conmon_ipc_read_networks_changed(m, &n) == AUD_SUCCESS) {
        check(n.num_networks <= CONMON_MAX_NETWORKS);
      }
      break;
    }
    case CONMON_IPC_OPCODE_REGISTER:
    case CONMON_IPC_OPCODE_DEREGISTER:
      conmon_ipc_read_register(m, &type, &dir, &u16);
      break;
    case CONMON_IPC_OPCODE_SUBSCRIBE:
    case CONMON_IPC_OPCODE_UNSUBSCRIBE:
    case CONMON_IPC_OPCODE_SUBSCRIPTIONS_CHANGED:
      if (conmon_ipc_get_status(m) == CONMON_IPC_STATUS_REQUEST) {
        conmon_ipc_read_subscribe_request(m, &type, name, &u16);
        break;
      }
      if (conmon_ipc_read_subscription_changes(m, &dir, &u16) == AUD_SUCCESS) {
        for (uint16_t s = 0; s <= u16 && s < 200; s++) {
          conmon_client_subscription_t sub;
          aud_error_t err = conmon_ipc_read_subscription_change(m, s, &sub);
          check(s < u16 ? err == AUD_SUCCESS : err == AUD_ERR_INVALIDPARAMETER);
          if (err == AUD_SUCCESS) {
            char buf[64];
            check(sub.addresses.num_networks <= CONMON_MAX_NETWORKS);
            conmon_endpoint_addresses_to_string(&sub.addresses, buf, sizeof buf);
            check(std::memchr(sub.device_name, 0, sizeof sub.device_name) != nullptr);
          }
        }
      }
      break;
    case CONMON_IPC_OPCODE_LEGACY_METERING_ADDRESSES:
      for (uint16_t s = 0; s < 200; s++) {
        conmon_ipc_legacy_metering_subscription_info_t info;
        if (conmon_ipc_legacy_read_subscription_address(m, s, &info) == AUD_ERR_INVALIDPARAMETER)
          break;
      }
      break;
    case CONMON_IPC_OPCODE_SET_DELOS_DEVICE_NAME:
    case CONMON_IPC_OPCODE_DELOS_DEVICE_NAME_CHANGED:
      conmon_ipc_read_delos_device_name(m, name);
      break;
    case CONMON_IPC_OPCODE_DNS_DOMAIN_NAME_CHANGED:
      conmon_ipc_read_dns_domain_name(m, dns);
      break;
    case CONMON_IPC_OPCODE_SEND_MESSAGE:
    case CONMON_IPC_OPCODE_SEND_MONITORING_MESSAGE_WITH_FLAGS:
    case CONMON_IPC_OPCODE_CHANNEL_MESSAGE:
    case CONMON_IPC_OPCODE_NAMED_CHANNEL_MESSAGE: {
      const conmon_message_head_t *h = nullptr;
      size_t n = 0;
      if (conmon_ipc_get_conmon_message(m, &h, &n) == AUD_SUCCESS) {
        check(n >= CONMON_MESSAGE_HEAD_SIZE && n <= m->head._size);
        conmon_instance_id_t id;
        conmon_message_head_get_instance_id(h, &id);
      }
      aud_utime_t t;
      conmon_message_source_type_t src;
      conmon_ipc_read_send_message(m, &type, &t, name);
      conmon_ipc_read_channel_message(m, &type, &dir, &src);
      conmon_ipc_read_named_channel_message(m, &type, &dir, name);
      break;
    }
    default:
      break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  // The receive buffer: the datagram at its start, whatever was there before after it.
  std::unique_ptr<conmon_ipc_message_t> m(new conmon_ipc_message_t);
  std::memset(m.get(), 0xA5, sizeof *m);
  size_t n = size < sizeof *m ? size : sizeof *m;
  if (n) std::memcpy(m->raw, data, n);
  if (conmon_ipc_validate(m.get(), size) != 0) return 0;
  read_all(m.get());
  conmon_ipc_status_to_string(m->head._status_and_flags);
  conmon_ipc_opcode_to_string(m->head._opcode);
  return 0;
}
