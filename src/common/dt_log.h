// The protocol libraries' log: one process-wide set of destinations and
// thresholds. The settings are not locked; change them at start-up, before
// other threads log.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "platform/aud_error.h"
#include "platform/aud_socket.h"

// Levels run from least to most urgent; a message is emitted when its level is
// at least the threshold.
typedef enum {
  DT_LOG_NONE = 0,
  DT_LOG_DEBUG = 1,
  DT_LOG_INFO = 2,
  DT_LOG_NOTICE = 3,
  DT_LOG_WARN = 4,
  DT_LOG_ERR = 5,
  DT_LOG_CRIT = 6,
  DT_LOG_FATAL = 7,
  DT_LOG_UNDEF = 8,
} dt_loglevel_t;

// Destination mask bits.
#define DT_LOG_TO_STDOUT 1u
#define DT_LOG_TO_STDERR 2u
#define DT_LOG_TO_SYSLOG 4u
#define DT_LOG_TO_SOCKET 16u
#define DT_LOG_TO_STREAM 32u
#define DT_LOG_TO_ALL \
  (DT_LOG_TO_STDOUT | DT_LOG_TO_STDERR | DT_LOG_TO_SYSLOG | DT_LOG_TO_SOCKET | DT_LOG_TO_STREAM)

// The longest text one socket message carries, and the datagram size it is cut into.
#define DT_LOG_SOCKET_TEXT_MAX 4095
#define DT_LOG_DATAGRAM_MAX 1458
#define DT_LOG_IFACE_NAME_SIZE 64
#define DT_LOG_TIMESTAMP_LENGTH 15

// The process-wide settings.
struct dt_log_settings {
  uint32_t _to;
  dt_loglevel_t _threshold;  // the effective lowest level any destination accepts
  struct {
    dt_loglevel_t _threshold;
    bool _timestamp;
    FILE *_fp;
  } _stream;
  struct {
    dt_loglevel_t _threshold;
    bool _timestamp;
    aud_sockaddr_t _addr;
    char _iface_name[DT_LOG_IFACE_NAME_SIZE];
    int _s;
    bool _in_sock_log;
  } _socket;
  struct {
    size_t size;
    char *buf;
  } _tbuf;
};

// Logs one message at level (printf format). Warnings and worse go to standard
// error with the initial settings, each line "Mmm dd hh:mm:ss Level: message".
void dt_log(dt_loglevel_t level, const char *format, ...) __attribute__((format(printf, 2, 3)));
void dt_vlog(dt_loglevel_t level, const char *format, va_list args)
    __attribute__((format(printf, 2, 0)));
// Logs text as it stands.
void dt_log_str(dt_loglevel_t level, const char *text);

// Sets the destination mask (DT_LOG_TO_ bits); returns the previous one.
uint32_t dt_logto(uint32_t mask);
// The threshold of standard output, standard error and the stream.
void dt_log_set_stream_threshold(dt_loglevel_t level);
void dt_log_set_stream_timestamp(bool on);
// The stream for DT_LOG_TO_STREAM; not owned, null turns it off.
void dt_log_set_stream(FILE *fp);
void dt_log_set_socket_threshold(dt_loglevel_t level);
void dt_log_set_socket_timestamp(bool on);
// The IPv4 destination of DT_LOG_TO_SOCKET and, for a multicast address, the
// interface to send on (null: the default). Opens a datagram socket; null addr
// closes it. On failure the previous destination stays.
aud_error_t dt_log_set_socket(const aud_sockaddr_t *addr, const char *iface_name);
// Formats into buf (size bytes, kept alive by the caller) instead of a fresh
// allocation per message; null returns to allocation.
void dt_log_set_buffer(char *buf, size_t size);
// Back to the initial settings: standard error only, stream threshold
// DT_LOG_WARN with timestamps, socket threshold DT_LOG_INFO without, socket
// closed, no stream, no fixed buffer.
void dt_log_reset(void);
// A read-only view of the settings.
const dt_log_settings *dt_log_get_settings(void);

// The level's text ("Warning"); "Undefined error" above DT_LOG_UNDEF.
const char *dt_loglevel_to_str(dt_loglevel_t level);
