#include "browse/db_browse_config.h"

db_browse_config_t *db_browse_config_init_defaults(db_browse_config_t *config) {
  if (!config) {
    return config;
  }
  *config = db_browse_config_t{};
  config->num_interface_indexes = 1;
  config->interface_bitmask = 0xFFFFFFFFu;
  config->localhost = AUD_TRUE;
  config->resolve_timeout.tv_sec = 30;
  config->resolve_timeout.tv_usec = 0;
  return config;
}
