#include "platform/gdi/symbolface.h"

#include <QFontDatabase>
#include <QStringList>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <mutex>

namespace {

// The music face's table. Only a few codes yet; the notation's layout adds the
// rest with their offsets, scales and compositions.
std::unique_ptr<CSymbolFace> MakeMusicFace() {
    std::vector<SymbolCode> codes = {
        {32, {{0, "space"}}},
        {35, {{0, "accidentals.sharp"}}},
        {38, {{0, "clefs.G"}}},            // origin on the G line
        {98, {{0, "accidentals.flat"}}},
        {207, {{0, "noteheads.s2"}}},      // the black notehead; its advance is the notehead width
    };
    return std::make_unique<CSymbolFace>(
        "Norvane2", std::vector<std::string>{"emmentaler-20.otf", "emmentaler-brace.otf"},
        std::move(codes));
}

struct Registry {
    std::mutex lock;
    std::vector<std::unique_ptr<CSymbolFace>> faces;
    std::vector<bool> loaded;       // tried, per face
    std::vector<bool> usable;
    std::map<std::string, QString> families;     // registered file -> its family
    bool seeded = false;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

// Registers a font file with the application's font database once per process;
// the family, or empty when the file is no font. Called with the registry locked.
QString RegisterFile(Registry& registry, const std::string& path) {
    if (auto found = registry.families.find(path); found != registry.families.end())
        return found->second;
    QString family;
    const int id = QFontDatabase::addApplicationFont(QString::fromStdString(path));
    if (id >= 0) {
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        if (!families.isEmpty())
            family = families.front();
    }
    registry.families[path] = family;
    return family;
}

// Sets each glyph's index from its name in the font file (0 when the file has no
// such name or cannot be read), opening the file once.
void ResolveGlyphNames(const std::string& path, const std::vector<SymbolGlyph*>& glyphs) {
    for (SymbolGlyph* glyph : glyphs)
        glyph->index = 0;
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0)
        return;
    FT_Face face = nullptr;
    if (FT_New_Face(library, path.c_str(), 0, &face) == 0) {
        if (FT_HAS_GLYPH_NAMES(face))
            for (SymbolGlyph* glyph : glyphs)
                glyph->index = FT_Get_Name_Index(face, glyph->name.c_str());
        FT_Done_Face(face);
    }
    FT_Done_FreeType(library);
}

}  // namespace

CSymbolFace::CSymbolFace(std::string name, std::vector<std::string> files,
                         std::vector<SymbolCode> codes)
    : m_name(std::move(name)), m_files(std::move(files)), m_codes(std::move(codes)) {
    std::sort(m_codes.begin(), m_codes.end(),
              [](const SymbolCode& a, const SymbolCode& b) { return a.code < b.code; });
    if (!m_codes.empty()) {
        m_first = m_codes.front().code;
        m_last = m_codes.back().code;
    }
}

bool CSymbolFace::Load() {
    Registry& registry = TheRegistry();
    std::vector<std::string> paths;
    std::vector<QString> families;
    for (const std::string& file : m_files) {
        std::string path = std::filesystem::path(file).is_absolute() ? file : FindSymbolFontFile(file);
        if (path.empty() || !std::filesystem::exists(path))
            return false;
        QString family = RegisterFile(registry, path);
        if (family.isEmpty())
            return false;
        paths.push_back(std::move(path));
        families.push_back(std::move(family));
    }
    for (size_t file = 0; file < paths.size(); ++file) {
        std::vector<SymbolGlyph*> glyphs;
        for (SymbolCode& code : m_codes)
            for (SymbolGlyph& glyph : code.glyphs)
                if (glyph.file == static_cast<int>(file))
                    glyphs.push_back(&glyph);
        ResolveGlyphNames(paths[file], glyphs);
    }
    m_families = std::move(families);
    return true;
}

const SymbolCode* CSymbolFace::Find(uint8_t code) const {
    auto found = std::lower_bound(m_codes.begin(), m_codes.end(), code,
                                  [](const SymbolCode& entry, uint8_t c) { return entry.code < c; });
    return found != m_codes.end() && found->code == code ? &*found : nullptr;
}

void CSymbolFace::SetPresentedMetrics(double ascentEm, double descentEm) {
    m_ascentEm = ascentEm;
    m_descentEm = descentEm;
}

const CSymbolFace* FindSymbolFace(std::string_view faceName) {
    Registry& registry = TheRegistry();
    std::lock_guard guard(registry.lock);
    if (!registry.seeded) {
        registry.seeded = true;
        registry.faces.push_back(MakeMusicFace());
        registry.loaded.push_back(false);
        registry.usable.push_back(false);
    }
    for (size_t i = 0; i < registry.faces.size(); ++i) {
        if (!SameFaceName(registry.faces[i]->GetName(), faceName))
            continue;
        if (!registry.loaded[i]) {
            registry.loaded[i] = true;
            registry.usable[i] = registry.faces[i]->Load();
        }
        return registry.usable[i] ? registry.faces[i].get() : nullptr;
    }
    return nullptr;
}

void RegisterSymbolFace(std::unique_ptr<CSymbolFace> face) {
    if (!face)
        return;
    FindSymbolFace("");     // seeds the built-in faces first, so a replacement stays
    Registry& registry = TheRegistry();
    std::lock_guard guard(registry.lock);
    for (size_t i = 0; i < registry.faces.size(); ++i) {
        if (SameFaceName(registry.faces[i]->GetName(), face->GetName())) {
            // A face handed out before stays alive: realized fonts may point at it.
            registry.faces.push_back(std::move(registry.faces[i]));
            registry.loaded.push_back(true);
            registry.usable.push_back(false);
            registry.faces[i] = std::move(face);
            registry.loaded[i] = false;
            registry.usable[i] = false;
            return;
        }
    }
    registry.faces.push_back(std::move(face));
    registry.loaded.push_back(false);
    registry.usable.push_back(false);
}

std::string FindSymbolFontFile(std::string_view fileName) {
    // The package installs its fonts under a folder per version; take the newest.
    std::error_code error;
    std::vector<std::filesystem::path> found;
    for (const auto& version : std::filesystem::directory_iterator("/usr/share/lilypond", error)) {
        std::filesystem::path candidate = version.path() / "fonts" / "otf" / std::string(fileName);
        if (std::filesystem::exists(candidate, error))
            found.push_back(candidate);
    }
    if (found.empty())
        return {};
    std::sort(found.begin(), found.end());
    return found.back().string();
}


bool SameFaceName(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}
