#include "interface/controls/trackpickers.h"

#include "interface/document/opusdoc.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/performance.h"
#include "model/staff.h"
#include "platform/core/resources.h"
#include "sequencer/performer.h"
#include "sequencer/trackperformer.h"

#include <cstdio>

IMPLEMENT_DYNAMIC(MCTrackBox, CComboBox)
IMPLEMENT_DYNAMIC(MCTrackList, CListBox)
IMPLEMENT_DYNAMIC(MCTrackCheckList, MCCheckList)

namespace {

constexpr unsigned IDS_TRACK_NUMBER = 11531;

STRING_TABLE({IDS_TRACK_NUMBER, "%02d)  Track %d"});

// The name the user gave the staff; empty when none. The performer writes an
// unnamed track as "Track n" (by its number): that is no name of the user's.
std::string GivenName(ECStaff* staff) {
    auto* track = dynamic_cast<DCsqTrack*>(DCsqBase::GetPerformer(staff, 0));
    if (!track)
        return {};
    std::string name = track->GetTrackName();
    char standIn[32];
    std::snprintf(standIn, sizeof standIn, "Track %d", track->GetTrackNumber());
    return name == standIn ? std::string() : name;
}

// A combo box or list box (both unsorted): one entry per staff, at its position.
template <class List>
void FillStringList(List& list, MCOpusDoc* doc) {
    list.ResetContent();
    int index = 0;
    for (const MCTrackEntry& entry : MCFindTrackEntries(doc)) {
        list.AddString(entry.text.c_str());
        list.SetItemDataPtr(index++, entry.staff);
    }
}

}  // namespace

std::vector<MCTrackEntry> MCFindTrackEntries(MCOpusDoc* doc) {
    std::vector<MCTrackEntry> entries;
    ECPerformance* performance = doc ? doc->GetBaseEvent() : nullptr;
    if (!performance)
        return entries;
    ACFindEvents find;
    find.SetDepth(2);
    find.AddEvtType(ET_STAFF);
    find.Apply(performance);
    MCEventList& staves = find.GetEvents();
    for (POSITION pos = staves.GetHeadPosition(); pos;) {
        auto* staff = static_cast<ECStaff*>(staves.GetNext(pos));
        std::string text = GivenName(staff);
        if (text.empty()) {
            const int position = static_cast<int>(entries.size()) + 1;
            char buffer[64];
            std::snprintf(buffer, sizeof buffer, LoadString(IDS_TRACK_NUMBER).c_str(), position, position);
            text = buffer;
        }
        entries.push_back({std::move(text), staff});
    }
    return entries;
}

// ---- MCTrackBox -------------------------------------------------------------------------

void MCTrackBox::RefreshTracks() {
    FillStringList(*this, m_pDoc);
}

// ---- MCTrackList ------------------------------------------------------------------------

void MCTrackList::RefreshTracks() {
    FillStringList(*this, m_pDoc);
}

// ---- MCTrackCheckList -------------------------------------------------------------------

void MCTrackCheckList::RefreshTracks() {
    DeleteAllItems();
    int index = 0;
    for (const MCTrackEntry& entry : MCFindTrackEntries(m_pDoc)) {
        InsertItem(index, entry.text.c_str());
        SetItemData(index, reinterpret_cast<DWORD_PTR>(entry.staff));
        SetItemState(index, INDEXTOSTATEIMAGEMASK(STATE_UNCHECKED), LVIS_STATEIMAGEMASK);
        ++index;
    }
}

int MCTrackCheckList::GetSelectedTracks(MCEventList& tracks) {
    tracks.RemoveAll();
    const int count = GetItemCount();
    for (int item = 0; item < count; ++item)
        if (GetCheck(item))
            tracks.AddEvent(reinterpret_cast<ECBase*>(GetItemData(item)), UNSORTED);
    return tracks.GetCount();
}
