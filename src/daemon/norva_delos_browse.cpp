#include "daemon/norva_delos_browse.h"

// Will create the browse object and start DNS-SD and SAP browsing.
aud_error_t norva_delos_browse_init(app_global *) { return AUD_SUCCESS; }

// Will reconfirm each device node of the browse tree.
int norva_delos_browse_reconfirm(app_global *) { return 0; }
