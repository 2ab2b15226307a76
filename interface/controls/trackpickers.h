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

// What the three pickers share: the document and its refresh.
template <class TBase>
class MCTrackPicker : public TBase {
public:
    // Keeps the document; with `refresh` non-zero, RefreshTracks.
    void SetDocument(MCOpusDoc* doc, int refresh) {
        m_pDoc = doc;
        if (refresh)
            RefreshTracks();
    }
    MCOpusDoc* GetDocument() const { return m_pDoc; }
    // Empties the control and lists the document's staves (none without one).
    virtual void RefreshTracks() = 0;

protected:
    MCOpusDoc* m_pDoc = nullptr;   // not owned
};

class MCTrackBox : public MCTrackPicker<CComboBox> {
    DECLARE_DYNAMIC(MCTrackBox)
public:
    void RefreshTracks() override;
};

class MCTrackList : public MCTrackPicker<CListBox> {
    DECLARE_DYNAMIC(MCTrackList)
public:
    void RefreshTracks() override;
};

class MCTrackCheckList : public MCTrackPicker<MCCheckList> {
    DECLARE_DYNAMIC(MCTrackCheckList)
public:
    // Each staff unchecked.
    void RefreshTracks() override;
    // Empties `tracks`, then appends the staff of each checked item from the
    // first item to the last; answers the count.
    int GetSelectedTracks(MCEventList& tracks);
};
