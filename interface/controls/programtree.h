// MCProgramTree: the voices of one instrument definition file (instruments.h)
// as a tree, grouped by the file's voice sections ("Groups", style 0) or by its
// banks ("Banks", style 1), and the selection of the voice of a MIDI bank and
// program.
//
// Top items are the groups, item data 0, in file order; their voices are read
// when a group opens and deleted when it closes. A voice item's data is an
// MCProgramEntry of the file's type, owned by the tree. Voice texts are
// "B05: " (display flag 1) + "12) " (display flag 2) + the name.
//
// LoadInstrument(path, bank, program) reads a new file (the same path keeps the
// tree) and, for a bank and program other than -1, opens the voice's group and
// selects the voice; asking again for the voice last asked for does nothing
// until ClearCache. Changing the style or flags (the context menu, 11640)
// reads the file again with nothing selected.
//
// A bank the file names in no "Banks" entry has no group when grouped by bank:
// its voices are found in no group.
//
// User-interface thread only.
#pragma once

#include "interface/controls/programentry.h"
#include "platform/ui/imagelist.h"
#include "platform/ui/msgmap.h"
#include "platform/ui/treectrl.h"

#include <memory>
#include <string>
#include <unordered_map>

class MCProgramTree : public CTreeCtrl {
    DECLARE_DYNAMIC(MCProgramTree)
public:
    enum : int { STYLE_BY_TYPE = 0, STYLE_BY_BANK = 1 };
    enum : int { SHOW_BANK = 1, SHOW_PROGRAM = 2 };
    enum : UINT {
        IDI_GROUP = 11641, IDI_VOICE = 11642, IDI_VOICE_SELECTED = 11643,
        IDR_TREE_MENU = 11640,
        ID_GROUP_BY_TYPE = 38920, ID_GROUP_BY_BANK = 38921,
        ID_SHOW_BANK = 38924, ID_SHOW_PROGRAM = 38925,
        ID_EXPAND_ALL = 38930, ID_COLLAPSE_ALL = 38931, ID_AUDITION = 38935,
    };

    MCProgramTree() = default;
    ~MCProgramTree() override;

    // Makes (or takes over) the tree, then InitWindow; 0 on failure.
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) override;
    int SubclassProgramTree(UINT id, CWnd* parent);

    void LoadInstrument(const std::string& path, int bank, int program);
    // Opens (non-zero) or closes every group, then shows the selection.
    void ExpandAll(int expand);
    // Forgets the voice last asked for.
    void ClearCache() { m_nBank = m_nProgram = -1; }

    int GetType() const { return m_nType; }
    int GetDisplayStyle() const { return m_nDisplayStyle; }
    void SetDisplayStyle(int style) { m_nDisplayStyle = style; }
    int GetDisplayFlags() const { return m_nDisplayFlags; }
    int GetBank() const { return m_nBank; }
    void SetBank(int bank) { m_nBank = bank; }
    int GetProgram() const { return m_nProgram; }
    void SetProgram(int program) { m_nProgram = program; }
    int GetChannel() const { return m_nChannel; }
    void SetChannel(int channel) { m_nChannel = channel; }
    int GetDevice() const { return m_nDevice; }
    void SetDevice(int device) { m_nDevice = device; }
    const std::string& GetPath() const { return m_strPath; }

    // The voice of MIDI bank `bank` and `program`: its group's text and its voice
    // text. 0 when the file has no such voice (or, grouped by bank, no such bank).
    int GetNames(int bank, int program, std::string& group, std::string& voice) const;
    // The bank number of the "Banks" entry whose value is `text`; 0 for none.
    int GetBankNumber(const std::string& text) const;

protected:
    // The image list, made once.
    virtual void InitWindow();
    // Runs the audition dialog modally on the tree's device and channel.
    virtual void Audition();

    afx_msg BOOL OnItemExpanding(NMHDR* header, LRESULT* result);
    afx_msg BOOL OnItemExpanded(NMHDR* header, LRESULT* result);
    afx_msg BOOL OnDeleteItem(NMHDR* header, LRESULT* result);
    afx_msg void OnContextMenu(CWnd* pWnd, CPoint point);
    afx_msg void OnDestroy();
    afx_msg void OnExpandAll() { ExpandAll(1); }
    afx_msg void OnCollapseAll() { ExpandAll(0); }
    afx_msg void OnShowFlag(UINT id);
    afx_msg void OnGroupBy(UINT id);
    afx_msg void OnAudition() { Audition(); }
    DECLARE_MESSAGE_MAP()

private:
    // The voice text of a voice of this bank and program.
    std::string VoiceText(const std::string& name, int bank, int program) const;
    // Reads the voices of group `item` under it.
    void AddVoices(HTREEITEM item);
    // Reads the voices of one section under `item`, skipping those of another
    // bank than the filter (when it is 0 or more).
    void AddSectionVoices(HTREEITEM item, const std::string& section);
    void DeleteChildren(HTREEITEM item);
    // Opens a group with its voices, or closes it without them.
    void ExpandGroup(HTREEITEM item, bool expand);
    // The style or flags changed: read the file again, nothing selected.
    void Reload();

    int m_nType = MCProgramEntry::TYPE_PLAIN;
    int m_nDisplayStyle = STYLE_BY_TYPE;
    int m_nDisplayFlags = SHOW_PROGRAM;
    int m_nBank = -1;
    int m_nBankFilter = -1;
    int m_nProgram = -1;
    std::string m_strPath;
    CImageList m_images;
    int m_nChannel = 0;
    int m_nDevice = 0;
    // The voice items' entries, owned here until their item goes.
    std::unordered_map<const MCProgramEntry*, std::unique_ptr<MCProgramEntry>> m_entries;
};
