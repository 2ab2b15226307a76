// The collision check of printed pages: each page of a score printed on a
// recording printer (pagerecorder.h) and its marks checked for ink on ink
// (inkcheck.h). First that the check sees a collision made on purpose (an
// element of a laid-out score moved onto another), then a sweep over the
// pages of the notation tests' files and of generated pieces.
#include "notation/display/base.h"
#include "notation/view/cantrel.h"
#include "platform/ui/menu.h"
#include "platform/ui/uiresources.h"
#include "tests/notation/support/inkcheck.h"
#include "tests/notation/support/melody.h"
#include "tests/notation/support/pagerecorder.h"
#include "tests/notation/support/printpieces.h"
#include "tests/notation/view/printprogram_support.h"
#include "tests/notation/view/songfile_support.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr UINT IDR_COLLIDE_MAIN = 29891;
constexpr UINT IDR_COLLIDE_DOC = 29892;

const MenuTemplate kMainMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_NEW, "&New"}}}}};
MENU_RESOURCE(IDR_COLLIDE_MAIN, kMainMenu);
const MenuTemplate kDocMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_CLOSE, "&Close"}}}}};
MENU_RESOURCE(IDR_COLLIDE_DOC, kDocMenu);
STRING_TABLE({IDR_COLLIDE_MAIN, "Collide"}, {IDR_COLLIDE_DOC, "Collided"});

using page_check::Collision;
using page_check::InkKind;
using page_check::InkMark;

// Device pixels of the recording printer to layout twips.
constexpr double kTwipsPerDot = 1440.0 / page_check::kDotsPerInch;

std::vector<uint8_t> ReadFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

class CollisionTest : public view_test::PrintProgram {
protected:
    CollisionTest() : PrintProgram(IDR_COLLIDE_MAIN, IDR_COLLIDE_DOC) {}

    static std::vector<InkMark> Record(CCantrel* view, int* pages = nullptr) {
        const page_check::RecordedPages recorded = page_check::RecordPrint(*view);
        EXPECT_TRUE(recorded.printed);
        if (pages)
            *pages = recorded.pages;
        return recorded.marks;
    }

    // The first mark of `kind` on page 1 that `accept` takes.
    static const InkMark* Find(const std::vector<InkMark>& marks, InkKind kind,
                               const std::function<bool(const InkMark&)>& accept = {}) {
        for (const InkMark& mark : marks)
            if (mark.page == 1 && page_check::Classify(mark) == kind && (!accept || accept(mark)))
                return &mark;
        return nullptr;
    }

    // Moves the element that drew `own` by its user offset (which survives
    // positioning) so that the mark's centre lands on `target`'s.
    static void MoveOnto(const InkMark& own, const InkMark& target) {
        auto* display = const_cast<DCctBase*>(dynamic_cast<const DCctBase*>(own.element));
        ASSERT_NE(display, nullptr);
        const QPointF move = target.box.center() - own.box.center();
        // Device y runs down the sheet, layout y up it.
        const CSize by(static_cast<int>(move.x() * kTwipsPerDot), static_cast<int>(-move.y() * kTwipsPerDot));
        display->SetStoredOffset(display->GetStoredOffset() + by);
    }

    // Whether a collision pairs the element of `a` (as kind `ka`) with the
    // element of `b` (as kind `kb`).
    static bool Pairs(const std::vector<Collision>& found, const InkMark& a, InkKind ka, const InkMark& b,
                      InkKind kb) {
        for (const Collision& c : found) {
            const auto is = [](const page_check::Ink& ink, const InkMark& mark, InkKind kind) {
                return ink.mark.element == mark.element && ink.kind == kind;
            };
            if ((is(c.first, a, ka) && is(c.second, b, kb)) || (is(c.first, b, kb) && is(c.second, a, ka)))
                return true;
        }
        return false;
    }
};

// An accidental moved onto its note's head, and a clef moved onto a
// measure number: each pair is found, named by its kinds and elements, and
// was not there before the move.
TEST_F(CollisionTest, FindsAnElementMovedOntoAnother) {
    // Bar 1: C, F sharp, G, A; bar 2: the same, so measure 2 shows its number.
    std::vector<notation_test::PlayedNote> notes;
    const int keys[] = {60, 66, 67, 69, 60, 66, 67, 69};
    for (int i = 0; i < 8; ++i)
        notes.push_back({keys[i], i * page_check::kPieceDivision, page_check::PlayedLength(page_check::kPieceDivision)});
    CCantrel* view = OpenFile(notation_test::MelodyFile(notes, page_check::kPieceDivision, {4, 2}));
    ASSERT_NE(view, nullptr);

    const std::vector<InkMark> before = Record(view);
    const InkMark* accidental = Find(before, InkKind::Accidental);
    ASSERT_NE(accidental, nullptr);
    // Its note's head: the first notehead right of it.
    const InkMark* head = Find(before, InkKind::Notehead, [&](const InkMark& mark) {
        return mark.box.left() >= accidental->box.right() - page_check::kTouch;
    });
    ASSERT_NE(head, nullptr);
    const InkMark* clef = Find(before, InkKind::Clef);
    const InkMark* number = Find(before, InkKind::Number, [&](const InkMark& mark) {
        return mark.box.left() > clef->box.right() + 10 * page_check::kTouch;   // not the one at the clef
    });
    ASSERT_NE(clef, nullptr);
    ASSERT_NE(number, nullptr);
    const std::vector<Collision> clean = page_check::FindCollisions(before);
    EXPECT_FALSE(Pairs(clean, *accidental, InkKind::Accidental, *head, InkKind::Notehead));
    EXPECT_FALSE(Pairs(clean, *clef, InkKind::Clef, *number, InkKind::Number));

    const InkMark accidentalWas = *accidental;
    const InkMark headWas = *head;
    const InkMark clefWas = *clef;
    const InkMark numberWas = *number;
    MoveOnto(accidentalWas, headWas);
    MoveOnto(clefWas, numberWas);
    const std::vector<Collision> found = page_check::FindCollisions(Record(view));
    EXPECT_TRUE(Pairs(found, accidentalWas, InkKind::Accidental, headWas, InkKind::Notehead));
    EXPECT_TRUE(Pairs(found, clefWas, InkKind::Clef, numberWas, InkKind::Number));
    for (const Collision& c : found)
        if (c.first.mark.element == accidentalWas.element || c.second.mark.element == accidentalWas.element) {
            EXPECT_NE(c.Describe().find("DCctAccidental"), std::string::npos) << c.Describe();
            EXPECT_EQ(c.page, 1);
        }
}

// Every page of the notation tests' files and of the generated pieces,
// checked. The ceilings are the collisions a pair of kinds may keep, by
// pair of kinds: the sweep fails when a count rises above its ceiling or a
// pair without one appears. Every pair is mended: the table holds nothing.
TEST_F(CollisionTest, PrintedPagesStayUnderTheirCeilings) {
    const std::map<std::string, int> ceilings = {};

    struct Source {
        std::string name;
        std::vector<uint8_t> bytes;
    };
    std::vector<Source> sources;
    // Every file of the notation tests' folder.
    const QDir folder(STAFFWRIGHT_TEST_DATA "/notation");
    for (const QString& file : folder.entryList({"*.mid"}, QDir::Files, QDir::Name))
        sources.push_back({file.toStdString(), ReadFile(folder.filePath(file))});
    EXPECT_GE(sources.size(), 3u);
    const smf_support::Bytes song = view_test::MakeSong(dir.filePath("song.mid").toStdString());
    if (!song.empty())
        sources.push_back({"song", song});
    for (const page_check::Piece& piece :
         {page_check::LinePiece(11), page_check::LinePiece(12), page_check::PianoPiece(21), page_check::EnsemblePiece(31)})
        sources.push_back({piece.name, page_check::PieceFile(piece)});

    std::map<std::string, int> totals;
    for (const Source& source : sources) {
        SCOPED_TRACE(source.name);
        ASSERT_FALSE(source.bytes.empty());
        CCantrel* view = OpenFile(source.bytes);
        ASSERT_NE(view, nullptr);
        int pages = 0;
        const std::vector<InkMark> marks = Record(view, &pages);
        EXPECT_EQ(pages, PageCount(view));
        // The sweep sees the music: heads and staff lines are recorded.
        EXPECT_NE(Find(marks, InkKind::Notehead), nullptr);
        EXPECT_NE(Find(marks, InkKind::StaffLine), nullptr);
        const std::vector<Collision> found = page_check::FindCollisions(marks);
        std::printf("%-28s %3d pages %6zu marks %5zu collisions\n", source.name.c_str(), pages, marks.size(),
                    found.size());
        for (const auto& [pair, count] : page_check::CountByPair(found)) {
            std::printf("    %-28s %5d   e.g. %s\n", pair.c_str(), count,
                        std::find_if(found.begin(), found.end(), [&](const Collision& c) { return c.Pair() == pair; })
                            ->Describe()
                            .c_str());
            totals[pair] += count;
        }
        // Done with the piece: its driver lets go of it before its window closes.
        drivers.pop_back();
        frame->SendMessage(WM_CLOSE);
    }
    std::printf("collisions by pair of kinds, all pages:\n");
    for (const auto& [pair, count] : totals) {
        std::printf("    %-28s %5d\n", pair.c_str(), count);
        const auto ceiling = ceilings.find(pair);
        EXPECT_LE(count, ceiling == ceilings.end() ? 0 : ceiling->second) << pair;
    }
}

}  // namespace
