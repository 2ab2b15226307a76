// What the engine's walk tests share: the progress states a performance's
// state handler saw, in order.
#pragma once

#include "model/appstates.h"
#include "model/states.h"

#include <ostream>
#include <string>
#include <tuple>
#include <vector>

class ECBase;

namespace autonote_test {

// A progress state as the performance's handlers saw it.
struct Progress {
    unsigned code;
    std::string text;
    int low = 0, high = 0;
    bool operator==(const Progress& o) const {
        return std::tie(code, text, low, high) == std::tie(o.code, o.text, o.low, o.high);
    }
};
inline void PrintTo(const Progress& p, std::ostream* os) {
    *os << "{" << p.code << " \"" << p.text << "\" " << p.low << ".." << p.high << "}";
}

inline int RecordProgress(ECBase*, int, void* state, void* user) {
    auto* status = dynamic_cast<SCStatus*>(static_cast<SCBase*>(state));
    if (status && status->GetCode() >= STATE_PROGRESS_BEGIN && status->GetCode() <= STATE_PROGRESS_END) {
        Progress seen{status->GetCode(), status->GetMessage()};
        if (seen.code == STATE_PROGRESS_BEGIN)   // the others carry no range of their own
            status->GetProgressRange(seen.low, seen.high);
        static_cast<std::vector<Progress>*>(user)->push_back(seen);
    }
    return 1;
}

}  // namespace autonote_test
