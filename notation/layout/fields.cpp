// The layout fields' destructors: one home for each class's virtual table.
#include "notation/layout/fields.h"

FCBeam::~FCBeam() = default;
FCNotehead::~FCNotehead() = default;
FCStem::~FCStem() = default;
