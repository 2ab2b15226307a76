// ACBuildRulers: brings the spacing rulers of measures up to date for the
// elements a walk meets, entering their division marks (remove 0) or
// withdrawing them (remove 1).
//
// Notes, rests, chords, tuplets, clefs, keys, lyrics and mirrors go to the
// ruler of their measure (none, or one without a display object: the
// element's subtree is skipped). A measure enters all its children at once
// and is not descended into. A meter goes to the ruler of every staff
// measure of its conductor measure. A title, subtitle, dedication or
// composer text (kinds 7-10) moves the conductor staff's text levels by its
// height; a text without a display object has no height and moves none.
//
// The conductor is the one set, else the element's enclosing conductor.
// Short-lived, UI thread, under the performance's lock.
#pragma once

#include "notation/autonote/timerange.h"

class MCRuler;

class ACBuildRulers : public ACTimeRange {
public:
    ACBuildRulers() = default;

    void SetRemove(int remove) { m_remove = remove; }
    int GetRemove() const { return m_remove; }

    int DoAction(ECBase* event) override;

protected:
    // One element entered into or withdrawn from one ruler; whether the
    // ruler changed. Seam: the ruler's own dispatcher by element type
    // (MCRuler::UpdateRuler) comes with the note display; until it is wired
    // here, meters go to the meter handler and other elements change nothing.
    virtual int UpdateRuler(MCRuler& ruler, ECBase* element, int remove);

private:
    ECConductor* ConductorOf(ECBase* event) const;
    void UpdateMeterRulers(ECBase* meter);
    void AdjustTextLevels(ECBase* text);

    int m_remove = 0;
};
