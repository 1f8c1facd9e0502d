#include "daemon/norva_delos_options.h"

#include <arpa/inet.h>
#include <getopt.h>
#include <net/if.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

norva_delos_options g_norva_options;

namespace {

const char k_usage[] =
    "usage: norva-delosd [options]\n"
    "  --port N              TCP command port (default 6888)\n"
    "  --bind ADDR           IPv4 address to listen on (default: any)\n"
    "  --conf FILE           conmon server configuration file to write (default /etc/conmon.conf)\n"
    "  --interfaces A,B      the two network interfaces (default eth1,eth0)\n"
    "  --conmon-socket PATH  local conmon server socket (default /var/run/delos/conmon.server)\n"
    "  --no-restart          do not kill and restart the mDNS responder and conmon server\n"
    "  --log-level N         component log threshold 0-7 (default 0)\n"
    "  --max-clients N       concurrent command sessions (default 64)\n"
    "  --help                show this text\n"
    "  --version             show the version\n";

// Reads an unsigned decimal number within [min, max]; false on anything else.
bool parse_unsigned(const char *text, unsigned long min, unsigned long max, unsigned long *out) {
  if (!text || !*text || *text == '-' || *text == '+') {
    return false;
  }
  errno = 0;
  char *end = nullptr;
  unsigned long v = strtoul(text, &end, 10);
  if (errno != 0 || *end != '\0' || v < min || v > max) {
    return false;
  }
  *out = v;
  return true;
}

bool valid_interface_name(const std::string &name) {
  return !name.empty() && name.size() < IFNAMSIZ && name.find_first_of(" /,") == std::string::npos;
}

int bad_option(const char *fmt, const char *arg) {
  fprintf(stderr, "norva-delosd: ");
  fprintf(stderr, fmt, arg);
  fprintf(stderr, "\n%s", k_usage);
  return 2;
}

}  // namespace

int norva_delos_options_parse(int argc, char **argv, norva_delos_options *opts) {
  enum {
    OPT_PORT = 1000,
    OPT_BIND,
    OPT_CONF,
    OPT_INTERFACES,
    OPT_CONMON_SOCKET,
    OPT_NO_RESTART,
    OPT_LOG_LEVEL,
    OPT_MAX_CLIENTS,
    OPT_HELP,
    OPT_VERSION,
  };
  static const struct option k_long[] = {
      {"port", required_argument, nullptr, OPT_PORT},
      {"bind", required_argument, nullptr, OPT_BIND},
      {"conf", required_argument, nullptr, OPT_CONF},
      {"interfaces", required_argument, nullptr, OPT_INTERFACES},
      {"conmon-socket", required_argument, nullptr, OPT_CONMON_SOCKET},
      {"no-restart", no_argument, nullptr, OPT_NO_RESTART},
      {"log-level", required_argument, nullptr, OPT_LOG_LEVEL},
      {"max-clients", required_argument, nullptr, OPT_MAX_CLIENTS},
      {"help", no_argument, nullptr, OPT_HELP},
      {"version", no_argument, nullptr, OPT_VERSION},
      {nullptr, 0, nullptr, 0},
  };
  norva_delos_options parsed = *opts;
  optind = 1;
  opterr = 0;
  for (;;) {
    int c = getopt_long(argc, argv, "", k_long, nullptr);
    if (c == -1) {
      break;
    }
    unsigned long v = 0;
    switch (c) {
      case OPT_PORT:
        if (!parse_unsigned(optarg, 1, 65535, &v)) {
          return bad_option("--port needs a number from 1 to 65535, not '%s'", optarg);
        }
        parsed.port = static_cast<uint16_t>(v);
        break;
      case OPT_BIND: {
        struct in_addr a;
        if (inet_pton(AF_INET, optarg, &a) != 1) {
          return bad_option("--bind needs an IPv4 address, not '%s'", optarg);
        }
        parsed.bind = optarg;
        break;
      }
      case OPT_CONF:
        if (!*optarg) {
          return bad_option("--conf needs a file name%s", "");
        }
        parsed.conf = optarg;
        break;
      case OPT_INTERFACES: {
        std::string both = optarg;
        size_t comma = both.find(',');
        std::string a = comma == std::string::npos ? "" : both.substr(0, comma);
        std::string b = comma == std::string::npos ? "" : both.substr(comma + 1);
        if (!valid_interface_name(a) || !valid_interface_name(b)) {
          return bad_option("--interfaces needs two interface names A,B (each 1 to 15 characters), not '%s'",
                            optarg);
        }
        parsed.primary = a;
        parsed.secondary = b;
        break;
      }
      case OPT_CONMON_SOCKET:
        // A Unix socket path must fit sockaddr_un's 108-byte field.
        if (!*optarg || strlen(optarg) > 107) {
          return bad_option("--conmon-socket needs a path of 1 to 107 characters, not '%s'", optarg);
        }
        parsed.conmon_socket = optarg;
        break;
      case OPT_NO_RESTART:
        parsed.restart = false;
        break;
      case OPT_LOG_LEVEL:
        if (!parse_unsigned(optarg, 0, 7, &v)) {
          return bad_option("--log-level needs a number from 0 to 7, not '%s'", optarg);
        }
        parsed.log_level = static_cast<unsigned>(v);
        break;
      case OPT_MAX_CLIENTS:
        if (!parse_unsigned(optarg, 1, 1024, &v)) {
          return bad_option("--max-clients needs a number from 1 to 1024, not '%s'", optarg);
        }
        parsed.max_clients = static_cast<unsigned>(v);
        break;
      case OPT_HELP:
        fputs(k_usage, stdout);
        return 1;
      case OPT_VERSION:
        printf("norva-delosd %s\n", NORVA_DELOS_VERSION);
        return 1;
      default:
        return bad_option("unknown or incomplete option '%s'", argv[optind - 1]);
    }
  }
  if (optind < argc) {
    return bad_option("unexpected argument '%s'", argv[optind]);
  }
  *opts = parsed;
  return 0;
}
