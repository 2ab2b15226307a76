#include "platform/ui/doctemplate.h"

#include "platform/core/resources.h"
#include "platform/core/trace.h"
#include "platform/ui/document.h"
#include "platform/ui/frame.h"
#include "platform/ui/menu.h"
#include "platform/ui/prompt.h"
#include "platform/ui/uiresources.h"

#include <algorithm>
#include <cstdint>

namespace {

// The extension of a file name, with its dot, lower case; empty when none.
std::string ExtensionOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    std::string extension = path.substr(dot);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

}  // namespace

// ---- CDocTemplate -----------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CDocTemplate, CCmdTarget)

const char* const CDocTemplate::kFailedToCreateDoc = "Failed to create empty document.";

CDocTemplate::CDocTemplate(UINT nIDResource, const CRuntimeClass* pDocClass, const CRuntimeClass* pFrameClass,
                           const CRuntimeClass* pViewClass)
    : m_nIDResource(nIDResource), m_pDocClass(pDocClass), m_pFrameClass(pFrameClass), m_pViewClass(pViewClass) {}

CDocTemplate::~CDocTemplate() = default;

BOOL CDocTemplate::GetDocString(std::string& rString, DocStringIndex index) const {
    rString.clear();
    std::string full;
    if (!LoadString(m_nIDResource, full))
        return FALSE;
    std::size_t start = 0;
    for (int part = 0; part < index; ++part) {
        start = full.find('\n', start);
        if (start == std::string::npos)
            return FALSE;
        ++start;
    }
    rString = full.substr(start, full.find('\n', start) - start);
    return !rString.empty();
}

void CDocTemplate::AddDocument(CDocument* pDoc) {
    pDoc->m_pDocTemplate = this;
}

void CDocTemplate::RemoveDocument(CDocument* pDoc) {
    pDoc->m_pDocTemplate = nullptr;
}

CDocTemplate::Confidence CDocTemplate::MatchDocType(const char* lpszPathName, CDocument*& rpDocMatch) {
    rpDocMatch = nullptr;
    const std::string path = lpszPathName ? lpszPathName : "";
    for (POSITION position = GetFirstDocPosition(); position;) {
        CDocument* document = GetNextDoc(position);
        if (!path.empty() && document->GetPathName() == path) {
            rpDocMatch = document;
            return yesAlreadyOpen;
        }
    }
    std::string filter;
    if (GetDocString(filter, filterExt)) {
        // The filter may list several extensions ("*.sw;*.swx" or ".sw").
        const std::string extension = ExtensionOf(path);
        for (std::size_t start = 0; start <= filter.size();) {
            std::size_t end = filter.find(';', start);
            if (end == std::string::npos)
                end = filter.size();
            std::string one = filter.substr(start, end - start);
            if (!one.empty() && one[0] == '*')
                one.erase(0, 1);
            if (!extension.empty() && ExtensionOf("x" + one) == extension)
                return yesAttemptNative;
            start = end + 1;
        }
    }
    return yesAttemptForeign;
}

CDocument* CDocTemplate::CreateNewDocument() {
    if (!m_pDocClass) {
        Trace("CDocTemplate::CreateNewDocument: no document class\n");
        return nullptr;
    }
    CObject* made = m_pDocClass->CreateObject();
    auto* document = DYNAMIC_DOWNCAST(CDocument, made);
    if (!document) {
        Trace("CDocTemplate::CreateNewDocument: %s is no creatable document\n", m_pDocClass->m_lpszClassName);
        delete made;
        return nullptr;
    }
    AddDocument(document);
    return document;
}

CFrameWnd* CDocTemplate::CreateNewFrame(CDocument* pDoc, CFrameWnd* pOther) {
    CCreateContext context;
    context.m_pCurrentFrame = pOther;
    context.m_pCurrentDoc = pDoc;
    context.m_pNewViewClass = m_pViewClass;
    context.m_pNewDocTemplate = this;
    CObject* made = m_pFrameClass ? m_pFrameClass->CreateObject() : nullptr;
    auto* frame = DYNAMIC_DOWNCAST(CFrameWnd, made);
    if (!frame) {
        Trace("CDocTemplate::CreateNewFrame: no creatable frame class\n");
        delete made;
        return nullptr;
    }
    // A frame that fails to load is gone (see CFrameWnd::Create).
    if (!frame->LoadFrame(m_nIDResource, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, nullptr, &context)) {
        Trace("CDocTemplate::CreateNewFrame: the frame could not be made\n");
        return nullptr;
    }
    return frame;
}

void CDocTemplate::InitialUpdateFrame(CFrameWnd* pFrame, CDocument* pDoc, BOOL bMakeVisible) {
    pFrame->InitialUpdateFrame(pDoc, bMakeVisible);
}

BOOL CDocTemplate::SaveAllModified() {
    for (POSITION position = GetFirstDocPosition(); position;)
        if (!GetNextDoc(position)->SaveModified())
            return FALSE;
    return TRUE;
}

void CDocTemplate::CloseAllDocuments(BOOL) {
    // A close removes the document (and may close others): walk a copy and
    // skip the documents gone meanwhile.
    std::vector<CDocument*> documents;
    for (POSITION position = GetFirstDocPosition(); position;)
        documents.push_back(GetNextDoc(position));
    for (CDocument* document : documents) {
        bool present = false;
        for (POSITION position = GetFirstDocPosition(); position && !present;)
            present = GetNextDoc(position) == document;
        if (present)
            document->OnCloseDocument();
    }
}

// ---- CMultiDocTemplate ------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CMultiDocTemplate, CDocTemplate)

CMultiDocTemplate::CMultiDocTemplate(UINT nIDResource, const CRuntimeClass* pDocClass,
                                     const CRuntimeClass* pFrameClass, const CRuntimeClass* pViewClass)
    : CDocTemplate(nIDResource, pDocClass, pFrameClass, pViewClass),
      m_hAccelTable(LoadAccelerators(nIDResource)),
      m_pMenuShared(LoadMenu(nIDResource)) {}

CMultiDocTemplate::~CMultiDocTemplate() {
    for (CDocument* document : m_docList)
        document->m_pDocTemplate = nullptr;
}

POSITION CMultiDocTemplate::GetFirstDocPosition() const {
    return m_docList.empty() ? nullptr : PositionOfIndex(0);
}

CDocument* CMultiDocTemplate::GetNextDoc(POSITION& rPos) const {
    const std::size_t index = IndexOfPosition(rPos);
    if (index >= m_docList.size()) {
        rPos = nullptr;
        return nullptr;
    }
    rPos = index + 1 < m_docList.size() ? PositionOfIndex(index + 1) : nullptr;
    return m_docList[index];
}

void CMultiDocTemplate::AddDocument(CDocument* pDoc) {
    if (!pDoc || std::find(m_docList.begin(), m_docList.end(), pDoc) != m_docList.end())
        return;
    if (pDoc->m_pDocTemplate && pDoc->m_pDocTemplate != this)
        pDoc->m_pDocTemplate->RemoveDocument(pDoc);
    CDocTemplate::AddDocument(pDoc);
    m_docList.push_back(pDoc);
}

void CMultiDocTemplate::RemoveDocument(CDocument* pDoc) {
    auto found = std::find(m_docList.begin(), m_docList.end(), pDoc);
    if (found == m_docList.end())
        return;
    m_docList.erase(found);
    CDocTemplate::RemoveDocument(pDoc);
}

void CMultiDocTemplate::SetDefaultTitle(CDocument* pDocument) {
    std::string name;
    if (!GetDocString(name, docName))
        name = "Untitled";
    pDocument->SetTitle(name + std::to_string(m_nUntitledCount + 1));
}

CDocument* CMultiDocTemplate::OpenDocumentFile(const char* lpszPathName, BOOL bMakeVisible) {
    CDocument* document = CreateNewDocument();
    if (!document) {
        ShowPrompt(kFailedToCreateDoc, MB_ICONEXCLAMATION);
        return nullptr;
    }
    // The document must survive its frame's making, whatever happens to it.
    const bool autoDelete = document->m_bAutoDelete;
    document->m_bAutoDelete = false;
    CFrameWnd* frame = CreateNewFrame(document, nullptr);
    document->m_bAutoDelete = autoDelete;
    if (!frame) {
        ShowPrompt(kFailedToCreateDoc, MB_ICONEXCLAMATION);
        if (autoDelete)
            delete document;
        else
            RemoveDocument(document);
        return nullptr;
    }
    if (!lpszPathName) {
        SetDefaultTitle(document);
        if (!document->OnNewDocument()) {
            Trace("CMultiDocTemplate::OpenDocumentFile: OnNewDocument failed\n");
            document->OnCloseDocument();   // its frame goes with it
            return nullptr;
        }
        ++m_nUntitledCount;
    } else {
        if (!document->OnOpenDocument(lpszPathName)) {
            // The document reported what went wrong.
            document->OnCloseDocument();
            return nullptr;
        }
        document->SetPathName(lpszPathName);
    }
    InitialUpdateFrame(frame, document, bMakeVisible);
    return document;
}
