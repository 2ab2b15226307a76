// What a MIDI file says besides its notes, printed: lyrics under the notes
// they are sung to, whether each lyric event comes before or after its
// note-on in the file, and key signatures of a track's own chunk on that
// track's staff, a key change in mid-piece included. The file is read by
// the program's reader into a score window, notated, laid out and printed
// to a PDF; the PDF's words and music glyphs are compared with the layout.
#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/markings.h"
#include "model/measure.h"
#include "model/notes.h"
#include "model/staff.h"
#include "model/textmarks.h"
#include "notation/display/key.h"
#include "notation/display/note.h"
#include "notation/layout/musicfont.h"
#include "notation/layout/pagelayout.h"
#include "platform/ui/menu.h"
#include "platform/ui/uiresources.h"
#include "tests/notation/support/dump.h"
#include "tests/notation/view/pdf_support.h"
#include "tests/notation/view/printprogram_support.h"
#include "tests/support/smf_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QString>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr UINT IDR_MARKS_MAIN = 29881;
constexpr UINT IDR_MARKS_DOC = 29882;

const MenuTemplate kMainMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_NEW, "&New"}}}}};
MENU_RESOURCE(IDR_MARKS_MAIN, kMainMenu);
const MenuTemplate kDocMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_CLOSE, "&Close"}}}}};
MENU_RESOURCE(IDR_MARKS_DOC, kDocMenu);
STRING_TABLE({IDR_MARKS_MAIN, "Marks"}, {IDR_MARKS_DOC, "Marked"});

using namespace pdf_support;
using view_test::kTwipsPerPoint;

constexpr int kDivision = 480;

// Where a lyric event stands in the file against its note-on at the same tick.
enum class Order { BEFORE, AFTER };

// One note of a melody: its key, its length in eighths, and its syllable
// (none when empty) with the syllable's place in the file.
struct Sung {
    int key;
    int eighths;
    const char* syllable;
    Order order;
};

class MidiMarksPrintTest : public view_test::PrintProgram {
protected:
    MidiMarksPrintTest() : PrintProgram(IDR_MARKS_MAIN, IDR_MARKS_DOC) {}

    // How long a note of `length` ticks is played to read back as that
    // length through the view's duration gate: the quarters before its last
    // one whole, and 66 % of the rest.
    static int Played(int length) {
        const int whole = (length - 1) / kDivision * kDivision;
        return whole + (length - whole) * 66 / 100;
    }
    // Track 1 of a type 1 file: the melody, each note played to read back
    // as its length, each syllable a lyric event at its note's tick.
    static smf_support::Track Melody(const std::vector<Sung>& melody) {
        smf_support::Track track;
        track.Text(0, 0x03, "Voice");
        uint32_t rest = 0;   // ticks since the last event
        for (const Sung& note : melody) {
            const int length = note.eighths * kDivision / 2;
            const int played = Played(length);
            const bool lyric = note.syllable[0] != 0;
            if (lyric && note.order == Order::BEFORE) {
                track.Text(rest, 0x05, note.syllable);
                rest = 0;
            }
            track.NoteOn(rest, 0, note.key, 90);
            if (lyric && note.order == Order::AFTER)
                track.Text(0, 0x05, note.syllable);
            track.NoteOff(static_cast<uint32_t>(played), 0, note.key);
            rest = static_cast<uint32_t>(length - played);
        }
        track.End(rest);
        return track;
    }
    // Track 0: 120 beats a minute in 4/4.
    static smf_support::Track TempoTrack() {
        smf_support::Track track;
        track.Tempo(0, 500000).TimeSignature(0, 4, 2).End();
        return track;
    }

    // A point of the layout on the printed page 1, in points from its top left.
    static double PageX(int x) { return (x - MCPageLayout::GetPageLayout().GetPaperRect().left) / double(kTwipsPerPoint); }
    static double PageY(int y) { return (MCPageLayout::GetPageLayout().GetPaperRect().top - y) / double(kTwipsPerPoint); }

    // The notes of staff 1, in time order.
    std::vector<ECBase*> Notes(CCantrel* view) {
        std::vector<ECBase*> notes;
        ECTrack* staff = Conductor(view)->GetTrack(TRACK_STAFF, 1, 0);
        ACFindEvents find;
        find.AddEvtType(ET_NOTE);
        find.Apply(staff);
        for (POSITION pos = find.GetEvents().GetHeadPosition(); pos;)
            notes.push_back(find.GetEvents().GetNext(pos));
        std::sort(notes.begin(), notes.end(), [](ECBase* a, ECBase* b) { return *a->GetTime() < *b->GetTime(); });
        notes.erase(std::unique(notes.begin(), notes.end()), notes.end());
        return notes;
    }

    // Keeps the PDF and its page 1 rendered at 150 dots an inch, for a
    // reader to look at, in the folder STAFFWRIGHT_TEST_PAGES names, when set
    // (the test checks the words and glyphs, not the picture).
    void KeepPageOne(const QString& pdf) {
        const char* keep = std::getenv("STAFFWRIGHT_TEST_PAGES");
        if (!keep)
            return;
        const QString prefix = dir.filePath(QFileInfo(pdf).completeBaseName());
        RunTool("pdftoppm", {"-r", "150", "-f", "1", "-l", "1", "-png", pdf, prefix});
        const QString kept = QDir(keep).filePath(QFileInfo(pdf).completeBaseName());
        QFile::remove(kept + ".png");
        QFile::remove(kept + ".pdf");
        QFile::copy(prefix + "-1.png", kept + ".png");
        QFile::copy(pdf, kept + ".pdf");
    }

    // How far, in points, the box of a glyph drawn on a staff lies from
    // the staff's middle at the most (systems stand much further apart).
    static constexpr double kStaffReach = 30;

    // The music glyphs of the page, one entry a glyph, as pdftotext places
    // the words they stand in: a glyph's x is its word's, spread evenly.
    struct Glyph {
        char32_t code;
        double x;   // centre
        double y;   // centre of the word's box (the face's em, not the ink)
    };
    static std::vector<Glyph> Glyphs(const std::vector<PdfWord>& words, int page) {
        std::vector<Glyph> glyphs;
        for (const PdfWord& word : words) {
            if (word.page != page)
                continue;
            const std::u32string codes = QString::fromStdString(word.text).toStdU32String();
            const double step = (word.right - word.left) / static_cast<double>(std::max<size_t>(codes.size(), 1));
            for (size_t i = 0; i < codes.size(); ++i)
                glyphs.push_back({codes[i], word.left + step * (static_cast<double>(i) + 0.5), (word.top + word.bottom) / 2});
        }
        return glyphs;
    }
};

// A syllable before its note-on and one after both print under their note:
// the word's centre on the notehead's, below the staff, as the layout
// places the head. Quarters and beamed eighths; every syllable once; the
// notation as without the syllables.
TEST_F(MidiMarksPrintTest, LyricsBeforeAndAfterTheirNoteOnPrintUnderTheirNote) {
    if (!HavePdfTools())
        GTEST_SKIP() << "the PDF tools are not installed (tools/setup)";
    const char32_t notehead = MusicGlyphCode("noteheads.s2");
    if (notehead == 0)
        GTEST_SKIP() << "the music font or python3-fonttools is not installed (tools/setup)";
    const std::vector<Sung> melody = {
        {60, 2, "Hum", Order::BEFORE}, {62, 2, "ty", Order::AFTER},   {64, 2, "Dump", Order::BEFORE},
        {65, 2, "ty", Order::AFTER},   {67, 1, "sat", Order::BEFORE}, {65, 1, "on", Order::AFTER},
        {64, 1, "a", Order::BEFORE},   {62, 1, "wall", Order::BEFORE}, {60, 4, "", Order::AFTER},
        {60, 2, "fell", Order::AFTER}, {64, 2, "down", Order::BEFORE}, {67, 4, "", Order::BEFORE},
    };
    CCantrel* view = OpenFile(smf_support::File(1, kDivision).Add(TempoTrack()).Add(Melody(melody)).GetBytes());
    ASSERT_NE(view, nullptr);

    // Every syllable is in the tree, in the measure at its time.
    const std::vector<ECBase*> notes = Notes(view);
    ASSERT_EQ(notes.size(), melody.size());
    std::vector<std::pair<ECBase*, std::string>> sung;   // note, syllable
    for (size_t i = 0; i < melody.size(); ++i)
        if (melody[i].syllable[0])
            sung.emplace_back(notes[i], melody[i].syllable);
    ACFindEvents lyrics;
    lyrics.AddEvtType(ET_LYRIC);
    lyrics.Apply(Conductor(view));
    ASSERT_EQ(lyrics.GetEvents().GetCount(), static_cast<int>(sung.size()));

    const QString pdf = PrintToPdf(view, "lyrics.pdf");
    KeepPageOne(pdf);
    const std::vector<PdfWord> words = ReadPdfWords(pdf);
    const std::vector<Glyph> glyphs = Glyphs(words, 1);
    const double head = MCMusicFont::GetMusicFont().GetNoteheadWidth(FONT_CURRENT) / double(kTwipsPerPoint);

    std::vector<bool> used(words.size());
    for (const auto& [note, syllable] : sung) {
        SCOPED_TRACE(syllable + " at " + std::to_string(note->GetTime()->GetSeconds()));
        CRect staff;
        NotationDisplayOf(note->GetAncestor(ET_MEASURE, -1))->GetVirtualFrame(&staff, 0);
        const double staffMiddle = PageY((staff.top + staff.bottom) / 2);
        const double staffBottom = PageY(std::min(staff.top, staff.bottom));
        // The head as laid out, and printed there.
        const double headX = PageX(NotationDisplayOf(note)->GetVirtualPosition().x) + head / 2;
        const auto printedHead = std::find_if(glyphs.begin(), glyphs.end(), [&](const Glyph& g) {
            return g.code == notehead && std::abs(g.x - headX) < head / 2 && std::abs(g.y - staffMiddle) < kStaffReach;
        });
        ASSERT_NE(printedHead, glyphs.end()) << "no notehead printed at " << headX;
        // The syllable: of the words of its text below this staff not yet
        // taken, the one nearest the head.
        size_t found = words.size();
        for (size_t i = 0; i < words.size(); ++i) {
            const PdfWord& word = words[i];
            if (used[i] || word.page != 1 || word.text != syllable || word.top < staffBottom ||
                word.top > staffBottom + kStaffReach)
                continue;
            if (found == words.size() || std::abs(word.CentreX() - headX) < std::abs(words[found].CentreX() - headX))
                found = i;
        }
        ASSERT_LT(found, words.size()) << "not printed below the staff";
        used[found] = true;
        EXPECT_NEAR(words[found].CentreX(), printedHead->x, 1.5);
    }

    // The syllables in the measures change nothing of the notation: the
    // melody without them notates alike.
    const std::string withLyrics = notation_dump::DumpPiece(Conductor(view));
    std::vector<Sung> unsung = melody;
    for (Sung& note : unsung)
        note.syllable = "";
    CCantrel* plain = OpenFile(smf_support::File(1, kDivision).Add(TempoTrack()).Add(Melody(unsung)).GetBytes());
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(notation_dump::DumpPiece(Conductor(plain)), withLyrics);
}

// A key signature of track 1's own chunk (the conductor's chunk holds only
// tempo and meter) is the staff's key from its time: two flats, then three
// sharps (minor) from bar 3. The staff keeps them (no guessed C major), the
// notes are spelled in them without accidentals, and the page prints the
// signatures' flats at the staff's start and sharps at bar 3. The one chunk
// of a type 0 file is track 1's too.
TEST_F(MidiMarksPrintTest, AKeySignatureOfATracksChunkShowsOnItsStaff) {
    if (!HavePdfTools())
        GTEST_SKIP() << "the PDF tools are not installed (tools/setup)";
    const char32_t flat = MusicGlyphCode("accidentals.flat");
    const char32_t sharp = MusicGlyphCode("accidentals.sharp");
    if (flat == 0 || sharp == 0)
        GTEST_SKIP() << "the music font or python3-fonttools is not installed (tools/setup)";
    // B flat major: B flat, E flat, D, F; then F sharp minor: F sharp, C sharp, G sharp, A.
    const int keys[] = {70, 63, 62, 65, 70, 63, 62, 65, 66, 61, 68, 69, 66, 61, 68, 69};
    auto staffTrack = [&](bool conductorEvents) {
        smf_support::Track track;
        if (conductorEvents)
            track.Tempo(0, 500000).TimeSignature(0, 4, 2);
        track.KeySignature(0, -2, 0);
        uint32_t rest = 0;
        for (int i = 0; i < 16; ++i) {
            if (i == 8) {
                track.KeySignature(rest, 3, 1);
                rest = 0;
            }
            track.NoteOn(rest, 0, keys[i], 90).NoteOff(static_cast<uint32_t>(Played(kDivision)), 0, keys[i]);
            rest = static_cast<uint32_t>(kDivision - Played(kDivision));
        }
        track.End(rest);
        return track;
    };
    const struct {
        const char* what;
        smf_support::Bytes bytes;
    } cases[] = {
        {"type 1, key in track 1", smf_support::File(1, kDivision).Add(TempoTrack()).Add(staffTrack(false)).GetBytes()},
        {"type 0", smf_support::File(0, kDivision).Add(staffTrack(true)).GetBytes()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CCantrel* view = OpenFile(c.bytes);
        ASSERT_NE(view, nullptr);
        auto* staff = static_cast<ECStaff*>(Conductor(view)->GetTrack(TRACK_STAFF, 1, 0));
        ASSERT_NE(staff, nullptr);
        const MCTime barThree = *Conductor(view)->GetMeasure(TRACK_CONDUCTOR, 3)->GetTime();
        const struct {
            MCTime at;
            int accidentals, mode;
        } expected[] = {{MCTime(0.0f), -2, 0}, {barThree, 3, 1}};
        for (const auto& e : expected) {
            ECKey* key = staff->GetKeyAtTime(e.at, 0);
            ASSERT_NE(key, nullptr);
            EXPECT_EQ(key->GetAccidentals(), e.accidentals);
            EXPECT_EQ(key->GetMode(), e.mode);
            auto* display = dynamic_cast<DCctKey*>(NotationDisplayOf(key));
            ASSERT_NE(display, nullptr);
            EXPECT_EQ(display->GetAccidentalCount(), std::abs(e.accidentals));
        }

        // Spelled in the key: flats in bars 1-2, sharps in bars 3-4, none shown.
        const std::string dump = notation_dump::DumpPiece(Conductor(view));
        for (const char* pitch : {"pitch=Bb4 ", "pitch=Eb4 ", "pitch=F#4 ", "pitch=C#4 ", "pitch=G#4 "})
            EXPECT_NE(dump.find(pitch), std::string::npos) << pitch << "\n" << dump;
        EXPECT_EQ(dump.find('!'), std::string::npos) << "an accidental shown\n" << dump;

        // Printed: the two flats before the first note; the three sharps
        // between bar 2's last note and bar 3's first, and again before the
        // first note of each system after. Nothing else is flat or sharp.
        const QString pdf = PrintToPdf(view, c.what[5] == '1' ? "key1.pdf" : "key0.pdf");
        KeepPageOne(pdf);
        const std::vector<Glyph> glyphs = Glyphs(ReadPdfWords(pdf), 1);
        const std::vector<ECBase*> notes = Notes(view);
        ASSERT_EQ(notes.size(), 16u);
        struct Place {
            double left, right, y;   // between two notes' x, on the staff at y
        };
        // A note's x, and the middle of its staff measure.
        auto at = [&](size_t i) {
            CRect staff;
            NotationDisplayOf(Conductor(view)->GetMeasure(1, static_cast<int>(i / 4 + 1)))->GetVirtualFrame(&staff, 0);
            return std::pair<double, double>(PageX(NotationDisplayOf(notes[i])->GetVirtualPosition().x),
                                             PageY((staff.top + staff.bottom) / 2));
        };
        std::vector<Place> flatPlaces = {{0, at(0).first, at(0).second}};
        std::vector<Place> sharpPlaces = {{at(7).first, at(8).first, at(8).second}};
        for (size_t i = 9; i < notes.size(); ++i)
            if (at(i).second != at(i - 1).second)   // the first note of a system
                sharpPlaces.push_back({0, at(i).first, at(i).second});
        auto count = [&](char32_t code, const Place& place) {
            return std::count_if(glyphs.begin(), glyphs.end(), [&](const Glyph& g) {
                return g.code == code && g.x > place.left && g.x < place.right &&
                       std::abs(g.y - place.y) < kStaffReach;
            });
        };
        for (const Place& place : flatPlaces)
            EXPECT_EQ(count(flat, place), 2) << "flats before " << place.right << " at " << place.y;
        for (const Place& place : sharpPlaces)
            EXPECT_EQ(count(sharp, place), 3) << "sharps before " << place.right << " at " << place.y;
        EXPECT_EQ(std::count_if(glyphs.begin(), glyphs.end(), [&](const Glyph& g) { return g.code == flat; }), 2);
        EXPECT_EQ(std::count_if(glyphs.begin(), glyphs.end(), [&](const Glyph& g) { return g.code == sharp; }),
                  static_cast<long>(3 * sharpPlaces.size()));
    }
}

}  // namespace
