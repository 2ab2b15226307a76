// The renotation checker's fixture (renotation.h).
#include "tests/notation/support/renotation.h"

#include "interface/document/opusdoc.h"
#include "interface/document/opusheader.h"
#include "model/basiccommands.h"
#include "model/command.h"
#include "model/conductor.h"
#include "model/conductorstaff.h"
#include "model/editstates.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/markings.h"
#include "model/measure.h"
#include "model/measurecommands.h"
#include "model/meter.h"
#include "model/metercommands.h"
#include "model/notes.h"
#include "model/performance.h"
#include "model/staff.h"
#include "notation/autonote/autonote.h"
#include "notation/autonote/timerange.h"
#include "notation/display/base.h"
#include "notation/view/cantrel.h"
#include "platform/core/archive.h"
#include "platform/core/file.h"
#include "sequencer/performer.h"
#include "tests/interface/document/doc_support.h"
#include "tests/notation/support/dump.h"
#include "tests/notation/support/viewdriver.h"
#include "tests/notation/support/voicecheck.h"

#include <filesystem>
#include <memory>
#include <mutex>
#include <regex>
#include <sstream>
#include <vector>

namespace renotation_check {
namespace {

constexpr int STAFF = 1;
constexpr int VELOCITY = 90;
constexpr uint32_t NOTE_ON = 0x90;         // channel 1
constexpr int METER_VOICE = 14;            // the conductor staff's word
constexpr unsigned char METER_TYPE = 255;  // worked out from the fraction

MCTime Ticks(int ticks) {
    MCTime time;
    time.SetTicks(ticks, TICKS);
    return time;
}

int TicksOf(const MCTime& time) {
    return time.GetTicks(TICKS);
}

// The note-on word of an added note: its performer plays this key.
FCMidi NoteOn(int key) {
    return FCMidi(NOTE_ON | (static_cast<uint32_t>(key) << 8) | (static_cast<uint32_t>(VELOCITY) << 16));
}

// The key a note plays; 0 for a tied continuation, which plays nothing.
int PlayedKey(ECBase* note) {
    auto* performer = dynamic_cast<DCsqNote*>(DCsqBase::GetPerformer(note, 0));
    return performer ? performer->GetNoteOnData().GetDataByte1() : 0;
}

// The notes of the staff, measure by measure, each measure's in child order.
std::vector<ECNote*> StaffNotes(ECConductor* conductor, bool playedOnly) {
    std::vector<ECNote*> notes;
    for (int bar = 1; bar <= conductor->GetMaxMeasureNumber(); ++bar)
        for (ECNote* note : notation_check::NotesIn(conductor->GetMeasure(STAFF, bar)))
            if (!playedOnly || PlayedKey(note) != 0)
                notes.push_back(note);
    return notes;
}

// The elements of a type under an element, in walk order.
std::vector<ECBase*> Find(ECBase* root, int type) {
    std::vector<ECBase*> found;
    if (!root)
        return found;
    ACFindEvents find;
    find.AddEvtType(type);
    find.Apply(root);
    MCEventList& events = find.GetEvents();
    for (POSITION pos = events.GetHeadPosition(); pos;)
        found.push_back(events.GetNext(pos));
    return found;
}

// Those not standing at the piece's start, which every piece keeps.
std::vector<ECBase*> Changes(const std::vector<ECBase*>& marks) {
    std::vector<ECBase*> changes;
    for (ECBase* mark : marks)
        if (mark->GetTime() && *mark->GetTime() != MCTime::TimeZero())
            changes.push_back(mark);
    return changes;
}

std::string Describe(ECNote* note) {
    std::ostringstream text;
    text << "note " << (PlayedKey(note) ? std::to_string(PlayedKey(note)) : std::string("(tied)")) << " at "
         << TicksOf(*note->GetTime()) << " length " << TicksOf(*note->GetDuration());
    return text.str();
}

}  // namespace

bool RenotationFixture::Start(const StartingPiece& piece) {
    if (LoadMidi(notation_test::MelodyFile(piece.played, TICKS, piece.meter)) != 1)
        return false;
    if (piece.upper.empty())
        return true;
    std::vector<CCBase*> batch;
    for (const notation_test::PlayedNote& played : piece.upper) {
        auto* note = new ECNote(Ticks(played.start), Ticks(played.length));
        note->SetVoiceTrack(1, STAFF);
        batch.push_back(new CCAdd(note, Conductor()->GetMeasure(STAFF, Ticks(played.start), 0, 1), NoteOn(played.key)));
    }
    RunBatch(batch);
    return true;
}

bool RenotationFixture::PlaceIn(unsigned pick, int offset, int& bar, int& ticks) {
    const int bars = Conductor()->GetMaxMeasureNumber();
    if (bars < 1)
        return false;
    bar = static_cast<int>(pick % static_cast<unsigned>(bars)) + 1;
    ECMeasure* measure = Conductor()->GetMeasure(TRACK_CONDUCTOR, bar);
    if (!measure || !measure->GetTime())
        return false;
    const MCTime start = *measure->GetTime();
    ECMeter* meter = Conductor()->GetMeterAtTime(start);
    const int length = meter ? meter->GetTicksPerMeasure(TICKS) : 4 * TICKS;
    ticks = TicksOf(start) + offset % length;
    return true;
}

std::string RenotationFixture::Apply(const Edit& edit) {
    switch (edit.kind) {
    case EditKind::ADD_NOTE: return AddNote(edit);
    case EditKind::REMOVE_NOTE: return RemoveNote(edit);
    case EditKind::MOVE_NOTE: return MoveNote(edit);
    case EditKind::LENGTHEN_NOTE: return LengthenNote(edit);
    case EditKind::INSERT_MEASURES: return InsertMeasures(edit);
    case EditKind::REMOVE_MEASURES: return RemoveMeasures(edit);
    case EditKind::ADD_METER: return AddMeter(edit);
    case EditKind::REMOVE_METER: return RemoveMeter(edit);
    case EditKind::ADD_KEY:
    case EditKind::ADD_CLEF: return AddMark(edit);
    case EditKind::REMOVE_KEY: return RemoveMark(edit, ET_KEY);
    case EditKind::REMOVE_CLEF: return RemoveMark(edit, ET_CLEF);
    }
    return "skip: unknown edit";
}

std::string RenotationFixture::AddNote(const Edit& edit) {
    int bar = 0, at = 0;
    if (!PlaceIn(edit.pick, edit.offset, bar, at))
        return "skip add: no measures";
    ECMeasure* measure = Conductor()->GetMeasure(STAFF, Ticks(at), 0, 1);
    if (!measure)
        return "skip add: the piece has no staff";   // an add with nowhere to go would leave its note to us
    auto* note = new ECNote(Ticks(at), Ticks(edit.length));
    note->SetVoiceTrack(edit.voice, STAFF);
    RunBatch({new CCAdd(note, measure, NoteOn(edit.key))});
    std::ostringstream text;
    text << "add note " << edit.key << " at " << at << " length " << edit.length << " voice " << edit.voice;
    return text.str();
}

std::string RenotationFixture::RemoveNote(const Edit& edit) {
    const std::vector<ECNote*> notes = StaffNotes(Conductor(), false);
    if (notes.empty())
        return "skip remove: no notes";
    ECNote* note = notes[edit.pick % notes.size()];
    const std::string text = "remove " + Describe(note);
    RunBatch({new CCRemove(note)});
    return text;
}

std::string RenotationFixture::MoveNote(const Edit& edit) {
    const std::vector<ECNote*> notes = StaffNotes(Conductor(), true);
    int bar = 0, at = 0;
    if (notes.empty() || !PlaceIn(edit.pick / 7, edit.offset, bar, at))
        return "skip move: no played notes";
    ECNote* note = notes[edit.pick % notes.size()];
    const std::string text = "move " + Describe(note) + " to " + std::to_string(at);
    auto* state = new SCEventEdit(STATE_EVENTS_EDITED);
    state->AddItem(note, Conductor()->GetMeasure(STAFF, Ticks(at), 0, 1), Ticks(at));
    SendState(state);
    return text;
}

std::string RenotationFixture::LengthenNote(const Edit& edit) {
    const std::vector<ECNote*> notes = StaffNotes(Conductor(), true);
    if (notes.empty())
        return "skip lengthen: no played notes";
    ECNote* note = notes[edit.pick % notes.size()];
    const std::string text = "lengthen " + Describe(note) + " to " + std::to_string(edit.length);
    // As a property page does: the element changed, then the edit announced.
    const MCTime length = Ticks(edit.length);
    note->SetDuration(&length);
    auto* state = new SCEventEdit(STATE_EVENTS_EDITED);
    state->AddItem(note, EDITITEM_EVENT);
    SendState(state);
    return text;
}

std::string RenotationFixture::InsertMeasures(const Edit& edit) {
    const int bars = Conductor()->GetMaxMeasureNumber();
    const int index = static_cast<int>(edit.pick % static_cast<unsigned>(bars + 1));   // bars: appended
    RunBatch({new CCAddMeasure(edit.count, index)});
    return "insert " + std::to_string(edit.count) + " measure(s) before bar " + std::to_string(index + 1);
}

std::string RenotationFixture::RemoveMeasures(const Edit& edit) {
    const int bars = Conductor()->GetMaxMeasureNumber();
    if (bars - edit.count < 2)
        return "skip remove measures: the piece keeps two";
    const int index = static_cast<int>(edit.pick % static_cast<unsigned>(bars - edit.count + 1));
    RunBatch({new CCRemoveMeasure(edit.count, index)});
    return "remove " + std::to_string(edit.count) + " measure(s) from bar " + std::to_string(index + 1);
}

std::string RenotationFixture::AddMeter(const Edit& edit) {
    int bar = 0, at = 0;
    if (!PlaceIn(edit.pick, 0, bar, at))
        return "skip add meter: no measures";
    auto* meter = new ECMeter(static_cast<unsigned char>(edit.numerator), static_cast<unsigned char>(edit.denominator),
                              METER_TYPE);
    const MCTime time = Ticks(at);
    meter->SetTime(&time);
    meter->SetVoiceTrack(METER_VOICE, TRACK_CONDUCTOR);
    RunBatch({new CCAddMeter(meter)});
    return "add meter " + std::to_string(edit.numerator) + "/" + std::to_string(edit.denominator) + " at bar " +
           std::to_string(bar);
}

std::string RenotationFixture::RemoveMeter(const Edit& edit) {
    const std::vector<ECBase*> meters = Changes(Find(ConductorStaffOf(Conductor()), ET_METER));
    if (meters.empty())
        return "skip remove meter: none after the first";
    auto* meter = static_cast<ECMeter*>(meters[edit.pick % meters.size()]);
    const std::string text = "remove meter at bar " + std::to_string(Conductor()->GetMeasureNumberAtTime(*meter->GetTime()));
    RunBatch({new CCRemoveMeter(meter)});
    return text;
}

std::string RenotationFixture::AddMark(const Edit& edit) {
    const int bars = Conductor()->GetMaxMeasureNumber();
    int bar = 0, at = 0;
    // A change from the second bar on: the opening clef and key stay.
    if (bars < 2 || !PlaceIn(edit.pick % static_cast<unsigned>(bars - 1) + 1, 0, bar, at))
        return "skip add key or clef: one bar";
    const bool key = edit.kind == EditKind::ADD_KEY;
    ECBase* mark = key ? static_cast<ECBase*>(new ECKey(static_cast<short>(edit.accidentals), 0))
                       : new ECClef(static_cast<unsigned char>(edit.clef));
    const MCTime time = Ticks(at);
    mark->SetTime(&time);
    mark->SetVoiceTrack(0, STAFF);
    std::string text = std::string(key ? "add key " + std::to_string(edit.accidentals)
                                       : "add clef " + std::to_string(edit.clef)) +
                       " at bar " + std::to_string(bar);
    // As the key and clef tools do: one standing there already is replaced
    // (taken out in the same batch, the engine told so), never doubled.
    ECBase* replaced = nullptr;
    for (ECBase* standing : Find(Conductor()->GetTrack(TRACK_STAFF, STAFF, 0), key ? ET_KEY : ET_CLEF))
        if (standing->GetTime() && *standing->GetTime() == time)
            replaced = standing;
    if (!replaced) {
        RunBatch({new CCAdd(mark, Conductor()->GetMeasure(STAFF, time, 0, 1))});
        return text;
    }
    Engine().SetReplaceEvent(1);
    RunBatch({new CCRemove(replaced), new CCAdd(mark, Conductor()->GetMeasure(STAFF, time, 0, 1))});
    return text + " (replacing the one there)";
}

std::string RenotationFixture::RemoveMark(const Edit& edit, int type) {
    const std::vector<ECBase*> marks = Changes(Find(Conductor()->GetTrack(TRACK_STAFF, STAFF, 0), type));
    const char* name = type == ET_KEY ? "key" : "clef";
    if (marks.empty())
        return std::string("skip remove ") + name + ": none after the opening";
    ECBase* mark = marks[edit.pick % marks.size()];
    const std::string text = std::string("remove ") + name + " at bar " +
                             std::to_string(Conductor()->GetMeasureNumberAtTime(*mark->GetTime()));
    RunBatch({new CCRemove(mark)});
    return text;
}

MCOpusDoc* RenotationFixture::Reopened(Through through) {
    // One document reads every copy (making a document is the slow part of
    // a fresh notation); it lets go of the last one first.
    if (!m_reopened)
        m_reopened = doc_support::DocumentParts::MakeDocument();
    MCOpusDoc* reopened = m_reopened.get();
    reopened->DeleteContents();
    Document()->GetHeader()->SetFormat(DF_NATIVE);
    if (through == Through::MEMORY) {
        CMemFile written;
        {
            CArchive ar(&written, CArchive::store);
            ar.m_pDocument = Document();
            Document()->Serialize(ar);
            ar.Close();
        }
        try {
            CMemFile read(written.Detach());
            CArchive ar(&read, CArchive::load | CArchive::bNoFlushOnDelete);
            ar.m_pDocument = reopened;
            reopened->Serialize(ar);
            ar.Close();
        } catch (const CException& e) {
            reopened->DeleteContents();
            ADD_FAILURE() << "the written piece did not read back: " << e.what();
            return nullptr;
        }
        return reopened;
    }
    const std::string path = m_folder.File("piece.mmm");
    if (!Document()->OnSaveDocument(path.c_str())) {
        ADD_FAILURE() << "the piece was not saved: " << m_prompts.GetLast().text;
        return nullptr;
    }
    // The document keeps the file it saved to open (as the product does,
    // to save again in place): a copy is opened, as another program would.
    const std::string copy = m_folder.File("copy.mmm");
    std::error_code error;
    std::filesystem::copy_file(path, copy, std::filesystem::copy_options::overwrite_existing, error);
    if (error || !reopened->OnOpenDocument(copy.c_str())) {
        ADD_FAILURE() << "the saved piece did not open: " << m_prompts.GetLast().text;
        return nullptr;
    }
    return reopened;
}

std::string RenotationFixture::FreshDump(Through through) {
    MCOpusDoc* reopened = Reopened(through);
    std::string dump;
    if (ECPerformance* performance = reopened ? reopened->GetBaseEvent() : nullptr) {
        StripNotation(performance);
        CCantrel view;
        notation_test::ViewDriver driver(view);
        driver.Attach(performance);
        dump = notation_dump::DumpPiece(performance->GetConductor());
        driver.Detach();
    }
    if (reopened)
        reopened->DeleteContents();   // the tree goes on a release thread, as a closed document's does
    return dump;
}

void StripNotation(ECPerformance* performance) {
    ECConductor* conductor = performance ? performance->GetConductor() : nullptr;
    if (!conductor)
        return;
    std::lock_guard tree(performance->GetLock());
    // Groups first: a chord or tuplet leaving hands its notes to its measure.
    CCBase derived;
    for (int type : {ET_CHORD, ET_TUPLET, ET_BEAM, ET_TIE, ET_REST, ET_DOT})
        for (ECBase* element : Find(performance, type))
            derived.Discard(element);
    for (ECBase* note : Find(performance, ET_NOTE))
        if (PlayedKey(note) == 0)
            derived.Discard(note);   // a tied continuation: the value pass makes it
    derived.Process();
    // An accidental sign is the record of a note's spelling (the user's or
    // the spelling pass's): the pass spells a note by the sign it carries,
    // and decides again whether to show it.
    for (ECBase* accidental : Find(performance, ET_ACCIDENTAL))
        if (DCctBase* display = dynamic_cast<DCctBase*>(accidental->GetData(DK_NOTATION, 0)))
            display->SetHidden(0);

    ACSetDirty dirty(8);
    for (uint8_t kind : {DCctBase::DIRTY_TIME, DCctBase::DIRTY_MULTIVOICE, DCctBase::DIRTY_VALUE,
                         DCctBase::DIRTY_SPELLING, DCctBase::DIRTY_STEM, DCctBase::DIRTY_BEAM,
                         DCctBase::DIRTY_CHORD, DCctBase::DIRTY_REST})
        dirty.AddDirtyKind(kind);
    dirty.Apply(performance);
}

std::string Compared(const std::string& dump) {
    // A spelled pitch counts as spelled, whichever spelling: a note keeps
    // the spelling it has (its accidental sign records it), so the letter
    // chosen for it may depend on the notes it stood beside when it was
    // first spelled. An unknown pitch stays unknown.
    static const std::regex kPitch(R"(pitch=[^ ?][^ ]*)");
    return std::regex_replace(dump, kPitch, "pitch=*");
}

::testing::AssertionResult SameNotation(const std::string& renotatedDump, const std::string& freshDump) {
    const std::string renotated = Compared(renotatedDump);
    const std::string fresh = Compared(freshDump);
    if (renotated == fresh)
        return ::testing::AssertionSuccess();
    std::istringstream a(renotatedDump);
    std::istringstream b(freshDump);
    std::string lineA, lineB;
    std::ostringstream differ;
    int shown = 0;
    while (shown < 4) {
        const bool moreA = static_cast<bool>(std::getline(a, lineA));
        const bool moreB = static_cast<bool>(std::getline(b, lineB));
        if (!moreA && !moreB)
            break;
        if (moreA && moreB && Compared(lineA) == Compared(lineB))
            continue;
        differ << "\n  renotated: " << (moreA ? lineA : "(none)") << "\n  fresh:     " << (moreB ? lineB : "(none)");
        ++shown;
    }
    return ::testing::AssertionFailure() << "the renotated piece differs from a fresh notation of it:" << differ.str();
}

}  // namespace renotation_check
