// CScoreItemView: what the notation side keeps with an embedded object's
// item (the item owns it, model/frame.h CScoreItemState): the decoded
// picture, the item's state, and, once the object was opened, the copy
// handed to the desktop and the watcher on it (or on a linked file).
//
// The opened copy is a temporary file of its own, deleted with the state;
// the view is never kept (it is looked up at each use, so a closed view
// leaves nothing dangling). CScoreItemDrawing (notation/display/frame.h) is
// the item's behaviour that uses it.
//
// UI thread only.
#pragma once

#include "model/frame.h"
#include "notation/display/frame.h"
#include "platform/core/filewatch.h"

#include <memory>
#include <string>

class CScoreItemView : public CScoreItemState {
public:
    CScoreItemView() = default;
    // The temporary copy (and the unique name reserved for it) deleted.
    ~CScoreItemView() override;

    // The item's state, made when it has none (or one of another side).
    static CScoreItemView& Of(CScoreCntrItem& item);

    CScoreItemPicture& GetPicture() { return m_picture; }
    int GetItemState() const { return m_nItemState; }
    void SetItemState(int state) { m_nItemState = state; }
    // Where the opened object lives: the temporary copy, or the linked file;
    // empty until opened.
    const std::string& GetOpenedPath() const { return m_openedPath; }
    // The copy of `item`'s bytes written afresh (a linked object: its own
    // file); false when it cannot be written.
    bool PrepareOpenedFile(const CScoreCntrItem& item);
    // Watches the opened file; `onChange` runs after each save there.
    void Watch(std::function<void()> onChange);

private:
    void RemoveCopy();

    CScoreItemPicture m_picture;
    int m_nItemState = CScoreItemDrawing::loadedState;
    std::string m_openedPath;
    std::string m_reservedPath;              // the unique name the copy's is made from
    bool m_ownsOpened = false;               // the opened file is our copy
    std::unique_ptr<CFileWatcher> m_watcher; // owned; set once opened
};
