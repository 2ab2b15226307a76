// Symbol faces: fonts the system addresses by 8-bit character codes.
//
// The notation draws its symbols with a face it names by a name of its own
// ("Norvane2") and by character codes. Here such a face is a list of font files
// and a table of codes; each code stands for one or more glyphs, each named by
// its glyph name in one of the files and placed by an offset and a scale (a
// composition draws them in order). Names are looked up once, when the face is
// first used, with FreeType (the toolkit has no lookup by name); the files are
// registered with the application's font database, so that drawing goes
// through fonts made from the registered family, which a PDF embeds and keeps
// as text.
//
// The face presents fixed text metrics in em: an ascent and a descent (0.8 and
// 0.2 by default) and no internal leading, so a cell height and a character
// height of the same size give the same em. Its first and last characters are
// the lowest and highest codes of its table. A code not in the table has no
// glyph: it draws nothing and measures 0.
//
// "Norvane2" is built in: Emmentaler-20 (file 0) and Emmentaler-Brace (file 1)
// from the music-font package, whose files are not known to fontconfig and are
// looked for under /usr/share/lilypond/<version>/fonts/otf.
//
// Threads: the registry is guarded; a face is immutable once loaded and may be
// read from any thread.
#pragma once

#include <QString>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// One glyph of a code.
struct SymbolGlyph {
    int file = 0;               // index into the face's files
    std::string name;           // the glyph's name in that file
    double dx = 0;              // offset from the drawing point, in em, y up
    double dy = 0;
    double scale = 1;           // about the drawing point, before the offset
    uint32_t index = 0;         // the glyph index, once resolved (0: no such glyph)
};

// What a code draws.
struct SymbolCode {
    uint8_t code = 0;
    std::vector<SymbolGlyph> glyphs;    // in drawing order
};

class CSymbolFace {
public:
    // `files` are file names looked for by FindSymbolFontFile, or absolute paths.
    CSymbolFace(std::string name, std::vector<std::string> files, std::vector<SymbolCode> codes);

    // Finds and registers the files and resolves every glyph name. False when a
    // file is missing or unreadable; a name that a file lacks leaves that glyph
    // at index 0 (drawn as nothing).
    bool Load();

    const std::string& GetName() const { return m_name; }
    size_t GetFileCount() const { return m_families.size(); }
    // The registered family of file `file` (empty before Load).
    const QString& GetFamily(size_t file) const { return m_families.at(file); }

    // The code's entry, or null when the table has none.
    const SymbolCode* Find(uint8_t code) const;
    // The table's range; both 0 for an empty table.
    uint8_t GetFirstChar() const { return m_first; }
    uint8_t GetLastChar() const { return m_last; }

    double GetAscentEm() const { return m_ascentEm; }
    double GetDescentEm() const { return m_descentEm; }
    void SetPresentedMetrics(double ascentEm, double descentEm);

private:
    std::string m_name;
    std::vector<std::string> m_files;
    std::vector<QString> m_families;
    std::vector<SymbolCode> m_codes;    // sorted by code
    uint8_t m_first = 0;
    uint8_t m_last = 0;
    double m_ascentEm = 0.8;
    double m_descentEm = 0.2;
};

// The symbol face of that name (case-insensitive), loaded on first use; null
// when the name is no symbol face or its files cannot be loaded.
const CSymbolFace* FindSymbolFace(std::string_view faceName);

// Adds a face to the registry (replacing one of the same name); it is loaded
// when first found.
void RegisterSymbolFace(std::unique_ptr<CSymbolFace> face);

// The full path of a music-font file (as "emmentaler-20.otf"), or empty.
std::string FindSymbolFontFile(std::string_view fileName);


// Whether two face names are the same name: faces are named without regard to case.
bool SameFaceName(std::string_view a, std::string_view b);
