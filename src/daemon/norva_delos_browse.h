// The daemon's browse session: discovered devices and AES67 streams feed the registry.
#pragma once

#include "platform/aud_error.h"

struct app_global;

// Creates and starts the browse session on the configured interfaces. Called by
// the main loop once the status-channel registration has been accepted.
aud_error_t norva_delos_browse_init(app_global *app);

// Asks the mDNS responder to reconfirm every known device; always 0.
int norva_delos_browse_reconfirm(app_global *app);
