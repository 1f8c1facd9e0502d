#include "daemon/norva_delos_routing.h"

// Will create the routing device set once the routing client exists.
aud_error_t norva_delos_routing_init(app_global *) { return AUD_SUCCESS; }

// Will clear and reopen the device's routing connection.
int norva_delos_routing_reconnect_device(delos_dev *) { return -1; }

// Will send the routing component requests for the device.
int norva_delos_update_routing_components(delos_dev *, unsigned, bool) { return -1; }
