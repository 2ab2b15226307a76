// DCctRepeat: the measure-repeat sign, its glyph and its place.
#include "notation/display/repeat.h"

#include "platform/core/archive.h"

#include "model/conductor.h"
#include "model/event.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/markings.h"
#include "model/measure.h"
#include "notation/display/conductormeasure.h"
#include "notation/display/measure.h"
#include "notation/layout/rulerruler.h"

IMPLEMENT_SERIAL(DCctRepeat, DCctBase, VERSIONABLE_SCHEMA | 2)

namespace {

constexpr int kTicksPerQuarter = 256;
constexpr WORD kNoBase = 0x4000;   // an element without a division base

}  // namespace

DCctRepeat::~DCctRepeat() = default;

int DCctRepeat::Position(ECConductor* conductor, ECStaff*, ECMeasure* measure, ECBase*) {
    ECBase* owner = GetOwner();
    ECBase* bar = measure;
    if (!bar && owner)
        bar = owner->GetAncestor(ET_MEASURE, -1);
    if (!bar || !bar->GetTime() || !owner)
        return 0;
    if (!conductor)
        conductor = GetConductor();
    if (!conductor)
        return 0;

    MCTime barTime = *bar->GetTime();
    ECMeasure* column = conductor->GetMeasure(0, barTime, 0, 1);
    auto* columnDisplay = column ? dynamic_cast<DCctConductorMeasure*>(column->GetData(DK_NOTATION, 0)) : nullptr;
    if (!columnDisplay)
        return 0;
    MCRuler& ruler = columnDisplay->GetRuler();

    const int type = static_cast<ECRepeat*>(owner)->GetRepeatType();
    if (type == 4 || type == 5) {
        SetX(ruler.GetBarlineX() / 2);
    } else {
        const MCTime* time = owner->GetTime();
        const long tick = (time ? time->GetTicks(kTicksPerQuarter) : 0) - barTime.GetTicks(kTicksPerQuarter);
        SetX(ruler.GetXPositionForTick(static_cast<short>(tick), kNoBase));
    }

    const int h = MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT);
    int y = -3 * h;
    const MCVoiceTrack* word = owner->GetVoiceTrack();
    if (word && word->GetVoice() > 3) {
        if (auto* barDisplay = dynamic_cast<DCctMeasure*>(bar->GetData(DK_NOTATION, 0)))
            y += barDisplay->GetLeftHandOffset();
    }
    SetY(y);

    ACFindEvents rests;
    rests.AddEvtType(ET_REST);
    rests.Apply(bar);
    MCEventList& found = rests.GetEvents();
    for (POSITION pos = found.GetHeadPosition(); pos != nullptr;) {
        ECBase* rest = found.GetNext(pos);
        if (auto* display = dynamic_cast<DCctBase*>(rest->GetData(DK_NOTATION, 0)))
            display->SetHidden(1);
    }
    return 1;
}

UINT DCctRepeat::GetFontFromType() {
    auto* owner = dynamic_cast<ECRepeat*>(GetOwner());
    if (!owner)
        return 0;
    switch (owner->GetRepeatType()) {
    case 0:
    case 1:
    case 2:
        return 213;
    case 3:
        return 199;
    case 4:
        return 212;
    case 5:
        return 34;
    default:
        return 0;
    }
}

int DCctRepeat::AdjustForFont(int height) {
    return AdjustForSmallFont(height);
}
