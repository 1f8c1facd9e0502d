#include "common/dt_log.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <syslog.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/aud_time.h"

namespace {

const char *const k_log_txt[] = {"No error",       "Debug",       "Info",
                                 "Notice",         "Warning",     "Error",
                                 "Critical error", "Fatal error", "Undefined error"};

const int k_log_syslog[] = {LOG_INFO, LOG_DEBUG, LOG_INFO,  LOG_NOTICE, LOG_WARNING,
                            LOG_ERR,  LOG_CRIT,  LOG_ALERT, LOG_ERR};

constexpr uint32_t k_stream_bits = DT_LOG_TO_STDOUT | DT_LOG_TO_STDERR | DT_LOG_TO_STREAM;

constexpr dt_log_settings make_initial() {
  dt_log_settings s{};
  s._to = DT_LOG_TO_STDERR;
  s._threshold = DT_LOG_WARN;
  s._stream._threshold = DT_LOG_WARN;
  s._stream._timestamp = true;
  s._socket._threshold = DT_LOG_INFO;
  s._socket._timestamp = false;
  s._socket._s = -1;
  return s;
}

// Constant-initialised, so a log call from another file's static constructor
// already sees the initial settings.
constinit dt_log_settings log_settings = make_initial();

void recompute_threshold() {
  dt_log_settings &s = log_settings;
  if ((s._to & DT_LOG_TO_ALL) == 0) {
    s._threshold = DT_LOG_UNDEF;
  } else if (s._to & DT_LOG_TO_SYSLOG) {
    s._threshold = DT_LOG_NONE;
  } else {
    dt_loglevel_t t = DT_LOG_UNDEF;
    if (s._to & k_stream_bits) {
      t = s._stream._threshold;
    }
    if ((s._to & DT_LOG_TO_SOCKET) && s._socket._threshold < t) {
      t = s._socket._threshold;
    }
    s._threshold = t;
  }
}

unsigned level_index(dt_loglevel_t level) {
  return std::min(static_cast<unsigned>(level), static_cast<unsigned>(DT_LOG_UNDEF));
}

void render_timestamp(char out[DT_LOG_TIMESTAMP_LENGTH + 1]) {
  char ct[32];
  aud_utime_ctime(nullptr, ct);
  if (strnlen(ct, sizeof ct) < 4 + DT_LOG_TIMESTAMP_LENGTH) {
    memset(out, ' ', DT_LOG_TIMESTAMP_LENGTH);
  } else {
    memcpy(out, ct + 4, DT_LOG_TIMESTAMP_LENGTH);
  }
  out[DT_LOG_TIMESTAMP_LENGTH] = '\0';
}

void write_stream(FILE *fp, const char *ts, dt_loglevel_t level, const char *msg, size_t len) {
  if (ts) {
    fputs(ts, fp);
    fputc(' ', fp);
  }
  fprintf(fp, "%s: ", dt_loglevel_to_str(level));
  fwrite(msg, 1, len, fp);
  if (len == 0 || msg[len - 1] != '\n') {
    fputc('\n', fp);
  }
  fflush(fp);
}

void socket_close() {
  if (log_settings._socket._s >= 0) {
    close(log_settings._socket._s);
  }
  log_settings._socket._s = -1;
}

void write_socket(const char *ts, dt_loglevel_t level, const char *msg, size_t len) {
  dt_log_settings &s = log_settings;
  if (s._socket._s < 0 || s._socket._in_sock_log) {
    return;
  }
  char text[DT_LOG_SOCKET_TEXT_MAX + 1];
  int n = snprintf(text, sizeof text, "%s%s%c %.*s", ts ? ts : "", ts ? " " : "",
                   dt_loglevel_to_str(level)[0],
                   static_cast<int>(std::min<size_t>(len, DT_LOG_SOCKET_TEXT_MAX)), msg);
  if (n <= 0) {
    return;
  }
  size_t total = std::min(static_cast<size_t>(n), sizeof text - 1);
  for (size_t done = 0; done < total;) {
    size_t take = std::min<size_t>(DT_LOG_DATAGRAM_MAX, total - done);
    if (sendto(s._socket._s, text + done, take, MSG_NOSIGNAL, &s._socket._addr.addr.generic,
               sizeof(sockaddr_in)) < 0) {
      int err = errno;
      // The flag keeps the report of this failure from coming back here.
      s._socket._in_sock_log = true;
      dt_log(DT_LOG_NOTICE, "%s: network logging failed: %s (%d)", "log_socket", strerror(err),
             err);
      s._socket._in_sock_log = false;
      return;
    }
    done += take;
  }
}

void emit(dt_loglevel_t level, const char *msg, size_t len) {
  dt_log_settings &s = log_settings;
  char ts[DT_LOG_TIMESTAMP_LENGTH + 1] = "";
  if (s._stream._timestamp || s._socket._timestamp) {
    render_timestamp(ts);
  }
  const char *stream_ts = s._stream._timestamp ? ts : nullptr;
  bool stream_level = level >= s._stream._threshold;
  if ((s._to & DT_LOG_TO_STDOUT) && stream_level) {
    write_stream(stdout, stream_ts, level, msg, len);
  }
  if ((s._to & DT_LOG_TO_STDERR) && stream_level) {
    write_stream(stderr, stream_ts, level, msg, len);
  }
  if ((s._to & DT_LOG_TO_STREAM) && s._stream._fp && stream_level) {
    write_stream(s._stream._fp, stream_ts, level, msg, len);
  }
  if (s._to & DT_LOG_TO_SYSLOG) {
    syslog(k_log_syslog[level_index(level)], "%.*s", static_cast<int>(len), msg);
  }
  if ((s._to & DT_LOG_TO_SOCKET) && level >= s._socket._threshold) {
    write_socket(s._socket._timestamp ? ts : nullptr, level, msg, len);
  }
}

}  // namespace

void dt_vlog(dt_loglevel_t level, const char *format, va_list args) {
  if (level < log_settings._threshold || !format) {
    return;
  }
  dt_log_settings &s = log_settings;
  if (s._tbuf.buf && s._tbuf.size > 0) {
    int n = vsnprintf(s._tbuf.buf, s._tbuf.size, format, args);
    if (n > 0) {
      emit(level, s._tbuf.buf, std::min(static_cast<size_t>(n), s._tbuf.size - 1));
    }
    return;
  }
  char *text = nullptr;
  int n = vasprintf(&text, format, args);
  if (n > 0) {
    emit(level, text, static_cast<size_t>(n));
  }
  if (n >= 0) {
    free(text);
  }
}

void dt_log(dt_loglevel_t level, const char *format, ...) {
  if (level < log_settings._threshold) {
    return;
  }
  va_list args;
  va_start(args, format);
  dt_vlog(level, format, args);
  va_end(args);
}

void dt_log_str(dt_loglevel_t level, const char *text) {
  if (level < log_settings._threshold || !text || !*text) {
    return;
  }
  emit(level, text, strlen(text));
}

uint32_t dt_logto(uint32_t mask) {
  uint32_t old = log_settings._to;
  log_settings._to = mask & DT_LOG_TO_ALL;
  recompute_threshold();
  return old;
}

void dt_log_set_stream_threshold(dt_loglevel_t level) {
  log_settings._stream._threshold = level;
  recompute_threshold();
}

void dt_log_set_stream_timestamp(bool on) { log_settings._stream._timestamp = on; }

void dt_log_set_stream(FILE *fp) { log_settings._stream._fp = fp; }

void dt_log_set_socket_threshold(dt_loglevel_t level) {
  log_settings._socket._threshold = level;
  recompute_threshold();
}

void dt_log_set_socket_timestamp(bool on) { log_settings._socket._timestamp = on; }

aud_error_t dt_log_set_socket(const aud_sockaddr_t *addr, const char *iface_name) {
  dt_log_settings &s = log_settings;
  if (!addr) {
    socket_close();
    memset(&s._socket._addr, 0, sizeof s._socket._addr);
    s._socket._iface_name[0] = '\0';
    return AUD_SUCCESS;
  }
  if (addr->addr.generic.sa_family != AF_INET) {
    return AUD_ERR_AFNOSUPPORT;
  }
  if (iface_name && strnlen(iface_name, DT_LOG_IFACE_NAME_SIZE) >= DT_LOG_IFACE_NAME_SIZE) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    return aud_error_from_system_error(errno);
  }
  if (iface_name && *iface_name) {
    ip_mreqn req;
    memset(&req, 0, sizeof req);
    req.imr_ifindex = static_cast<int>(if_nametoindex(iface_name));
    if (req.imr_ifindex == 0 ||
        setsockopt(fd, IPPROTO_IP, IP_MULTICAST_IF, &req, sizeof req) != 0) {
      aud_error_t r = req.imr_ifindex == 0 ? AUD_ERR_NOTFOUND : aud_error_from_system_error(errno);
      close(fd);
      return r;
    }
  }
  socket_close();
  s._socket._s = fd;
  s._socket._addr = *addr;
  s._socket._addr.len = sizeof(sockaddr_in);
  size_t n = iface_name ? strnlen(iface_name, DT_LOG_IFACE_NAME_SIZE - 1) : 0;
  if (n) {
    memcpy(s._socket._iface_name, iface_name, n);
  }
  s._socket._iface_name[n] = '\0';
  return AUD_SUCCESS;
}

void dt_log_set_buffer(char *buf, size_t size) {
  log_settings._tbuf.buf = size ? buf : nullptr;
  log_settings._tbuf.size = buf ? size : 0;
}

void dt_log_reset(void) {
  socket_close();
  log_settings = make_initial();
}

const dt_log_settings *dt_log_get_settings(void) { return &log_settings; }

const char *dt_loglevel_to_str(dt_loglevel_t level) { return k_log_txt[level_index(level)]; }
