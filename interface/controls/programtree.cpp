#include "interface/controls/programtree.h"
#include "interface/controls/audition.h"

#include "interface/controls/dlgitem.h"
#include "interface/controls/instruments.h"
#include "platform/core/format.h"
#include "platform/core/profile.h"
#include "platform/core/resources.h"
#include "platform/ui/cursor.h"
#include "platform/ui/menu.h"
#include "platform/ui/uiresources.h"

#include <QIcon>
#include <QImage>

IMPLEMENT_DYNAMIC(MCProgramTree, CTreeCtrl)

STRING_TABLE({11533, "%02d) "}, {11534, "B%02d: "});

namespace {

const MenuTemplate kTreeMenu = {{
    {MF_POPUP, 0, "Programs", {
        {MF_STRING, MCProgramTree::ID_SHOW_BANK, "Show Bank &Number"},
        {MF_STRING, MCProgramTree::ID_SHOW_PROGRAM, "Show &Program Change"},
        {MF_SEPARATOR},
        {MF_STRING | MFT_RADIOCHECK, MCProgramTree::ID_GROUP_BY_BANK, "Group by &Bank"},
        {MF_STRING | MFT_RADIOCHECK, MCProgramTree::ID_GROUP_BY_TYPE, "Group by &Instrument Type"},
        {MF_SEPARATOR},
        {MF_STRING, MCProgramTree::ID_EXPAND_ALL, "&Expand All"},
        {MF_STRING, MCProgramTree::ID_COLLAPSE_ALL, "&Collapse All"},
        {MF_SEPARATOR},
        {MF_STRING, MCProgramTree::ID_AUDITION, "&Audition..."},
    }},
}};
MENU_RESOURCE(MCProgramTree::IDR_TREE_MENU, kTreeMenu);

// The icons' background: pure red, shown as the window behind them.
constexpr COLORREF kIconMask = 0x0000FF;

// Image indexes in the tree's list.
enum { IMAGE_GROUP = 0, IMAGE_VOICE = 1, IMAGE_VOICE_SELECTED = 2 };

std::string Section(bool byBank) {
    return byBank ? "Banks" : "Groups";
}

}  // namespace

BEGIN_MESSAGE_MAP(MCProgramTree, CTreeCtrl)
    ON_NOTIFY_REFLECT_EX(TVN_ITEMEXPANDING, &MCProgramTree::OnItemExpanding)
    ON_NOTIFY_REFLECT_EX(TVN_ITEMEXPANDED, &MCProgramTree::OnItemExpanded)
    ON_NOTIFY_REFLECT_EX(TVN_DELETEITEM, &MCProgramTree::OnDeleteItem)
    ON_WM_CONTEXTMENU()
    ON_WM_DESTROY()
    ON_COMMAND(MCProgramTree::ID_EXPAND_ALL, &MCProgramTree::OnExpandAll)
    ON_COMMAND(MCProgramTree::ID_COLLAPSE_ALL, &MCProgramTree::OnCollapseAll)
    ON_COMMAND_RANGE(MCProgramTree::ID_SHOW_BANK, MCProgramTree::ID_SHOW_PROGRAM, &MCProgramTree::OnShowFlag)
    ON_COMMAND_RANGE(MCProgramTree::ID_GROUP_BY_TYPE, MCProgramTree::ID_GROUP_BY_BANK, &MCProgramTree::OnGroupBy)
    ON_COMMAND(MCProgramTree::ID_AUDITION, &MCProgramTree::OnAudition)
END_MESSAGE_MAP()

MCProgramTree::~MCProgramTree() {
    // The items go while the entries they name still exist.
    if (m_hWnd)
        DestroyWindow();
}

BOOL MCProgramTree::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    if (!CTreeCtrl::Create(style, rect, parent, id))
        return 0;
    InitWindow();
    return 1;
}

int MCProgramTree::SubclassProgramTree(UINT id, CWnd* parent) {
    if (!MCTakeOverDlgItem(*this, id, parent))
        return 0;
    InitWindow();
    return 1;
}

void MCProgramTree::InitWindow() {
    if (!m_images) {
        m_images.Create(16, 16, ILC_COLOR8 | ILC_MASK, 3, 0);
        for (UINT id : {IDI_GROUP, IDI_VOICE, IDI_VOICE_SELECTED}) {
            QImage image = LoadIcon(id).pixmap(16, 16).toImage();
            if (image.isNull()) {
                // Without the artwork the items still take their places.
                image = QImage(16, 16, QImage::Format_ARGB32);
                image.fill(Qt::transparent);
            }
            m_images.Add(image, kIconMask);
        }
    }
    SetImageList(&m_images, TVSIL_NORMAL);
}

void MCProgramTree::LoadInstrument(const std::string& path, int bank, int program) {
    CWaitCursor wait;
    const bool isNew = path != m_strPath;
    if (isNew)
        m_strPath = path;
    const bool given = bank != -1 && program != -1;
    if (given && bank == m_nBank && program == m_nProgram && !isNew)
        return;
    m_nBank = bank;
    m_nProgram = program;
    if (isNew) {
        SetRedraw(FALSE);
        DeleteAllItems();
        SetRedraw(TRUE);
    }
    if (m_strPath.empty())
        return;
    if (isNew) {
        m_nType = MCProgramEntry::TypeFromText(GetPrivateProfileString("Info", "Type", "GM", m_strPath));
        SetRedraw(FALSE);
        for (const auto& [key, value] : MCReadInstrumentSection(Section(m_nDisplayStyle == STYLE_BY_BANK), m_strPath))
            SetItemData(InsertItem(value.c_str(), IMAGE_GROUP, IMAGE_GROUP), 0);
        SetRedraw(TRUE);
    }
    if (!given)
        return;
    std::string group, voice;
    if (!GetNames(bank, program, group, voice))
        return;
    for (HTREEITEM item = GetRootItem(); item; item = GetNextSiblingItem(item)) {
        if (GetItemText(item) != group)
            continue;
        if (!(GetItemState(item, TVIS_EXPANDED) & TVIS_EXPANDED))
            ExpandGroup(item, true);
        for (HTREEITEM child = GetChildItem(item); child; child = GetNextSiblingItem(child))
            if (GetItemText(child) == voice) {
                SelectItem(child);
                EnsureVisible(child);
                return;
            }
        return;
    }
}

void MCProgramTree::ExpandAll(int expand) {
    SetRedraw(FALSE);
    for (HTREEITEM item = GetRootItem(); item; item = GetNextSiblingItem(item))
        ExpandGroup(item, expand != 0);
    if (HTREEITEM selected = GetSelectedItem())
        EnsureVisible(selected);
    SetRedraw(TRUE);
    Invalidate();
}

int MCProgramTree::GetNames(int bank, int program, std::string& group, std::string& voice) const {
    const int fileBank = MCProgramEntry::Make(m_nType)->GetBankFromMidi(bank);
    std::string bankName;
    bool bankNamed = false;
    for (const auto& [key, value] : MCReadInstrumentSection("Banks", m_strPath))
        if (MCReadInstrumentNumber(key) == fileBank) {
            bankName = value;
            bankNamed = true;
            break;
        }
    // Grouped by bank, a voice of an unnamed bank belongs to no group.
    if (m_nDisplayStyle == STYLE_BY_BANK && !bankNamed)
        return 0;
    for (const auto& [groupKey, section] : MCReadInstrumentSection("Groups", m_strPath))
        for (const auto& [key, value] : MCReadInstrumentSection(section, m_strPath)) {
            const MCVoiceLine line = MCReadVoiceLine(key, value);
            if (line.bank == fileBank && line.program == program) {
                voice = VoiceText(line.name, line.bank, line.program);
                group = m_nDisplayStyle == STYLE_BY_BANK ? bankName : section;
                return 1;
            }
        }
    return 0;
}

int MCProgramTree::GetBankNumber(const std::string& text) const {
    for (const auto& [key, value] : MCReadInstrumentSection("Banks", m_strPath))
        if (value == text) {
            const std::vector<std::string> fields = MCSplitInstrumentFields(value);
            return fields.size() > 1 ? MCReadInstrumentNumber(fields[1]) : 0;
        }
    return 0;
}

std::string MCProgramTree::VoiceText(const std::string& name, int bank, int program) const {
    const std::string bankPrefix = (m_nDisplayFlags & SHOW_BANK) ? Format(11534, bank) : std::string();
    const std::string programPrefix = (m_nDisplayFlags & SHOW_PROGRAM) ? Format(11533, program) : std::string();
    return Format("%s%s%s", bankPrefix.c_str(), programPrefix.c_str(), name.c_str());
}

void MCProgramTree::AddVoices(HTREEITEM item) {
    if (m_nDisplayStyle == STYLE_BY_TYPE) {
        AddSectionVoices(item, GetItemText(item));
        return;
    }
    m_nBankFilter = GetBankNumber(GetItemText(item));
    for (const auto& [key, section] : MCReadInstrumentSection("Groups", m_strPath))
        AddSectionVoices(item, section);
    m_nBankFilter = -1;
}

void MCProgramTree::AddSectionVoices(HTREEITEM item, const std::string& section) {
    for (const auto& [key, value] : MCReadInstrumentSection(section, m_strPath)) {
        const MCVoiceLine line = MCReadVoiceLine(key, value);
        if (m_nBankFilter >= 0 && line.bank != m_nBankFilter)
            continue;
        std::unique_ptr<MCProgramEntry> entry = MCProgramEntry::Make(m_nType);
        entry->SetProgram(static_cast<std::uint8_t>(line.program & 0xFF));
        entry->SetBank(line.bank);
        HTREEITEM child = InsertItem(VoiceText(line.name, line.bank, line.program).c_str(), IMAGE_VOICE,
                                     IMAGE_VOICE_SELECTED, item);
        if (!child)
            continue;
        SetItemData(child, reinterpret_cast<DWORD_PTR>(entry.get()));
        const MCProgramEntry* owned = entry.get();
        m_entries.emplace(owned, std::move(entry));
    }
}

void MCProgramTree::DeleteChildren(HTREEITEM item) {
    while (HTREEITEM child = GetChildItem(item))
        DeleteItem(child);
}

void MCProgramTree::ExpandGroup(HTREEITEM item, bool expand) {
    if (expand) {
        if (!GetChildItem(item) && GetItemData(item) == 0)
            AddVoices(item);
        Expand(item, TVE_EXPAND);
    } else {
        Expand(item, TVE_COLLAPSE);
        DeleteChildren(item);
    }
}

void MCProgramTree::Reload() {
    const std::string path = m_strPath;
    ClearCache();
    m_strPath.clear();
    LoadInstrument(path, -1, -1);
}

BOOL MCProgramTree::OnItemExpanding(NMHDR* header, LRESULT* result) {
    const auto* notice = reinterpret_cast<const NMTREEVIEW*>(header);
    HTREEITEM item = notice->itemNew.hItem;
    if ((notice->action & TVE_EXPAND) && !(GetItemState(item, TVIS_EXPANDED) & TVIS_EXPANDED) &&
        GetItemData(item) == 0 && !GetChildItem(item))
        AddVoices(item);
    *result = 0;
    return FALSE;
}

BOOL MCProgramTree::OnItemExpanded(NMHDR* header, LRESULT* result) {
    const auto* notice = reinterpret_cast<const NMTREEVIEW*>(header);
    if (notice->action == TVE_COLLAPSE)
        DeleteChildren(notice->itemNew.hItem);
    *result = 0;
    return FALSE;
}

BOOL MCProgramTree::OnDeleteItem(NMHDR* header, LRESULT* result) {
    const auto* notice = reinterpret_cast<const NMTREEVIEW*>(header);
    m_entries.erase(reinterpret_cast<const MCProgramEntry*>(notice->itemOld.lParam));
    *result = 0;
    return FALSE;
}

void MCProgramTree::OnContextMenu(CWnd*, CPoint point) {
    if (m_strPath.empty())
        return;
    std::unique_ptr<CMenu> menu = LoadMenu(IDR_TREE_MENU);
    CMenu* popup = menu ? menu->GetSubMenu(0) : nullptr;
    if (!popup)
        return;
    if (m_nDisplayFlags & SHOW_BANK)
        popup->CheckMenuItem(ID_SHOW_BANK, MF_BYCOMMAND | MF_CHECKED);
    if (m_nDisplayFlags & SHOW_PROGRAM)
        popup->CheckMenuItem(ID_SHOW_PROGRAM, MF_BYCOMMAND | MF_CHECKED);
    popup->CheckMenuItem(m_nDisplayStyle == STYLE_BY_BANK ? ID_GROUP_BY_BANK : ID_GROUP_BY_TYPE,
                         MF_BYCOMMAND | MF_CHECKED);
    popup->TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON, point.x, point.y, this);
}

void MCProgramTree::OnShowFlag(UINT id) {
    m_nDisplayFlags ^= id == ID_SHOW_BANK ? SHOW_BANK : SHOW_PROGRAM;
    Reload();
}

void MCProgramTree::OnGroupBy(UINT id) {
    m_nDisplayStyle = id == ID_GROUP_BY_BANK ? STYLE_BY_BANK : STYLE_BY_TYPE;
    Reload();
}

void MCProgramTree::OnDestroy() {
    DeleteAllItems();
    m_entries.clear();
    m_strPath.clear();
    CTreeCtrl::OnDestroy();
}

void MCProgramTree::Audition() {
    MCAuditionWnd dialog(this);
    dialog.SetDevChan(GetDevice(), GetChannel());
    dialog.DoModal();
}
