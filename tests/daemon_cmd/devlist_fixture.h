// Builds a registry of realistic size for the device list benchmarks and
// tests: devices with receive and transmit channels and transmit flows.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "daemon/norva_delos_registry.h"

namespace cmdtest {

inline void fill_device(delos_dev *d, int index, unsigned rx, unsigned tx, unsigned flows) {
  // Bounded so the compiler can see every formatted field fits.
  const unsigned id = static_cast<unsigned>(index) & 0xffffffu;
  const unsigned hi = (id / 200) & 0xffu, lo = id % 200 + 10;
  snprintf(d->stNet[0].azMAC, sizeof d->stNet[0].azMAC, "001dc1%06x", id);
  snprintf(d->stNet[0].azIP, sizeof d->stNet[0].azIP, "192.168.%u.%u", hi, lo);
  strcpy(d->stNet[0].azNetMask, "255.255.0.0");
  strcpy(d->stNet[0].azGateWay, "192.168.0.1");
  strcpy(d->stNet[0].azDns, "192.168.0.1");
  d->stNet[0].s32LinkSpeed = 1000;
  snprintf(d->stNet[1].azMAC, sizeof d->stNet[1].azMAC, "001dc2%06x", id);
  snprintf(d->stNet[1].azIP, sizeof d->stNet[1].azIP, "10.0.%u.%u", hi, lo);
  strcpy(d->azManfName, "Norva Audio");
  strcpy(d->azManfModelName, "NX-64 Stagebox");
  strcpy(d->model_version, "3.1.4");
  strcpy(d->azDelosModelName, "DM-64");
  strcpy(d->azDelosSwVer, "4.2.1.7");
  strcpy(d->azClkSrc, "PTPv2");
  strcpy(d->azServoState, "LOCKED");
  d->u32SrateCurr = 48000;
  d->u32SrateAvailCount = 4;
  d->u32SrateAvailable[0] = 44100;
  d->u32SrateAvailable[1] = 48000;
  d->u32SrateAvailable[2] = 88200;
  d->u32SrateAvailable[3] = 96000;
  d->u32EncCurr = 24;
  d->u32EncAvailCount = 3;
  d->u32EncAvailable[0] = 16;
  d->u32EncAvailable[1] = 24;
  d->u32EncAvailable[2] = 32;
  d->routing_info_audio.num_rxc = rx;
  d->routing_info_audio.rxcparams =
      static_cast<delos_rxchn_params_t *>(calloc(rx ? rx : 1, sizeof(delos_rxchn_params_t)));
  for (unsigned i = 0; i < rx; ++i) {
    delos_rxchn_params_t &c = d->routing_info_audio.rxcparams[i];
    snprintf(c.name, sizeof c.name, "Input %02u", i + 1);
    c.s32Id = static_cast<int>(i + 1);
    snprintf(c.azSubDev, sizeof c.azSubDev, "stagebox-%02d", (index + 1) % 100);
    snprintf(c.azSubChn, sizeof c.azSubChn, "Output %02u", i + 1);
    strcpy(c.azStatus, "DYNAMIC");
  }
  d->routing_info_audio.num_txc = tx;
  d->routing_info_audio.txcparams =
      static_cast<delos_txchn_params_t *>(calloc(tx ? tx : 1, sizeof(delos_txchn_params_t)));
  for (unsigned i = 0; i < tx; ++i) {
    delos_txchn_params_t &c = d->routing_info_audio.txcparams[i];
    snprintf(c.name, sizeof c.name, "Output %02u", i + 1);
    c.s32Id = static_cast<int>(i + 1);
    c.bEnable = true;
  }
  d->u32NumAudTxFlows = flows;
  d->pAudTxFlow = static_cast<delos_txflow_t *>(calloc(flows ? flows : 1, sizeof(delos_txflow_t)));
  for (unsigned f = 0; f < flows; ++f) {
    delos_txflow_t &fl = d->pAudTxFlow[f];
    snprintf(fl.name, sizeof fl.name, "flow-%u", f + 1);
    fl.id = static_cast<delos_id_t>(f + 1);
    fl.u32NumSlots = 8;
    for (unsigned s = 0; s < 8; ++s) fl.s32SlotId[s] = static_cast<int>(f * 8 + s + 1);
    fl.u32NumInterfaces = 2;
    snprintf(fl.ip[0], sizeof fl.ip[0], "239.%d.%u.1:4321", index % 250, f);
    snprintf(fl.ip[1], sizeof fl.ip[1], "239.%d.%u.2:4321", index % 250, f);
  }
}

// Adds count devices named "device-NNN" with the given channel and flow counts.
inline void add_devices(int count, unsigned rx, unsigned tx, unsigned flows, int first = 0) {
  for (int i = first; i < first + count; ++i) {
    char name[32], def[32];
    snprintf(name, sizeof name, "device-%03d", i);
    snprintf(def, sizeof def, "AVIO-1dc%06x", i);
    delos_dev *d = norva_delos_dev_add(name, def);
    if (d != nullptr) fill_device(d, i, rx, tx, flows);
  }
}

inline void remove_all_devices() {
  while (g_pDelosDev != nullptr) norva_delos_dev_del(g_pDelosDev->name);
}

}  // namespace cmdtest
