// Path and menu helpers of the document layer.
//
// Paths. The four path functions cut a path into its folder, file name, title
// and extension. A folder separator is "/" or "\": paths of this platform use
// "/", names stored in documents and settings written elsewhere use "\", and a
// path may mix them. A text holding a zero character ends there (a filled
// name buffer reads as its terminated text).
//
//   MCGetFilePath("/music/song.mmm")   "/music"     (the whole text without a separator)
//   MCGetFileName("/music/song.mmm")   "song.mmm"   (the whole text without a separator)
//   MCGetTitle("/music/a.b.mid")       "a.b"        (the whole file name without a ".")
//   MCGetExtension("/music/song.mmm")  "mmm"        (the whole text without a ".")
//
// The extension is taken after the last "." of the whole path, not of the file
// name: for "/my.music/song" it is "music/song". Callers compare it with the
// extensions they know, so such a path matches none of them.
//
// Menus. MCGetMenuIndex finds an item of a menu by its exact text (case and
// "&" count), as the document frame finds the "&View" submenu to extend.
//
// Any thread for the path functions; the menu functions on the user-interface
// thread, with the menu's owner.
#pragma once

#include <string>
#include <string_view>

class CMenu;

std::string MCGetFilePath(std::string_view path);
std::string MCGetFileName(std::string_view path);
std::string MCGetTitle(std::string_view path);
std::string MCGetExtension(std::string_view path);

// The position of the first item whose text equals `text`; -1 for a null menu
// or when no item matches. Item texts are compared by their first 255 bytes,
// the longest text an item reports.
int MCGetMenuIndex(const CMenu* menu, std::string_view text);
// The same for the string with that id in the current resources; -1 as well
// when the string does not exist.
int MCGetMenuIndex(const CMenu* menu, unsigned stringId);
