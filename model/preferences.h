// Preference functions: how every part of the system reads and writes its
// settings in the application profile (platform/core/profile.h).
//
// Each function takes a section (a path-like name, "Settings\Notation") and a
// key (which may hold blanks); each load function takes the default it returns
// when the key is absent. On top of the profile's integers and texts they keep
// three typed forms, all stored as texts a user can read and edit:
// - a float: written with six decimals ("1.500000"); read as the leading number
//   of the text, 0.0 when the text begins with none;
// - a font: "face, height, bold, italic, underline" ("Arial, 12, 1, 0, 0"), the
//   last three 1 or 0; a stored 0 leaves the caller's default in force;
// - a window placement: the integer keys "x", "y", "Width", "Height", "Iconic"
//   and "Maximized" of a section of its own.
// Texts of any length are read and written whole.
//
// Numbers are written and read in the C library's plain form, whatever the
// user's language: a float is always written with a point.
//
// Threads: any thread (the profile locks its file).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class CFont;
class CPlacedWindow;
struct WINDOWPLACEMENT;

// The integer, or `defaultValue` when the key is absent.
int LoadIntPreference(const std::string& section, const std::string& key, int defaultValue);
// The same, kept within what the setting can mean: a stored value outside
// lowest ... highest (a damaged profile) reads as not stored, the default.
int LoadIntPreference(const std::string& section, const std::string& key, int defaultValue, int lowest,
                      int highest);
// Non-zero when the profile was written.
int SaveIntPreference(const std::string& section, const std::string& key, int value);

// The float, or `defaultValue` when the key is absent or its text empty.
float LoadFloatPreference(const std::string& section, const std::string& key, float defaultValue);
// The same, a stored value outside lowest ... highest (or not a number)
// reading as the default.
float LoadFloatPreference(const std::string& section, const std::string& key, float defaultValue, float lowest,
                          float highest);
int SaveFloatPreference(const std::string& section, const std::string& key, float value);

// A colour (0x00BBGGRR), or `defaultValue` when the key is absent or the
// stored number is no colour (negative, or beyond 24 bits).
uint32_t LoadColorPreference(const std::string& section, const std::string& key, uint32_t defaultValue);

std::string LoadStringPreference(const std::string& section, const std::string& key,
                                 const std::string& defaultValue);
int SaveStringPreference(const std::string& section, const std::string& key, const std::string& value);

// A new font (the caller owns it): the defaults given, overridden part by part
// by the stored text. `bold` non-zero means weight 700, else 400. A stored
// height beyond 1000 units either way (a damaged profile) keeps the default.
std::unique_ptr<CFont> LoadFontPreference(const std::string& section, const std::string& key,
                                          const std::string& face, int height, int bold,
                                          int italic, int underline);
// Writes the font's text; 0 (nothing written) for a null or empty font.
int SaveFontPreference(const std::string& section, const std::string& key, const CFont* font);

// Fills the placement (length, flags, show command, positions) from the section
// and sets `showCommand` to the show command chosen. Returns 1 when a stored size
// was found, 0 when the desktop's work area gave the size. A stored size beyond
// four work areas reads as none, a position that far off as 0.
int LoadWindowPrefs(const std::string& section, WINDOWPLACEMENT& placement, int& showCommand);
// Writes the placement's keys; non-zero when all were written.
int SaveWindowPrefs(const std::string& section, const WINDOWPLACEMENT& placement);
// Writes the window's current placement; 0 (nothing written) when the window is
// null or cannot tell its placement. UI thread (it asks the window).
int SaveWindowPrefs(const std::string& section, const CPlacedWindow* window);
