#include "notation/view/cantrel.h"

IMPLEMENT_DYNAMIC(CCantrel, CView)

CCantrel::CCantrel() {
    m_autoNote.Attach(this);
    m_pagenate.SetView(this);
    m_pagenate.SetNotateInfo(&m_autoNote.GetNotateInfo(), &m_autoNote.GetDirtyRect());
}

CCantrel::~CCantrel() = default;

int CCantrel::IsDocumentModified() const {
    const CDocument* document = GetDocument();
    return document ? document->IsModified() : 0;
}
