// The component log: one per environment, with a threshold for each of six
// destinations. Not locked: use a log from one thread only.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "platform/aud_error.h"
#include "platform/aud_interface.h"
#include "platform/aud_socket.h"
#include "platform/aud_time.h"

// 0 None, 1 Critical, 2 Error, 3 Warning, 4 Notice, 5 Info, 6 Debug, 7 Verbose.
typedef uint32_t aud_loglevel_t;
#define AUD_LOGLEVEL_NONE 0u
#define AUD_LOGLEVEL_CRITICAL 1u
#define AUD_LOGLEVEL_ERROR 2u
#define AUD_LOGLEVEL_WARNING 3u
#define AUD_LOGLEVEL_NOTICE 4u
#define AUD_LOGLEVEL_INFO 5u
#define AUD_LOGLEVEL_DEBUG 6u
#define AUD_LOGLEVEL_VERBOSE 7u
#define AUD_LOGLEVEL_UNDEF 8u

// The level texts, indexed by level; index 8 is the text of every larger value.
#define AUD_LOGLEVEL_STRINGS \
  { "None", "Critical", "Error", "Warning", "Notice", "Info", "Debug", "Verbose", "Undef" }

typedef enum {
  AUD_LOGTYPE_SOCKET = 0,
  AUD_LOGTYPE_STDOUT = 1,
  AUD_LOGTYPE_STDERR = 2,
  AUD_LOGTYPE_STREAM = 3,
  AUD_LOGTYPE_SYSTEM = 4,
  AUD_LOGTYPE_CUSTOM = 5,
} aud_logtype_t;
#define AUD_NUM_LOGTYPES 6

#define AUD_LOGMASK_SOCKET 1u
#define AUD_LOGMASK_STDOUT 2u
#define AUD_LOGMASK_STDERR 4u
#define AUD_LOGMASK_STREAM 8u
#define AUD_LOGMASK_SYSTEM 16u
#define AUD_LOGMASK_CUSTOM 32u
#define AUD_LOGMASK_ALL 63u

#define AUD_LOG_NAME_SIZE 128
// Default size of the formatting buffer, allocated on first use.
#define AUD_LOG_DEFAULT_BUFSIZE 16384
// Bounds accepted by aud_log_set_bufsize.
#define AUD_LOG_MIN_BUFSIZE 64
#define AUD_LOG_MAX_BUFSIZE (1024 * 1024)
// The most bytes in one log datagram.
#define AUD_LOG_DATAGRAM_MAX 1458
// Two network endpoints.
#define AUD_LOG_NUM_ENDPOINTS 2
// Length of the timestamp text ("Jun 30 21:49:08").
#define AUD_LOG_TIMESTAMP_LENGTH 15

struct _aud_log;
typedef _aud_log aud_log_t;

// Receives one message: timestamp text (null unless the custom destination is
// timestamped), the level, the message and its length. Called on the logging
// thread; it must not log to the same log.
typedef void (*aud_log_custom_fn)(aud_log_t *log, const char *timestamp, aud_loglevel_t level,
                                  const char *message, size_t length);

struct aud_log_endpoint {
  aud_sockaddr_t addr;
  aud_interface_t iface;  // multicast interface; index 0 when unset
  int socket;             // -1 when closed
  aud_bool_t suspended;   // set while a send failure is being reported
};

struct _aud_log {
  char name[AUD_LOG_NAME_SIZE];
  aud_loglevel_t _threshold;  // the highest of _thresholds
  aud_loglevel_t _thresholds[AUD_NUM_LOGTYPES];
  uint32_t _timestamping;  // AUD_LOGMASK_ bits
  struct {
    FILE *_fp;
  } _stream;
  aud_log_endpoint _socket[AUD_LOG_NUM_ENDPOINTS];
  struct {
    aud_log_custom_fn fn;
    void *context;
  } custom;
  char *_buf;
  size_t _buflen;
  aud_bool_t _buf_external;
};

// Creates a log: every threshold 0 (nothing is emitted), timestamping on for
// standard output, standard error and the stream, no stream, sockets closed.
// AUD_ERR_INVALIDPARAMETER for a null out-parameter, AUD_ERR_NOMEMORY.
aud_error_t aud_log_new(aud_log_t **log);
// Closes the log's sockets and frees it with its own buffer (not an external
// buffer, not the stream). Accepts null.
void aud_log_delete(aud_log_t *log);

// Copies name (bounded, cut at 127 characters); null clears it.
aud_error_t aud_log_set_name(aud_log_t *log, const char *name);
// Sets one destination's threshold; messages of that level or more urgent
// (numerically lower, but not 0) reach it. Keeps _threshold the highest.
aud_error_t aud_log_set_threshold(aud_log_t *log, aud_logtype_t logtype, aud_loglevel_t level);
aud_error_t aud_log_set_all_thresholds(aud_log_t *log, aud_loglevel_t level);
aud_loglevel_t aud_log_get_threshold(const aud_log_t *log, aud_logtype_t logtype);
aud_error_t aud_log_set_timestamping(aud_log_t *log, aud_logtype_t logtype, aud_bool_t on);
aud_error_t aud_log_set_all_timestamping(aud_log_t *log, aud_bool_t on);
// The stream destination; the log does not own or close it. Null turns it off.
aud_error_t aud_log_set_stream(aud_log_t *log, FILE *fp);
// Sends socket-destination datagrams to addr (IPv4) from endpoint 0 / the
// given endpoint, opening a datagram socket; null addr closes the endpoint.
// On failure the endpoint is left as it was.
aud_error_t aud_log_set_sockaddr(aud_log_t *log, const aud_sockaddr_t *addr);
aud_error_t aud_log_set_sockaddr_by_endpoint(aud_log_t *log, const aud_sockaddr_t *addr,
                                             unsigned endpoint);
// The interface for multicast datagrams of every endpoint (applied now to open
// sockets and to sockets opened later); null clears it.
aud_error_t aud_log_set_multicast_interface(aud_log_t *log, const aud_interface_t *iface);
aud_error_t aud_log_set_custom_fn(aud_log_t *log, aud_log_custom_fn fn);
aud_error_t aud_log_set_custom_context(aud_log_t *log, void *context);
void *aud_log_get_custom_context(const aud_log_t *log);
// Size of the log's own formatting buffer (AUD_LOG_MIN_BUFSIZE..AUD_LOG_MAX_BUFSIZE,
// else AUD_ERR_RANGE); drops an external buffer and reallocates on next use.
aud_error_t aud_log_set_bufsize(aud_log_t *log, size_t size);
// Formats into buf (len of at least AUD_LOG_MIN_BUFSIZE bytes, owned by the
// caller and kept alive while the log uses it); null buf returns to an own buffer.
aud_error_t aud_log_set_external_buf(aud_log_t *log, char *buf, size_t len);

// The level's text, "Undef" above 7.
const char *aud_loglevel_to_string(aud_loglevel_t level);
// Text starting with a digit is read as a number (above 7 gives 8); otherwise
// the level whose text matches ignoring case; no match (or null) gives 8.
aud_loglevel_t aud_loglevel_from_string(const char *text);

// Logs one message. A null log, level 0 or a level above every threshold
// returns at once. A message is cut to the buffer size minus one; empty
// messages are dropped.
void aud_log(aud_log_t *log, aud_loglevel_t level, const char *format, ...)
    __attribute__((format(printf, 3, 4)));
// The same with a given timestamp (null: the current time).
void aud_log_timestamp(aud_log_t *log, aud_loglevel_t level, const aud_utime_t *time,
                       const char *format, ...) __attribute__((format(printf, 4, 5)));
void aud_vlog(aud_log_t *log, aud_loglevel_t level, const char *format, va_list args)
    __attribute__((format(printf, 3, 0)));
// Logs text as it stands (no formatting).
void aud_log_str(aud_log_t *log, aud_loglevel_t level, const char *text);
