// Making embedded objects from files and offered data.
#include "interface/document/embedding.h"

#include "model/frame.h"
#include "platform/ui/clipboard.h"

// FIXME: not built yet; nothing can become an object so far.
int CreateItemFromFile(CScoreCntrItem&, const std::string&, int) {
    return 0;
}

int CreateItemFromData(CScoreCntrItem&, COleDataObject&, int) {
    return 0;
}

int CanCreateItemFromData(COleDataObject&) {
    return 0;
}
