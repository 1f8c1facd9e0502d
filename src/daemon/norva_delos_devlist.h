// The device list report: every known device (identity, network, clocking,
// rates, latencies, channels, transmit flows) and every AES67 stream, as one
// JSON document, for "delos get devices!" and "delos get devices [name]!".
#pragma once

#include <cjson/cJSON.h>

#include <cstdint>

struct delos_dev;
struct aes67_dev;

// The report's device object for one record (members in report order).
// Null when memory runs out. Main thread (reads record fields).
cJSON *norva_delos_devlist_device(const delos_dev *dev);
// The report's object for one stream record. Null when memory runs out.
cJSON *norva_delos_devlist_aes67(const aes67_dev *stream);

// Builds the whole report with the given "seq". A record is reported when name
// is null or empty, or equals its name (session name for streams); with single
// set each walk stops after its first reported record. Walks the device list under g_MutexDev, then
// the stream list under g_MutexAes67. Main thread. Null when memory runs out.
cJSON *norva_delos_devlist_build(const char *name, bool single, unsigned seq);

// Takes the next report number ("seq": 0 for the first report of the process).
unsigned norva_delos_devlist_next_seq(void);

// The handler of "delos get devices!" (bAll 1) and of the single-device form
// (bAll 0, the name is the text after the third word up to the "!"). Writes
// the report into pResponses, or the "fail" envelope when the printed report
// is longer than size. 0; -1 only when the name is longer than its field.
int norva_delos_api_get_devices(int s32CliFd, const char *prequest, char *pResponses, int size,
                                int bAll);
