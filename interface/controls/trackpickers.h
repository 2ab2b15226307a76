// The track pickers: controls that list the staves of a document so that a
// dialog can pick one (MCTrackBox, a drop-down combo box), order them
// (MCTrackList, a list box) or pick several (MCTrackCheckList, a check list).
//
// An entry stands for one staff: its text is the staff's name, or
// "%02d)  Track %d" with its position from 1 when the staff has none (a
// staff still carrying its default name "Track n" counts as unnamed, so the
// position shows); its item data is the ECStaff. The entries follow the
// staves' order under the conductor, found by a search two levels deep from
// the performance.
//
// Ownership: the document and the staves are the caller's; the item data
// is a plain pointer, valid while the document's tree keeps the staff, so a
// dialog refreshes (RefreshTracks) after changing the staves.
// User-interface thread only.
#pragma once

#include "interface/controls/checklist.h"
#include "platform/ui/lists.h"

#include <string>
#include <vector>

class ECStaff;
class MCEventList;
class MCOpusDoc;

// One entry of a track picker.
struct MCTrackEntry {
    std::string text;
    ECStaff* staff;   // not owned
};

// The entries for the staves of `doc`'s performance, in order; none for a
// null document or one without a performance.
std::vector<MCTrackEntry> MCFindTrackEntries(MCOpusDoc* doc);

class MCTrackBox : public CComboBox {
    DECLARE_DYNAMIC(MCTrackBox)
public:
    MCTrackBox() = default;

    // Keeps the document; with `refresh` non-zero, RefreshTracks.
    void SetDocument(MCOpusDoc* doc, int refresh);
    MCOpusDoc* GetDocument() const { return m_pDoc; }
    // Empties the box and lists the document's staves (none without one).
    void RefreshTracks();

private:
    MCOpusDoc* m_pDoc = nullptr;   // not owned
};

class MCTrackList : public CListBox {
    DECLARE_DYNAMIC(MCTrackList)
public:
    MCTrackList() = default;

    void SetDocument(MCOpusDoc* doc, int refresh);
    MCOpusDoc* GetDocument() const { return m_pDoc; }
    void RefreshTracks();

private:
    MCOpusDoc* m_pDoc = nullptr;   // not owned
};

class MCTrackCheckList : public MCCheckList {
    DECLARE_DYNAMIC(MCTrackCheckList)
public:
    MCTrackCheckList() = default;

    void SetDocument(MCOpusDoc* doc, int refresh);
    MCOpusDoc* GetDocument() const { return m_pDoc; }
    // Empties the list and lists the staves, each unchecked.
    void RefreshTracks();
    // Empties `tracks`, then appends the staff of each checked item from the
    // first item to the last; answers the count.
    int GetSelectedTracks(MCEventList& tracks);

private:
    MCOpusDoc* m_pDoc = nullptr;   // not owned
};
