#include "interface/controls/eventicon.h"

#include "model/eventtypes.h"
#include "platform/ui/uiresources.h"

namespace {

constexpr unsigned kDefaultIcon = 11783;

const struct {
    int type;
    unsigned icon;
} kIcons[] = {
    {ET_ACCENT, 11780},          {ET_ACCIDENTAL, 11781},     {ET_BANKLSB, 11782},
    {ET_BANKMSB, 11782},         {ET_CLEF, 11784},           {ET_CONDUCTORMEASURE, 11789},
    {ET_MEASURE, 11789},         {ET_CONDUCTORSTAFF, 11785}, {ET_CONTROLCHANGE, 11786},
    {ET_DYNAMIC, 11787},         {ET_KEY, 11788},            {ET_METER, 11790},
    {ET_NOTE, 11791},            {ET_PERFORMANCE, 11792},    {ET_PITCHBEND, 11793},
    {ET_PROGRAMCHANGE, 11794},   {ET_REST, 11795},           {ET_STAFF, 11796},
    {ET_SYSTEMMESSAGE, 11797},   {ET_TEMPO, 11798},          {ET_TEXT, 11799},
};

}  // namespace

unsigned MCGetEventIconId(int eventType) {
    for (const auto& entry : kIcons)
        if (entry.type == eventType)
            return entry.icon;
    return kDefaultIcon;
}

QIcon MCGetEventIcon(int eventType, int) {
    return LoadIcon(MCGetEventIconId(eventType));
}
