#include "daemon/norva_delos_devlist.h"

#include <atomic>
#include <cstring>
#include <vector>

#include "daemon/norva_delos_api.h"
#include "daemon/norva_delos_mainq.h"
#include "daemon/norva_delos_registry.h"
#include "json/norva_cjson.h"

namespace {

std::atomic<unsigned> s_seq{0};

// Text fields are read only up to their size, in case a writer left one
// without a terminator.
template <size_t N>
void add_text(cJSON *obj, const char *key, const char (&field)[N]) {
  char buf[N + 1];
  size_t n = strnlen(field, N);
  memcpy(buf, field, n);
  buf[n] = '\0';
  cJSON_AddItemToObject(obj, key, cJSON_CreateString(buf));
}

void add_num(cJSON *obj, const char *key, double v) {
  cJSON_AddItemToObject(obj, key, cJSON_CreateNumber(v));
}

const char *type_text(bool video) { return video ? "video" : "audio"; }

void add_rx_channels(cJSON *arr, const delos_routing_info_t &info, bool video) {
  if (info.rxcparams == nullptr) return;
  for (unsigned i = 0; i < info.num_rxc; ++i) {
    const delos_rxchn_params_t &c = info.rxcparams[i];
    cJSON *o = cJSON_CreateObject();
    cJSON_AddItemToObject(o, "type", cJSON_CreateString(type_text(video)));
    add_text(o, "name", c.name);
    add_num(o, "id", c.s32Id);
    add_text(o, "subdev", c.azSubDev);
    add_text(o, "subchn", c.azSubChn);
    add_text(o, "status", c.azStatus);
    add_num(o, "mute", c.bMute ? 1 : 0);
    if (video) add_text(o, "fmttype", c.azVideoSubType);
    cJSON_AddItemToArray(arr, o);
  }
}

void add_tx_channels(cJSON *arr, const delos_routing_info_t &info, bool video) {
  if (info.txcparams == nullptr) return;
  for (unsigned i = 0; i < info.num_txc; ++i) {
    const delos_txchn_params_t &c = info.txcparams[i];
    cJSON *o = cJSON_CreateObject();
    cJSON_AddItemToObject(o, "type", cJSON_CreateString(type_text(video)));
    add_text(o, "name", c.name);
    add_num(o, "id", c.s32Id);
    add_num(o, "enable", c.bEnable ? 1 : 0);
    add_num(o, "mute", c.bMute ? 1 : 0);
    if (video) add_text(o, "fmttype", c.azVideoSubType);
    cJSON_AddItemToArray(arr, o);
  }
}

void add_tx_flows(cJSON *arr, const delos_txflow_t *flows, unsigned count) {
  if (flows == nullptr) return;
  for (unsigned i = 0; i < count; ++i) {
    const delos_txflow_t &f = flows[i];
    cJSON *o = cJSON_CreateObject();
    add_num(o, "type", f.type);
    add_num(o, "id", f.id);
    add_text(o, "name", f.name);
    add_num(o, "manual", f.bManual);
    // Counts come from the device; the arrays hold at most their size.
    unsigned nif = f.u32NumInterfaces < NORVA_DELOS_FLOW_INTERFACES_MAX
                       ? f.u32NumInterfaces
                       : NORVA_DELOS_FLOW_INTERFACES_MAX;
    cJSON_AddItemToObject(o, "addr",
                          cJSON_CreateStringArrayQeb(&f.ip[0][0], static_cast<int>(nif)));
    unsigned nslots =
        f.u32NumSlots < NORVA_DELOS_FLOW_SLOTS_MAX ? f.u32NumSlots : NORVA_DELOS_FLOW_SLOTS_MAX;
    cJSON_AddItemToObject(o, "slot", cJSON_CreateIntArray(f.s32SlotId, static_cast<int>(nslots)));
    cJSON_AddItemToArray(arr, o);
  }
}

cJSON *number_array(const unsigned long *values, unsigned count, unsigned cap) {
  cJSON *arr = cJSON_CreateArray();
  unsigned n = count < cap ? count : cap;
  for (unsigned i = 0; i < n; ++i) {
    cJSON_AddItemToArray(arr, cJSON_CreateNumber(static_cast<double>(values[i])));
  }
  return arr;
}

// A copy of one device record with its channel and flow arrays, taken on the
// main thread so that the report can be built and printed on the session
// thread without touching the live record.
struct dev_snapshot {
  delos_dev dev;
  std::vector<delos_rxchn_params_t> vrx, arx;
  std::vector<delos_txchn_params_t> vtx, atx;
  std::vector<delos_txflow_t> vflow, aflow;
};

template <typename T>
void copy_array(std::vector<T> &out, const T *src, unsigned count) {
  if (src != nullptr && count != 0) out.assign(src, src + count);
}

void take_snapshot(dev_snapshot &s, const delos_dev *d) {
  s.dev = *d;
  copy_array(s.vrx, d->routing_info_video.rxcparams, d->routing_info_video.num_rxc);
  copy_array(s.arx, d->routing_info_audio.rxcparams, d->routing_info_audio.num_rxc);
  copy_array(s.vtx, d->routing_info_video.txcparams, d->routing_info_video.num_txc);
  copy_array(s.atx, d->routing_info_audio.txcparams, d->routing_info_audio.num_txc);
  copy_array(s.vflow, d->pVidTxFlow, d->u32NumVidTxFlows);
  copy_array(s.aflow, d->pAudTxFlow, d->u32NumAudTxFlows);
  // The copy points only at its own arrays (or at nothing).
  s.dev.routing_info_video.rxcparams = s.vrx.empty() ? nullptr : s.vrx.data();
  s.dev.routing_info_audio.rxcparams = s.arx.empty() ? nullptr : s.arx.data();
  s.dev.routing_info_video.txcparams = s.vtx.empty() ? nullptr : s.vtx.data();
  s.dev.routing_info_audio.txcparams = s.atx.empty() ? nullptr : s.atx.data();
  s.dev.pVidTxFlow = s.vflow.empty() ? nullptr : s.vflow.data();
  s.dev.pAudTxFlow = s.aflow.empty() ? nullptr : s.aflow.data();
  s.dev.pRxFlow = nullptr;
  s.dev.u32NumRxFlows = 0;
  s.dev.routing_device = nullptr;
  s.dev.routing_info_video.rxc = nullptr;
  s.dev.routing_info_audio.rxc = nullptr;
  s.dev.routing_info_video.txc = nullptr;
  s.dev.routing_info_audio.txc = nullptr;
  s.dev.next = nullptr;
}

bool reported(const char *name, const char *record_name) {
  return name == nullptr || strcmp(name, record_name) == 0;
}

cJSON *envelope_with_seq(unsigned seq) {
  cJSON *root = cJSON_CreateObject();
  if (root == nullptr) return nullptr;
  cJSON *ack = cJSON_CreateObject();
  cJSON_AddItemToObject(ack, "cmd", cJSON_CreateString("delos get devices"));
  cJSON_AddItemToObject(ack, "status", cJSON_CreateString("success"));
  add_num(ack, "seq", seq);
  cJSON_AddItemToObject(root, "ack", ack);
  return root;
}

}  // namespace

cJSON *norva_delos_devlist_device(const delos_dev *d) {
  cJSON *o = cJSON_CreateObject();
  if (o == nullptr) return nullptr;
  const delos_network_status_t &pri = d->stNet[0];
  const delos_network_status_t &sec = d->stNet[1];
  add_text(o, "primac", pri.azMAC);
  add_text(o, "name", d->name);
  add_text(o, "defname", d->defname);
  add_num(o, "status", d->properties.status_flags);
  add_num(o, "getflow", d->bGetFlows);
  add_num(o, "getmac", d->bGetMac);
  add_text(o, "manfname", d->azManfName);
  add_text(o, "manfmodel", d->azManfModelName);
  add_text(o, "modelver", d->model_version);
  add_text(o, "delosmodel", d->azDelosModelName);
  add_text(o, "swver", d->azDelosSwVer);
  add_num(o, "intfmode", d->u32InterfaceMode);
  add_num(o, "aes67spt", d->properties.bRtpSupport);
  add_num(o, "aes67on", d->properties.bRtpEnable);
  add_num(o, "aes67prefix", (d->properties.u32Aes67Prefix >> 16) & 0xFFu);
  add_num(o, "clearconfigspt", d->u32ClearConfigSupport);
  add_num(o, "preferredspt", d->bPreferredSpt);
  add_num(o, "preferred", d->bclock_preferred);
  add_num(o, "cap", d->u32Cap);

  cJSON *rx = cJSON_CreateArray();
  add_rx_channels(rx, d->routing_info_video, true);
  add_rx_channels(rx, d->routing_info_audio, false);
  cJSON_AddItemToObject(o, "rxchn", rx);
  cJSON *tx = cJSON_CreateArray();
  add_tx_channels(tx, d->routing_info_video, true);
  add_tx_channels(tx, d->routing_info_audio, false);
  cJSON_AddItemToObject(o, "txchn", tx);
  cJSON *flows = cJSON_CreateArray();
  add_tx_flows(flows, d->pVidTxFlow, d->u32NumVidTxFlows);
  add_tx_flows(flows, d->pAudTxFlow, d->u32NumAudTxFlows);
  cJSON_AddItemToObject(o, "txflow", flows);

  add_num(o, "mute", d->mute_flags != 0 ? 1 : 0);
  add_num(o, "lock", d->bLock);
  add_text(o, "clksrc", d->azClkSrc);
  add_text(o, "sync", d->azServoState);
  add_text(o, "primultiv1", d->azPortState[0][0][0]);
  add_text(o, "primultiv2", d->azPortState[0][0][1]);
  add_text(o, "secmultiv1", d->azPortState[1][0][0]);
  add_text(o, "secmultiv2", d->azPortState[1][0][1]);
  add_num(o, "priflags", pri.u32InterFaceFlags);
  add_text(o, "priip", pri.azIP);
  add_text(o, "primask", pri.azNetMask);
  add_text(o, "prigw", pri.azGateWay);
  add_text(o, "pridns", pri.azDns);
  add_num(o, "prispeed", pri.s32LinkSpeed);
  if (sec.azMAC[0] != '\0') {
    add_text(o, "secmac", sec.azMAC);
    add_text(o, "secip", sec.azIP);
    add_text(o, "secmask", sec.azNetMask);
    add_text(o, "secgw", sec.azGateWay);
    add_text(o, "secdns", sec.azDns);
    add_num(o, "secspeed", sec.s32LinkSpeed);
  }
  add_num(o, "srate", static_cast<double>(d->u32SrateCurr));
  add_num(o, "rxlatencymin", d->properties.rx_latency_min);
  add_num(o, "rxlatency", d->properties.rx_latency);
  add_num(o, "rxlatencymax", d->properties.rx_latency_max);
  cJSON_AddItemToObject(
      o, "srate_array",
      number_array(d->u32SrateAvailable, d->u32SrateAvailCount, NORVA_DELOS_SRATE_MAX));
  add_num(o, "enc", static_cast<double>(d->u32EncCurr));
  cJSON_AddItemToObject(o, "enc_array",
                        number_array(d->u32EncAvailable, d->u32EncAvailCount, NORVA_DELOS_ENC_MAX));
  cJSON *upgrade = cJSON_CreateObject();
  add_num(upgrade, "state", d->u32UpgradeStatus);
  cJSON_AddItemToObject(o, "upgrade", upgrade);
  return o;
}

cJSON *norva_delos_devlist_aes67(const aes67_dev *s) {
  cJSON *o = cJSON_CreateObject();
  if (o == nullptr) return nullptr;
  add_text(o, "sname", s->sessionname);
  add_text(o, "src", s->srcaddr);
  add_text(o, "stream", s->streamaddr);
  add_num(o, "port", s->u16StreamPort);
  add_num(o, "chn", s->u16ChnNum);
  add_num(o, "encoding", s->u16Encoding);
  add_num(o, "clkoffset", s->u32ClockOffset);
  add_num(o, "rate", s->u32SampleRate);
  add_num(o, "sid", static_cast<double>(s->u64SessionId));
  add_num(o, "payload", s->u8PayloadType);
  return o;
}

unsigned norva_delos_devlist_next_seq(void) { return s_seq.fetch_add(1); }

cJSON *norva_delos_devlist_build(const char *name, bool single, unsigned seq) {
  if (name != nullptr && name[0] == '\0') name = nullptr;
  cJSON *root = envelope_with_seq(seq);
  if (root == nullptr) return nullptr;
  cJSON *devices = cJSON_CreateArray();
  pthread_mutex_lock(&g_MutexDev);
  for (const delos_dev *d = g_pDelosDev; d != nullptr; d = d->next) {
    if (!reported(name, d->name)) continue;
    cJSON_AddItemToArray(devices, norva_delos_devlist_device(d));
    if (single) break;
  }
  pthread_mutex_unlock(&g_MutexDev);

  cJSON *streams = cJSON_CreateArray();
  pthread_mutex_lock(&g_MutexAes67);
  for (const aes67_dev *st = g_pAes67Dev; st != nullptr; st = st->next) {
    if (!reported(name, st->sessionname)) continue;
    cJSON_AddItemToArray(streams, norva_delos_devlist_aes67(st));
    if (single) break;
  }
  pthread_mutex_unlock(&g_MutexAes67);

  cJSON_AddItemToObject(root, "devicelist", devices);
  cJSON_AddItemToObject(root, "aes67list", streams);
  return root;
}

int norva_delos_api_get_devices(int, const char *prequest, char *pResponses, int size, int bAll) {
  char name[NORVA_DELOS_API_REPORT_NAME_MAX + 1] = "";
  if (!bAll) {
    char args[1][NORVA_DELOS_API_DOMAIN_MAX + 1];
    const int limit[1] = {NORVA_DELOS_API_REPORT_NAME_MAX};
    if (!norva_delos_api_parse_args(prequest, 3, 1, limit, args)) return -1;
    memcpy(name, args[0], strlen(args[0]) + 1);
  }
  const char *key = (bAll || name[0] == '\0') ? nullptr : name;
  const bool single = !bAll;
  unsigned seq = norva_delos_devlist_next_seq();
  // The main thread only copies the reported records (the lists are walked
  // under their mutexes as ever); the tree is built, printed and freed here,
  // so the main loop is held up for a copy, not for the whole report.
  std::vector<dev_snapshot> devs;
  std::vector<aes67_dev> streams;
  norva_delos_mainq_call([&] {
    pthread_mutex_lock(&g_MutexDev);
    for (const delos_dev *d = g_pDelosDev; d != nullptr; d = d->next) {
      if (!reported(key, d->name)) continue;
      devs.emplace_back();
      take_snapshot(devs.back(), d);
      if (single) break;
    }
    pthread_mutex_unlock(&g_MutexDev);
    pthread_mutex_lock(&g_MutexAes67);
    for (const aes67_dev *st = g_pAes67Dev; st != nullptr; st = st->next) {
      if (!reported(key, st->sessionname)) continue;
      streams.push_back(*st);
      if (single) break;
    }
    pthread_mutex_unlock(&g_MutexAes67);
  });
  cJSON *root = envelope_with_seq(seq);
  if (root != nullptr) {
    cJSON *dl = cJSON_CreateArray();
    for (const auto &d : devs) cJSON_AddItemToArray(dl, norva_delos_devlist_device(&d.dev));
    cJSON *al = cJSON_CreateArray();
    for (const auto &st : streams) cJSON_AddItemToArray(al, norva_delos_devlist_aes67(&st));
    cJSON_AddItemToObject(root, "devicelist", dl);
    cJSON_AddItemToObject(root, "aes67list", al);
  }
  bool fits = root != nullptr && norva_delos_api_print_reply(root, pResponses, size) == 0;
  cJSON_Delete(root);
  if (!fits) norva_delos_api_write_reply(pResponses, size, "delos get devices", "fail");
  return 0;
}
