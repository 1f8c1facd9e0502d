// An operation table that records the last call (operation name and its
// arguments as text joined by "|") instead of reaching routing or conmon.
#pragma once

#include <arpa/inet.h>

#include <cstdio>
#include <initializer_list>
#include <mutex>
#include <string>

#include "daemon/norva_delos_api.h"

namespace cmdtest {

struct recorded_call {
  std::string op;
  std::string args;
  int calls = 0;
};

inline std::mutex &rec_mutex() {
  static std::mutex m;
  return m;
}
inline recorded_call &rec_last() {
  static recorded_call c;
  return c;
}
// What every recorded routing operation returns.
inline int &rec_routing_result() {
  static int r = 0;
  return r;
}
// What every recorded conmon operation returns.
inline aud_error_t &rec_conmon_result() {
  static aud_error_t r = AUD_ERR_NOTFOUND;
  return r;
}

inline void rec_reset() {
  std::lock_guard<std::mutex> g(rec_mutex());
  rec_last() = recorded_call{};
  rec_routing_result() = 0;
  rec_conmon_result() = AUD_ERR_NOTFOUND;
}

inline recorded_call rec_get() {
  std::lock_guard<std::mutex> g(rec_mutex());
  return rec_last();
}

inline std::string S(const char *s) { return s ? s : "(null)"; }
inline std::string S(uint32_t v) { return std::to_string(v); }
inline std::string S(int v) { return std::to_string(v); }
// An address in network byte order, shown as its bytes in memory order.
inline std::string A(uint32_t v) {
  const unsigned char *b = reinterpret_cast<const unsigned char *>(&v);
  char out[16];
  snprintf(out, sizeof out, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
  return out;
}

inline void rec(const char *op, std::initializer_list<std::string> args) {
  std::lock_guard<std::mutex> g(rec_mutex());
  recorded_call &c = rec_last();
  c.op = op;
  c.args.clear();
  bool first = true;
  for (const auto &a : args) {
    if (!first) c.args += "|";
    c.args += a;
    first = false;
  }
  ++c.calls;
}

inline int rr() { return rec_routing_result(); }
inline aud_error_t cr() { return rec_conmon_result(); }

inline norva_delos_api_ops recording_ops() {
  norva_delos_api_ops o;
  o.set_name = [](const char *a, const char *b) {
    rec("set_name", {S(a), S(b)});
    return rr();
  };
  o.ping = [](const char *a) {
    rec("ping", {S(a)});
    return rr();
  };
  o.set_aud_tx_performance = [](const char *a, uint32_t b, uint32_t c) {
    rec("set_aud_tx_performance", {S(a), S(b), S(c)});
    return rr();
  };
  o.set_aud_tx_delay = [](const char *a, uint32_t b) {
    rec("set_aud_tx_delay", {S(a), S(b)});
    return rr();
  };
  o.set_tx_chnname = [](const char *a, int m, uint32_t c, const char *n) {
    rec("set_tx_chnname", {S(a), S(m), S(c), S(n)});
    return rr();
  };
  o.add_tx_chnlabel = [](const char *a, int m, uint32_t c, const char *n) {
    rec("add_tx_chnlabel", {S(a), S(m), S(c), S(n)});
    return rr();
  };
  o.del_tx_chnlabel = [](const char *a, int m, uint32_t c, const char *n) {
    rec("del_tx_chnlabel", {S(a), S(m), S(c), S(n)});
    return rr();
  };
  o.set_aud_tx_chn_mute = [](const char *a, uint32_t c, uint32_t v) {
    rec("set_aud_tx_chn_mute", {S(a), S(c), S(v)});
    return rr();
  };
  o.set_aud_tx_chn_enable = [](const char *a, uint32_t c, uint32_t v) {
    rec("set_aud_tx_chn_enable", {S(a), S(c), S(v)});
    return rr();
  };
  o.set_aud_tx_chn_reflevel = [](const char *a, uint32_t c, int v) {
    rec("set_aud_tx_chn_reflevel", {S(a), S(c), S(v)});
    return rr();
  };
  o.clear_aud_tx_chn_reflevel = [](const char *a, uint32_t c) {
    rec("clear_aud_tx_chn_reflevel", {S(a), S(c)});
    return rr();
  };
  o.add_tx_flow = [](const char *a, int m, const char *n, uint32_t id, uint32_t l, uint32_t f,
                     const char *s) {
    rec("add_tx_flow", {S(a), S(m), S(n), S(id), S(l), S(f), S(s)});
    return rr();
  };
  o.replace_aud_tx_flow = [](const char *a, uint32_t id, const char *s) {
    rec("replace_aud_tx_flow", {S(a), S(id), S(s)});
    return rr();
  };
  o.del_tx_flow = [](const char *a, int m, uint32_t id) {
    rec("del_tx_flow", {S(a), S(m), S(id)});
    return rr();
  };
  o.set_aud_rx_performance = [](const char *a, uint32_t l, uint32_t f) {
    rec("set_aud_rx_performance", {S(a), S(l), S(f)});
    return rr();
  };
  o.set_rx_chn_sub_2 = [](const char *a, int m, uint32_t c, const char *d, const char *n) {
    rec("set_rx_chn_sub_2", {S(a), S(m), S(c), S(d), S(n)});
    return rr();
  };
  o.set_rx_chn_sub = [](const char *a, int m, uint32_t c, const char *d, uint32_t t) {
    rec("set_rx_chn_sub", {S(a), S(m), S(c), S(d), S(t)});
    return rr();
  };
  o.set_rx_chn_sub_aes67 = [](const char *a, uint32_t c, const char *s, uint32_t t) {
    rec("set_rx_chn_sub_aes67", {S(a), S(c), S(s), S(t)});
    return rr();
  };
  o.set_rx_chnname = [](const char *a, int m, uint32_t c, const char *n) {
    rec("set_rx_chnname", {S(a), S(m), S(c), S(n)});
    return rr();
  };
  o.set_aud_rx_chn_mute = [](const char *a, uint32_t c, uint32_t v) {
    rec("set_aud_rx_chn_mute", {S(a), S(c), S(v)});
    return rr();
  };
  o.add_aud_rx_flow_unicast = [](const char *a, uint32_t id, const char *t, const char *s) {
    rec("add_aud_rx_flow_unicast", {S(a), S(id), S(t), S(s)});
    return rr();
  };
  o.add_aud_rx_flow_multicast = [](const char *a, uint32_t id, const char *fl, const char *t,
                                   const char *s) {
    rec("add_aud_rx_flow_multicast", {S(a), S(id), S(fl), S(t), S(s)});
    return rr();
  };
  o.set_aud_unicast_performance = [](const char *a, uint32_t l, uint32_t f) {
    rec("set_aud_unicast_performance", {S(a), S(l), S(f)});
    return rr();
  };
  o.set_aes67_prefix = [](const char *a, uint32_t p) {
    rec("set_aes67_prefix", {S(a), S(p)});
    return rr();
  };
  o.store_config = [](const char *a) {
    rec("store_config", {S(a)});
    return rr();
  };
  o.set_network_loopback = [](const char *a, uint32_t v) {
    rec("set_network_loopback", {S(a), S(v)});
    return rr();
  };
  o.set_lock = [](const char *a, uint32_t v) {
    rec("set_lock", {S(a), S(v)});
    return rr();
  };
  o.control_set_preferred = [](const char *a, uint32_t v) {
    rec("control_set_preferred", {S(a), S(v)});
    return cr();
  };
  o.control_set_srate = [](const char *a, uint32_t v) {
    rec("control_set_srate", {S(a), S(v)});
    return cr();
  };
  o.upgrade_query = [](const char *a) {
    rec("upgrade_query", {S(a)});
    return cr();
  };
  o.upgrade = [](const char *a, const char *ip, const char *p, uint32_t l) {
    rec("upgrade", {S(a), S(ip), S(p), S(l)});
    return cr();
  };
  o.control_set_enc = [](const char *a, uint32_t v) {
    rec("control_set_enc", {S(a), S(v)});
    return cr();
  };
  o.control_set_aes67_onoff = [](const char *a, uint32_t v) {
    rec("control_set_aes67_onoff", {S(a), S(v)});
    return cr();
  };
  o.control_set_reboot = [](const char *a, uint32_t v) {
    rec("control_set_reboot", {S(a), S(v)});
    return cr();
  };
  o.control_clear_config = [](const char *a, uint32_t v) {
    rec("control_clear_config", {S(a), S(v)});
    return cr();
  };
  o.control_set_dynamic = [](const char *a, uint32_t v) {
    rec("control_set_dynamic", {S(a), S(v)});
    return cr();
  };
  o.control_set_static = [](const char *a, uint32_t i, uint32_t ip, uint32_t m, uint32_t g,
                            uint32_t d, const char *dom) {
    rec("control_set_static", {S(a), S(i), A(ip), A(m), A(g), A(d), S(dom)});
    return cr();
  };
  return o;
}

}  // namespace cmdtest
