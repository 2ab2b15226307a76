// Dropped files: a window that accepts them (CWnd::DragAcceptFiles) takes a
// drop of file URLs from the desktop as WM_DROPFILES.
//
// The message's wParam is the drop (HDROP): DragQueryFile answers the number
// of files and each file's local path, DragQueryPoint where the files were
// dropped. The drop belongs to the sender and lives while the message is
// handled: a handler calls DragFinish as the class library asks, which only
// marks it done. A drop holding no local file is refused (no message).
//
// A frame's OnDropFiles brings the main window forward and opens each file
// through the application's OpenDocumentFile.
//
// User-interface thread only.
#pragma once

#include "platform/ui/messages.h"
#include "platform/ui/msgmap.h"

#include <string>
#include <vector>

enum : UINT {
    WM_DROPFILES = 0x0233,   // wParam: the drop (HDROP)
};

// What a drop holds (the sender's).
struct CDropInfo {
    std::vector<std::string> files;   // local paths, UTF-8
    POINT point;                      // in the client coordinates of the window dropped on
    bool finished = false;            // DragFinish was called
};
using HDROP = CDropInfo*;

// With iFile 0xFFFFFFFF: the number of files. Otherwise the length in bytes
// of file `iFile`'s path (0 for no such file) when `lpszFile` is null, else
// copies the path into `lpszFile` (at most cch - 1 bytes and a terminator,
// cut at a character boundary) and answers the bytes copied.
UINT DragQueryFile(HDROP hDrop, UINT iFile, char* lpszFile, UINT cch);
// Where the files were dropped (client coordinates); TRUE when in the client area.
BOOL DragQueryPoint(HDROP hDrop, POINT* lppt);
// Marks the drop handled.
void DragFinish(HDROP hDrop);

// A handler of WM_DROPFILES: void OnDropFiles(HDROP hDropInfo).
#ifndef ON_WM_DROPFILES
#define ON_WM_DROPFILES() \
    AFX_WM_VOID_(WM_DROPFILES, AFX_ON_(OnDropFiles)(reinterpret_cast<HDROP>(call_.wParam)))
#endif
