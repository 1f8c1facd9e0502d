// Sockets, socket addresses and the thin POSIX socket layer.
#pragma once

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <cstdint>

#include "platform/aud_error.h"

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
