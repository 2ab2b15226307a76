// The plug-in's start-up entry and the view's record.
#include "notation/view/startup.h"

#include "interface/document/musicpage.h"
#include "interface/document/pluginrecords.h"
#include "model/notes.h"
#include "model/plugin.h"
#include "notation/display/musicbutton.h"
#include "notation/display/records.h"
#include "notation/view/cantrel.h"
#include "notation/view/scorewnd.h"
#include "notation/view/viewids.h"

namespace {

// The notation view in its score window, with this library's resources.
CPluginView s_viewRecord(RUNTIME_CLASS(CCantrel), RUNTIME_CLASS(CScoreWnd),
                         GetModuleForAddress(reinterpret_cast<const void*>(&InitPlugins)), IDR_CANTREL,
                         IDS_MUSIC_SCORE, kCantrelViewOrder);

}  // namespace

CPluginView& ViewRecord() {
    return s_viewRecord;
}

extern "C" int InitPlugins() {
    // The view's list keeps every record added: a second start (tests start
    // the plug-in again and again) must not list the view twice.
    if (CPluginView::FindPlugin(RUNTIME_CLASS(CCantrel)) != &s_viewRecord)
        CPluginView::AddPlugin(&s_viewRecord);
    for (const CPluginData& record : DisplayDataRecords())
        CPluginData::AddPlugin(&record);
    // The inspector pages (notation/pages) and the preference pages are
    // registered here, before the music buttons' drawing, by the issues that
    // bring them.
    MCMusicButton::SetMusicDrawItemFunc(&DrawMusicButton);
    ECNote::SetDurationFuncs(CCantrel::DurFunc, CCantrel::DurFuncInverse, nullptr);
    return 87;
}
