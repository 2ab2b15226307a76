// Untyped pointer lists of the data model, and the callback list built on them.
//
// MCPtrList: the linked list of the model (model/nodelist.h) over untyped
// pointers; it owns its nodes, never the pointers. Not serializable.
// MCFuncList: a list of callback records (a handler and its user data) that it
// owns; CallCallbacks calls them head to tail.
//
// Neither list locks: whoever owns one decides the thread (the command and
// state managers use theirs on the user-interface thread).
#pragma once

#include "model/nodelist.h"
#include "platform/core/object.h"

class ECBase;

class MCPtrList : public MCNodeList<void> {
    DECLARE_DYNAMIC(MCPtrList)
public:
    // The block size is accepted for the system's callers and ignored.
    explicit MCPtrList(int blockSize = 10);
};

// A callback of the data model: called with (event, code, data, user) and
// answering an int (what the answer means is the caller's).
using MCCallback = int (*)(ECBase* event, int code, void* data, void* user);

// The callback record the list owns. The two reserved words are kept at 0.
struct MCCallbackRecord {
    MCCallback handler;
    void* reserved1;
    void* reserved2;
    void* user;
};

class MCFuncList : public MCPtrList {
    DECLARE_DYNAMIC(MCFuncList)
public:
    explicit MCFuncList(int blockSize = 10) : MCPtrList(blockSize) {}
    ~MCFuncList() override;

    // A new record at the tail.
    POSITION AddCallback(MCCallback handler, void* user);
    // A new record before pos, or at the head when pos is null.
    POSITION InsertCallback(MCCallback handler, void* user, POSITION pos);
    // Removes and frees the first record of this handler, if any.
    void RemoveCallback(MCCallback handler);
    // Frees every record, from the tail.
    void RemoveCallbacks();
    // Calls every handler, head to tail, with (event, code, data, user). The
    // answers are ignored; returns 0. The walk takes the next record before
    // each call, so a handler may remove its own record (but no other).
    int CallCallbacks(ECBase* event, int code, void* data);

    MCCallbackRecord* GetRecord(POSITION pos) const { return static_cast<MCCallbackRecord*>(GetAt(pos)); }
};
