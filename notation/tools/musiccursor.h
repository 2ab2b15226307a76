// CMusicCursor: the base of the notation view's mouse tools.
//
// The view (CCantrel) owns exactly one tool at a time, made from the edit
// mode and the palette's prototype element, and passes it the pointer moves,
// the drag calls of its scroll-view base, the caret-blink timer and the
// paste and drop insertions. A tool tracks what lies under the pointer: the
// parent a new element would go under (found by the first of its event
// types), the musical time, the position; it draws its own feedback straight
// into the view's device context and reports the time in the status bar.
// This class is a usable tool that finds parents and time and does nothing
// else; the play cursor and the edit tools specialise it.
//
// Coordinates: points arrive in device units; each update converts its copy
// to view units (DPtoVP on a client context prepared by the view) before any
// lookup. Feedback is kept in view units.
//
// Caches: the conductor staff lives as long as the tool; the conductor
// measure and the staff measure under the pointer live for one update.
// The view and the performance are borrowed. UI thread only.
#pragma once

#include "interface/controls/line.h"
#include "model/time.h"
#include "platform/ui/cursor.h"
#include "platform/ui/geometry.h"

#include <string>
#include <vector>

class CCAdd;
class FCMidi;
class MCOpusDoc;
class CCantrel;
class CDC;
class CSelectionOffset;
class ECBase;
class ECConductorMeasure;
class ECConductorStaff;
class ECMeasure;
class ECPerformance;

class CMusicCursor {
public:
    // The tool's parent types: `parentTypes` (may be null) appended in
    // order. The standard arrow, snap off, visible.
    CMusicCursor(CCantrel* view, const std::vector<int>* parentTypes);
    virtual ~CMusicCursor();
    CMusicCursor(const CMusicCursor&) = delete;
    CMusicCursor& operator=(const CMusicCursor&) = delete;

    // Whether an element of the type can be inserted here; -2 asks whether a
    // parent is set, -1 is never insertable. None here.
    virtual int CanInsert(int eventType);
    virtual void Show();
    virtual void Hide();
    // Nothing under the pointer: position (0, 0), time zero, no parent, the
    // per-update caches cleared.
    virtual void Reset();
    // The feedback drawn into `dc` (a client context prepared by the view).
    virtual void Draw(CDC* dc);
    // A paste with offsets places the tool for one element; 0 here.
    virtual int Update(CPoint& point, CSelectionOffset& offset);
    // A pointer move (device units); `show` 0 updates without drawing.
    // Here: the per-update caches cleared.
    virtual void Update(CPoint& point, int show);
    // Inserts the element under the parent, into `command` when given; 0
    // refused (here always).
    virtual int Insert(ECBase* event, CCAdd* command);
    virtual HCURSOR GetCursor();
    // Button down: the selection cleared, the view's rubber band started.
    virtual void OnMouseDragBegin(UINT flags, CPoint& point);
    // The view's band followed and ended.
    virtual void OnMouseDragContinue(UINT flags, CPoint& point);
    virtual void OnMouseDragEnd(UINT flags, CPoint& point);

    int IsSnap() const { return m_bSnap; }
    void SetSnap(int snap) { m_bSnap = snap; }
    CPoint& GetPosition() { return m_position; }
    MCTime& GetTime() { return m_time; }
    ECBase* GetParent() const { return m_pParent; }
    std::vector<int>& GetEventTypes() { return m_eventTypes; }

    // The status text is dropped while this many status tasks are alive.
    static constexpr int kMaxStatusTasks = 5;

protected:
    // The parent under `point` (view units), by the first event type: the
    // conductor staff, the measure, the measure's staff, or else the first
    // element of the types hit inside the measure. Sets the changed flag
    // when it differs.
    virtual void UpdateParents(CDC* dc, CPoint& point);
    // The time under `point` (view units) on the conductor measure's ruler;
    // kept when no conductor measure lies there.
    virtual void UpdateTime(CDC* dc, CPoint& point);
    // The text as a status state (1800) to the performance, unless too many
    // status tasks are alive.
    virtual void NotifyStatus(std::string& text);

    ECConductorStaff* GetConductorStaff();
    ECConductorMeasure* GetConductorMeasure(CPoint& point);
    // The first staff measure under the point on its page, hidden staves
    // skipped.
    ECMeasure* GetMeasure(CPoint& point);
    // The device point `point` in view units, on a client context of the view.
    CPoint ToView(const CPoint& point) const;
    // Draw on a client context of the view, prepared; nothing without a window.
    void DrawOnView();
    // The time as the user's time display shows it.
    static std::string FormatTime(const MCTime& time);
    // -2: whether a parent is set; else whether an element of the type may
    // stand under the parent (none for -1 or without a parent). What the
    // tools that insert under their parent answer to CanInsert.
    int ParentMayHold(int eventType) const;
    // A line's two ends (view units) in the view's logical units.
    MCLine ToLogical(const MCLine& line) const;
    // The score repainted over a line drawn at `line` (view units), on `dc`
    // or, when null, on a client context of the view; nothing for an empty
    // line or without a window.
    void EraseLine(const MCLine& line, CDC* dc = nullptr);
    // `element` added under `parent` with `midi`: into `command` when given;
    // else in an add command of its own, applied to the performance, and
    // the document marked modified. 0 when the parent may not hold it
    // (nothing applied).
    int AddUnder(ECBase* element, ECBase* parent, const FCMidi& midi, CCAdd* command);
    // The view's document marked modified.
    void MarkModified();
    // The view's document as the program's own document; null for another.
    MCOpusDoc* GetOpusDocument() const;
    // The track of an element's voice/track word; 2047 (no track) without one.
    static int TrackOf(ECBase* element);

    int m_bChanged = 0;
    int m_bSnap = 0;
    int m_bVisible = 1;
    CPoint m_position;            // view units
    MCTime m_time;
    ECBase* m_pParent = nullptr;  // borrowed, may be null
    std::vector<int> m_eventTypes;
    HCURSOR m_hCursor = nullptr;
    CCantrel* m_pView;                   // borrowed, never null
    ECPerformance* m_pPerformance;       // borrowed, may be null
    ECConductorStaff* m_pConductorStaff = nullptr;      // cached for the tool's life
    ECConductorMeasure* m_pConductorMeasure = nullptr;  // cached for one update
    ECMeasure* m_pMeasure = nullptr;                    // cached for one update
};
