// The program's Open dialog: the common Open dialog with the four types of
// music files, remembering the type and the folder of the last Open.
//
// DoPromptFileName offers the types of strings 355 to 358 (all music files,
// native documents, MIDI files, all files), preselects the type stored as
// "New"/"Default Ext" (the type's string id; native documents the first
// time) and starts in "New"/"Dir", the folder of the last Open or save (the
// user's documents folder before the first). On OK it stores the type chosen
// and the folder of the files chosen, and hands back the chosen paths
// separated by zeros. The object is made once and reused for every Open.
// User-interface thread only.
#pragma once

#include "platform/ui/filedialog.h"

#include <string>

// The strings of the file types: a description, a line feed, the patterns
// and a line feed. The song-file type exists but is not offered.
enum : UINT {
    IDS_FILTER_ALL_MUSIC = 355,
    IDS_FILTER_NATIVE = 356,
    IDS_FILTER_MIDI = 357,
    IDS_FILTER_ALL = 358,
    IDS_FILTER_SONG = 359,
};

class COpenDialog : public CFileDialog {
    DECLARE_DYNAMIC(COpenDialog)
public:
    // Hides read-only and asks before replacing (the classic defaults), in
    // the explorer style.
    COpenDialog();

    // Runs the dialog titled by string `titleId` with `extraFlags` added;
    // `fileName` is the name proposed on entry and the chosen paths
    // (separated by zeros) after OK. Non-zero when the user chose OK.
    int DoPromptFileName(std::string& fileName, UINT titleId, DWORD extraFlags);

    // How many types the last DoPromptFileName offered.
    int GetFilterCount() const { return m_nFilterCount; }

private:
    int m_nFilterCount = 0;
};
