// The mouse cursors of the edit tools, resources of the plug-in (their
// pictures in toolcursors.cpp).
#pragma once

inline constexpr unsigned IDC_INSERT_TOOL = 13320;     // insert tools: a cross with a plus
inline constexpr unsigned IDC_MODIFIER_TOOL = 13321;   // tools that mark a note: an arrow with an accent
inline constexpr unsigned IDC_ERASE_TOOL = 13322;      // the erase tool: an eraser
inline constexpr unsigned IDC_SIGNATURE_TOOL = 13323;  // clef, key and meter tools: a cross with a sharp
inline constexpr unsigned IDC_CHORD_TOOL = 13324;      // the chord-symbol tool: a cross with a chord grid
inline constexpr unsigned IDC_NOTE_TOOL = 13326;       // the note tool: a notehead on its stem
