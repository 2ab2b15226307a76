// The filter manager (see filtermgr.h for the contract).
#include "sequencer/filtermgr.h"

#include "platform/core/trace.h"
#include "sequencer/enginestates.h"
#include "sequencer/midimessage.h"
#include "sequencer/performeractions.h"
#include "sequencer/trackperformer.h"

IMPLEMENT_DYNAMIC(CPerfFilterMgr, CObject)

// The list first: statics go in the reverse order of their definitions, so
// the filter leaves the list while the list still stands.
MCMidiFilterList CPerfFilterMgr::s_PrefsFilterList{MCMidiFilterList::FILTERS_BORROWED};
LCMidiPrefs CPerfFilterMgr::s_PrefsFilter;
int CPerfFilterMgr::s_iRefCount = 0;
int CPerfFilterMgr::s_bInitialized = 0;

CPerfFilterMgr::CPerfFilterMgr()
{
    if (!s_bInitialized)
        CreatePrefsFilters();
    ++s_iRefCount;
}

CPerfFilterMgr::~CPerfFilterMgr()
{
    Detach();
    if (--s_iRefCount <= 0)
        DeletePrefsFilters();
}

void CPerfFilterMgr::CreatePrefsFilters()
{
    // The list holds nothing else: the filter is its head.
    s_PrefsFilterList.RemoveAll(0);
    s_PrefsFilterList.Add(&s_PrefsFilter, MCMidiFilterList::KEEP_OWNER_LIST);
    s_bInitialized = 1;
}

void CPerfFilterMgr::DeletePrefsFilters()
{
    s_PrefsFilterList.RemoveAll(0);
    s_bInitialized = 0;
}

LCMidiPrefs* CPerfFilterMgr::GetPrefsFilter()
{
    return &s_PrefsFilter;
}

void CPerfFilterMgr::Detach()
{
    RemoveGlobalFilters();
    m_pSequence = nullptr;
}

void CPerfFilterMgr::AddGlobalFilter(LCMidiFilter* filter)
{
    m_globalFilters.Add(filter, MCMidiFilterList::SET_OWNER_LIST);
}

void CPerfFilterMgr::RemoveGlobalFilter(LCMidiFilter* filter)
{
    if (!m_globalFilters.Remove(filter, 0))
        Trace("CPerfFilterMgr::RemoveGlobalFilter -- Filter not found\n");
}

void CPerfFilterMgr::RemoveGlobalFilters()
{
    m_globalFilters.RemoveAll(0);
}

int CPerfFilterMgr::ProcessFilters(MCMidiFilterList* list, MCMidiMsgVector& messages)
{
    if (list) {
        // A filter may leave the list while it runs (a transposition past its
        // span): the walk keeps every entry in place until it ends.
        MCMidiFilterList::CWalk walk(*list);
        for (int i = 0; i < walk.GetSize(); ++i) {
            LCMidiFilter* filter = walk.GetAt(i);
            if (filter && filter->IsEnabled())
                filter->Process(messages);
        }
    }
    return messages.GetSize() > 0;
}

int CPerfFilterMgr::ProcessPrefsFilters(MCMidiMsgVector& messages)
{
    for (int i = 0; i < s_PrefsFilterList.GetSize(); ++i) {
        LCMidiFilter* filter = s_PrefsFilterList.GetAt(i);
        if (filter && filter->IsEnabled())
            filter->Process(messages);
    }
    return messages.GetSize() > 0;
}

void CPerfFilterMgr::FilterData(ECBase* event, MCMidiMsgVector& messages)
{
    DCsqTrack* track = event ? DCsqTrack::GetTrackData(event, TT_STAFF, m_pSequence) : nullptr;
    // Silenced before any filter runs, so no marking's filter sounds it either.
    if (track && !m_bIgnoreMute && !track->IsActive()) {
        messages.RemoveAll();
        return;
    }
    if (!ProcessFilters(&m_globalFilters, messages))
        return;
    if (track && !ProcessFilters(track->GetFilters(), messages))
        return;
    if (event) {
        ACGetMidiFilters markings;
        markings.Apply(event);
        if (!ProcessFilters(&markings.GetFilters(), messages))
            return;
    }
    ProcessPrefsFilters(messages);
}
