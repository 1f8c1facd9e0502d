#include "platform/aud_socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <net/if.h>
#include <sys/select.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

aud_error_t last_error() { return aud_error_from_system_error(errno); }

// Copies at most len-1 characters and terminates (len > 0).
void bounded_copy(char *dst, size_t len, const char *src) {
  if (len == 0) {
    return;
  }
  size_t n = strnlen(src, len - 1);
  memcpy(dst, src, n);
  dst[n] = '\0';
}

bool is_inet(const aud_sockaddr_t *a) {
  return a && a->addr.generic.sa_family == AF_INET && a->len >= sizeof(struct sockaddr_in);
}

bool is_unix(const aud_sockaddr_t *a) { return a && a->addr.generic.sa_family == AF_UNIX; }

uint8_t unix_len(const char *path) {
  return static_cast<uint8_t>(offsetof(struct sockaddr_un, sun_path) + strlen(path) + 1);
}

int system_family(int af) {
  switch (af) {
    case AUD_AF_INET:
      return AF_INET;
    case AUD_AF_UNIX:
      return AF_UNIX;
    default:
      return -1;
  }
}

aud_error_t set_int_option(aud_socket_t s, int level, int name, int value) {
  if (s < 0) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  if (setsockopt(s, level, name, &value, sizeof value) != 0) {
    return last_error();
  }
  return AUD_SUCCESS;
}

aud_error_t get_int_option(aud_socket_t s, int level, int name, int *value) {
  if (s < 0 || !value) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  int v = 0;
  socklen_t len = sizeof v;
  if (getsockopt(s, level, name, &v, &len) != 0) {
    return last_error();
  }
  *value = v;
  return AUD_SUCCESS;
}

// Reads the kernel's view of an address into *out, mapping unsupported families to
// an all-zero address.
void from_system(aud_sockaddr_t *out, const struct sockaddr *sa, socklen_t len) {
  if (aud_sockaddr_init_struct_sockaddr(out, sa, len) != AUD_SUCCESS) {
    aud_sockaddr_init_null(out);
  }
}

aud_error_t membership(aud_socket_t s, const aud_sockaddr_t *group, uint32_t ifindex, int op) {
  if (s < 0 || !is_inet(group) || !aud_sockaddr_is_multicast(group)) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  struct ip_mreqn mreq {};
  mreq.imr_multiaddr = group->addr.inet.sin_addr;
  mreq.imr_address.s_addr = htonl(INADDR_ANY);
  mreq.imr_ifindex = static_cast<int>(ifindex);
  if (setsockopt(s, IPPROTO_IP, op, &mreq, sizeof mreq) != 0) {
    return last_error();
  }
  return AUD_SUCCESS;
}

aud_error_t recv_flags(aud_socket_t s, void *buf, size_t *len, int flags, aud_sockaddr_t *from) {
  if (s < 0 || !buf || !len) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  struct sockaddr_un storage {};
  socklen_t slen = sizeof storage;
  ssize_t n = recvfrom(s, buf, *len, flags, reinterpret_cast<struct sockaddr *>(&storage),
                       from ? &slen : nullptr);
  if (n < 0) {
    return last_error();
  }
  *len = static_cast<size_t>(n);
  if (from) {
    from_system(from, reinterpret_cast<struct sockaddr *>(&storage), slen);
  }
  return AUD_SUCCESS;
}

aud_error_t send_flags(aud_socket_t s, const void *buf, size_t *len, int flags,
                       const aud_sockaddr_t *to) {
  if (s < 0 || (!buf && len && *len) || !len) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  ssize_t n = to ? sendto(s, buf, *len, flags | MSG_NOSIGNAL, &to->addr.generic, to->len)
                 : send(s, buf, *len, flags | MSG_NOSIGNAL);
  if (n < 0) {
    return last_error();
  }
  *len = static_cast<size_t>(n);
  return AUD_SUCCESS;
}

aud_error_t new_datagram_for(aud_socket_t *s, const aud_sockaddr_t *addr) {
  if (!s || !addr || *s >= 0) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  if (is_unix(addr)) {
    return aud_socket_init_datagram(s, AUD_AF_UNIX);
  }
  if (is_inet(addr)) {
    return aud_socket_init_datagram(s, AUD_AF_INET);
  }
  return AUD_ERR_AFNOSUPPORT;
}

}  // namespace

// ---------------------------------------------------------------------------------
// Addresses.

void aud_sockaddr_init_null(aud_sockaddr_t *a) {
  if (a) {
    memset(a, 0, sizeof *a);
  }
}

void aud_sockaddr_init_unspec(aud_sockaddr_t *a) {
  if (a) {
    memset(a, 0, sizeof *a);
    a->addr.generic.sa_family = AF_UNSPEC;
    a->len = sizeof(struct sockaddr);
  }
}

aud_error_t aud_sockaddr_init(aud_sockaddr_t *a, int af) {
  if (!a) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  if (af == AUD_AF_INET) {
    aud_sockaddr_init_inet(a, htonl(INADDR_ANY), 0);
    return AUD_SUCCESS;
  }
  if (af == AUD_AF_UNIX) {
    memset(a, 0, sizeof *a);
    a->addr.un.sun_family = AF_UNIX;
    a->len = unix_len("");
    return AUD_SUCCESS;
  }
  return AUD_ERR_AFNOSUPPORT;
}

void aud_sockaddr_init_inet(aud_sockaddr_t *a, uint32_t addr_netorder, uint16_t port) {
  if (!a) {
    return;
  }
  memset(a, 0, sizeof *a);
  a->addr.inet.sin_family = AF_INET;
  a->addr.inet.sin_addr.s_addr = addr_netorder;
  a->addr.inet.sin_port = htons(port);
  a->len = sizeof(struct sockaddr_in);
}

void aud_sockaddr_init_inaddr(aud_sockaddr_t *a, struct in_addr addr, uint16_t port) {
  aud_sockaddr_init_inet(a, addr.s_addr, port);
}

void aud_sockaddr_init_loopback(aud_sockaddr_t *a, uint16_t port) {
  aud_sockaddr_init_inet(a, htonl(INADDR_LOOPBACK), port);
}

aud_error_t aud_sockaddr_init_struct_sockaddr(aud_sockaddr_t *a, const struct sockaddr *sa,
                                              socklen_t len) {
  if (!a || !sa || len < sizeof(sa_family_t) || len > sizeof a->addr) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  aud_sockaddr_t copy{};
  memcpy(&copy.addr, sa, len);
  copy.len = static_cast<uint8_t>(len);
  if (sa->sa_family == AF_INET) {
    if (len < sizeof(struct sockaddr_in)) {
      return AUD_ERR_INVALIDPARAMETER;
    }
  } else if (sa->sa_family == AF_UNIX) {
    // An unnamed or abstract socket has no usable path; a named one must end within
    // the record so that its path can be read as text.
    const size_t path_bytes = len > offsetof(struct sockaddr_un, sun_path)
                                  ? len - offsetof(struct sockaddr_un, sun_path)
                                  : 0;
    if (len > offsetof(struct sockaddr_un, sun_path) &&
        path_bytes >= sizeof copy.addr.un.sun_path &&
        !memchr(copy.addr.un.sun_path, '\0', sizeof copy.addr.un.sun_path)) {
      return AUD_ERR_INVALIDPARAMETER;
    }
  } else {
    return AUD_ERR_AFNOSUPPORT;
  }
  *a = copy;
  return AUD_SUCCESS;
}

aud_error_t aud_sockaddr_init_unix(aud_sockaddr_t *a, const char *path) {
  return aud_sockaddr_set_unix_path(a, path);
}

aud_error_t aud_sockaddr_set_unix_path(aud_sockaddr_t *a, const char *path) {
  if (!a) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  char full[AUD_SOCKADDR_UNIX_PATH_MAX + 1];
  if (!path || !*path) {
    aud_error_t result = aud_get_unique_unix_path(full, sizeof full);
    if (result != AUD_SUCCESS) {
      return result;
    }
  } else if (path[0] == '/') {
    if (strnlen(path, sizeof full) > AUD_SOCKADDR_UNIX_PATH_MAX) {
      return AUD_ERR_TRUNCATED;
    }
    bounded_copy(full, sizeof full, path);
  } else {
    char cwd[4096];
    if (!getcwd(cwd, sizeof cwd)) {
      return last_error();
    }
    int n = snprintf(full, sizeof full, "%s/%s", cwd, path);
    if (n < 0 || static_cast<size_t>(n) > AUD_SOCKADDR_UNIX_PATH_MAX) {
      return AUD_ERR_TRUNCATED;
    }
  }
  memset(a, 0, sizeof *a);
  a->addr.un.sun_family = AF_UNIX;
  bounded_copy(a->addr.un.sun_path, sizeof a->addr.un.sun_path, full);
  a->len = unix_len(a->addr.un.sun_path);
  return AUD_SUCCESS;
}

const char *aud_sockaddr_unix_path(const aud_sockaddr_t *a) {
  return is_unix(a) ? a->addr.un.sun_path : nullptr;
}

aud_error_t aud_sockaddr_set_port(aud_sockaddr_t *a, uint16_t port) {
  if (!a) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  if (!is_inet(a)) {
    return AUD_ERR_AFNOSUPPORT;
  }
  a->addr.inet.sin_port = htons(port);
  return AUD_SUCCESS;
}

uint16_t aud_sockaddr_port(const aud_sockaddr_t *a) {
  return is_inet(a) ? ntohs(a->addr.inet.sin_port) : 0;
}

uint16_t aud_sockaddr_port_netorder(const aud_sockaddr_t *a) {
  return is_inet(a) ? a->addr.inet.sin_port : 0;
}

char *aud_sockaddr_host_str(const aud_sockaddr_t *a, char *buf, size_t len) {
  if (!buf || len == 0) {
    return buf;
  }
  buf[0] = '\0';
  if (is_inet(a)) {
    char text[INET_ADDRSTRLEN];
    if (inet_ntop(AF_INET, &a->addr.inet.sin_addr, text, sizeof text)) {
      bounded_copy(buf, len, text);
    }
  }
  return buf;
}

char *aud_sockaddr_to_string(const aud_sockaddr_t *a, char *buf, size_t len) {
  if (!buf || len == 0) {
    return buf;
  }
  buf[0] = '\0';
  if (is_inet(a)) {
    char host[INET_ADDRSTRLEN];
    aud_sockaddr_host_str(a, host, sizeof host);
    snprintf(buf, len, "%s:%u (len=%u)", host, static_cast<unsigned>(aud_sockaddr_port(a)),
             static_cast<unsigned>(a->len));
  } else if (is_unix(a)) {
    bounded_copy(buf, len, a->addr.un.sun_path);
  }
  return buf;
}

aud_bool_t aud_sockaddr_equal(const aud_sockaddr_t *a, const aud_sockaddr_t *b) {
  if (!a || !b) {
    return AUD_FALSE;
  }
  if (is_inet(a) && is_inet(b)) {
    return a->len == b->len && memcmp(&a->addr, &b->addr, a->len) == 0 ? AUD_TRUE : AUD_FALSE;
  }
  if (is_unix(a) && is_unix(b)) {
    return strncmp(a->addr.un.sun_path, b->addr.un.sun_path, sizeof a->addr.un.sun_path) == 0
               ? AUD_TRUE
               : AUD_FALSE;
  }
  return AUD_FALSE;
}

aud_bool_t aud_sockaddr_addr_equal(const aud_sockaddr_t *a, const aud_sockaddr_t *b) {
  return is_inet(a) && is_inet(b) && a->addr.inet.sin_addr.s_addr == b->addr.inet.sin_addr.s_addr
             ? AUD_TRUE
             : AUD_FALSE;
}

aud_bool_t aud_inaddr_is_multicast(struct in_addr addr) {
  return (ntohl(addr.s_addr) & 0xF0000000u) == 0xE0000000u ? AUD_TRUE : AUD_FALSE;
}

aud_bool_t aud_sockaddr_is_multicast(const aud_sockaddr_t *a) {
  return is_inet(a) && aud_inaddr_is_multicast(a->addr.inet.sin_addr) ? AUD_TRUE : AUD_FALSE;
}

aud_bool_t aud_sockaddr_is_zero_addr(const aud_sockaddr_t *a) {
  return is_inet(a) && a->addr.inet.sin_addr.s_addr == 0 ? AUD_TRUE : AUD_FALSE;
}

aud_bool_t aud_sockaddr_is_loopback(const aud_sockaddr_t *a) {
  return is_inet(a) && (ntohl(a->addr.inet.sin_addr.s_addr) >> 24) == 127 ? AUD_TRUE : AUD_FALSE;
}

aud_bool_t aud_sockaddr_is_local(const aud_sockaddr_t *a) {
  return is_unix(a) ? AUD_TRUE : AUD_FALSE;
}

aud_error_t aud_get_prefixed_unique_unix_path(char *buf, size_t len, const char *dir) {
  if (!buf || !dir) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  char path[AUD_SOCKADDR_UNIX_PATH_MAX + 1];
  int n = snprintf(path, sizeof path, "%s%s", dir, AUD_UNIQUE_UNIX_PATH_PATTERN);
  if (n < 0 || static_cast<size_t>(n) >= sizeof path || static_cast<size_t>(n) >= len) {
    return AUD_ERR_NOBUFS;
  }
  int fd = mkstemp(path);
  if (fd < 0) {
    return AUD_ERR_NODATA;
  }
  close(fd);
  memcpy(buf, path, static_cast<size_t>(n) + 1);
  return AUD_SUCCESS;
}

aud_error_t aud_get_unique_unix_path(char *buf, size_t len) {
  return aud_get_prefixed_unique_unix_path(buf, len, AUD_UNIQUE_UNIX_PATH_DIR);
}

// ---------------------------------------------------------------------------------
// Sockets.

aud_error_t aud_socket_init_datagram(aud_socket_t *s, int af) {
  if (!s || *s >= 0) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  int family = system_family(af);
  if (family < 0) {
    return AUD_ERR_AFNOSUPPORT;
  }
  int fd = socket(family, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    return last_error();
  }
  *s = fd;
  return AUD_SUCCESS;
}

aud_error_t aud_socket_close(aud_socket_t *s) {
  if (!s) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  if (*s < 0) {
    return AUD_SUCCESS;
  }
  struct sockaddr_un name {};
  socklen_t len = sizeof name;
  if (getsockname(*s, reinterpret_cast<struct sockaddr *>(&name), &len) == 0 &&
      name.sun_family == AF_UNIX && len > offsetof(struct sockaddr_un, sun_path) &&
      name.sun_path[0] != '\0') {
    char path[sizeof name.sun_path + 1];
    memcpy(path, name.sun_path, sizeof name.sun_path);
    path[sizeof name.sun_path] = '\0';
    unlink(path);
  }
  int rc = close(*s);
  *s = AUD_SOCKET_INVALID;
  return rc == 0 ? AUD_SUCCESS : last_error();
}

aud_bool_t aud_socket_is_valid(aud_socket_t s) { return s >= 0 ? AUD_TRUE : AUD_FALSE; }

aud_error_t aud_socket_pair(aud_socket_t pair[2]) {
  if (!pair) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  int fds[2];
  if (socketpair(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0, fds) != 0) {
    return last_error();
  }
  pair[0] = fds[0];
  pair[1] = fds[1];
  return AUD_SUCCESS;
}

aud_error_t aud_socket_bind(aud_socket_t s, const aud_sockaddr_t *addr) {
  if (s < 0 || !addr || addr->len == 0) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  if (is_unix(addr) && addr->addr.un.sun_path[0] != '\0') {
    unlink(addr->addr.un.sun_path);
  }
  if (bind(s, &addr->addr.generic, addr->len) != 0) {
    return last_error();
  }
  return AUD_SUCCESS;
}

aud_error_t aud_socket_bind_datagram(aud_socket_t *s, const aud_sockaddr_t *addr) {
  aud_error_t result = new_datagram_for(s, addr);
  if (result != AUD_SUCCESS) {
    return result;
  }
  result = aud_socket_bind(*s, addr);
  if (result != AUD_SUCCESS) {
    close(*s);
    *s = AUD_SOCKET_INVALID;
  }
  return result;
}

aud_error_t aud_socket_bind_auto_datagram(aud_socket_t *s, int af, aud_sockaddr_t *bound) {
  if (!s || *s >= 0) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  if (af != AUD_AF_UNIX) {
    return AUD_ERR_NOTSUPPORTED;
  }
  aud_sockaddr_t addr;
  aud_error_t result = aud_sockaddr_set_unix_path(&addr, nullptr);
  if (result != AUD_SUCCESS) {
    return result;
  }
  result = aud_socket_bind_datagram(s, &addr);
  if (result != AUD_SUCCESS) {
    unlink(addr.addr.un.sun_path);
    return result;
  }
  if (bound) {
    *bound = addr;
  }
  return AUD_SUCCESS;
}

aud_error_t aud_socket_connect(aud_socket_t s, const aud_sockaddr_t *addr) {
  if (s < 0 || !addr || addr->len == 0) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  if (connect(s, &addr->addr.generic, addr->len) != 0) {
    return last_error();
  }
  return AUD_SUCCESS;
}

aud_error_t aud_socket_connect_datagram(aud_socket_t *s, const aud_sockaddr_t *addr) {
  aud_error_t result = new_datagram_for(s, addr);
  if (result != AUD_SUCCESS) {
    return result;
  }
  result = aud_socket_connect(*s, addr);
  if (result != AUD_SUCCESS) {
    close(*s);
    *s = AUD_SOCKET_INVALID;
  }
  return result;
}

aud_error_t aud_socket_connect_datagram_on_interface(aud_socket_t *, const aud_sockaddr_t *,
                                                     uint32_t) {
  return AUD_ERR_NOTSUPPORTED;
}

aud_error_t aud_socket_get_name(aud_socket_t s, aud_sockaddr_t *addr) {
  if (s < 0 || !addr) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  struct sockaddr_un storage {};
  socklen_t len = sizeof storage;
  if (getsockname(s, reinterpret_cast<struct sockaddr *>(&storage), &len) != 0) {
    return last_error();
  }
  return aud_sockaddr_init_struct_sockaddr(addr, reinterpret_cast<struct sockaddr *>(&storage),
                                           len < sizeof storage ? len : sizeof storage);
}

aud_error_t aud_socket_get_peer_name(aud_socket_t s, aud_sockaddr_t *addr) {
  if (s < 0 || !addr) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  struct sockaddr_un storage {};
  socklen_t len = sizeof storage;
  if (getpeername(s, reinterpret_cast<struct sockaddr *>(&storage), &len) != 0) {
    return last_error();
  }
  return aud_sockaddr_init_struct_sockaddr(addr, reinterpret_cast<struct sockaddr *>(&storage),
                                           len < sizeof storage ? len : sizeof storage);
}

// ---------------------------------------------------------------------------------
// Options.

aud_error_t aud_socket_set_blocking(aud_socket_t s, aud_bool_t blocking) {
  if (s < 0) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  int flags = fcntl(s, F_GETFL, 0);
  if (flags < 0) {
    return last_error();
  }
  flags = blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK);
  if (fcntl(s, F_SETFL, flags) != 0) {
    return last_error();
  }
  return AUD_SUCCESS;
}

aud_error_t aud_socket_set_recv_timeout(aud_socket_t s, const aud_utime_t *timeout) {
  if (s < 0 || (timeout && (timeout->tv_sec < 0 || timeout->tv_usec < 0))) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  struct timeval tv {};
  if (timeout) {
    tv = *timeout;
  }
  if (setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv) != 0) {
    return last_error();
  }
  return AUD_SUCCESS;
}

aud_error_t aud_socket_set_reuse_address(aud_socket_t s, aud_bool_t on) {
  return set_int_option(s, SOL_SOCKET, SO_REUSEADDR, on ? 1 : 0);
}

aud_error_t aud_socket_set_reuse_port(aud_socket_t s, aud_bool_t on) {
#ifdef SO_REUSEPORT
  return set_int_option(s, SOL_SOCKET, SO_REUSEPORT, on ? 1 : 0);
#else
  (void)s;
  (void)on;
  return AUD_ERR_NOTSUPPORTED;
#endif
}

aud_error_t aud_socket_set_bind_to_interface(aud_socket_t s, const char *ifname) {
  if (s < 0) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  char name[IFNAMSIZ] = {0};
  if (ifname) {
    if (strnlen(ifname, IFNAMSIZ) >= IFNAMSIZ) {
      return AUD_ERR_INVALIDPARAMETER;
    }
    bounded_copy(name, sizeof name, ifname);
  }
  if (setsockopt(s, SOL_SOCKET, SO_BINDTODEVICE, name, static_cast<socklen_t>(strlen(name))) != 0) {
    return last_error();
  }
  return AUD_SUCCESS;
}

aud_error_t aud_socket_get_recv_buffer_size(aud_socket_t s, int *size) {
  return get_int_option(s, SOL_SOCKET, SO_RCVBUF, size);
}

aud_error_t aud_socket_set_recv_buffer_size(aud_socket_t s, int size) {
  if (size < 0) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  return set_int_option(s, SOL_SOCKET, SO_RCVBUF, size);
}

aud_error_t aud_socket_get_send_buffer_size(aud_socket_t s, int *size) {
  return get_int_option(s, SOL_SOCKET, SO_SNDBUF, size);
}

aud_error_t aud_socket_set_send_buffer_size(aud_socket_t s, int size) {
  if (size < 0) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  return set_int_option(s, SOL_SOCKET, SO_SNDBUF, size);
}

aud_error_t aud_socket_set_tos(aud_socket_t s, int tos) {
  if (tos < 0 || tos > 255) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  return set_int_option(s, IPPROTO_IP, IP_TOS, tos);
}

aud_error_t aud_socket_set_broadcast(aud_socket_t s, aud_bool_t on) {
  return set_int_option(s, SOL_SOCKET, SO_BROADCAST, on ? 1 : 0);
}

// ---------------------------------------------------------------------------------
// Multicast.

aud_error_t aud_socket_set_multicast_interface(aud_socket_t s, uint32_t ifindex) {
  if (s < 0) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  struct ip_mreqn mreq {};
  mreq.imr_ifindex = static_cast<int>(ifindex);
  if (setsockopt(s, IPPROTO_IP, IP_MULTICAST_IF, &mreq, sizeof mreq) != 0) {
    return last_error();
  }
  return AUD_SUCCESS;
}

aud_error_t aud_socket_add_membership(aud_socket_t s, const aud_sockaddr_t *group,
                                      uint32_t ifindex) {
  return membership(s, group, ifindex, IP_ADD_MEMBERSHIP);
}

aud_error_t aud_socket_drop_membership(aud_socket_t s, const aud_sockaddr_t *group,
                                       uint32_t ifindex) {
  return membership(s, group, ifindex, IP_DROP_MEMBERSHIP);
}

aud_error_t aud_socket_set_multicast_ttl(aud_socket_t s, unsigned int ttl) {
  if (ttl > 255) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  return set_int_option(s, IPPROTO_IP, IP_MULTICAST_TTL, static_cast<int>(ttl));
}

aud_error_t aud_socket_set_multicast_loopback(aud_socket_t s, aud_bool_t on) {
  return set_int_option(s, IPPROTO_IP, IP_MULTICAST_LOOP, on ? 1 : 0);
}

aud_error_t aud_socket_set_multicast_loopback_disable(aud_socket_t s) {
  return aud_socket_set_multicast_loopback(s, AUD_FALSE);
}

aud_error_t aud_socket_set_multicast_all(aud_socket_t s, aud_bool_t on) {
  return set_int_option(s, IPPROTO_IP, IP_MULTICAST_ALL, on ? 1 : 0);
}

// ---------------------------------------------------------------------------------
// Data.

aud_error_t aud_socket_recv(aud_socket_t s, void *buf, size_t *len) {
  return recv_flags(s, buf, len, 0, nullptr);
}

aud_error_t aud_socket_recv_peek_no_wait(aud_socket_t s, void *buf, size_t *len) {
  return recv_flags(s, buf, len, MSG_PEEK | MSG_DONTWAIT, nullptr);
}

aud_error_t aud_socket_recvfrom(aud_socket_t s, void *buf, size_t *len, aud_sockaddr_t *from) {
  return recv_flags(s, buf, len, 0, from);
}

aud_error_t aud_socket_send(aud_socket_t s, const void *buf, size_t *len) {
  return send_flags(s, buf, len, 0, nullptr);
}

aud_error_t aud_socket_send_non_blocking(aud_socket_t s, const void *buf, size_t *len) {
  return send_flags(s, buf, len, MSG_DONTWAIT, nullptr);
}

aud_error_t aud_socket_sendto(aud_socket_t s, const void *buf, size_t *len,
                              const aud_sockaddr_t *to) {
  if (!to || to->len == 0) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  return send_flags(s, buf, len, 0, to);
}

aud_error_t aud_socket_set_recv_destination(aud_socket_t s, aud_bool_t on) {
  aud_error_t result = set_int_option(s, IPPROTO_IP, IP_PKTINFO, on ? 1 : 0);
  if (result != AUD_SUCCESS) {
    return result;
  }
  return set_int_option(s, IPPROTO_IP, IP_RECVTTL, on ? 1 : 0);
}

aud_error_t aud_socket_recv_destination(aud_socket_t s, void *buf, size_t *len,
                                        aud_destination_info_t *info) {
  if (s < 0 || !buf || !len) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  struct sockaddr_un from {};
  struct iovec iov {
    buf, *len
  };
  // Room for the two items asked for with aud_socket_set_recv_destination.
  alignas(
      struct cmsghdr) char control[CMSG_SPACE(sizeof(struct in_pktinfo)) + CMSG_SPACE(sizeof(int))];
  struct msghdr msg {};
  msg.msg_name = &from;
  msg.msg_namelen = sizeof from;
  msg.msg_iov = &iov;
  msg.msg_iovlen = 1;
  msg.msg_control = control;
  msg.msg_controllen = sizeof control;
  ssize_t n = recvmsg(s, &msg, 0);
  if (n < 0) {
    return last_error();
  }
  *len = static_cast<size_t>(n);
  if (!info) {
    return AUD_SUCCESS;
  }
  const uint32_t wanted = info->flags;
  uint32_t filled = 0;
  if (wanted & AUD_DESTINATION_INFO_FROM) {
    from_system(&info->from, reinterpret_cast<struct sockaddr *>(&from), msg.msg_namelen);
    filled |= AUD_DESTINATION_INFO_FROM;
  }
  if (!(msg.msg_flags & MSG_CTRUNC)) {
    for (struct cmsghdr *c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
      if (c->cmsg_level != IPPROTO_IP) {
        continue;
      }
      if (c->cmsg_type == IP_PKTINFO && c->cmsg_len >= CMSG_LEN(sizeof(struct in_pktinfo))) {
        struct in_pktinfo pi;
        memcpy(&pi, CMSG_DATA(c), sizeof pi);
        if (wanted & AUD_DESTINATION_INFO_TO) {
          aud_sockaddr_init_inaddr(&info->to, pi.ipi_addr, 0);
          filled |= AUD_DESTINATION_INFO_TO;
        }
        if (wanted & AUD_DESTINATION_INFO_INDEX) {
          info->index = static_cast<uint32_t>(pi.ipi_ifindex);
          filled |= AUD_DESTINATION_INFO_INDEX;
        }
      } else if (c->cmsg_type == IP_TTL && c->cmsg_len >= CMSG_LEN(sizeof(int))) {
        if (wanted & AUD_DESTINATION_INFO_TTL) {
          int ttl;
          memcpy(&ttl, CMSG_DATA(c), sizeof ttl);
          info->ttl = ttl;
          filled |= AUD_DESTINATION_INFO_TTL;
        }
      }
    }
  }
  info->flags = filled;
  return AUD_SUCCESS;
}

// ---------------------------------------------------------------------------------
// Waiting.

aud_error_t aud_sockets_wait_for_read(aud_socket_t *sockets, unsigned int n,
                                      const aud_utime_t *timeout) {
  if (!sockets || n == 0 ||
      (timeout && (timeout->tv_sec < 0 || timeout->tv_usec < 0 || timeout->tv_usec > 999999))) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  fd_set set;
  FD_ZERO(&set);
  int limit = 0;
  for (unsigned int i = 0; i < n; i++) {
    if (sockets[i] < 0) {
      continue;
    }
    if (sockets[i] >= FD_SETSIZE) {
      return AUD_ERR_INVALIDPARAMETER;
    }
    FD_SET(sockets[i], &set);
    if (sockets[i] + 1 > limit) {
      limit = sockets[i] + 1;
    }
  }
  struct timeval tv {};
  if (timeout) {
    tv = *timeout;
  }
  int rc = select(limit, &set, nullptr, nullptr, timeout ? &tv : nullptr);
  if (rc < 0) {
    return last_error();
  }
  if (rc == 0) {
    return AUD_ERR_TIMEDOUT;
  }
  for (unsigned int i = 0; i < n; i++) {
    if (sockets[i] >= 0 && !FD_ISSET(sockets[i], &set)) {
      sockets[i] = AUD_SOCKET_INVALID;
    }
  }
  return AUD_SUCCESS;
}

aud_error_t aud_socket_wait_for_read(aud_socket_t s, const aud_utime_t *timeout) {
  if (s < 0) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  return aud_sockets_wait_for_read(&s, 1, timeout);
}
