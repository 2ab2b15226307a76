#include "notation/view/cantrel.h"

IMPLEMENT_DYNAMIC(CCantrel, CView)

CCantrel::CCantrel() {
    m_autoNote.Attach(this);
}

CCantrel::~CCantrel() = default;

int CCantrel::IsDocumentModified() const {
    const CDocument* document = GetDocument();
    return document ? document->IsModified() : 0;
}
