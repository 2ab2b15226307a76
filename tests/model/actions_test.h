// Test trees for the tree actions: events built from the base classes that
// report a chosen event type, named so that a walk can be written down.
#pragma once

#include <map>
#include <string>

#include "model/event.h"
#include "model/eventtypes.h"
#include "model/lists.h"

namespace actiontest {

// An event with children, a time and a voice/track word that answers the
// type it was given, so that clipping and type filters see a beam, a note or
// a key without the real classes.
class TypedEvent : public ECWithTimeChild {
public:
    TypedEvent(std::string name, int type) : m_name(std::move(name)), m_type(type) {}

    int GetClassType() const override { return m_type; }
    void PostSerialize(CArchive&) override { ++m_postSerialized; }

    const std::string& GetName() const { return m_name; }
    int PostSerializeCount() const { return m_postSerialized; }

private:
    std::string m_name;
    int m_type;
    int m_postSerialized = 0;
};

// An event with children but without time or voice/track word.
class UntimedEvent : public ECWithChild {
public:
    explicit UntimedEvent(std::string name) : m_name(std::move(name)) {}
    const std::string& GetName() const { return m_name; }

private:
    std::string m_name;
};

// The name of a test event, "?" for any other.
inline std::string NameOf(ECBase* event) {
    if (auto* typed = dynamic_cast<TypedEvent*>(event))
        return typed->GetName();
    if (auto* untimed = dynamic_cast<UntimedEvent*>(event))
        return untimed->GetName();
    return "?";
}

// Events by name. Holds a reference on each event it made and frees them all
// at the end, after cutting every link.
class TestTree {
public:
    TestTree() = default;
    TestTree(const TestTree&) = delete;
    TestTree& operator=(const TestTree&) = delete;
    ~TestTree() {
        POSITION pos = m_all.GetHeadPosition();
        while (pos != nullptr)
            m_all.GetNext(pos)->RemoveChildren(0);
        m_all.RemoveAll();
    }

    // A typed event at `time` (no time argument: the null time), under
    // `parent` when one is named, sorted by time among its siblings.
    TypedEvent* Add(const std::string& name, int type, const char* parent = nullptr,
                    float time = -1.0f, int sorted = SORTED) {
        auto* event = new TypedEvent(name, type);
        MCTime t(time);
        event->SetTime(&t);
        Enter(name, event, parent, sorted);
        return event;
    }

    UntimedEvent* AddUntimed(const std::string& name, const char* parent = nullptr) {
        auto* event = new UntimedEvent(name);
        Enter(name, event, parent, UNSORTED);
        return event;
    }

    // A further parent for an event already in the tree.
    void Link(const std::string& child, const std::string& parent, int sorted = SORTED) {
        (*this)[parent]->AddChild((*this)[child], sorted);
    }

    ECBase* operator[](const std::string& name) const { return m_byName.at(name); }

    TypedEvent* Typed(const std::string& name) const {
        return dynamic_cast<TypedEvent*>(m_byName.at(name));
    }

private:
    void Enter(const std::string& name, ECBase* event, const char* parent, int sorted) {
        m_all.AddEvent(event, UNSORTED);
        m_byName[name] = event;
        if (parent != nullptr)
            (*this)[parent]->AddChild(event, sorted);
    }

    MCEventList m_all;                        // a reference on every event
    std::map<std::string, ECBase*> m_byName;  // borrowed from m_all
};

// The tree most walks are traced on: a staff of two measures; the first
// holds a beam over its two notes, the first note an accidental.
//
//   S (staff, 0)
//     M1 (measure, 0):  Bm (beam, 0) [N1, N2], N1 (note, 0) [A], N2 (note, 1), R (rest, 2)
//     M2 (measure, 4):  N3 (note, 4)
inline void BuildStaff(TestTree& tree) {
    tree.Add("S", ET_STAFF, nullptr, 0.0f);
    tree.Add("M1", ET_MEASURE, "S", 0.0f);
    tree.Add("Bm", ET_BEAM, "M1", 0.0f);
    tree.Add("N1", ET_NOTE, "M1", 0.0f);
    tree.Add("A", ET_ACCIDENTAL, "N1", 0.0f);
    tree.Add("N2", ET_NOTE, "M1", 1.0f);
    tree.Add("R", ET_REST, "M1", 2.0f);
    tree.Link("N1", "Bm");
    tree.Link("N2", "Bm");
    tree.Add("M2", ET_MEASURE, "S", 4.0f);
    tree.Add("N3", ET_NOTE, "M2", 4.0f);
}

// The names of a list's events, space-separated.
inline std::string NamesOf(MCEventList& list) {
    std::string names;
    POSITION pos = list.GetHeadPosition();
    while (pos != nullptr) {
        if (!names.empty())
            names += ' ';
        names += NameOf(list.GetNext(pos));
    }
    return names;
}

}  // namespace actiontest
