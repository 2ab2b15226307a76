// Whole pieces: every event type through the archive, and a piece of four
// staves and 10,000 notes built the way the program builds one (the
// conductor's measure grid and the basic commands), saved as a document
// saves it (the tree, then the after-load pass), loaded and saved again.
#include "model/basiccommands.h"

#include "model/conductor.h"
#include "model/conductorstaff.h"
#include "model/editactions.h"
#include "model/eventtypes.h"
#include "model/frame.h"
#include "model/groupmarks.h"
#include "model/markings.h"
#include "model/measure.h"
#include "model/meter.h"
#include "model/midievents.h"
#include "model/mirror.h"
#include "model/modifiers.h"
#include "model/notes.h"
#include "model/performance.h"
#include "model/staff.h"
#include "model/tempo.h"
#include "model/textmarks.h"
#include "platform/core/archive.h"
#include "tests/model/document_support.h"
#include "tests/model/eventio_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

// ---- every event type -------------------------------------------------------

// Non-default values in every field the class has (the base's time, word,
// duration and flag bits included).
void Fill(ECBase* event) {
    event->SetIgnored(1);
    event->SetDisplayOnly(1);
    const MCTime time(6.5f);
    event->SetTime(&time);
    event->SetVoiceTrack(3, 5);
    const MCTime duration(1.75f);
    event->SetDuration(&duration);

    if (auto* e = dynamic_cast<ECAccent*>(event)) e->SetAccentType(201);
    if (auto* e = dynamic_cast<ECAccidental*>(event)) e->SetAccidentalType(202);
    if (auto* e = dynamic_cast<ECArpeggio*>(event)) e->SetArpeggioType(203);
    if (auto* e = dynamic_cast<ECDot*>(event)) e->SetDotType(2);
    if (auto* e = dynamic_cast<ECMordent*>(event)) e->SetMordentType(204);
    if (auto* e = dynamic_cast<ECOrnament*>(event)) e->SetOrnamentType(205);
    if (auto* e = dynamic_cast<ECTremolo*>(event)) e->SetTremoloType(206);
    if (auto* e = dynamic_cast<ECTrill*>(event)) e->SetTrillType(207);
    if (auto* e = dynamic_cast<ECTurn*>(event)) e->SetTurnType(208);
    if (auto* e = dynamic_cast<ECBarline*>(event)) {
        e->SetBarlineType(3);
        e->SetBarlinePos(2);
    }
    if (auto* e = dynamic_cast<ECBrac*>(event)) {
        e->SetBracType(2);
        e->SetGroupID(4, 7);
    }
    if (auto* e = dynamic_cast<ECChordSymbol*>(event)) e->SetChordType(0x05040302u);
    if (auto* e = dynamic_cast<ECClef*>(event)) {
        e->SetClefType(4);
        e->SetHand(1);
    }
    if (auto* e = dynamic_cast<ECKey*>(event)) {
        e->SetAccidentals(-4);
        e->SetMode(1);
        e->SetHand(2);
    }
    if (auto* e = dynamic_cast<ECDynamic*>(event)) {
        e->SetDynamicType(12);   // a spanning type: its duration is stored
        e->SetDuration(&duration);
        e->SetText("molto cresc.");
    }
    if (auto* e = dynamic_cast<ECFlowControl*>(event)) {
        e->SetFlowControlType(2);   // an ending: its number is stored
        e->SetEndingNumber(3);
    }
    if (auto* e = dynamic_cast<ECFrame*>(event)) {
        e->SetFrameType(2);
        auto* item = new CScoreCntrItem;
        item->SetItemNumber(12);
        item->SetDrawAspect(4);
        item->SetExtent(2540, 1270);
        e->SetClientItem(item);
    }
    if (auto* e = dynamic_cast<ECText*>(event)) {   // lyrics too
        e->SetTextType(7);
        e->SetText("Allegro con brio");
        e->SetBold(1);
        e->SetUnderline(1);
        e->SetPointSize(30);
    }
    if (auto* e = dynamic_cast<ECMeter*>(event)) e->SetMeter(6, 8, 0);
    if (auto* e = dynamic_cast<ECTempo*>(event)) {
        e->SetTempoType(ECTempo::TEMPO_RALL, duration);
        e->SetTempo(96.0f, 1.5f);
        e->SetText("poco rall.");
    }
    if (auto* e = dynamic_cast<ECPedal*>(event)) e->SetPedalType(2);
    if (auto* e = dynamic_cast<ECTranspose*>(event)) e->SetTransposeType(3);
    if (auto* e = dynamic_cast<ECRepeat*>(event)) e->SetRepeatType(4);
    if (auto* e = dynamic_cast<ECTuplet*>(event)) e->SetTuplet(5, 4, 4);
    if (auto* e = dynamic_cast<ECStaff*>(event)) e->SetStaffType(3);
    if (auto* e = dynamic_cast<ECPerformance*>(event)) e->SetVersion(1);
}

// What the archive keeps of an event, as text.
std::string Describe(ECBase* event) {
    std::ostringstream out;
    out << event->GetRuntimeClass()->m_lpszClassName << " type " << event->GetClassType() << " flags "
        << event->GetFlags();
    if (MCTime* time = event->GetTime())
        out << " time " << time->GetSeconds() << "/" << int(time->GetMode());
    if (MCVoiceTrack* word = event->GetVoiceTrack())
        out << " word " << word->GetValue();
    if (MCTime* duration = event->GetDuration())
        out << " duration " << duration->GetSeconds();

    if (auto* e = dynamic_cast<ECAccent*>(event)) out << " accent " << int(e->GetAccentType());
    if (auto* e = dynamic_cast<ECAccidental*>(event)) out << " accidental " << int(e->GetAccidentalType());
    if (auto* e = dynamic_cast<ECArpeggio*>(event)) out << " arpeggio " << int(e->GetArpeggioType());
    if (auto* e = dynamic_cast<ECDot*>(event)) out << " dot " << int(e->GetDotType());
    if (auto* e = dynamic_cast<ECMordent*>(event)) out << " mordent " << int(e->GetMordentType());
    if (auto* e = dynamic_cast<ECOrnament*>(event)) out << " ornament " << int(e->GetOrnamentType());
    if (auto* e = dynamic_cast<ECTremolo*>(event)) out << " tremolo " << int(e->GetTremoloType());
    if (auto* e = dynamic_cast<ECTrill*>(event)) out << " trill " << int(e->GetTrillType());
    if (auto* e = dynamic_cast<ECTurn*>(event)) out << " turn " << int(e->GetTurnType());
    if (auto* e = dynamic_cast<ECBarline*>(event))
        out << " barline " << int(e->GetBarlineType()) << "," << int(e->GetBarlinePos());
    if (auto* e = dynamic_cast<ECBrac*>(event))
        out << " brac " << int(e->GetBracType()) << "," << int(e->GetGroupID()) << "," << e->GetPrimary();
    if (auto* e = dynamic_cast<ECChordSymbol*>(event)) out << " chord " << e->GetChordType();
    if (auto* e = dynamic_cast<ECClef*>(event)) out << " clef " << int(e->GetClefType()) << "," << int(e->GetHand());
    if (auto* e = dynamic_cast<ECKey*>(event))
        out << " key " << e->GetAccidentals() << "," << int(e->GetMode()) << "," << int(e->GetHand());
    if (auto* e = dynamic_cast<ECDynamic*>(event)) out << " dynamic " << int(e->GetDynamicType()) << " '" << e->GetText() << "'";
    if (auto* e = dynamic_cast<ECFlowControl*>(event))
        out << " flow " << int(e->GetFlowControlType()) << "," << e->GetEndingNumber() << "," << e->GetSequenceNumber()
            << " '" << e->GetText() << "'";
    if (auto* e = dynamic_cast<ECFrame*>(event)) {
        out << " frame " << int(e->GetFrameType());
        if (CScoreCntrItem* item = e->GetClientItem())
            out << " item " << item->GetItemNumber() << "," << item->GetDrawAspect() << "," << item->GetExtentX() << ","
                << item->GetExtentY() << (item->GetECFrame() == e ? " joined" : " loose");
    }
    if (auto* e = dynamic_cast<ECText*>(event))
        out << " text " << int(e->GetTextType()) << " '" << e->GetText() << "' style " << e->GetStyle();
    if (auto* e = dynamic_cast<ECMeter*>(event))
        out << " meter " << int(e->GetNumerator()) << "/" << int(e->GetDenominator()) << " type "
            << int(e->GetMeterType()) << " stresses " << e->GetStressPulsesPerMeasure();
    if (auto* e = dynamic_cast<ECTempo*>(event))
        out << " tempo " << int(e->GetTempoType()) << " " << e->GetTempo(1.0f) << " beat " << e->GetBeat() << " '"
            << e->GetText() << "'";
    if (auto* e = dynamic_cast<ECPedal*>(event)) out << " pedal " << int(e->GetPedalType());
    if (auto* e = dynamic_cast<ECTranspose*>(event)) out << " transpose " << int(e->GetTransposeType());
    if (auto* e = dynamic_cast<ECRepeat*>(event)) out << " repeat " << int(e->GetRepeatType());
    if (auto* e = dynamic_cast<ECSystemMessage*>(event)) out << " message " << int(e->GetMsgType());
    if (auto* e = dynamic_cast<ECTuplet*>(event))
        out << " tuplet " << int(e->GetIrregular()) << ":" << int(e->GetNormal()) << "/" << int(e->GetUnits());
    if (auto* e = dynamic_cast<ECWave*>(event)) out << " wave '" << e->GetFileName() << "'";
    if (auto* e = dynamic_cast<ECStaff*>(event)) out << " staff " << int(e->GetStaffType());
    if (auto* e = dynamic_cast<ECPerformance*>(event)) out << " version " << e->GetVersion();
    return out.str();
}

// The event of a type, made by number, or for the bank selects (which are
// not made by number) by their class.
ECBase* MakeEvent(int type) {
    if (type == ET_BANKLSB)
        return new ECBankLSB;
    if (type == ET_BANKMSB)
        return new ECBankMSB;
    return ECBase::CreateEvent(type);
}

TEST(Piece, EveryEventTypeIsCreatedFilledSavedAndLoadedBackEqual) {
    for (int type : {int(ET_BANKLSB), int(ET_BANKMSB), int(ET_GROUP), int(ET_COUNT), -1})
        EXPECT_EQ(ECBase::CreateEvent(type), nullptr) << type;

    // What the archive does not keep, by type: the description the loaded
    // event gives in place of the filled one's.
    const std::map<int, std::function<void(ECBase*)>> unstored = {
        {ET_BRAC, [](ECBase* e) { static_cast<ECBrac*>(e)->SetGroupID(0, 0); }},
        {ET_PERFORMANCE, [](ECBase* e) { static_cast<ECPerformance*>(e)->SetVersion(0); }},
    };
    for (int type = 0; type < ET_COUNT; ++type) {
        if (type == ET_GROUP)
            continue;   // no class
        eventio::Held held;
        ECBase* event = held(MakeEvent(type));
        ASSERT_NE(event, nullptr) << type;
        ASSERT_EQ(event->GetClassType(), type);
        const std::string fresh = Describe(event);
        Fill(event);
        const std::string filled = Describe(event);
        EXPECT_NE(filled, fresh) << "nothing to fill in " << fresh;

        const std::vector<uint8_t> bytes = eventio::Save(event);
        ECBase* loaded = held(eventio::Load(bytes));
        ASSERT_NE(loaded, nullptr) << type;
        if (auto forget = unstored.find(type); forget != unstored.end())
            forget->second(event);
        EXPECT_EQ(Describe(loaded), Describe(event)) << type;
        EXPECT_EQ(eventio::Save(loaded), bytes) << type;
    }
}

// A flow-control mark keeps the number its type uses and nothing else: an
// ending its ending number, a sequence-number mark its sequence number, and
// a mark with a text of its own (type 16) shows it but comes back without.
TEST(Piece, AFlowControlMarkKeepsWhatItsTypeUses) {
    const struct {
        int type, ending, sequence;
        const char* text;
        int endingLoaded, sequenceLoaded;
    } cases[] = {
        {2, 3, 9, "", 3, 0},
        {14, 3, 9, "", 1, 9},
        {5, 3, 9, "", 1, 0},
        {16, 3, 9, "To Coda", 1, 0},
    };
    for (const auto& c : cases) {
        eventio::Held held;
        auto* mark = held(new ECFlowControl(static_cast<unsigned char>(c.type)));
        mark->SetEndingNumber(c.ending);
        mark->SetSequenceNumber(c.sequence);
        if (*c.text) {
            mark->SetText(c.text);
            ASSERT_EQ(mark->GetText(), c.text);
        }
        auto* loaded = held(DYNAMIC_DOWNCAST(ECFlowControl, eventio::Load(eventio::Save(mark))));
        ASSERT_NE(loaded, nullptr);
        EXPECT_EQ(loaded->GetFlowControlType(), c.type);
        EXPECT_EQ(loaded->GetEndingNumber(), c.endingLoaded) << c.type;
        EXPECT_EQ(loaded->GetSequenceNumber(), c.sequenceLoaded) << c.type;
        if (c.type == 16) {
            EXPECT_EQ(loaded->GetText(), "");
        }
    }
}

// ---- a whole piece ----------------------------------------------------------

using document::FreeTree;
using eventio::Place;
using document::LoadDocument;
using document::SaveDocument;
using document::TreeEvents;

int CountOfType(const std::vector<ECBase*>& events, int type) {
    int count = 0;
    for (ECBase* event : events)
        count += event->GetClassType() == type;
    return count;
}

void RunCommand(CCBase* command, ECPerformance* performance) {
    command->SetSynchronous(1);
    ASSERT_EQ(command->Apply(performance), 1);
}

constexpr int kStaves = 4;
constexpr int kNotes = 10000;

// Builds the piece: four staves of single notes, chords, beamed pairs and
// triplets with their modifiers, lyrics, ties and slurs; clefs and keys with
// mirrors; staff marks and MIDI events; the conductor's tempos, texts, flow
// control, barlines and braces; a wave track; a frame; staff groups.
ECPerformance* BuildPiece() {
    auto* performance = new ECPerformance;
    performance->Ref();
    auto* conductor = new ECConductor;
    performance->AddChild(conductor, SORTED);

    auto* tracks = new CCAddTrack;
    tracks->AddMidiTrack(0, kStaves - 1);
    tracks->AddMidiTrack(1, 1);
    tracks->AddWaveTrack(1);
    RunCommand(tracks, performance);
    auto* conductorStaff = static_cast<ECConductorStaff*>(conductor->GetTrack(TRACK_CONDUCTOR, 0, 0));
    conductorStaff->GroupStaves(1, 2, 0);
    conductorStaff->GroupStaves(3, 4, 1);

    uint32_t seed = 12345;
    auto next = [&seed](uint32_t range) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % range;
    };

    int notes = 0;
    for (int s = 1; s <= kStaves; ++s) {
        ECStaff* staff = static_cast<ECStaff*>(conductor->GetTrack(TRACK_STAFF, s, 0));
        auto* add = new CCAdd;
        auto* modifiers = new CCAddNoteModifier;
        auto* marks = new CCAdd;   // ties and slurs, once their notes are linked
        // Accents and tremolos on chords are spread over the notes a chord
        // holds when they are given: they wait until the chords are filled.
        std::vector<std::pair<ECChord*, ECBase*>> spread;
        auto put = [&](ECBase* child, ECBase* parent) { ASSERT_NE(add->Add(child, parent, FCMidi::MidiNull()), nullptr); };
        auto note = [&](float time, float length, ECBase* parent) {
            auto* n = new ECNote(MCTime(time), MCTime(length));
            n->SetVoiceTrack(1, s);
            put(n, parent);
            ++notes;
            if (notes % 7 == 0)
                modifiers->Add(new ECAccent(static_cast<unsigned char>(notes % 5)), n, FCMidi::MidiNull());
            if (notes % 11 == 0)
                put(new ECLyric("la" + std::to_string(notes)), n);
            if (notes % 13 == 0)
                modifiers->Add(new ECAccidental(static_cast<unsigned char>(notes % 3)), n, FCMidi::MidiNull());
            if (notes % 29 == 0)
                put(new ECGraceNote(MCTime(time), MCTime(0.125f)), n);
            if (notes % 31 == 0)
                modifiers->Add(new ECOrnament(static_cast<unsigned char>(notes % 4)), n, FCMidi::MidiNull());
            if (notes % 37 == 0)
                modifiers->Add(new ECTrill(1), n, FCMidi::MidiNull());
            return n;
        };

        ECNote* tieFrom = nullptr;
        ECSlur* slur = nullptr;
        const int target = kNotes * s / kStaves;
        for (float t = 0.0f; notes < target; t += 1.0f) {
            ECMeasure* measure = conductor->GetMeasure(s, MCTime(t), 1, 1);
            const int number = conductor->GetMeasureNumberAtTime(MCTime(t));
            if (t == measure->GetTime()->GetSeconds() && number % 40 == 1) {
                // A clef and a key at the start of every 40th measure, each
                // shown again by a mirror in the next measure.
                auto* clef = new ECClef(static_cast<unsigned char>(number % 4));
                auto* key = new ECKey(static_cast<short>(number % 7 - 3), number % 2);
                Place(clef, t, 0, s);
                Place(key, t, 0, s);
                put(clef, measure);
                put(key, measure);
                ECMeasure* following = conductor->GetMeasure(s, MCTime(t + 4.0f), 1, 1);
                for (ECBase* shown : {static_cast<ECBase*>(clef), static_cast<ECBase*>(key)}) {
                    auto* mirror = new ECMirror;
                    Place(mirror, t + 4.0f, 0, s);
                    mirror->SetMirrorEvent(shown, 1);
                    put(mirror, following);
                }
            }
            if (s == 1 && number % 8 == 1 && t == measure->GetTime()->GetSeconds()) {
                auto* symbol = new ECChordSymbol(static_cast<unsigned char>(number % 12), 18, 1, 3);
                Place(symbol, t, 0, s);
                put(symbol, measure);
            }
            // Near the end of a staff's share, single notes fill it exactly.
            switch (target - notes < 3 ? 0 : next(10)) {
            case 0: case 1: case 2: case 3: case 4: case 5: {   // a single note, maybe tied or slurred
                ECNote* n = note(t, 1.0f, measure);
                if (tieFrom) {
                    auto* tie = new ECTie;
                    Place(tie, tieFrom->GetTime()->GetSeconds(), 1, s);
                    tie->AddChild(tieFrom, SORTED);
                    tie->AddChild(n, SORTED);
                    marks->Add(tie, staff, FCMidi::MidiNull());
                    tieFrom = nullptr;
                } else if (next(6) == 0) {
                    tieFrom = n;
                }
                if (next(15) == 0) {
                    slur = new ECSlur;
                    Place(slur, t, 1, s);
                    marks->Add(slur, staff, FCMidi::MidiNull());
                }
                if (slur && slur->GetChildren()->GetCount() < 4)
                    slur->AddChild(n, SORTED);
                break;
            }
            case 6: case 7: {   // a chord of three with its modifiers now and then
                auto* chord = new ECChord;
                Place(chord, t, 1, s);
                put(chord, measure);
                for (int i = 0; i < 3; ++i)
                    note(t, 1.0f, chord);
                if (next(3) == 0)
                    spread.emplace_back(chord, new ECAccent(1));
                if (next(9) == 0)
                    spread.emplace_back(chord, new ECTremolo(3));
                if (next(4) == 0)
                    modifiers->Add(new ECArpeggio(2), chord, FCMidi::MidiNull());
                if (next(8) == 0)
                    modifiers->Add(new ECMordent(1), chord, FCMidi::MidiNull());
                if (next(8) == 0)
                    modifiers->Add(new ECTurn(2), chord, FCMidi::MidiNull());
                if (next(5) == 0)
                    put(new ECDot(1), chord);
                break;
            }
            case 8: {   // two beamed eighths
                auto* beam = new ECBeam;
                Place(beam, t, 1, s);
                put(beam, measure);
                note(t, 0.5f, beam);
                note(t + 0.5f, 0.5f, beam);
                break;
            }
            default: {   // a triplet of eighths with a rest
                auto* tuplet = new ECTuplet(3, 2, 3);
                Place(tuplet, t, 1, s);
                put(tuplet, measure);
                note(t, 1.0f / 3, tuplet);
                note(t + 1.0f / 3, 1.0f / 3, tuplet);
                auto* rest = new ECRest;
                Place(rest, t + 2.0f / 3, 1, s);
                put(rest, tuplet);
                break;
            }
            }
            // Staff-level marks and MIDI events now and then.
            if (static_cast<int>(t) % 64 == 0) {
                auto* dynamic = new ECDynamic(static_cast<unsigned char>(t / 64) % 10, MCTime(0.0f));
                auto* hairpin = new ECDynamic(11, MCTime(8.0f));
                auto* pedal = new ECPedal(1, MCTime(2.0f));
                auto* control = new ECControlChange;
                auto* bend = new ECPitchBend;
                auto* pressure = new ECChannelPressure;
                auto* polyPressure = new ECPolyPressure;
                for (ECBase* mark : {static_cast<ECBase*>(dynamic), static_cast<ECBase*>(hairpin),
                                     static_cast<ECBase*>(pedal), static_cast<ECBase*>(control),
                                     static_cast<ECBase*>(bend), static_cast<ECBase*>(pressure),
                                     static_cast<ECBase*>(polyPressure)}) {
                    Place(mark, t, 1, s);
                    put(mark, staff);
                }
            }
        }
        for (ECBase* event : {static_cast<ECBase*>(new ECProgramChange), static_cast<ECBase*>(new ECBankMSB),
                              static_cast<ECBase*>(new ECTranspose(1, MCTime(4.0f))),
                              static_cast<ECBase*>(new ECText(0, "Violin " + std::to_string(s))),
                              static_cast<ECBase*>(new ECPan), static_cast<ECBase*>(new ECBankLSB),
                              static_cast<ECBase*>(new ECChannelMode)}) {
            Place(event, 0.0f, 0, s);
            put(event, staff);
        }
        RunCommand(add, performance);
        for (const auto& [chord, modifier] : spread)
            modifiers->Add(modifier, chord, FCMidi::MidiNull());
        RunCommand(modifiers, performance);
        RunCommand(marks, performance);
    }

    // The conductor's own events.
    auto* add = new CCAdd;
    auto put = [&](ECBase* child, ECBase* parent, float time) {
        Place(child, time, 14, 0);
        ASSERT_NE(add->Add(child, parent, FCMidi::MidiNull()), nullptr);
    };
    put(new ECTempo(ECTempo::TEMPO_RALL, MCTime(8.0f)), conductorStaff, 100.0f);
    put(new ECTempo(12, MCTime(0.0f)), conductorStaff, 300.0f);
    put(new ECText(1, "A Piece"), conductorStaff, 0.0f);
    put(new ECText(5, "for four"), conductorStaff, 0.0f);
    put(new ECFlowControl(5), conductorStaff, 400.0f);
    auto* ending = new ECFlowControl(2);
    ending->SetEndingNumber(2);
    put(ending, conductorStaff, 200.0f);
    put(new ECSystemMessage(0), conductorStaff, 16.0f);
    for (int number = 1; number <= conductor->GetMaxMeasureNumber(); number += 16) {
        ECMeasure* column = conductor->GetMeasure(0, number);
        const float time = column->GetTime()->GetSeconds();
        auto* barline = new ECBarline;
        barline->SetBarlineType(2);
        barline->SetBarlinePos(1);
        EXPECT_NE(add->Add(barline, column, FCMidi::MidiNull()), nullptr);
        EXPECT_NE(add->Add(new ECBrac(1), column, FCMidi::MidiNull()), nullptr);
        auto* repeat = new ECRepeat(1);
        put(repeat, conductor->GetMeasure(1, number), time);
        repeat->SetVoiceTrack(0, 1);
    }
    ECTrack* waveTrack = conductor->GetTrack(TRACK_WAVE, 1, 0);
    auto* wave = new ECWave(MCTime(4.0f), "take 1.wav");
    const MCTime waveLength(12.25f);
    wave->SetDuration(&waveLength);
    put(wave, waveTrack, 4.0f);
    wave->SetVoiceTrack(14, 1);
    auto* frame = new ECFrame(1);
    auto* item = new CScoreCntrItem;
    item->SetItemNumber(1);
    item->SetExtent(5000, 3000);
    frame->SetClientItem(item);
    put(frame, performance, 0.0f);
    RunCommand(add, performance);

    // The meter at 0 shown in every staff's first measure.
    ECMeter* meter = conductor->GetMeterAtTime(MCTime(0.0f));
    auto* mirrors = new CCAdd;
    for (int s = 1; s <= kStaves; ++s) {
        auto* mirror = new ECMirror;
        Place(mirror, 0.0f, 0, s);
        mirror->SetMirrorEvent(meter, 1);
        mirrors->Add(mirror, conductor->GetMeasure(s, 1), FCMidi::MidiNull());
    }
    RunCommand(mirrors, performance);
    return performance;
}

class PieceDocument : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_piece = BuildPiece();
        s_bytes = SaveDocument(s_piece);
        s_loaded = LoadDocument(s_bytes);
    }
    static void TearDownTestSuite() {
        FreeTree(s_loaded);
        FreeTree(s_piece);
    }

    static ECPerformance* s_piece;
    static ECPerformance* s_loaded;
    static std::vector<uint8_t> s_bytes;
};
ECPerformance* PieceDocument::s_piece = nullptr;
ECPerformance* PieceDocument::s_loaded = nullptr;
std::vector<uint8_t> PieceDocument::s_bytes;

TEST_F(PieceDocument, SavesLoadsAndSavesAgainToTheSameBytes) {
    const std::vector<ECBase*> built = TreeEvents(s_piece);
    ASSERT_EQ(CountOfType(built, ET_NOTE), kNotes);
    ASSERT_GT(CountOfType(built, ET_CHORD), 100);
    ASSERT_GT(CountOfType(built, ET_TIE), 50);
    ASSERT_GT(CountOfType(built, ET_ACCENT), 1000);

    const std::vector<ECBase*> loaded = TreeEvents(s_loaded);
    EXPECT_EQ(loaded.size(), built.size());
    for (int type = 0; type < ET_COUNT; ++type)
        EXPECT_EQ(CountOfType(loaded, type), CountOfType(built, type)) << ECBase::GetEventString(type) << " " << type;
    EXPECT_EQ(SaveDocument(s_loaded), s_bytes);
}

TEST_F(PieceDocument, TheStructureComesBack) {
    ECConductor* built = s_piece->GetConductor();
    ECConductor* loaded = s_loaded->GetConductor();
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->GetMaxTrackNumber(TRACK_STAFF), kStaves);
    EXPECT_EQ(loaded->GetMaxTrackNumber(TRACK_WAVE), 1);
    EXPECT_EQ(loaded->GetMaxMeasureNumber(), built->GetMaxMeasureNumber());
    EXPECT_EQ(loaded->GetMaxMeasureEndTime().GetSeconds(), built->GetMaxMeasureEndTime().GetSeconds());
    for (int s = 1; s <= kStaves; ++s) {
        auto* staff = static_cast<ECStaff*>(loaded->GetTrack(TRACK_STAFF, s, 0));
        ASSERT_NE(staff, nullptr);
        EXPECT_EQ(staff->GetVoiceTrack()->GetTrack(), s);
        for (int number : {1, 17, loaded->GetMaxMeasureNumber()}) {
            ECMeasure* measure = loaded->GetMeasure(s, number);
            ASSERT_NE(measure, nullptr);
            EXPECT_TRUE(staff->GetChildren()->Find(measure)) << s << " " << number;
        }
        // The staff's cache is rebuilt from the loaded clefs and keys.
        auto* builtStaff = static_cast<ECStaff*>(built->GetTrack(TRACK_STAFF, s, 0));
        ECClef* clef = staff->GetClefAtTime(MCTime(170.0f), 0);
        ECKey* key = staff->GetKeyAtTime(MCTime(170.0f), 0);
        ASSERT_NE(clef, nullptr);
        ASSERT_NE(key, nullptr);
        EXPECT_EQ(*clef, *builtStaff->GetClefAtTime(MCTime(170.0f), 0));
        EXPECT_EQ(*key, *builtStaff->GetKeyAtTime(MCTime(170.0f), 0));
        EXPECT_EQ(clef->GetTime()->GetSeconds(), 160.0f);
    }
    // The conductor's cache: the tempos and the meter.
    EXPECT_EQ(loaded->GetTempoAtTime(MCTime(350.0f))->GetTempoType(), 12);
    EXPECT_EQ(loaded->GetMeterAtTime(MCTime(1.0f))->GetNumerator(), 4);
}

// Every mirror shows its event again and is on that event's list.
TEST_F(PieceDocument, MirrorLinksSurvive) {
    int mirrors = 0;
    for (ECBase* event : TreeEvents(s_loaded)) {
        auto* mirror = DYNAMIC_DOWNCAST(ECMirror, event);
        if (!mirror)
            continue;
        ++mirrors;
        ECBase* shown = mirror->GetMirrorEvent();
        ASSERT_NE(shown, nullptr);
        EXPECT_TRUE(GetMirrorList(shown)->Find(mirror));
    }
    EXPECT_GT(mirrors, kStaves);
    ECMeter* meter = s_loaded->GetConductor()->GetMeterAtTime(MCTime(0.0f));
    EXPECT_EQ(GetMirrorList(meter)->GetCount(), kStaves);
}

// Grouping events answer for their members in a loaded piece too: a removed
// tuplet hands them to its measure, and a chord whose last note goes leaves.
TEST_F(PieceDocument, RemovedGroupsLeaveTheirMembersBehind) {
    ECPerformance* piece = LoadDocument(s_bytes);
    const std::vector<ECBase*> events = TreeEvents(piece);
    ECBase* tuplet = nullptr;
    ECBase* chord = nullptr;
    for (ECBase* event : events) {
        if (!tuplet && event->GetClassType() == ET_TUPLET)
            tuplet = event;
        if (!chord && event->GetClassType() == ET_CHORD)
            chord = event;
    }
    ASSERT_NE(tuplet, nullptr);
    ASSERT_NE(chord, nullptr);

    ECBase* measure = tuplet->GetParents()->GetHead();
    std::vector<ECBase*> members;
    for (POSITION pos = tuplet->GetChildren()->GetHeadPosition(); pos;)
        members.push_back(tuplet->GetChildren()->GetNext(pos));
    RunCommand(new CCRemove(tuplet), piece);
    EXPECT_FALSE(measure->GetChildren()->Find(tuplet));
    for (ECBase* member : members)
        EXPECT_TRUE(measure->GetChildren()->Find(member));

    ECBase* chordMeasure = chord->GetParents()->GetHead();
    chord->Ref();
    auto* remove = new CCRemove;
    for (POSITION pos = chord->GetChildren()->GetHeadPosition(); pos;) {
        ECBase* child = chord->GetChildren()->GetNext(pos);
        if (child->GetClassType() == ET_NOTE)
            remove->Remove(child);
    }
    RunCommand(remove, piece);
    EXPECT_EQ(chord->GetParents()->GetCount(), 0);
    EXPECT_FALSE(chord->GetFlags() & ECBase::EF_CHILDREN);
    EXPECT_FALSE(chordMeasure->GetChildren()->Find(chord));
    chord->Unref(1);
    FreeTree(piece);
}

}  // namespace
