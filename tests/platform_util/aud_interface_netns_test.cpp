// Interface listing in a fresh network namespace, where the set of interfaces
// is known. Needs root (CAP_SYS_ADMIN) and the ip tool; skips otherwise. The
// namespace belongs to a forked child, so the machine's own interfaces are
// never touched.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/aud_interface.h"

namespace {

struct Listing {
  bool skipped = false;
  std::string why;
  aud_error_t result = AUD_SUCCESS;
  std::vector<aud_interface_t> ifaces;
};

// Runs setup (shell commands) in a new network namespace in a child process
// and brings back the listing made there.
Listing list_in_new_namespace(const char *setup) {
  Listing out;
  int fds[2];
  if (pipe(fds) != 0) {
    out.skipped = true;
    out.why = "pipe failed";
    return out;
  }
  pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    uint32_t status = 0;
    if (unshare(CLONE_NEWNET) != 0) {
      status = 0xffffffffu;
    } else if (setup && system(setup) != 0) {
      status = 0xfffffffeu;
    }
    aud_interface_t *list = nullptr;
    unsigned count = 0;
    aud_error_t r = status ? status : aud_interface_list(&list, &count);
    ssize_t ignored = write(fds[1], &r, sizeof r);
    ignored = write(fds[1], &count, sizeof count);
    if (count) {
      ignored = write(fds[1], list, count * sizeof *list);
    }
    (void)ignored;
    aud_interface_list_free(list);
    _exit(0);
  }
  close(fds[1]);
  uint32_t r = 0;
  unsigned count = 0;
  bool ok =
      read(fds[0], &r, sizeof r) == sizeof r && read(fds[0], &count, sizeof count) == sizeof count;
  if (ok && r == 0xffffffffu) {
    out.skipped = true;
    out.why = "cannot create a network namespace (not root?)";
  } else if (ok && r == 0xfffffffeu) {
    out.skipped = true;
    out.why = std::string("set-up commands failed: ") + setup;
  } else if (ok) {
    out.result = r;
    out.ifaces.resize(count);
    size_t want = count * sizeof(aud_interface_t), got = 0;
    while (got < want) {
      ssize_t n = read(fds[0], reinterpret_cast<char *>(out.ifaces.data()) + got, want - got);
      if (n <= 0) {
        break;
      }
      got += static_cast<size_t>(n);
    }
    if (got != want) {
      out.result = AUD_ERR_TRUNCATED;
    }
  } else {
    out.result = AUD_ERR_SYSTEM;
  }
  close(fds[0]);
  int st;
  waitpid(pid, &st, 0);
  return out;
}

const aud_interface_t *find(const Listing &l, const char *name) {
  for (const aud_interface_t &i : l.ifaces) {
    if (strcmp(i.name, name) == 0) {
      return &i;
    }
  }
  return nullptr;
}

std::string ipv4(const aud_sockaddr_t &a) {
  char text[INET_ADDRSTRLEN] = "";
  inet_ntop(AF_INET, &a.addr.inet.sin_addr, text, sizeof text);
  return text;
}

TEST(AudInterfaceNamespace, DownInterfaceWithoutAddressIsListedWithZeroAddress) {
  Listing l = list_in_new_namespace(nullptr);
  if (l.skipped) {
    GTEST_SKIP() << l.why;
  }
  ASSERT_EQ(AUD_SUCCESS, l.result);
  const aud_interface_t *lo = find(l, "lo");
  ASSERT_NE(nullptr, lo);
  EXPECT_EQ(AUD_FALSE, lo->is_link_up);
  EXPECT_EQ(AUD_INTERFACE_TYPE_LOOPBACK, lo->type);
  EXPECT_EQ("0.0.0.0", ipv4(lo->ip_address));
  EXPECT_EQ(0, lo->ip_address.len);
}

TEST(AudInterfaceNamespace, TunnelIsNotListedAndEthernetPairIs) {
  Listing l = list_in_new_namespace(
      "ip tuntap add tun0 mode tun && ip link add v0 type veth peer name v1 && "
      "ip addr add 10.9.0.1/24 dev v0 && ip link set v0 up && ip link set v1 up");
  if (l.skipped) {
    GTEST_SKIP() << l.why;
  }
  ASSERT_EQ(AUD_SUCCESS, l.result);
  EXPECT_EQ(nullptr, find(l, "tun0"));
  const aud_interface_t *v0 = find(l, "v0");
  ASSERT_NE(nullptr, v0);
  EXPECT_EQ(AUD_INTERFACE_TYPE_ETHERNET, v0->type);
  EXPECT_EQ("10.9.0.1", ipv4(v0->ip_address));
  EXPECT_EQ("255.255.255.0", ipv4(v0->mask));
  EXPECT_EQ(AUD_TRUE, v0->is_link_up);
  EXPECT_EQ(AUD_TRUE, v0->can_multicast);
  EXPECT_EQ(AUD_FALSE, aud_etheraddr_is_zero(&v0->ether_address));
  const aud_interface_t *v1 = find(l, "v1");
  ASSERT_NE(nullptr, v1);
  EXPECT_EQ("0.0.0.0", ipv4(v1->ip_address));
}

}  // namespace
