// A plug-in that notes what start-up has made when its InitPlugins runs:
// the performer classes registered, the Information view's record, the
// document templates.
#include "interface/document/pluginrecords.h"
#include "model/eventtypes.h"
#include "model/plugin.h"
#include "platform/ui/app.h"
#include "platform/ui/docmanager.h"

namespace {
int s_performers = -1;
int s_infoViewRecord = -1;
int s_templates = -1;
}  // namespace

extern "C" int InitPlugins() {
    s_performers = 0;
    for (int type = 0; type < ET_COUNT; ++type) {
        if (CPluginData::GetDataClass(DK_SEQUENCER, type))
            ++s_performers;
    }
    s_infoViewRecord = CPluginView::FindPlugin(1 + VIEW_ID_OFFSET) ? 1 : 0;
    s_templates = 0;
    if (CDocManager* manager = AfxGetApp() ? AfxGetApp()->GetDocManager() : nullptr) {
        for (POSITION pos = manager->GetFirstDocTemplatePosition(); pos; manager->GetNextDocTemplate(pos))
            ++s_templates;
    }
    return 1;
}

extern "C" void OrderPlugInSeen(int* performers, int* infoViewRecord, int* templates) {
    *performers = s_performers;
    *infoViewRecord = s_infoViewRecord;
    *templates = s_templates;
}
