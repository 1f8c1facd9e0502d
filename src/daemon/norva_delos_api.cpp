#include "daemon/norva_delos_api.h"

#include <arpa/inet.h>
#include <cjson/cJSON.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "daemon/norva_delos_conmon.h"
#include "daemon/norva_delos_devlist.h"
#include "daemon/norva_delos_mainq.h"
#include "daemon/norva_delos_routing.h"

namespace {

typedef char arg_t[NORVA_DELOS_API_DOMAIN_MAX + 1];

constexpr int DEV = NORVA_DELOS_API_DEVNAME_MAX;
constexpr int CHN = NORVA_DELOS_API_CHN_MAX;
constexpr int FLOWID = NORVA_DELOS_API_FLOWID_MAX;
constexpr int SWITCH = NORVA_DELOS_API_SWITCH_MAX;
constexpr int LAT = NORVA_DELOS_API_LATENCY_MAX;
constexpr int NAME = NORVA_DELOS_API_CHNNAME_MAX;
constexpr int W15 = NORVA_DELOS_API_WORD15_MAX;
constexpr int IP = NORVA_DELOS_API_IPV4_MAX;

int count_words(const char *text) {
  int n = 0;
  for (const char *p = text; *p != '\0';) {
    while (*p == ' ') ++p;
    if (*p == '\0') break;
    ++n;
    while (*p != '\0' && *p != ' ') ++p;
  }
  return n;
}

// Leading decimal digits (after blanks and a sign) as an int, 0 when there
// are none; values beyond the int range are held at its ends rather than
// overflowing.
int api_atoi(const char *text) {
  errno = 0;
  long v = strtol(text, nullptr, 10);
  if (v > INT_MAX) return INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return static_cast<int>(v);
}

uint32_t to_u32(const char *text) { return static_cast<uint32_t>(api_atoi(text)); }

// Parses the arguments of the command whose word is `word` into args.
bool parse(const char *prequest, const char *word, std::initializer_list<int> limits, arg_t *args) {
  int lim[NORVA_DELOS_API_ARGS_MAX];
  int n = 0;
  for (int l : limits) lim[n++] = l;
  return norva_delos_api_parse_args(prequest, count_words(word), n, lim, args);
}

// Runs the operation on the main thread and writes the success reply; the
// dispatcher replaces it when the result is negative.
template <typename F>
int run(char *pResponses, int size, const char *cmd, F &&op) {
  int result = 0;
  norva_delos_mainq_call([&] { result = op(); });
  norva_delos_api_write_reply(pResponses, size, cmd, "success");
  return result;
}

const norva_delos_api_ops &ops() { return g_norva_delos_api_ops; }

// Conmon results are aud_error_t codes, never negative: the reply only says
// that the request was handed over.
int conmon_result(aud_error_t e) { return static_cast<int>(e & INT_MAX); }

}  // namespace

norva_delos_api_ops norva_delos_api_default_ops(void) {
  norva_delos_api_ops o;
  o.set_name = norva_delos_routing_set_name;
  o.ping = norva_delos_routing_ping;
  o.set_aud_tx_performance = norva_delos_routing_set_aud_tx_performance;
  o.set_aud_tx_delay = norva_delos_routing_set_aud_tx_delay;
  o.set_tx_chnname = norva_delos_routing_set_tx_chnname;
  o.add_tx_chnlabel = norva_delos_routing_add_tx_chnlabel;
  o.del_tx_chnlabel = norva_delos_routing_del_tx_chnlabel;
  o.set_aud_tx_chn_mute = norva_delos_routing_set_aud_tx_chn_mute;
  o.set_aud_tx_chn_enable = norva_delos_routing_set_aud_tx_chn_enable;
  o.set_aud_tx_chn_reflevel = norva_delos_routing_set_aud_tx_chn_reflevel;
  o.clear_aud_tx_chn_reflevel = norva_delos_routing_clear_aud_tx_chn_reflevel;
  o.add_tx_flow = norva_delos_routing_add_tx_flow;
  o.replace_aud_tx_flow = norva_delos_routing_replace_aud_tx_flow;
  o.del_tx_flow = norva_delos_routing_del_tx_flow;
  o.set_aud_rx_performance = norva_delos_routing_set_aud_rx_performance;
  o.set_rx_chn_sub_2 = norva_delos_routing_set_rx_chn_sub_2;
  o.set_rx_chn_sub = norva_delos_routing_set_rx_chn_sub;
  o.set_rx_chn_sub_aes67 = norva_delos_routing_set_rx_chn_sub_aes67;
  o.set_rx_chnname = norva_delos_routing_set_rx_chnname;
  o.set_aud_rx_chn_mute = norva_delos_routing_set_aud_rx_chn_mute;
  o.add_aud_rx_flow_unicast = norva_delos_routing_add_aud_rx_flow_unicast;
  o.add_aud_rx_flow_multicast = norva_delos_routing_add_aud_rx_flow_multicast;
  o.set_aud_unicast_performance = norva_delos_routing_set_aud_unicast_performance;
  o.set_aes67_prefix = norva_delos_routing_set_aes67_prefix;
  o.store_config = norva_delos_routing_store_config;
  o.set_network_loopback = norva_delos_routing_set_network_loopback;
  o.set_lock = norva_delos_routing_set_lock;
  o.control_set_preferred = norva_delos_control_set_preferred;
  o.control_set_srate = norva_delos_control_set_srate;
  o.upgrade_query = norva_delos_upgrade_query;
  o.upgrade = norva_delos_upgrade;
  o.control_set_enc = norva_delos_control_set_enc;
  o.control_set_aes67_onoff = norva_delos_control_set_aes67_onoff;
  o.control_set_reboot = norva_delos_control_set_reboot;
  o.control_clear_config = norva_delos_control_clear_config;
  o.control_set_dynamic = norva_delos_control_set_dynamic;
  o.control_set_static = norva_delos_control_set_static;
  return o;
}

norva_delos_api_ops g_norva_delos_api_ops = norva_delos_api_default_ops();

bool norva_delos_api_parse_args(const char *prequest, int skip, int num_args, const int *limits,
                                arg_t *args) {
  for (int i = 0; i < num_args; ++i) args[i][0] = '\0';
  const char *end = strchr(prequest, '!');
  if (end == nullptr) end = prequest + strlen(prequest);
  const char *p = prequest;
  for (int i = 0; i < skip; ++i) {
    while (p < end && *p == ' ') ++p;
    while (p < end && *p != ' ') ++p;
  }
  for (int i = 0; i < num_args; ++i) {
    while (p < end && *p == ' ') ++p;
    const char *stop = p;
    if (i == num_args - 1) {
      stop = end;
    } else {
      while (stop < end && *stop != ' ') ++stop;
    }
    size_t len = static_cast<size_t>(stop - p);
    if (len > static_cast<size_t>(limits[i])) return false;
    memcpy(args[i], p, len);
    args[i][len] = '\0';
    p = stop;
  }
  return true;
}

int norva_delos_api_print_reply(const cJSON *root, char *pResponses, int size) {
  if (root == nullptr || size < 0) return -1;
  // Printing straight into the reply area saves a copy of a report that may
  // be close to a megabyte. cJSON may refuse a buffer a few bytes before it is
  // really full, so a refusal is checked with an exact print.
  if (cJSON_PrintPreallocated(const_cast<cJSON *>(root), pResponses, size + 1, 1)) return 0;
  char *text = cJSON_Print(root);
  if (text == nullptr) return -1;
  size_t n = strlen(text);
  int rc = -1;
  if (n <= static_cast<size_t>(size)) {
    memcpy(pResponses, text, n + 1);
    rc = 0;
  }
  cJSON_free(text);
  return rc;
}

int norva_delos_api_write_reply(char *pResponses, int size, const char *cmd, const char *status) {
  cJSON *root = cJSON_CreateObject();
  cJSON *ack = cJSON_CreateObject();
  cJSON_AddItemToObject(ack, "cmd", cJSON_CreateString(cmd));
  cJSON_AddItemToObject(ack, "status", cJSON_CreateString(status));
  cJSON_AddItemToObject(root, "ack", ack);
  char *text = cJSON_Print(root);
  cJSON_Delete(root);
  int rc = -1;
  if (text != nullptr) {
    size_t n = strlen(text);
    if (size >= 0 && n <= static_cast<size_t>(size)) {
      memcpy(pResponses, text, n + 1);
      rc = 0;
    }
    cJSON_free(text);
  }
  return rc;
}

uint32_t parse_address(const char *text) {
  if (text == nullptr) return 0;
  uint32_t addr = 0;
  const char *p = text;
  for (int i = 0; i < 4; ++i) {
    if (i > 0) {
      if (*p != '.') return 0;
      ++p;
    }
    while (*p == ' ' || *p == '\t') ++p;
    if (*p < '0' || *p > '9') return 0;
    unsigned v = 0;
    while (*p >= '0' && *p <= '9') {
      v = v * 10 + static_cast<unsigned>(*p - '0');
      if (v > 255) return 0;
      ++p;
    }
    addr = (addr << 8) | v;
  }
  return addr;
}

// ---- handlers ----

int norva_delos_api_help(int, const char *, char *pResponses, int size, int) {
  cJSON *root = cJSON_CreateObject();
  cJSON *ack = cJSON_CreateObject();
  cJSON_AddItemToObject(ack, "cmd", cJSON_CreateString("help"));
  cJSON_AddItemToObject(ack, "status", cJSON_CreateString("success"));
  cJSON_AddItemToObject(root, "ack", ack);
  cJSON *list = cJSON_CreateArray();
  cJSON *entries = cJSON_CreateObject();
  for (const auto &h : norva_delos_api_help_table) {
    cJSON_AddItemToObject(entries, h.usage, cJSON_CreateString(h.desc));
  }
  cJSON_AddItemToArray(list, entries);
  cJSON_AddItemToObject(root, "devicelist", list);
  if (norva_delos_api_print_reply(root, pResponses, size) != 0) {
    norva_delos_api_write_reply(pResponses, size, "help", "fail");
  }
  cJSON_Delete(root);
  return 0;
}

int norva_delos_api_get_devices_all(int fd, const char *prequest, char *pResponses, int size, int) {
  return norva_delos_api_get_devices(fd, prequest, pResponses, size, 1);
}

int norva_delos_api_get_devices_one(int fd, const char *prequest, char *pResponses, int size, int) {
  return norva_delos_api_get_devices(fd, prequest, pResponses, size, 0);
}

int norva_delos_api_set_name(int, const char *prequest, char *pResponses, int size, int) {
  static const char kWord[] = "delos set name";
  arg_t a[3];
  char devname[NORVA_DELOS_API_DEVNAME_MAX + 1];
  const char *newname;
  if (strstr(prequest, " (") != nullptr) {
    // A default name with a copy number, such as "AVIO-1a2b3c (2)".
    if (!parse(prequest, kWord, {DEV, NORVA_DELOS_API_DEVNAME_SUFFIX_MAX, NAME}, a)) return -1;
    size_t n1 = strlen(a[0]), n2 = strlen(a[1]);
    if (n1 + 1 + n2 > NORVA_DELOS_API_DEVNAME_MAX) return -1;
    memcpy(devname, a[0], n1);
    devname[n1] = ' ';
    memcpy(devname + n1 + 1, a[1], n2 + 1);
    newname = a[2];
  } else {
    if (!parse(prequest, kWord, {DEV, NAME}, a)) return -1;
    memcpy(devname, a[0], strlen(a[0]) + 1);  // fits: the limit is the field's
    newname = a[1];
  }
  printf("%s: defname %s newname %s\n", "norva_delos_api_set_name", devname, newname);
  return run(pResponses, size, kWord, [&] { return ops().set_name(devname, newname); });
}

int norva_delos_api_ping(int, const char *prequest, char *pResponses, int size, int) {
  static const char kWord[] = "delos ping";
  arg_t a[1];
  if (!parse(prequest, kWord, {DEV}, a)) return -1;
  return run(pResponses, size, kWord, [&] { return ops().ping(a[0]); });
}

int norva_delos_api_set_preferred(int, const char *prequest, char *pResponses, int size, int) {
  static const char kWord[] = "delos set preferred";
  arg_t a[2];
  if (!parse(prequest, kWord, {DEV, SWITCH}, a)) return -1;
  return run(pResponses, size, kWord,
             [&] { return conmon_result(ops().control_set_preferred(a[0], to_u32(a[1]))); });
}

int norva_delos_api_set_srate(int, const char *prequest, char *pResponses, int size, int) {
  static const char kWord[] = "delos set srate";
  arg_t a[2];
  if (!parse(prequest, kWord, {DEV, W15}, a)) return -1;
  return run(pResponses, size, kWord,
             [&] { return conmon_result(ops().control_set_srate(a[0], to_u32(a[1]))); });
}

int norva_delos_api_upgrade_query(int, const char *prequest, char *pResponses, int size, int) {
  static const char kWord[] = "delos upgrade query";
  arg_t a[1];
  if (!parse(prequest, kWord, {DEV}, a)) return -1;
  return run(pResponses, size, kWord, [&] { return conmon_result(ops().upgrade_query(a[0])); });
}

int norva_delos_api_upgrade(int, const char *prequest, char *pResponses, int size, int) {
  static const char kWord[] = "delos upgrade";
  arg_t a[4];
  if (!parse(prequest, kWord, {DEV, IP, NORVA_DELOS_API_PATH_MAX, W15}, a)) return -1;
  return run(pResponses, size, kWord,
             [&] { return conmon_result(ops().upgrade(a[0], a[1], a[2], to_u32(a[3]))); });
}

int norva_delos_api_set_enc(int, const char *prequest, char *pResponses, int size, int) {
  static const char kWord[] = "delos set enc";
  arg_t a[2];
  if (!parse(prequest, kWord, {DEV, W15}, a)) return -1;
  return run(pResponses, size, kWord,
             [&] { return conmon_result(ops().control_set_enc(a[0], to_u32(a[1]))); });
}

int norva_delos_api_set_aud_tx_performance(int, const char *prequest, char *pResponses, int size,
                                           int) {
  static const char kWord[] = "delos set aud tx performance";
  arg_t a[3];
  if (!parse(prequest, kWord, {DEV, LAT, LAT}, a)) return -1;
  return run(pResponses, size, kWord,
             [&] { return ops().set_aud_tx_performance(a[0], to_u32(a[1]), to_u32(a[2])); });
}

int norva_delos_api_set_aud_tx_delay(int, const char *prequest, char *pResponses, int size, int) {
  static const char kWord[] = "delos set aud tx delay";
  arg_t a[2];
  if (!parse(prequest, kWord, {DEV, LAT}, a)) return -1;
  return run(pResponses, size, kWord, [&] { return ops().set_aud_tx_delay(a[0], to_u32(a[1])); });
}

static const char *media_word(int media, const char *aud, const char *vid) {
  return media == NORVA_DELOS_API_MEDIA_AUDIO ? aud : vid;
}

int norva_delos_api_set_tx_chnname(int, const char *prequest, char *pResponses, int size,
                                   int media) {
  const char *word = media_word(media, "delos set aud tx chn name", "delos set vid tx chn name");
  arg_t a[3];
  if (!parse(prequest, word, {DEV, CHN, NAME}, a)) return -1;
  return run(pResponses, size, word,
             [&] { return ops().set_tx_chnname(a[0], media, to_u32(a[1]), a[2]); });
}

int norva_delos_api_add_tx_chnlabel(int, const char *prequest, char *pResponses, int size,
                                    int media) {
  const char *word = media_word(media, "delos add aud tx chn label", "delos add vid tx chn label");
  arg_t a[3];
  if (!parse(prequest, word, {DEV, CHN, NAME}, a)) return -1;
  return run(pResponses, size, word,
             [&] { return ops().add_tx_chnlabel(a[0], media, to_u32(a[1]), a[2]); });
}

int norva_delos_api_del_tx_chnlabel(int, const char *prequest, char *pResponses, int size,
                                    int media) {
  const char *word = media_word(media, "delos del aud tx chn label", "delos del vid tx chn label");
  arg_t a[3];
  if (!parse(prequest, word, {DEV, CHN, NAME}, a)) return -1;
  return run(pResponses, size, word,
             [&] { return ops().del_tx_chnlabel(a[0], media, to_u32(a[1]), a[2]); });
}

int norva_delos_api_set_aud_tx_chn_mute(int, const char *prequest, char *pResponses, int size,
                                        int) {
  static const char kWord[] = "delos set aud tx chn mute";
  arg_t a[3];
  if (!parse(prequest, kWord, {DEV, CHN, SWITCH}, a)) return -1;
  return run(pResponses, size, kWord,
             [&] { return ops().set_aud_tx_chn_mute(a[0], to_u32(a[1]), to_u32(a[2])); });
}

int norva_delos_api_set_aud_tx_chn_enable(int, const char *prequest, char *pResponses, int size,
                                          int) {
  static const char kWord[] = "delos set aud tx chn enable";
  arg_t a[3];
  if (!parse(prequest, kWord, {DEV, CHN, SWITCH}, a)) return -1;
  return run(pResponses, size, kWord,
             [&] { return ops().set_aud_tx_chn_enable(a[0], to_u32(a[1]), to_u32(a[2])); });
}

int norva_delos_api_set_aud_tx_chn_reflevel(int, const char *prequest, char *pResponses, int size,
                                            int) {
  static const char kWord[] = "delos set aud tx chn reflevel";
  arg_t a[3];
  if (!parse(prequest, kWord, {DEV, CHN, LAT}, a)) return -1;
  return run(pResponses, size, kWord,
             [&] { return ops().set_aud_tx_chn_reflevel(a[0], to_u32(a[1]), api_atoi(a[2])); });
}

int norva_delos_api_clear_aud_tx_chn_reflevel(int, const char *prequest, char *pResponses, int size,
                                              int) {
  static const char kWord[] = "delos clear aud tx chn reflevel";
  arg_t a[2];
  if (!parse(prequest, kWord, {DEV, CHN}, a)) return -1;
  return run(pResponses, size, kWord,
             [&] { return ops().clear_aud_tx_chn_reflevel(a[0], to_u32(a[1])); });
}

int norva_delos_api_add_tx_flow(int, const char *prequest, char *pResponses, int size, int media) {
  const char *word = media_word(media, "delos add aud tx flow", "delos add vid tx flow");
  arg_t a[6];
  if (!parse(prequest, word, {DEV, NAME, FLOWID, LAT, LAT, NORVA_DELOS_API_TX_SLOTS_MAX}, a)) {
    return -1;
  }
  return run(pResponses, size, word, [&] {
    return ops().add_tx_flow(a[0], media, a[1], to_u32(a[2]), to_u32(a[3]), to_u32(a[4]), a[5]);
  });
}

int norva_delos_api_replace_aud_tx_flow(int, const char *prequest, char *pResponses, int size,
                                        int) {
  static const char kWord[] = "delos replace aud tx flow";
  arg_t a[3];
  if (!parse(prequest, kWord, {DEV, FLOWID, NORVA_DELOS_API_TX_SLOTS_MAX}, a)) return -1;
  return run(pResponses, size, kWord,
             [&] { return ops().replace_aud_tx_flow(a[0], to_u32(a[1]), a[2]); });
}

int norva_delos_api_del_tx_flow(int, const char *prequest, char *pResponses, int size, int media) {
  const char *word = media_word(media, "delos del aud tx flow", "delos del vid tx flow");
  arg_t a[2];
  if (!parse(prequest, word, {DEV, FLOWID}, a)) return -1;
  return run(pResponses, size, word, [&] { return ops().del_tx_flow(a[0], media, to_u32(a[1])); });
}

int norva_delos_api_set_aud_rx_performance(int, const char *prequest, char *pResponses, int size,
                                           int) {
  static const char kWord[] = "delos set aud rx performance";
  arg_t a[3];
  if (!parse(prequest, kWord, {DEV, LAT, LAT}, a)) return -1;
  return run(pResponses, size, kWord,
             [&] { return ops().set_aud_rx_performance(a[0], to_u32(a[1]), to_u32(a[2])); });
}

int norva_delos_api_set_rx_chn_sub_2(int, const char *prequest, char *pResponses, int size,
                                     int media) {
  const char *word = media_word(media, "delos set aud 2 rx chn sub", "delos set vid 2 rx chn sub");
  arg_t a[4];
  if (!parse(prequest, word, {DEV, CHN, DEV, NAME}, a)) return -1;
  return run(pResponses, size, word,
             [&] { return ops().set_rx_chn_sub_2(a[0], media, to_u32(a[1]), a[2], a[3]); });
}

int norva_delos_api_set_rx_chn_sub(int, const char *prequest, char *pResponses, int size,
                                   int media) {
  printf("%s: %s\n", "norva_delos_api_set_rx_chn_sub", prequest);
  const char *word = media == NORVA_DELOS_API_MEDIA_AES67   ? "delos set aes67 rx chn sub"
                     : media == NORVA_DELOS_API_MEDIA_AUDIO ? "delos set aud rx chn sub"
                                                            : "delos set vid rx chn sub";
  arg_t a[4];
  if (!parse(prequest, word, {DEV, CHN, DEV, CHN}, a)) return -1;
  if (media == NORVA_DELOS_API_MEDIA_AES67) {
    return run(pResponses, size, word,
               [&] { return ops().set_rx_chn_sub_aes67(a[0], to_u32(a[1]), a[2], to_u32(a[3])); });
  }
  return run(pResponses, size, word,
             [&] { return ops().set_rx_chn_sub(a[0], media, to_u32(a[1]), a[2], to_u32(a[3])); });
}

int norva_delos_api_set_rx_chnname(int, const char *prequest, char *pResponses, int size,
                                   int media) {
  const char *word = media_word(media, "delos set aud rx chn name", "delos set vid rx chn name");
  arg_t a[3];
  if (!parse(prequest, word, {DEV, CHN, NAME}, a)) return -1;
  return run(pResponses, size, word,
             [&] { return ops().set_rx_chnname(a[0], media, to_u32(a[1]), a[2]); });
}

int norva_delos_api_set_aud_rx_chn_mute(int, const char *prequest, char *pResponses, int size,
                                        int) {
  static const char kWord[] = "delos set aud rx chn mute";
  arg_t a[3];
  if (!parse(prequest, kWord, {DEV, CHN, SWITCH}, a)) return -1;
  return run(pResponses, size, kWord,
             [&] { return ops().set_aud_rx_chn_mute(a[0], to_u32(a[1]), to_u32(a[2])); });
}

int norva_delos_api_add_aud_rx_flow_unicast(int, const char *prequest, char *pResponses, int size,
                                            int) {
  static const char kWord[] = "delos add aud rx flow unicast";
  arg_t a[4];
  if (!parse(prequest, kWord, {DEV, FLOWID, DEV, NORVA_DELOS_API_RX_SLOTS_MAX}, a)) return -1;
  return run(pResponses, size, kWord,
             [&] { return ops().add_aud_rx_flow_unicast(a[0], to_u32(a[1]), a[2], a[3]); });
}

int norva_delos_api_add_aud_rx_flow_multicast(int, const char *prequest, char *pResponses, int size,
                                              int) {
  static const char kWord[] = "delos add aud rx flow multicast";
  arg_t a[5];
  // The transmit flow name comes before the transmit device name.
  if (!parse(prequest, kWord, {DEV, FLOWID, NAME, DEV, NORVA_DELOS_API_RX_SLOTS_MAX}, a)) {
    return -1;
  }
  return run(pResponses, size, kWord,
             [&] { return ops().add_aud_rx_flow_multicast(a[0], to_u32(a[1]), a[2], a[3], a[4]); });
}

int norva_delos_api_set_aud_unicast_performance(int, const char *prequest, char *pResponses,
                                                int size, int) {
  static const char kWord[] = "delos set aud unicast performance";
  arg_t a[3];
  if (!parse(prequest, kWord, {DEV, LAT, LAT}, a)) return -1;
  return run(pResponses, size, kWord,
             [&] { return ops().set_aud_unicast_performance(a[0], to_u32(a[1]), to_u32(a[2])); });
}

int norva_delos_api_set_aes67_prefix(int, const char *prequest, char *pResponses, int size, int) {
  static const char kWord[] = "delos set aes67 prefix";
  arg_t a[2];
  if (!parse(prequest, kWord, {DEV, SWITCH}, a)) return -1;
  return run(pResponses, size, kWord, [&] { return ops().set_aes67_prefix(a[0], to_u32(a[1])); });
}

int norva_delos_api_set_aes67(int, const char *prequest, char *pResponses, int size, int) {
  static const char kWord[] = "delos set aes67";
  arg_t a[2];
  if (!parse(prequest, kWord, {DEV, SWITCH}, a)) return -1;
  return run(pResponses, size, kWord,
             [&] { return conmon_result(ops().control_set_aes67_onoff(a[0], to_u32(a[1]))); });
}

int norva_delos_api_set_reboot(int, const char *prequest, char *pResponses, int size, int) {
  static const char kWord[] = "delos set reboot";
  arg_t a[2];
  if (!parse(prequest, kWord, {DEV, W15}, a)) return -1;
  return run(pResponses, size, kWord,
             [&] { return conmon_result(ops().control_set_reboot(a[0], to_u32(a[1]))); });
}

int norva_delos_api_store_config(int, const char *prequest, char *pResponses, int size, int) {
  static const char kWord[] = "delos store config";
  arg_t a[1];
  if (!parse(prequest, kWord, {DEV}, a)) return -1;
  return run(pResponses, size, kWord, [&] { return ops().store_config(a[0]); });
}

int norva_delos_api_clear_config(int, const char *prequest, char *pResponses, int size, int) {
  static const char kWord[] = "delos clear config";
  arg_t a[2];
  if (!parse(prequest, kWord, {DEV, W15}, a)) return -1;
  return run(pResponses, size, kWord,
             [&] { return conmon_result(ops().control_clear_config(a[0], to_u32(a[1]))); });
}

int norva_delos_api_set_dynamic(int, const char *prequest, char *pResponses, int size, int) {
  static const char kWord[] = "delos set dynamic";
  arg_t a[2];
  if (!parse(prequest, kWord, {DEV, W15}, a)) return -1;
  return run(pResponses, size, kWord,
             [&] { return conmon_result(ops().control_set_dynamic(a[0], to_u32(a[1]))); });
}

int norva_delos_api_set_static(int, const char *prequest, char *pResponses, int size, int) {
  static const char kWord[] = "delos set static";
  arg_t a[7];
  if (!parse(prequest, kWord, {DEV, W15, IP, IP, IP, IP, NORVA_DELOS_API_DOMAIN_MAX}, a)) {
    return -1;
  }
  uint32_t ip = htonl(parse_address(a[2]));
  uint32_t mask = htonl(parse_address(a[3]));
  // A gateway or DNS word of 3 characters or fewer (such as "0") means none.
  uint32_t gw = strlen(a[4]) > 3 ? htonl(parse_address(a[4])) : 0;
  uint32_t dns = strlen(a[5]) > 3 ? htonl(parse_address(a[5])) : 0;
  const char *domain = strcmp(a[6], "0") == 0 ? nullptr : a[6];
  return run(pResponses, size, kWord, [&] {
    return conmon_result(ops().control_set_static(a[0], to_u32(a[1]), ip, mask, gw, dns, domain));
  });
}

int norva_delos_api_set_network_loopback(int, const char *prequest, char *pResponses, int size,
                                         int) {
  static const char kWord[] = "delos set network loopback";
  arg_t a[2];
  if (!parse(prequest, kWord, {DEV, SWITCH}, a)) return -1;
  return run(pResponses, size, kWord,
             [&] { return ops().set_network_loopback(a[0], to_u32(a[1])); });
}

int norva_delos_api_set_lock(int, const char *prequest, char *pResponses, int size, int) {
  static const char kWord[] = "delos set lock";
  arg_t a[2];
  if (!parse(prequest, kWord, {DEV, SWITCH}, a)) return -1;
  return run(pResponses, size, kWord, [&] { return ops().set_lock(a[0], to_u32(a[1])); });
}

// ---- the table ----

#define AUD NORVA_DELOS_API_MEDIA_AUDIO
#define VID NORVA_DELOS_API_MEDIA_VIDEO
const norva_delos_api_cmd norva_delos_api_cmd_table[NORVA_DELOS_API_NUM_CMDS] = {
    {"help!", true, norva_delos_api_help, AUD, 0},
    {"delos get devices!", true, norva_delos_api_get_devices_all, AUD, 0},
    {"delos get devices", false, norva_delos_api_get_devices_one, AUD, 1},
    {"delos set name", false, norva_delos_api_set_name, AUD, 2},
    {"delos ping", false, norva_delos_api_ping, AUD, 1},
    {"delos set preferred", false, norva_delos_api_set_preferred, AUD, 2},
    {"delos set srate", false, norva_delos_api_set_srate, AUD, 2},
    {"delos upgrade query", false, norva_delos_api_upgrade_query, AUD, 1},
    {"delos upgrade", false, norva_delos_api_upgrade, AUD, 4},
    {"delos set enc", false, norva_delos_api_set_enc, AUD, 2},
    {"delos set aud tx performance", false, norva_delos_api_set_aud_tx_performance, AUD, 3},
    {"delos set aud tx delay", false, norva_delos_api_set_aud_tx_delay, AUD, 2},
    {"delos set aud tx chn name", false, norva_delos_api_set_tx_chnname, AUD, 3},
    {"delos add aud tx chn label", false, norva_delos_api_add_tx_chnlabel, AUD, 3},
    {"delos del aud tx chn label", false, norva_delos_api_del_tx_chnlabel, AUD, 3},
    {"delos set vid tx chn name", false, norva_delos_api_set_tx_chnname, VID, 3},
    {"delos add vid tx chn label", false, norva_delos_api_add_tx_chnlabel, VID, 3},
    {"delos del vid tx chn label", false, norva_delos_api_del_tx_chnlabel, VID, 3},
    {"delos set aud tx chn mute", false, norva_delos_api_set_aud_tx_chn_mute, AUD, 3},
    {"delos set aud tx chn enable", false, norva_delos_api_set_aud_tx_chn_enable, AUD, 3},
    {"delos set aud tx chn reflevel", false, norva_delos_api_set_aud_tx_chn_reflevel, AUD, 3},
    {"delos clear aud tx chn reflevel", false, norva_delos_api_clear_aud_tx_chn_reflevel, AUD, 2},
    {"delos add aud tx flow", false, norva_delos_api_add_tx_flow, AUD, 6},
    {"delos add vid tx flow", false, norva_delos_api_add_tx_flow, VID, 6},
    {"delos replace aud tx flow", false, norva_delos_api_replace_aud_tx_flow, AUD, 3},
    {"delos del aud tx flow", false, norva_delos_api_del_tx_flow, AUD, 2},
    {"delos del vid tx flow", false, norva_delos_api_del_tx_flow, VID, 2},
    {"delos set aud rx performance", false, norva_delos_api_set_aud_rx_performance, AUD, 3},
    {"delos set vid 2 rx chn sub", false, norva_delos_api_set_rx_chn_sub_2, VID, 4},
    {"delos set vid rx chn sub", false, norva_delos_api_set_rx_chn_sub, VID, 4},
    {"delos set aud 2 rx chn sub", false, norva_delos_api_set_rx_chn_sub_2, AUD, 4},
    {"delos set aud rx chn sub", false, norva_delos_api_set_rx_chn_sub, AUD, 4},
    {"delos set aes67 rx chn sub", false, norva_delos_api_set_rx_chn_sub,
     NORVA_DELOS_API_MEDIA_AES67, 4},
    {"delos set vid rx chn name", false, norva_delos_api_set_rx_chnname, VID, 3},
    {"delos set aud rx chn name", false, norva_delos_api_set_rx_chnname, AUD, 3},
    {"delos set aud rx chn mute", false, norva_delos_api_set_aud_rx_chn_mute, AUD, 3},
    {"delos add aud rx flow unicast", false, norva_delos_api_add_aud_rx_flow_unicast, AUD, 4},
    {"delos add aud rx flow multicast", false, norva_delos_api_add_aud_rx_flow_multicast, AUD, 5},
    {"delos set aud unicast performance", false, norva_delos_api_set_aud_unicast_performance, AUD,
     3},
    {"delos set aes67 prefix", false, norva_delos_api_set_aes67_prefix, AUD, 2},
    {"delos set aes67", false, norva_delos_api_set_aes67, AUD, 2},
    {"delos set reboot", false, norva_delos_api_set_reboot, AUD, 2},
    {"delos store config", false, norva_delos_api_store_config, AUD, 1},
    {"delos clear config", false, norva_delos_api_clear_config, AUD, 2},
    {"delos set dynamic", false, norva_delos_api_set_dynamic, AUD, 2},
    {"delos set static", false, norva_delos_api_set_static, AUD, 7},
    {"delos set network loopback", false, norva_delos_api_set_network_loopback, AUD, 2},
    {"delos set lock", false, norva_delos_api_set_lock, AUD, 2},
};
#undef AUD
#undef VID

const norva_delos_api_help_entry norva_delos_api_help_table[NORVA_DELOS_API_NUM_HELP] = {
    {"delos get devices!", "get devices"},
    {"delos get devices [devname]!", "get device"},
    {"delos set name [devname] [newname]!", "set device name"},
    {"delos ping [devname]!", "ping device"},
    {"delos set srate [devname] [rate]!", "set device srate"},
    {"delos set enc [devname] [enc]!", "set"},
    {"delos set aud tx performance [devname] [latency] [fpp]!", "set"},
    {"delos set aud tx delay [devname] [delay]!", "get"},
    {"delos set aud tx chn name [devname] [chn] [chnname]!", "get"},
    {"delos set aud tx chn mute [devname] [chn] [mute]!", "get"},
    {"delos set aud tx chn enable [devname] [chn] [enable]!", "get"},
    {"delos set aud tx chn reflevel [devname] [chn] [level]!", "get"},
    {"delos clear aud tx chn reflevel [devname] [chn]!", "get"},
    {"delos add aud tx flow [devname] [flowname] [id] [latency] [fpp] [slots(1:2:3)]!", "get"},
    {"delos replace aud tx flow [devname] [id] [slots(1:2:3)]!", "get"},
    {"delos del aud tx flow [devname] [id]!", "get"},
    {"delos set aud rx performance [devname] [latency] [fpp]!", "get"},
    {"delos set aud rx chn sub [devname] [rxchn] [txdev] [txchn]!", "get"},
    {"delos set aud rx chn name [devname] [chn] [chnname]!", "get"},
    {"delos set aud rx chn mute [devname] [chn] [mute]!", "get"},
    {"delos add aud rx flow unicast [devname] [flowid] [txname] "
     "[slots(1@txchan1:2@txchan2:3@txchan3)]!",
     "get"},
    {"delos add aud rx flow multicast [devname] [flowid] [txname] [txflowname] "
     "[slots(1:2@txchan1;2@txchan2;3@txchan3)]!",
     "get"},
    {"delos set aud unicast performance [devname] [latency] [fpp]!", "get"},
    {"delos set aes67 prefix [devname] [prefix]!", "get"},
    {"delos store config [devname]!", "get"},
    {"delos clear config [devname]!", "get"},
    {"delos add aud tx chn label [devname] [chn] [label]!", "get"},
    {"delos del aud tx chn label [devname] [chn] [label]!", "get"},
    {"delos set network loopback [devname] [enable]!", "set"},
    {"delos set lockdown [devname] [lock]!", "set"},
};

// ---- dispatch ----

int Main_FUNC_TcpserverProc(int s32CliFd, char *pBuffData, char *pResponses, int size) {
  if (strstr(pBuffData, "delos get devices!") == nullptr) printf("pBuffData %s\n", pBuffData);
  for (const auto &row : norva_delos_api_cmd_table) {
    size_t wlen = strlen(row.word);
    bool hit =
        row.exact ? strcmp(pBuffData, row.word) == 0 : strncmp(pBuffData, row.word, wlen) == 0;
    if (!hit) continue;
    int result = row.handler(s32CliFd, pBuffData, pResponses, size, row.media);
    if (result < 0) {
      // A failure reply stands alone: nothing of the handler's reply remains.
      pResponses[0] = '\0';
      norva_delos_api_write_reply(pResponses, size, row.word, "failure");
    }
    return 0;
  }
  norva_delos_api_write_reply(pResponses, size, pBuffData, "failure");
  return 0;
}
