// View data: the per-event, per-view objects of the system (the performers of
// the performance engine, the display objects of the notation view).
//
// DCBase is their base. It knows its owner event and carries a flag word (an
// FCInt) whose bit 0 is the dirty flag, set at construction; the other bits are
// free for derived classes. An event owns one view-data object per view kind,
// made on demand through the data registry (model/plugin.h), which also sets
// the owner; the event deletes it (ECBase::RemoveData).
//
// Archive form: 12 bytes (a word that carries nothing, the field's own flag
// word, the flag value), then the owner by reference. Derived classes append
// their fields.
//
// Threads: as the event that owns it (the performance's lock guards both).
#pragma once

#include "model/fields.h"
#include "platform/core/object.h"

class CArchive;
class ECBase;

class DCBase : public CObject {
    DECLARE_SERIAL(DCBase)
public:
    DCBase();
    // Copies the flag value (and the field's flags); the owner stays null.
    DCBase(const DCBase& other);
    DCBase& operator=(const DCBase&) = delete;
    ~DCBase() override;

    void Serialize(CArchive& ar) override;
    // An object whose reading failed: the load guard that noted it frees it
    // (see ECLoadGuard); one read with no guard is deleted here.
    void OnReadFailed() override;

    // Run by the post-load pass for the view data of each event it visits.
    virtual void PostSerialize(CArchive& ar);
    virtual int IsDirty() const;
    // Bit 0 := 1 when the low byte of the argument is non-zero (256 clears it).
    virtual void SetDirty(int dirty);
    virtual void SetOwner(ECBase* owner);

    ECBase* GetOwner() const { return m_pOwner; }

protected:
    FCInt m_flags;                  // bit 0: dirty
    ECBase* m_pOwner = nullptr;     // borrowed: the event that owns this object

private:
    friend class ECBase;
    friend class ECLoadGuard;

    // Not archived: an event's view-data array holds this object, so no
    // second event may take it.
    bool m_bHeld = false;
    // Not archived: a load guard noted this object and frees it should its
    // load fail.
    bool m_bLoadNoted = false;
};
