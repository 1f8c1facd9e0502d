// Fuzzes what a command client controls: the bytes of a session are cut into
// commands as the server reads them (at "!" or after 2047 bytes), cleaned,
// checked for the telnet interrupt and "exit", and dispatched through the
// command table. Operations are replaced by ones that only check their
// arguments, so the parser and the reply writers are what is exercised.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "daemon/norva_delos_api.h"
#include "daemon/norva_delos_registry.h"
#include "daemon/norva_delos_tcpserver.h"

namespace {

int s_result = 0;

// Every text argument must be terminated within its largest field.
void check(const char *s) {
  if (s != nullptr && strnlen(s, NORVA_DELOS_API_DOMAIN_MAX + 1) > NORVA_DELOS_API_DOMAIN_MAX)
    abort();
}

norva_delos_api_ops checking_ops() {
  norva_delos_api_ops o;
  o.set_name = [](const char *a, const char *b) {
    check(a);
    check(b);
    return s_result;
  };
  o.ping = [](const char *a) {
    check(a);
    return s_result;
  };
  o.set_aud_tx_performance = [](const char *a, uint32_t, uint32_t) {
    check(a);
    return s_result;
  };
  o.set_aud_tx_delay = [](const char *a, uint32_t) {
    check(a);
    return s_result;
  };
  o.set_tx_chnname = [](const char *a, int, uint32_t, const char *b) {
    check(a);
    check(b);
    return s_result;
  };
  o.add_tx_chnlabel = [](const char *a, int, uint32_t, const char *b) {
    check(a);
    check(b);
    return s_result;
  };
  o.del_tx_chnlabel = [](const char *a, int, uint32_t, const char *b) {
    check(a);
    check(b);
    return s_result;
  };
  o.set_aud_tx_chn_mute = [](const char *a, uint32_t, uint32_t) {
    check(a);
    return s_result;
  };
  o.set_aud_tx_chn_enable = [](const char *a, uint32_t, uint32_t) {
    check(a);
    return s_result;
  };
  o.set_aud_tx_chn_reflevel = [](const char *a, uint32_t, int) {
    check(a);
    return s_result;
  };
  o.clear_aud_tx_chn_reflevel = [](const char *a, uint32_t) {
    check(a);
    return s_result;
  };
  o.add_tx_flow = [](const char *a, int, const char *b, uint32_t, uint32_t, uint32_t,
                     const char *c) {
    check(a);
    check(b);
    check(c);
    return s_result;
  };
  o.replace_aud_tx_flow = [](const char *a, uint32_t, const char *b) {
    check(a);
    check(b);
    return s_result;
  };
  o.del_tx_flow = [](const char *a, int, uint32_t) {
    check(a);
    return s_result;
  };
  o.set_aud_rx_performance = [](const char *a, uint32_t, uint32_t) {
    check(a);
    return s_result;
  };
  o.set_rx_chn_sub_2 = [](const char *a, int, uint32_t, const char *b, const char *c) {
    check(a);
    check(b);
    check(c);
    return s_result;
  };
  o.set_rx_chn_sub = [](const char *a, int, uint32_t, const char *b, uint32_t) {
    check(a);
    check(b);
    return s_result;
  };
  o.set_rx_chn_sub_aes67 = [](const char *a, uint32_t, const char *b, uint32_t) {
    check(a);
    check(b);
    return s_result;
  };
  o.set_rx_chnname = [](const char *a, int, uint32_t, const char *b) {
    check(a);
    check(b);
    return s_result;
  };
  o.set_aud_rx_chn_mute = [](const char *a, uint32_t, uint32_t) {
    check(a);
    return s_result;
  };
  o.add_aud_rx_flow_unicast = [](const char *a, uint32_t, const char *b, const char *c) {
    check(a);
    check(b);
    check(c);
    return s_result;
  };
  o.add_aud_rx_flow_multicast = [](const char *a, uint32_t, const char *b, const char *c,
                                   const char *d) {
    check(a);
    check(b);
    check(c);
    check(d);
    return s_result;
  };
  o.set_aud_unicast_performance = [](const char *a, uint32_t, uint32_t) {
    check(a);
    return s_result;
  };
  o.set_aes67_prefix = [](const char *a, uint32_t) {
    check(a);
    return s_result;
  };
  o.store_config = [](const char *a) {
    check(a);
    return s_result;
  };
  o.set_network_loopback = [](const char *a, uint32_t) {
    check(a);
    return s_result;
  };
  o.set_lock = [](const char *a, uint32_t) {
    check(a);
    return s_result;
  };
  o.control_set_preferred = [](const char *a, uint32_t) -> aud_error_t {
    check(a);
    return AUD_SUCCESS;
  };
  o.control_set_srate = [](const char *a, uint32_t) -> aud_error_t {
    check(a);
    return AUD_SUCCESS;
  };
  o.upgrade_query = [](const char *a) -> aud_error_t {
    check(a);
    return AUD_SUCCESS;
  };
  o.upgrade = [](const char *a, const char *b, const char *c, uint32_t) -> aud_error_t {
    check(a);
    check(b);
    check(c);
    return AUD_SUCCESS;
  };
  o.control_set_enc = [](const char *a, uint32_t) -> aud_error_t {
    check(a);
    return AUD_SUCCESS;
  };
  o.control_set_aes67_onoff = [](const char *a, uint32_t) -> aud_error_t {
    check(a);
    return AUD_SUCCESS;
  };
  o.control_set_reboot = [](const char *a, uint32_t) -> aud_error_t {
    check(a);
    return AUD_SUCCESS;
  };
  o.control_clear_config = [](const char *a, uint32_t) -> aud_error_t {
    check(a);
    return AUD_SUCCESS;
  };
  o.control_set_dynamic = [](const char *a, uint32_t) -> aud_error_t {
    check(a);
    return AUD_SUCCESS;
  };
  o.control_set_static = [](const char *a, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t,
                            const char *b) -> aud_error_t {
    check(a);
    check(b);
    return AUD_SUCCESS;
  };
  return o;
}

std::vector<char> &reply_area() {
  static std::vector<char> area(TCPSERVER_REPLY_AREA_SIZE);
  return area;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  g_norva_delos_api_ops = checking_ops();
  // One device and one stream so that the report forms have records to print.
  delos_dev *d = norva_delos_dev_add("fuzzdev", "AVIO-000001");
  if (d != nullptr) strcpy(d->stNet[0].azMAC, "001dc1000001");
  norva_aes67_dev_add("fuzzstream");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size == 0) return 0;
  // The first byte picks what the routing operations return.
  s_result = (data[0] & 1) ? -1 : 0;
  ++data;
  --size;
  parse_address(std::string(reinterpret_cast<const char *>(data), size).c_str());
  size_t pos = 0;
  while (pos < size) {
    char cmd[TCPSERVER_CMD_BUFFER_SIZE] = {};
    int n = 0;
    while (pos < size && n < TCPSERVER_CMD_BUFFER_SIZE - 1) {
      char c = static_cast<char>(data[pos++]);
      cmd[n++] = c;
      if (c == '!') break;
    }
    cmd_analyze(cmd, n);
    static const unsigned char interrupt[5] = {255, 244, 255, 253, 6};
    if (memcmp(cmd, interrupt, sizeof interrupt) == 0 || strstr(cmd, "exit") != nullptr) break;
    std::vector<char> &area = reply_area();
    area[TCPSERVER_REPLY_RESERVED] = '\0';
    area[TCPSERVER_REPLY_AREA_SIZE - 1] = '\0';
    Main_FUNC_TcpserverProc(-1, cmd, area.data() + TCPSERVER_REPLY_RESERVED,
                            TCPSERVER_REPLY_CAPACITY);
    if (strnlen(area.data() + TCPSERVER_REPLY_RESERVED, TCPSERVER_REPLY_CAPACITY + 1) >
        TCPSERVER_REPLY_CAPACITY) {
      abort();
    }
  }
  return 0;
}
