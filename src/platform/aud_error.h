// Result codes shared by every platform and API operation, and their texts.
#pragma once

#include <cstddef>
#include <cstdint>

typedef uint32_t aud_bool_t;
#define AUD_FALSE 0u
#define AUD_TRUE 1u

typedef uint32_t aud_error_t;

// The one list of result codes: value, enumerator suffix, name, description.
// The enum, the name look-up and the message table are all generated from it.
#define AUD_ERROR_MAP(X)                                                     \
  X(0, SUCCESS, "SUCCESS", "success")                                        \
  X(1, DONE, "DONE", "operation done")                                       \
  X(2, SYSTEM, "SYSTEM", "system-specific error")                            \
  X(3, INVALIDPARAMETER, "INVALIDPARAMETER", "invalid parameter")            \
  X(4, INVALIDDATA, "INVALIDDATA", "invalid data")                           \
  X(5, INVALIDSTATE, "INVALIDSTATE", "invalid state")                        \
  X(6, NOMEMORY, "NOMEMORY", "out of memory")                                \
  X(7, INTERRUPTED, "INTERRUPTED", "interrupted")                            \
  X(8, TRUNCATED, "TRUNCATED", "message truncated")                          \
  X(9, NOTSUPPORTED, "NOTSUPPORTED", "operation not supported")              \
  X(10, TIMEDOUT, "TIMEDOUT", "operation timed out")                         \
  X(11, NOTFOUND, "NOTFOUND", "object or item not found")                    \
  X(12, DNSSDFAIL, "DNSSDFAIL", "DNS-SD system failed")                      \
  X(13, RANGE, "RANGE", "data out of range")                                 \
  X(14, POLICY, "POLICY", "administrative policy violation")                 \
  X(15, VERSION, "VERSION", "unsupported version")                           \
  X(16, CANCELLED, "CANCELLED", "operation was cancelled")                   \
  X(17, CLOSING, "CLOSING", "resource is closing")                           \
  X(18, ACCES, "ACCES", "access")                                            \
  X(19, ADDRINUSE, "ADDRINUSE", "address in use")                            \
  X(20, ADDRNOTAVAIL, "ADDRNOTAVAIL", "address not available")               \
  X(21, AFNOSUPPORT, "AFNOSUPPORT", "address family not supported")          \
  X(22, ALREADY, "ALREADY", "operation already in progress")                 \
  X(23, BADF, "BADF", "bad file")                                            \
  X(24, CONNABORTED, "CONNABORTED", "connection aborted")                    \
  X(25, CONNREFUSED, "CONNREFUSED", "connection refused")                    \
  X(26, CONNRESET, "CONNRESET", "connection reset")                          \
  X(27, DESTADDRREQ, "DESTADDRREQ", "destination address required")          \
  X(28, FAULT, "FAULT", "fault")                                             \
  X(29, HOSTUNREACH, "HOSTUNREACH", "host unreachable")                      \
  X(30, INPROGRESS, "INPROGRESS", "operation in progress")                   \
  X(31, ISCONN, "ISCONN", "socket already connected")                        \
  X(32, MFILE, "MFILE", "too many open files")                               \
  X(33, MSGSIZE, "MSGSIZE", "message too long")                              \
  X(34, NETDOWN, "NETDOWN", "network down")                                  \
  X(35, NETRESET, "NETRESET", "network reset")                               \
  X(36, NETUNREACH, "NETUNREACH", "network unreachable")                     \
  X(37, NOBUFS, "NOBUFS", "no buffers")                                      \
  X(38, NODATA, "NODATA", "no data")                                         \
  X(39, NODEV, "NODEV", "no such device")                                    \
  X(40, NOPROTOOPT, "NOPROTOOPT", "protocol not available")                  \
  X(41, NORECOVERY, "NORECOVERY", "non-recoverable error")                   \
  X(42, NOTCONN, "NOTCONN", "not connected")                                 \
  X(43, NOTINITIALISED, "NOTINITIALISED", "not initialised")                 \
  X(44, NOTSOCK, "NOTSOCK", "not a socket")                                  \
  X(45, PROTONOSUPPORT, "PROTONOSUPPORT", "unsupported protocol")            \
  X(46, PROTOTYPE, "PROTOTYPE", "wrong protocol type for socket")            \
  X(47, SHUTDOWN, "SHUTDOWN", "socket has shut down")                        \
  X(48, SOCKTNOSUPPORT, "SOCKTNOSUPPORT", "socket type not supported")       \
  X(49, TRYAGAIN, "TRYAGAIN", "try again")                                   \
  X(50, NOTRUNNING, "NOTRUNNING", "not running")                             \
  X(51, BANDWIDTH_EXCEEDED, "BANDWIDTH_EXCEEDED", "bandwidth exceeded")

enum : aud_error_t {
  AUD_SUCCESS = 0,
#define AUD_ERROR_ENUM_(value, id, name, desc) AUD_ERR_##id = value,
  AUD_ERROR_MAP(AUD_ERROR_ENUM_)
#undef AUD_ERROR_ENUM_
  AUD_NUM_ERRORS = 52
};

// One record of the code table; the table ends with a record whose name is null.
struct aud_error_map {
  aud_error_t err;
  const char *name;
  const char *desc;
};

// The whole table, AUD_NUM_ERRORS records plus the closing null record.
extern const aud_error_map aud_error_map_table[AUD_NUM_ERRORS + 1];

#define AUD_ERRBUF_SIZE 513
typedef char aud_errbuf_t[AUD_ERRBUF_SIZE];

// The code's name ("TIMEDOUT"), or null for a code outside the table.
const char *aud_error_get_name(aud_error_t code);
// The code's description ("operation timed out"), or null for an unknown code.
const char *aud_error_get_description(aud_error_t code);
// Renders the code into errbuf and returns errbuf. AUD_ERR_SYSTEM reads the
// current errno. The text is cut to fit.
const char *aud_error_message(aud_error_t code, aud_errbuf_t errbuf);

// Maps an errno value onto a result code: 0 -> AUD_SUCCESS, unlisted -> AUD_ERR_SYSTEM.
aud_error_t aud_error_from_system_error(int errno_value);
// The current errno.
int aud_system_error_get_last(void);
// strerror() of the value.
const char *aud_system_error_get_description(int errno_value);
