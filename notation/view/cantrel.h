// CCantrel: the notation view.
//
// It shows one performance as engraved notation and keeps it notated: it
// owns the automatic notation engine, attached to itself at construction,
// through which the engine reads the performance, the conductor and whether
// the document is modified.
//
// So far it holds its performance and its engine; the window, pagination,
// drawing and the command and state handling come with the score window.
// UI thread only.
#pragma once

#include "notation/autonote/autonote.h"
#include "notation/view/pagenate.h"
#include "platform/ui/document.h"

class ECPerformance;

class CCantrel : public CView {
    DECLARE_DYNAMIC(CCantrel)
public:
    CCantrel();
    ~CCantrel() override;

    // The performance shown (borrowed; null when none is attached). Setting
    // it only stores it here.
    ECPerformance* GetBaseEvent() const { return m_pBaseEvent; }
    void SetBaseEvent(ECPerformance* performance) { m_pBaseEvent = performance; }

    CAutoNote& GetAutoNote() { return m_autoNote; }
    // Pagination, bound to this view and to the engine's notate info and
    // update list at construction.
    CPagenate& GetPagenate() { return m_pagenate; }
    // Whether the document shown reports unsaved changes; 0 without one.
    int IsDocumentModified() const;

private:
    ECPerformance* m_pBaseEvent = nullptr;   // borrowed, may be null
    CAutoNote m_autoNote;                    // owned
    CPagenate m_pagenate;                    // owned
};
