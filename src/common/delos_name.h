// Delos names: the validity rules for device, channel and label names, and the
// bounded copies and comparisons used wherever such a name is set or compared.
#pragma once

#include <cstddef>

#include "platform/aud_error.h"

// A name field: 32 bytes, at most 31 characters and a terminator.
#define DELOS_NAME_SIZE 32
#define DELOS_NAME_MAX_LENGTH (DELOS_NAME_SIZE - 1)
typedef char delos_name_t[DELOS_NAME_SIZE];

// The field delos_name_copy writes: 33 bytes, up to 32 characters.
#define DELOS_NAME_COPY_SIZE 33
// The field of an advertised (DNS-SD) name: 40 bytes.
#define DELOS_ADVERTISED_NAME_SIZE 40

// True for 1 to 31 ASCII letters, digits and "-", beginning and ending with a
// letter or digit; false for null.
aud_bool_t delos_name_is_valid_device_name(const char *name);
// True for 1 to 31 characters containing none of "=", "@" and "."; false for
// null or empty.
aud_bool_t delos_name_is_valid_channel_or_label_name(const char *name);
// Equality ignoring ASCII case; the same pointer (also two nulls) is equal,
// one null is not.
aud_bool_t delos_name_equals(const char *a, const char *b);

// Copies src into dst (DELOS_NAME_COPY_SIZE bytes). A name longer than 32
// characters is cut to 32 with AUD_ERR_TRUNCATED; one containing ".", "=" or
// "@" leaves dst empty with AUD_ERR_INVALIDDATA; a null src gives an empty dst
// and AUD_SUCCESS; a null dst is AUD_ERR_INVALIDPARAMETER.
aud_error_t delos_name_copy(char *dst, const char *src);
// Copies an advertised name into dst (DELOS_ADVERTISED_NAME_SIZE bytes), cut to
// fit with AUD_ERR_TRUNCATED; null or empty src gives an empty dst. A null dst
// is AUD_ERR_INVALIDPARAMETER.
aud_error_t delos_advertised_name_copy(char *dst, const char *src);
// Sets the name field dst (DELOS_NAME_SIZE bytes) to src, cut at 31 characters,
// unless it already equals that ignoring case; null or empty src clears the
// field. Returns 1 when the field changed, else 0 (also for a null dst).
int delos_name_update(char *dst, const char *src);
