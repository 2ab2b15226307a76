// The walk of the tree actions (see actions.h).
#include "model/actions.h"

#include <algorithm>

#include "model/event.h"
#include "model/eventtypes.h"
#include "model/lists.h"

namespace {

constexpr uint32_t DEPTH_SHIFT = 16;
constexpr uint32_t CURRENT_SHIFT = 24;
constexpr uint32_t DEPTH_MASK = 0xFFu << DEPTH_SHIFT;
constexpr uint32_t CURRENT_MASK = 0xFFu << CURRENT_SHIFT;

}  // namespace

// ---- ACBase -----------------------------------------------------------------

ACBase::ACBase() : ACBase(0) {}

// Notes and rests hang under their measure (or chord, tuplet) and also under
// the beam, slur or tie that groups them; clipping these three by default
// makes a walk meet each note once.
ACBase::ACBase(int reverse)
    : m_flags(FLAG_CLIP | DEPTH_MASK | (reverse ? FLAG_REVERSE : 0)),
      m_clipTypes{ET_BEAM, ET_SLUR, ET_TIE} {}

ACBase::~ACBase() = default;

int ACBase::BeginAction() {
    SetCurrentDepth(0);
    return 1;
}

void ACBase::SetReverse(int reverse) {
    if (reverse)
        m_flags |= FLAG_REVERSE;
    else
        m_flags &= ~FLAG_REVERSE;
}

void ACBase::SetDepth(unsigned char depth) {
    m_flags = (m_flags & ~DEPTH_MASK) | (uint32_t{depth} << DEPTH_SHIFT);
}

void ACBase::SetCurrentDepth(unsigned char depth) {
    m_flags = (m_flags & ~CURRENT_MASK) | (uint32_t{depth} << CURRENT_SHIFT);
}

void ACBase::ClipEvtType(int type) {
    if (type == -1) {
        ClipNone();
        return;
    }
    m_clipTypes.push_back(type);
    m_flags |= FLAG_CLIP;
}

void ACBase::ClipNone() {
    m_clipTypes.clear();
    m_flags &= ~FLAG_CLIP;
}

int ACBase::ShouldClip(ECBase* event) const {
    if (!(m_flags & FLAG_CLIP))
        return 0;
    return std::find(m_clipTypes.begin(), m_clipTypes.end(), event->GetClassType()) !=
           m_clipTypes.end();
}

int ACBase::EnsureBegun() {
    if (!(m_flags & FLAG_BEGUN)) {
        // Only bit 0 of the answer counts.
        if (BeginAction() & 1)
            m_flags |= FLAG_BEGUN;
        else
            return 0;
    }
    return 1;
}

MCEventList* ACBase::GetRelatives(ECBase* event) const {
    MCEventList* relatives = IsReverse() ? event->GetParents() : event->GetChildren();
    if (relatives == nullptr || relatives->IsEmpty())
        return nullptr;
    return relatives;
}

// The current depth is an 8-bit field: with the maximum at 255 it wraps to 0
// rather than exceed it, so that depth never limits a walk.
int ACBase::EnterLevel() {
    const unsigned char depth = static_cast<unsigned char>(GetCurrentDepth() + 1);
    if (depth > GetDepth())
        return 0;
    SetCurrentDepth(depth);
    return 1;
}

void ACBase::LeaveLevel() {
    SetCurrentDepth(static_cast<unsigned char>(GetCurrentDepth() - 1));
}

int ACBase::Apply(ECBase* event) {
    if (!EnsureBegun())
        return AC_ABORT;

    const int answer = DoAction(event);
    switch (answer) {
    case AC_ABORT:
    case AC_SKIP:
    case AC_STOP:
    case AC_STOP_SIBLINGS:
        return answer;
    case AC_CONTINUE:
        if (ShouldClip(event))
            return AC_SKIP;
        break;
    default:
        break;   // any other answer walks on, unclipped
    }

    int result = answer;
    if (MCEventList* relatives = GetRelatives(event)) {
        if (!EnterLevel())
            return AC_SKIP;
        // The next relative is taken before the call: the action may remove
        // the current one from the list.
        POSITION pos = relatives->GetHeadPosition();
        bool stop = false;
        while (pos != nullptr && !stop) {
            ECBase* relative = relatives->GetNext(pos);
            const int q = Apply(relative);
            switch (q) {
            case AC_ABORT:
            case AC_STOP:
                result = q;
                stop = true;
                break;
            case AC_STOP_SIBLINGS:
                // Only this list of siblings ends: the event's own siblings
                // are still walked.
                result = AC_CONTINUE;
                stop = true;
                break;
            case AC_CONTINUE:
            case AC_SKIP:
                result = AC_CONTINUE;
                break;
            default:
                result = q;
                break;
            }
        }
        LeaveLevel();
    }

    if (!IsListMode())
        EndAction();
    return result;
}

int ACBase::Apply(MCEventList& list, int flag) {
    m_flags |= FLAG_LIST;

    int result = AC_CONTINUE;
    POSITION pos = list.GetHeadPosition();
    while (pos != nullptr) {
        ECBase* entry = list.GetNext(pos);
        if (entry == nullptr)
            continue;
        const int r = Apply(entry);
        SetCurrentDepth(0);
        if (r == AC_ABORT || r == AC_STOP) {
            result = r;
            break;
        }
        if (r == AC_STOP_SIBLINGS && flag == 0) {
            result = AC_STOP;
            break;
        }
        result = r;
    }

    EndAction();
    return result;
}

int ACBase::DoAction(ECBase*) {
    return AC_CONTINUE;
}

void ACBase::EndAction() {}

void ACBase::Reset() {
    m_flags &= ~FLAG_BEGUN;
}

// ---- ACRelativesFirst -------------------------------------------------------

int ACRelativesFirst::Apply(ECBase* event) {
    if (!EnsureBegun())
        return AC_ABORT;

    int result = AC_CONTINUE;
    if (MCEventList* relatives = GetRelatives(event)) {
        if (!EnterLevel())
            return AC_SKIP;
        POSITION pos = relatives->GetHeadPosition();
        while (pos != nullptr) {
            ECBase* relative = relatives->GetNext(pos);
            result = Apply(relative);
            if (result == AC_ABORT || result == AC_STOP || result == AC_STOP_SIBLINGS)
                break;
        }
        LeaveLevel();
    }

    // A relative's AC_STOP_SIBLINGS ends only its own siblings: the event is
    // still visited.
    if (result != AC_ABORT && result != AC_STOP) {
        result = DoAction(event);
        if (result == AC_CONTINUE && ShouldClip(event))
            result = AC_SKIP;
    }

    if (!IsListMode())
        EndAction();
    return result;
}

// ---- ACWithTypes ------------------------------------------------------------

ACWithTypes::ACWithTypes(int slots, int reverse)
    : ACBase(reverse), m_types(static_cast<size_t>(std::max(slots, 0)), -1) {}

void ACWithTypes::AddEvtType(int type) {
    if (static_cast<size_t>(m_typeCount) >= m_types.size())
        m_types.push_back(-1);
    m_types[static_cast<size_t>(m_typeCount)] = type;
    ++m_typeCount;
}

void ACWithTypes::RemoveEvtType(int type) {
    const int index = FindEvtType(type);
    if (index < 0)
        return;
    m_types.erase(m_types.begin() + index);
    --m_typeCount;
}

void ACWithTypes::RemoveEvtTypes() {
    std::fill(m_types.begin(), m_types.end(), -1);
    m_typeCount = 0;
}

int ACWithTypes::FindEvtType(int type) const {
    for (int i = 0; i < m_typeCount; ++i) {
        if (m_types[static_cast<size_t>(i)] == type)
            return i;
    }
    return -1;
}

int ACWithTypes::IsWantedType(int type) const {
    return m_typeCount == 0 || FindEvtType(type) >= 0;
}
