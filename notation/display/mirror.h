// DCctMirror: the display object of a mirror (ECMirror), a child of a staff
// measure that shows a clef, key or meter again: at the start of a system
// (in its measure's prologue) or as a courtesy sign at the end of the
// system before (in the postlogue).
//
// A mirror has no glyph of its own. It borrows the display object of the
// element it shows (SetMirrorData, given by the conductor measure, the
// engine and pagination) and answers sizing, frames and hit tests with it.
// To draw, it moves that element for a moment from where it stands to the
// prologue or postlogue slot of the mirror's measure: the element's own user
// offset is set aside (saved and put back in stored units, so drawing never
// rounds it), a clef is drawn full size, and a key is laid out for the clef in
// force where the mirror stands, then set back to look its clef up.
//
// Mirror data is borrowed and may outlive what it points at: deleting a clef
// points its mirrors at nothing and deletes the clef's display object. The
// pointer is therefore used only while it still is the display object of the
// event the owner shows (ECMirror::GetMirrorEvent); otherwise the mirror
// answers as one without data: Position 0, an empty frame, width and height
// -1, hit tests 256, collisions 0, Draw 256 with nothing drawn.
//
// State-word bits: 20 location, 21 prolog (1: the mirror stands in its
// measure's prologue, 0: in the postlogue). Construction and copy set both.
//
// The conductor measure reaches this class through its links
// (DCctConductorMeasure::Links): this file sets the new mirror's data and
// bits and the measure ruler's mirror handler there when it is loaded.
//
// Archive form: the DCctBase head alone; the data is given again at layout.
// Ownership and threads as DCctBase; the mirror data is never owned.
#pragma once

#include "notation/display/base.h"

class DCctMirror : public DCctBase {
    DECLARE_SERIAL(DCctMirror)
public:
    static constexpr int LOCATION_BIT = 20;
    static constexpr int PROLOG_BIT = 21;
    // Every answer of a mirror without (live) mirror data that is not 0.
    static constexpr int NO_DATA = 256;

    // Location and prolog set, no mirror data.
    DCctMirror();
    // The base copy, then as construction: the data is not copied.
    DCctMirror(const DCctMirror& other);
    ~DCctMirror() override;

    void Serialize(CArchive& ar) override;

    // The shown element drawn at the mirror's place (see the file's
    // comment): a key's own answer; 0 for a clef or meter; 256 without data,
    // 64 when the rulers the move needs are missing (nothing drawn).
    int Draw(CDC* dc, CPoint point, CRect* clip) override;
    int Position(ECConductor* conductor, ECStaff* staff, ECMeasure* measure, ECBase* parent) override;
    void SetSize(CDC* dc) override;
    void Assemble() override;
    void GetFrame(CRect* rect, int selector) override;
    void GetVirtualFrame(CRect* rect, int selector) override;
    void GetTotalFrame(CRect* rect, CPoint point, int* maxY) override;
    int GetWidth() override;
    int GetHeight() override;
    int HitTest(CPoint point, CPoint offset, int selector) override;
    int HitTest(CRect* rect, CPoint offset, int selector) override;
    int IsIn(CRect* rect, CPoint offset, int detail, int selector) override;
    int CollideTest(DCctBase* other) override;

    // Borrowed; null clears it.
    void SetMirrorData(DCctBase* data) { m_pMirrorData = data; }
    // The mirror data while it is still the shown event's display object,
    // else null.
    DCctBase* GetMirrorData();

    void SetLocation(int on) { SetBit(LOCATION_BIT, on); }
    int GetLocation() const { return Bit(LOCATION_BIT); }
    void SetProlog(int on) { SetBit(PROLOG_BIT, on); }
    int IsProlog() const { return Bit(PROLOG_BIT); }

    // A mirrored meter whose collision kind is set enters the ruler of the
    // mirror's measure display again; nothing for other kinds, without data
    // or without a measure.
    void Collide();

private:
    // The shown event: the owner's GetMirrorEvent, or null.
    ECBase* GetMirrorEvent();
    // Draws a key laid out for the clef in force at the mirror's time.
    int DrawKey(DCctBase* key, CDC* dc, CPoint at, CRect* clip);

    DCctBase* m_pMirrorData = nullptr;   // borrowed, may be stale: read through GetMirrorData
};
