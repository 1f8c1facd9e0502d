// Sockets, socket addresses and the thin POSIX socket layer.
#pragma once

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <cstddef>
#include <cstdint>

#include "platform/aud_error.h"
#include "platform/aud_time.h"

typedef int aud_socket_t;
#define AUD_SOCKET_INVALID (-1)

#define AUD_AF_UNIX 1
#define AUD_AF_INET 2

// A socket address: the length of the valid part, then the address itself.
struct aud_sockaddr {
  uint8_t len;
  union {
    struct sockaddr generic;
    struct sockaddr_in inet;
    struct sockaddr_un un;
  } addr;
};
typedef aud_sockaddr aud_sockaddr_t;

// Longest Unix-domain path, without its terminator (sun_path holds 108 bytes).
#define AUD_SOCKADDR_UNIX_PATH_MAX 107
// Directory and pattern of fresh unique Unix-domain paths.
#define AUD_UNIQUE_UNIX_PATH_DIR "/tmp"
#define AUD_UNIQUE_UNIX_PATH_PATTERN "/sXXXXXX"
// Room for "255.255.255.255:65535 (len=255)" and a terminator.
#define AUD_SOCKADDR_STRING_MIN 40

// ---------------------------------------------------------------------------------
// Socket addresses. Functions taking an address accept null where stated only.

// All zero, length 0.
void aud_sockaddr_init_null(aud_sockaddr_t *a);
// Family AF_UNSPEC, length of a generic address.
void aud_sockaddr_init_unspec(aud_sockaddr_t *a);
// An empty address of family AUD_AF_INET (any host, port 0) or AUD_AF_UNIX (no
// path); other families: AUD_ERR_AFNOSUPPORT and *a untouched.
aud_error_t aud_sockaddr_init(aud_sockaddr_t *a, int af);
// IPv4 address `addr_netorder` (network byte order) and `port` (host order).
void aud_sockaddr_init_inet(aud_sockaddr_t *a, uint32_t addr_netorder, uint16_t port);
void aud_sockaddr_init_inaddr(aud_sockaddr_t *a, struct in_addr addr, uint16_t port);
// 127.0.0.1 and `port` (host order).
void aud_sockaddr_init_loopback(aud_sockaddr_t *a, uint16_t port);
// Copies a system address of family AF_INET or AF_UNIX whose length fits;
// AUD_ERR_INVALIDPARAMETER / AUD_ERR_AFNOSUPPORT otherwise, *a untouched.
aud_error_t aud_sockaddr_init_struct_sockaddr(aud_sockaddr_t *a, const struct sockaddr *sa,
                                              socklen_t len);
// A Unix-domain address with `path` as for aud_sockaddr_set_unix_path.
aud_error_t aud_sockaddr_init_unix(aud_sockaddr_t *a, const char *path);
// Makes *a a Unix-domain address. An absolute path is taken as it is, a relative one
// is prefixed with the current directory, a null or empty one is replaced by a fresh
// unique path (aud_get_unique_unix_path). A result longer than
// AUD_SOCKADDR_UNIX_PATH_MAX is AUD_ERR_TRUNCATED; on any failure *a is untouched.
aud_error_t aud_sockaddr_set_unix_path(aud_sockaddr_t *a, const char *path);
// The path of a Unix-domain address, or null for other families.
const char *aud_sockaddr_unix_path(const aud_sockaddr_t *a);
// Port in host order; setting it on a non-IPv4 address is AUD_ERR_AFNOSUPPORT.
aud_error_t aud_sockaddr_set_port(aud_sockaddr_t *a, uint16_t port);
// Port in host / network order; 0 for other families.
uint16_t aud_sockaddr_port(const aud_sockaddr_t *a);
uint16_t aud_sockaddr_port_netorder(const aud_sockaddr_t *a);
// The dotted IPv4 host ("" for other families), cut to fit len. Returns buf.
char *aud_sockaddr_host_str(const aud_sockaddr_t *a, char *buf, size_t len);
// IPv4: "a.b.c.d:port (len=n)"; Unix: the path; others: "". Cut to fit. Returns buf.
char *aud_sockaddr_to_string(const aud_sockaddr_t *a, char *buf, size_t len);
// IPv4: same stored length and bytes; Unix: same path. Null never equals.
aud_bool_t aud_sockaddr_equal(const aud_sockaddr_t *a, const aud_sockaddr_t *b);
// Both IPv4 with the same host address (ports ignored).
aud_bool_t aud_sockaddr_addr_equal(const aud_sockaddr_t *a, const aud_sockaddr_t *b);
aud_bool_t aud_sockaddr_is_multicast(const aud_sockaddr_t *a);  // IPv4 224.0.0.0/4
aud_bool_t aud_sockaddr_is_zero_addr(const aud_sockaddr_t *a);  // IPv4 0.0.0.0
aud_bool_t aud_sockaddr_is_loopback(const aud_sockaddr_t *a);   // IPv4 127.0.0.0/8
aud_bool_t aud_sockaddr_is_local(const aud_sockaddr_t *a);      // a Unix-domain address
aud_bool_t aud_inaddr_is_multicast(struct in_addr addr);

// Creates a fresh file "/tmp/sXXXXXX" (mkstemp), closes it and writes its path to
// buf. AUD_ERR_NOBUFS when buf is too small, AUD_ERR_NODATA when no file could be
// made; buf untouched on failure.
aud_error_t aud_get_unique_unix_path(char *buf, size_t len);
// The same in directory `dir` ("<dir>/sXXXXXX").
aud_error_t aud_get_prefixed_unique_unix_path(char *buf, size_t len, const char *dir);

// ---------------------------------------------------------------------------------
// Sockets: thin POSIX wrappers. System errors are mapped with
// aud_error_from_system_error; a negative descriptor or missing argument is
// AUD_ERR_INVALIDPARAMETER. Lengths are in-out: buffer size in, bytes moved out.

// A datagram socket (UDP for AUD_AF_INET, datagram for AUD_AF_UNIX) into *s, which
// must hold a negative value first (so a live socket is never overwritten).
aud_error_t aud_socket_init_datagram(aud_socket_t *s, int af);
// Removes the file of a bound Unix-domain socket, closes it and sets *s to -1.
// Closing -1 does nothing.
aud_error_t aud_socket_close(aud_socket_t *s);
aud_bool_t aud_socket_is_valid(aud_socket_t s);
// A connected pair of Unix-domain datagram sockets.
aud_error_t aud_socket_pair(aud_socket_t pair[2]);

// Binds s; for a Unix-domain address any file at the path is removed first.
aud_error_t aud_socket_bind(aud_socket_t s, const aud_sockaddr_t *addr);
// Creates a datagram socket for addr's family into *s (negative first) and binds
// it; on failure the socket is closed again and *s stays negative.
aud_error_t aud_socket_bind_datagram(aud_socket_t *s, const aud_sockaddr_t *addr);
// AUD_AF_UNIX only: a datagram socket bound to a fresh unique path (copied to
// *bound when given). Other families: AUD_ERR_NOTSUPPORTED.
aud_error_t aud_socket_bind_auto_datagram(aud_socket_t *s, int af, aud_sockaddr_t *bound);
aud_error_t aud_socket_connect(aud_socket_t s, const aud_sockaddr_t *addr);
// Creates a datagram socket for addr's family into *s (negative first) and
// connects it; closed again on failure.
aud_error_t aud_socket_connect_datagram(aud_socket_t *s, const aud_sockaddr_t *addr);
// Always AUD_ERR_NOTSUPPORTED.
aud_error_t aud_socket_connect_datagram_on_interface(aud_socket_t *s, const aud_sockaddr_t *addr,
                                                     uint32_t ifindex);
aud_error_t aud_socket_get_name(aud_socket_t s, aud_sockaddr_t *addr);
aud_error_t aud_socket_get_peer_name(aud_socket_t s, aud_sockaddr_t *addr);

// Options.
aud_error_t aud_socket_set_blocking(aud_socket_t s, aud_bool_t blocking);
// A null or zero timeout waits forever.
aud_error_t aud_socket_set_recv_timeout(aud_socket_t s, const aud_utime_t *timeout);
aud_error_t aud_socket_set_reuse_address(aud_socket_t s, aud_bool_t on);
aud_error_t aud_socket_set_reuse_port(aud_socket_t s, aud_bool_t on);
// SO_BINDTODEVICE to the named interface; null or "" unbinds.
aud_error_t aud_socket_set_bind_to_interface(aud_socket_t s, const char *ifname);
aud_error_t aud_socket_get_recv_buffer_size(aud_socket_t s, int *size);
aud_error_t aud_socket_set_recv_buffer_size(aud_socket_t s, int size);
aud_error_t aud_socket_get_send_buffer_size(aud_socket_t s, int *size);
aud_error_t aud_socket_set_send_buffer_size(aud_socket_t s, int size);
aud_error_t aud_socket_set_tos(aud_socket_t s, int tos);
aud_error_t aud_socket_set_broadcast(aud_socket_t s, aud_bool_t on);

// Multicast, by interface index. Membership needs an IPv4 group in 224.0.0.0/4
// (AUD_ERR_INVALIDPARAMETER otherwise).
aud_error_t aud_socket_set_multicast_interface(aud_socket_t s, uint32_t ifindex);
aud_error_t aud_socket_add_membership(aud_socket_t s, const aud_sockaddr_t *group,
                                      uint32_t ifindex);
aud_error_t aud_socket_drop_membership(aud_socket_t s, const aud_sockaddr_t *group,
                                       uint32_t ifindex);
aud_error_t aud_socket_set_multicast_ttl(aud_socket_t s, unsigned int ttl);
aud_error_t aud_socket_set_multicast_loopback(aud_socket_t s, aud_bool_t on);
aud_error_t aud_socket_set_multicast_loopback_disable(aud_socket_t s);
aud_error_t aud_socket_set_multicast_all(aud_socket_t s, aud_bool_t on);

// Data.
aud_error_t aud_socket_recv(aud_socket_t s, void *buf, size_t *len);
// Peeks at the next datagram without removing it and without waiting.
aud_error_t aud_socket_recv_peek_no_wait(aud_socket_t s, void *buf, size_t *len);
// *from (optional) receives the sender.
aud_error_t aud_socket_recvfrom(aud_socket_t s, void *buf, size_t *len, aud_sockaddr_t *from);
aud_error_t aud_socket_send(aud_socket_t s, const void *buf, size_t *len);
aud_error_t aud_socket_send_non_blocking(aud_socket_t s, const void *buf, size_t *len);
aud_error_t aud_socket_sendto(aud_socket_t s, const void *buf, size_t *len,
                              const aud_sockaddr_t *to);

// Destination information of a received datagram. `flags` says on entry which
// items are wanted and on return which were filled.
#define AUD_DESTINATION_INFO_FROM 1u   // sender address
#define AUD_DESTINATION_INFO_TO 2u     // destination address (packet information)
#define AUD_DESTINATION_INFO_NAME 4u   // never filled
#define AUD_DESTINATION_INFO_INDEX 8u  // receiving interface index
#define AUD_DESTINATION_INFO_TTL 16u   // received TTL
struct aud_destination_info {
  uint32_t flags;
  aud_sockaddr_t from;
  aud_sockaddr_t to;
  char *name;  // caller's buffer; never filled
  size_t name_length;
  uint32_t index;
  int ttl;
};
typedef aud_destination_info aud_destination_info_t;

// Turns the IPv4 packet-information and TTL ancillary data on or off.
aud_error_t aud_socket_set_recv_destination(aud_socket_t s, aud_bool_t on);
// Receives one datagram with recvmsg and fills the wanted items of *info that
// arrived; a truncated control area yields the datagram without the ancillary
// items. info may be null.
aud_error_t aud_socket_recv_destination(aud_socket_t s, void *buf, size_t *len,
                                        aud_destination_info_t *info);

// Waits with select() until one of sockets[0..n) is readable or *timeout (null:
// forever) passes. Entries that are not readable are overwritten with -1 (negative
// entries are skipped). AUD_ERR_TIMEDOUT when nothing became readable (the array is
// then left as it was); descriptors at or above FD_SETSIZE are AUD_ERR_INVALIDPARAMETER.
aud_error_t aud_sockets_wait_for_read(aud_socket_t *sockets, unsigned int n,
                                      const aud_utime_t *timeout);
aud_error_t aud_socket_wait_for_read(aud_socket_t s, const aud_utime_t *timeout);
