// Meter changes (time signatures) and the re-barring of the music they govern.
//
//   CCAddMeter     (CMD_ADDMETER)     puts a meter on the conductor staff
//   CCRemoveMeter  (CMD_REMOVEMETER)  takes one off, with its mirrors
//
// A meter rules from its time to the next meter (or to the end of the last
// measure): its scope. Changing the meter at a time re-bars the scope that
// was in force there. Re-barring never moves an event inside the scope in
// time: the conductor measures of the scope get new start times at the new
// measure length; when the scope needs more measures than it had, measures
// are appended behind the re-timed ones (the count never shrinks: n measures
// of length a become k = max(n, ceil(n x a / b)) measures of length b);
// every event after the old scope moves by the change in total length
// (k x b - n x a); and each event of the scope is handed to the measure of
// its track that now holds its time. Notes that now cross a bar line are not
// split here: the notation engine renotates the measures afterwards. Meters
// are expected at bar lines, where the meter tool puts them.
//
// CCAddMeter replaces a meter standing at exactly its time (the replace flag;
// the replaced meter's mirrors stay in their measures and show nothing once
// it is gone), and its Finish removes the first following meter when that is
// equal to the new one. A meter the conductor staff could never take (its
// time is not a musical time at or after zero) is refused in Prepare, before
// anything moves: nothing changes, the meter stays out of the tree and the
// manager announces the command as aborted. Removing the first meter of the piece, which
// has none before it, re-bars nothing and leaves the meter in place; only
// its mirrors go.
//
// The getters report the situation before the edit (Prepare fixes the
// previous meter and both lengths); the measure insert location (the number
// before which measures were appended) and count are filled by Process.
// Handlers read them in both phases; the commands raise no state of their
// own, and the nested removal of CCAddMeter::Finish is synchronous and not
// announced.
//
// Ownership: each command holds a reference on its meter from AddMeter or
// RemoveMeter, and on the previous meter from Prepare, until it is deleted,
// so both stay valid for the handlers (a replaced meter has left the tree by
// then) and a meter that never entered the tree goes with the command. The
// conductor staff is borrowed.
//
// Threads: filled on any thread; run on the user-interface thread under the
// performance's lock, like every command (model/commandmgr.h).
#pragma once

#include "model/basiccommands.h"
#include "model/time.h"

class ECConductor;
class ECConductorStaff;
class ECMeter;
class ECPerformance;

// The shift that re-barring and the measure commands share: every event of
// the performance at or after `from` moves by `delta` (ACDeltaTime: the
// marks that belong at time zero stay there), the conductor staff's, staves'
// and wave tracks' children are sorted again, and the conductor's meter and
// tempo cache and every staff's clef and key cache are rebuilt from the tree
// (a shift moves events one at a time, so a moved event may meet one not yet
// moved at its new time, which the caches would refuse). When no event
// stands at or after `from` and every list is in order already (appending
// after the last measure, most often), the walk that finds so replaces the
// shift and the sorts. Both walks read only the measures from the last one
// beginning before `from` (what the measures before it hold stands before
// it), so a shift late in a long piece costs what it moves. A caller that rebuilds the staves' caches itself
// once its work is done leaves them out (ShiftCaches::ConductorOnly). True
// when events moved or lists were sorted.
enum class ShiftCaches { All, ConductorOnly };
bool ShiftMusic(ECPerformance* performance, ECConductor* conductor, ECConductorStaff* conductorStaff,
                const MCTime& delta, const MCTime& from, ShiftCaches caches = ShiftCaches::All);

// The conductor of the performance a command runs on, and its conductor
// staff; null where there is none.
ECConductor* ConductorOf(const CCBase& command);
ECConductorStaff* ConductorStaffOf(ECConductor* conductor);

// Holds `meter` in `slot`: a reference on the new one first, then the old one
// released (either may be null).
void HoldMeterRef(ECMeter*& slot, ECMeter* meter);

// Runs a command inside another command's phase: synchronous (it runs to its
// end before this returns, under the same lock) and without state
// notification (the outer command is the one announced). A command the
// manager does not take (no performance) is deleted here.
void ApplyNestedCommand(CCBase* command, ECPerformance* performance);

// What both meter commands hold, report and share: the meter they put on or
// take off and the meter in force before it (both referenced, released when
// the command goes), their times and measure lengths as Prepare found them,
// where re-barring inserted measures, and the borrowed conductor staff.
class CCMeterEdit {
public:
    CCMeterEdit(const CCMeterEdit&) = delete;
    CCMeterEdit& operator=(const CCMeterEdit&) = delete;

    // The meter the command reports as `n` (see each command); null for none.
    virtual ECMeter* GetMeter(int n) const = 0;
    // The time and measure length (quarter notes) of the same choice: the
    // meter's for 0, the previous meter's for any other; the null time where
    // GetMeter gives null.
    MCTime GetMeterTime(int n) const;
    MCTime GetMeterDuration(int n) const;
    int GetMeasureInsertLocation() const { return m_nMeasureInsertLocation; }
    int GetMeasureInsertCount() const { return m_nMeasureInsertCount; }

protected:
    CCMeterEdit() = default;
    // Releases both meters.
    virtual ~CCMeterEdit();

    // Holds the meter with its time and measure length; null and events other
    // than meters are ignored.
    void HoldMeter(ECBase* event);
    // Holds the previous meter with its time and measure length.
    void HoldPreviousMeter(ECMeter* previous);
    // The first steps of both Prepares: finds the conductor staff of
    // `command` and reads the meter's time and length again. The conductor,
    // or null (nothing to do) without a conductor staff or a meter.
    ECConductor* PrepareEdit(const CCBase& command);
    // The conductor of `command` when both meters are held, distinct, and
    // have lengths greater than 0; null otherwise (re-barring changes
    // nothing).
    ECConductor* RebarConductor(const CCBase& command) const;
    // Re-bars the scope of `scopeMeter` from the meter's time, measures of
    // `oldLength` becoming measures of `newLength` (inserted ones under
    // `newMeter`); see RebarScope in the source. `scopeEnd` becomes the end
    // of the re-timed measures. False when nothing was re-barred.
    bool Rebar(ECPerformance* performance, ECConductor* conductor, ECMeter* scopeMeter, ECMeter* newMeter,
               const MCTime& oldLength, const MCTime& newLength, MCTime& scopeEnd);
    // After the meter changed: hands the events of the re-barred scope (up to
    // `scopeEnd`) to the measures that now hold their times.
    void SettleScope(ECConductor* conductor, const MCTime& scopeEnd);

    int m_nMeasureInsertLocation = -1;
    int m_nMeasureInsertCount = 0;
    ECMeter* m_pMeter = nullptr;           // referenced
    MCTime m_meterTime = MCTime::TimeNull();
    MCTime m_meterDuration = MCTime::TimeNull();
    ECMeter* m_pPreviousMeter = nullptr;   // referenced
    MCTime m_previousTime = MCTime::TimeNull();
    MCTime m_previousDuration = MCTime::TimeNull();
    ECConductorStaff* m_pConductorStaff = nullptr;   // borrowed: the tree holds it
};

// Puts a meter on the conductor staff and re-bars the scope it changes.
class CCAddMeter : public CCAdd, public CCMeterEdit {
public:
    CCAddMeter();
    // AddMeter(meter).
    explicit CCAddMeter(ECMeter* meter);
    // Releases the meter and, with the replace flag set, the replaced one.
    ~CCAddMeter() override;

    // Stores the meter (referenced), its time and its measure length; null
    // and events other than meters are ignored.
    void AddMeter(ECMeter* meter);

    // 0 the new meter, 1 the meter in force at its time before the change,
    // 2 that meter only when the new one replaces it; null otherwise.
    ECMeter* GetMeter(int n) const override;

    int GetCommandId() const override;
    // The base Prepare, the conductor staff, the previous meter (the one in
    // force at the new meter's time) and the replace flag. 0 without a
    // conductor, without a meter whose time is a musical time at or after
    // zero, or without a previous meter.
    int Prepare() override;
    // The base Process (the discard list), then DoAdd. 1 unless the base
    // refused.
    int Process() override;
    // When the new meter stands on the conductor staff and the first meter
    // after it is equal to it, that meter is removed by a nested, synchronous
    // CCRemoveMeter without state notification. 1.
    int Finish() override;

    // Records nothing: the meter comes through AddMeter. Null.
    CCAddItem* Add(ECBase* child, ECBase* parent, const FCMidi& midi) override;

protected:
    // Re-bars the previous meter's scope from the new meter's time at the new
    // length, replaces or adds the meter and moves the events of the scope
    // into their measures (see the top of this file). Nothing changes when a
    // length is 0 or less, a meter is missing or the two are the same object.
    void DoAdd();

private:
    // The first meter after the new one in time, or null.
    ECMeter* FindNextMeter();

    int m_nReplace = 0;
};

// Takes a meter off the conductor staff, with its mirrors, and re-bars its
// scope into the meter in force before it.
class CCRemoveMeter : public CCRemove, public CCMeterEdit {
public:
    CCRemoveMeter();
    // RemoveMeter(meter).
    explicit CCRemoveMeter(ECMeter* meter);
    // Releases the meter.
    ~CCRemoveMeter() override;

    // Stores the meter (referenced), its time and its measure length; null
    // and events other than meters are ignored.
    void RemoveMeter(ECMeter* meter);

    // 0 the removed meter, 1 the meter in force before it (the one in force
    // after the removal); null otherwise.
    ECMeter* GetMeter(int n) const override;

    int GetCommandId() const override;
    // The base Prepare, the conductor staff, the previous meter (the one in
    // force just before the removed one: for the first meter of the piece,
    // the meter itself) and the meter's mirrors into the remove list. 0
    // without a conductor or without a previous meter.
    int Prepare() override;
    // CCRemove::Process (the discard list and the mirrors leave the tree),
    // then DoRemove. 1 unless the base refused.
    int Process() override;

    // Does nothing: the meter comes through RemoveMeter.
    void Remove(ECBase* event) override;

protected:
    // Re-bars the removed meter's scope at the previous meter's length and
    // takes the meter off the conductor staff. Nothing changes when a length
    // is 0 or less, a meter is missing, the two are the same object, or the
    // meter is not a child of the conductor staff.
    void DoRemove();

};
