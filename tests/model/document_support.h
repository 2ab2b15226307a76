// Test and benchmark support for whole documents: a new performance, a tree
// freed, a document saved and loaded as the program does it (the tree, then
// the after-load pass), and every event of a tree listed once. Nothing here
// uses the test framework, so the benchmarks share it.
#pragma once

#include "model/editactions.h"
#include "model/event.h"
#include "model/performance.h"
#include "platform/core/archive.h"

#include <cstdint>
#include <set>
#include <vector>

namespace document {

// A new performance at the current file version, held by the caller.
inline ECPerformance* NewPerformance() {
    auto* performance = new ECPerformance;
    performance->Ref();
    performance->SetVersion(ECPerformance::CURRENT_VERSION);
    return performance;
}

// Frees a performance's tree and the caller's hold on it.
inline void FreeTree(ECPerformance* performance) {
    performance->RemoveChildren(1);
    performance->Unref(1);
}

// Reads `file` into a new performance (held by the caller), which is the
// active performance while `read(archive, performance)` runs. What `read`
// throws is thrown again after `free` has taken the performance.
template <class Read, class Free = void (*)(ECPerformance*)>
ECPerformance* ReadPerformance(CFile& file, const Read& read, Free free = FreeTree) {
    ECPerformance* performance = NewPerformance();
    ECPerformance* previous = ECPerformance::SetActivePerformance(performance);
    CArchive ar(&file, CArchive::load);
    try {
        read(ar, performance);
    } catch (...) {
        ECPerformance::SetActivePerformance(previous);
        free(performance);
        throw;
    }
    ECPerformance::SetActivePerformance(previous);
    return performance;
}

// The same from `bytes`.
template <class Read, class Free = void (*)(ECPerformance*)>
ECPerformance* ReadPerformance(const std::vector<uint8_t>& bytes, const Read& read, Free free = FreeTree) {
    CMemFile file(bytes);
    return ReadPerformance(file, read, free);
}

// The tree and then the after-load pass, as a document writes them: the
// performance is entered in the archive's map first, so that references to it
// from inside the tree are back references.
inline std::vector<uint8_t> SaveDocument(ECPerformance* performance) {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    ar.MapObject(performance);
    performance->Serialize(ar);
    ACPostSerialize(ar).Apply(performance);
    ar.Close();
    return file.Detach();
}

// Reads a document written by SaveDocument (its bytes, or a file holding them)
// into a new performance (held by the caller). Throws what the archive
// throws, after `free` has taken the tree.
template <class Source, class Free = void (*)(ECPerformance*)>
ECPerformance* LoadDocument(Source&& bytesOrFile, Free free = FreeTree) {
    return ReadPerformance(
        bytesOrFile,
        [](CArchive& ar, ECPerformance* performance) {
            ar.MapObject(performance);
            performance->Serialize(ar);
            ACPostSerialize(ar).Apply(performance);
        },
        free);
}

// Every event reachable from `root` through children, each once, depth first.
inline std::vector<ECBase*> TreeEvents(ECBase* root) {
    std::vector<ECBase*> events;
    std::set<ECBase*> seen;
    std::vector<ECBase*> stack{root};
    while (!stack.empty()) {
        ECBase* event = stack.back();
        stack.pop_back();
        if (!seen.insert(event).second)
            continue;
        events.push_back(event);
        MCEventList* children = event->GetChildren();
        for (POSITION pos = children ? children->GetTailPosition() : nullptr; pos;)
            stack.push_back(children->GetPrev(pos));
    }
    return events;
}

}  // namespace document
