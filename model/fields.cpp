// Typed fields (see fields.h for the contract). The family is header-only
// templates; this file anchors the base's virtual table in the library.
#include "model/fields.h"

FCBase::~FCBase() = default;
