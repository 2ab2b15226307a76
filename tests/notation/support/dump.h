// The notation dump: what automatic notation made of a piece, as text, one
// line per staff measure and voice. The grammar is written down in DUMP.md
// beside this file; a golden file holds a dump and is compared exactly.
//
// The dump reads the tree and the notation display objects and changes
// nothing: it never makes a display object. A field whose pass has not run
// yet prints `?` (see DUMP.md for which dirty kind guards which field), so a
// dump taken before a pass exists already has that pass's grammar.
//
// User-interface thread, with nothing editing the tree meanwhile.
#pragma once

#include <string>

class ECConductor;
class ECMeasure;

namespace notation_dump {

// Every staff (1 to the highest staff number), every measure of it in child
// order, numbered as the conductor numbers the measure at its time.
std::string DumpPiece(ECConductor* conductor);

// The lines of one staff measure, given its staff and bar number.
std::string DumpMeasure(ECMeasure* measure, int staff, int bar);

}  // namespace notation_dump
