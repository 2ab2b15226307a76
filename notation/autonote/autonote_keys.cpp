// The engine's preparation of keys added, removed and edited in place.
//
// A key decides the spelling of every note of its span: the span's measures
// are respelled from scratch (their accidentals go, the spelling pass makes
// them again), and the key mirrors there, which show the key that was in
// force, are discarded for the pagination to make anew. A key without
// accidentals after another key shows that key's accidentals as naturals.
#include "notation/autonote/autonote.h"

#include "model/command.h"
#include "model/conductor.h"
#include "model/editstates.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/markings.h"
#include "model/measure.h"
#include "model/mirror.h"
#include "model/staff.h"
#include "notation/autonote/buildrulers.h"
#include "notation/autonote/clearing.h"
#include "notation/autonote/timerange.h"
#include "notation/display/base.h"
#include "notation/display/key.h"

namespace {

MCTime TimeOf(ECBase* element) {
    const MCTime* time = element->GetTime();
    return time ? *time : MCTime();
}

ECStaff* StaffOf(ECBase* element) {
    return element ? dynamic_cast<ECStaff*>(element->GetAncestor(ET_STAFF, -1)) : nullptr;
}

DCctKey* KeyDisplay(ECKey* key) {
    return dynamic_cast<DCctKey*>(NotationDisplayOf(key));
}

// The key's display shows `shown`'s accidentals: as naturals when
// `cancelling` (a key without accidentals after `shown`), else as they are.
// The cancel mark goes first: setting the key lays the signs out at once.
void ShowKey(ECKey* key, const ECKey* shown, int cancelling) {
    DCctKey* display = KeyDisplay(key);
    if (!display)
        return;
    display->SetCancelPreviousKey(cancelling);
    display->SetKey(shown->GetAccidentals(), shown->GetMode());
}

// The key shows the naturals of the key before it, when it has no
// accidentals and follows one; else its own accidentals.
void ShowAfter(ECKey* key, ECKey* before) {
    if (key->GetAccidentals() == 0 && before)
        ShowKey(key, before, 1);
    else
        ShowKey(key, key, 0);
}

// Whether the mirror shows a key (of `hand`, when one is given).
bool MirrorsKey(ECBase* mirror, int hand = -1) {
    auto* shows = dynamic_cast<ECMirror*>(mirror);
    auto* shown = shows ? dynamic_cast<ECKey*>(shows->GetMirrorEvent()) : nullptr;
    return shown && (hand < 0 || shown->GetHand() == hand);
}

// Withdraws the mirror from its measure's ruler and discards it.
void DiscardMirror(CCBase* command, ECConductor* conductor, ECBase* mirror) {
    ACBuildRulers rulers;
    rulers.SetRemove(1);
    rulers.SetDepth(0);
    rulers.SetConductor(conductor);
    rulers.Apply(mirror);
    command->Discard(mirror);
}

// Every mirror of a key among the measures' children, withdrawn and
// discarded: it shows the key that was in force there.
void DiscardKeyMirrors(CCBase* command, ECConductor* conductor, MCEventList& measures, int hand = -1) {
    ACFindEvents find;
    find.AddEvtType(ET_MIRROR);
    find.Apply(measures, 1);
    MCEventList& mirrors = find.GetEvents();
    for (POSITION pos = mirrors.GetHeadPosition(); pos;) {
        ECBase* mirror = mirrors.GetNext(pos);
        if (MirrorsKey(mirror, hand))
            DiscardMirror(command, conductor, mirror);
    }
}

}  // namespace

void CAutoNote::GetKeySpan(MCTime& start, MCTime& end, ECKey* key, ECStaff* staff) {
    start = TimeOf(key);
    end = MCTime::TimeMax();
    // Back from the end of the piece, key by key, to the first one after
    // this key. The keys of the key's own hand: on a split staff the lower
    // hand's keys may change elsewhere.
    MCTime from = MCTime::TimeMax();
    for (;;) {
        ECKey* before = staff->GetKeyBeforeTime(from, key->GetHand());
        if (!before || before == key || !(TimeOf(before) > start) || !(TimeOf(before) < from))
            break;
        end = TimeOf(before);
        from = end;
    }
}

MCTime CAutoNote::KeySpanStart(const MCTime& start) {
    ECConductor* conductor = GetConductor();
    if (!conductor || start == MCTime::TimeZero())
        return start;
    ECMeasure* before = conductor->GetMeasure(TRACK_CONDUCTOR, conductor->GetMeasureNumberBeforeTime(start));
    return before && before->GetTime() ? *before->GetTime() : start;
}

void CAutoNote::RespellKeySpan(CCBase* command, ECStaff* staff, const MCTime& start, const MCTime& end,
                               MCEventList& measures) {
    ECConductor* conductor = GetConductor();
    const int track = conductor->GetTrackNumber(TRACK_STAFF, staff);
    conductor->GetMeasures(track, start, end, measures);
    if (measures.IsEmpty())
        return;
    MCTime ms;
    MCTime me;
    GetRangeForMeasures(conductor, measures, ms, me);
    AddEventWindow(track, start, end, ms, me, PAGENATE_FROM);
    // The measures themselves: the spelling pass respells all they hold.
    ACSetDirty respell(3);
    respell.SetDepth(0);
    respell.AddDirtyKind(DCctBase::DIRTY_SPELLING);
    respell.AddDirtyKind(DCctBase::DIRTY_STEM);
    respell.AddDirtyKind(DCctBase::DIRTY_BEAM);
    respell.Apply(measures, 1);
    ClearEvents(command, measures, ET_ACCIDENTAL, VOICE_ALL);
}

int CAutoNote::AddKey(CCBase* command, ECBase* element, ECBase* parent) {
    auto* key = dynamic_cast<ECKey*>(element);
    ECStaff* staff = StaffOf(parent ? parent : element);
    ECConductor* conductor = GetConductor();
    if (!key || !staff || !conductor)
        return 0;
    MCTime start;
    MCTime end;
    GetKeySpan(start, end, key, staff);

    ECKey* prev = staff->GetKeyBeforeTime(TimeOf(key), key->GetHand());
    ShowAfter(key, prev);
    // A key without accidentals after this one now cancels this one.
    ECKey* next = staff->GetKeyAtTime(end, key->GetHand());
    if (next && next != prev && next->GetAccidentals() == 0 && TimeOf(next) > TimeOf(key))
        ShowKey(next, key, 1);

    MCEventList measures;
    RespellKeySpan(command, staff, KeySpanStart(start), end, measures);
    DiscardKeyMirrors(command, conductor, measures);
    RedrawChordsOf(measures, false);
    return 0;
}

int CAutoNote::RemoveKey(CCBase* command, ECBase* element, ECBase*) {
    // The tool's new key takes this one's place: it prepares the span.
    if (GetReplaceEvent())
        return 0;
    auto* key = dynamic_cast<ECKey*>(element);
    ECStaff* staff = StaffOf(element);
    ECConductor* conductor = GetConductor();
    if (!key || !staff || !conductor)
        return 0;
    MCTime start;
    MCTime end;
    GetKeySpan(start, end, key, staff);

    ECKey* next = staff->GetKeyAtTime(end, key->GetHand());
    ECKey* prev = staff->GetKeyBeforeTime(start, key->GetHand());
    // The key in force "before" the piece's first key is that key itself:
    // there is none before it, and the key after it is no repetition.
    if (prev == key)
        prev = nullptr;
    if (next && (next == key || next == prev || !(TimeOf(next) > start)))
        next = nullptr;   // no key follows this one
    if (next && prev && *prev == *next) {
        // With this key gone, the next one would repeat the one before it.
        command->Discard(next);
    } else if (next && next->GetAccidentals() == 0) {
        // A key without accidentals after this one cancelled this one; it
        // now cancels the key before (or, with none, shows nothing).
        ShowAfter(next, prev);
    }

    MCEventList measures;
    RespellKeySpan(command, staff, KeySpanStart(start), end, measures);
    RedrawChordsOf(measures, false);
    DiscardKeyMirrors(command, conductor, measures);
    return 0;
}

void CAutoNote::PrepareForEditKey(SCEventBase* edit, ECKey* key, ECMeasure* measure) {
    ECConductor* conductor = GetConductor();
    MCEventList* parents = measure ? measure->GetParents() : nullptr;
    auto* staff = parents && !parents->IsEmpty() ? dynamic_cast<ECStaff*>(parents->GetHead()) : nullptr;
    if (!key || !staff || !conductor)
        return;
    CCBase scratch;
    MCTime from;
    MCTime to;
    GetKeySpan(from, to, key, staff);
    from = KeySpanStart(from);
    ShowAfter(key, staff->GetKeyBeforeTime(TimeOf(key), key->GetHand()));

    // The mirrors in the key's own measure showing a key of its hand.
    MCEventList own;
    own.AddEvent(measure, UNSORTED);
    DiscardKeyMirrors(&scratch, conductor, own, key->GetHand());

    const int track = conductor->GetTrackNumber(TRACK_STAFF, staff);
    AddEventWindow(track, from, to, from, to, PAGENATE_FROM);
    MCEventList measures;
    conductor->GetMeasures(track, from, to, measures);
    ACSetDirty respell(3);
    respell.AddDirtyKind(DCctBase::DIRTY_SPELLING);
    respell.AddDirtyKind(DCctBase::DIRTY_STEM);
    respell.AddDirtyKind(DCctBase::DIRTY_BEAM);
    respell.Apply(measures, 1);
    ClearEvents(&scratch, measures, ET_ACCIDENTAL, VOICE_ALL);
    RedrawChordsOf(measures, false);
    GiveDiscardsToDeleteList(scratch, edit);
}
