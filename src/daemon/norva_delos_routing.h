// The daemon's routing session: one routing device per registered device,
// refreshed routing components, and the routing commands of the command table.
#pragma once

#include "platform/aud_error.h"

struct app_global;
struct delos_dev;

// Creates the routing device set for the daemon and installs its callbacks.
aud_error_t norva_delos_routing_init(app_global *app);

// Closes the device's routing connection if open, then connects it again.
int norva_delos_routing_reconnect_device(delos_dev *dev);

// Requests every routing component whose bit is set in component_map (0: all
// seven) again, marking them stale first when force_stale is set.
int norva_delos_update_routing_components(delos_dev *dev, unsigned component_map,
                                          bool force_stale);
