// Wall-clock time values and their arithmetic.
#pragma once

#include <sys/time.h>

#include <ctime>

#include "platform/aud_error.h"

// Seconds and microseconds; normalised values keep tv_usec within 0..999999.
typedef struct timeval aud_utime_t;

// Seconds and nanoseconds.
struct aud_ntime {
  long tv_sec;
  long tv_nsec;
};
typedef aud_ntime aud_ntime_t;

// The current wall-clock time (gettimeofday); on failure the mapped system error
// and *t untouched.
aud_error_t aud_utime_get(aud_utime_t *t);
// *t += *d, moving whole seconds out of the microseconds.
void aud_utime_add(aud_utime_t *t, const aud_utime_t *d);
// *t -= *d, borrowing seconds while the microseconds would go negative.
void aud_utime_sub(aud_utime_t *t, const aud_utime_t *d);
// Sign tells the order: negative when a is earlier than b, 0 when equal.
long aud_utime_compare(const aud_utime_t *a, const aud_utime_t *b);
// ctime_r of *t, or of the current time when t is null (0 when the clock fails).
// buf needs at least 26 bytes. Returns buf.
char *aud_utime_ctime(const aud_utime_t *t, char *buf);

// Sleeps for *t; negative fields are AUD_ERR_INVALIDPARAMETER, an interrupted
// sleep AUD_ERR_INTERRUPTED.
aud_error_t aud_usleep(const aud_utime_t *t);
// Sleeps the seconds and the whole microseconds of *t.
aud_error_t aud_nsleep(const aud_ntime_t *t);
aud_error_t aud_ssleep(long seconds);
