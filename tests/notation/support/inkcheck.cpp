// Classifying recorded marks and finding the pairs that collide.
#include "tests/notation/support/inkcheck.h"

#include "platform/core/codepage.h"
#include "platform/core/object.h"
#include "platform/gdi/symbolface.h"

#include <algorithm>
#include <cstring>
#include <sstream>
#include <set>
#include <string_view>
#include <tuple>

namespace page_check {

namespace {

// The kind of what an element draws, by its class, where one class draws
// one kind.
struct ElementKind {
    const char* element;
    InkKind kind;
};
constexpr ElementKind kElementKinds[] = {
    {"DCctAccidental", InkKind::Accidental},
    {"DCctDot", InkKind::Dot},
    {"DCctRest", InkKind::Rest},
    {"DCctAccent", InkKind::Articulation},
    {"DCctBeam", InkKind::Beam},
    {"DCctTie", InkKind::TieSlur},
    {"DCctSlur", InkKind::TieSlur},
    {"DCctClef", InkKind::Clef},
    {"DCctKey", InkKind::KeySignature},
    {"DCctMeter", InkKind::Meter},
    {"DCctBarline", InkKind::BarLine},
    {"DCctFlowControl", InkKind::BarLine},   // repeat bars and their dots
    {"DCctConductorMeasure", InkKind::Number},   // the measure number
    {"DCctText", InkKind::Text},
    {"DCctLyric", InkKind::Lyric},
    {"DCctTempo", InkKind::TempoMark},
    {"DCctDynamic", InkKind::Dynamic},
    {"DCctTuplet", InkKind::Tuplet},
    {"DCctBrac", InkKind::Brace},
};

const AllowedContact kAllowed[] = {
    {InkKind::Notehead, InkKind::Stem, "a stem joins its notehead, and a chord's stem runs through its heads"},
    {InkKind::Stem, InkKind::Beam, "a stem reaches into its beam"},
    {InkKind::Stem, InkKind::Flag, "a flag hangs from its stem"},
    {InkKind::LedgerLine, InkKind::Notehead, "a notehead sits on or between its ledger lines"},
    {InkKind::TieSlur, InkKind::Notehead, "a tie or slur ends at its notehead (a curve's box spans what it arches over)"},
    {InkKind::StaffLine, InkKind::Any, "every symbol stands on the staff lines"},
    {InkKind::BarLine, InkKind::Any, "a bar line runs through the staff and what stands on it"},
    {InkKind::LedgerLine, InkKind::Accidental, "ledger lines are short staff lines: an accidental stands on them"},
    {InkKind::LedgerLine, InkKind::Dot, "ledger lines are short staff lines: a dot stands beside them"},
    {InkKind::LedgerLine, InkKind::Rest, "a rest outside the staff has its own ledger line"},
};

// The kinds that must stand clear of everything but staff and bar lines.
bool IsFree(InkKind kind) {
    switch (kind) {
    case InkKind::Accidental:
    case InkKind::Dot:
    case InkKind::Rest:
    case InkKind::Articulation:
    case InkKind::Clef:
    case InkKind::KeySignature:
    case InkKind::Meter:
    case InkKind::Text:
    case InkKind::Number:
    case InkKind::Lyric:
    case InkKind::TempoMark:
    case InkKind::Dynamic:
        return true;
    default:
        return false;
    }
}

bool IsLine(InkKind kind) { return kind == InkKind::StaffLine || kind == InkKind::BarLine; }

// The glyph names a music-face text draws (its codes' glyphs), "" for a
// filled shape; empty when the face is no symbol face.
std::vector<std::string> GlyphNames(const InkMark& mark) {
    std::vector<std::string> names;
    const CSymbolFace* face = mark.face.empty() ? nullptr : FindSymbolFace(mark.face);
    std::string codes;
    if (!face || !Utf8ToCp1252(mark.text, codes))
        return names;
    for (unsigned char code : codes)
        if (const SymbolCode* entry = face->Find(code))
            for (const SymbolGlyph& glyph : entry->glyphs)
                names.push_back(glyph.name);
    return names;
}

bool Starts(const std::string& name, std::string_view prefix) {
    return name.compare(0, prefix.size(), prefix) == 0;
}

// What a note (or grace note, or rest) draws, by the glyph.
InkKind NoteKind(const InkMark& mark, bool rest) {
    if (mark.text.empty())
        return rest ? InkKind::Rest : InkKind::Stem;   // a note's only shape outside a glyph is its stem
    const std::vector<std::string> names = GlyphNames(mark);
    if (names.empty())
        return InkKind::Other;
    // A composed symbol is known by its first glyph; a shape only: a ledger line.
    const auto named = std::find_if(names.begin(), names.end(), [](const std::string& n) { return !n.empty(); });
    if (named == names.end())
        return InkKind::LedgerLine;
    if (Starts(*named, "flags."))
        return InkKind::Flag;
    if (Starts(*named, "noteheads."))
        return rest ? InkKind::Rest : InkKind::Notehead;
    if (Starts(*named, "rests."))
        return InkKind::Rest;
    return InkKind::Other;
}

// What a mirror (the clef, key and meter repeated where a system starts)
// draws, by the glyph.
InkKind SignKind(const InkMark& mark) {
    for (const std::string& name : GlyphNames(mark)) {
        if (Starts(name, "clefs."))
            return InkKind::Clef;
        if (Starts(name, "accidentals."))
            return InkKind::KeySignature;
        if (Starts(name, "timesig.") || name == "zero" || name == "one" || name == "two" || name == "three" ||
            name == "four" || name == "five" || name == "six" || name == "seven" || name == "eight" ||
            name == "nine")
            return InkKind::Meter;
    }
    return InkKind::Other;
}

bool IsDigits(const std::string& text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string ClassName(const CObject* element) {
    return element ? element->GetRuntimeClass()->m_lpszClassName : "";
}

// How far two boxes overlap across and up (negative: apart).
QSizeF Overlap(const QRectF& a, const QRectF& b) {
    return QSizeF(std::min(a.right(), b.right()) - std::max(a.left(), b.left()),
                  std::min(a.bottom(), b.bottom()) - std::max(a.top(), b.top()));
}

// A staff space on the page: the recorder's printer draws the layout's
// notehead (120 twips, a twelfth of an inch) at its resolution.
constexpr double kStaffSpace = kDotsPerInch / 12.0;

// Whether the rules check this pair, whose boxes overlap by `overlap`.
bool Checked(const Ink& a, const Ink& b, QSizeF overlap) {
    // One text run is one symbol (a composition's glyphs and shapes).
    if (a.mark.run != 0 && a.mark.run == b.mark.run)
        return false;
    const bool sameElement = a.mark.element && a.mark.element == b.mark.element;
    if (sameElement && !(a.kind == InkKind::TempoMark && b.kind == InkKind::TempoMark))
        return false;
    if (IsAllowedContact(a.kind, b.kind))
        return false;
    if (IsFree(a.kind) || IsFree(b.kind))
        return !IsLine(a.kind) && !IsLine(b.kind);
    if (a.kind == InkKind::Notehead && b.kind == InkKind::Notehead)
        return overlap.width() > kStaffSpace / 10 && overlap.height() > kStaffSpace / 10;
    const auto beamOn = [](InkKind beam, InkKind other) {
        return beam == InkKind::Beam && (other == InkKind::Notehead || other == InkKind::Rest);
    };
    return beamOn(a.kind, b.kind) || beamOn(b.kind, a.kind);
}

// Whether the ink of two marks whose boxes overlap meets: outlines where
// kept (a mark without one is its box, a little shrunk, so that boxes
// that only touch do not count).
bool InkMeets(const InkMark& a, const InkMark& b) {
    if (a.outline.isEmpty() && b.outline.isEmpty())
        return true;
    const auto inner = [](const InkMark& mark) {
        if (!mark.outline.isEmpty())
            return mark.outline;
        QPainterPath box;
        box.addRect(mark.box.adjusted(kTouch, kTouch, -kTouch, -kTouch));
        return box;
    };
    return inner(a).intersects(inner(b));
}

bool Collide(const Ink& a, const Ink& b) {
    const QSizeF overlap = Overlap(a.mark.box, b.mark.box);
    if (overlap.width() <= kTouch || overlap.height() <= kTouch)
        return false;
    if (!Checked(a, b, overlap))
        return false;
    return InkMeets(a.mark, b.mark);
}

void DescribeInk(std::ostream& out, const Ink& ink) {
    out << KindName(ink.kind) << " (" << (ink.element.empty() ? "no element" : ink.element);
    if (!ink.mark.text.empty() && ink.kind != InkKind::Notehead)
        out << " \"" << ink.mark.text << "\"";
    const QRectF& box = ink.mark.box;
    out << " [" << int(box.left()) << "," << int(box.top()) << " " << int(box.right()) << "," << int(box.bottom())
        << "])";
}

}  // namespace

const char* KindName(InkKind kind) {
    switch (kind) {
    case InkKind::Notehead: return "Notehead";
    case InkKind::Stem: return "Stem";
    case InkKind::Flag: return "Flag";
    case InkKind::LedgerLine: return "LedgerLine";
    case InkKind::Beam: return "Beam";
    case InkKind::Accidental: return "Accidental";
    case InkKind::Dot: return "Dot";
    case InkKind::Rest: return "Rest";
    case InkKind::Articulation: return "Articulation";
    case InkKind::StaffLine: return "StaffLine";
    case InkKind::BarLine: return "BarLine";
    case InkKind::Clef: return "Clef";
    case InkKind::KeySignature: return "KeySignature";
    case InkKind::Meter: return "Meter";
    case InkKind::TieSlur: return "TieSlur";
    case InkKind::Tuplet: return "Tuplet";
    case InkKind::Text: return "Text";
    case InkKind::Number: return "Number";
    case InkKind::Lyric: return "Lyric";
    case InkKind::TempoMark: return "TempoMark";
    case InkKind::Dynamic: return "Dynamic";
    case InkKind::Brace: return "Brace";
    case InkKind::Other: return "Other";
    case InkKind::Any: return "Any";
    }
    return "Other";
}

const std::vector<AllowedContact>& AllowedContacts() {
    static const std::vector<AllowedContact> table(std::begin(kAllowed), std::end(kAllowed));
    return table;
}

bool IsAllowedContact(InkKind a, InkKind b) {
    const auto matches = [](InkKind entry, InkKind kind) { return entry == kind || entry == InkKind::Any; };
    for (const AllowedContact& contact : kAllowed)
        if ((contact.a == a && matches(contact.b, b)) || (contact.a == b && matches(contact.b, a)))
            return true;
    return false;
}

InkKind Classify(const InkMark& mark) {
    const std::string element = ClassName(mark.element);
    if (element.empty())
        return IsDigits(mark.text) ? InkKind::Number : mark.text.empty() ? InkKind::Other : InkKind::Text;
    if (element == "DCctNote" || element == "DCctGraceNote")
        return NoteKind(mark, false);
    if (element == "DCctRest")
        return NoteKind(mark, true);
    if (element == "DCctMirror")
        return SignKind(mark);
    if (element == "DCctMeasure")
        // Its lines are the staff; a text is a multi-measure rest's count.
        return mark.text.empty() ? InkKind::StaffLine : InkKind::Number;
    for (const ElementKind& entry : kElementKinds)
        if (element == entry.element)
            return entry.kind;
    return InkKind::Other;
}

std::vector<Ink> ClassifyAll(const std::vector<InkMark>& marks) {
    std::vector<Ink> out;
    out.reserve(marks.size());
    for (const InkMark& mark : marks)
        out.push_back({mark, Classify(mark), ClassName(mark.element)});
    return out;
}

std::string Collision::Pair() const {
    std::string a = KindName(first.kind);
    std::string b = KindName(second.kind);
    if (b < a)
        std::swap(a, b);
    return a + " / " + b;
}

std::string Collision::Describe() const {
    std::ostringstream out;
    out << "page " << page << ": ";
    DescribeInk(out, first);
    out << " on ";
    DescribeInk(out, second);
    return out.str();
}

std::vector<Collision> FindCollisions(const std::vector<InkMark>& marks) {
    std::vector<Ink> inks = ClassifyAll(marks);
    // Page, then left edge: a sweep across each page meets only the marks
    // that can overlap in x.
    std::sort(inks.begin(), inks.end(), [](const Ink& a, const Ink& b) {
        return a.mark.page != b.mark.page ? a.mark.page < b.mark.page : a.mark.box.left() < b.mark.box.left();
    });
    std::vector<Collision> found;
    // One collision a pair of elements and kinds: a figure drawn as fill
    // and outline, or a note's several ledger lines, are one to the reader.
    std::set<std::tuple<int, const CObject*, InkKind, const CObject*, InkKind>> seen;
    for (size_t i = 0; i < inks.size(); ++i) {
        for (size_t j = i + 1; j < inks.size(); ++j) {
            if (inks[j].mark.page != inks[i].mark.page || inks[j].mark.box.left() >= inks[i].mark.box.right())
                break;
            if (!Collide(inks[i], inks[j]))
                continue;
            const Ink* a = &inks[i];
            const Ink* b = &inks[j];
            if (std::tie(b->mark.element, b->kind) < std::tie(a->mark.element, a->kind))
                std::swap(a, b);
            const bool named = a->mark.element && b->mark.element;
            if (named && !seen.insert({a->mark.page, a->mark.element, a->kind, b->mark.element, b->kind}).second)
                continue;
            found.push_back({inks[i].mark.page, inks[i], inks[j]});
        }
    }
    return found;
}

std::map<std::string, int> CountByPair(const std::vector<Collision>& collisions) {
    std::map<std::string, int> counts;
    for (const Collision& collision : collisions)
        ++counts[collision.Pair()];
    return counts;
}

}  // namespace page_check
