#pragma once
#include "support/keyboard_helpers.h"  // shared with the Linux platform tests
