// MCPtrList and MCFuncList: untyped pointer lists and callback records.
#include "model/ptrlists.h"

IMPLEMENT_DYNAMIC(MCPtrList, CObject)
IMPLEMENT_DYNAMIC(MCFuncList, MCPtrList)

MCPtrList::MCPtrList(int /*blockSize*/) {}

// ---- MCFuncList -------------------------------------------------------------

MCFuncList::~MCFuncList() {
    RemoveCallbacks();
}

POSITION MCFuncList::AddCallback(MCCallback handler, void* user) {
    return AddTail(new MCCallbackRecord{handler, nullptr, nullptr, user});
}

POSITION MCFuncList::InsertCallback(MCCallback handler, void* user, POSITION pos) {
    return InsertBefore(pos, new MCCallbackRecord{handler, nullptr, nullptr, user});
}

void MCFuncList::RemoveCallback(MCCallback handler) {
    for (POSITION pos = GetHeadPosition(); pos;) {
        POSITION here = pos;
        auto* record = static_cast<MCCallbackRecord*>(GetNext(pos));
        if (record->handler == handler) {
            RemoveAt(here);
            delete record;
            return;
        }
    }
}

void MCFuncList::RemoveCallbacks() {
    while (!IsEmpty())
        delete static_cast<MCCallbackRecord*>(RemoveTail());
}

int MCFuncList::CallCallbacks(ECBase* event, int code, void* data) {
    for (POSITION pos = GetHeadPosition(); pos;) {
        auto* record = static_cast<MCCallbackRecord*>(GetNext(pos));
        if (record->handler)
            record->handler(event, code, data, record->user);
    }
    return 0;
}
