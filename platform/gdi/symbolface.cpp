#include "platform/gdi/symbolface.h"

#include <QFontDatabase>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QStringList>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_BBOX_H

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <mutex>

namespace {

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
// such name or cannot be read) with its ink box and advance, opening the file once.
void ResolveGlyphNames(const std::string& path, const std::vector<SymbolGlyph*>& glyphs) {
    for (SymbolGlyph* glyph : glyphs)
        glyph->index = 0;
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0)
        return;
    FT_Face face = nullptr;
    if (FT_New_Face(library, path.c_str(), 0, &face) == 0) {
        const double unitsPerEm = face->units_per_EM > 0 ? face->units_per_EM : 1000;
        if (FT_HAS_GLYPH_NAMES(face)) {
            for (SymbolGlyph* glyph : glyphs) {
                glyph->index = FT_Get_Name_Index(face, glyph->name.c_str());
                if (glyph->index == 0 || FT_Load_Glyph(face, glyph->index, FT_LOAD_NO_SCALE) != 0)
                    continue;
                glyph->advance = face->glyph->metrics.horiAdvance / unitsPerEm;
                FT_BBox box;
                if (face->glyph->outline.n_points > 0 && FT_Outline_Get_BBox(&face->glyph->outline, &box) == 0)
                    glyph->ink = {box.xMin / unitsPerEm, box.yMin / unitsPerEm, box.xMax / unitsPerEm,
                                  box.yMax / unitsPerEm};
            }
        }
        FT_Done_Face(face);
    }
    FT_Done_FreeType(library);
}

SymbolBox ShapeBox(const SymbolGlyph& item) {
    const QRectF bounds = SymbolShapePath(item).boundingRect();
    if (bounds.isNull())
        return {bounds.left(), bounds.top(), bounds.left(), bounds.top()};
    return {bounds.left(), bounds.top(), bounds.right(), bounds.bottom()};
}

SymbolBox Union(const SymbolBox& a, const SymbolBox& b) {
    if (a.IsEmpty())
        return b;
    if (b.IsEmpty())
        return a;
    return {std::min(a.left, b.left), std::min(a.bottom, b.bottom), std::max(a.right, b.right),
            std::max(a.top, b.top)};
}

// The box `box` covers once scaled by (sx, sy) about the origin and moved by (x, y).
SymbolBox Placed(const SymbolBox& box, double sx, double sy, double x, double y) {
    if (box.IsEmpty())
        return box;
    const double x0 = x + sx * box.left, x1 = x + sx * box.right;
    const double y0 = y + sy * box.bottom, y1 = y + sy * box.top;
    return {std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1)};
}

// Places the items of a code: where each lands, the code's ink and advance.
void PlaceItems(SymbolCode& code) {
    SymbolBox ink;
    double pen = 0;         // the right end of the items so far
    for (SymbolGlyph& item : code.glyphs) {
        if (code.fitBox)
            continue;       // chosen and placed when the font is realized
        if (item.name.empty()) {
            item.ink = ShapeBox(item);
            item.advance = std::max(0.0, item.ink.right);
        }
        item.sx = item.scale * item.stretchX;
        item.sy = item.scale;
        item.x = item.dx;
        item.y = item.dy;
        const SymbolBox own = Placed(item.ink, item.sx, item.sy, 0, 0);
        switch (item.place) {
        case SymbolPlace::Origin:
            break;
        case SymbolPlace::InRow:
            item.x += pen;
            break;
        case SymbolPlace::Below:
        case SymbolPlace::Above:
            if (!ink.IsEmpty() && !own.IsEmpty()) {
                item.x += (ink.left + ink.right) / 2 - (own.left + own.right) / 2;
                item.y += item.place == SymbolPlace::Below ? ink.bottom - own.top : ink.top - own.bottom;
            }
            break;
        }
        ink = Union(ink, Placed(own, 1, 1, item.x, item.y));
        pen = std::max(pen, item.x + std::abs(item.sx) * item.advance);
    }
    double advance = code.advance >= 0 ? code.advance : pen;
    if (code.small > 0 && !ink.IsEmpty()) {
        const double cx = (ink.left + ink.right) / 2, cy = (ink.bottom + ink.top) / 2;
        for (SymbolGlyph& item : code.glyphs) {
            item.x = cx + code.small * (item.x - cx);
            item.y = cy + code.small * (item.y - cy);
            item.sx *= code.small;
            item.sy *= code.small;
        }
        ink = {cx + code.small * (ink.left - cx), cy + code.small * (ink.bottom - cy),
               cx + code.small * (ink.right - cx), cy + code.small * (ink.top - cy)};
        advance = cx + code.small * (advance - cx);
    }
    if (code.inkLeft && !ink.IsEmpty()) {
        const double shift = -ink.left;
        for (SymbolGlyph& item : code.glyphs)
            item.x += shift;
        ink = Placed(ink, 1, 1, shift, 0);
        advance += shift;
    }
    code.ink = ink;
    code.resolvedAdvance = std::max(0.0, advance);
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
        if (file.empty())
            return false;   // a face whose file was not found when it was made
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
    for (SymbolCode& code : m_codes)
        PlaceItems(code);
    m_families = std::move(families);
    return true;
}

QPainterPath SymbolShapePath(const SymbolGlyph& item) {
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    const auto& points = item.shape;
    if (item.thickness > 0 && points.size() == 3) {
        QPainterPath curve(QPointF(points[0].first, points[0].second));
        curve.quadTo(QPointF(points[1].first, points[1].second), QPointF(points[2].first, points[2].second));
        QPainterPathStroker stroker;
        stroker.setWidth(item.thickness);
        stroker.setCapStyle(Qt::RoundCap);
        path = stroker.createStroke(curve).simplified();
        path.setFillRule(Qt::WindingFill);
    } else if (!points.empty()) {
        // Each point is drawn as given, so a contour of no height stays in the
        // outline (a line of zero area that fills nothing).
        path.moveTo(points[0].first, points[0].second);
        for (size_t i = 1; i < points.size(); ++i)
            path.lineTo(points[i].first, points[i].second);
        path.closeSubpath();
    }
    return path;
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
        for (auto* make : {&MakeMusicFace, &MakeChartFace}) {
            registry.faces.push_back(make());
            registry.loaded.push_back(false);
            registry.usable.push_back(false);
        }
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
