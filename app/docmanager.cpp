#include "app/docmanager.h"

#include "app/newdocdlg.h"
#include "interface/document/opusdoc.h"
#include "interface/document/opustemplate.h"
#include "interface/document/pluginrecords.h"
#include "model/appstates.h"
#include "model/performance.h"
#include "model/preferences.h"
#include "platform/ui/app.h"
#include "platform/ui/frame.h"

#include <filesystem>
#include <vector>

namespace {

// Open's extra flags: several files, each of which must exist, no read-only box.
constexpr DWORD kOpenFlags = OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;

// Whether any frame of the document's views shows.
bool HasVisibleFrame(CDocument* document) {
    for (CView* view : document->GetViews())
        if (CFrameWnd* frame = view->GetParentFrame(); frame && frame->IsWindowVisible())
            return true;
    return false;
}

}  // namespace

MCDocManager::MCDocManager() = default;

MCDocManager::~MCDocManager() = default;

MCOpusTemplate* MCDocManager::GetOpusTemplate() const {
    POSITION position = GetFirstDocTemplatePosition();
    return position ? DYNAMIC_DOWNCAST(MCOpusTemplate, GetNextDocTemplate(position)) : nullptr;
}

void MCDocManager::OnFileNew() {
    MCOpusTemplate* docTemplate = GetOpusTemplate();
    if (!docTemplate)
        return;
    CNewDocDlg dialog(AfxGetMainWnd());
    if (dialog.DoModal() != IDOK)
        return;
    CDocument* document = dialog.GetTemplatePath().empty()
                              ? docTemplate->OpenDocumentFile(nullptr, TRUE)
                              : docTemplate->OpenDocumentTemplate(dialog.GetTemplatePath().c_str(), TRUE);
    OnDocumentOpened(document, 1);
}

void MCDocManager::OnFileOpen() {
    std::string names;
    if (!m_openDialog.DoPromptFileName(names, AFX_IDS_OPENFILE, kOpenFlags))
        return;
    std::vector<std::string> paths;
    for (size_t start = 0; start <= names.size();) {
        const size_t end = names.find('\0', start);
        paths.push_back(names.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    for (const std::string& path : paths) {
        if (path.empty())
            continue;
        if (CWinApp* app = AfxGetApp())
            app->OpenDocumentFile(path.c_str());
        else
            OpenDocumentFile(path.c_str());
    }
}

std::string MCDocManager::NormalizeShellPath(const char* path) {
    std::string name = path ? path : "";
    if (!name.empty() && name.front() == '"')
        name.erase(0, 1);
    if (const size_t quote = name.rfind('"'); quote != std::string::npos)
        name.erase(quote);
    if (name.empty())
        return name;
    std::error_code error;
    std::filesystem::path full = std::filesystem::absolute(name, error);
    if (error)
        return name;
    full = full.lexically_normal();
    // A link stands here for the shell's shortcut: the document is its target.
    if (std::filesystem::is_symlink(full, error)) {
        const std::filesystem::path target = std::filesystem::canonical(full, error);
        if (!error)
            full = target;
    }
    return full.string();
}

CDocument* MCDocManager::OpenDocumentFile(const char* path) {
    const std::string name = NormalizeShellPath(path);
    MCOpusTemplate* docTemplate = GetOpusTemplate();
    if (name.empty() || !docTemplate)
        return nullptr;

    CDocument* open = nullptr;
    docTemplate->MatchDocType(name.c_str(), open);   // only the match counts, never the confidence
    if (!open) {
        CDocument* document = docTemplate->OpenDocumentFile(name.c_str(), TRUE);
        OnDocumentOpened(document, 0);
        return document;
    }
    if (!open->GetViews().empty())
        if (CFrameWnd* frame = open->GetViews().front()->GetParentFrame()) {
            frame->ActivateFrame();
            CWnd* main = AfxGetMainWnd();
            if (CFrameWnd* outer = frame->GetParentFrame(); outer && outer != frame)
                outer->ActivateFrame();
            else if (auto* mainFrame = DYNAMIC_DOWNCAST(CFrameWnd, main); mainFrame && mainFrame != frame)
                mainFrame->ActivateFrame();
        }
    return open;
}

int MCDocManager::OnDocumentOpened(CDocument* document, int madeNew) {
    auto* opus = DYNAMIC_DOWNCAST(MCOpusDoc, document);
    if (!opus)
        return 0;
    MCOpusDoc::SetActiveDoc(opus);
    if (ECPerformance* performance = opus->GetBaseEvent())
        (new SCFile(madeNew ? STATE_FILE_NEW : STATE_FILE_OPENED))->Apply(performance);

    MCPtrList& records = CPluginView::GetPlugins();
    for (POSITION position = records.GetHeadPosition(); position;) {
        auto* record = static_cast<CPluginView*>(records.GetNext(position));
        std::string menuName;
        record->LoadMenuString(menuName);
        if (LoadIntPreference("Views\\" + menuName, "Visible", 0))
            opus->GetViewFrame(record->GetViewID(), 1);
    }

    // Every view's "Visible" is off on a fresh profile, and the template made
    // its frame hidden: show that frame rather than leave an open document
    // nobody can see.
    if (!HasVisibleFrame(opus) && !opus->GetViews().empty()) {
        CView* first = opus->GetViews().front();
        if (const CPluginView* record = CPluginView::FindPlugin(first->GetRuntimeClass()))
            opus->GetViewFrame(record->GetViewID(), 1);
        else if (CFrameWnd* frame = first->GetParentFrame())
            frame->ActivateFrame(SW_SHOWNORMAL);
    }
    return 1;
}
