// Client-server messages against layouts written out by hand (host byte order for
// IPC fields, big-endian for the embedded conmon message head).
#include "conmon/conmon_ipc.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "conmon_test_bytes.h"

namespace {

bytes_t cat(std::initializer_list<bytes_t> parts) {
  bytes_t out;
  for (const bytes_t &p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

bytes_t text(const char *s, size_t slot) {
  bytes_t b(slot, 0);
  std::memcpy(b.data(), s, std::strlen(s));
  return b;
}

bytes_t head(uint16_t vers, uint16_t size, uint16_t seq, uint16_t op, uint16_t status) {
  return cat({host16(vers), host16(size), host16(seq), host16(op), host16(status)});
}

bytes_t msg_bytes(const conmon_ipc_message_t &m) { return bytes_t(m.raw, m.raw + m.head._size); }

// A zeroed message buffer holding the given bytes.
struct msg_buffer {
  conmon_ipc_message_t m;
  explicit msg_buffer(const bytes_t &b) {
    std::memset(&m, 0, sizeof m);
    std::memcpy(m.raw, b.data(), b.size());
  }
};

TEST(ConmonIpcConnect, CurrentRequestIs44BytesWithTheKeepalive) {
  conmon_ipc_message_t m;
  ASSERT_EQ(AUD_SUCCESS, conmon_ipc_write_connect_request(&m, 0x1503, 7, "my_sample_app", 10));
  EXPECT_EQ(cat({head(0x1503, 44, 7, 0x0100, 0), text("my_sample_app", 32), host16(10)}),
            msg_bytes(m));
}

TEST(ConmonIpcConnect, RequestBefore1400IsTheNameAndItsNul) {
  conmon_ipc_message_t m;
  ASSERT_EQ(AUD_SUCCESS, conmon_ipc_write_connect_request(&m, 0x1300, 7, "my_sample_app", 10));
  EXPECT_EQ(cat({head(0x1300, 24, 7, 0x0100, 0), text("my_sample_app", 14)}), msg_bytes(m));
}

TEST(ConmonIpcConnect, RequestReadsBackNameAndKeepalive) {
  msg_buffer b(cat({head(0x1503, 44, 1, 0x0100, 0), text("app", 32), host16(10)}));
  conmon_name_t name;
  uint16_t keepalive = 0;
  ASSERT_EQ(AUD_SUCCESS, conmon_ipc_read_connect_request(&b.m, name, &keepalive));
  EXPECT_STREQ("app", name);
  EXPECT_EQ(10, keepalive);
}

bytes_t network_1_2_0(uint32_t index, uint8_t last) {
  uint8_t v[36] = {};
  std::memcpy(v, &index, 4);
  uint32_t flags = 1;
  std::memcpy(v + 4, &flags, 4);
  uint16_t up = 1;
  std::memcpy(v + 8, &up, 2);
  const uint8_t mac[6] = {0x00, 0x1D, 0xC1, 0, 0, last};
  std::memcpy(v + 10, mac, 6);
  uint32_t speed = 1000;
  std::memcpy(v + 16, &speed, 4);
  const uint8_t addr[4] = {192, 168, 1, last};
  std::memcpy(v + 20, addr, 4);
  return bytes_t(v, v + 36);
}

bytes_t connect_response(uint16_t num) {
  bytes_t b = cat({head(0x1503, static_cast<uint16_t>(324 + 36 * num), 9, 0x0100, 1),
                   host16(1),
                   text("box", 32),
                   text("example.lan", 256),
                   {1, 2, 3, 4, 5, 6, 7, 8},
                   host16(0x4242),
                   host16(num),
                   host16(36),
                   host16(324),
                   {1, 5},
                   host16(3)});
  uint32_t build = 77;
  b.insert(b.end(), reinterpret_cast<uint8_t *>(&build), reinterpret_cast<uint8_t *>(&build) + 4);
  for (uint16_t i = 0; i < num; i++) {
    bytes_t n = network_1_2_0(2 + i, static_cast<uint8_t>(10 + i));
    b.insert(b.end(), n.begin(), n.end());
  }
  return b;
}

TEST(ConmonIpcConnect, ResponseAnnouncingThreeNetworksYieldsTwo) {
  bytes_t raw = connect_response(3);
  ASSERT_EQ(432u, raw.size());
  msg_buffer b(raw);
  ASSERT_EQ(0, conmon_ipc_validate(&b.m, raw.size()));
  conmon_ipc_connect_response_data_t d;
  ASSERT_EQ(AUD_SUCCESS, conmon_ipc_read_connect_response_data(&b.m, &d));
  EXPECT_EQ(1, d.server_flags);
  EXPECT_STREQ("box", d.delos_device_name);
  EXPECT_STREQ("example.lan", d.dns_domain_name);
  EXPECT_EQ(0x4242, d.instance_id.process_id);
  EXPECT_EQ(8, d.instance_id.device_id.data[7]);
  EXPECT_EQ(1, d.server_version.major);
  EXPECT_EQ(5, d.server_version.minor);
  EXPECT_EQ(3, d.server_version.bugfix);
  EXPECT_EQ(77u, d.server_version_build);
  ASSERT_EQ(2, d.networks.num_networks);
  EXPECT_EQ(2u, d.networks.networks[0].interface_index);
  EXPECT_EQ(3u, d.networks.networks[1].interface_index);
  EXPECT_EQ(AUD_TRUE, d.networks.networks[1].is_up);
  EXPECT_EQ(11, d.networks.networks[1].mac_address[5]);
}

TEST(ConmonIpcConnect, ResponseBefore1400ReadsVersionAsZero) {
  bytes_t raw = connect_response(1);
  raw[0] = 0x00;
  raw[1] = 0x13;  // 0x1300, little-endian host
  msg_buffer b(raw);
  conmon_ipc_connect_response_data_t d;
  ASSERT_EQ(AUD_SUCCESS, conmon_ipc_read_connect_response_data(&b.m, &d));
  EXPECT_EQ(0, d.server_version.major);
  EXPECT_EQ(0u, d.server_version_build);
}

TEST(ConmonIpcConnect, ServerResponseForAnOldRequestUsesTheOldLayout) {
  conmon_ipc_message_t req, resp;
  conmon_ipc_write_connect_request(&req, 0x1100, 3, "x", 0);
  conmon_networks_t nets = {};
  nets.num_networks = 1;
  nets.networks[0].interface_index = 4;
  conmon_instance_id_t id = {{{1, 2, 3, 4, 5, 6, 7, 8}}, 9};
  ASSERT_EQ(AUD_SUCCESS, conmon_ipc_write_connect_response(&resp, &req, 1, nullptr, 0, "dev", "dns",
                                                           &id, &nets));
  EXPECT_EQ(0x1100, resp.head._vers);
  EXPECT_EQ(56 + 88, resp.head._size);
  EXPECT_EQ(0, conmon_ipc_validate(&resp, resp.head._size));
  uint32_t index;
  std::memcpy(&index, resp.raw + 56 + 64, 4);
  EXPECT_EQ(4u, index);
}

TEST(ConmonIpcSubscribe, RequestForDeviceABIs27Bytes) {
  conmon_ipc_message_t m;
  ASSERT_EQ(AUD_SUCCESS,
            conmon_ipc_write_subscribe_request(&m, 0x1503, 5, CONMON_CHANNEL_TYPE_STATUS, "AB", 0));
  EXPECT_EQ(
      cat({head(0x1503, 27, 5, 0x0310, 0), host16(2), host16(0), {'A', 'B', 0}, bytes_t(10, 0)}),
      msg_bytes(m));
  EXPECT_EQ(0, conmon_ipc_validate(&m, 27));
}

TEST(ConmonIpcSubscribe, GlobalRequestIs25BytesAndStillValid) {
  conmon_ipc_message_t m;
  ASSERT_EQ(AUD_SUCCESS, conmon_ipc_write_subscribe_request(
                             &m, 0x1503, 5, CONMON_CHANNEL_TYPE_STATUS, nullptr, 0));
  EXPECT_EQ(25, m.head._size);
  EXPECT_EQ(0, conmon_ipc_validate(&m, 25));
}

TEST(ConmonIpcSubscribe, ResponseEntryReadsIntoASubscriptionRecord) {
  conmon_client_subscription_t sub = {};
  sub.flags = CONMON_CLIENT_SUBSCRIPTION_FIELD_FLAG_INSTANCE_ID |
              CONMON_CLIENT_SUBSCRIPTION_FIELD_FLAG_ADDRESSES;
  sub.channel_type = CONMON_CHANNEL_TYPE_STATUS;
  std::strcpy(sub.device_name, "AB");
  sub.instance_id = {{{9, 9, 9, 9, 9, 9, 9, 9}}, 3};
  sub.status = CONMON_RXSTATUS_UNICAST;
  sub.addresses.num_networks = 1;
  sub.addresses.network_mask = 1;
  sub.addresses.addresses[0].port = 8700;
  sub.connections_available = 1;
  conmon_ipc_message_t req, resp;
  conmon_ipc_write_subscribe_request(&req, 0x1503, 5, CONMON_CHANNEL_TYPE_STATUS, "AB", 0);
  ASSERT_EQ(AUD_SUCCESS, conmon_ipc_write_subscribe_response(&resp, &req, &sub));
  EXPECT_EQ(88, resp.head._size);
  // Entry at 16: flags 3, channel type 2, the name, the instance id.
  EXPECT_EQ(cat({host16(3), host16(2), text("AB", 32)}), bytes_t(resp.raw + 16, resp.raw + 52));
  EXPECT_EQ(0, conmon_ipc_validate(&resp, 88));

  conmon_channel_direction_t dir = 0;
  uint16_t num = 0;
  ASSERT_EQ(AUD_SUCCESS, conmon_ipc_read_subscription_changes(&resp, &dir, &num));
  EXPECT_EQ(CONMON_CHANNEL_DIRECTION_RX, dir);
  EXPECT_EQ(1, num);
  conmon_client_subscription_t out;
  ASSERT_EQ(AUD_SUCCESS, conmon_ipc_read_subscription_change(&resp, 0, &out));
  EXPECT_EQ(0xFFu, out.flags);
  EXPECT_STREQ("AB", out.device_name);
  EXPECT_EQ(3, out.instance_id.process_id);
  EXPECT_EQ(CONMON_RXSTATUS_UNICAST, out.status);
  EXPECT_EQ(8700, out.addresses.addresses[0].port);
  EXPECT_EQ(1, out.connections_available);
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER, conmon_ipc_read_subscription_change(&resp, 1, &out));
}

TEST(ConmonIpcSendMessage, ControlMessageWithA20ByteBodyIs96Bytes) {
  conmon_ipc_message_t m;
  uint8_t body[20];
  for (int i = 0; i < 20; i++) body[i] = static_cast<uint8_t>(i);
  aud_utime_t timeout = {5, 0};
  ASSERT_EQ(AUD_SUCCESS,
            conmon_ipc_write_send_message(&m, 0x1503, 0, CONMON_CHANNEL_TYPE_CONTROL, &timeout,
                                          "dev1", CONMON_MESSAGE_CLASS_VENDOR_SPECIFIC,
                                          CONMON_VENDOR_ID_AURELIAN, body, sizeof body));
  uint32_t five = 5, zero = 0;
  bytes_t expected =
      cat({head(0x1503, 96, 0, 0x0400, 0),
           host16(0),
           bytes_t(reinterpret_cast<uint8_t *>(&five), reinterpret_cast<uint8_t *>(&five) + 4),
           bytes_t(reinterpret_cast<uint8_t *>(&zero), reinterpret_cast<uint8_t *>(&zero) + 4),
           text("dev1", 32),
           {0xFF, 0xFF, 0x00, 0x2C, 0, 0, 0, 0, ZERO8, 'A', 'u', 'r', 'e', 'l', 'i', 'a', 'n'},
           bytes_t(body, body + 20)});
  EXPECT_EQ(expected, msg_bytes(m));
  EXPECT_EQ(0, conmon_ipc_validate(&m, 96));
  const conmon_message_head_t *h = nullptr;
  size_t n = 0;
  ASSERT_EQ(AUD_SUCCESS, conmon_ipc_get_conmon_message(&m, &h, &n));
  EXPECT_EQ(44u, n);
  EXPECT_EQ(20, conmon_message_head_get_body_size(h));
}

TEST(ConmonIpcSendMessage, BodyOf1449BytesIsRefused) {
  conmon_ipc_message_t m;
  static uint8_t body[1449];
  EXPECT_EQ(
      AUD_ERR_INVALIDPARAMETER,
      conmon_ipc_write_send_message(&m, 0x1503, 0, CONMON_CHANNEL_TYPE_CONTROL, nullptr, nullptr,
                                    0xFFFF, CONMON_VENDOR_ID_AURELIAN, body, sizeof body));
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER,
            conmon_ipc_write_send_monitoring_message_with_flags(
                &m, 0x1503, 0, 2, 0xFFFF, CONMON_VENDOR_ID_AURELIAN, body, 1449, 0));
}

TEST(ConmonIpcSendMessage, MonitoringMessageOnChannelZeroIsInvalidData) {
  conmon_ipc_message_t m;
  EXPECT_EQ(AUD_ERR_INVALIDDATA,
            conmon_ipc_write_send_monitoring_message_with_flags(
                &m, 0x1503, 0, 0, 0xFFFF, CONMON_VENDOR_ID_AURELIAN, nullptr, 0, 0));
}

TEST(ConmonIpcNetworks, ChangedEventReadsTheArrayEntries) {
  bytes_t raw = cat({head(0x1503, 16 + 36, 0, 0x0500, 2), host16(1), host16(36), host16(16),
                     network_1_2_0(6, 20)});
  msg_buffer b(raw);
  ASSERT_EQ(0, conmon_ipc_validate(&b.m, raw.size()));
  conmon_networks_t n;
  ASSERT_EQ(AUD_SUCCESS, conmon_ipc_read_networks_changed(&b.m, &n));
  EXPECT_EQ(1, n.num_networks);
  EXPECT_EQ(6u, n.networks[0].interface_index);
  EXPECT_EQ(1000u, n.networks[0].link_speed);
}

TEST(ConmonIpcLegacyMetering, AddressesAreReadPerSubscriber) {
  conmon_ipc_legacy_metering_subscription_info_t infos[2] = {};
  infos[0].instance_id.process_id = 1;
  infos[0].num_addresses = 2;
  infos[0].addresses[1].port = 9000;
  infos[1].instance_id.process_id = 2;
  infos[1].num_addresses = 1;
  infos[1].addresses[0].port = 9001;
  conmon_ipc_message_t m;
  ASSERT_EQ(AUD_SUCCESS, conmon_ipc_legacy_write_metering_addresses(&m, 0x1503, 0, 0, 2, infos));
  EXPECT_EQ(20 + 32 + 24, m.head._size);
  EXPECT_EQ(0, conmon_ipc_validate(&m, m.head._size));
  conmon_ipc_legacy_metering_subscription_info_t out;
  ASSERT_EQ(AUD_SUCCESS, conmon_ipc_legacy_read_subscription_address(&m, 1, &out));
  EXPECT_EQ(2, out.instance_id.process_id);
  EXPECT_EQ(1, out.num_addresses);
  EXPECT_EQ(9001, out.addresses[0].port);
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER, conmon_ipc_legacy_read_subscription_address(&m, 2, &out));
}

struct validate_case {
  const char *name;
  bytes_t raw;
  size_t size;  // 0: the raw length
  conmon_ipc_status_t expected;
};

TEST(ConmonIpcValidate, EachRuleGivesItsStatus) {
  bytes_t changed = cat({head(0x1503, 53, 0, 0x0500, 2),
                         host16(1),
                         host16(36),
                         host16(16),
                         network_1_2_0(1, 1),
                         {0}});
  const validate_case cases[] = {
      {"nine bytes", bytes_t(9, 0), 0, 4},
      {"major version 2", head(0x2000, 10, 0, 0, 0), 0, 3},
      {"size field differs from the datagram", head(0x1503, 12, 0, 0, 0), 10, 4},
      {"error response of any length", cat({head(0x1503, 11, 1, 0x0100, 7), {0}}), 0, 0},
      {"unknown opcode", head(0x1503, 10, 0, 0x0999, 0), 0, 9},
      {"keepalive", head(0x1503, 10, 0, 0x0000, 0), 0, 0},
      {"connect event", head(0x1503, 10, 0, 0x0100, 2), 0, 6},
      {"connect name unterminated", cat({head(0x1503, 44, 0, 0x0100, 0), bytes_t(32, 'a'), {0, 0}}),
       0, 7},
      {"connect name cut by the size", cat({head(0x1503, 14, 0, 0x0100, 0), {'a', 'b', 'c', 'd'}}),
       0, 4},
      {"connect response too short", cat({head(0x1503, 300, 0, 0x0100, 1), bytes_t(290, 0)}), 0, 4},
      {"register request with channel 9",
       cat({head(0x1503, 16, 0, 0x0300, 0), host16(9), host16(1), host16(0)}), 0, 7},
      {"register event", head(0x1503, 10, 0, 0x0300, 2), 0, 6},
      {"subscribe to channel 0", cat({head(0x1503, 25, 0, 0x0310, 0), host16(0), bytes_t(13, 0)}),
       0, 7},
      {"subscribe response list cut",
       cat({head(0x1503, 20, 0, 0x0310, 1), host16(1), bytes_t(8, 0)}), 0, 4},
      {"send message with a short embedded head",
       cat({head(0x1503, 36, 0, 0x0400, 0), host16(2), {0xFF, 0xFF, 0x00, 0x10}, bytes_t(20, 0)}),
       0, 7},
      {"networks changed one byte long", changed, 0, 7},
      {"networks changed as a request", cat({head(0x1503, 52, 0, 0x0500, 0), bytes_t(42, 0)}), 0,
       6},
      {"channel message body past the end",
       cat({head(0x1503, 40, 0, 0x0510, 2),
            bytes_t(6, 0),
            {0xFF, 0xFF, 0x00, 0x19},
            bytes_t(20, 0)}),
       0, 7},
      {"legacy metering count mismatch",
       cat({head(0x1503, 20, 0, 0x0520, 2), host16(1), host16(1), host16(1), host16(0), host16(0)}),
       0, 7},
      {"subscriptions changed too short",
       cat({head(0x1503, 20, 0, 0x0521, 2), host16(1), bytes_t(8, 0)}), 0, 4},
  };
  for (const validate_case &c : cases) {
    SCOPED_TRACE(c.name);
    msg_buffer b(c.raw);
    EXPECT_EQ(c.expected, conmon_ipc_validate(&b.m, c.size ? c.size : c.raw.size()));
  }
}

TEST(ConmonIpcStatus, StatusesMapToErrorsAndBack) {
  const struct {
    uint16_t status;
    aud_error_t error;
    const char *text;
  } cases[] = {
      {0, AUD_SUCCESS, "Request"},
      {1, AUD_SUCCESS, "Response"},
      {2, AUD_SUCCESS, "Event"},
      {3, AUD_ERR_VERSION, "Invalid version"},
      {4, AUD_ERR_INVALIDDATA, "Invalid size"},
      {7, AUD_ERR_INVALIDDATA, "Invalid data"},
      {8, AUD_ERR_SYSTEM, "Internal error"},
      {9, AUD_ERR_NOTSUPPORTED, "Not Supported"},
      {10, AUD_ERR_TIMEDOUT, "Timeout"},
      {11, AUD_ERR_INVALIDSTATE, "Invalid State"},
      {12, AUD_ERR_NOBUFS, "No Buffers"},
      {13, AUD_ERR_NOTFOUND, "Not Found"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.status);
    EXPECT_EQ(c.error, conmon_ipc_status_to_error(c.status));
    EXPECT_STREQ(c.text, conmon_ipc_status_to_string(c.status));
  }
  EXPECT_EQ(AUD_ERR_SYSTEM, conmon_ipc_status_to_error(14));
  EXPECT_EQ(AUD_ERR_SYSTEM, conmon_ipc_status_to_error(0xF001));
  EXPECT_STREQ("Request", conmon_ipc_status_to_string(0xF000));
  EXPECT_EQ(nullptr, conmon_ipc_status_to_string(14));
  EXPECT_EQ(7, conmon_ipc_status_from_error(AUD_ERR_INVALIDPARAMETER, 1));
  EXPECT_EQ(1, conmon_ipc_status_from_error(AUD_SUCCESS, 1));
  EXPECT_EQ(8, conmon_ipc_status_from_error(AUD_ERR_NOMEMORY, 1));
}

TEST(ConmonIpcText, OpcodesChannelsAndIdsHaveTheirTexts) {
  EXPECT_STREQ("NULL", conmon_ipc_opcode_to_string(0));
  EXPECT_STREQ("Subscriptions Changed", conmon_ipc_opcode_to_string(0x0521));
  EXPECT_EQ(nullptr, conmon_ipc_opcode_to_string(0x0330));
  EXPECT_STREQ("vendor_broadcast", conmon_channel_type_to_string(7));
  EXPECT_EQ(8, conmon_channel_type_from_string("monitoring"));
  EXPECT_EQ(0xFFFF, conmon_channel_type_from_string("nope"));
  EXPECT_STREQ("tx no channel", conmon_rxstatus_to_string(0x110));
  conmon_instance_id_t id = {{{0x00, 0x1d, 0xc1, 0xff, 0xfe, 0x12, 0x34, 0x56}}, 0x2a};
  char buf[CONMON_INSTANCE_ID_STRING_SIZE];
  EXPECT_STREQ("001dc1fffe123456/002a", conmon_instance_id_to_string(&id, buf, sizeof buf));
  EXPECT_STREQ("[null]", conmon_instance_id_to_string(nullptr, buf, sizeof buf));
  conmon_device_id_t dev;
  ASSERT_EQ(AUD_SUCCESS, conmon_device_id_from_str("  0x001DC1fffe123456", &dev));
  EXPECT_EQ(0, std::memcmp(dev.data, id.device_id.data, 8));
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER, conmon_device_id_from_str("001dc1", &dev));
  conmon_endpoint_addresses_t a = {};
  char abuf[64];
  EXPECT_STREQ("[]", conmon_endpoint_addresses_to_string(&a, abuf, sizeof abuf));
  a.num_networks = 2;
  const uint8_t h0[4] = {10, 0, 0, 1}, h1[4] = {10, 1, 0, 1};
  std::memcpy(&a.addresses[0].host, h0, 4);
  std::memcpy(&a.addresses[1].host, h1, 4);
  a.addresses[0].port = 8700;
  a.addresses[1].port = 8701;
  EXPECT_STREQ("[10.0.0.1:8700,10.1.0.1:8701]",
               conmon_endpoint_addresses_to_string(&a, abuf, sizeof abuf));
}

}  // namespace
