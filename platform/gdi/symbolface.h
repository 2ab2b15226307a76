// Symbol faces: fonts the system addresses by 8-bit character codes.
//
// The notation draws its symbols with a face it names by a name of its own
// ("Norvane2") and by character codes. Here such a face is a list of font files
// and a table of codes; each code stands for one or more glyphs, each named by
// its glyph name in one of the files and placed by an offset and a scale (a
// composition draws them in order), or for a filled shape in em. Names are looked up once, when the face is
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
// looked for under /usr/share/lilypond/<version>/fonts/otf. So is the chord-chart
// face "Fretmark", a face of our own built with the program.
//
// Threads: the registry is guarded; a face is immutable once loaded and may be
// read from any thread.
#pragma once

#include <QPainterPath>
#include <QString>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Where an item of a composition stands before its own offset.
enum class SymbolPlace : uint8_t {
    Origin,     // at the drawing point
    InRow,      // after the advance of the items before it
    Below,      // centred under the ink of the items before it, its offset below that ink
    Above,      // centred over it
};

// A box in em, y up.
struct SymbolBox {
    double left = 0, bottom = 0, right = 0, top = 0;
    bool IsEmpty() const { return right <= left && top <= bottom; }
};

// One item of a code: a glyph of one of the files, or (with no name) a filled
// shape given in em: a polygon, or with a thickness a quadratic curve (start,
// control, end) stroked that thick.
struct SymbolGlyph {
    int file = 0;               // index into the face's files
    std::string name;           // the glyph's name in that file; empty for a shape
    double dx = 0;              // offset from where the item stands, in em, y up
    double dy = 0;
    double scale = 1;           // about the drawing point, before the offset
    uint32_t index = 0;         // the glyph index, once resolved (0: no such glyph)
    double stretchX = 1;        // a further horizontal factor (-1 mirrors); not 1: drawn as a path
    SymbolPlace place = SymbolPlace::Origin;
    std::vector<std::pair<double, double>> shape{};
    double thickness = 0;

    // Set by Load: the glyph's own ink box and advance at scale 1, in em, and
    // where the item lands: the factors and the offset of its origin.
    SymbolBox ink{};
    double advance = 0;
    double x = 0, y = 0, sx = 1, sy = 1;
};

// What a code draws.
struct SymbolCode {
    uint8_t code = 0;
    std::vector<SymbolGlyph> glyphs;    // in drawing order; with fitBox, the choices
    bool inkLeft = false;       // moved right so that its ink starts at x = 0
    double small = 0;           // not 0: the whole drawn that much smaller about its ink's centre
    double advance = -1;        // in em; below 0 the rightmost item's
    // The glyph whose proportions are nearest a box one em tall, centred on the
    // baseline and as wide as the logical width (em / 8 without one), stretched
    // to fill it, its ink from x = 0.
    bool fitBox = false;

    // Set by Load: the advance and the ink box, in em.
    double resolvedAdvance = 0;
    SymbolBox ink{};
};
class CSymbolFace {
public:
    // `files` are file names looked for by FindSymbolFontFile, or absolute paths.
    CSymbolFace(std::string name, std::vector<std::string> files, std::vector<SymbolCode> codes);

    // Finds and registers the files, resolves and measures every glyph and
    // places the items of every code. False when a file is missing or
    // unreadable; a name that a file lacks leaves that glyph at index 0 (drawn
    // as nothing).
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

// The filled shape of an item without a glyph, in em, y up, at scale 1 and
// before its offset: empty for a glyph.
QPainterPath SymbolShapePath(const SymbolGlyph& item);

// The built-in music face "Norvane2" (musicface_table.cpp), not yet loaded.
std::unique_ptr<CSymbolFace> MakeMusicFace();

// The built-in chord-chart face "Fretmark" (chartface_table.cpp), not yet
// loaded, and the full path of its file (built with the program, in "Fonts"
// beside it), or empty when there is none.
std::unique_ptr<CSymbolFace> MakeChartFace();
std::string FindChartFaceFile();

// The full path of a music-font file (as "emmentaler-20.otf"), or empty.
std::string FindSymbolFontFile(std::string_view fileName);


// Whether two face names are the same name: faces are named without regard to case.
bool SameFaceName(std::string_view a, std::string_view b);
