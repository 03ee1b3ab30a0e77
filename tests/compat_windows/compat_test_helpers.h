#pragma once

// Moved to tests/support/compat.h; kept until the remaining includes point there.
#include "support/compat.h"
