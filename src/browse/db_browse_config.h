// Browse types and the browse configuration.
#pragma once

#include <cstdint>

#include "platform/aud_error.h"
#include "platform/aud_time.h"

typedef uint32_t db_browse_types_t;

enum : db_browse_types_t {
  DB_BROWSE_TYPE_MEDIA_DEVICE = 1,         // "_netaudio-arc._udp"
  DB_BROWSE_TYPE_MEDIA_CHANNEL = 2,        // "_netaudio-chan._udp"
  DB_BROWSE_TYPE_CONMON_DEVICE = 4,        // "_netaudio-cmc._udp"
  DB_BROWSE_TYPE_SAFE_MODE_DEVICE = 8,     // "_delos-safe._udp"
  DB_BROWSE_TYPE_UPGRADE_MODE_DEVICE = 16, // "_delos-upgr._udp"
  DB_BROWSE_TYPE_VIA_DEVICE = 32,          // "_netaudio-via._tcp"
  DB_BROWSE_TYPE_AES67_FLOW = 64,          // SAP announcements
  DB_BROWSE_TYPE_SDP = 128,                // SAP announcements and domain SDP records
};

#define DB_BROWSE_MAX_INTERFACE_INDEXES 2

// Copied into the browse and into the ad-hoc engine.
struct db_browse_config {
  uint32_t num_interface_indexes;  // valid entries in interface_indexes (0..2)
  // OS interface indexes; the position is the network number (0 primary, 1
  // secondary). 0 leaves the network unbound until its first advert arrives.
  uint32_t interface_indexes[DB_BROWSE_MAX_INTERFACE_INDEXES];
  uint32_t interface_bitmask;  // bit n set: network n is used
  aud_bool_t localhost;        // also accept answers arriving on loopback
  aud_utime_t resolve_timeout; // how long one resolve may stay outstanding
};
typedef db_browse_config db_browse_config_t;

// Fills the defaults (one interface index 0, every network, local host on,
// 30 s resolve time-out) and returns config.
db_browse_config_t *db_browse_config_init_defaults(db_browse_config_t *config);
