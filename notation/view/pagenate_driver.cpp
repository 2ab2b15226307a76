// The pagination driver: preferences, the entry point, the dispatch by
// pagination range and the passes run before and after the layout.
#include "notation/view/pagenate.h"

#include "interface/document/scrollview.h"
#include "model/appstates.h"
#include "model/conductor.h"
#include "model/conductorstaff.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/performance.h"
#include "model/preferences.h"
#include "model/staff.h"
#include "model/states.h"
#include "notation/autonote/buildrulers.h"
#include "notation/autonote/notateinfo.h"
#include "notation/autonote/timerange.h"
#include "notation/display/base.h"
#include "notation/display/conductor.h"
#include "notation/display/conductormeasure.h"
#include "notation/layout/musicfont.h"
#include "notation/layout/pagelayout.h"
#include "notation/layout/ruler.h"
#include "notation/view/cantrel.h"
#include "notation/view/dirtyrect.h"
#include "notation/view/groupelements.h"
#include "notation/view/layoutactions.h"
#include "platform/core/resources.h"
#include "platform/ui/document.h"
#include "platform/ui/paint.h"

#include <climits>
#include <mutex>

namespace {

constexpr unsigned IDS_PAGINATING = 13377;
constexpr const char* SECTION = "Settings\\Notation";
// The indents' defaults, in noteheads.
constexpr int INDENT_X_NOTEHEADS = 8;
constexpr int INDENT_Y_NOTEHEADS = -12;
// What a stored indent (layout units, either way) and collapse threshold (measures) can be.
constexpr int kLargestIndent = 10 * 1440;
constexpr int kLargestCollapseThreshold = 10000;
// A track entry of -1 ends a notate info's track list.
constexpr int END_OF_TRACKS = -1;
// ECConductor::GetMeasures's track of the conductor measures.
constexpr int CONDUCTOR_TRACK = 0;
// ACBase::Apply over a list: go on after an entry ends its siblings.
constexpr int WHOLE_LIST = 1;

}  // namespace

STRING_TABLE({IDS_PAGINATING, "Paginating..."});

CPagenate::CPagenate() : m_pPageLayout(&MCPageLayout::GetPageLayout()) {
    LoadPreferences();
    m_nCurrentX = m_nIndentX;
    m_nCurrentY = m_nIndentY;
}

CPagenate::~CPagenate() = default;

void CPagenate::SetPageLayout(MCPageLayout* layout) {
    m_pPageLayout = layout ? layout : &MCPageLayout::GetPageLayout();
}

int CPagenate::GetPageAtPoint(POINT point) const {
    return GetPageLayout().GetPageAtPoint(point, m_pages.GetPageCount());
}

void CPagenate::LoadPreferences() {
    const MCMusicFont& font = MCMusicFont::GetMusicFont();
    // A system takes at least one measure; a page any number of systems (-1)
    // or at least one: a value of 0 would leave the page templates empty.
    const int perLine = LoadIntPreference(SECTION, "MeasuresPerLine", DEFAULT_MEASURES_PER_LINE);
    m_nMeasuresPerSystem = static_cast<short>(std::clamp(perLine, 1, static_cast<int>(SHRT_MAX)));
    const int perPage = LoadIntPreference(SECTION, "SystemsPerPage", DEFAULT_SYSTEMS_PER_PAGE);
    m_nSystemsPerPage = perPage < 1 ? static_cast<short>(NO_SYSTEM_LIMIT)
                                    : static_cast<short>(std::min(perPage, static_cast<int>(SHRT_MAX)));
    m_bCollapseMeasures = LoadIntPreference(SECTION, "MultipleMeasures", DEFAULT_MULTIPLE_MEASURES);
    m_nCollapseThreshold =
        LoadIntPreference(SECTION, "CollapseThreshold", DEFAULT_COLLAPSE_THRESHOLD, 0, kLargestCollapseThreshold);
    // Indents are layout units; a damaged profile's beyond a page reads as not stored.
    m_nIndentX = LoadIntPreference(SECTION, "IndentX", INDENT_X_NOTEHEADS * font.GetNoteheadWidth(FONT_CURRENT),
                                   -kLargestIndent, kLargestIndent);
    m_nIndentY = LoadIntPreference(SECTION, "IndentY", INDENT_Y_NOTEHEADS * font.GetNoteheadHeight(FONT_CURRENT),
                                   -kLargestIndent, kLargestIndent);
}

void CPagenate::SetNotateInfo(CNotateInfo* info, DirtyRect* dirty) {
    m_pNotateInfo = info;
    m_pDirtyRect = dirty;
}

void CPagenate::SetRepagenateAll(int /*ignored*/) {
    if (m_pNotateInfo)
        m_pNotateInfo->SetPagenateRange(PAGENATE_REPAGENATE_ALL);
}

void CPagenate::SetDisplay(int n) {
    GetConductorStaffChildren();
    if (MCStaffRuler* ruler = GetStaffRuler())
        ruler->SetDisplay(n);
    SetRepagenateAll(1);
}

int CPagenate::IsRecording() const {
    return m_pNotateInfo && m_pNotateInfo->IsRecording();
}

int CPagenate::IsRealTimeRecording() const {
    return m_pNotateInfo && m_pNotateInfo->IsRealTimeRecording();
}

void CPagenate::SendProgress(unsigned code, int low, int high) {
    ECPerformance* performance = GetBaseEvent();
    if (!performance)
        return;
    auto* status = code == STATE_PROGRESS_BEGIN ? new SCStatus(code, LoadString(IDS_PAGINATING)) : new SCStatus(code);
    status->SetProgressRange(low, high);
    status->SetAsynchronous(0);
    status->Apply(performance);
}

int CPagenate::BeginPagenate() {
    if (!m_pNotateInfo || !GetBaseEvent())
        return PAGENATE_RESULT_EMPTY;
    if (m_pNotateInfo->IsAutoNotating())
        return PAGENATE_RESULT_NOTATING;
    m_pNotateInfo->SetPagenating(1);
    if (m_bBusy)
        return PAGENATE_RESULT_BUSY;
    m_bBusy = 1;

    ECConductor* conductor = GetConductor();
    const int recording = IsRecording();
    const int realTime = IsRealTimeRecording();
    int result = PAGENATE_RESULT_EMPTY;
    {
        // However the run ends, the next call finds pagination idle and the
        // ranges consumed.
        struct Idle {
            CPagenate& self;
            ~Idle() {
                self.m_bBusy = 0;
                self.m_pNotateInfo->SetPagenating(0);
                self.m_pNotateInfo->SetAutoNotating(0);
                self.m_pNotateInfo->Reset();
            }
        } idle{*this};
        if (!recording) {
            GetConductorStaffChildren();
            const int measures = m_pConductorStaff ? m_pConductorStaff->GetMaxMeasureNumber() : 0;
            SendProgress(STATE_PROGRESS_BEGIN, 0, measures);
        }
        Prepagenate(conductor, realTime);
        LoadPreferences();
        result = Repagenate(conductor);
        // Nothing was laid out without measures: nothing to place or redraw.
        if (result != PAGENATE_RESULT_EMPTY)
            Predraw(conductor, realTime);
        if (!recording)
            SendProgress(STATE_PROGRESS_END, 0, 0);
    }
    if (m_bPrinting || recording)
        return result;

    m_pages.SetPageCount(m_nCurrentPage);
    if (auto* scroll = dynamic_cast<MCScrollView*>(m_pView)) {
        // Pages are stacked downwards: the height is negative.
        const CRect& page = GetPageLayout().GetPageRect();
        scroll->SetViewSize(page.Width(), page.Height() * m_nCurrentPage);
    }
    return result;
}

int CPagenate::Repagenate(ECConductor* conductor) {
    switch (m_pNotateInfo->GetPagenateRange()) {
    case PAGENATE_ALL: {
        POSITION first = GetConductorStaffChildren() ? GetStartPosition() : nullptr;
        if (!first) {
            m_bBusy = 0;
            return PAGENATE_RESULT_EMPTY;
        }
        InitStaffRuler();
        PrepareForRepagenate(first);
        Pagenate();
        return PAGENATE_RESULT_DONE;
    }
    case PAGENATE_REPAGENATE_ALL:
        if (GetConductorStaffChildren())
            UpdateStaffRuler();
        RepagenateAll();
        return PAGENATE_RESULT_DONE;
    case PAGENATE_MEASURES: {
        MCEventList measures;
        if (conductor && conductor->GetMeasures(CONDUCTOR_TRACK, m_pNotateInfo->GetMeasureStart(),
                                                m_pNotateInfo->GetMeasureEnd(), measures) &&
            measures.GetCount() > 0)
            RepagenateMeasures(measures);
        return PAGENATE_RESULT_DONE;
    }
    case PAGENATE_FROM:
        RepagenateNew(m_pNotateInfo->GetMeasureStart());
        return PAGENATE_RESULT_DONE;
    default:
        return PAGENATE_RESULT_DONE;
    }
}

// ---- sizing before the layout ----

void CPagenate::Prepare(CDC* dc) {
    if (!m_pNotateInfo || m_pNotateInfo->IsAutoNotating())
        return;
    GetConductorStaffChildren();
    ECConductor* conductor = GetConductor();
    ECPerformance* performance = GetBaseEvent();
    if (!conductor || !performance)
        return;
    ACSetSize size;
    size.SetDC(dc);
    std::lock_guard lock(performance->GetLock());
    switch (m_pNotateInfo->GetPagenateRange()) {
    case PAGENATE_ALL:
        size.Apply(performance);
        break;
    case PAGENATE_REPAGENATE_ALL:
        if (m_pNotateInfo->GetNotateRange() == NOTATE_ADD_STAFF) {
            for (const CNotateInfo::StaffInfo& entry : m_pNotateInfo->GetStaffWindows()) {
                if (entry.track == END_OF_TRACKS)
                    break;
                if (ECBase* staff = conductor->GetTrack(TRACK_STAFF, entry.track, 0))
                    size.Apply(staff);
            }
        } else {
            size.Apply(conductor);
        }
        break;
    case PAGENATE_MEASURES:
        if (m_pNotateInfo->GetNotateRange() == NOTATE_NONE) {
            for (const CNotateInfo::StaffInfo& entry : m_pNotateInfo->GetStaffWindows()) {
                if (entry.track == END_OF_TRACKS)
                    break;
                MCEventList measures;
                if (conductor->GetMeasures(entry.track, entry.timeStart, entry.timeEnd, measures))
                    size.Apply(measures, WHOLE_LIST);
                if (ECBase* staff = conductor->GetTrack(TRACK_STAFF, entry.track, 0)) {
                    ACFindTime find(entry.timeStart, entry.timeEnd, 0);
                    find.Apply(staff);
                    size.Apply(find.GetEvents(), WHOLE_LIST);
                }
            }
        }
        if (m_pDirtyRect)
            size.Apply(m_pDirtyRect->GetEvents(), WHOLE_LIST);
        break;
    case PAGENATE_FROM:
        size.SetTimeRange(m_pNotateInfo->GetMeasureStart(), m_pNotateInfo->GetMeasureEnd());
        size.Apply(performance);
        break;
    case PAGENATE_NONE:
        if (m_pDirtyRect)
            size.Apply(m_pDirtyRect->GetEvents(), WHOLE_LIST);
        break;
    default:
        break;
    }
}

// ---- regrouping and rulers before the layout ----

void CPagenate::Prepagenate(ECConductor* conductor, int realTime) {
    const unsigned char range = m_pNotateInfo->GetPagenateRange();
    ECPerformance* performance = GetBaseEvent();
    if (!conductor || !performance || range > PAGENATE_NONE)
        return;
    std::lock_guard lock(performance->GetLock());
    if (range == PAGENATE_ALL || range == PAGENATE_FROM) {
        if (!realTime) {
            ACGroupElements group;
            group.Apply(conductor);
            ACBuildRulers rulers;
            rulers.Apply(conductor);
        }
        return;
    }
    if (m_bRepagenateAfterRecord) {
        for (const CNotateInfo::StaffInfo& entry : m_pNotateInfo->GetRecordTracks()) {
            if (entry.track == END_OF_TRACKS)
                continue;
            ECBase* staff = conductor->GetTrack(TRACK_STAFF, entry.track, 0);
            if (!staff)
                continue;
            ACGroupElements group;
            group.SetTimeRange(entry.timeStart, entry.timeEnd);
            group.Apply(staff);
            ACBuildRulers rulers;
            rulers.SetTimeRange(entry.timeStart, entry.timeEnd);
            rulers.Apply(staff);
        }
        m_bRepagenateAfterRecord = 0;
        return;
    }
    if (!m_pDirtyRect)
        return;
    MCEventList& events = m_pDirtyRect->GetEvents();
    if (realTime)
        return;
    {
        ACGroupElements group;
        group.Apply(events, WHOLE_LIST);
        ACBuildRulers rulers;
        rulers.Apply(events, WHOLE_LIST);
    }
    if (range != PAGENATE_MEASURES)
        return;
    for (const CNotateInfo::StaffInfo& entry : m_pNotateInfo->GetStaffWindows()) {
        if (entry.track == END_OF_TRACKS)
            break;
        ECBase* staff = conductor->GetTrack(TRACK_STAFF, entry.track, 0);
        DCctBase* display = NotationDisplayOf(staff);
        if (display && display->IsHidden())
            continue;
        MCEventList measures;
        conductor->GetMeasures(entry.track, entry.timeStart, entry.timeEnd, measures);
        for (POSITION pos = measures.GetHeadPosition(); pos;) {
            ECBase* measure = measures.GetNext(pos);
            if (auto* measureDisplay = NotationDisplayOf(measure))
                if (MCRuler* ruler = DCctConductorMeasure::Links().measureRuler
                                         ? DCctConductorMeasure::Links().measureRuler(measureDisplay)
                                         : nullptr)
                    ruler->ResetRuler();
        }
        ACBuildRulers rulers;
        rulers.Apply(measures, WHOLE_LIST);
        ACGroupElements group;
        group.Apply(measures, WHOLE_LIST);
    }
}

// ---- positions and redraw after the layout ----

void CPagenate::Predraw(ECConductor* conductor, int realTime) {
    ECPerformance* performance = GetBaseEvent();
    if (!conductor || !performance)
        return;
    ACSetDirty dirty(2);
    dirty.AddDirtyKind(DCctBase::DIRTY_POSITION);
    dirty.AddDirtyKind(DCctBase::DIRTY_COLLISION);

    // The update list's elements placed, those hung on others last.
    auto positionUpdateList = [&]() {
        ACPosition position;
        position.SetConductor(conductor);
        position.Apply(m_pDirtyRect->GetEvents(), WHOLE_LIST);
        position.PositionDeferred();
    };

    std::unique_lock lock(performance->GetLock());
    switch (m_pNotateInfo->GetPagenateRange()) {
    case PAGENATE_REPAGENATE_ALL:
        if (MCStaffRuler* ruler = GetStaffRuler()) {
            for (int i = 0; i < ruler->GetStaffCount(); ++i)
                if (DCctBase* staff = NotationDisplayOf(conductor->GetTrack(TRACK_STAFF, i + 1, 0)))
                    staff->SetHidden(!ruler->IsStaffShown(i));
        }
        dirty.AddDirtyKind(DCctBase::DIRTY_POSITION);
        dirty.AddDirtyKind(DCctBase::DIRTY_COLLISION);
        [[fallthrough]];
    case PAGENATE_ALL: {
        // Every measure may have moved: everything is placed again (a first
        // layout finds it all dirty anyway; a later one must not keep the
        // staff measures where the last layout left them).
        dirty.Apply(conductor);
        if (m_pDirtyRect) {
            m_pDirtyRect->SetRedrawAll(1);
            lock.unlock();
            FlushDirtyRect();
            lock.lock();
        }
        if (!GetConductorStaffChildren())
            break;
        // The measures of every staff (the conductor staff itself first).
        for (int j = 0; j <= m_pConductorStaff->GetMaxStaffNumber(); ++j) {
            auto* staff = static_cast<ECStaff*>(m_pConductorStaff->GetStaff(j, 0));
            MCEventList* children = staff ? staff->GetChildren() : nullptr;
            if (!children)
                continue;
            for (POSITION pos = children->GetHeadPosition(); pos;) {
                ECBase* child = children->GetNext(pos);
                const int type = child->GetClassType();
                if (type != ET_MEASURE && type != ET_CONDUCTORMEASURE)
                    continue;
                DCctBase* display = NotationDisplayOf(child);
                if (display && display->PositionDirty()) {
                    display->Position(conductor, staff, static_cast<ECMeasure*>(child), nullptr);
                    display->SetPositionDirty(0);
                }
            }
        }
        break;
    }
    case PAGENATE_MEASURES: {
        const MCTime start = m_pNotateInfo->GetPagenateStart();
        const MCTime end = m_pNotateInfo->GetPagenateEnd();
        if (!realTime) {
            dirty.SetTimeRange(start, end);
            dirty.Apply(conductor);
        }
        if (!m_pDirtyRect)
            break;
        positionUpdateList();
        if (!realTime) {
            MCEventList measures;
            conductor->GetMeasures(CONDUCTOR_TRACK, start, end, measures);
            for (POSITION pos = measures.GetHeadPosition(); pos;) {
                if (DCctBase* display = NotationDisplayOf(measures.GetNext(pos))) {
                    CRect frame;
                    display->GetFrame(&frame, 1);
                    m_pDirtyRect->AddRect(frame);
                }
            }
        }
        lock.unlock();
        FlushDirtyRect();
        break;
    }
    case PAGENATE_FROM:
        dirty.SetTimeRange(m_pNotateInfo->GetPagenateStart(), MCTime::TimeMax());
        dirty.Apply(conductor);
        if (!m_pDirtyRect)
            break;
        positionUpdateList();
        m_pDirtyRect->SetRedrawAll(1);
        lock.unlock();
        FlushDirtyRect();
        break;
    case PAGENATE_NONE:
        if (!m_pDirtyRect)
            break;
        positionUpdateList();
        lock.unlock();
        FlushDirtyRect();
        break;
    default:
        break;
    }
}

std::unique_ptr<CDC> CPagenate::MakePreparedDC() const {
    if (!m_pView || !m_pView->GetSafeHwnd())
        return nullptr;
    auto dc = std::make_unique<CClientDC>(m_pView);
    m_pView->OnPrepareDC(dc.get(), nullptr);
    return dc;
}

void CPagenate::FlushDirtyRect() {
    if (!m_pDirtyRect)
        return;
    std::unique_ptr<CDC> dc = MakePreparedDC();
    auto* scroll = dynamic_cast<MCScrollView*>(m_pView);
    if (!dc || !scroll) {
        // No window to redraw: the list is only emptied.
        m_pDirtyRect->Invalidate(nullptr, nullptr);
        return;
    }
    DirtyRect::ScrollViewTarget target(*scroll);
    m_pDirtyRect->Invalidate(&target, dc.get());
}

void CPagenate::Update(CDC* dc, ECBase* element) {
    if (!element)
        return;
    ACSetDirty dirty(3);
    dirty.AddDirtyKind(DCctBase::DIRTY_POSITION);
    dirty.AddDirtyKind(DCctBase::DIRTY_FRAME);
    dirty.AddDirtyKind(DCctBase::DIRTY_COLLISION);
    dirty.Apply(element);
    ACSetSize size;
    size.SetDC(dc);
    size.Apply(element);
    ACPosition position;
    position.Apply(element);
    ACClearCollision clear;
    clear.Apply(element);
}
