#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "daemon/norva_delos_api.h"
#include "daemon/norva_delos_devlist.h"
#include "daemon/norva_delos_registry.h"
#include "daemon/norva_delos_tcpserver.h"
#include "daemon_cmd/cmd_test_util.h"

namespace {

// Expected texts below are written with '~' for each tab.
std::string tabs(std::string s) {
  std::replace(s.begin(), s.end(), '~', '\t');
  return s;
}

std::string dispatch(const std::string &cmd, int capacity = TCPSERVER_REPLY_CAPACITY) {
  std::vector<char> area(TCPSERVER_REPLY_AREA_SIZE, 0);
  std::vector<char> line(cmd.begin(), cmd.end());
  line.push_back('\0');
  Main_FUNC_TcpserverProc(-1, line.data(), area.data() + TCPSERVER_REPLY_RESERVED, capacity);
  return std::string(area.data() + TCPSERVER_REPLY_RESERVED);
}

// The "seq" member holds a process-wide counter; tests compare the rest.
std::string without_seq(const std::string &reply, unsigned *seq = nullptr) {
  size_t at = reply.find("\"seq\":\t");
  if (at == std::string::npos) return reply;
  size_t end = reply.find('\n', at);
  if (seq) *seq = static_cast<unsigned>(atoi(reply.c_str() + at + 7));
  return reply.substr(0, at) + "\"seq\":\tN" + reply.substr(end);
}

class DeviceList : public ::testing::Test {
 protected:
  void TearDown() override {
    while (g_pDelosDev != nullptr) norva_delos_dev_del(g_pDelosDev->name);
    norva_aes67_dev_clear_all();
  }

  // A device without a secondary interface and no routing connection.
  static void add_plain_device() {
    delos_dev *d = norva_delos_dev_add("stage-left", "AVIO-ab12cd");
    strcpy(d->stNet[0].azMAC, "001dc1ab12cd");
    strcpy(d->stNet[0].azIP, "192.168.1.20");
  }

  // A device with a secondary interface, channels and flows of both media.
  static void add_full_device() {
    delos_dev *d = norva_delos_dev_add("mixer", "AVIO-000001");
    strcpy(d->stNet[0].azMAC, "001dc1000001");
    strcpy(d->stNet[0].azIP, "192.168.1.10");
    strcpy(d->stNet[0].azNetMask, "255.255.255.0");
    strcpy(d->stNet[0].azGateWay, "192.168.1.1");
    strcpy(d->stNet[0].azDns, "192.168.1.1");
    d->stNet[0].s32LinkSpeed = 1000;
    d->stNet[0].u32InterFaceFlags = 3;
    strcpy(d->stNet[1].azMAC, "001dc1000002");
    strcpy(d->stNet[1].azIP, "10.0.0.10");
    strcpy(d->stNet[1].azNetMask, "255.0.0.0");
    d->stNet[1].s32LinkSpeed = 100;
    d->bGetFlows = 1;
    d->bGetMac = 1;
    strcpy(d->azManfName, "Norva");
    strcpy(d->azManfModelName, "NX-8");
    strcpy(d->model_version, "2.1");
    strcpy(d->azDelosModelName, "DM-1");
    strcpy(d->azDelosSwVer, "4.2.0");
    d->u32InterfaceMode = 1;
    d->properties.bRtpSupport = 1;
    d->properties.u32Aes67Prefix = 0xEF640000u;  // 239.100.0.0
    d->properties.status_flags = 2;
    d->properties.rx_latency_min = 250;
    d->properties.rx_latency = 1000;
    d->properties.rx_latency_max = 5000;
    d->u32ClearConfigSupport = 1;
    d->bPreferredSpt = 1;
    d->u32Cap = 7;
    d->mute_flags = 4;
    strcpy(d->azClkSrc, "PTP");
    strcpy(d->azServoState, "LOCKED");
    strcpy(d->azPortState[0][0][0], "MASTER");
    strcpy(d->azPortState[0][0][1], "SLAVE");
    strcpy(d->azPortState[1][0][0], "PASSIVE");
    strcpy(d->azPortState[1][0][1], "DISABLED");
    strcpy(d->azPortState[0][1][0], "NOT-REPORTED");
    d->u32SrateCurr = 48000;
    d->u32SrateAvailCount = 2;
    d->u32SrateAvailable[0] = 44100;
    d->u32SrateAvailable[1] = 48000;
    d->u32EncCurr = 24;
    d->u32EncAvailCount = 1;
    d->u32EncAvailable[0] = 24;
    d->u32UpgradeStatus = 3;

    d->routing_info_video.num_rxc = 1;
    d->routing_info_video.rxcparams =
        static_cast<delos_rxchn_params_t *>(calloc(1, sizeof(delos_rxchn_params_t)));
    delos_rxchn_params_t &vrx = d->routing_info_video.rxcparams[0];
    strcpy(vrx.name, "VIn");
    vrx.s32Id = 1;
    strcpy(vrx.azSubDev, "cam");
    strcpy(vrx.azSubChn, "out");
    strcpy(vrx.azStatus, "DYNAMIC");
    strcpy(vrx.azVideoSubType, "H264");
    d->routing_info_audio.num_rxc = 1;
    d->routing_info_audio.rxcparams =
        static_cast<delos_rxchn_params_t *>(calloc(1, sizeof(delos_rxchn_params_t)));
    delos_rxchn_params_t &arx = d->routing_info_audio.rxcparams[0];
    strcpy(arx.name, "In1");
    arx.s32Id = 1;
    strcpy(arx.azStatus, "NONE");
    arx.bMute = true;

    d->routing_info_video.num_txc = 1;
    d->routing_info_video.txcparams =
        static_cast<delos_txchn_params_t *>(calloc(1, sizeof(delos_txchn_params_t)));
    delos_txchn_params_t &vtx = d->routing_info_video.txcparams[0];
    strcpy(vtx.name, "VOut");
    vtx.s32Id = 1;
    vtx.bEnable = true;
    strcpy(vtx.azVideoSubType, "H265");
    d->routing_info_audio.num_txc = 2;
    d->routing_info_audio.txcparams =
        static_cast<delos_txchn_params_t *>(calloc(2, sizeof(delos_txchn_params_t)));
    delos_txchn_params_t *atx = d->routing_info_audio.txcparams;
    strcpy(atx[0].name, "Out1");
    atx[0].s32Id = 1;
    atx[0].bEnable = true;
    atx[0].reflevel = 4;  // not reported
    strcpy(atx[1].name, "Out2");
    atx[1].s32Id = 2;
    atx[1].bMute = true;

    d->u32NumVidTxFlows = 1;
    d->pVidTxFlow = static_cast<delos_txflow_t *>(calloc(1, sizeof(delos_txflow_t)));
    delos_txflow_t &vf = d->pVidTxFlow[0];
    strcpy(vf.name, "vflow");
    vf.type = 1;
    vf.id = 9;
    vf.u32NumSlots = 1;
    vf.s32SlotId[0] = 1;
    vf.u32NumInterfaces = 0;
    d->u32NumAudTxFlows = 1;
    d->pAudTxFlow = static_cast<delos_txflow_t *>(calloc(1, sizeof(delos_txflow_t)));
    delos_txflow_t &af = d->pAudTxFlow[0];
    strcpy(af.name, "aflow");
    af.type = 0;
    af.id = 3;
    af.bManual = 1;
    af.u32NumSlots = 2;
    af.s32SlotId[0] = 2;
    af.s32SlotId[1] = 0;
    af.u32NumInterfaces = 2;
    strcpy(af.ip[0], "239.1.2.3:5004");
    strcpy(af.ip[1], "239.1.2.4:5004");
  }

  static void add_stream() {
    aes67_dev *s = norva_aes67_dev_add("Studio A");
    strcpy(s->srcaddr, "192.168.1.50");
    strcpy(s->streamaddr, "239.69.1.2");
    s->u16StreamPort = 5004;
    s->u16ChnNum = 2;
    s->u16Encoding = 24;
    s->u32ClockOffset = 12345;
    s->u32SampleRate = 48000;
    s->u64SessionId = 1234567890ull;
    s->u8PayloadType = 97;
  }
};

const char kPlainDevice[] = R"(~~{
~~~"primac":~"001dc1ab12cd",
~~~"name":~"stage-left",
~~~"defname":~"AVIO-ab12cd",
~~~"status":~0,
~~~"getflow":~0,
~~~"getmac":~0,
~~~"manfname":~"",
~~~"manfmodel":~"",
~~~"modelver":~"",
~~~"delosmodel":~"",
~~~"swver":~"",
~~~"intfmode":~0,
~~~"aes67spt":~0,
~~~"aes67on":~0,
~~~"aes67prefix":~0,
~~~"clearconfigspt":~0,
~~~"preferredspt":~0,
~~~"preferred":~0,
~~~"cap":~0,
~~~"rxchn":~[],
~~~"txchn":~[],
~~~"txflow":~[],
~~~"mute":~0,
~~~"lock":~0,
~~~"clksrc":~"",
~~~"sync":~"",
~~~"primultiv1":~"",
~~~"primultiv2":~"",
~~~"secmultiv1":~"",
~~~"secmultiv2":~"",
~~~"priflags":~0,
~~~"priip":~"192.168.1.20",
~~~"primask":~"",
~~~"prigw":~"",
~~~"pridns":~"",
~~~"prispeed":~0,
~~~"srate":~0,
~~~"rxlatencymin":~0,
~~~"rxlatency":~0,
~~~"rxlatencymax":~0,
~~~"srate_array":~[],
~~~"enc":~0,
~~~"enc_array":~[],
~~~"upgrade":~{
~~~~"state":~0
~~~}
~~})";

const char kFullDevice[] = R"(~~{
~~~"primac":~"001dc1000001",
~~~"name":~"mixer",
~~~"defname":~"AVIO-000001",
~~~"status":~2,
~~~"getflow":~1,
~~~"getmac":~1,
~~~"manfname":~"Norva",
~~~"manfmodel":~"NX-8",
~~~"modelver":~"2.1",
~~~"delosmodel":~"DM-1",
~~~"swver":~"4.2.0",
~~~"intfmode":~1,
~~~"aes67spt":~1,
~~~"aes67on":~0,
~~~"aes67prefix":~100,
~~~"clearconfigspt":~1,
~~~"preferredspt":~1,
~~~"preferred":~0,
~~~"cap":~7,
~~~"rxchn":~[{
~~~~~"type":~"video",
~~~~~"name":~"VIn",
~~~~~"id":~1,
~~~~~"subdev":~"cam",
~~~~~"subchn":~"out",
~~~~~"status":~"DYNAMIC",
~~~~~"mute":~0,
~~~~~"fmttype":~"H264"
~~~~}, {
~~~~~"type":~"audio",
~~~~~"name":~"In1",
~~~~~"id":~1,
~~~~~"subdev":~"",
~~~~~"subchn":~"",
~~~~~"status":~"NONE",
~~~~~"mute":~1
~~~~}],
~~~"txchn":~[{
~~~~~"type":~"video",
~~~~~"name":~"VOut",
~~~~~"id":~1,
~~~~~"enable":~1,
~~~~~"mute":~0,
~~~~~"fmttype":~"H265"
~~~~}, {
~~~~~"type":~"audio",
~~~~~"name":~"Out1",
~~~~~"id":~1,
~~~~~"enable":~1,
~~~~~"mute":~0
~~~~}, {
~~~~~"type":~"audio",
~~~~~"name":~"Out2",
~~~~~"id":~2,
~~~~~"enable":~0,
~~~~~"mute":~1
~~~~}],
~~~"txflow":~[{
~~~~~"type":~1,
~~~~~"id":~9,
~~~~~"name":~"vflow",
~~~~~"manual":~0,
~~~~~"addr":~[],
~~~~~"slot":~[1]
~~~~}, {
~~~~~"type":~0,
~~~~~"id":~3,
~~~~~"name":~"aflow",
~~~~~"manual":~1,
~~~~~"addr":~["239.1.2.3:5004", "239.1.2.4:5004"],
~~~~~"slot":~[2, 0]
~~~~}],
~~~"mute":~1,
~~~"lock":~0,
~~~"clksrc":~"PTP",
~~~"sync":~"LOCKED",
~~~"primultiv1":~"MASTER",
~~~"primultiv2":~"SLAVE",
~~~"secmultiv1":~"PASSIVE",
~~~"secmultiv2":~"DISABLED",
~~~"priflags":~3,
~~~"priip":~"192.168.1.10",
~~~"primask":~"255.255.255.0",
~~~"prigw":~"192.168.1.1",
~~~"pridns":~"192.168.1.1",
~~~"prispeed":~1000,
~~~"secmac":~"001dc1000002",
~~~"secip":~"10.0.0.10",
~~~"secmask":~"255.0.0.0",
~~~"secgw":~"",
~~~"secdns":~"",
~~~"secspeed":~100,
~~~"srate":~48000,
~~~"rxlatencymin":~250,
~~~"rxlatency":~1000,
~~~"rxlatencymax":~5000,
~~~"srate_array":~[44100, 48000],
~~~"enc":~24,
~~~"enc_array":~[24],
~~~"upgrade":~{
~~~~"state":~3
~~~}
~~})";

const char kStream[] = R"(~~{
~~~"sname":~"Studio A",
~~~"src":~"192.168.1.50",
~~~"stream":~"239.69.1.2",
~~~"port":~5004,
~~~"chn":~2,
~~~"encoding":~24,
~~~"clkoffset":~12345,
~~~"rate":~48000,
~~~"sid":~1234567890,
~~~"payload":~97
~~})";

std::string report(const std::string &devices, const std::string &streams) {
  return tabs(
      "{\n~\"ack\":~{\n~~\"cmd\":~\"delos get devices\",\n~~\"status\":~\"success\",\n"
      "~~\"seq\":~N\n~},\n~\"devicelist\":~[" +
      devices + "],\n~\"aes67list\":~[" + streams + "]\n}");
}

TEST_F(DeviceList, ReportsEveryDeviceNewestFirstAndEveryStream) {
  add_plain_device();
  add_full_device();
  add_stream();
  std::string expected =
      report(std::string(kFullDevice + 2) + ", " + std::string(kPlainDevice + 2), kStream + 2);
  EXPECT_EQ(expected, without_seq(dispatch("delos get devices!")));
}

TEST_F(DeviceList, WithNoDevicesOrStreamsReportsEmptyListsAndCountsSeqUp) {
  unsigned first = 0, second = 0, third = 0;
  EXPECT_EQ(report("", ""), without_seq(dispatch("delos get devices!"), &first));
  without_seq(dispatch("delos get devices nobody!"), &second);
  without_seq(dispatch("delos get devices!"), &third);
  EXPECT_EQ(first + 1, second);
  EXPECT_EQ(second + 1, third);
}

TEST_F(DeviceList, TheSingleDeviceFormReportsOnlyTheNamedDevice) {
  add_plain_device();
  add_full_device();
  add_stream();
  EXPECT_EQ(report(kPlainDevice + 2, ""), without_seq(dispatch("delos get devices stage-left!")));
}

TEST_F(DeviceList, TheSingleDeviceFormWithAStreamNameListsThatStream) {
  add_plain_device();
  add_stream();
  EXPECT_EQ(report("", kStream + 2), without_seq(dispatch("delos get devices Studio A!")));
}

TEST_F(DeviceList, TheSingleDeviceFormWithAnUnknownNameAnswersSuccessWithEmptyLists) {
  add_plain_device();
  EXPECT_EQ(report("", ""), without_seq(dispatch("delos get devices nosuch!")));
}

TEST_F(DeviceList, AReportLongerThanTheCapacityAnswersTheFailEnvelopeWithoutSeq) {
  add_full_device();
  EXPECT_EQ(cmdtest::envelope("delos get devices", "fail"), dispatch("delos get devices!", 1000));
}

TEST_F(DeviceList, ListsAtMost16SampleRatesAndEncodings) {
  delos_dev *d = norva_delos_dev_add("many", "def");
  d->u32SrateAvailCount = 40;
  d->u32EncAvailCount = 17;
  for (int i = 0; i < NORVA_DELOS_SRATE_MAX; ++i) d->u32SrateAvailable[i] = 1000u + i;
  cJSON *o = norva_delos_devlist_device(d);
  EXPECT_EQ(16, cJSON_GetArraySize(cJSON_GetObjectItem(o, "srate_array")));
  EXPECT_EQ(16, cJSON_GetArraySize(cJSON_GetObjectItem(o, "enc_array")));
  EXPECT_EQ(1015, cJSON_GetArrayItem(cJSON_GetObjectItem(o, "srate_array"), 15)->valueint);
  cJSON_Delete(o);
}

TEST_F(DeviceList, AFlowClaimingMoreSlotsOrInterfacesThanItsArraysHoldIsCut) {
  delos_dev *d = norva_delos_dev_add("flows", "def");
  d->u32NumAudTxFlows = 1;
  d->pAudTxFlow = static_cast<delos_txflow_t *>(calloc(1, sizeof(delos_txflow_t)));
  d->pAudTxFlow[0].u32NumSlots = 1000;
  d->pAudTxFlow[0].u32NumInterfaces = 9;
  cJSON *o = norva_delos_devlist_device(d);
  cJSON *flow = cJSON_GetArrayItem(cJSON_GetObjectItem(o, "txflow"), 0);
  EXPECT_EQ(64, cJSON_GetArraySize(cJSON_GetObjectItem(flow, "slot")));
  EXPECT_EQ(2, cJSON_GetArraySize(cJSON_GetObjectItem(flow, "addr")));
  cJSON_Delete(o);
}

TEST_F(DeviceList, AnUnsignedFieldAboveTheIntRangeIsReportedAsUnsigned) {
  delos_dev *d = norva_delos_dev_add("big", "def");
  d->u32Cap = 0xFFFFFFFFu;
  cJSON *o = norva_delos_devlist_device(d);
  char *text = cJSON_PrintUnformatted(cJSON_GetObjectItem(o, "cap"));
  EXPECT_EQ(std::string("4294967295"), std::string(text));
  cJSON_free(text);
  cJSON_Delete(o);
}

}  // namespace
