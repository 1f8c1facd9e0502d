// The registry of known Delos devices (delos_dev) and announced AES67 streams
// (aes67_dev): two singly linked lists, newest first, each guarded by its own
// mutex around list structure. Record fields are read and written on the main
// thread only (command operations are handed to it), so a record found there
// cannot be freed while it is used.
#pragma once

#include <pthread.h>

#include <cstdint>

#include "conmon/messages/conmon_message_head.h"
#include "daemon/norva_delos_main.h"
#include "daemon/norva_delos_timer.h"
#include "platform/aud_error.h"

// Field sizes, terminator included. Longer names are refused, never cut.
#define NORVA_DELOS_DEV_NAME_SIZE 64
#define NORVA_DELOS_DEV_DEFNAME_SIZE 32
#define NORVA_DELOS_TEXT16_SIZE 16
#define NORVA_DELOS_TEXT32_SIZE 32
#define NORVA_DELOS_SRATE_MAX 16
#define NORVA_DELOS_ENC_MAX 16
#define NORVA_DELOS_FLOW_SLOTS_MAX 64
#define NORVA_DELOS_FLOW_INTERFACES_MAX 2
#define NORVA_DELOS_ROUTING_COMPONENTS 7
#define NORVA_AES67_SESSIONNAME_SIZE 32

// A 16-bit channel or flow number, counted from 1.
typedef uint16_t delos_id_t;
// A signal reference level in dBu; 0x7FFF when none.
typedef int16_t delos_dbu_t;


struct dr_device;
struct dr_rxchannel;
struct dr_txchannel;
struct delos_sdp_descriptor;

// Addresses and link of one network interface of a device, as texts.
struct delos_network_status_t {
  char azMAC[NORVA_DELOS_TEXT16_SIZE];  // 12 lower-case hex digits
  char azIP[NORVA_DELOS_TEXT16_SIZE];
  char azNetMask[NORVA_DELOS_TEXT16_SIZE];
  char azGateWay[NORVA_DELOS_TEXT16_SIZE];
  char azDns[NORVA_DELOS_TEXT16_SIZE];
  int s32LinkSpeed;
  uint32_t u32InterFaceFlags;
};

struct delos_txflow_t {
  char name[NORVA_DELOS_TEXT32_SIZE];
  int type;
  delos_id_t id;
  int bManual;
  uint32_t u32NumSlots;
  int s32SlotId[NORVA_DELOS_FLOW_SLOTS_MAX];  // transmit channel per slot, 0 empty
  uint32_t u32NumInterfaces;
  char ip[NORVA_DELOS_FLOW_INTERFACES_MAX][NORVA_DELOS_TEXT32_SIZE];
};

struct delos_rxflow_t {
  char name[NORVA_DELOS_TEXT32_SIZE];
  delos_id_t id;
  int bManual;
  uint32_t u32NumSlots;
  char rxChannel[NORVA_DELOS_FLOW_SLOTS_MAX][NORVA_DELOS_TEXT32_SIZE];
  uint32_t u32NumInterfaces;
  char ip[NORVA_DELOS_FLOW_INTERFACES_MAX][NORVA_DELOS_TEXT32_SIZE];
};

struct delos_txchn_params_t {
  char name[NORVA_DELOS_TEXT32_SIZE];
  int s32Id;
  delos_dbu_t reflevel;
  bool bMute;
  bool bEnable;
  char azVideoSubType[NORVA_DELOS_TEXT16_SIZE];
};

struct delos_rxchn_params_t {
  int enStatus;  // a delos_rxstatus value of the routing client
  char name[NORVA_DELOS_TEXT32_SIZE];
  int s32Id;
  char azSubDev[NORVA_DELOS_TEXT32_SIZE];
  char azSubChn[NORVA_DELOS_TEXT32_SIZE];
  char azStatus[NORVA_DELOS_TEXT16_SIZE];
  bool bMute;
  char azVideoSubType[NORVA_DELOS_TEXT16_SIZE];
};

struct delos_properties {
  uint32_t tx_curr_delay;
  uint32_t tx_max_delay;
  uint32_t tx_latency;
  uint32_t tx_latency_min;
  uint32_t rx_latency;
  uint32_t rx_latency_max;
  uint32_t rx_latency_min;
  uint32_t tx_fpp;
  uint32_t rx_fpp;
  uint32_t rx_fpp_min;
  uint32_t rx_flow_def_slots;
  aud_bool_t bSetUnicastPerformance;
  aud_bool_t bHasNetLoop;
  aud_bool_t bNetLoopOn;
  uint16_t u16ManualUnicastRecvPort_min;
  uint16_t u16ManualUnicastRecvPort_max;
  uint32_t u32Aes67Prefix;
  aud_bool_t bRtpSupport;
  aud_bool_t bRtpEnable;
  uint32_t maxDisplayGroupId;
  uint32_t status_flags;
};

// Routing state of one media type of a device.
struct delos_routing_info_t {
  int state;  // the last dr_device_state_t seen (kept in the audio record)
  unsigned int num_rxc;
  dr_rxchannel **rxc;
  delos_rxchn_params_t *rxcparams;  // owned, num_rxc entries
  unsigned int num_txc;
  dr_txchannel **txc;
  delos_txchn_params_t *txcparams;  // owned, num_txc entries
};

struct dev_request {
  request_tracker_conmon_t cm_subscribe;
  const void *query_capabilities;  // outstanding routing request, or null
  const void *update_component[NORVA_DELOS_ROUTING_COMPONENTS];
};

// One Delos device.
struct delos_dev {
  char name[NORVA_DELOS_DEV_NAME_SIZE];
  conmon_instance_id_t id;
  char defname[NORVA_DELOS_DEV_DEFNAME_SIZE];
  int s32GetConmonFlag;
  int s32GetCount;
  int bGetFlows;
  int bGetMac;
  delos_network_status_t stNet[2];  // primary, secondary
  uint32_t u32InterfaceMode;
  char azManfName[NORVA_DELOS_TEXT32_SIZE];
  char azManfModelName[NORVA_DELOS_TEXT32_SIZE];
  char azDelosModelName[NORVA_DELOS_TEXT32_SIZE];
  char model_version[NORVA_DELOS_TEXT16_SIZE];
  char azDelosSwVer[NORVA_DELOS_TEXT16_SIZE];
  unsigned int bLock;
  char azClkSrc[NORVA_DELOS_TEXT16_SIZE];
  uint32_t bPreferredSpt;
  uint32_t bclock_preferred;
  char azServoState[NORVA_DELOS_TEXT16_SIZE];
  uint32_t mute_flags;
  uint32_t u32Cap;
  // [interface][path type][PTP version]
  char azPortState[2][2][2][NORVA_DELOS_TEXT16_SIZE];
  unsigned long u32SrateCurr;
  unsigned int u32SrateAvailCount;
  unsigned long u32SrateAvailable[NORVA_DELOS_SRATE_MAX];
  unsigned long u32EncCurr;
  unsigned int u32EncAvailCount;
  unsigned long u32EncAvailable[NORVA_DELOS_ENC_MAX];
  uint32_t u32ClearConfigSupport;
  unsigned int u32NumAudTxFlows;
  delos_txflow_t *pAudTxFlow;  // owned
  unsigned int u32NumVidTxFlows;
  delos_txflow_t *pVidTxFlow;  // owned
  unsigned int u32NumRxFlows;
  delos_rxflow_t *pRxFlow;  // owned
  delos_properties properties;
  dr_device *routing_device;  // null when not connected
  delos_routing_info_t routing_info_video;
  delos_routing_info_t routing_info_audio;
  dev_request requests;
  uint32_t u32UpgradeStatus;
  uint32_t u32UpdateTimeoutCount;
  norva_delos_timer_t timer;  // connect_timer is null when the pool was empty
  delos_dev *next;
};

// One announced AES67 stream.
struct aes67_dev {
  char origusername[NORVA_DELOS_TEXT32_SIZE];
  char sessionname[NORVA_AES67_SESSIONNAME_SIZE];
  uint64_t u64SessionId;
  char srcaddr[NORVA_DELOS_TEXT16_SIZE];
  unsigned int u32ClockOffset;
  uint8_t u8PayloadType;
  uint8_t u8Reserved[3];
  uint16_t u16FlowId;
  uint16_t u16StreamPort;
  char streamaddr[NORVA_DELOS_TEXT16_SIZE];
  uint32_t u32SampleRate;
  uint16_t u16Encoding;
  uint16_t u16ChnNum;
  delos_sdp_descriptor *sdp_desc;  // owned by the browse
  aes67_dev *next;
};

typedef enum {
  NORVA_DELOS_DEV_FIND_BY_NAME = 0,
  NORVA_DELOS_DEV_FIND_BY_MAC = 1,
  NORVA_DELOS_DEV_FIND_BY_REQID = 2,
  NORVA_DELOS_DEV_FIND_BY_DEFNAME = 3,
  NORVA_DELOS_DEV_FIND_BY_INSTANCE_ID = 4,
} dev_find_e;

// List heads (newest first) and their locks. The mutexes are usable from the
// start; main may initialise them again before any thread uses them.
extern delos_dev *g_pDelosDev;
extern pthread_mutex_t g_MutexDev;
extern aes67_dev *g_pAes67Dev;
extern pthread_mutex_t g_MutexAes67;

// Adds a zero-filled device record at the head of the list, with a connect
// timer event from test.timers (none when the set is missing or full: the
// record then has no connect timer, and a line is logged) and starts its
// conmon subscription. Main thread. Null when memory is exhausted or when a
// name does not fit its field (null, or longer than 63 / 31 characters; logged).
// The caller must not hold g_MutexDev.
delos_dev *norva_delos_dev_add(const char *name, const char *defname);
// The first record matching by the look-up kind `type` (see dev_find_e), or
// null. name is used by the name kinds, req_id by REQID (a conmon request id)
// and INSTANCE_ID (a conmon_instance_id_t). The caller must not hold g_MutexDev.
delos_dev *norva_delos_dev_find(const char *name, const void *req_id, dev_find_e type);
// Deletes the record whose name equals name exactly: closes its routing
// connection, unsubscribes its conmon channel, releases its timer event,
// unlinks and frees it with its arrays. Main thread. 0, or -1 when no record
// has that name (nothing changes).
int norva_delos_dev_del(const char *name);
// Frees a record's owned channel and flow arrays and the record itself; for
// records that are not (or no longer) in the list. Null is ignored.
void norva_delos_dev_free(delos_dev *dev);

// Adds a zero-filled stream record at the head of the list with the next flow
// id (1, 2, ... wrapping after 65535). Null when memory is exhausted or the
// session name is null or longer than 31 characters (logged).
aes67_dev *norva_aes67_dev_add(const char *pSessionName);
// The first stream whose session name equals sessionname exactly, or null.
aes67_dev *norva_aes67_dev_find(const char *sessionname);
// Frees every stream record and restarts the flow-id counter at 1. Streams
// live until the process ends in the daemon; this is for tests and tools that
// need a clean registry.
void norva_aes67_dev_clear_all(void);
