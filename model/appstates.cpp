// SCFile, SCMode, SCPrefs, SCSelection, SCStatus and SCTime.
#include "model/appstates.h"

#include "model/event.h"
#include "model/preferences.h"
#include "platform/core/resources.h"

namespace {

constexpr uint32_t GREEN = 65280;   // 0x00FF00: the selection colour until the profile says otherwise

}  // namespace

// ---- SCFile ---------------------------------------------------------------------

// A file event is sent: the document acts on it before the sender goes on
// (a closing document must still be whole while its views hear of it).
SCFile::SCFile() {
    SetAsynchronous(0);
}

SCFile::SCFile(unsigned code) : SCBase(code) {
    SetAsynchronous(0);
}

// ---- SCMode ---------------------------------------------------------------------

int SCMode::s_nMode = STATE_MODE_SELECT;
int SCMode::s_eventType = -1;
SCMode::EventFunc SCMode::s_pEventFunc = nullptr;
void* SCMode::s_pEventFuncData = nullptr;

SCMode::SCMode() {
    s_nMode = 0;
}

SCMode::SCMode(unsigned code) : SCBase(code) {
    s_nMode = static_cast<int>(code);
}

SCMode::SCMode(const SCMode& other) : SCBase(other) {
    s_nMode = static_cast<int>(GetCode());
}

ECBase* SCMode::GetEvent() {
    if (s_nMode != STATE_MODE_INSERT || s_pEventFunc == nullptr)
        return nullptr;
    return s_pEventFunc(s_pEventFuncData);
}

void SCMode::SetEventFunc(EventFunc function, void* data) {
    s_pEventFunc = function;
    s_pEventFuncData = data;
}

// ---- SCPrefs --------------------------------------------------------------------

SCPrefs::SCPrefs() : SCBase(STATE_PREFS_CHANGED) {}

SCPrefs::SCPrefs(unsigned code) : SCBase(code) {}

void SCPrefs::DoState() {
    if (GetCode() == STATE_PREFS_CHANGED)
        SCSelection::s_color = LoadColorPreference("Settings\\Color", "Selection", GREEN);
}

// ---- SCSelection ----------------------------------------------------------------

uint32_t SCSelection::s_color = GREEN;

SCSelection::SCSelection() : SCSelection(STATE_SELECTION_CLEAR) {}

// A selection is sent: the views redraw the selected events at once.
SCSelection::SCSelection(unsigned code) : SCBase(code) {
    SetAsynchronous(0);
}

SCSelection::SCSelection(unsigned code, ECBase* event) : SCSelection(code) {
    AddToSelection(event);
}

SCSelection::SCSelection(unsigned code, const MCEventList* events) : SCSelection(code) {
    AddToSelection(events);
}

SCSelection::SCSelection(const SCSelection& other) : SCBase(other) {
    AddToSelection(&other.m_events);
}

SCSelection& SCSelection::operator=(const SCSelection& other) {
    if (this == &other)
        return *this;
    SCBase::operator=(other);
    ClearSelection();
    AddToSelection(&other.m_events);
    return *this;
}

SCSelection::~SCSelection() {
    ClearSelection();
}

void SCSelection::AddToSelection(ECBase* event) {
    if (event == nullptr || m_events.Find(event) != nullptr)
        return;
    m_events.AddEvent(event, SORTED);
    m_nMirrorsStale = 1;
    m_nTypeStale = 1;
}

void SCSelection::AddToSelection(const MCEventList* events) {
    if (events == nullptr)
        return;
    POSITION pos = events->GetHeadPosition();
    while (pos != nullptr)
        AddToSelection(events->GetNext(pos));
}

void SCSelection::RemoveFromSelection(ECBase* event) {
    if (event == nullptr)
        return;
    m_events.RemoveEvent(event);
    m_nMirrorsStale = 1;
    m_nTypeStale = 1;
}

void SCSelection::RemoveFromSelection(const MCEventList* events) {
    if (events == nullptr)
        return;
    // Removing from a list while walking it: a selection may be asked to
    // remove its own events.
    MCEventList copy(10);
    copy.AddEvents(events, UNSORTED);
    POSITION pos = copy.GetHeadPosition();
    while (pos != nullptr)
        RemoveFromSelection(copy.GetNext(pos));
}

void SCSelection::ClearSelection() {
    m_events.RemoveAll();
    m_resolved.RemoveAll();
    m_nMirrorsStale = 0;
    m_nTypeStale = 0;
    m_nEventType = -1;
}

MCEventList& SCSelection::GetEvents(int resolved) {
    if (!resolved)
        return m_events;
    if (m_nMirrorsStale) {
        m_resolved.RemoveAll();
        m_resolved.AddEvents(&m_events, UNSORTED);
        m_resolved.ReplaceMirrors(1);
        m_nMirrorsStale = 0;
    }
    return m_resolved;
}

int SCSelection::GetEventType() {
    if (m_nTypeStale) {
        m_nEventType = GetEvents(1).GetEventType();
        m_nTypeStale = 0;
    }
    return m_nEventType;
}

bool SCSelection::operator==(const SCSelection& other) const {
    if (m_events.IsEmpty() || other.m_events.IsEmpty())
        return false;
    if (m_events.GetCount() != other.m_events.GetCount())
        return false;
    POSITION mine = m_events.GetHeadPosition();
    POSITION theirs = other.m_events.GetHeadPosition();
    while (mine != nullptr) {
        if (m_events.GetNext(mine) != other.m_events.GetNext(theirs))
            return false;
    }
    return true;
}

// ---- SCStatus -------------------------------------------------------------------

std::atomic<int> SCStatus::s_actionCount{0};

SCStatus::SCStatus(unsigned code) : SCBase(code) {
    ++s_actionCount;
}

SCStatus::SCStatus(unsigned code, const std::string& message) : SCBase(code), m_message(message) {
    ++s_actionCount;
}

SCStatus::SCStatus(unsigned code, UINT messageId) : SCBase(code) {
    ++s_actionCount;
    SetMessage(messageId);
}

SCStatus::SCStatus(const SCStatus& other)
    : SCBase(other),
      m_message(other.m_message),
      m_nLow(other.m_nLow),
      m_nHigh(other.m_nHigh),
      m_nStep(other.m_nStep) {
    ++s_actionCount;
}

SCStatus::~SCStatus() {
    --s_actionCount;
}

void SCStatus::SetMessage(UINT messageId) {
    m_message = LoadString(messageId);
}

// ---- SCTime ---------------------------------------------------------------------

std::atomic<int> SCTime::s_actionCount{0};

SCTime::SCTime() : m_time(MCTime::TimeNull()) {
    ++s_actionCount;
}

SCTime::SCTime(unsigned code, const MCTime& time) : SCBase(code), m_time(time) {
    ++s_actionCount;
}

SCTime::SCTime(const SCTime& other) : SCBase(other), m_time(other.m_time) {
    ++s_actionCount;
}

SCTime::~SCTime() {
    --s_actionCount;
}
