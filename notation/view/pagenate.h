// CPagenate: the page layout of the score (page view).
//
// It cuts the conductor staff's measures into systems, fits each system
// exactly to the width of the printable area (stretching or squeezing its
// measures, dropping measures from the end when even squeezing cannot make
// them fit), adds the items a system start repeats and an end announces
// (clef, key, meter mirrors), the system's barlines and staff-group braces,
// stacks systems on pages by two position templates (page 1 and every later
// page), records each page's start time and keeps the page count and the
// view's size in step. The page count and start times are this layout's
// own (each view lays out its own score); the paper is the program's.
// After an edit it repairs: the changed measure is refitted in place, then
// its system, and only when that fails everything from that system on is
// laid out again.
//
// How much to redo is read from the engine's notate info (the pagination
// range, chosen by others before the call) and consumed by BeginPagenate:
// after every completed call the ranges read NOTATE_NONE / PAGENATE_NONE.
// The update list (not owned) is flushed to the view after the layout.
//
// Lengths are layout units (twips, 1440 an inch), y up: a page runs from its
// top down to more negative y; page n lies n - 1 page heights below page 1.
//
// Preferences ("Settings\Notation") are read at construction and again on
// every BeginPagenate, and held to values the layout can use: a system takes
// at least one measure, and a page either any number of systems (-1) or at
// least one.
//
// One object is a member of the notation view. Every barline, brace and
// mirror it adds to or removes from the event tree is changed under the
// performance's lock. User-interface thread only.
#pragma once

#include "model/lists.h"
#include "model/time.h"
#include "notation/layout/scorepages.h"
#include "platform/ui/geometry.h"

#include <cstdint>
#include <memory>
#include <vector>

class CDC;
class CNotateInfo;
class CCantrel;
class DCctConductorMeasure;
class DirtyRect;
class ECBase;
class ECConductor;
class ECConductorMeasure;
class ECMeter;
class ECConductorStaff;
class ECPerformance;
class MCPageLayout;
class MCRulerRuler;
class MCStaffRuler;

class CPagenate {
public:
    // What BeginPagenate answers.
    enum : int {
        PAGENATE_RESULT_EMPTY = 0,      // a full layout found no conductor staff or no measure
        PAGENATE_RESULT_DONE = 1,
        PAGENATE_RESULT_NOTATING = 2,   // automatic notation is running: nothing done
        PAGENATE_RESULT_BUSY = 3,       // called while a pagination runs: nothing done
    };

    // Preference defaults (the indents' defaults follow the music font).
    static constexpr int DEFAULT_MEASURES_PER_LINE = 3;
    static constexpr int DEFAULT_SYSTEMS_PER_PAGE = 5;
    static constexpr int DEFAULT_MULTIPLE_MEASURES = 1;
    static constexpr int DEFAULT_COLLAPSE_THRESHOLD = 4;
    static constexpr int NO_SYSTEM_LIMIT = -1;

    CPagenate();
    virtual ~CPagenate();
    CPagenate(const CPagenate&) = delete;
    CPagenate& operator=(const CPagenate&) = delete;

    // The view that owns it (borrowed): the performance laid out is the
    // view's; the update list is flushed to its window and its size set
    // (neither without a window or a scrolling view). Null lays out nothing.
    void SetView(CCantrel* view) { m_pView = view; }
    // The page layout worked in (the plug-in's one unless a test gives its own).
    void SetPageLayout(MCPageLayout* layout);
    MCPageLayout& GetPageLayout() const { return *m_pPageLayout; }
    // The pages this layout made: how many and when each begins.
    MCScorePages& GetPages() { return m_pages; }
    const MCScorePages& GetPages() const { return m_pages; }
    // The page (from 1) of this layout holding a point of the page view; 1
    // when none does.
    int GetPageAtPoint(POINT point) const;

    // ---- driver ----

    // The entry point: see pagenate_driver.cpp. One of PAGENATE_RESULT_*.
    int BeginPagenate();
    // The sizing pass before BeginPagenate, by the pagination range.
    void Prepare(CDC* dc);
    // Re-sizes and re-positions one element.
    void Update(CDC* dc, ECBase* element);

    void SetNotateInfo(CNotateInfo* info, DirtyRect* dirty);
    void SetDirtyRect(DirtyRect* dirty) { m_pDirtyRect = dirty; }
    // The argument is ignored: the range becomes PAGENATE_REPAGENATE_ALL.
    void SetRepagenateAll(int ignored);
    // 0 shows every staff, n > 0 staff n alone; then everything is laid out again.
    void SetDisplay(int n);
    void SetPrinting(int printing) { m_bPrinting = printing; }
    void SetRepagenateAfterRecord(int on) { m_bRepagenateAfterRecord = on; }

    void SetMeasuresPerSystem(short n) { m_nMeasuresPerSystem = n; }
    short GetMeasuresPerSystem() const { return m_nMeasuresPerSystem; }
    void SetSystemsPerPage(short n) { m_nSystemsPerPage = n; }
    short GetSystemsPerPage() const { return m_nSystemsPerPage; }
    void SetIndent(CPoint indent) {
        m_nIndentX = indent.x;
        m_nIndentY = indent.y;
    }
    CPoint GetIndent() const { return CPoint(m_nIndentX, m_nIndentY); }
    int GetCollapsemeasure() const { return m_bCollapseMeasures; }
    int GetCollapseThreshold() const { return m_nCollapseThreshold; }

    // ---- what a layout left (read by the view and the tests) ----

    int GetCurrentPage() const { return m_nCurrentPage; }
    int GetSystemIndex() const { return m_nSystemIndex; }
    int GetSystemHeight() const { return m_nSystemHeight; }
    const std::vector<CPoint>& GetFirstPageTemplate() const { return m_firstTemplate; }
    const std::vector<CPoint>& GetNextPageTemplate() const { return m_nextTemplate; }

    // Reads the preferences (held to usable values).
    void LoadPreferences();

protected:
    // ---- driver (pagenate_driver.cpp) ----
    int Repagenate(ECConductor* conductor);
    void Prepagenate(ECConductor* conductor, int realTime);
    void Predraw(ECConductor* conductor, int realTime);
    // The update list to the view: a client DC the view prepares, then the
    // list's invalidation. Without a view the list is only emptied.
    void FlushDirtyRect();
    void SendProgress(unsigned code, int low, int high);
    int IsRecording() const;
    int IsRealTimeRecording() const;

    // ---- systems (pagenate_systems.cpp) ----
    void PagenateSystems();
    int GetNextSystem();
    int ConsolidateMeasures(MCEventList& system, MCEventList& run, int& remaining);
    void AddInitialMeterForSystem();
    // The meter shown at the start of the column: every staff measure's
    // ruler takes it, the column mirrors it in its prolog.
    void AddMeterToProlog(ECConductorMeasure* column, ECMeter* meter);
    void AddMeterForSystem();
    void AddPrologForSystem();
    void AddPostlogForSystem();
    void RemovePostlogFromMeasure(POSITION position);
    void SetYPositionForSystem();
    int MediateSystem(MCEventList& list, int recalc);
    int CompressOrExpandSystem(POSITION& next);
    int CompressSystem(MCEventList& list, int amount, int total, int force);
    void ExpandSystem(MCEventList& list, int amount);
    int GetSystemWidth(MCEventList& list);
    int GetSystemCompressAmount(MCEventList& list);
    int GetLineCount(MCEventList& list);
    int SetWidth(DCctConductorMeasure* measure, MCRulerRuler& ruler, MCStaffRuler& staffRuler, int width,
                 int levels, int force);
    void InitStaffRuler();
    void UpdateStaffRuler();

    // ---- barlines and groups (pagenate_groups.cpp) ----
    void GroupSystem();
    void AddGroup(ECConductorMeasure* first, int secondary, BYTE style, int firstStaff, int lastStaff, int index);
    void PositionBarlines(MCEventList& list);

    // ---- repair (pagenate_repair.cpp) ----
    void RepagenateAll();
    void RepagenateNew(const MCTime& time);
    void RepagenateMeasures(MCEventList& list);
    void RepagenateFrom(ECConductor* conductor, ECConductorMeasure* measure);
    void PrepareForRepagenate(POSITION position);
    int UpdateMeasureFixed(ECConductorMeasure* measure);
    int UpdateSystemFixed(ECConductor* conductor, ECConductorMeasure* measure);
    void GetSystem(ECConductorStaff* staff, ECConductorMeasure* measure, MCEventList& list, POSITION& first,
                   POSITION& last);
    void GetSystemStartPosition(ECConductorMeasure* measure, POSITION& position);
    void AddMeasureToList(ECConductorMeasure* measure);
    void NumberMeasures();

    // ---- pages (pagenate_pages.cpp) ----
    void Pagenate();
    void CalculateSystemHeight();
    void InitPageTemplates();
    void CalculatePageLayout(int page, std::vector<CPoint>& pageTemplate, CPoint indent);
    void IncrementYPosition();
    void SetCurrentPage(POSITION position);
    void SetStartMeasureXY(CPoint point);
    // Page n's printable area, normalised (top above bottom).
    CRect PrintableRect(int page) const;

    // ---- walking the conductor staff (pagenate_systems.cpp) ----
    // The first conductor measure of the child list, or null.
    POSITION GetStartPosition() const;
    // To the next (previous) conductor measure, skipping other children; null past the end.
    void GetNextPosition(POSITION& position) const;
    void GetPrevPosition(POSITION& position) const;
    void SetNextSystemStart(POSITION position) { m_posNextSystem = position; }
    // Refreshes the conductor staff and its child list; 0 without one.
    int GetConductorStaffChildren();
    ECConductor* GetConductor() const;
    ECPerformance* GetBaseEvent() const;

    // The conductor measure at a position (null for none or another child).
    ECConductorMeasure* MeasureAt(POSITION position) const;
    // An event's notation display, made when missing.
    static DCctConductorMeasure* ColumnDisplay(ECBase* measure);
    // The sum of `value` (of a display) over the line slots of a system's
    // conductor measures: those not collapsed into a run's head; measures
    // without a display object count nothing.
    template <class Value>
    static int SumOverLineSlots(MCEventList& list, Value value);
    // The system's last line slot (it takes what is left when widths are
    // shared out), or null.
    static ECBase* LastLineSlot(MCEventList& list);
    MCStaffRuler* GetStaffRuler();
    // A client DC the view has prepared, or null without a view window.
    std::unique_ptr<CDC> MakePreparedDC() const;

    // Fields, in the order the layout reads them.
    short m_nMeasuresPerSystem = DEFAULT_MEASURES_PER_LINE;
    short m_nSystemsPerPage = DEFAULT_SYSTEMS_PER_PAGE;
    int m_bCollapseMeasures = DEFAULT_MULTIPLE_MEASURES;
    int m_bSingleStaff = 0;
    int m_nCollapseThreshold = DEFAULT_COLLAPSE_THRESHOLD;
    int m_nIndentX = 0;
    int m_nIndentY = 0;
    POSITION m_posNextSystem = nullptr;
    POSITION m_posCurrentMeasure = nullptr;
    int m_nCurrentX = 0;
    int m_nCurrentY = 0;
    uint16_t m_nCurrentPage = 1;
    uint16_t m_nSystemIndex = 0;
    int m_bBusy = 0;
    int m_bPrinting = 0;
    int m_bRepagenateAfterRecord = 0;
    MCEventList m_system{10};   // the conductor measures of the system being built
    CCantrel* m_pView = nullptr;                    // borrowed
    ECConductorStaff* m_pConductorStaff = nullptr;  // borrowed, refreshed by GetConductorStaffChildren
    MCEventList* m_pMeasures = nullptr;             // the conductor staff's children (borrowed)
    std::vector<CPoint> m_firstTemplate;
    std::vector<CPoint> m_nextTemplate;
    int m_nSystemHeight = 0;
    DirtyRect* m_pDirtyRect = nullptr;      // not owned
    CNotateInfo* m_pNotateInfo = nullptr;   // not owned
    MCPageLayout* m_pPageLayout = nullptr;  // borrowed
    MCScorePages m_pages;
};
