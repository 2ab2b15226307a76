// The engine's preparation of staff edits made in place (a name, a type,
// the order of the staves, a transposition) and of braces and brackets
// removed from the staff grouping.
//
// A staff's type decides how all its notes are notated: a split staff
// (type 1) divides them between two hands at the split pitch, with a clef
// and key of its own for the lower hand (voice 4 on); a percussion staff
// (type 3) places them by drum map under the percussion clef. A change of
// type therefore clears everything the passes made on the staff and
// renotates it whole.
#include "notation/autonote/autonote.h"

#include "model/command.h"
#include "model/conductor.h"
#include "model/conductorstaff.h"
#include "model/editstates.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/group.h"
#include "model/markings.h"
#include "model/mirror.h"
#include "model/performance.h"
#include "model/staff.h"
#include "model/voicetrackactions.h"
#include "notation/autonote/clearing.h"
#include "notation/autonote/timerange.h"
#include "notation/display/base.h"
#include "notation/display/key.h"

#include <mutex>
#include <optional>

namespace {

// Staff types, the percussion clef and the clef that replaces it, and the
// lower hand's clef on a split staff (a bass clef).
constexpr unsigned char STAFF_TYPE_SPLIT = 1;
constexpr unsigned char STAFF_TYPE_PERCUSSION = 3;
constexpr unsigned char CLEF_PERCUSSION = 8;
constexpr unsigned char CLEF_PLAIN = 0;
constexpr unsigned char CLEF_LOWER_HAND = 3;
constexpr unsigned char UPPER_HAND = 0;
constexpr unsigned char LOWER_HAND = 1;
// The first voice of the lower hand.
constexpr int LOWER_HAND_FIRST_VOICE = 4;
// The group kind of a staff grouped with itself as a split staff.
constexpr int GROUP_KIND_SPLIT = MCGroup::KIND_STAFF_TYPE_1;
// A brace's primary word: 0 for a primary group, else a secondary one.
constexpr int BRACE_PRIMARY = 0;

MCTime TimeOf(ECBase* element) {
    const MCTime* time = element->GetTime();
    return time ? *time : MCTime();
}

ECBase* FirstParent(ECBase* element) {
    MCEventList* parents = element->GetParents();
    return parents && !parents->IsEmpty() ? parents->GetHead() : nullptr;
}

// The elements of the types under `root`, collected before anything changes.
void Collect(ECBase* root, int type, MCEventList& into) {
    ACFindEvents find;
    find.AddEvtType(type);
    find.Apply(root);
    into.AddEvents(&find.GetEvents(), UNSORTED);
}

// The index in `table` of the in-use entry with exactly this word; -1 when
// none.
int FindEntry(const MCGroup::GroupTable& table, uint32_t word) {
    for (size_t index = 0; index < table.size(); ++index)
        if (table[index].IsInUse() && table[index].GetWord() == word)
            return static_cast<int>(index);
    return -1;
}

// The lower hand's partner of a clef: a bass clef at the same time.
ECClef* MakeLowerHandClef(ECClef* clef) {
    auto* partner = new ECClef(CLEF_LOWER_HAND);
    partner->SetHand(LOWER_HAND);
    partner->SetVoiceTrack(LOWER_HAND_FIRST_VOICE, clef->GetVoiceTrack()->GetTrack());
    partner->SetTime(clef->GetTime());
    partner->GetData(DK_NOTATION, 1);
    return partner;
}

// The lower hand's copy of a key.
ECKey* MakeLowerHandKey(ECKey* key) {
    auto* copy = new ECKey(*key);
    copy->SetHand(LOWER_HAND);
    copy->SetVoiceTrack(LOWER_HAND_FIRST_VOICE, key->GetVoiceTrack()->GetTrack());
    copy->SetTime(key->GetTime());
    if (auto* display = dynamic_cast<DCctKey*>(copy->GetData(DK_NOTATION, 1)))
        display->SetKey(copy->GetAccidentals(), copy->GetMode());
    return copy;
}

// Whether a clef (key) of the hand starts exactly at the time on the staff.
bool ClefStartsAt(ECStaff* staff, const MCTime& time, unsigned char hand) {
    ECClef* clef = staff->GetClefAtTime(time, hand);
    return clef && clef->GetHand() == hand && TimeOf(clef) == time;
}

bool KeyStartsAt(ECStaff* staff, const MCTime& time, unsigned char hand) {
    ECKey* key = staff->GetKeyAtTime(time, hand);
    return key && key->GetHand() == hand && TimeOf(key) == time;
}

}  // namespace

int CAutoNote::RemoveGroup(CCBase*, ECBase* element, ECBase*) {
    auto* brace = dynamic_cast<ECBrac*>(element);
    ECConductor* conductor = GetConductor();
    auto* conductorStaff =
        conductor ? dynamic_cast<ECConductorStaff*>(conductor->GetTrack(TRACK_CONDUCTOR, 0, 0)) : nullptr;
    if (!brace || !conductorStaff)
        return 0;
    MCGroup* group = conductorStaff->GetGroup();
    const int index = brace->GetGroupID();
    if (brace->GetPrimary() != BRACE_PRIMARY) {
        group->RemoveSecondaryGroup(index);
    } else if (index < static_cast<int>(group->GetPrimaryGroup().size())) {
        const MCGroup::tag_group primary = group->GetPrimaryGroup()[static_cast<size_t>(index)];
        // The inner groups inside it go with it, plain one-staff groups
        // excepted. Removing an entry cleans both tables, which moves
        // later entries down: the search starts over after each removal,
        // and the primary entry is found again by its word.
        for (bool removed = true; removed && primary.IsInUse();) {
            removed = false;
            const MCGroup::GroupTable& inner = group->GetSecondaryGroup();
            for (size_t at = 0; at < inner.size(); ++at) {
                const MCGroup::tag_group& entry = inner[at];
                if (entry.IsInUse() && entry.GetKind() != MCGroup::KIND_PLAIN &&
                    entry.GetFirst() >= primary.GetFirst() && entry.GetLast() <= primary.GetLast()) {
                    group->RemoveSecondaryGroup(static_cast<int>(at));
                    removed = true;
                    break;
                }
            }
        }
        const int now = FindEntry(group->GetPrimaryGroup(), primary.GetWord());
        if (now >= 0)
            group->RemovePrimaryGroup(now);
    }
    // The staves are laid out again; nothing is renotated, but a notate
    // range the batch's other commands asked for stays.
    m_notateInfo.SetPagenateRange(PAGENATE_REPAGENATE_ALL);
    return 0;
}

void CAutoNote::PrepareEditStaffName(SCEventEdit*, SCEventEditItem*, ECBase* element) {
    if (element && element->GetClassType() == ET_STAFF)
        MarkFrame(element);
}

void CAutoNote::PrepareEditStaffType(SCEventEdit* edit, SCEventEditItem*, ECBase* element) {
    if (auto* staff = dynamic_cast<ECStaff*>(element); staff && element->GetClassType() == ET_STAFF)
        PrepareForEditStaff(edit, staff, GetConductor());
}

void CAutoNote::PrepareEditStaffOrder(SCEventEdit*, SCEventEditItem*, ECBase*) {
    m_notateInfo.SetPagenateRange(PAGENATE_REPAGENATE_ALL);
}

void CAutoNote::PrepareEditStaffTranspose(SCEventEdit* edit, SCEventEditItem*, ECBase* element) {
    auto* staff = dynamic_cast<ECStaff*>(element);
    ECConductor* conductor = GetConductor();
    if (!staff || element->GetClassType() != ET_STAFF || !conductor)
        return;
    CCBase scratch;
    MCEventList measures;
    conductor->GetMeasures(conductor->GetTrackNumber(TRACK_STAFF, staff), MCTime::TimeZero(), MCTime::TimeMax(),
                           measures);
    ClearEvents(&scratch, measures, ET_REST, VOICE_ALL);
    ClearEvents(&scratch, measures, ET_ACCIDENTAL, VOICE_ALL);
    ACSetDirty dirty(6);
    for (uint8_t kind : {DCctBase::DIRTY_CHORD, DCctBase::DIRTY_STEM, DCctBase::DIRTY_BEAM, DCctBase::DIRTY_SPELLING,
                         DCctBase::DIRTY_REST, DCctBase::DIRTY_POSITION})
        dirty.AddDirtyKind(kind);
    dirty.Apply(measures, 1);
    ACFindEvents chords;
    chords.AddEvtType(ET_CHORD);
    chords.Apply(measures, 1);
    m_dirtyRect.AddEvents(&chords.GetEvents());
    m_notateInfo.SetNotateRange(NOTATE_TRANSPOSE);
    m_notateInfo.SetTimeStart(MCTime::TimeZero());
    m_notateInfo.SetTimeEnd(MCTime::TimeMax());
    m_notateInfo.SetMeasureStart(MCTime::TimeZero());
    m_notateInfo.SetMeasureEnd(MCTime::TimeMax());
    m_notateInfo.SetPagenateRange(PAGENATE_REPAGENATE_ALL);
    GiveDiscardsToDeleteList(scratch, edit);
}

void CAutoNote::PrepareForEditStaff(SCEventBase* edit, ECStaff* staff, ECConductor* conductor) {
    ECPerformance* performance = GetBaseEvent();
    if (!staff || !conductor || !performance)
        return;
    CCBase scratch;
    const int track = conductor->GetTrackNumber(TRACK_STAFF, staff);
    const unsigned char type = staff->GetStaffType();

    // Everything the passes made on the staff goes.
    MCEventList measures;
    conductor->GetMeasures(track, MCTime::TimeZero(), MCTime::TimeMax(), measures);
    for (int derived : {ET_REST, ET_BEAM, ET_CHORD, ET_TUPLET, ET_DOT, ET_ACCIDENTAL})
        ClearEvents(&scratch, measures, derived, VOICE_ALL);
    MCTime tiesFrom = MCTime::TimeZero();
    MCTime tiesTo = MCTime::TimeMax();
    ClearTiesInRange(&scratch, measures, tiesFrom, tiesTo, VOICE_ALL);
    ACSetDirty dirty(9);
    for (uint8_t kind : {DCctBase::DIRTY_TIME, DCctBase::DIRTY_VALUE, DCctBase::DIRTY_MULTIVOICE,
                         DCctBase::DIRTY_STEM, DCctBase::DIRTY_BEAM, DCctBase::DIRTY_CHORD, DCctBase::DIRTY_REST,
                         DCctBase::DIRTY_FRAME, DCctBase::DIRTY_SPELLING})
        dirty.AddDirtyKind(kind);
    dirty.Apply(measures, 1);

    // The clef and key mirrors show what is about to change.
    MCEventList mirrors;
    Collect(staff, ET_MIRROR, mirrors);
    for (POSITION pos = mirrors.GetHeadPosition(); pos;) {
        auto* mirror = dynamic_cast<ECMirror*>(mirrors.GetNext(pos));
        ECBase* shown = mirror ? mirror->GetMirrorEvent() : nullptr;
        const int shownType = shown ? shown->GetClassType() : -1;
        if (shownType == ET_CLEF || shownType == ET_KEY)
            scratch.Discard(mirror);
    }

    bool noLongerSplit = false;
    bool noLongerPercussion = false;
    MCEventList clefs;
    Collect(staff, ET_CLEF, clefs);
    MCEventList keys;
    Collect(staff, ET_KEY, keys);
    {
        std::lock_guard tree(performance->GetLock());
        for (POSITION pos = clefs.GetHeadPosition(); pos;) {
            auto* clef = dynamic_cast<ECClef*>(clefs.GetNext(pos));
            if (!clef)
                continue;
            if (type == STAFF_TYPE_SPLIT) {
                if (clef->GetHand() == UPPER_HAND && clef->GetClefType() == CLEF_PERCUSSION)
                    clef->SetClefType(CLEF_PLAIN);   // a split staff is no drum staff
                if (!ClefStartsAt(staff, TimeOf(clef), LOWER_HAND)) {
                    if (ECBase* measure = FirstParent(clef))
                        measure->AddChild(MakeLowerHandClef(clef), SORTED);
                }
            } else if (clef->GetHand() == LOWER_HAND) {
                scratch.Discard(clef);
                noLongerSplit = true;
            } else if (type == STAFF_TYPE_PERCUSSION) {
                clef->SetClefType(CLEF_PERCUSSION);
            } else if (clef->GetClefType() == CLEF_PERCUSSION) {
                clef->SetClefType(CLEF_PLAIN);
                noLongerPercussion = true;
            }
        }
        for (POSITION pos = keys.GetHeadPosition(); pos;) {
            auto* key = dynamic_cast<ECKey*>(keys.GetNext(pos));
            if (!key)
                continue;
            if (type == STAFF_TYPE_SPLIT) {
                if (key->GetHand() == UPPER_HAND && !KeyStartsAt(staff, TimeOf(key), LOWER_HAND)) {
                    if (ECBase* measure = FirstParent(key))
                        measure->AddChild(MakeLowerHandKey(key), SORTED);
                }
            } else if (key->GetHand() == LOWER_HAND) {
                scratch.Discard(key);
                noLongerSplit = true;
            }
        }
    }

    auto* conductorStaff = dynamic_cast<ECConductorStaff*>(conductor->GetTrack(TRACK_CONDUCTOR, 0, 0));
    if (type == STAFF_TYPE_SPLIT) {
        m_multivoice.SetVoice(ANMultivoice::VOICE_KEEP);
        if (conductorStaff)
            conductorStaff->GroupStaves(track, track, GROUP_KIND_SPLIT);
        m_multivoice.SetSplit(m_splitPitch);
        m_timeCorrect.SetSplit(m_splitPitch);
    } else if (noLongerSplit || noLongerPercussion) {
        if (noLongerSplit)
            m_multivoice.SetSingleMultivoice(1);
        ACSetVoiceTrack words;
        words.Apply(staff);
        if (noLongerSplit && conductorStaff) {
            // The brace that grouped the staff with itself goes with the
            // split.
            ECMeasure* first = conductor->GetMeasure(TRACK_CONDUCTOR, 1);
            MCEventList braces;
            if (first)
                Collect(first, ET_BRAC, braces);
            for (POSITION pos = braces.GetHeadPosition(); pos;) {
                auto* brace = dynamic_cast<ECBrac*>(braces.GetNext(pos));
                if (!brace || brace->GetPrimary() != BRACE_PRIMARY)
                    continue;
                const MCGroup::GroupTable& primary = conductorStaff->GetGroup()->GetPrimaryGroup();
                const size_t index = brace->GetGroupID();
                if (index >= primary.size() || !primary[index].IsInUse() || primary[index].GetFirst() != track ||
                    primary[index].GetLast() != track)
                    continue;
                RemoveGroup(&scratch, brace, nullptr);
                scratch.Discard(brace);
            }
        }
    } else {
        m_multivoice.SetVoice(ANMultivoice::VOICE_KEEP);
    }

    m_notateInfo.SetPagenateRange(PAGENATE_REPAGENATE_ALL);
    m_notateInfo.SetNotateRange(NOTATE_STAFF);
    m_notateInfo.AddTrack(track, MCTime::TimeZero(), MCTime::TimeMax(), MCTime::TimeZero(), MCTime::TimeMax());
    GiveDiscardsToDeleteList(scratch, edit);
}
