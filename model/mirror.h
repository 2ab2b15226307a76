// Mirrors: events that show a clef, key, meter or tempo at another place of
// the score (a meter of the conductor staff shown in every staff's measure,
// a clef repeated at the start of a line).
//
// ECMirror (type ET_MIRROR) stands under a measure and holds a pointer to the
// event it shows. The shown event keeps the list of its mirrors (an
// MCEventList, so it references each mirror); the mirror's pointer back is
// borrowed. The mirror's link is not part of its own bytes: the post-load pass
// writes it and reads it back, and reading registers the mirror with the
// shown event again, which rebuilds the mirror lists (they are never stored).
//
// This file also installs, when the library is loaded, the two look-ups other
// parts of the model leave to the mirror class: the event a mirror shows (for
// MCEventList::ReplaceMirrors) and the mirror list of an event (for the
// commands that take mirrors away with what they show).
//
// UI thread, under the performance's lock like the rest of the tree.
#pragma once

#include "model/event.h"

class ECMirror : public ECWithTime {
    DECLARE_SERIAL(ECMirror)
public:
    ECMirror() = default;
    // Stores the pointer without registering with the event.
    explicit ECMirror(ECBase* shown) : m_pMirror(shown) {}
    // Time, voice/track word and the pointer; registers nowhere.
    ECMirror(const ECMirror& other) = default;

    // The ECWithTime part only: the link follows in the post-load pass.
    int GetClassType() const override;

    ECBase* GetMirrorEvent() const { return m_pMirror; }
    // Stores the pointer. With `registerMirror` set, asks the event to list
    // this mirror (a clef, key, meter or tempo adds it in time order and
    // points it back here without registering again); any other event is
    // only stored.
    void SetMirrorEvent(ECBase* event, int registerMirror);

    // Storing writes the shown event by reference; loading reads it and
    // registers with it. An event outside the tree is written as null: it
    // could only load as an event nothing holds. Loading refuses such an
    // event (badIndex), and links no event of a type that keeps no mirror
    // list, whose life nothing would tie to the mirror's.
    void PostSerialize(CArchive& ar) override;

private:
    ECBase* m_pMirror = nullptr;   // borrowed: the shown event's list holds this mirror
};

// The mirror list of a clef, key, meter or tempo; null for any other event.
MCEventList* GetMirrorList(ECBase* event);

// For the destructor of an event that keeps mirrors: the mirrors that still
// show `shown` are pointed at nothing (they may live on in their measures),
// and the list lets go of every mirror.
void ReleaseMirrors(MCEventList& mirrors, const ECBase* shown);

// Takes each mirror of `mirrors` out of the list of the event it shows, with
// one walk over each such list however many of its mirrors go: for whoever
// takes mirrors out of the tree. A list holds its mirrors, so a mirror left
// in it would live on outside the tree as long as the event it shows, and
// every new mirror would be sorted in past it (a layout takes a clef's
// mirror out of every system it lays out again, and puts a new one in).
// Mirrors showing nothing or not listed are passed over; `mirrors` keeps its
// own references, so none is freed before the caller lets go of the list.
void UnlistMirrors(const MCEventList& mirrors);
