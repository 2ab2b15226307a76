// The MIDI filters and their list (see midifilters.h for the contract).
#include "sequencer/midifilters.h"

#include "model/event.h"
#include "model/markings.h"
#include "model/modifiers.h"
#include "model/performance.h"
#include "model/preferences.h"
#include "platform/core/archive.h"
#include "platform/devices/portavel.h"
#include "sequencer/midimessage.h"

#include <algorithm>

IMPLEMENT_SERIAL(LCMidiFilter, LCBase, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(LCMidiAccent, LCMidiFilter, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(LCMidiTranspose, LCMidiFilter, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(LCMidiVoiceMap, LCMidiFilter, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(LCMidiPrefs, LCMidiFilter, VERSIONABLE_SCHEMA | 2)

// ---- LCMidiFilter ---------------------------------------------------------

LCMidiFilter::LCMidiFilter() = default;

namespace {

// Filters let go during this thread's load, waiting for a list to keep them.
thread_local std::vector<LCMidiFilter*> t_unkept;

}   // namespace

LCMidiFilter::~LCMidiFilter()
{
    // Unlink changes m_lists: walk a copy.
    const std::vector<MCMidiFilterList*> lists = m_lists;
    for (MCMidiFilterList* list : lists)
        list->Unlink(this);
    std::erase(t_unkept, this);
}

void LCMidiFilter::ReleaseWhenUnkept(LCMidiFilter* filter)
{
    if (!filter || filter->m_pKeeper || !filter->m_lists.empty())
        return;
    if (std::find(t_unkept.begin(), t_unkept.end(), filter) != t_unkept.end())
        return;
    const auto freeUnkept = [] {
        std::vector<LCMidiFilter*> unkept;
        unkept.swap(t_unkept);
        for (LCMidiFilter* waiting : unkept)
            if (!waiting->m_pKeeper && waiting->m_lists.empty())
                delete waiting;
    };
    if (t_unkept.empty() && !ECLoadGuard::AtEnd(freeUnkept))
        return;   // no load: it stays as it was
    t_unkept.push_back(filter);
}

void LCMidiFilter::Serialize(CArchive& ar)
{
    LCBase::Serialize(ar);
}

void LCMidiFilter::OnReadFailed()
{
    if (m_lists.empty() && !m_pKeeper)
        delete this;
}

void LCMidiFilter::UpdateParametersFrom(ECBase*) {}

void LCMidiFilter::Process(MCMidiMsgVector&) {}

void LCMidiFilter::RemoveSelfFromList()
{
    if (m_pOwnerList)
        m_pOwnerList->Remove(this, 0);
}

int LCMidiFilter::CutToInt(float value, int low, int high)
{
    if (!(value >= static_cast<float>(low)))   // also NaN
        return low;
    if (value >= static_cast<float>(high))
        return high;
    return static_cast<int>(value);
}

int LCMidiFilter::GetFileVersion()
{
    const ECPerformance* performance = ECPerformance::GetActivePerformance();
    return performance ? performance->GetVersion() : ECPerformance::CURRENT_VERSION;
}

// ---- MCMidiFilterList -----------------------------------------------------

MCMidiFilterList::MCMidiFilterList(int owning) : m_bOwning(owning != 0) {}

MCMidiFilterList::~MCMidiFilterList()
{
    RemoveAll(1);
}

int MCMidiFilterList::Contains(const LCMidiFilter* filter) const
{
    return filter && std::find(m_entries.begin(), m_entries.end(), filter) != m_entries.end();
}

std::vector<LCMidiFilter*> MCMidiFilterList::GetFilters() const
{
    std::vector<LCMidiFilter*> filters;
    filters.reserve(static_cast<size_t>(m_nCount));
    for (LCMidiFilter* filter : m_entries)
        if (filter)
            filters.push_back(filter);
    return filters;
}

int MCMidiFilterList::Add(LCMidiFilter* filter, int asOwnerList)
{
    if (!filter || Contains(filter))
        return 0;
    m_entries.push_back(filter);
    ++m_nCount;
    filter->m_lists.push_back(this);
    if (m_bOwning && !filter->m_pKeeper)
        filter->m_pKeeper = this;
    if (asOwnerList)
        filter->m_pOwnerList = this;
    return 1;
}

void MCMidiFilterList::AddHead(const MCMidiFilterList& other)
{
    std::vector<LCMidiFilter*> incoming;
    for (LCMidiFilter* filter : other.m_entries)
        if (filter && !Contains(filter) && std::find(incoming.begin(), incoming.end(), filter) == incoming.end())
            incoming.push_back(filter);
    if (incoming.empty())
        return;
    // A running walk reads by index: shifting its entries would run some twice.
    // Then the newcomers go to the tail instead, and still run.
    const auto where = m_nWalking ? m_entries.end() : m_entries.begin();
    m_entries.insert(where, incoming.begin(), incoming.end());
    m_nCount += static_cast<int>(incoming.size());
    for (LCMidiFilter* filter : incoming) {
        filter->m_lists.push_back(this);
        if (m_bOwning && !filter->m_pKeeper)
            filter->m_pKeeper = this;
    }
}

int MCMidiFilterList::Remove(LCMidiFilter* filter, int destroy)
{
    if (!Contains(filter))
        return 0;
    // Decided before unlinking, which forgets the keeper. A filter that no
    // list keeps (its keeper let it go) goes with the owning list that drops
    // it last.
    const bool deleteIt = destroy && m_bOwning && (filter->m_pKeeper == this || !filter->m_pKeeper);
    Unlink(filter);
    if (deleteIt)
        delete filter;   // leaves the other lists holding it
    return 1;
}

void MCMidiFilterList::RemoveAll(int destroy)
{
    for (auto it = m_entries.rbegin(); it != m_entries.rend(); it = m_entries.rbegin()) {
        // Emptied entries of a walk are skipped (and erased outside walks).
        while (it != m_entries.rend() && !*it)
            ++it;
        if (it == m_entries.rend())
            break;
        Remove(*it, destroy);
    }
    if (!m_nWalking)
        m_entries.clear();
}

bool MCMidiFilterList::Unlink(LCMidiFilter* filter)
{
    const auto found = std::find(m_entries.begin(), m_entries.end(), filter);
    if (found == m_entries.end())
        return false;
    if (m_nWalking)
        *found = nullptr;   // the walk closes the gap when it ends
    else
        m_entries.erase(found);
    --m_nCount;
    auto& lists = filter->m_lists;
    lists.erase(std::find(lists.begin(), lists.end(), this));
    if (filter->m_pOwnerList == this)
        filter->m_pOwnerList = nullptr;
    if (filter->m_pKeeper == this)
        filter->m_pKeeper = nullptr;
    return true;
}

void MCMidiFilterList::CloseGaps()
{
    m_entries.erase(std::remove(m_entries.begin(), m_entries.end(), nullptr), m_entries.end());
}

void MCMidiFilterList::Serialize(CArchive& ar)
{
    if (ar.IsStoring()) {
        // An owning list writes the filters it keeps: a filter it only
        // borrows (a transposition mark's, added while playing) is written
        // by its keeper and comes back here when it plays again.
        std::vector<LCMidiFilter*> written;
        for (LCMidiFilter* filter : m_entries)
            if (filter && (!m_bOwning || filter->m_pKeeper == this))
                written.push_back(filter);
        ar.WriteCount(written.size());
        for (LCMidiFilter* filter : written)
            ar.WriteObject(filter);
    } else {
        // Each element is a reference of at least two bytes.
        const DWORD count = ar.ReadCount(2);
        // A filter whose reading fails is settled by the archive (see
        // LCMidiFilter::OnReadFailed).
        for (DWORD i = 0; i < count; ++i)
            Add(static_cast<LCMidiFilter*>(ar.ReadObject(RUNTIME_CLASS(LCMidiFilter))), SET_OWNER_LIST);
    }
}

MCMidiFilterList::CWalk::CWalk(MCMidiFilterList& list) : m_list(list)
{
    ++m_list.m_nWalking;
}

MCMidiFilterList::CWalk::~CWalk()
{
    if (--m_list.m_nWalking == 0)
        m_list.CloseGaps();
}

// ---- LCMidiAccent ---------------------------------------------------------

namespace {

// Duration change, velocity change (note-on and note-off alike) by accent type.
struct AccentChange {
    float duration;
    float velocity;
};
constexpr AccentChange kAccentChanges[] = {
    {0.3f, 1.0f}, {1.0f, 1.8f}, {1.0f, 1.3f}, {1.8f, 1.0f}, {0.6f, 1.1f}, {0.3f, 1.2f},
    {0.3f, 1.8f}, {1.5f, 1.2f}, {1.8f, 1.8f}, {0.6f, 1.6f}, {0.6f, 1.2f},
};
// Type 11 lengthens the note, softens the attack and hardens the release.
constexpr unsigned char kAccentLengthened = 11;

}   // namespace

// Velocity x change held to 1..127; a change of exactly 1.0 leaves the word.
void LCMidiAccent::ScaleVelocity(FCMidi& word, float change)
{
    if (change == 1.0f)
        return;
    word.SetDataByte2(static_cast<unsigned char>(CutToInt(word.GetDataByte2() * change, 1, 127)));
}

void LCMidiAccent::Serialize(CArchive& ar)
{
    // Read before the base's part, which does not ask for it.
    const unsigned schema = ar.IsLoading() ? ar.GetObjectSchema() : 0;
    LCMidiFilter::Serialize(ar);
    if (ar.IsStoring()) {
        ar << static_cast<BYTE>(m_bNotesOff) << m_fDurationChange << m_fVelocityOnChange << m_fVelocityOffChange;
        return;
    }
    // Files of version 0 carry the fields only from the class's schema 2 on;
    // an unknown schema (a direct Serialize) reads as the current one.
    const int version = GetFileVersion();
    if (version < 1 && !(version == 0 && schema > 1))
        return;
    BYTE notesOff = 0;
    float duration = 0;
    float velocityOn = 0;
    float velocityOff = 0;
    ar >> notesOff >> duration >> velocityOn >> velocityOff;
    m_bNotesOff = notesOff;
    m_fDurationChange = duration;
    m_fVelocityOnChange = velocityOn;
    m_fVelocityOffChange = velocityOff;
}

void LCMidiAccent::UpdateParametersFrom(ECBase* event)
{
    const auto* accent = DYNAMIC_DOWNCAST(ECAccent, event);
    if (!accent)
        return;
    const unsigned char type = accent->GetAccentType();
    if (type == kAccentLengthened) {
        m_fDurationChange = 1.3f;
        m_fVelocityOnChange = 0.8f;
        m_fVelocityOffChange = 2.0f;
        return;
    }
    const AccentChange change = type < std::size(kAccentChanges) ? kAccentChanges[type] : AccentChange{1.0f, 1.0f};
    m_fDurationChange = change.duration;
    m_fVelocityOnChange = change.velocity;
    m_fVelocityOffChange = change.velocity;
}

void LCMidiAccent::Process(MCMidiMsgVector& messages)
{
    // A release velocity is only touched when asked for: many instruments
    // ignore it, some sound it.
    const auto scaleNoteOff = [this](FCMidi& word) {
        if (!m_bNotesOff || m_fVelocityOffChange == 1.0f)
            return;
        word.SetStatusMSB(0x80);
        if (word.GetDataByte2() == 0)
            word.SetDataByte2(64);
        ScaleVelocity(word, m_fVelocityOffChange);
    };
    for (int i = 0; i < messages.GetSize(); ++i) {
        MidiMessage* message = messages.GetAt(static_cast<unsigned>(i));
        if (!message)
            continue;
        if (message->m_noteOn.IsNoteOn()) {
            ScaleVelocity(message->m_noteOn, m_fVelocityOnChange);
            if (message->m_noteOff.HasData()) {
                if (m_fDurationChange != 1.0f) {
                    message->m_duration *= m_fDurationChange;
                    if (message->m_duration.GetSeconds() <= 0.0f)
                        message->m_duration = 0.05f;
                }
                scaleNoteOff(message->m_noteOff);
            }
        } else if (message->m_noteOn.IsNoteOff()) {
            scaleNoteOff(message->m_noteOn);
        }
    }
}

// ---- LCMidiTranspose ------------------------------------------------------

LCMidiTranspose::LCMidiTranspose()
{
    SetEndTime(MCTime::TimeMax());
}

void LCMidiTranspose::Serialize(CArchive& ar)
{
    LCMidiFilter::Serialize(ar);
}

void LCMidiTranspose::UpdateParametersFrom(ECBase* event)
{
    auto* mark = DYNAMIC_DOWNCAST(ECTranspose, event);
    if (!mark)
        return;
    switch (mark->GetTransposeType()) {
    case 0: m_nTransposition = 12; break;
    case 1: m_nTransposition = -12; break;
    case 2: m_nTransposition = 24; break;
    default: m_nTransposition = 0; break;
    }
    const MCTime begin = *mark->GetTime();
    MCTime end = begin;
    end += *mark->GetDuration();
    SetBeginTime(begin);
    SetEndTime(end);
}

void LCMidiTranspose::Process(MCMidiMsgVector& messages)
{
    const MidiMessage* first = nullptr;
    for (int i = 0; i < messages.GetSize() && !first; ++i)
        first = messages.GetAt(static_cast<unsigned>(i));
    if (!first)
        return;
    // Past its span the filter leaves the staff's list; inside the walk
    // that runs it the list only empties its entry until the walk ends.
    if (first->m_time < GetBeginTime() || first->m_time > GetEndTime()) {
        RemoveSelfFromList();
        return;
    }
    const auto transpose = [this](FCMidi& word) {
        // Summed wide: a transposition of any size only pins the key.
        const long long key = std::clamp(word.GetDataByte1() + static_cast<long long>(m_nTransposition), 0LL, 127LL);
        word.SetDataByte1(static_cast<unsigned char>(key));
    };
    for (int i = 0; i < messages.GetSize(); ++i) {
        MidiMessage* message = messages.GetAt(static_cast<unsigned>(i));
        if (!message)
            continue;
        const unsigned char kind = message->m_noteOn.GetStatusMSB();
        if (!message->m_noteOn.HasData() || (kind != 0x80 && kind != 0x90 && kind != 0xA0))
            continue;
        transpose(message->m_noteOn);
        if (message->m_noteOff.HasData())
            transpose(message->m_noteOff);
    }
}

// ---- LCMidiVoiceMap -------------------------------------------------------

std::atomic<unsigned> LCMidiVoiceMap::s_uDefaultDevice{0};

LCMidiVoiceMap::LCMidiVoiceMap()
{
    for (Entry& entry : m_entries)
        entry = Entry{static_cast<int>(GetDefaultDevice()), 0};
}

void LCMidiVoiceMap::Serialize(CArchive& ar)
{
    LCMidiFilter::Serialize(ar);
    if (ar.IsStoring()) {
        for (const Entry& entry : m_entries)
            ar << static_cast<LONG>(entry.device) << static_cast<LONG>(entry.channel);
        return;
    }
    Entry loaded[VOICE_COUNT];
    for (Entry& entry : loaded) {
        LONG device = 0;
        LONG channel = 0;
        ar >> device >> channel;
        entry = Entry{device, channel};
    }
    // A document made on a machine with more MIDI outputs names devices that
    // are not here: they play on the default device. Without a device
    // library the numbers cannot be checked and stay.
    CPortavel* devices = CPortavel::GetPortavel();
    const int outputs = devices ? devices->GetDeviceCount(PV_MIDI, PV_OUTPUT) : -1;
    for (int voice = 0; voice < VOICE_COUNT; ++voice) {
        m_entries[voice] = loaded[voice];
        if (outputs >= 0 && m_entries[voice].device >= outputs)
            m_entries[voice].device = static_cast<int>(GetDefaultDevice());
    }
}

const LCMidiVoiceMap::Entry& LCMidiVoiceMap::EntryOf(int voice) const
{
    return m_entries[voice >= 0 && voice < VOICE_COUNT ? voice : 0];
}

void LCMidiVoiceMap::SetVoiceDevChan(int voice, int device, int channel)
{
    if (voice >= 0 && voice < VOICE_COUNT)
        m_entries[voice] = Entry{device, channel};
}

int LCMidiVoiceMap::GetVoiceDevice(int voice) const
{
    return EntryOf(voice).device;
}

int LCMidiVoiceMap::GetVoiceChannel(int voice) const
{
    return EntryOf(voice).channel;
}

int LCMidiVoiceMap::AllVoiceMapsEqual() const
{
    for (int voice = 1; voice < VOICE_COUNT; ++voice)
        if (m_entries[voice].device != m_entries[0].device || m_entries[voice].channel != m_entries[0].channel)
            return 0;
    return 1;
}

void LCMidiVoiceMap::Process(MCMidiMsgVector& messages)
{
    for (int i = 0; i < messages.GetSize(); ++i) {
        MidiMessage* message = messages.GetAt(static_cast<unsigned>(i));
        if (!message || message->m_voiceTrack.IsConverted())
            continue;
        const Entry& entry = EntryOf(message->m_voiceTrack.GetValue() & 0x0F);
        const int device = entry.device == DEFAULT_DEVICE ? static_cast<int>(GetDefaultDevice()) : entry.device;
        message->m_voiceTrack.SetDevice(device & 0xFF);
        if (entry.channel == KEEP_CHANNEL)
            continue;
        const auto channel = static_cast<unsigned char>((entry.channel == DEFAULT_CHANNEL ? 0 : entry.channel) & 0x0F);
        if (message->m_noteOn.IsChannelMsg())
            message->m_noteOn.SetStatusLSB(channel);
        if (message->m_noteOff.IsChannelMsg())
            message->m_noteOff.SetStatusLSB(channel);
    }
}

// ---- LCMidiPrefs ----------------------------------------------------------

namespace {

const char* const kMessageTypeNames[LCMidiPrefs::MT_COUNT] = {
    "Notes",       "Program Change", "Pitch Bend",   "Controllers", "Aftertouch",
    "Poly Pressure", "Channel Mode", "SysEx",        "SysCommon",   "SysRealtime",
};

// The order the preferences are read in, by type.
constexpr int kPreferenceOrder[LCMidiPrefs::MT_COUNT] = {0, 1, 2, 4, 3, 5, 6, 7, 9, 8};

bool ValidType(int index)
{
    return index >= 0 && index < LCMidiPrefs::MT_COUNT;
}

// Controllers whose every value matters (bank select, data entry, the
// switches, portamento control, the parameter numbers): never thinned.
bool IsSwitchController(int controller)
{
    return controller == 0 || controller == 6 || controller == 32 || controller == 38 ||
           (controller >= 64 && controller <= 69) || controller == 84 || (controller >= 96 && controller <= 101);
}

}   // namespace

LCMidiPrefs::LCMidiPrefs()
{
    for (int i = 0; i < MT_COUNT; ++i) {
        m_block[i].store(0, std::memory_order_relaxed);
        m_thin[i].store(0, std::memory_order_relaxed);
    }
}

void LCMidiPrefs::Serialize(CArchive& ar)
{
    LCMidiFilter::Serialize(ar);
}

void LCMidiPrefs::BlockMessageType(int index, int block)
{
    if (ValidType(index))
        m_block[index].store(block, std::memory_order_relaxed);
}

int LCMidiPrefs::MessageTypeBlocked(int index) const
{
    return ValidType(index) ? m_block[index].load(std::memory_order_relaxed) : 0;
}

void LCMidiPrefs::ThinMessageType(int index, int thin)
{
    if (ValidType(index))
        m_thin[index].store(thin, std::memory_order_relaxed);
}

int LCMidiPrefs::MessageTypeThinned(int index) const
{
    return ValidType(index) ? m_thin[index].load(std::memory_order_relaxed) : 0;
}

std::string LCMidiPrefs::GetMessageTypeName(int index)
{
    return ValidType(index) ? kMessageTypeNames[index] : std::string();
}

void LCMidiPrefs::LoadBlockPreferences(const std::string& section)
{
    for (int type : kPreferenceOrder)
        BlockMessageType(type, LoadIntPreference(section, kMessageTypeNames[type], 1) == 0);
}

void LCMidiPrefs::LoadThinPreferences(const std::string& section)
{
    // Poly pressure has no switch of its own: it thins with the controllers.
    const int controllers = LoadIntPreference(section, "Thin Controllers", 0);
    ThinMessageType(MT_CONTROLLERS, controllers);
    ThinMessageType(MT_POLYPRESSURE, controllers);
    ThinMessageType(MT_PITCHBEND, LoadIntPreference(section, "Thin Pitch Bend", 0));
    ThinMessageType(MT_AFTERTOUCH, LoadIntPreference(section, "Thin Aftertouch", 0));
}

bool LCMidiPrefs::Thins(int type)
{
    if (!m_thin[type].load(std::memory_order_relaxed))
        return false;
    // One counter for every type: the first thinnable message stays, then
    // every second one goes.
    const int taken = m_nCounter.fetch_add(1, std::memory_order_relaxed);
    return (taken & 1) == 0;
}

bool LCMidiPrefs::Drops(const MidiMessage& message)
{
    const FCMidi& word = message.m_noteOn;
    const auto blocked = [this](int type) { return m_block[type].load(std::memory_order_relaxed) != 0; };
    if (!word.HasData())
        return message.m_sysEx.HasData() && blocked(MT_SYSEX);
    const int data1 = word.GetDataByte1();
    const int data2 = word.GetDataByte2();
    switch (word.GetStatusMSB()) {
    case 0x80:
    case 0x90:
        return blocked(MT_NOTES);
    case 0xA0:
        return blocked(MT_POLYPRESSURE) || (data2 > 0 && Thins(MT_POLYPRESSURE));
    case 0xB0:
        // Channel mode messages (all notes off and the like) are never thinned.
        if (data1 > 119)
            return blocked(MT_CHANNELMODE);
        return blocked(MT_CONTROLLERS) ||
               (!IsSwitchController(data1) && data2 != 0 && data2 != 127 && Thins(MT_CONTROLLERS));
    case 0xC0:
        return blocked(MT_PROGRAM);
    case 0xD0:
        return blocked(MT_AFTERTOUCH) || (data1 > 0 && Thins(MT_AFTERTOUCH));
    case 0xE0:
        // The centre (0, 64) returns the wheel to rest: it always plays.
        return blocked(MT_PITCHBEND) || (!(data1 == 0 && data2 == 64) && Thins(MT_PITCHBEND));
    case 0xF0:
        if (word.IsSysCommonMsg())
            return blocked(MT_SYSCOMMON);
        if (word.IsSysRealtimeMsg())
            return blocked(MT_SYSREALTIME);
        return false;
    default:
        return false;
    }
}

void LCMidiPrefs::Process(MCMidiMsgVector& messages)
{
    // The index moves on only past a message that stays.
    int i = 0;
    while (i < messages.GetSize()) {
        const MidiMessage* message = messages.GetAt(static_cast<unsigned>(i));
        if (message && Drops(*message))
            messages.RemoveAt(i);
        else
            ++i;
    }
}
