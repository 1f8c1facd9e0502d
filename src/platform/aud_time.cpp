#include "platform/aud_time.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

aud_error_t aud_utime_get(aud_utime_t *t) {
  if (!t) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  aud_utime_t now{};
  if (gettimeofday(&now, nullptr) != 0) {
    return aud_error_from_system_error(errno);
  }
  *t = now;
  return AUD_SUCCESS;
}

void aud_utime_add(aud_utime_t *t, const aud_utime_t *d) {
  t->tv_sec += d->tv_sec;
  t->tv_usec += d->tv_usec;
  while (t->tv_usec > 999999) {
    t->tv_sec += 1;
    t->tv_usec -= 1000000;
  }
}

void aud_utime_sub(aud_utime_t *t, const aud_utime_t *d) {
  while (t->tv_usec < d->tv_usec) {
    t->tv_sec -= 1;
    t->tv_usec += 1000000;
  }
  t->tv_sec -= d->tv_sec;
  t->tv_usec -= d->tv_usec;
}

long aud_utime_compare(const aud_utime_t *a, const aud_utime_t *b) {
  if (a->tv_sec != b->tv_sec) {
    return a->tv_sec < b->tv_sec ? -1 : 1;
  }
  if (a->tv_usec != b->tv_usec) {
    return a->tv_usec < b->tv_usec ? -1 : 1;
  }
  return 0;
}

char *aud_utime_ctime(const aud_utime_t *t, char *buf) {
  time_t secs = 0;
  if (t) {
    secs = t->tv_sec;
  } else {
    aud_utime_t now{};
    if (aud_utime_get(&now) == AUD_SUCCESS) {
      secs = now.tv_sec;
    }
  }
  return ctime_r(&secs, buf);
}

aud_error_t aud_usleep(const aud_utime_t *t) {
  if (!t || t->tv_sec < 0 || t->tv_usec < 0) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  if (t->tv_sec > 0 && sleep((unsigned)t->tv_sec) != 0) {
    return AUD_ERR_INTERRUPTED;
  }
  if (t->tv_usec > 0) {
    struct timespec ts = {t->tv_usec / 1000000, (t->tv_usec % 1000000) * 1000};
    if (nanosleep(&ts, nullptr) != 0) {
      return AUD_ERR_INTERRUPTED;
    }
  }
  return AUD_SUCCESS;
}

aud_error_t aud_nsleep(const aud_ntime_t *t) {
  if (!t) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  aud_utime_t u;
  u.tv_sec = t->tv_sec;
  u.tv_usec = t->tv_nsec / 1000;
  return aud_usleep(&u);
}

aud_error_t aud_ssleep(long seconds) {
  aud_utime_t u;
  u.tv_sec = seconds;
  u.tv_usec = 0;
  return aud_usleep(&u);
}
