// Where each element of a pasted or dropped group lands relative to the
// insertion point.
//
// CSelectionOrigin is the group's reference: its earliest time, the pitch
// and voice of its first note (in list order) and the display position of
// its first element (frames widen it to the rectangle they span).
// CSelectionOffset is one element's distance from that reference: time,
// semitones, voices and display units (view coordinates, y up). The view
// hands each offset with the insertion point to the insert tool, which
// places the element at the same distance from the point.
// Plain values; UI thread (they read display objects).
#pragma once

#include "model/time.h"
#include "platform/ui/geometry.h"

#include <climits>

class ECBase;
class MCEventList;

class CSelectionOffset {
public:
    // A pitch or voice distance that places nothing: the element keeps its
    // own pitch or voice (a paste). Distinct from every real distance, so a
    // dragged group stepping down a semitone or a voice keeps that step.
    static constexpr int NONE = INT_MIN;

    CSelectionOffset() { Reset(); }

    // Every distance zero.
    void Reset();

    MCTime m_time;       // time distance
    int m_nPitch = 0;    // semitones, or NONE
    int m_nVoice = 0;    // voices, or NONE
    CSize m_display;     // view units
};

class CSelectionOrigin {
public:
    // No time (the null time), pitch and voice not yet known (-1), an
    // empty rectangle.
    CSelectionOrigin();

    // Takes the element into the reference: the earlier time; the pitch and
    // voice of the first note or grace note that has them; its display
    // position, the first one alone unless frames widen it.
    void Add(ECBase* element);
    // Add for each element, in list order.
    void AddList(MCEventList& list);
    // The element's distances from the reference into `offset`; what the
    // element has no value for keeps what `offset` held. Always 1.
    int GetOffset(ECBase* element, CSelectionOffset& offset) const;

    const MCTime& GetTime() const { return m_time; }
    int GetPitch() const { return m_nPitch; }
    int GetVoice() const { return m_nVoice; }
    // left, top, right, bottom in view units (y up: top is the larger y).
    const CRect& GetRect() const { return m_rect; }

private:
    MCTime m_time;
    int m_nPitch = -1;
    int m_nVoice = -1;
    CRect m_rect{0, 0, 0, 0};
};
