// Lodemar's own resources: the string table of the data model (the display
// names of the event types, 11776 to 11828, and whatever texts other parts of
// the model add to model/strings.cpp).
// The table is registered when the library is loaded; any thread may look up.
#pragma once

#include "platform/core/library.h"

// The module that holds Lodemar's strings, for lookups that must find this
// library's text and no other module's of the same number.
HINSTANCE GetLodemarModule();
