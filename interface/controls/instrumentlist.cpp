#include "interface/controls/instrumentlist.h"

#include "interface/controls/dlgitem.h"
#include "interface/controls/instruments.h"
#include "platform/core/profile.h"

IMPLEMENT_DYNAMIC(MCInstrumentList, CComboBox)

BEGIN_MESSAGE_MAP(MCInstrumentList, CComboBox)
    ON_WM_DESTROY()
END_MESSAGE_MAP()

MCInstrumentList::~MCInstrumentList() {
    // A window destroyed with its parent has gone through OnDestroy; this frees
    // what is left when the object goes first.
    RemoveInstruments();
}

int MCInstrumentList::SubclassInstrumentList(UINT id, CWnd* parent) {
    return MCTakeOverDlgItem(*this, id, parent) ? 1 : 0;
}

int MCInstrumentList::LoadInstruments() {
    RemoveInstruments();
    const std::vector<std::string> files = MCFindInstrumentFiles();
    for (const std::string& path : files)
        LoadInstrument(path);
    return files.empty() ? 0 : 1;
}

void MCInstrumentList::LoadInstrument(const std::string& path) {
    const std::string name = GetPrivateProfileString("Info", "Name", "", path);
    if (name.empty())
        return;
    const int entry = AddString(name.c_str());
    if (entry >= 0)
        SetItemDataPtr(entry, new std::string(path));
}

void MCInstrumentList::RemoveInstruments() {
    if (!m_hWnd)
        return;
    for (int entry = GetCount() - 1; entry >= 0; --entry) {
        delete static_cast<std::string*>(GetItemDataPtr(entry));
        DeleteString(static_cast<UINT>(entry));
    }
}

std::string MCInstrumentList::GetSelectedInstrument() const {
    std::string name;
    const int selected = GetCurSel();
    if (selected >= 0)
        GetLBText(selected, name);
    return name;
}

std::string MCInstrumentList::GetSelectedInstrumentFile() const {
    const int selected = GetCurSel();
    const auto* path = selected >= 0 ? static_cast<const std::string*>(GetItemDataPtr(selected)) : nullptr;
    return path ? *path : std::string();
}

void MCInstrumentList::SetSelectedInstrument(const std::string& name) {
    SelectString(-1, name.c_str());
}

void MCInstrumentList::OnDestroy() {
    RemoveInstruments();
    CComboBox::OnDestroy();
}
