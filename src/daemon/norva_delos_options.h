// Command-line options of norva-delosd. The defaults are the daemon's fixed
// constants, so running it with no arguments behaves as on the box.
#pragma once

#include <cstdint>
#include <string>

#define NORVA_DELOS_DEFAULT_PORT 6888
#define NORVA_DELOS_DEFAULT_CONF "/etc/conmon.conf"
#define NORVA_DELOS_DEFAULT_CONMON_SOCKET "/var/run/delos/conmon.server"
#define NORVA_DELOS_DEFAULT_MAX_CLIENTS 64
#define NORVA_DELOS_VERSION "0.1.0"

struct norva_delos_options {
  uint16_t port = NORVA_DELOS_DEFAULT_PORT;
  std::string bind;  // empty: any address
  std::string conf = NORVA_DELOS_DEFAULT_CONF;
  // The two interfaces: `primary` takes every role of eth1, `secondary` of eth0.
  std::string primary = "eth1";
  std::string secondary = "eth0";
  std::string conmon_socket = NORVA_DELOS_DEFAULT_CONMON_SOCKET;
  bool restart = true;          // kill and restart the mDNS responder and conmon server
  unsigned log_level = 0;       // component log threshold
  unsigned max_clients = NORVA_DELOS_DEFAULT_MAX_CLIENTS;  // concurrent command sessions
};

// The options in force; filled once by norva_delos_options_parse before start-up.
extern norva_delos_options g_norva_options;

// Parses argv into opts. Returns 0 to run, 1 when --help or --version printed
// their text (exit 0), 2 on a bad option (usage printed to stderr; exit 2).
int norva_delos_options_parse(int argc, char **argv, norva_delos_options *opts);
