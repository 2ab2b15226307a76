#include "platform/ui/docmanager.h"

#include "platform/core/trace.h"
#include "platform/ui/app.h"
#include "platform/ui/document.h"
#include "platform/ui/frame.h"
#include "platform/ui/prompt.h"

#include <filesystem>

namespace {

CDocManager::PromptFileNameHook& PromptFileName() {
    static CDocManager::PromptFileNameHook hook;
    return hook;
}

// The path as documents keep it: absolute and normal (the file need not exist).
std::string FullPath(const char* path) {
    std::error_code error;
    std::filesystem::path full = std::filesystem::absolute(path, error);
    if (error)
        return path;
    return full.lexically_normal().string();
}

}  // namespace

const char* const CDocManager::kFailedToOpenDoc = "Failed to open document.";

CDocManager::CDocManager() = default;

CDocManager::~CDocManager() = default;

CDocManager::PromptFileNameHook CDocManager::SetPromptFileNameHook(PromptFileNameHook hook) {
    PromptFileNameHook previous = std::move(PromptFileName());
    PromptFileName() = std::move(hook);
    return previous;
}

void CDocManager::AddDocTemplate(CDocTemplate* pTemplate) {
    if (!pTemplate)
        return;
    for (const auto& owned : m_templateList)
        if (owned.get() == pTemplate)
            return;
    m_templateList.emplace_back(pTemplate);
}

POSITION CDocManager::GetFirstDocTemplatePosition() const {
    return m_templateList.empty() ? nullptr : PositionOfIndex(0);
}

CDocTemplate* CDocManager::GetNextDocTemplate(POSITION& pos) const {
    const std::size_t index = IndexOfPosition(pos);
    if (index >= m_templateList.size()) {
        pos = nullptr;
        return nullptr;
    }
    pos = index + 1 < m_templateList.size() ? PositionOfIndex(index + 1) : nullptr;
    return m_templateList[index].get();
}

int CDocManager::GetOpenDocumentCount() const {
    int count = 0;
    for (const auto& docTemplate : m_templateList)
        for (POSITION position = docTemplate->GetFirstDocPosition(); position; ++count)
            docTemplate->GetNextDoc(position);
    return count;
}

CDocument* CDocManager::OpenDocumentFile(const char* lpszFileName) {
    if (!lpszFileName || !*lpszFileName)
        return nullptr;
    const std::string path = FullPath(lpszFileName);
    CDocTemplate* best = nullptr;
    CDocTemplate::Confidence bestMatch = CDocTemplate::noAttempt;
    CDocument* open = nullptr;
    for (const auto& docTemplate : m_templateList) {
        CDocument* match = nullptr;
        const CDocTemplate::Confidence confidence = docTemplate->MatchDocType(path.c_str(), match);
        if (confidence > bestMatch) {
            bestMatch = confidence;
            best = docTemplate.get();
        }
        if (confidence == CDocTemplate::yesAlreadyOpen) {
            open = match;
            break;
        }
    }
    if (open) {
        // Already open: its frame comes to the front (and the frame around it).
        if (!open->GetViews().empty())
            if (CFrameWnd* frame = open->GetViews().front()->GetParentFrame()) {
                frame->ActivateFrame();
                if (CFrameWnd* outer = frame->GetParentFrame())
                    outer->ActivateFrame();
            }
        return open;
    }
    if (!best) {
        ShowPrompt(kFailedToOpenDoc, MB_ICONEXCLAMATION);
        return nullptr;
    }
    return best->OpenDocumentFile(path.c_str());
}

void CDocManager::OnFileNew() {
    if (m_templateList.empty()) {
        Trace("CDocManager::OnFileNew: no document template\n");
        return;
    }
    // FIXME: with several templates the user should choose the kind of
    // document; the first one is taken until a chooser exists.
    m_templateList.front()->OpenDocumentFile(nullptr);
}

void CDocManager::OnFileOpen() {
    std::string fileName;
    if (!DoPromptFileName(fileName, TRUE, nullptr) || fileName.empty())
        return;
    if (CWinApp* app = AfxGetApp())
        app->OpenDocumentFile(fileName.c_str());
    else
        OpenDocumentFile(fileName.c_str());
}

BOOL CDocManager::DoPromptFileName(std::string& fileName, BOOL bOpenFileDialog, CDocTemplate* pTemplate) {
    return PromptFileName() && PromptFileName()(fileName, bOpenFileDialog, pTemplate);
}

BOOL CDocManager::SaveAllModified() {
    for (const auto& docTemplate : m_templateList)
        if (!docTemplate->SaveAllModified())
            return FALSE;
    return TRUE;
}

void CDocManager::CloseAllDocuments(BOOL bEndSession) {
    for (const auto& docTemplate : m_templateList)
        docTemplate->CloseAllDocuments(bEndSession);
}
