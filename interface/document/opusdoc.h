// The document: one open piece.
//
// MCOpusDoc owns the file header, the performance engine's sequence, the
// current and the previous selection and the last transport state, and holds
// one reference on the root of the piece's event tree while it has one. Every
// state notification applied to its performance reaches OnUpdate, which keeps
// the selections, the modified flag and the transport state from it and then
// passes it to the sequence and to every view. One document is the active one;
// its performance is then the active performance.
//
// Closing hands the tree to a release thread of its own, which frees it while
// the user-interface thread goes on; the program waits for those threads at
// exit (WaitThreadsFinished).
//
// User-interface thread only, except ThreadDestroyProc (a release thread).
#pragma once

#include "interface/document/opusheader.h"
#include "model/appstates.h"
#include "platform/ui/document.h"
#include "sequencer/enginestates.h"
#include "sequencer/sequence.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

class CEvent;
class CRootStorage;
class ECBase;
class ECPerformance;

class MCOpusDoc : public CDocument {
    DECLARE_DYNCREATE(MCOpusDoc)
public:
    // Header DF_UNKNOWN, version 2; both selections STATE_SELECTION_REPLACE
    // and kept; the transport state STATE_PERFORM_STOP and kept; no
    // performance. Makes the close event (signalled) when there is none.
    MCOpusDoc();
    // DeleteContents; then the temporary copy, if any, is deleted.
    ~MCOpusDoc() override;

    MCOpusHeader* GetHeader() { return &m_header; }
    CSequence* GetSequence() { return &m_sequence; }
    ECPerformance* GetBaseEvent() const { return m_pPerformance; }
    // The current selection for 0, the previous one otherwise.
    SCSelection& GetSelection(int previous) { return previous ? m_previousSelection : m_selection; }
    SCPerform& GetPerformState() { return m_performState; }

    // A new performance, held by the document, with OnUpdate registered as
    // its state handler and, when asked, a conductor. Does not attach the
    // sequence; an earlier performance must have been destroyed already.
    ECPerformance* CreatePerformance(int withConductor);
    // Detaches the sequence and hands the tree (its handlers removed) to a
    // release thread; the document has no performance afterwards.
    void DestroyPerformance();
    // The release thread: frees the tree and the document's reference.
    static unsigned long ThreadDestroyProc(void* performance);
    // Waits at most 5000 ms until no release thread runs; with `closeEvent`
    // the close event goes too (a later document makes a new one).
    static void WaitThreadsFinished(int closeEvent);

    static MCOpusDoc* GetActiveDoc() { return s_pActiveDoc; }
    // Makes `doc` the active document and its performance the active one;
    // returns the document active before (the same one, untouched, when it
    // already was).
    static MCOpusDoc* SetActiveDoc(MCOpusDoc* doc);

    // The frame showing view `viewId` (a registered view record): the frame
    // of the first view of the record's view class, else a new one the
    // document's template makes (MCOpusTemplate::CreateNewFrameClass). With
    // `show` the frame is shown (a new one gets its initial update first)
    // and activated. Null for an unknown view id, or when no frame can be
    // had (no such template, creation failed).
    CFrameWnd* GetViewFrame(unsigned viewId, int show);

    // A document opened for another program's use (a template opened without
    // being shown) counts as embedded.
    int IsEmbedded() const { return m_bEmbedded; }
    void SetEmbedded(int embedded) { m_bEmbedded = embedded != 0; }

    // The state handler registered with the performance; `user` is the document.
    static int _OnUpdate(ECBase* performance, int phase, void* state, void* user);
    // Keeps selections, modified flag and transport state from a notification,
    // then passes it to the sequence and to every view.
    virtual void OnUpdate(long code, CObject* state);

    // Stores the file's status in the header, then the path.
    void SetPathName(const char* path, int addToRecent = 1) override;
    // Clears both selections, then DestroyPerformance.
    void DeleteContents() override;
    // A performance with a conductor, the sequence attached. 1.
    int OnNewDocument() override;
    // Stops the sequence, announces STATE_FILE_CLOSED, gives up being the
    // active document, then the base close.
    void OnCloseDocument() override;

    // ---- files (opusdocfile.cpp) ----

    // The document's stream: a MIDI file (tried first), or the native layout
    // "MMMF", version, the tree, the after-load pass, the sequence.
    void Serialize(CArchive& ar) override;
    // Opens a compound file, or a plain file through a compound-file view of
    // it, and reads its "Contents". 1 on success; failures are reported.
    int OnOpenDocument(const char* path) override;
    // Saves in the header's format (asking first to save natively when it is
    // not native, and before a native file replaces another document's). 1 on
    // success, when the header takes the format saved in and the document
    // the path; failures are reported and keep the old file, the format and
    // the path.
    int OnSaveDocument(const char* path) override;
    // A document opened through a temporary copy asks for a new path, since
    // the copy goes with the document.
    int DoFileSave() override;
    // Opens (or makes over a plain file) the root storage of `path`; throws.
    void CreateRootStorage(const char* path);
    // Lets go of the root storage without committing.
    void ReleaseRootStorage();
    // Reads the stream "Contents" of the root storage; throws.
    void LoadFromStorage();
    CRootStorage* GetRootStorage() const { return m_pRootStorage.get(); }
    // A number for a new embedded object's item that no item of the document
    // (also one still on its way into the tree) and no storage of its file
    // uses (itemstorage.h).
    uint32_t GetNewItemNumber();

    // The texts of the file flows, by string id.
    enum : unsigned {
        IDS_SAVE_NATIVE_QUESTION = 11570,
        IDS_REPLACE_NATIVE_QUESTION = 11571,   // "%s": the file in the way
        IDS_CANNOT_OPEN = 11575,
    };
    static const char* const kMidiType2NotSupported;

    // The temporary copy a read-only file was opened through; deleted with
    // the document. Empty when none.
    const std::string& GetTempCopyPath() const { return m_strTempCopyPath; }
    void SetTempCopyPath(const std::string& path) { m_strTempCopyPath = path; }

    // Release threads still running (for tests and the exit wait).
    static int GetCloseThreadCount() { return s_closeThreadCount.load(); }

private:
    // Frees a tree and counts its release as ended.
    static void ReleaseTree(ECPerformance* performance, CEvent* closeEvent);

    // Writes the stream "Contents" natively and commits it to `path`.
    void SaveNative(const std::string& path);
    // Writes a plain (MIDI) file and views it again as the root storage.
    void SavePlain(const std::string& path);
    // Where a document the user agreed to save natively goes: `target` with
    // the extension "mmm". Another file already there is replaced only on
    // the user's Yes; No lets the user choose a path in the save dialog
    // (`format` then follows the name typed). False when nothing is to be
    // saved.
    bool ChooseNativePath(std::string& target, int& format);
    // A tree with a conductor, the sequence attached: an empty piece.
    void MakeEmptyPiece();

    MCOpusHeader m_header;
    CSequence m_sequence;
    SCSelection m_selection;
    SCSelection m_previousSelection;
    SCPerform m_performState;
    ECPerformance* m_pPerformance = nullptr;   // one reference held while set
    std::string m_strTempCopyPath;
    std::unique_ptr<CRootStorage> m_pRootStorage;   // owned; null when none
    uint32_t m_dwLastItemNumber = 0;                // the last GetNewItemNumber gave
    int m_bEmbedded = 0;

    static MCOpusDoc* s_pActiveDoc;
    static std::shared_ptr<CEvent> s_hCloseEvent;   // shared with running release threads
    static std::atomic<int> s_closeThreadCount;
};
