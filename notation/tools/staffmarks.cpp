// The clef and key tools' shared lookups and replacement (see staffmarks.h).
#include "notation/tools/staffmarks.h"

#include "model/basiccommands.h"
#include "model/conductorstaff.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/markings.h"
#include "model/measure.h"
#include "model/performance.h"
#include "model/staff.h"
#include "notation/autonote/autonote.h"
#include "notation/view/cantrel.h"

#include <algorithm>
#include <memory>
#include <mutex>

namespace {

constexpr unsigned char kGrandStaff = 1;
constexpr int kLastUpperVoice = 3;
constexpr unsigned char kUpperHand = 0;
constexpr unsigned char kLowerHand = 1;
// ACFindTime: both ends of the range included.
constexpr int kClosedRange = 0;

unsigned char HandOf(ECBase* mark) {
    if (auto* clef = dynamic_cast<ECClef*>(mark))
        return clef->GetHand();
    if (auto* key = dynamic_cast<ECKey*>(mark))
        return key->GetHand();
    return kUpperHand;
}

}  // namespace

ECStaff* StaffOfMeasure(ECConductorStaff* conductorStaff, ECBase* measure) {
    const MCVoiceTrack* word = measure ? measure->GetVoiceTrack() : nullptr;
    if (!conductorStaff || !word)
        return nullptr;
    return conductorStaff->GetStaff(word->GetTrack(), 0);
}

unsigned char HandForVoice(const ECStaff* staff, int voice) {
    return staff && staff->GetStaffType() == kGrandStaff && voice > kLastUpperVoice ? kLowerHand : kUpperHand;
}

ECBase* MarkInForce(ECPerformance* performance, ECStaff* staff, int type, const MCTime& time, unsigned char hand) {
    if (!performance || !staff)
        return nullptr;
    std::lock_guard lock(performance->GetLock());
    if (type == ET_CLEF)
        return staff->GetClefAtTime(time, hand);
    if (type == ET_KEY)
        return staff->GetKeyAtTime(time, hand);
    return nullptr;
}

int RemoveMarksAt(CCantrel& view, ECPerformance* performance, const std::vector<ECMeasure*>& measures, int type,
                  const MCTime& time, unsigned char hand) {
    if (!performance)
        return 0;
    std::unique_ptr<CCRemove> remove;
    int taken = 0;
    {
        std::lock_guard lock(performance->GetLock());
        std::vector<ECMeasure*> searched;
        for (ECMeasure* measure : measures) {
            if (!measure || std::find(searched.begin(), searched.end(), measure) != searched.end())
                continue;
            searched.push_back(measure);
            ACFindTime find(time, time, kClosedRange);
            find.AddEvtType(type);
            find.Apply(measure);
            for (POSITION pos = find.GetEvents().GetHeadPosition(); pos;) {
                ECBase* mark = find.GetEvents().GetNext(pos);
                if (HandOf(mark) != hand)
                    continue;
                if (!remove) {
                    remove = std::make_unique<CCRemove>();
                    remove->SetSynchronous(1);
                    remove->SetStateNotify(0);
                    // The new mark prepares the span both would redraw.
                    view.GetAutoNote().SetReplaceEvent(1);
                }
                remove->Remove(mark);
                ++taken;
            }
        }
    }
    if (remove)
        remove.release()->Apply(performance);   // carried out before Apply returns
    return taken;
}
