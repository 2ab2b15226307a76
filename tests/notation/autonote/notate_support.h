// What the pass and tie tests share: a stand-in for a notated element's
// display object (a tick start, a tick duration, a borrowed flag and base)
// and a scope that registers it for notes, chords and rests and links the
// passes' reads to it, putting the earlier registrations and links back.
// The class is implemented in passbase_test.cpp.
#pragma once

#include "model/eventtypes.h"
#include "model/plugin.h"
#include "notation/autonote/notatelinks.h"
#include "notation/display/base.h"
#include "tests/notation/display/measure_support.h"

#include <memory>
#include <vector>

namespace notate_test {

class StandInNotate : public DCctBase {
    DECLARE_DYNCREATE(StandInNotate)
public:
    int tickStart = 0;
    int tickDuration = 0;
    int borrowed = 0;
    int base = 0;
};

class NotateScope {
public:
    NotateScope() : m_saved(GetNotateLinks()) {
        for (int type : {ET_NOTE, ET_CHORD, ET_REST})
            m_cells.push_back(std::make_unique<measure_test::RegistryCell>(type, RUNTIME_CLASS(StandInNotate)));
        NotateLinks& links = GetNotateLinks();
        links.tickStart = [](DCBase* display, int) { return Read(display, &StandInNotate::tickStart); };
        links.tickDuration = [](DCBase* display, int) { return Read(display, &StandInNotate::tickDuration); };
        links.isBorrowed = [](DCBase* display) { return std::max(Read(display, &StandInNotate::borrowed), 0); };
        links.base = [](DCBase* display, int) { return Read(display, &StandInNotate::base); };
    }
    ~NotateScope() { GetNotateLinks() = m_saved; }
    NotateScope(const NotateScope&) = delete;
    NotateScope& operator=(const NotateScope&) = delete;

    // The element's stand-in, made for it.
    static StandInNotate* Display(ECBase* event) {
        return dynamic_cast<StandInNotate*>(event->GetData(DK_NOTATION, 1));
    }

private:
    static int Read(DCBase* display, int StandInNotate::*field) {
        auto* notate = dynamic_cast<StandInNotate*>(display);
        return notate ? notate->*field : -1;
    }

    NotateLinks m_saved;
    std::vector<std::unique_ptr<measure_test::RegistryCell>> m_cells;
};

}  // namespace notate_test
