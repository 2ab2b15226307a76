// The notation view's searches over display objects: what lies under a
// point or in a rectangle (ACFindInRect), what is visible in an area
// (ACFindVisible), and which notation belongs to a voice (ACFindVoiceEvents).
//
// ACFindInRect hit-tests against a rectangle in view coordinates (logical
// units, y up): the one set with SetRect, else a box of the hit size
// (100 x 100 by default) centred on the point. It carries an accumulated
// offset, the origin of the element's parent, saved and restored around each
// subtree. When event types are added only those are tested (their
// children and those of other types are still searched, but never below a
// slur). Hidden elements are never hit and their children are skipped. A hit
// note tied to others is answered by its whole chain (head first) unless
// tie expansion is turned off. The walk ends at the limit of found events
// (SetMaxEventCount), and a sibling list of measures ends at the first
// measure that lies beyond the rectangle.
//
// ACFindVisible, applied to the view's performance, collects in tree order
// the visible staff measures of each shown staff, the visible conductor
// measures, tempo marks, flow controls and texts, and the visible frames.
// It relies on measures being ordered left to right: each staff's scan ends
// at the first measure beyond the rectangle, and the walk never enters staves
// or the conductor staff. Given the time window of the pages in view, the
// scans pass over what comes before it untested (but for the ties and slurs
// that run into it) and end after it: the elements of other pages never
// reach the area, and a printed page is then found without testing the
// whole score.
//
// ACFindVoiceEvents, applied to the conductor, collects the notes, dots,
// beams, rests, ties and accidentals of one voice (exclude 0) or of every
// other voice (exclude 1); voice ALL_VOICES with exclude 0 collects every
// one, with exclude 1 none. Elements without a voice/track word are always
// kept. The view ghosts what an exclude walk finds and unghosts what the
// other finds.
//
// Results hold a reference on each event. Short-lived; no lock taken (the
// caller holds the performance's). User-interface thread.
#pragma once

#include "model/findactions.h"
#include "model/time.h"
#include "platform/ui/geometry.h"

class DCctBase;
class ECBase;

class ACFindInRect : public ACFindEvents {
public:
    ACFindInRect();
    ~ACFindInRect() override;

    // Empties the results; without a (non-empty) rectangle, makes the box
    // around the point, anew for each walk so that a reused action follows
    // its point.
    int BeginAction() override;
    // Saves the accumulated offset, walks as ACBase does, restores it.
    using ACBase::Apply;
    int Apply(ECBase* event) override;
    int DoAction(ECBase* event) override;

    // Normalised; a set rectangle wins over the point.
    virtual void SetRect(const CRect& rect);
    virtual void SetPoint(int x, int y) { m_point = CPoint(x, y); }
    virtual void SetHitSize(int width, int height) { m_hitSize = CSize(width, height); }
    virtual void SetOffset(int x, int y) { m_offset = CPoint(x, y); }
    // On by default.
    void SetTieExpansion(int on) { m_expandTies = on; }

    const CRect& GetHitRect() const { return m_hitRect; }

    static constexpr int DEFAULT_HIT_SIZE = 100;

private:
    // The note, or the chain it is tied in, added to the results (each event
    // once).
    void AddHit(ECBase* event);
    void AddOnce(ECBase* event);

    CPoint m_point;
    CRect m_rect;      // the caller's, normalised; empty when none
    CRect m_hitRect;   // what the walk tests against
    CSize m_hitSize{DEFAULT_HIT_SIZE, DEFAULT_HIT_SIZE};
    CPoint m_offset;
    int m_expandTies = 1;
};

// Where an element of a time-ordered sibling list stands to the window from
// `start` to `end` (both included): before it, within it, or after it. An
// element without a time stands within.
enum class TimePlace { Before, Within, After };
TimePlace PlaceInTimeWindow(ECBase* element, const MCTime& start, const MCTime& end);

// Whether a tie or slur that begins before `start` binds a note (or chord)
// at `start` or later: its later pieces may stand in a window from `start`
// (the continuation of a tie at the top of a page).
bool RunsIntoWindow(ECBase* element, const MCTime& start);

// Where the elements of a time-ordered list at `start` or later begin: at
// `anchor`, an element of the list standing at the window's start (found by
// its place in the list, no element read on the way), or before it where
// elements of the same time stand first. The head when the anchor is not in
// the list.
POSITION FirstPlaceFrom(const MCEventList& list, ECBase* anchor, const MCTime& start);

class ACFindVisible : public ACFindEvents {
public:
    ACFindVisible();
    ~ACFindVisible() override;

    int DoAction(ECBase* event) override;

    // Borrowed; normalised here. Null: everything is visible.
    virtual void SetRect(CRect* rect);
    virtual void SetOffset(int x, int y) { m_offset = CPoint(x, y); }
    // From `start` to `end`, both included. Without one every child is tested.
    void SetTimeWindow(const MCTime& start, const MCTime& end);

private:
    // IsIn's answer for a child's display object.
    int Test(DCctBase* display);
    // The child's place against the time window (any child is within when
    // there is none).
    TimePlace Place(ECBase* child) const;
    // Collects the visible children of a time-ordered list that `wanted`
    // takes by type; the first of type `measureType` beyond the area ends it.
    void ScanInOrder(MCEventList& children, int measureType, bool (*wanted)(int type));

    CRect* m_pRect = nullptr;   // borrowed
    CPoint m_offset;
    bool m_bWindow = false;
    MCTime m_windowStart;
    MCTime m_windowEnd;
};


class ACFindVoiceEvents : public ACFindEvents {
public:
    // The voice number that means every voice.
    static constexpr int ALL_VOICES = 14;

    ACFindVoiceEvents();
    ~ACFindVoiceEvents() override;

    // Empties the results and searches the voice-bearing notation types.
    int BeginAction() override;
    int DoAction(ECBase* event) override;

    void SetVoice(int voice) { m_voice = voice; }
    void SetExclude(int exclude) { m_exclude = exclude; }

private:
    int m_voice = ALL_VOICES;
    int m_exclude = 0;
};
