// Test support for inspector pages: a page showing one number in one edit
// that notes what Apply writes, and a log of the edit states (1200) a
// performance receives, by the events each lists.
#pragma once

#include "interface/document/pagebases.h"
#include "model/editstates.h"
#include "model/lists.h"
#include "platform/ui/ddx.h"

#include <vector>

namespace page_support {

// Shows m_nValue in the control `nIDValue`; UpdateEvent notes each event and
// the edit it was given, and adds the event to the edit.
class CRecordingPage : public MCInspectorPage {
public:
    CRecordingPage(UINT nIDTemplate, int nIDValue) : MCInspectorPage(nIDTemplate), m_nIDValue(nIDValue) {}

    int m_nValue = 0;
    std::vector<ECBase*> m_updated;          // UpdateEvent's events, in order
    std::vector<SCEventEdit*> m_edits;       // and the edit each was given

    void UpdateEvent(ECBase* event, SCEventEdit* edit) override {
        m_updated.push_back(event);
        m_edits.push_back(edit);
        edit->AddItem(event, 0);
    }

protected:
    void DoDataExchange(CDataExchange* pDX) override {
        MCInspectorPage::DoDataExchange(pDX);
        DDX_Text(pDX, m_nIDValue, m_nValue);
    }

private:
    int m_nIDValue;
};

// Register OnState as a state handler with the log as its user data.
struct EditLog {
    std::vector<std::vector<ECBase*>> edits;   // per 1200 received: its items' events

    static int OnState(ECBase*, int, void* data, void* user) {
        auto* state = static_cast<SCBase*>(data);
        if (state->GetCode() != STATE_EVENTS_EDITED)
            return 0;
        auto& edits = static_cast<EditLog*>(user)->edits;
        edits.emplace_back();
        MCPtrList& items = static_cast<SCEventEdit*>(state)->GetEditList();
        for (POSITION pos = items.GetHeadPosition(); pos;)
            edits.back().push_back(static_cast<SCEventEditItem*>(items.GetNext(pos))->GetEvent());
        return 0;
    }
};

}  // namespace page_support
