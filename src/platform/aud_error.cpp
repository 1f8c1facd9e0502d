#include "platform/aud_error.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

const aud_error_map aud_error_map_table[AUD_NUM_ERRORS + 1] = {
#define AUD_ERROR_ROW_(value, id, name, desc) {value, name, desc},
    AUD_ERROR_MAP(AUD_ERROR_ROW_)
#undef AUD_ERROR_ROW_
        {0, nullptr, nullptr},
};

static_assert(sizeof(aud_error_map_table) / sizeof(aud_error_map_table[0]) == AUD_NUM_ERRORS + 1,
              "the code list and AUD_NUM_ERRORS disagree");

static const aud_error_map *find_code(aud_error_t code) {
  if (code == AUD_SUCCESS) {
    return &aud_error_map_table[0];
  }
  for (const aud_error_map *m = &aud_error_map_table[1]; m->name; ++m) {
    if (m->err == code) {
      return m;
    }
  }
  return nullptr;
}

const char *aud_error_get_name(aud_error_t code) {
  const aud_error_map *m = find_code(code);
  return m ? m->name : nullptr;
}

const char *aud_error_get_description(aud_error_t code) {
  const aud_error_map *m = find_code(code);
  return m ? m->desc : nullptr;
}

const char *aud_error_message(aud_error_t code, aud_errbuf_t errbuf) {
  if (code == AUD_SUCCESS) {
    snprintf(errbuf, AUD_ERRBUF_SIZE, "success");
  } else if (code == AUD_ERR_SYSTEM) {
    int e = errno;
    snprintf(errbuf, AUD_ERRBUF_SIZE, "System error: %s: (0x%04x)", strerror(e), (unsigned)e);
  } else {
    // An unknown code has no name or description; print "(null)" for them
    // rather than handing a null pointer to the formatter.
    const char *desc = aud_error_get_description(code);
    const char *name = aud_error_get_name(code);
    snprintf(errbuf, AUD_ERRBUF_SIZE, "%s: (0x%04x=%s)", desc ? desc : "(null)", (unsigned)code,
             name ? name : "(null)");
  }
  return errbuf;
}

namespace {
struct errno_pair {
  int sys;
  aud_error_t code;
};
// Searched in order; the first match wins.
const errno_pair k_errno_map[] = {
    {EINVAL, AUD_ERR_INVALIDPARAMETER},
    {ENOMEM, AUD_ERR_NOMEMORY},
    {EINTR, AUD_ERR_INTERRUPTED},
    {EOPNOTSUPP, AUD_ERR_NOTSUPPORTED},
    {ETIMEDOUT, AUD_ERR_TIMEDOUT},
    {EAGAIN, AUD_ERR_TIMEDOUT},
    {ENOENT, AUD_ERR_NOTFOUND},
    {ERANGE, AUD_ERR_RANGE},
    {EPERM, AUD_ERR_ACCES},
    {EACCES, AUD_ERR_ACCES},
    {EADDRINUSE, AUD_ERR_ADDRINUSE},
    {EADDRNOTAVAIL, AUD_ERR_ADDRNOTAVAIL},
    {EAFNOSUPPORT, AUD_ERR_AFNOSUPPORT},
    {EALREADY, AUD_ERR_ALREADY},
    {EEXIST, AUD_ERR_ALREADY},
    {EBADF, AUD_ERR_BADF},
    {ECONNABORTED, AUD_ERR_CONNABORTED},
    {ECONNREFUSED, AUD_ERR_CONNREFUSED},
    {ECONNRESET, AUD_ERR_CONNRESET},
    {EDESTADDRREQ, AUD_ERR_DESTADDRREQ},
    {EFAULT, AUD_ERR_FAULT},
    {EHOSTUNREACH, AUD_ERR_HOSTUNREACH},
    {EINPROGRESS, AUD_ERR_INPROGRESS},
    {EISCONN, AUD_ERR_ISCONN},
    {EMFILE, AUD_ERR_MFILE},
    {EMSGSIZE, AUD_ERR_MSGSIZE},
    {ENETDOWN, AUD_ERR_NETDOWN},
    {ENETRESET, AUD_ERR_NETRESET},
    {ENETUNREACH, AUD_ERR_NETUNREACH},
    {ENOBUFS, AUD_ERR_NOBUFS},
    {ENODATA, AUD_ERR_NODATA},
    {ENODEV, AUD_ERR_NODEV},
    {ENOPROTOOPT, AUD_ERR_NOPROTOOPT},
    {ENOTCONN, AUD_ERR_NOTCONN},
    {ENOTSOCK, AUD_ERR_NOTSOCK},
    {EPROTONOSUPPORT, AUD_ERR_PROTONOSUPPORT},
    {EPROTOTYPE, AUD_ERR_PROTOTYPE},
    {ESHUTDOWN, AUD_ERR_SHUTDOWN},
    {ESOCKTNOSUPPORT, AUD_ERR_SOCKTNOSUPPORT},
};
}  // namespace

aud_error_t aud_error_from_system_error(int errno_value) {
  if (errno_value == 0) {
    return AUD_SUCCESS;
  }
  for (const errno_pair &p : k_errno_map) {
    if (p.sys == errno_value) {
      return p.code;
    }
  }
  return AUD_ERR_SYSTEM;
}

int aud_system_error_get_last(void) { return errno; }

const char *aud_system_error_get_description(int errno_value) { return strerror(errno_value); }
