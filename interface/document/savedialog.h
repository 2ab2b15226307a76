// The save dialog: where to save a document, and as which of three types.
//
// MCSaveDialog is the common Save As dialog (filedialog.h) with the program's
// three types; the index of a type is the document format code it stands for
// (opusheader.h): 0 the native document "mmm", 1 a type 0 MIDI file "mid",
// 2 a type 1 MIDI file "mid". GetSavePath runs it: titled "Save As" (or
// "Save Copy As"), starting in the folder last saved to (preference "Dir" of
// section "New"; the user's documents folder before the first save), on the
// type and with the extension of the format given. On OK a typed extension
// overrides the type chosen in the list (CorrectFormat) and the folder is
// stored for the next time. Choosing another type while the name has an
// extension gives the name the type's extension.
//
// InstallSavePathHook makes the dialog the documents' way of asking for a
// path (CDocument::SetSavePathHook): Save As of an MCOpusDoc starts on its
// header's format, and the format chosen goes into the header before the
// document is saved. The program calls it at start-up.
//
// Extensions compare exactly: "MID" is not "mid". The static functions on any
// thread; the dialog on the user-interface thread.
#pragma once

#include "platform/ui/document.h"
#include "platform/ui/filedialog.h"

#include <string>
#include <string_view>

class MCSaveDialog : public CFileDialog {
    DECLARE_DYNCREATE(MCSaveDialog)
public:
    MCSaveDialog();

    // Runs the dialog for `path` (the proposed name on entry, the chosen path
    // on OK) and `format`; `saveAs` non-zero for Save As, 0 for Save Copy As.
    // 1 on OK, else 0 (the path then stays, and GetSaveFormat is `format`).
    int GetSavePath(std::string& path, int format, int saveAs);

    // One entry of the dialog's list of types.
    struct FileType {
        unsigned stringId;       // description and pattern, split by a line feed
        const char* extension;   // without the dot
    };
    static constexpr int TYPE_COUNT = 3;
    // The types in list order; index = format code.
    static const FileType s_fileTypes[TYPE_COUNT];

    // The format index chosen (0 until the dialog has run).
    int GetSaveFormat() const { return m_nFormat; }
    // The format of the first type whose extension equals the path's extension
    // (MCGetExtension): "mmm" 0, "mid" 1; -1 for any other.
    static int GetSaveFormat(std::string_view path);
    // The format to save in when the user chose `format` in the list and typed
    // `path`: a native choice with a "mid" name saves as a type 1 MIDI file, a
    // MIDI choice with an "mmm" name saves natively; otherwise the choice stands.
    static int CorrectFormat(int format, std::string_view path);

    // The folder the first save starts in: XDG_DOCUMENTS_DIR from the
    // environment, else from $XDG_CONFIG_HOME/user-dirs.dirs (~/.config when
    // unset), else the home folder.
    static std::string GetDocumentsFolder();
    // The folder the open and save dialogs start in: the one last used
    // ("New", "Dir"), or the documents folder when none is stored or the
    // stored text is no folder (gone, or a damaged profile).
    static std::string GetStartFolder();

    // Installs the dialog as the documents' save-path hook; answers the previous one.
    static CDocument::SavePathHook InstallSavePathHook();

protected:
    // A change of type while the name has an extension: the format becomes
    // the type chosen, and the name takes its extension.
    void OnTypeChange() override;
    void OnFileNameChange() override;

private:
    // The type (format code) at a 1-based position of the list of types.
    static int TypeOfFilterIndex(int filterIndex);

    int m_nFormat = 0;
};
