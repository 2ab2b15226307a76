// The embedded object's item with its view: finding the view, drawing with
// the tracker, resizing, announcing changes, and opening the object.
#include "notation/view/scoreitem.h"

#include "interface/document/embedding.h"
#include "interface/document/opusdoc.h"
#include "model/eventtypes.h"
#include "model/editstates.h"
#include "model/lists.h"
#include "model/performance.h"
#include "notation/autonote/autonote.h"
#include "notation/view/cantrel.h"
#include "notation/view/cttracker.h"
#include "platform/core/file.h"
#include "platform/core/filesys.h"
#include "platform/core/mimetypes.h"
#include "platform/gdi/dc.h"
#include "platform/ui/app.h"
#include "platform/ui/cursor.h"
#include "platform/ui/docmanager.h"
#include "platform/ui/doctemplate.h"
#include "platform/ui/frame.h"
#include "platform/ui/paint.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace {

// The performance that holds the item's frame; null while the frame is
// outside a score.
ECBase* PerformanceOf(CScoreCntrItem* item) {
    ECFrame* frame = item ? item->GetECFrame() : nullptr;
    MCEventList* parents = frame ? frame->GetParents() : nullptr;
    if (!parents)
        return nullptr;
    for (POSITION pos = parents->GetHeadPosition(); pos;) {
        ECBase* parent = parents->GetNext(pos);
        if (parent && parent->GetClassType() == ET_PERFORMANCE)
            return parent;
    }
    return nullptr;
}

// The open document showing `performance`.
MCOpusDoc* DocumentOf(ECBase* performance) {
    CWinApp* app = AfxGetApp();
    CDocManager* manager = app ? app->GetDocManager() : nullptr;
    if (!performance || !manager)
        return nullptr;
    for (POSITION t = manager->GetFirstDocTemplatePosition(); t;) {
        CDocTemplate* docTemplate = manager->GetNextDocTemplate(t);
        for (POSITION d = docTemplate->GetFirstDocPosition(); d;) {
            auto* document = DYNAMIC_DOWNCAST(MCOpusDoc, docTemplate->GetNextDoc(d));
            if (document && document->GetBaseEvent() == performance)
                return document;
        }
    }
    return nullptr;
}

// The frame's display object, made when missing.
DCctBase* DisplayOf(CScoreCntrItem* item) {
    ECFrame* frame = item ? item->GetECFrame() : nullptr;
    return frame ? dynamic_cast<DCctBase*>(frame->GetData(DK_NOTATION, 1)) : nullptr;
}

// The bytes of a file; false when it cannot be read.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::vector<uint8_t> read((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return false;
    bytes = std::move(read);
    return true;
}

bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return !out.fail();
}

}  // namespace

// ---- the state -----------------------------------------------------------------------------

CScoreItemView::~CScoreItemView() {
    m_watcher.reset();
    RemoveCopy();
}

CScoreItemView& CScoreItemView::Of(CScoreCntrItem& item) {
    if (auto* state = dynamic_cast<CScoreItemView*>(item.GetState()))
        return *state;
    auto state = std::make_unique<CScoreItemView>();
    CScoreItemView& made = *state;
    item.SetState(std::move(state));
    return made;
}

void CScoreItemView::RemoveCopy() {
    if (m_ownsOpened && !m_openedPath.empty())
        std::remove(m_openedPath.c_str());
    if (!m_reservedPath.empty())
        std::remove(m_reservedPath.c_str());
    m_openedPath.clear();
    m_reservedPath.clear();
    m_ownsOpened = false;
}

bool CScoreItemView::PrepareOpenedFile(const CScoreCntrItem& item) {
    if (item.IsLinked()) {
        m_watcher.reset();
        RemoveCopy();
        m_openedPath = item.GetLinkPath();
        return FileExists(m_openedPath);
    }
    if (!m_ownsOpened) {
        m_watcher.reset();
        RemoveCopy();
        // A unique name reserved in the temporary folder; the copy is that
        // name with the type's suffix, which the desktop chooses by.
        m_reservedPath = GetTempFileName("swobj");
        if (m_reservedPath.empty())
            return false;
        std::string suffix = PreferredSuffixOf(item.GetMimeType());
        if (suffix.empty()) {
            const std::string& name = item.GetFileName();
            const auto dot = name.rfind('.');
            if (dot != std::string::npos && dot + 1 < name.size())
                suffix = name.substr(dot + 1);
        }
        m_openedPath = m_reservedPath + (suffix.empty() ? std::string() : "." + suffix);
        m_ownsOpened = true;
    }
    return WriteWholeFile(m_openedPath, item.GetData());
}

void CScoreItemView::Watch(std::function<void()> onChange) {
    if (m_watcher && m_watcher->GetPath() == m_openedPath)
        return;
    m_watcher = std::make_unique<CFileWatcher>(m_openedPath, std::move(onChange));
}

// ---- the item's behaviour with its view ------------------------------------------------------------

CCantrel* CCantrelItem::GetView(CScoreCntrItem* item) {
    MCOpusDoc* document = DocumentOf(PerformanceOf(item));
    if (!document)
        return nullptr;
    for (CView* view : document->GetViews())
        if (auto* notation = DYNAMIC_DOWNCAST(CCantrel, view))
            return notation;
    return nullptr;
}

void CCantrelItem::GetSizeD(CScoreCntrItem* item, CDC* dc, CSize& size) {
    size = CSize(0, 0);
    if (!item || !dc || !GetView(item))
        return;
    SIZE extent{item->GetExtentX(), item->GetExtentY()};
    dc->HIMETRICtoLP(&extent);
    dc->LPtoDP(&extent);
    size = CSize(std::abs(extent.cx), std::abs(extent.cy));
}

int CCantrelItem::GetItemState(CScoreCntrItem* item) {
    auto* state = item ? dynamic_cast<CScoreItemView*>(item->GetState()) : nullptr;
    return state ? state->GetItemState() : emptyState;
}

int CCantrelItem::OurDraw(CScoreCntrItem* item, CDC* dc, const RECT* bounds, const RECT* clip, int) {
    CCantrel* view = GetView(item);
    if (!view || !dc || !bounds)
        return 0;
    CScoreItemView& state = CScoreItemView::Of(*item);
    // 1. The clip region: the clip rectangle, with the one before put back.
    CRgn previous;
    int hadClip = -1;   // -1: the clip region was left alone
    if (clip) {
        CRect device(*clip);
        dc->LPtoDP(&device);
        device.NormalizeRect();
        hadClip = dc->GetClipRgn(&previous) == 1 ? 1 : 0;
        CRgn region;
        region.CreateRectRgnIndirect(&device);
        dc->SelectClipRgn(&region);
    }
    auto restoreClip = [&] {
        if (hadClip >= 0)
            dc->SelectClipRgn(hadClip ? &previous : nullptr);
    };
    // 2. The picture.
    if (!CScoreItemDrawing::DrawPicture(*item, state.GetPicture(), dc, *bounds)) {
        restoreClip();
        return 0;
    }
    // 3. Paper gets the object alone.
    if (dc->IsPrinting()) {
        restoreClip();
        return 1;
    }
    // 4. The tracker, in device units.
    CRect device(*bounds);
    dc->LPtoDP(&device);
    device.NormalizeRect();
    CCTRectTracker tracker;
    tracker.m_rect = device;
    if (state.GetItemState() == openState)
        tracker.m_nStyle |= CRectTracker::hatchInside;
    DCctBase* display = DisplayOf(item);
    auto* document = DYNAMIC_DOWNCAST(MCOpusDoc, view->GetDocument());
    bool invert = false;
    if (display && display->IsSelected() && document) {
        if (document->GetSelection(0).GetEvents(0).GetCount() == 1)
            tracker.m_nStyle |= CRectTracker::resizeInside |
                                (item->IsLinked() ? CRectTracker::dottedLine : CRectTracker::solidLine);
        else
            invert = true;
    }
    if (invert) {
        const int saved = dc->SaveDC();
        dc->SetMapMode(MM_TEXT);
        dc->SetWindowOrg(0, 0);
        dc->SetViewportOrg(0, 0);
        dc->InvertRect(&device);
        dc->RestoreDC(saved);
    }
    if (tracker.m_nStyle != 0)
        tracker.OurDraw(dc);
    restoreClip();
    return 1;
}

void CCantrelItem::SetNewSizeD(CScoreCntrItem* item, CDC* dc, CRect& deviceRect) {
    CCantrel* view = GetView(item);
    if (!view || !dc)
        return;
    SIZE extent{deviceRect.Width(), deviceRect.Height()};
    dc->DPtoLP(&extent);
    dc->LPtoHIMETRIC(&extent);
    item->SetExtent(std::abs(extent.cx), std::abs(extent.cy));
    CRect normal = deviceRect;
    normal.NormalizeRect();
    CPoint corner = normal.TopLeft();
    view->DPtoVP(dc, &corner);
    if (DCctBase* display = DisplayOf(item))
        display->SetPosition(corner);
    CWaitCursor wait;
    UpdateFrame(item);
}

void CCantrelItem::UpdateFrame(CScoreCntrItem* item) {
    CCantrel* view = GetView(item);
    DCctBase* display = view ? DisplayOf(item) : nullptr;
    if (!display)
        return;
    {
        CClientDC dc(view);
        view->OnPrepareDC(&dc);
        display->SetFrameDirty(1);
        display->SetSize(&dc);
    }
    if (ECPerformance* performance = view->GetBaseEvent()) {
        auto* edit = new SCEventEdit(STATE_EVENTS_EDITED);
        edit->AddItem(item->GetECFrame(), EDITITEM_NOTATION_DATA);
        edit->Apply(performance);
    }
}

void CCantrelItem::OnChange(CScoreCntrItem* item, int notification, DWORD param) {
    CCantrel* view = GetView(item);
    if (!view)
        return;
    CScoreItemView& state = CScoreItemView::Of(*item);
    auto refreshExtent = [item] { SetExtentFromData(*item); };
    switch (notification) {
    case OLE_CHANGED:
        // The copy for the clipboard reads the object as it is.
        if (view->IsCopying())
            return;
        refreshExtent();
        UpdateFrame(item);
        break;
    case OLE_CHANGED_STATE:
        state.SetItemState(static_cast<int>(param));
        if (param == loadedState) {
            if (CFrameWnd* frame = view->GetParentFrame())
                frame->ActivateFrame();
            UpdateFrame(item);
        } else if (param == openState) {
            UpdateFrame(item);
        }
        break;
    case OLE_CLOSED:
        UpdateFrame(item);
        break;
    case OLE_CHANGED_ASPECT:
        item->SetDrawAspect(static_cast<uint16_t>(param));
        refreshExtent();
        UpdateFrame(item);
        break;
    default:
        break;
    }
}

int CCantrelItem::DoOpen(CScoreCntrItem* item) {
    CCantrel* view = GetView(item);
    if (!view || !item->GetForeignClassName().empty())
        return 0;
    CScoreItemView& state = CScoreItemView::Of(*item);
    if (!state.PrepareOpenedFile(*item))
        return 0;
    // Saves there come back: the bytes read again, the extent, the drawing
    // and the document's modified mark follow.
    state.Watch([item] {
        CScoreItemView* watched = dynamic_cast<CScoreItemView*>(item->GetState());
        CCantrel* shown = GetView(item);
        std::vector<uint8_t> bytes;
        if (!watched || !shown || !ReadWholeFile(watched->GetOpenedPath(), bytes) || bytes == item->GetData())
            return;
        item->SetData(std::move(bytes));
        OnChange(item, OLE_CHANGED, 0);
        shown->Invalidate();
        if (CDocument* document = shown->GetDocument())
            document->SetModifiedFlag(TRUE);
    });
    const HINSTANCE_SHELL result =
        ShellExecute(view->GetSafeHwnd(), "open", state.GetOpenedPath().c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    if (result <= 32)
        return 0;
    OnChange(item, OLE_CHANGED_STATE, openState);
    return 1;
}
