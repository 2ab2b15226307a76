// The notation view's resource and command ids: its record, its score
// window and bar, its child windows and the commands the bar and the page
// buttons send. The strings and templates they name are declared beside
// the classes that use them (cantrel.cpp, scorewnd.cpp).
#pragma once

#include "platform/ui/commands.h"

// The view's record: resource id 2, so its command is VIEW_ID_OFFSET + 2.
inline constexpr unsigned IDR_CANTREL = 2;
inline constexpr unsigned IDS_MUSIC_SCORE = 13312;   // "Music Score": the title and settings name
inline constexpr int kCantrelViewOrder = 10;

// The quick-scroll cursors (armed, grabbing).
inline constexpr unsigned IDC_CANTREL_GRAB_ARMED = 13317;
inline constexpr unsigned IDC_CANTREL_GRABBING = 13318;

// The score bar (its template, its id and its caption) and its controls.
inline constexpr UINT IDD_SCOREBAR = 13344;
inline constexpr UINT ID_VIEW_TRACK = 13345;
inline constexpr UINT ID_VIEW_PAGE = 13346;
inline constexpr UINT IDC_ZOOM = 13347;
inline constexpr UINT ID_VIEW_RULER = 13348;
inline constexpr UINT IDC_VOICE = 13350;
inline constexpr UINT IDC_TRACKS = 13351;
inline constexpr UINT IDS_ALL_TRACKS = 13353;   // "All Tracks", the tracks combo's first item
inline constexpr UINT ID_VIEW_ZOOMIN = 39120;
inline constexpr UINT ID_VIEW_ZOOMOUT = 39121;

// The page view's buttons.
inline constexpr UINT ID_PAGE_UP = 13360;
inline constexpr UINT ID_PAGE_DOWN = 13361;

// The Edit menu's commands the view answers, and the note commands.
inline constexpr UINT ID_EDIT_DELETE = 39110;
inline constexpr UINT ID_EDIT_SELECT_ALL = 0xE12A;   // 57642
inline constexpr UINT ID_EDIT_COPY = 0xE122;         // 57634
inline constexpr UINT ID_EDIT_CUT = 0xE123;          // 57635
inline constexpr UINT ID_EDIT_PASTE = 0xE125;        // 57637
inline constexpr UINT ID_NOTES_TIE = 41991;
inline constexpr UINT ID_NOTES_SLUR = 41992;
inline constexpr UINT ID_STEMS_UP = 41993;
inline constexpr UINT ID_STEMS_DOWN = 41994;
inline constexpr UINT ID_ACCIDENTALS_ENHARMONIC = 41998;
inline constexpr UINT ID_TIES_CONSOLIDATE = 41999;
inline constexpr UINT ID_BEAM_BREAK_PRIMARY = 42000;
// The Edit menu's embedded-object commands, and the message of a failure.
inline constexpr UINT ID_EDIT_PASTE_SPECIAL = 0xE127;   // 57639
inline constexpr UINT ID_OLE_INSERT_NEW = 0xE200;       // 57856
inline constexpr UINT IDS_OBJECT_CREATE_FAILED = 13314;
// The main window's Properties command.
inline constexpr UINT ID_EDIT_PROPERTIES = 39111;

// The view's context menus: elements other than notes, and notes.
inline constexpr UINT IDR_CONTEXT_MENU = 15840;
inline constexpr UINT IDR_NOTES_MENU = 15841;

// The margin view's child id.
inline constexpr UINT IDC_MARGIN_VIEW = 4;

// Posted to the score window: the view re-reads its track layout.
inline constexpr UINT WM_TRACKLAYOUT = 0x3800;
