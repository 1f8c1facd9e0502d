// The command table: recognises each cleaned command line by its leading
// words, parses its arguments against the field limits, runs its operation on
// the main thread and leaves a JSON reply ({"ack":{"cmd":..,"status":..}},
// printed with cJSON_Print) in the reply area.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/aud_error.h"

struct cJSON;

// Argument field limits in characters (the field size less its terminator).
// Longer words are refused: failure reply, operation not called.
#define NORVA_DELOS_API_DEVNAME_MAX 31
#define NORVA_DELOS_API_DEVNAME_SUFFIX_MAX 7
#define NORVA_DELOS_API_CHN_MAX 3
#define NORVA_DELOS_API_FLOWID_MAX 3
#define NORVA_DELOS_API_SWITCH_MAX 3
#define NORVA_DELOS_API_LATENCY_MAX 7
#define NORVA_DELOS_API_CHNNAME_MAX 31
#define NORVA_DELOS_API_TX_SLOTS_MAX 127
#define NORVA_DELOS_API_RX_SLOTS_MAX 255
#define NORVA_DELOS_API_WORD15_MAX 15
#define NORVA_DELOS_API_IPV4_MAX 15
#define NORVA_DELOS_API_PATH_MAX 127
#define NORVA_DELOS_API_DOMAIN_MAX 255
// The single-device report compares against the record's 64-byte name.
#define NORVA_DELOS_API_REPORT_NAME_MAX 63
// Most arguments any command takes.
#define NORVA_DELOS_API_ARGS_MAX 7

// Media selectors handed to handlers and operations.
#define NORVA_DELOS_API_MEDIA_AUDIO 0
#define NORVA_DELOS_API_MEDIA_VIDEO 1
// Only for the shared subscription handler: the AES67 form of row 33.
#define NORVA_DELOS_API_MEDIA_AES67 2

// A command handler: parses prequest (the cleaned command ending in "!"),
// runs its operation, writes its reply into pResponses (capacity size
// characters plus a terminator) and returns the operation's result; negative
// means failure (the dispatcher then writes the failure reply).
typedef int (*norva_delos_api_handler_fn)(int s32CliFd, const char *prequest, char *pResponses,
                                          int size, int media);

// One row of the command table.
struct norva_delos_api_cmd {
  const char *word;  // the command word; also the reply's "cmd" for rows 4 on
  bool exact;        // compare the whole command (rows 1 and 2) instead of a prefix
  norva_delos_api_handler_fn handler;
  int media;
  int num_args;  // arguments after the command word
};

// The 48 rows in dispatch order.
#define NORVA_DELOS_API_NUM_CMDS 48
extern const norva_delos_api_cmd norva_delos_api_cmd_table[NORVA_DELOS_API_NUM_CMDS];

// The help list: usage text and description, in reply order.
struct norva_delos_api_help_entry {
  const char *usage;
  const char *desc;
};
#define NORVA_DELOS_API_NUM_HELP 30
extern const norva_delos_api_help_entry norva_delos_api_help_table[NORVA_DELOS_API_NUM_HELP];

// The operations the table calls, as pointers so that tests can watch the
// arguments each row passes. Defaults are the routing and conmon functions.
struct norva_delos_api_ops {
  int (*set_name)(const char *defname, const char *newname);
  int (*ping)(const char *devname);
  int (*set_aud_tx_performance)(const char *devname, uint32_t latency_us, uint32_t fpp);
  int (*set_aud_tx_delay)(const char *devname, uint32_t delay_us);
  int (*set_tx_chnname)(const char *devname, int media, uint32_t chn, const char *chnname);
  int (*add_tx_chnlabel)(const char *devname, int media, uint32_t chn, const char *label);
  int (*del_tx_chnlabel)(const char *devname, int media, uint32_t chn, const char *label);
  int (*set_aud_tx_chn_mute)(const char *devname, uint32_t chn, uint32_t mute);
  int (*set_aud_tx_chn_enable)(const char *devname, uint32_t chn, uint32_t enable);
  int (*set_aud_tx_chn_reflevel)(const char *devname, uint32_t chn, int dbu);
  int (*clear_aud_tx_chn_reflevel)(const char *devname, uint32_t chn);
  int (*add_tx_flow)(const char *devname, int media, const char *flowname, uint32_t flow_id,
                     uint32_t latency_us, uint32_t fpp, const char *slots);
  int (*replace_aud_tx_flow)(const char *devname, uint32_t flow_id, const char *slots);
  int (*del_tx_flow)(const char *devname, int media, uint32_t flow_id);
  int (*set_aud_rx_performance)(const char *devname, uint32_t latency_us, uint32_t fpp);
  int (*set_rx_chn_sub_2)(const char *mac, int media, uint32_t rxchn, const char *txdev,
                          const char *txchnname);
  int (*set_rx_chn_sub)(const char *devname, int media, uint32_t rxchn, const char *txdev,
                        uint32_t txchn);
  int (*set_rx_chn_sub_aes67)(const char *devname, uint32_t rxchn, const char *sessionname,
                              uint32_t slot);
  int (*set_rx_chnname)(const char *devname, int media, uint32_t chn, const char *chnname);
  int (*set_aud_rx_chn_mute)(const char *devname, uint32_t chn, uint32_t mute);
  int (*add_aud_rx_flow_unicast)(const char *devname, uint32_t flow_id, const char *txname,
                                 const char *slots);
  int (*add_aud_rx_flow_multicast)(const char *devname, uint32_t flow_id, const char *txflowname,
                                   const char *txname, const char *slots);
  int (*set_aud_unicast_performance)(const char *devname, uint32_t latency_us, uint32_t fpp);
  int (*set_aes67_prefix)(const char *devname, uint32_t prefix);
  int (*store_config)(const char *devname);
  int (*set_network_loopback)(const char *devname, uint32_t on);
  int (*set_lock)(const char *devname, uint32_t on);
  aud_error_t (*control_set_preferred)(const char *devname, uint32_t preferred);
  aud_error_t (*control_set_srate)(const char *devname, uint32_t rate);
  aud_error_t (*upgrade_query)(const char *devname);
  aud_error_t (*upgrade)(const char *devname, const char *server_ip, const char *path,
                         uint32_t length);
  aud_error_t (*control_set_enc)(const char *devname, uint32_t enc);
  aud_error_t (*control_set_aes67_onoff)(const char *devname, uint32_t on);
  aud_error_t (*control_set_reboot)(const char *devname, uint32_t mode);
  aud_error_t (*control_clear_config)(const char *devname, uint32_t mode);
  aud_error_t (*control_set_dynamic)(const char *devname, uint32_t index);
  aud_error_t (*control_set_static)(const char *devname, uint32_t index, uint32_t ip, uint32_t mask,
                                    uint32_t gateway, uint32_t dns, const char *domain);
};

// The operations in use; set only while no command runs.
extern norva_delos_api_ops g_norva_delos_api_ops;
// The routing and conmon functions, as installed at start.
norva_delos_api_ops norva_delos_api_default_ops(void);

// The handler the command server calls for every cleaned command. Always 0:
// a reply is always written (for an unknown command, a failure reply naming
// the whole command). Runs on a session thread; operations run on the main
// thread (norva_delos_mainq_call).
int Main_FUNC_TcpserverProc(int s32CliFd, char *pBuffData, char *pResponses, int size);

// An IPv4 address in host byte order from dotted-decimal text; 0 when fewer
// than four numbers are read or a number lies outside 0..255.
uint32_t parse_address(const char *text);

// Splits prequest into the arguments of a command whose command word has
// `skip` words: num_args words, the last taking the rest of the line up to
// the "!". Argument i goes to args[i] (capacity limits[i] + 1). Missing words
// are left empty. false (args unspecified) when a word exceeds its limit.
bool norva_delos_api_parse_args(const char *prequest, int skip, int num_args, const int *limits,
                                char (*args)[NORVA_DELOS_API_DOMAIN_MAX + 1]);

// Prints root with cJSON's formatted printer into pResponses when the text fits
// size characters (plus the terminator): 0; otherwise -1 and the area's
// content is unspecified.
int norva_delos_api_print_reply(const cJSON *root, char *pResponses, int size);

// Writes {"ack":{"cmd":cmd,"status":status}} into pResponses when it fits size
// characters; 0, or -1 when it does not fit (nothing written).
int norva_delos_api_write_reply(char *pResponses, int size, const char *cmd, const char *status);

// Handlers (row numbers of the table in brackets).
int norva_delos_api_help(int, const char *, char *, int, int);                         // 1
int norva_delos_api_get_devices_all(int, const char *, char *, int, int);              // 2
int norva_delos_api_get_devices_one(int, const char *, char *, int, int);              // 3
int norva_delos_api_set_name(int, const char *, char *, int, int);                     // 4
int norva_delos_api_ping(int, const char *, char *, int, int);                         // 5
int norva_delos_api_set_preferred(int, const char *, char *, int, int);                // 6
int norva_delos_api_set_srate(int, const char *, char *, int, int);                    // 7
int norva_delos_api_upgrade_query(int, const char *, char *, int, int);                // 8
int norva_delos_api_upgrade(int, const char *, char *, int, int);                      // 9
int norva_delos_api_set_enc(int, const char *, char *, int, int);                      // 10
int norva_delos_api_set_aud_tx_performance(int, const char *, char *, int, int);       // 11
int norva_delos_api_set_aud_tx_delay(int, const char *, char *, int, int);             // 12
int norva_delos_api_set_tx_chnname(int, const char *, char *, int, int);               // 13, 16
int norva_delos_api_add_tx_chnlabel(int, const char *, char *, int, int);              // 14, 17
int norva_delos_api_del_tx_chnlabel(int, const char *, char *, int, int);              // 15, 18
int norva_delos_api_set_aud_tx_chn_mute(int, const char *, char *, int, int);          // 19
int norva_delos_api_set_aud_tx_chn_enable(int, const char *, char *, int, int);        // 20
int norva_delos_api_set_aud_tx_chn_reflevel(int, const char *, char *, int, int);      // 21
int norva_delos_api_clear_aud_tx_chn_reflevel(int, const char *, char *, int, int);    // 22
int norva_delos_api_add_tx_flow(int, const char *, char *, int, int);                  // 23, 24
int norva_delos_api_replace_aud_tx_flow(int, const char *, char *, int, int);          // 25
int norva_delos_api_del_tx_flow(int, const char *, char *, int, int);                  // 26, 27
int norva_delos_api_set_aud_rx_performance(int, const char *, char *, int, int);       // 28
int norva_delos_api_set_rx_chn_sub_2(int, const char *, char *, int, int);             // 29, 31
int norva_delos_api_set_rx_chn_sub(int, const char *, char *, int, int);               // 30, 32, 33
int norva_delos_api_set_rx_chnname(int, const char *, char *, int, int);               // 34, 35
int norva_delos_api_set_aud_rx_chn_mute(int, const char *, char *, int, int);          // 36
int norva_delos_api_add_aud_rx_flow_unicast(int, const char *, char *, int, int);      // 37
int norva_delos_api_add_aud_rx_flow_multicast(int, const char *, char *, int, int);    // 38
int norva_delos_api_set_aud_unicast_performance(int, const char *, char *, int, int);  // 39
int norva_delos_api_set_aes67_prefix(int, const char *, char *, int, int);             // 40
int norva_delos_api_set_aes67(int, const char *, char *, int, int);                    // 41
int norva_delos_api_set_reboot(int, const char *, char *, int, int);                   // 42
int norva_delos_api_store_config(int, const char *, char *, int, int);                 // 43
int norva_delos_api_clear_config(int, const char *, char *, int, int);                 // 44
int norva_delos_api_set_dynamic(int, const char *, char *, int, int);                  // 45
int norva_delos_api_set_static(int, const char *, char *, int, int);                   // 46
int norva_delos_api_set_network_loopback(int, const char *, char *, int, int);         // 47
int norva_delos_api_set_lock(int, const char *, char *, int, int);                     // 48
