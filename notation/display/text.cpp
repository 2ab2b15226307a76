// DCctText: placing texts by type, measuring and drawing them, framing and
// cutting them, and the names of the text types.
#include "notation/display/text.h"

#include "model/conductor.h"
#include "model/conductorstaff.h"
#include "model/event.h"
#include "model/eventtypes.h"
#include "model/lists.h"
#include "model/measure.h"
#include "model/staff.h"
#include "model/textmarks.h"
#include "model/time.h"
#include "notation/display/conductor.h"
#include "notation/display/conductormeasure.h"
#include "notation/display/drawsteps.h"
#include "notation/layout/curves.h"
#include "notation/layout/pagelayout.h"
#include "notation/layout/staffruler.h"
#include "notation/layout/textfonts.h"
#include "platform/core/archive.h"
#include "platform/core/resources.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/gdiobj.h"

#include <algorithm>

IMPLEMENT_SERIAL(DCctText, DCctBase, VERSIONABLE_SCHEMA | 2)

STRING_TABLE({IDS_TEXT_TYPE_FIRST + 0, "---"},
             {IDS_TEXT_TYPE_FIRST + 1, "Copyright Information"},
             {IDS_TEXT_TYPE_FIRST + 2, "Sequence Name"},
             {IDS_TEXT_TYPE_FIRST + 3, "Track Name"},
             {IDS_TEXT_TYPE_FIRST + 4, "Instrument Name"},
             {IDS_TEXT_TYPE_FIRST + 5, "Marker"},
             {IDS_TEXT_TYPE_FIRST + 6, "Cue Point"},
             {IDS_TEXT_TYPE_FIRST + 7, "Dedication Information"},
             {IDS_TEXT_TYPE_FIRST + 8, "Title"},
             {IDS_TEXT_TYPE_FIRST + 9, "Subtitle"},
             {IDS_TEXT_TYPE_FIRST + 10, "Composer"},
             {IDS_TEXT_TYPE_FIRST + 11, "Arranger"},
             {IDS_TEXT_TYPE_FIRST + 12, "Text Author"},
             {IDS_TEXT_TYPE_FIRST + 13, "Opus Number"},
             {IDS_TEXT_TYPE_FIRST + 14, "Rehearsal Letter"},
             {IDS_TEXT_TYPE_FIRST + 15, "Rehearsal Number"});

namespace {

// Text point sizes are given at the layout's 1440 units an inch; negative:
// the character height.
constexpr int kLayoutResolution = 1440;
// Conductor-staff text levels of the page texts.
constexpr int kComposerLevel = 6;
constexpr int kArrangerLevel = 7;
constexpr int kAuthorLevel = 5;
// The page's paper and its printable area: where page texts are centred and
// where they end.
struct PageRects {
    CRect paper;
    CRect printable;
};
PageRects GetPageRects() {
    const MCPageLayout& layout = MCPageLayout::GetPageLayout();
    PageRects rects{layout.GetPaperRect(), layout.GetPrintableRect()};
    if (layout.IsSideBySide()) {
        const int width = layout.GetPageRect().Width();
        rects.paper.OffsetRect(width, 0);
        rects.printable.OffsetRect(width, 0);
    }
    return rects;
}

ECBase* FindParentOfType(ECBase* owner, int type) {
    MCEventList* parents = owner ? owner->GetParents() : nullptr;
    const POSITION pos = parents ? parents->FindEvent(type, nullptr) : nullptr;
    return pos ? parents->GetAt(pos) : nullptr;
}

// Whether texts of this type are placed by their type alone (a slot of
// their own) rather than at a time. Instrument names stand at the measure
// of their time, so they have none.
bool HasOwnSlot(BYTE type) {
    switch (type) {
    case DCctText::TEXT_COPYRIGHT:
    case DCctText::TEXT_TRACK_NAME:
    case DCctText::TEXT_DEDICATION:
    case DCctText::TEXT_TITLE:
    case DCctText::TEXT_SUBTITLE:
    case DCctText::TEXT_COMPOSER:
    case DCctText::TEXT_ARRANGER:
    case DCctText::TEXT_AUTHOR:
        return true;
    default:
        return false;
    }
}

// A text's time, the null time read as the start of the piece.
MCTime TextTime(ECBase* owner) {
    return owner && owner->GetTime() && *owner->GetTime() != MCTime::TimeNull() ? *owner->GetTime()
                                                                               : MCTime(0.0f);
}

}  // namespace

DCctText::DCctText() {
    SetBit(BIT_BOX, 0);
}

DCctText::DCctText(const DCctText& other) : DCctBase(other), m_nJustification(other.m_nJustification) {
    SetStateWord(other.GetStateWord());
}

DCctText::~DCctText() = default;

std::string DCctText::GetTypeName(int type) {
    if (type < 0 || type >= TEXT_TYPE_COUNT)
        return {};
    return LoadString(IDS_TEXT_TYPE_FIRST + static_cast<unsigned>(type));
}

void DCctText::SetOwner(ECBase* owner) {
    DCctBase::SetOwner(owner);
    const BYTE type = GetType();
    if (type == TEXT_REHEARSAL_LETTER || type == TEXT_REHEARSAL_NUMBER)
        SetBoxText(1);
}

BYTE DCctText::GetType() {
    auto* text = dynamic_cast<ECText*>(GetOwner());
    return text ? text->GetTextType() : 0;
}

std::string DCctText::GetText() {
    auto* text = dynamic_cast<ECText*>(GetOwner());
    return text ? text->GetText() : std::string();
}

std::vector<DCctText*> DCctText::GetSlotTexts() {
    std::vector<DCctText*> texts;
    const BYTE type = GetType();
    ECBase* owner = GetOwner();
    const bool staffName = type == TEXT_TRACK_NAME;
    ECBase* parent = !HasOwnSlot(type) ? nullptr : staffName ? FindStaffParent() : FindCondStaffParent();
    MCEventList* children = parent ? parent->GetChildren() : nullptr;
    for (POSITION pos = children ? children->GetHeadPosition() : nullptr; pos;) {
        ECBase* child = children->GetNext(pos);
        auto* text = child->GetClassType() == ET_TEXT ? dynamic_cast<ECText*>(child) : nullptr;
        if (!text || text->GetTextType() != type)
            continue;
        // A staff's names share a slot only at one time: each stands at the
        // measure of its time.
        if (staffName && TextTime(child) != TextTime(owner))
            continue;
        if (auto* display = dynamic_cast<DCctText*>(NotationDisplayOf(child)))
            texts.push_back(display);
    }
    if (std::find(texts.begin(), texts.end(), this) == texts.end())
        texts.push_back(this);
    return texts;
}

int DCctText::GetSlotOffset() {
    int offset = 0;
    for (DCctText* text : GetSlotTexts()) {
        if (text == this)
            break;
        text->SetSize(nullptr);
        offset += text->GetHeight();
    }
    return offset;
}

int DCctText::GetSlotHeight() {
    int height = 0;
    for (DCctText* text : GetSlotTexts()) {
        // This text stands as its caller measured it; the others are
        // measured when they have not been yet.
        if (text != this)
            text->SetSize(nullptr);
        height += text->GetHeight();
    }
    return height;
}

ECBase* DCctText::FindStaffParent() {
    return FindParentOfType(GetOwner(), ET_STAFF);
}

ECBase* DCctText::FindCondStaffParent() {
    return FindParentOfType(GetOwner(), ET_CONDUCTORSTAFF);
}

void DCctText::ApplyStyle(MCFont& font, CDC* dc, bool withSize) {
    font.SetFontColor(GetColor(dc));
    auto* text = dynamic_cast<ECText*>(GetOwner());
    if (!text)
        return;
    font.SetFontStyle(text->IsBold(), text->IsItalic(), text->IsUnderline());
    if (withSize)
        font.SetFontPointSize(-static_cast<int>(text->GetPointSize()), kLayoutResolution);
}

// ---- placing --------------------------------------------------------------------------

int DCctText::Position(ECConductor* conductor, ECStaff*, ECMeasure*, ECBase*) {
    if (!conductor)
        conductor = GetConductor();
    const BYTE type = GetType();
    switch (type) {
    case TEXT_STAFF:
    case TEXT_TRACK_NAME:
    case TEXT_INSTRUMENT_NAME:
        if (!FindStaffParent())
            return type == TEXT_STAFF ? 0 : 1;
        return PositionStaffText(conductor);
    default:
        if (type >= TEXT_TYPE_COUNT)
            return 1;
        return PositionCondStaffText(conductor);
    }
}

int DCctText::PositionCondStaffText(ECConductor* conductor) {
    ECBase* condStaff = FindCondStaffParent();
    auto* condStaffDisplay = dynamic_cast<DCctConductorStaff*>(NotationDisplayOf(condStaff));
    if (!condStaffDisplay)
        return 1;
    MCStaffRuler& staffRuler = condStaffDisplay->GetRuler();
    const PageRects page = GetPageRects();
    const int pageMiddle = page.paper.left + page.paper.Width() / 2;
    SetSize(nullptr);
    int x = 0;
    int y = 0;
    switch (GetType()) {
    case TEXT_COPYRIGHT:
        y = page.printable.bottom;
        x = pageMiddle;
        m_nJustification = JUSTIFY_CENTRE;
        break;
    case TEXT_DEDICATION:
    case TEXT_TITLE:
    case TEXT_SUBTITLE:
        y = staffRuler.GetTextLevel(GetType() - TEXT_DEDICATION);
        x = pageMiddle;
        m_nJustification = JUSTIFY_CENTRE;
        break;
    case TEXT_COMPOSER:
    case TEXT_ARRANGER:
        y = staffRuler.GetTextLevel(GetType() == TEXT_COMPOSER ? kComposerLevel : kArrangerLevel);
        x = page.printable.right;
        m_nJustification = JUSTIFY_RIGHT;
        break;
    case TEXT_AUTHOR:
        y = staffRuler.GetTextLevel(kAuthorLevel);
        x = staffRuler.GetDefaultHeight();
        m_nJustification = JUSTIFY_LEFT;
        break;
    case TEXT_TRACK_NAME:
    case TEXT_INSTRUMENT_NAME:
        break;   // staff texts: never placed from here
    default: {
        // At a time, over the first staff.
        ECBase* owner = GetOwner();
        MCTime* time = owner ? owner->GetTime() : nullptr;
        if (!conductor || !time)
            return 0;
        ECMeasure* column = conductor->GetMeasure(0, *time, 0, 1);
        ECMeasure* first = conductor->GetMeasure(1, *time, 0, 1);
        auto* columnDisplay = dynamic_cast<DCctConductorMeasure*>(NotationDisplayOf(column));
        DCctBase* firstDisplay = NotationDisplayOf(first);
        if (!columnDisplay || !firstDisplay)
            return 0;   // no staff 1 at that time: not placed
        y = firstDisplay->GetPosition().y + staffRuler.GetSpaceAbove(0);
        x = firstDisplay->GetPosition().x + columnDisplay->GetXForTime(*time);
        m_nJustification = JUSTIFY_LEFT;
        break;
    }
    }
    // Texts sharing a slot stack downwards; those at a time have none. The
    // copyright's slot is the page's foot: its stack ends there, growing up.
    if (GetType() == TEXT_COPYRIGHT)
        y += GetSlotHeight() - GetSlotOffset() - GetHeight();
    else if (HasOwnSlot(GetType()))
        y -= GetSlotOffset();
    SetPosition(x, y);
    return 1;
}

int DCctText::PositionStaffText(ECConductor* conductor) {
    ECBase* owner = GetOwner();
    auto* staff = static_cast<ECStaff*>(FindStaffParent());
    if (!owner || !staff || !conductor)
        return 0;
    const MCTime time = TextTime(owner);
    const int n = conductor->GetTrackNumber(1, staff);
    ECMeasure* measure = n > 0 ? conductor->GetMeasure(n, time, 0, 1) : nullptr;
    DCctBase* measureDisplay = NotationDisplayOf(measure);
    auto* condStaffDisplay = dynamic_cast<DCctConductorStaff*>(NotationDisplayOf(conductor->GetTrack(1, 0, 0)));
    ECMeasure* column = conductor->GetMeasure(0, time, 0, 1);
    auto* columnDisplay = dynamic_cast<DCctConductorMeasure*>(NotationDisplayOf(column));
    if (!measureDisplay || !condStaffDisplay)
        return 0;
    MCStaffRuler& staffRuler = condStaffDisplay->GetRuler();
    const CPoint at = measureDisplay->GetPosition();
    SetSize(nullptr);
    int x = 0;
    int y = 0;
    switch (GetType()) {
    case TEXT_TRACK_NAME:
        // The staff's names, stacked, centred on the staff as one block, at
        // the printable area's left.
        y = at.y - (measureDisplay->GetHeight() - GetSlotHeight()) / 2 - GetSlotOffset();
        x = GetPageRects().printable.left;
        break;
    case TEXT_INSTRUMENT_NAME:
        if (!columnDisplay)
            return 0;
        y = at.y + staffRuler.GetSpaceAbove(n - 1);
        x = at.x + columnDisplay->GetRuler().GetPrologX(MCRuler::PROLOG_END);
        break;
    default: {
        if (!columnDisplay)
            return 0;
        y = at.y + staffRuler.GetSpaceAbove(n - 1);
        x = at.x + columnDisplay->GetXForTime(time);
        break;
    }
    }
    m_nJustification = JUSTIFY_LEFT;
    SetPosition(x, y);
    return 1;
}

// ---- measuring and drawing -----------------------------------------------------------------

void DCctText::SetSize(CDC* dc) {
    if (!FrameDirty())
        return;
    MeasuringDC measuring(dc);
    MCTextFont& font = MCTextFont::GetTextFont();
    LOGFONT saved;
    font.SaveLogFont(&saved);
    FontColorScope color(font);
    ApplyStyle(font, dc, !m_bSample);
    font.SelectFont(measuring.Get());
    const CSize extent = measuring.Get()->GetTextExtent(GetText());
    font.DeselectFont(measuring.Get());
    font.RestoreLogFont(saved);
    m_metrics.SetWidth(extent.cx);
    m_metrics.SetHeight(extent.cy);
    switch (GetType()) {
    case TEXT_COPYRIGHT:
    case TEXT_DEDICATION:
    case TEXT_TITLE:
    case TEXT_SUBTITLE:
        m_metrics.SetLeft(-extent.cx / 2);
        break;
    case TEXT_COMPOSER:
    case TEXT_ARRANGER:
        m_metrics.SetLeft(-extent.cx);
        break;
    default:
        break;
    }
    m_metrics.SetTop(0);
    SetFrameDirty(0);
}

void DCctText::DrawBoxText(CDC* dc, CPoint q, int dx, int dy) {
    const CSize extent = dc->GetTextExtent(GetText());
    int w = extent.cx;
    const int ht = extent.cy;
    int pad = 0;
    if (w < ht) {
        // A narrow text (one letter) gets a square box.
        pad = (ht - w) / 2;
        w = ht;
    }
    TEXTMETRIC metrics{};
    dc->GetTextMetrics(&metrics);
    const int left = q.x + dx - pad;
    const int base = q.y + metrics.tmDescent / 2 + dy;
    const POINT box[] = {{left, base}, {left + w, base}, {left + w, base - ht}, {left, base - ht}, {left, base}};
    DrawLine line;
    line.Draw(dc, box, 5, MCMusicFont::GetMusicFont().GetBarlineWidth(FONT_CURRENT), 0, GetColor(dc));
}

int DCctText::Draw(CDC* dc, CPoint p, CRect* clip) {
    SetSize(dc);
    MCTextFont& font = MCTextFont::GetTextFont();
    LOGFONT saved;
    font.SaveLogFont(&saved);
    FontColorScope color(font);
    ApplyStyle(font, dc, !m_bSample);
    font.SelectFont(dc);

    CPoint q = GetPosition();
    q.Offset(p.x, p.y);
    int shift = 0;
    if (m_nJustification == JUSTIFY_CENTRE)
        shift = -GetWidth() / 2;
    else if (m_nJustification == JUSTIFY_RIGHT)
        shift = -GetWidth();

    // A track name stops where the staff's first measure begins. Without a
    // clip rectangle, staff or first measure there is nothing to cut at.
    CRgn previous;
    int hadClip = -1;   // -1: the clip region was left alone
    if (GetType() == TEXT_TRACK_NAME && clip) {
        ECConductor* conductor = GetConductor();
        auto* staff = static_cast<ECTrack*>(FindStaffParent());
        const int n = conductor && staff ? conductor->GetTrackNumber(1, staff) : -1;
        ECMeasure* first = n > 0 ? conductor->GetMeasure(n, MCTime(0.0f), 0, 1) : nullptr;
        if (DCctBase* firstDisplay = NotationDisplayOf(first)) {
            const int x1 = p.x + firstDisplay->GetX();
            if (x1 < q.x + shift + GetWidth()) {
                CRect cut = *clip;
                cut.OffsetRect(p.x, 0);
                cut.right = x1;
                dc->LPtoDP(&cut);
                cut.NormalizeRect();
                hadClip = dc->GetClipRgn(&previous) == 1 ? 1 : 0;
                CRgn region;
                region.CreateRectRgnIndirect(&cut);
                dc->SelectClipRgn(&region);
            }
        }
    }

    if (GetBoxText())
        DrawBoxText(dc, q, shift, 0);
    const int oldMode = dc->SetBkMode(TRANSPARENT);   // the box runs through the text's cell
    dc->TextOut(q.x + shift, q.y, GetText());
    dc->SetBkMode(oldMode);

    if (hadClip >= 0)
        dc->SelectClipRgn(hadClip ? &previous : nullptr);
    font.DeselectFont(dc);
    font.RestoreLogFont(saved);
    return DRAW_DONE;
}

int DCctText::DrawInRect(CDC* dc, CRect* rect) {
    MCTextFont& font = MCTextFont::GetTextFont();
    LOGFONT saved;
    font.SaveLogFont(&saved);
    // The sample keeps the rectangle's height, not the event's point size,
    // and is measured at it; the score measures the text again afterwards.
    font.SetFontHeight(AdjustForTextFont(rect->top - rect->bottom));
    m_bSample = true;
    SetFrameDirty(1);
    SetSize(dc);
    CenterPosition(dc, rect);
    Draw(dc, CPoint(0, 0), nullptr);
    m_bSample = false;
    SetFrameDirty(1);
    font.RestoreLogFont(saved);
    return 1;
}
