#include "platform/aud_log.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <strings.h>
#include <sys/socket.h>
#include <syslog.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

const char *const k_level_strings[] = AUD_LOGLEVEL_STRINGS;

void endpoint_close(aud_log_endpoint *ep) {
  if (ep->socket >= 0) {
    close(ep->socket);
  }
  ep->socket = -1;
  ep->suspended = AUD_FALSE;
}

void endpoint_apply_multicast_interface(const aud_log_endpoint *ep) {
  if (ep->socket < 0 || ep->iface.index == 0) {
    return;
  }
  // Best effort: a unicast destination does not need it, and a multicast one
  // still goes out on the default route if the interface was refused.
  ip_mreqn req;
  memset(&req, 0, sizeof req);
  req.imr_ifindex = static_cast<int>(ep->iface.index);
  (void)setsockopt(ep->socket, IPPROTO_IP, IP_MULTICAST_IF, &req, sizeof req);
}

void recompute_threshold(aud_log_t *log) {
  aud_loglevel_t top = 0;
  for (aud_loglevel_t t : log->_thresholds) {
    top = std::max(top, t);
  }
  log->_threshold = top;
}

bool valid_logtype(aud_logtype_t logtype) {
  return static_cast<unsigned>(logtype) < AUD_NUM_LOGTYPES;
}

bool reaches(const aud_log_t *log, aud_logtype_t type, aud_loglevel_t level) {
  return log->_thresholds[type] >= level;
}

// "Jun 30 21:49:08": the ctime text without the weekday and the year.
void render_timestamp(const aud_utime_t *time, char out[AUD_LOG_TIMESTAMP_LENGTH + 1]) {
  char ct[32];
  aud_utime_ctime(time, ct);
  size_t n = strnlen(ct, sizeof ct);
  if (n < 4 + AUD_LOG_TIMESTAMP_LENGTH) {
    memset(out, ' ', AUD_LOG_TIMESTAMP_LENGTH);
  } else {
    memcpy(out, ct + 4, AUD_LOG_TIMESTAMP_LENGTH);
  }
  out[AUD_LOG_TIMESTAMP_LENGTH] = '\0';
}

int syslog_priority(aud_loglevel_t level) {
  switch (level) {
    case AUD_LOGLEVEL_CRITICAL:
      return LOG_CRIT;
    case AUD_LOGLEVEL_ERROR:
      return LOG_ERR;
    case AUD_LOGLEVEL_WARNING:
      return LOG_WARNING;
    case AUD_LOGLEVEL_NOTICE:
      return LOG_NOTICE;
    case AUD_LOGLEVEL_INFO:
      return LOG_INFO;
    case AUD_LOGLEVEL_DEBUG:
      return LOG_DEBUG;
    default:
      return LOG_ERR;
  }
}

void emit(aud_log_t *log, aud_loglevel_t level, const aud_utime_t *time, const char *msg,
          size_t len);

void write_stream(FILE *fp, const char *ts, aud_loglevel_t level, const char *msg, size_t len) {
  if (ts) {
    fputs(ts, fp);
    fputc(' ', fp);
  }
  fputs(aud_loglevel_to_string(level), fp);
  fputc(' ', fp);
  fwrite(msg, 1, len, fp);
  if (len == 0 || msg[len - 1] != '\n') {
    fputc('\n', fp);
  }
  fflush(fp);
}

// Reports a failed send through the log itself. The report is formatted into a
// local buffer, not the log's own, because the message being fanned out still
// sits there and the later destinations need it.
void report_send_failure(aud_log_t *log, aud_log_endpoint *ep, int err) {
  char report[256];
  aud_error_t code = aud_error_from_system_error(err);
  if (code == AUD_ERR_NOTSOCK) {
    int fd = ep->socket;
    // The socket is no use any more: close the endpoint first so that the
    // report cannot come back to it.
    endpoint_close(ep);
    int n = snprintf(report, sizeof report,
                     "aud_log: bad network logging socket %d - network logging disabled: %s (%d)",
                     fd, strerror(err), err);
    emit(log, AUD_LOGLEVEL_ERROR, nullptr, report,
         std::min(static_cast<size_t>(std::max(n, 0)), sizeof report - 1));
    return;
  }
  char addr[INET_ADDRSTRLEN] = "?";
  inet_ntop(AF_INET, &ep->addr.addr.inet.sin_addr, addr, sizeof addr);
  int n = snprintf(report, sizeof report, "aud_log: network logging to %s (fd %d) failed: %s (%d)",
                   addr, ep->socket, strerror(err), err);
  ep->suspended = AUD_TRUE;
  emit(log, AUD_LOGLEVEL_NOTICE, nullptr, report,
       std::min(static_cast<size_t>(std::max(n, 0)), sizeof report - 1));
  ep->suspended = AUD_FALSE;
}

void write_socket(aud_log_t *log, const char *ts, aud_loglevel_t level, const char *msg,
                  size_t len) {
  char dgram[AUD_LOG_DATAGRAM_MAX];
  for (aud_log_endpoint &ep : log->_socket) {
    if (ep.socket < 0 || ep.suspended) {
      continue;
    }
    size_t head = 0;
    if (ts) {
      memcpy(dgram, ts, AUD_LOG_TIMESTAMP_LENGTH);
      dgram[AUD_LOG_TIMESTAMP_LENGTH] = ' ';
      head = AUD_LOG_TIMESTAMP_LENGTH + 1;
    }
    dgram[head++] = aud_loglevel_to_string(level)[0];
    dgram[head++] = ' ';
    size_t done = 0;
    bool first = true;
    while (first || done < len) {
      size_t room = sizeof dgram - head;
      size_t take = std::min(room, len - done);
      memcpy(dgram + head, msg + done, take);
      ssize_t sent = sendto(ep.socket, dgram, head + take, MSG_NOSIGNAL, &ep.addr.addr.generic,
                            ep.addr.len ? ep.addr.len : sizeof(sockaddr_in));
      if (sent < 0) {
        report_send_failure(log, &ep, errno);
        break;
      }
      done += take;
      head = 0;
      first = false;
    }
  }
}

void emit(aud_log_t *log, aud_loglevel_t level, const aud_utime_t *time, const char *msg,
          size_t len) {
  // Rendering the time costs more than the rest of a short message, so only
  // do it when a destination that takes this message wants it.
  uint32_t reached = 0;
  for (unsigned type = 0; type < AUD_NUM_LOGTYPES; ++type) {
    if (reaches(log, static_cast<aud_logtype_t>(type), level)) {
      reached |= 1u << type;
    }
  }
  char ts[AUD_LOG_TIMESTAMP_LENGTH + 1];
  if (log->_timestamping & reached) {
    render_timestamp(time, ts);
  }
  auto stamp = [&](uint32_t mask) -> const char * {
    return (log->_timestamping & mask) ? ts : nullptr;
  };
  if (reaches(log, AUD_LOGTYPE_STDOUT, level)) {
    write_stream(stdout, stamp(AUD_LOGMASK_STDOUT), level, msg, len);
  }
  if (reaches(log, AUD_LOGTYPE_STDERR, level)) {
    write_stream(stderr, stamp(AUD_LOGMASK_STDERR), level, msg, len);
  }
  if (log->_stream._fp && reaches(log, AUD_LOGTYPE_STREAM, level)) {
    write_stream(log->_stream._fp, stamp(AUD_LOGMASK_STREAM), level, msg, len);
  }
  if (reaches(log, AUD_LOGTYPE_SOCKET, level)) {
    write_socket(log, stamp(AUD_LOGMASK_SOCKET), level, msg, len);
  }
  if (reaches(log, AUD_LOGTYPE_SYSTEM, level)) {
    syslog(syslog_priority(level), "%s %.*s", aud_loglevel_to_string(level), static_cast<int>(len),
           msg);
  }
  if (log->custom.fn && reaches(log, AUD_LOGTYPE_CUSTOM, level)) {
    log->custom.fn(log, stamp(AUD_LOGMASK_CUSTOM), level, msg, len);
  }
}

// Level 0 means "no message": a destination threshold of 0 switches that
// destination off, so nothing at level 0 may pass either.
bool passes(const aud_log_t *log, aud_loglevel_t level) {
  return log && level != AUD_LOGLEVEL_NONE && level <= log->_threshold;
}

bool ensure_buffer(aud_log_t *log) {
  if (log->_buf) {
    return true;
  }
  size_t size = log->_buflen ? log->_buflen : AUD_LOG_DEFAULT_BUFSIZE;
  log->_buf = static_cast<char *>(malloc(size));
  if (!log->_buf) {
    return false;
  }
  log->_buflen = size;
  log->_buf_external = AUD_FALSE;
  return true;
}

void vlog_at(aud_log_t *log, aud_loglevel_t level, const aud_utime_t *time, const char *format,
             va_list args) {
  if (!passes(log, level) || !format || !ensure_buffer(log)) {
    return;
  }
  int n = vsnprintf(log->_buf, log->_buflen, format, args);
  if (n <= 0) {
    return;
  }
  size_t len = std::min(static_cast<size_t>(n), log->_buflen - 1);
  emit(log, level, time, log->_buf, len);
}

}  // namespace

aud_error_t aud_log_new(aud_log_t **log) {
  if (!log) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  aud_log_t *l = static_cast<aud_log_t *>(calloc(1, sizeof(aud_log_t)));
  if (!l) {
    return AUD_ERR_NOMEMORY;
  }
  l->_timestamping = AUD_LOGMASK_STDOUT | AUD_LOGMASK_STDERR | AUD_LOGMASK_STREAM;
  for (aud_log_endpoint &ep : l->_socket) {
    ep.socket = -1;
  }
  *log = l;
  return AUD_SUCCESS;
}

void aud_log_delete(aud_log_t *log) {
  if (!log) {
    return;
  }
  for (aud_log_endpoint &ep : log->_socket) {
    endpoint_close(&ep);
  }
  if (!log->_buf_external) {
    free(log->_buf);
  }
  free(log);
}

aud_error_t aud_log_set_name(aud_log_t *log, const char *name) {
  if (!log) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  if (!name) {
    log->name[0] = '\0';
    return AUD_SUCCESS;
  }
  size_t n = strnlen(name, sizeof log->name - 1);
  memcpy(log->name, name, n);
  log->name[n] = '\0';
  return AUD_SUCCESS;
}

aud_error_t aud_log_set_threshold(aud_log_t *log, aud_logtype_t logtype, aud_loglevel_t level) {
  if (!log || !valid_logtype(logtype)) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  log->_thresholds[logtype] = level;
  recompute_threshold(log);
  return AUD_SUCCESS;
}

aud_error_t aud_log_set_all_thresholds(aud_log_t *log, aud_loglevel_t level) {
  if (!log) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  for (aud_loglevel_t &t : log->_thresholds) {
    t = level;
  }
  recompute_threshold(log);
  return AUD_SUCCESS;
}

aud_loglevel_t aud_log_get_threshold(const aud_log_t *log, aud_logtype_t logtype) {
  if (!log || !valid_logtype(logtype)) {
    return AUD_LOGLEVEL_NONE;
  }
  return log->_thresholds[logtype];
}

aud_error_t aud_log_set_timestamping(aud_log_t *log, aud_logtype_t logtype, aud_bool_t on) {
  if (!log || !valid_logtype(logtype)) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  uint32_t bit = 1u << logtype;
  if (on) {
    log->_timestamping |= bit;
  } else {
    log->_timestamping &= ~bit;
  }
  return AUD_SUCCESS;
}

aud_error_t aud_log_set_all_timestamping(aud_log_t *log, aud_bool_t on) {
  if (!log) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  log->_timestamping = on ? AUD_LOGMASK_ALL : 0;
  return AUD_SUCCESS;
}

aud_error_t aud_log_set_stream(aud_log_t *log, FILE *fp) {
  if (!log) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  log->_stream._fp = fp;
  return AUD_SUCCESS;
}

aud_error_t aud_log_set_sockaddr(aud_log_t *log, const aud_sockaddr_t *addr) {
  return aud_log_set_sockaddr_by_endpoint(log, addr, 0);
}

aud_error_t aud_log_set_sockaddr_by_endpoint(aud_log_t *log, const aud_sockaddr_t *addr,
                                             unsigned endpoint) {
  if (!log || endpoint >= AUD_LOG_NUM_ENDPOINTS) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  aud_log_endpoint *ep = &log->_socket[endpoint];
  if (!addr) {
    endpoint_close(ep);
    memset(&ep->addr, 0, sizeof ep->addr);
    return AUD_SUCCESS;
  }
  if (addr->addr.generic.sa_family != AF_INET) {
    return AUD_ERR_AFNOSUPPORT;
  }
  int s = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (s < 0) {
    return aud_error_from_system_error(errno);
  }
  endpoint_close(ep);
  ep->addr = *addr;
  ep->addr.len = sizeof(sockaddr_in);
  ep->socket = s;
  endpoint_apply_multicast_interface(ep);
  return AUD_SUCCESS;
}

aud_error_t aud_log_set_multicast_interface(aud_log_t *log, const aud_interface_t *iface) {
  if (!log) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  for (aud_log_endpoint &ep : log->_socket) {
    if (iface) {
      ep.iface = *iface;
    } else {
      memset(&ep.iface, 0, sizeof ep.iface);
    }
    endpoint_apply_multicast_interface(&ep);
  }
  return AUD_SUCCESS;
}

aud_error_t aud_log_set_custom_fn(aud_log_t *log, aud_log_custom_fn fn) {
  if (!log) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  log->custom.fn = fn;
  return AUD_SUCCESS;
}

aud_error_t aud_log_set_custom_context(aud_log_t *log, void *context) {
  if (!log) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  log->custom.context = context;
  return AUD_SUCCESS;
}

void *aud_log_get_custom_context(const aud_log_t *log) {
  return log ? log->custom.context : nullptr;
}

aud_error_t aud_log_set_bufsize(aud_log_t *log, size_t size) {
  if (!log) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  if (size < AUD_LOG_MIN_BUFSIZE || size > AUD_LOG_MAX_BUFSIZE) {
    return AUD_ERR_RANGE;
  }
  if (!log->_buf_external) {
    free(log->_buf);
  }
  log->_buf = nullptr;
  log->_buf_external = AUD_FALSE;
  log->_buflen = size;
  return AUD_SUCCESS;
}

aud_error_t aud_log_set_external_buf(aud_log_t *log, char *buf, size_t len) {
  if (!log) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  if (buf && len < AUD_LOG_MIN_BUFSIZE) {
    return AUD_ERR_RANGE;
  }
  if (!log->_buf_external) {
    free(log->_buf);
  }
  if (buf) {
    log->_buf = buf;
    log->_buflen = len;
    log->_buf_external = AUD_TRUE;
  } else {
    log->_buf = nullptr;
    log->_buflen = AUD_LOG_DEFAULT_BUFSIZE;
    log->_buf_external = AUD_FALSE;
  }
  return AUD_SUCCESS;
}

const char *aud_loglevel_to_string(aud_loglevel_t level) {
  return k_level_strings[std::min<aud_loglevel_t>(level, AUD_LOGLEVEL_UNDEF)];
}

aud_loglevel_t aud_loglevel_from_string(const char *text) {
  if (!text) {
    return AUD_LOGLEVEL_UNDEF;
  }
  if (isdigit(static_cast<unsigned char>(text[0]))) {
    errno = 0;
    unsigned long v = strtoul(text, nullptr, 10);
    if (errno != 0 || v > AUD_LOGLEVEL_VERBOSE) {
      return AUD_LOGLEVEL_UNDEF;
    }
    return static_cast<aud_loglevel_t>(v);
  }
  for (aud_loglevel_t l = 0; l <= AUD_LOGLEVEL_VERBOSE; ++l) {
    if (strcasecmp(text, k_level_strings[l]) == 0) {
      return l;
    }
  }
  return AUD_LOGLEVEL_UNDEF;
}

void aud_vlog(aud_log_t *log, aud_loglevel_t level, const char *format, va_list args) {
  vlog_at(log, level, nullptr, format, args);
}

void aud_log(aud_log_t *log, aud_loglevel_t level, const char *format, ...) {
  if (!passes(log, level)) {
    return;
  }
  va_list args;
  va_start(args, format);
  vlog_at(log, level, nullptr, format, args);
  va_end(args);
}

void aud_log_timestamp(aud_log_t *log, aud_loglevel_t level, const aud_utime_t *time,
                       const char *format, ...) {
  if (!passes(log, level)) {
    return;
  }
  va_list args;
  va_start(args, format);
  vlog_at(log, level, time, format, args);
  va_end(args);
}

void aud_log_str(aud_log_t *log, aud_loglevel_t level, const char *text) {
  if (!passes(log, level) || !text) {
    return;
  }
  size_t limit = (log->_buflen ? log->_buflen : AUD_LOG_DEFAULT_BUFSIZE) - 1;
  size_t len = strnlen(text, limit);
  if (len == 0) {
    return;
  }
  emit(log, level, nullptr, text, len);
}
