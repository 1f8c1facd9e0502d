#include "platform/aud_interface.h"

#include <linux/ethtool.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <linux/sockios.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

// The wireless-extension name query; its presence is what marks an interface
// as wireless. Declared here because <linux/wireless.h> clashes with <net/if.h>.
#ifndef SIOCGIWNAME
#define SIOCGIWNAME 0x8B01
#endif

namespace {

const char k_proc_net_dev[] = "/proc/net/dev";

struct Fd {
  int fd;
  explicit Fd(int f) : fd(f) {}
  ~Fd() {
    if (fd >= 0) {
      close(fd);
    }
  }
  Fd(const Fd &) = delete;
  Fd &operator=(const Fd &) = delete;
};

struct File {
  FILE *fp;
  ~File() {
    if (fp) {
      fclose(fp);
    }
  }
};

void copy_name(char *dst, const char *src, size_t size) {
  size_t n = strnlen(src, size - 1);
  memcpy(dst, src, n);
  dst[n] = '\0';
}

// The interface name of one /proc/net/dev line, or false for a line without
// one (the two header lines). The name is cut to fit ifreq's field.
bool name_of_line(const char *line, char name[IFNAMSIZ]) {
  while (*line == ' ' || *line == '\t') {
    ++line;
  }
  const char *colon = strchr(line, ':');
  if (!colon || colon == line) {
    return false;
  }
  size_t n = static_cast<size_t>(colon - line);
  if (n >= IFNAMSIZ) {
    return false;
  }
  memcpy(name, line, n);
  name[n] = '\0';
  return true;
}

// Reads the next interface name; false at the end of the file. Over-long
// lines are skipped whole.
bool next_name(FILE *fp, char name[IFNAMSIZ]) {
  char line[AUD_INTERFACE_PROC_LINE_MAX];
  while (fgets(line, sizeof line, fp)) {
    size_t len = strlen(line);
    if (len == sizeof line - 1 && line[len - 1] != '\n') {
      int c;
      while ((c = fgetc(fp)) != EOF && c != '\n') {
      }
      continue;
    }
    if (name_of_line(line, name)) {
      return true;
    }
  }
  return false;
}

void ifreq_for(ifreq *req, const char *name) {
  memset(req, 0, sizeof *req);
  copy_name(req->ifr_name, name, sizeof req->ifr_name);
}

// An interface that disappears while it is being queried is skipped, not an error.
bool vanished(int err) { return err == ENODEV || err == ENXIO; }

enum class Outcome { listed, skipped, failed };

// The driver's speed as reported, or false when the driver cannot answer.
bool driver_speed(int s, const char *name, uint32_t *speed) {
  ifreq req;
  ifreq_for(&req, name);
  ethtool_cmd cmd;
  memset(&cmd, 0, sizeof cmd);
  cmd.cmd = ETHTOOL_GSET;
  req.ifr_data = reinterpret_cast<char *>(&cmd);
  if (ioctl(s, SIOCETHTOOL, &req) != 0) {
    return false;
  }
  *speed = ethtool_cmd_speed(&cmd);
  return true;
}

uint32_t normalised_speed(uint32_t reported) {
  switch (reported) {
    case 0:
    case AUD_LINK_SPEED_10M:
    case AUD_LINK_SPEED_100M:
    case AUD_LINK_SPEED_10G:
      return reported;
    case AUD_LINK_SPEED_1G:
    case AUD_LINK_SPEED_2_5G:
      return AUD_LINK_SPEED_1G;
    default:
      return AUD_LINK_SPEED_100M;
  }
}

// Dumps the link table over routing netlink into entries; false on failure.
bool link_dump(aud_interface_link_entry_t *entries, unsigned max, unsigned *count) {
  Fd nl(socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE));
  if (nl.fd < 0) {
    return false;
  }
  struct {
    nlmsghdr hdr;
    ifinfomsg info;
  } request;
  memset(&request, 0, sizeof request);
  request.hdr.nlmsg_len = NLMSG_LENGTH(sizeof(ifinfomsg));
  request.hdr.nlmsg_type = RTM_GETLINK;
  request.hdr.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
  request.hdr.nlmsg_seq = 1;
  request.info.ifi_family = AF_UNSPEC;
  sockaddr_nl kernel;
  memset(&kernel, 0, sizeof kernel);
  kernel.nl_family = AF_NETLINK;
  if (sendto(nl.fd, &request, request.hdr.nlmsg_len, 0, reinterpret_cast<sockaddr *>(&kernel),
             sizeof kernel) < 0) {
    return false;
  }
  std::unique_ptr<uint8_t[]> buf(new (std::nothrow) uint8_t[32768]);
  if (!buf) {
    return false;
  }
  *count = 0;
  for (;;) {
    ssize_t n = recv(nl.fd, buf.get(), 32768, 0);
    if (n <= 0) {
      return false;
    }
    aud_error_t r =
        aud_interface_parse_link_dump(buf.get(), static_cast<size_t>(n), entries, max, count);
    if (r == AUD_ERR_DONE) {
      return true;
    }
    if (r != AUD_SUCCESS) {
      return false;
    }
  }
}

// The lowest non-zero driver speed among the ports of the bridge called name, or 0.
uint32_t bridge_speed(int s, const char *name) {
  std::unique_ptr<aud_interface_link_entry_t[]> entries(
      new (std::nothrow) aud_interface_link_entry_t[AUD_INTERFACE_LINK_DUMP_MAX]);
  unsigned count = 0;
  if (!entries || !link_dump(entries.get(), AUD_INTERFACE_LINK_DUMP_MAX, &count)) {
    return 0;
  }
  uint32_t bridge = 0;
  for (unsigned i = 0; i < count; ++i) {
    if (strcmp(entries[i].name, name) == 0) {
      bridge = entries[i].index;
      break;
    }
  }
  if (bridge == 0) {
    return 0;
  }
  uint32_t lowest = 0;
  for (unsigned i = 0; i < count; ++i) {
    uint32_t speed = 0;
    if (entries[i].master == bridge && driver_speed(s, entries[i].name, &speed) && speed != 0 &&
        speed != static_cast<uint32_t>(SPEED_UNKNOWN) && (lowest == 0 || speed < lowest)) {
      lowest = speed;
    }
  }
  return lowest;
}

void set_ipv4(aud_sockaddr_t *out, const sockaddr *in) {
  memset(out, 0, sizeof *out);
  out->len = sizeof(sockaddr_in);
  memcpy(&out->addr.inet, in, sizeof(sockaddr_in));
}

// Fills *iface for the interface called name. With classify_only it stops once
// it knows whether the interface is listed (the counting pass needs no more).
Outcome describe(int s, const char *name, aud_interface_t *iface, int *err, bool classify_only) {
  ifreq req;
  memset(iface, 0, sizeof *iface);

  ifreq_for(&req, name);
  if (ioctl(s, SIOCGIFHWADDR, &req) != 0) {
    *err = errno;
    return vanished(errno) ? Outcome::skipped : Outcome::failed;
  }
  int hwtype = req.ifr_hwaddr.sa_family;
  memcpy(iface->ether_address.data, req.ifr_hwaddr.sa_data, AUD_ETHERADDR_LENGTH);

  ifreq wreq;
  ifreq_for(&wreq, name);
  if (ioctl(s, SIOCGIWNAME, &wreq) == 0) {
    iface->type = AUD_INTERFACE_TYPE_WIRELESS;
  } else if (hwtype == ARPHRD_ETHER) {
    iface->type = AUD_INTERFACE_TYPE_ETHERNET;
  } else if (hwtype == ARPHRD_LOOPBACK) {
    iface->type = AUD_INTERFACE_TYPE_LOOPBACK;
  } else {
    return Outcome::skipped;
  }
  if (classify_only) {
    return Outcome::listed;
  }
  copy_name(iface->name, name, sizeof iface->name);

  ifreq_for(&req, name);
  if (ioctl(s, SIOCGIFINDEX, &req) != 0) {
    *err = errno;
    return vanished(errno) ? Outcome::skipped : Outcome::failed;
  }
  iface->index = static_cast<uint32_t>(req.ifr_ifindex);

  ifreq_for(&req, name);
  if (ioctl(s, SIOCGIFFLAGS, &req) != 0) {
    *err = errno;
    return vanished(errno) ? Outcome::skipped : Outcome::failed;
  }
  unsigned flags = static_cast<unsigned short>(req.ifr_flags);
  iface->flags = flags;
  iface->is_link_up = (flags & IFF_UP) && (flags & IFF_RUNNING) ? AUD_TRUE : AUD_FALSE;
  iface->deprecated_is_running = (flags & IFF_RUNNING) ? AUD_TRUE : AUD_FALSE;
  iface->is_loopback = (flags & IFF_LOOPBACK) ? AUD_TRUE : AUD_FALSE;
  iface->can_multicast = (flags & IFF_MULTICAST) ? AUD_TRUE : AUD_FALSE;

  // An interface without an IPv4 address keeps zero values and is still listed.
  ifreq_for(&req, name);
  if (ioctl(s, SIOCGIFADDR, &req) == 0) {
    set_ipv4(&iface->ip_address, &req.ifr_addr);
    ifreq_for(&req, name);
    if (ioctl(s, SIOCGIFNETMASK, &req) == 0) {
      set_ipv4(&iface->mask, &req.ifr_netmask);
    } else if (errno != EADDRNOTAVAIL) {
      *err = errno;
      return vanished(errno) ? Outcome::skipped : Outcome::failed;
    }
  } else if (errno != EADDRNOTAVAIL) {
    *err = errno;
    return vanished(errno) ? Outcome::skipped : Outcome::failed;
  }

  uint32_t reported = 0;
  if (driver_speed(s, name, &reported)) {
    iface->speed = normalised_speed(reported);
  } else if (iface->type == AUD_INTERFACE_TYPE_ETHERNET) {
    uint32_t bridged = bridge_speed(s, name);
    iface->speed = bridged ? normalised_speed(bridged) : static_cast<uint32_t>(AUD_LINK_SPEED_100M);
  } else {
    iface->speed = AUD_LINK_SPEED_100M;
  }
  return Outcome::listed;
}

}  // namespace

aud_error_t aud_interface_parse_link_dump(const uint8_t *buf, size_t len,
                                          aud_interface_link_entry_t *entries, unsigned max,
                                          unsigned *count) {
  if (!buf || !count || (max && !entries)) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  size_t off = 0;
  while (off + sizeof(nlmsghdr) <= len) {
    nlmsghdr hdr;
    memcpy(&hdr, buf + off, sizeof hdr);
    if (hdr.nlmsg_len < sizeof(nlmsghdr) || hdr.nlmsg_len > len - off) {
      return AUD_ERR_INVALIDDATA;
    }
    const uint8_t *body = buf + off + NLMSG_HDRLEN;
    size_t body_len = hdr.nlmsg_len - std::min<size_t>(hdr.nlmsg_len, NLMSG_HDRLEN);
    if (hdr.nlmsg_type == NLMSG_DONE) {
      return AUD_ERR_DONE;
    }
    if (hdr.nlmsg_type == NLMSG_ERROR) {
      nlmsgerr e;
      if (body_len < sizeof e) {
        return AUD_ERR_INVALIDDATA;
      }
      memcpy(&e, body, sizeof e);
      if (e.error == 0) {
        return AUD_ERR_DONE;
      }
      // The kernel sends a negated errno; anything that cannot be one is garbage.
      if (e.error > 0 || e.error < -4095) {
        return AUD_ERR_INVALIDDATA;
      }
      return aud_error_from_system_error(-e.error);
    }
    if (hdr.nlmsg_type == RTM_NEWLINK && body_len >= sizeof(ifinfomsg)) {
      ifinfomsg info;
      memcpy(&info, body, sizeof info);
      aud_interface_link_entry_t entry;
      memset(&entry, 0, sizeof entry);
      entry.index = static_cast<uint32_t>(info.ifi_index);
      size_t aoff = NLMSG_ALIGN(sizeof(ifinfomsg));
      while (aoff + sizeof(rtattr) <= body_len) {
        rtattr attr;
        memcpy(&attr, body + aoff, sizeof attr);
        if (attr.rta_len < sizeof(rtattr) || attr.rta_len > body_len - aoff) {
          return AUD_ERR_INVALIDDATA;
        }
        const uint8_t *data = body + aoff + RTA_LENGTH(0);
        size_t data_len = attr.rta_len - RTA_LENGTH(0);
        if (attr.rta_type == IFLA_IFNAME) {
          size_t n = strnlen(reinterpret_cast<const char *>(data), data_len);
          n = std::min(n, sizeof entry.name - 1);
          memcpy(entry.name, data, n);
          entry.name[n] = '\0';
        } else if (attr.rta_type == IFLA_MASTER && data_len >= sizeof(uint32_t)) {
          memcpy(&entry.master, data, sizeof entry.master);
        }
        aoff += RTA_ALIGN(attr.rta_len);
      }
      if (*count < max) {
        entries[(*count)++] = entry;
      }
    }
    if (!(hdr.nlmsg_flags & NLM_F_MULTI)) {
      return AUD_ERR_DONE;
    }
    off += NLMSG_ALIGN(hdr.nlmsg_len);
  }
  return AUD_SUCCESS;
}

aud_error_t aud_interface_list(aud_interface_t **ifaces, unsigned *count) {
  if (!ifaces || !count) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  Fd s(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  if (s.fd < 0) {
    return aud_error_from_system_error(errno);
  }
  File proc{fopen(k_proc_net_dev, "re")};
  if (!proc.fp) {
    return aud_error_from_system_error(errno);
  }
  // First pass: count the interfaces that will be listed.
  char name[IFNAMSIZ];
  unsigned expected = 0;
  aud_interface_t probe;
  int err = 0;
  while (expected < AUD_INTERFACE_LIST_MAX && next_name(proc.fp, name)) {
    Outcome o = describe(s.fd, name, &probe, &err, true);
    if (o == Outcome::failed) {
      return aud_error_from_system_error(err);
    }
    if (o == Outcome::listed) {
      ++expected;
    }
  }
  if (expected == 0) {
    *ifaces = nullptr;
    *count = 0;
    return AUD_SUCCESS;
  }
  // Second pass: fill, growing the array if an interface appeared meanwhile.
  rewind(proc.fp);
  unsigned capacity = expected;
  aud_interface_t *list = static_cast<aud_interface_t *>(calloc(capacity, sizeof(aud_interface_t)));
  if (!list) {
    return AUD_ERR_NOMEMORY;
  }
  unsigned filled = 0;
  while (filled < AUD_INTERFACE_LIST_MAX && next_name(proc.fp, name)) {
    Outcome o = describe(s.fd, name, &probe, &err, false);
    if (o == Outcome::failed) {
      free(list);
      return aud_error_from_system_error(err);
    }
    if (o != Outcome::listed) {
      continue;
    }
    if (filled == capacity) {
      unsigned grown = capacity * 2;
      auto *bigger = static_cast<aud_interface_t *>(realloc(list, grown * sizeof(aud_interface_t)));
      if (!bigger) {
        free(list);
        return AUD_ERR_NOMEMORY;
      }
      memset(bigger + capacity, 0, (grown - capacity) * sizeof(aud_interface_t));
      list = bigger;
      capacity = grown;
    }
    list[filled++] = probe;
  }
  if (filled == 0) {
    free(list);
    list = nullptr;
  }
  *ifaces = list;
  *count = filled;
  return AUD_SUCCESS;
}

aud_error_t aud_interface_list_with_env(aud_env_t *env, aud_interface_t **ifaces, unsigned *count) {
  (void)env;
  return aud_interface_list(ifaces, count);
}

void aud_interface_list_free(aud_interface_t *ifaces) { free(ifaces); }

namespace {

// Lists the interfaces and copies the first one pred accepts into *out.
template <typename Pred>
aud_error_t find_first(aud_interface_t *out, Pred pred) {
  aud_interface_t *list = nullptr;
  unsigned count = 0;
  aud_error_t r = aud_interface_list(&list, &count);
  if (r != AUD_SUCCESS) {
    return r;
  }
  r = AUD_ERR_NOTFOUND;
  for (unsigned i = 0; i < count; ++i) {
    if (pred(list[i])) {
      if (out) {
        *out = list[i];
      }
      r = AUD_SUCCESS;
      break;
    }
  }
  aud_interface_list_free(list);
  return r;
}

bool name_matches(const aud_interface_t &iface, const char *name) {
  return strncmp(iface.name, name, sizeof iface.name) == 0;
}

}  // namespace

aud_error_t aud_interface_get(aud_interface_t *iface,
                              const aud_interface_identifier_t *identifier) {
  if (!identifier) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  uint32_t flags = identifier->flags &
                   (AUD_INTERFACE_IDENTIFIER_FLAG_NAME | AUD_INTERFACE_IDENTIFIER_FLAG_INDEX);
  if (flags == 0) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  // The identifier's name may lack a terminator; compare a bounded copy.
  aud_interface_name_t name;
  copy_name(name, identifier->name, sizeof name);
  return find_first(iface, [&](const aud_interface_t &i) {
    if ((flags & AUD_INTERFACE_IDENTIFIER_FLAG_NAME) && !name_matches(i, name)) {
      return false;
    }
    if ((flags & AUD_INTERFACE_IDENTIFIER_FLAG_INDEX) && i.index != identifier->index) {
      return false;
    }
    return true;
  });
}

aud_error_t aud_interface_get_by_name(aud_interface_t *iface, const char *name) {
  if (!name) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  return find_first(iface, [&](const aud_interface_t &i) { return name_matches(i, name); });
}

aud_error_t aud_interface_get_by_index(aud_interface_t *iface, uint32_t index) {
  return find_first(iface, [&](const aud_interface_t &i) { return i.index == index; });
}

aud_error_t aud_interface_get_by_etheraddr(aud_interface_t *iface, const aud_etheraddr_t *address) {
  if (!address) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  return find_first(iface, [&](const aud_interface_t &i) {
    return memcmp(i.ether_address.data, address->data, AUD_ETHERADDR_LENGTH) == 0;
  });
}

aud_error_t aud_interface_get_loopback(aud_interface_t *iface) {
  if (!iface) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  return find_first(iface, [](const aud_interface_t &i) {
    return i.is_loopback || i.type == AUD_INTERFACE_TYPE_LOOPBACK;
  });
}

aud_error_t aud_interface_get_by_idref(aud_interface_t *iface, const aud_interface_idref_t *idref) {
  if (!iface || !idref) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  bool by_index = idref->ifindex != 0;
  bool by_name = idref->ifname != nullptr;
  if (by_index == by_name) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  return by_index ? aud_interface_get_by_index(iface, idref->ifindex)
                  : aud_interface_get_by_name(iface, idref->ifname);
}

aud_error_t aud_interface_get_identifiers(aud_env_t *env, aud_interface_identifier_t *identifiers,
                                          unsigned n) {
  if (n == 0 || !identifiers) {
    return AUD_ERR_INVALIDPARAMETER;
  }
  aud_interface_t *list = nullptr;
  unsigned count = 0;
  aud_error_t r = aud_interface_list_with_env(env, &list, &count);
  if (r != AUD_SUCCESS) {
    return r;
  }
  if (count == 0) {
    return AUD_ERR_NOTFOUND;
  }
  for (unsigned k = 0; k < n; ++k) {
    aud_interface_identifier_t *id = &identifiers[k];
    const aud_interface_t *found = nullptr;
    if (id->flags & AUD_INTERFACE_IDENTIFIER_FLAG_INDEX) {
      for (unsigned i = 0; i < count && !found; ++i) {
        if (list[i].index == id->index) {
          found = &list[i];
        }
      }
    } else if (id->flags & AUD_INTERFACE_IDENTIFIER_FLAG_NAME) {
      aud_interface_name_t name;
      copy_name(name, id->name, sizeof name);
      for (unsigned i = 0; i < count && !found; ++i) {
        if (name_matches(list[i], name)) {
          found = &list[i];
        }
      }
    }
    if (found) {
      copy_name(id->name, found->name, sizeof id->name);
      id->index = found->index;
      id->flags = AUD_INTERFACE_IDENTIFIER_FLAG_NAME | AUD_INTERFACE_IDENTIFIER_FLAG_INDEX;
    } else {
      id->flags = 0;
    }
  }
  aud_interface_list_free(list);
  return AUD_SUCCESS;
}

aud_bool_t aud_etheraddr_is_zero(const aud_etheraddr_t *address) {
  if (!address) {
    return AUD_TRUE;
  }
  for (uint8_t b : address->data) {
    if (b != 0) {
      return AUD_FALSE;
    }
  }
  return AUD_TRUE;
}
