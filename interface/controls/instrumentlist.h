// MCInstrumentList: a combo box of the instrument definition files
// (instruments.h), an entry per file that names itself ("Info" "Name"), in
// file-name order, each entry's item data an owned copy of the file's path.
//
// Ownership: the paths are the control's; RemoveInstruments and the end of the
// window free them. User-interface thread only.
#pragma once

#include "platform/ui/lists.h"
#include "platform/ui/msgmap.h"

#include <string>

class MCInstrumentList : public CComboBox {
    DECLARE_DYNAMIC(MCInstrumentList)
public:
    MCInstrumentList() = default;
    ~MCInstrumentList() override;

    // Takes over control `id` of `parent`; 0 when there is none.
    int SubclassInstrumentList(UINT id, CWnd* parent);

    // Replaces the entries by the files of the instrument folder; 0 when the
    // folder holds no "*.INI" file, else 1.
    int LoadInstruments();
    // Adds the file at `path` under its name; nothing when it has none.
    void LoadInstrument(const std::string& path);
    // Deletes every entry, last first, with its path.
    void RemoveInstruments();

    // The selected entry's name or path; empty with nothing selected.
    std::string GetSelectedInstrument() const;
    std::string GetSelectedInstrumentFile() const;
    // Selects the first entry that begins with `name` (without regard to case);
    // the selection stays when none does.
    void SetSelectedInstrument(const std::string& name);

protected:
    afx_msg void OnDestroy();
    DECLARE_MESSAGE_MAP()
};
