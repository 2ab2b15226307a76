// The music face "Norvane2": every character code the notation draws, as
// Emmentaler-20 glyphs (file 0), Emmentaler-Brace (file 1) and filled shapes.
//
// The table is written in staff spaces (ss), a quarter of the em in
// Emmentaler's design, from the drawing point on the baseline with y up; the
// face itself works in em. Where the notation only gives a symbol's kind, the
// glyph here is our choice, and the palette and the score both read it from
// this one table.
#include "platform/gdi/symbolface.h"

#include <cstdio>
#include <initializer_list>
#include <string_view>

namespace {

constexpr double kEmPerSpace = 0.25;

// One item, built up by the table's helpers.
struct Item {
    SymbolGlyph glyph;

    Item& At(double dxSpaces, double dySpaces) {
        glyph.dx = dxSpaces * kEmPerSpace;
        glyph.dy = dySpaces * kEmPerSpace;
        return *this;
    }
    Item& Scaled(double scale) {
        glyph.scale = scale;
        return *this;
    }
    Item& Mirrored() {
        glyph.stretchX = -1;
        return *this;
    }
    Item& Placed(SymbolPlace place) {
        glyph.place = place;
        return *this;
    }
    operator SymbolGlyph() const { return glyph; }
};

Item G(const char* name) {
    Item item;
    item.glyph.name = name;
    return item;
}

// A filled polygon, its corners in ss.
Item Poly(std::initializer_list<std::pair<double, double>> corners) {
    Item item;
    for (const auto& [x, y] : corners)
        item.glyph.shape.emplace_back(x * kEmPerSpace, y * kEmPerSpace);
    return item;
}

Item Rect(double x0, double y0, double x1, double y1) {
    return Poly({{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}});
}

// A quadratic curve from `from` bending towards `control` to `to`, stroked
// `thickness` thick (all in ss).
Item Stroke(std::pair<double, double> from, std::pair<double, double> control,
            std::pair<double, double> to, double thickness) {
    Item item = Poly({from, control, to});
    item.glyph.thickness = thickness * kEmPerSpace;
    return item;
}

SymbolCode Code(uint8_t code, std::initializer_list<Item> items) {
    SymbolCode entry;
    entry.code = code;
    for (const Item& item : items)
        entry.glyphs.push_back(item);
    return entry;
}

SymbolCode InkLeft(SymbolCode code) {
    code.inkLeft = true;
    return code;
}

// The same drawing half size, centred where the full-size one is.
SymbolCode Small(uint8_t code, SymbolCode full) {
    full.code = code;
    full.small = 0.5;
    return full;
}

// A glyph in parentheses, the three in a row, the opening one from x = 0.
SymbolCode Parenthesised(uint8_t code, const char* glyph) {
    return InkLeft(Code(code, {G("accidentals.leftparen"), G(glyph).Placed(SymbolPlace::InRow),
                               G("accidentals.rightparen").Placed(SymbolPlace::InRow)}));
}

// Letters of the dynamics, each after the one before.
SymbolCode Letters(uint8_t code, std::initializer_list<const char*> names) {
    SymbolCode entry;
    entry.code = code;
    for (const char* name : names)
        entry.glyphs.push_back(G(name).Placed(SymbolPlace::InRow));
    return entry;
}

// The digit glyph of `digit`, at small size (0.6) standing on the baseline.
const char* DigitName(int digit) {
    static const char* const names[] = {"zero", "one", "two", "three", "four",
                                        "five", "six", "seven", "eight", "nine"};
    return names[digit];
}

SymbolCode SmallDigits(uint8_t code, std::initializer_list<int> digits) {
    SymbolCode entry;
    entry.code = code;
    for (int digit : digits)
        entry.glyphs.push_back(G(DigitName(digit)).Scaled(0.6).Placed(SymbolPlace::InRow));
    return entry;
}

// A slash of the tremolos: 1.2 ss wide, 0.4 ss thick, rising 0.6 ss, ink from
// the baseline up; `count` of them 0.75 ss apart.
SymbolCode TremoloSlashes(uint8_t code, int count) {
    SymbolCode entry;
    entry.code = code;
    for (int i = 0; i < count; ++i) {
        const double y = 0.75 * i;
        entry.glyphs.push_back(Poly({{0, y}, {1.2, y + 0.6}, {1.2, y + 1.0}, {0, y + 0.4}}));
    }
    return entry;
}

// The beat-repeat slash, from (0, 0) to (1, 2), 0.5 ss thick, at x.
Item RepeatSlash(double x) {
    return Poly({{x, 0}, {x + 0.5, 0}, {x + 1.0, 2}, {x + 0.5, 2}});
}

// A notehead with its stem up to 3.5 ss and the flags given, drawn at the stem's top.
SymbolCode NoteUp(uint8_t code, const char* head, std::initializer_list<const char*> flags) {
    SymbolCode entry = Code(code, {G(head)});
    const bool black = std::string_view(head) == "noteheads.s2";
    entry.glyphs.push_back(black ? Rect(1.179, 0.186, 1.304, 3.5) : Rect(1.252, 0.259, 1.377, 3.5));
    for (const char* flag : flags)
        entry.glyphs.push_back(G(flag).At(1.2415, 3.5));
    return entry;
}

// Two items of an articulation, the second `offset` ss above the first (below when negative).
SymbolCode Stacked(uint8_t code, const char* first, const char* second, double offset) {
    return InkLeft(Code(code, {G(first), G(second).At(0, offset)}));
}

SymbolCode Clef(uint8_t code, const char* clef, SymbolPlace octave) {
    return Code(code, {G(clef), G("eight").Scaled(0.5).Placed(octave).At(0, octave == SymbolPlace::Below ? -0.1 : 0.1)});
}

std::vector<SymbolCode> MusicCodes() {
    using P = SymbolPlace;
    const SymbolCode sharpInParens = Parenthesised(97, "accidentals.sharp");
    const SymbolCode flatInParens = Parenthesised(65, "accidentals.flat");
    const SymbolCode naturalInParens = Parenthesised(78, "accidentals.natural");
    const SymbolCode swell = InkLeft(Code(60, {G("scripts.sforzato").Mirrored()}));

    std::vector<SymbolCode> codes = {
        Code(32, {G("space")}),
        TremoloSlashes(33, 1),
        Code(34, {G("scripts.caesura.straight")}),
        Code(35, {G("accidentals.sharp")}),
        Code(36, {G("accidentals.sharp.slashslash.stem")}),
        InkLeft(Code(37, {G("scripts.segno")})),
        Code(38, {G("clefs.G")}),                       // origin on the G line
        InkLeft(Code(39, {G("scripts.dstaccatissimo")})),
        InkLeft(Code(40, {G("accidentals.leftparen").Scaled(1.6).At(0, 0.5)})),
        Code(41, {G("accidentals.rightparen").Scaled(1.6).At(0, 0.5)}),
        Code(42, {G("pedal.*")}),
        Code(44, {G("scripts.rcomma")}),
        InkLeft(Code(45, {G("scripts.tenuto")})),
        Code(46, {G("period").Scaled(0.6)}),
        swell,
        InkLeft(Code(62, {G("scripts.sforzato")})),
        Code(63, {G("clefs.F")}),                       // origin on the F line
        TremoloSlashes(64, 2),
        flatInParens,
        Code(66, {G("clefs.C")}),                       // origin on its middle line
        Code(67, {G("timesig.C22")}),
        Letters(70, {"m", "f"}),
        Code(71, {G("noteheads.s2"), Rect(0, -3.5, 0.125, -0.19), G("flags.d3").At(0.0625, -3.5),
                  G("flags.dgrace").At(0.0625, -3.5)}),
        Small(73, Code(0, {G("accidentals.sharp")})),
        Code(74, {G("flags.d3")}),                      // origin on the stem's end
        InkLeft(Code(76, {G("scripts.tickmark")})),
        InkLeft(Code(77, {G("scripts.prall")})),
        naturalInParens,
        Letters(80, {"m", "p"}),
        InkLeft(Code(83, {G("scripts.thumb")})),
        InkLeft(Code(84, {G("scripts.turn")})),
        InkLeft(Code(85, {G("scripts.ufermata")})),
        Clef(86, "clefs.G", P::Below),
        Code(87, {G("noteheads.sM1")}),
        InkLeft(Code(90, {G("scripts.snappizzicato")})),
        Small(91, sharpInParens),
        Code(92, {Rect(0, 0, 0.125, 3.5)}),            // its advance is the barline's width
        Small(93, Code(0, {G("accidentals.doublesharp")})),
        InkLeft(Code(94, {G("scripts.umarcato")})),
        Code(95, {Rect(-0.3, -0.08, 1.604, 0.08)}),
        Code(96, {Rect(-0.3, -0.08, 2.26, 0.08)}),
        sharpInParens,
        Code(98, {G("accidentals.flat")}),
        Code(99, {G("timesig.C44")}),
        Code(100, {Stroke({0, 2}, {1.6, 1.9}, {2, 0}, 0.15)}),
        NoteUp(101, "noteheads.s2", {"flags.u3"}),
        Code(102, {G("f")}),
        Code(103, {G("scripts.arpeggio")}),
        NoteUp(104, "noteheads.s1", {}),
        Small(105, Code(0, {G("accidentals.flat")})),
        // The flag, then a contour of no height and the stem's thickness: the
        // last level pair of the outline gives the stem width (em / 32).
        Code(106, {G("flags.u3"), Poly({{-0.0625, 0}, {0.0625, 0}, {0.0625, 0}, {-0.0625, 0}})}),
        Code(107, {G("dots.dot")}),
        InkLeft(Code(109, {G("scripts.mordent")})),
        Code(110, {G("accidentals.natural")}),
        InkLeft(Code(111, {G("scripts.open")})),
        Code(112, {G("p")}),
        NoteUp(113, "noteheads.s2", {}),
        Clef(114, "clefs.F", P::Above),
        Clef(116, "clefs.F", P::Below),
        InkLeft(Code(117, {G("scripts.dfermata")})),
        InkLeft(Code(118, {G("scripts.dmarcato")})),
        Code(119, {G("noteheads.s0")}),
        NoteUp(120, "noteheads.s2", {"flags.u4"}),
        Code(121, {G("noteheads.s1triangle")}),
        Small(123, flatInParens),
        Code(125, {G("accidentals.mirroredflat.flat")}),
        Code(126, {G("scripts.trill_element")}),        // origin kept, so repeats join
        Code(127, {Stroke({0, 0.575}, {0.5, -0.425}, {1, 0.575}, 0.15)}),
        Code(128, {Stroke({0, 0}, {1.6, 0.1}, {2, 2}, 0.15)}),
        Parenthesised(129, "accidentals.doublesharp"),
        Code(131, {}),                                  // the brace's second half: 132 draws it whole
        Code(133, {G("scripts.arpeggio.arrow.M1")}),
        Code(134, {G("scripts.arpeggio.arrow.1")}),
        Code(135, {Stroke({0, 0}, {2, 0}, {3, -2}, 0.15)}),
        Code(136, {G("flags.d4")}),
        Code(137, {G("flags.d5")}),
        Code(138, {G("flags.d6")}),
        Code(139, {G("flags.d7")}),
        Parenthesised(140, "accidentals.flatflat"),
        Stacked(142, "scripts.dstaccatissimo", "scripts.dmarcato", -1.2),
        Stacked(143, "scripts.ustaccatissimo", "scripts.umarcato", 1.2),
        Stacked(144, "scripts.tenuto", "scripts.sforzato", 0.6),
        Stacked(145, "scripts.tenuto", "scripts.sforzato", -0.6),
        Stacked(146, "scripts.ustaccatissimo", "scripts.sforzato", 1.4),
        Stacked(147, "scripts.dstaccatissimo", "scripts.sforzato", -1.4),
        Stacked(148, "scripts.tenuto", "scripts.umarcato", 0.3),
        Stacked(149, "scripts.tenuto", "scripts.dmarcato", -0.3),
        InkLeft(Code(150, {G("scripts.uportato")})),
        InkLeft(Code(151, {G("scripts.prallprall")})),
        Code(153, {Rect(0, -4, 0.5, 0)}),
        Code(154, {G("brackettips.up")}),
        Code(155, {G("brackettips.down")}),
        Code(156, {G("flags.u4")}),
        Code(157, {G("flags.u5")}),
        Code(158, {G("flags.u6")}),
        Code(159, {G("flags.u7")}),
        Clef(160, "clefs.G", P::Above),
        Code(161, {G("pedal.Ped")}),
        InkLeft(Code(167, {G("scripts.halfopen")})),
        Code(168, {G("rests.5")}),
        Code(171, {G("period").Scaled(0.6).At(0, 0.1), G("period").Scaled(0.6).At(0, 0.7)}),
        Stacked(172, "scripts.staccato", "scripts.umarcato", 0.4),
        Code(173, {G("noteheads.s1cross")}),
        InkLeft(Code(174, {G("scripts.ustaccatissimo")})),
        Letters(175, {"p", "p", "p", "p"}),
        InkLeft(Code(178, {G("scripts.downbow")})),
        InkLeft(Code(179, {G("scripts.upbow")})),
        InkLeft(Code(181, {G("scripts.prallmordent")})),
        InkLeft(Code(182, {G("scripts.upedaltoe")})),
        Code(183, {G("rests.0").At(0, 1)}),             // hangs from the line above
        Letters(184, {"p", "p", "p"}),
        Letters(185, {"p", "p"}),
        Code(186, {G("accidentals.flatflat")}),
        TremoloSlashes(190, 3),
        Code(192, {G("noteheads.s2diamond")}),
        SmallDigits(195, {8}),
        Letters(196, {"f", "f"}),
        Code(197, {G("rests.4")}),
        Code(199, {RepeatSlash(0), RepeatSlash(0.6)}),
        [] {
            // A side bearing of 0.3 ss each side keeps the bars off the
            // note's stem before them and the digits after them.
            SymbolCode equals = Code(200, {Rect(0.3, 0.3, 1.1, 0.42), Rect(0.3, 0.66, 1.1, 0.78)});
            equals.advance = 1.4 * kEmPerSpace;
            return equals;
        }(),
        NoteUp(201, "noteheads.s2", {"flags.u3", "flags.ugrace"}),
        InkLeft(Code(203, {G("scripts.upedalheel")})),
        InkLeft(Code(204, {G("scripts.flageolet")})),
        InkLeft(Code(205, {G("scripts.halfopenvertical")})),
        Code(206, {G("rests.2")}),
        Code(207, {G("noteheads.s2")}),                 // its advance is the notehead width
        Code(208, {G("noteheads.s2cross")}),
        Code(209, {G("noteheads.s2triangle")}),
        Small(210, naturalInParens),
        Small(211, Code(0, {G("accidentals.flatflat")})),
        Code(212, {Poly({{0, 0}, {0.5, 0}, {1.6, 2}, {1.1, 2}}), G("dots.dot").At(0.25, 1.6),
                   G("dots.dot").At(1.3, 0.4)}),
        Code(213, {RepeatSlash(0)}),
        InkLeft(Code(214, {G("clefs.percussion")})),
        SmallDigits(215, {8}),
        [] {
            SymbolCode shake = Code(216, {G("scripts.trill_element").Scaled(1.5)});
            shake.glyphs.front().stretchX = 2 / 1.5;
            return shake;
        }(),
        InkLeft(Code(217, {G("scripts.trill")})),
        Code(218, {G("noteheads.s1diamond")}),
        SmallDigits(219, {1, 5}),
        Code(220, {G("accidentals.doublesharp")}),
        InkLeft(Code(222, {G("scripts.coda")})),
        Stacked(223, "scripts.staccato", "scripts.sforzato", -0.6),
        Code(225, {G("noteheads.s1la")}),
        Code(226, {G("noteheads.s2la")}),
        Code(227, {G("rests.M1")}),
        Code(228, {G("rests.3")}),
        Code(229, {G("rests.7")}),
        Code(230, {Stroke({0, 2}, {1.6, 1.9}, {2, 0}, 0.15)}),
        Stacked(232, "scripts.staccato", "scripts.dmarcato", -0.4),
        Small(233, Code(0, {G("accidentals.natural")})),
        Letters(234, {"s", "f", "z"}),
        Letters(235, {"f", "f", "f", "f"}),
        Letters(236, {"f", "f", "f"}),
        Code(238, {G("rests.1")}),                      // stands on its baseline
        Code(239, {G("noteheads.s2xcircle")}),
        Code(243, {G("noteheads.s2slash")}),
        Code(244, {G("rests.6")}),
        Code(245, {G("accidentals.mirroredflat")}),
        Code(246, {G("plus").At(0, -1)}),
        [&] {
            SymbolCode above = swell;
            above.code = 248;
            return above;
        }(),
        Stacked(249, "scripts.staccato", "scripts.sforzato", 0.6),
        Code(250, {G("noteheads.s1")}),
    };

    // The large meter digits, centred on the baseline.
    for (int digit = 0; digit <= 9; ++digit)
        codes.push_back(Code(static_cast<uint8_t>('0' + digit), {G(DigitName(digit)).At(0, -1)}));

    // The small digits of numbers drawn under and over symbols.
    const uint8_t smallDigits[10] = {188, 193, 170, 163, 162, 176, 164, 166, 165, 187};
    for (int digit = 0; digit <= 9; ++digit)
        codes.push_back(SmallDigits(smallDigits[digit], {digit}));

    // The brace: of the brace file's glyphs, the one nearest the box's proportions.
    SymbolCode brace;
    brace.code = 132;
    brace.fitBox = true;
    for (int i = 0; i <= 575; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "brace%d", i);
        SymbolGlyph glyph;
        glyph.file = 1;
        glyph.name = name;
        brace.glyphs.push_back(std::move(glyph));
    }
    codes.push_back(std::move(brace));
    return codes;
}

}  // namespace

std::unique_ptr<CSymbolFace> MakeMusicFace() {
    return std::make_unique<CSymbolFace>(
        "Norvane2", std::vector<std::string>{"emmentaler-20.otf", "emmentaler-brace.otf"}, MusicCodes());
}
