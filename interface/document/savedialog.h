// The save dialog's file types, and the document format a path stands for.
//
// MCSaveDialog lets the user choose where to save a document and as which of
// three types; the index of a type is the document format code it stands for
// (opusheader.h): 0 the native document "mmm", 1 a type 0 MIDI file "mid",
// 2 a type 1 MIDI file "mid". The dialog itself arrives with the GUI; what is
// here needs no window: the table of types, the format a path's extension
// names, and how a typed extension overrides the type chosen in the list.
//
// Extensions compare exactly: "MID" is not "mid". Any thread.
#pragma once

#include <string_view>

class MCSaveDialog {
public:
    // One entry of the dialog's list of types.
    struct FileType {
        unsigned stringId;       // description and pattern, split by a line feed
        const char* extension;   // without the dot
    };
    static constexpr int TYPE_COUNT = 3;
    // The types in list order; index = format code.
    static const FileType s_fileTypes[TYPE_COUNT];

    // The format index chosen (0 until the dialog has run).
    int GetSaveFormat() const { return m_nFormat; }
    // The format of the first type whose extension equals the path's extension
    // (MCGetExtension): "mmm" 0, "mid" 1; -1 for any other.
    static int GetSaveFormat(std::string_view path);
    // The format to save in when the user chose `format` in the list and typed
    // `path`: a native choice with a "mid" name saves as a type 1 MIDI file, a
    // MIDI choice with an "mmm" name saves natively; otherwise the choice stands.
    static int CorrectFormat(int format, std::string_view path);

private:
    int m_nFormat = 0;
};
