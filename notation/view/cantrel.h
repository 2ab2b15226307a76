// CCantrel: the notation view.
//
// It shows one performance as engraved notation, as pages (page view) or as
// one long strip beside a margin (track view), at one of five zooms, and
// keeps it notated: it owns the automatic notation engine, attached to
// itself at construction, through which the engine reads the performance,
// the conductor and whether the document is modified.
//
// Children: the margin strip (track view only) and the page-up and
// page-down buttons below the vertical scroll bar (page view only). The
// score window's bar (CScoreBar, set by the frame) holds the zoom, ruler,
// voice and track-layout controls; the bar sends their commands here.
//
// Units: the view draws in twips, y up. A screen context maps 1440 logical
// units to `zoom` pixels (48, 72, 96, 144 or 288 per inch); a printing
// context is in twips (MM_TWIPS).
//
// Preferences read when built and again on every preference change
// (LoadPreferences): "Settings" "FollowScore", the staff colour, and the
// conductor staff's measure-number settings. "Settings\Notation" "Duration"
// (the duration gate) is read when the view is first shown.
//
// Duration functions: the plug-in installs DurFunc and DurFuncInverse as the
// notes' duration pair (notated <-> performed): the last quarter of a
// notated length (or its last partial quarter) plays s_nDurFuncGate percent
// long, and a performed one reads back stretched to at most the end of the
// quarter it ends in. The gate is atomic: step recording reads lengths off
// the UI thread.
//
// Tools (cantrel_tools.cpp): the view owns one edit tool at a time, made
// from the edit mode and the palette's prototype, and feeds it the mouse,
// its drags and the caret-blink timer (ID_TIMER_BLINK); while playback runs
// it owns the play cursor too. Edit commands (cantrel_edit.cpp): Delete and
// Select All of the Edit menu. Note commands (cantrel_notecmds.cpp): stems,
// spelling, ties, beams and nudges of the selection, the context menus.
//
// Clipboard and drag-and-drop (cantrel_clipboard.cpp, cantrel_dragdrop.cpp):
// Cut, Copy and Paste, the selection dragged out of the view, and whatever
// is dragged over it, through its drop target (droptarget.h), which
// scrolls the view near its edges. Frames of embedded objects
// (cantrel_frames.cpp): a single selected frame's resize handles, opening
// its object; the items' own behaviour with the view is scoreitem.h's.
// UI thread only, but for the duration functions.
#pragma once

#include "interface/controls/button.h"
#include "interface/document/scrollview.h"
#include "model/time.h"
#include "notation/autonote/autonote.h"
#include "notation/view/droptarget.h"
#include "notation/view/marginview.h"
#include "notation/view/pagenate.h"
#include "platform/ui/clipboard.h"
#include "platform/ui/msgmap.h"

#include <array>
#include <optional>
#include <atomic>
#include <cstdint>
#include <vector>

class CMusicCursor;
class COleDataIn;
class ECFrame;
class CPlayCursor;
class CScoreBar;
class ECBase;
class ECPerformance;

class CCantrel : public MCScrollView {
    DECLARE_DYNCREATE(CCantrel)
public:
    enum : int { VIEWMODE_TRACK = 0, VIEWMODE_PAGE = 1 };
    // The voice filter's value for every voice.
    static constexpr int VOICE_ALL = 14;
    // The zooms of the bar's five steps, pixels per inch (50 % to 300 %).
    static constexpr std::array<int, 5> kZoomSteps = {48, 72, 96, 144, 288};
    // The widths, in pixels, the margin's right edge snaps to while dragged.
    static constexpr std::array<int, 5> kMarginStops = {5, 50, 100, 200, 275};
    // The view sizes of the two modes, twips (width, depth below the top).
    static constexpr int kTrackViewWidth = 288000;   // 200 inches
    static constexpr int kTrackViewDepth = 7200;     // 5 inches
    static constexpr int kPageViewWidth = 13680;     // 9.5 inches
    static constexpr int kPageViewDepth = 17280;     // 12 inches
    // Twips per inch: a screen context maps this many units to the zoom.
    static constexpr int kTwipsPerInch = 1440;

    CCantrel();
    ~CCantrel() override;

    // The base window, then the margin view, the page buttons, the
    // quick-scroll cursors; the view becomes its frame's active view.
    BOOL Create(const char* lpszClassName, const char* lpszWindowName, DWORD dwStyle, const RECT& rect,
                CWnd* pParentWnd, UINT nID, void* pContext = nullptr) override;
    // Measures the screen, the page size and the fonts on a client context,
    // reads the duration gate, sizes the view to a page; then the base's.
    void OnInitialUpdate() override;
    // The document's states, by code (cantrel_update.cpp): a null object
    // attaches the view; edits and batches open and close the editing
    // window and repaginate; files attach and detach; modes rebuild the
    // tool; preferences, selections, the play position and the transport
    // each have their handler. Other codes are ignored.
    void OnUpdate(CView* sender, long hint, CObject* hintObject) override;
    // ---- attachment, states and command phases (cantrel_update.cpp, cantrel_commands.cpp) --
    // The command handler registered with the performance: phase 0
    // OnPrepareCommand (1), 1 OnProcessCommand (its answer), 2
    // OnFinishCommand (1), any other -1. `user` is the view, `commands` the
    // batch (MCCommandList).
    static int _OnCommand(ECBase* performance, int phase, void* commands, void* user);
    // Opens the editing window (tool hidden unless recording, redrawing
    // off) and shows each command of the batch to the engine; 1. A track
    // added or removed marks the bar for a refresh at the batch's end.
    int OnPrepareCommand(MCCommandList& commands);
    // The engine renotates what the batch changed; its answer.
    int OnProcessCommand(MCCommandList& commands);
    int OnFinishCommand(MCCommandList& commands);
    // ---- tools (cantrel_tools.cpp) -------------------------------------------------------
    // The select tool's caret blinks on this window timer.
    static constexpr UINT_PTR ID_TIMER_BLINK = 1000;
    // A new tool (the caller's) for the edit mode and the prototype element:
    // select and erase modes their tools; insert mode the prototype's tool
    // (CreateInsertCursor), none without a prototype; any other mode none.
    CMusicCursor* CreateMusicCursor(int mode, ECBase* prototype);
    // The same for a throw-away prototype of the type.
    CMusicCursor* CreateMusicCursor(int mode, int eventType);
    // The edit tool made again from the edit mode and the palette's
    // prototype (a copy, taken apart and released once the tool is made).
    void UpdateMusicCursor();
    // The insert mode's tool for the prototype's type (the caller's); none
    // for a type whose tool does not exist yet.
    CMusicCursor* CreateInsertCursor(ECBase& prototype);
    // The note tool for a note or tuplet prototype: a tuplet's counts and
    // its note's length, and the prototype's accidental, set.
    CMusicCursor* CreateNoteCursor(ECBase& prototype, const std::vector<int>& parentTypes);
    // The current tool and the play cursor (borrowed; may be null).
    CMusicCursor* GetMusicCursor() const { return m_pCursor; }
    CPlayCursor* GetPlayCursor() const { return m_pPlayCursor; }
    // The arrow outside the view's content, the quick-scroll hands while
    // armed, else the tool's cursor (the arrow without a tool).
    void UpdateCursor() override;
    // Button down (the focus comes here first), moves with it held, button
    // up: the tool's.
    void OnMouseDragBegin(UINT nFlags, CPoint point) override;
    void OnMouseDragContinue(UINT nFlags, CPoint point) override;
    void OnMouseDragEnd(UINT nFlags, CPoint point) override;
    // The scroll view's drag-in-progress flag, for a tool that drags on its own.
    void SetMouseDrag(int dragging);
    // The drag flag: set while a drag starts in this view or something is
    // dragged over it; what is dropped then keeps its pitch and voice
    // distances from the group's first note.
    void SetDragging(int dragging) { m_bDragging = dragging != 0; }
    int IsDragging() const { return m_bDragging; }

    // ---- edit commands (cantrel_edit.cpp) --------------------------------------------------
    // Removes the elements of `list`, or the document's selection when null.
    // The opening clef and key (time 0), the first meter, the score's frame
    // (performance, staves, measures) and page texts stay; meters after the
    // start go one by one, the latest first, after the rest. The selection
    // is cleared first. `flags` is not read.
    void DoCut(DWORD flags, MCEventList* list);
    // Takes out of the list every element the view's voice and track filters
    // hide.
    void FilterSelection(MCEventList& list);
    afx_msg void OnEditDelete();
    afx_msg void OnUpdateEditDelete(CCmdUI* pCmdUI);
    // Every note under the conductor the filters show becomes the selection.
    afx_msg void OnEditSelectAll();
    afx_msg void OnUpdateEditSelectAll(CCmdUI* pCmdUI);

    // ---- the clipboard and drag-and-drop (cantrel_clipboard.cpp, cantrel_dragdrop.cpp) ----
    // Cut, Copy and Paste of the Edit menu (Ctrl+X, C, V are the view's own
    // keys). The program's own data travels in the music and object-info
    // formats (interface/document/oledata.h); anything else that can be
    // embedded becomes a frame.
    // Cut: Copy, then the copied elements deleted.
    afx_msg void OnEditCut();
    // The selection, collapsed to the elements whose ancestors are not also
    // in it, to the clipboard; or, while the view drags (DoDrag), once the
    // pointer leaves the drag distance, dragged out of the view: a move to
    // another window then deletes what was dragged.
    afx_msg void OnEditCopy();
    afx_msg void OnUpdateEditCut(CCmdUI* pCmdUI);
    afx_msg void OnUpdateEditCopy(CCmdUI* pCmdUI);
    // DoPaste (DOPASTE_REPLACE): the selection gives way to what is pasted.
    afx_msg void OnEditPaste();
    afx_msg void OnUpdateEditPaste(CCmdUI* pCmdUI);
    // DoPaste's flags: the selection is removed first; an embedded object is
    // linked rather than copied.
    static constexpr DWORD DOPASTE_REPLACE = 1;
    static constexpr DWORD DOPASTE_LINK = 2;
    // Whether the data (the clipboard's when `reader` is null) can be pasted
    // here: an embeddable object always, elements where the tool has a
    // parent under the pointer. 0 without a document or a tool.
    int CanPaste(COleDataIn* reader, DWORD flags);
    // Inserts the reader's elements (the clipboard's when null) where the
    // tool stands, or else makes a frame from its data; what went in becomes
    // the selection. InsertEvents's answer, or InsertEventFromData's.
    int DoPaste(DWORD flags, COleDataIn* reader);
    // The select tool's press on the selection: a handle of a single selected
    // frame resizes it; otherwise the selection is dragged (OnEditCopy).
    void DoDrag(CPoint& point);
    // The drop target's calls (droptarget.h): whatever is dragged over the
    // view is shown by the tool made for its type; the effect answered is
    // link with Ctrl+Shift, copy with Ctrl, else move, when it can be pasted.
    DROPEFFECT OnDragEnter(COleDataObject* pDataObject, DWORD dwKeyState, CPoint point) override;
    DROPEFFECT OnDragOver(COleDataObject* pDataObject, DWORD dwKeyState, CPoint point) override;
    void OnDragLeave() override;
    BOOL OnDrop(COleDataObject* pDataObject, DROPEFFECT dropEffect, CPoint point) override;
    // The view's flags while data moves through it.
    int IsCut() const { return m_bCut; }
    // Set while the data source of a copy or drag is being filled: embedded
    // items ignore their change notices meanwhile.
    int IsCopying() const { return m_bCopying; }
    int IsPasting() const { return m_bPasting; }
    int IsDragSource() const { return m_bDragSource; }
    int IsDroppedHere() const { return m_bDroppedHere; }
    CCTDropTarget& GetDropTarget() { return m_dropTarget; }

    // ---- embedded objects' crossings (defined with the objects and frames) ----------------
    // A handle of a single selected frame under the point tracked: 1 when it
    // was (no drag follows).
    int TrackFrameHandle(CPoint& point);
    // A single copied frame's object offered under its own type.
    void OfferFrameObject(ECFrame* frame, COleDataSource* source);

    // ---- the frames of embedded objects (cantrel_frames.cpp) -------------------------------
    // Whether `item` is an embedded object's item whose frame's display is
    // selected; false for anything else.
    virtual int IsSelected(const CObject* item);
    // Opens the object of the single selected frame (the wait cursor shown
    // meanwhile); 1 when it was opened.
    int OpenSelectedFrame();
    // Over a single selected frame, the tracker's resize (or move) cursor;
    // elsewhere the base's.
    afx_msg BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);

    // ---- note commands (cantrel_notecmds.cpp) ----------------------------------------------
    // Each is one edit state (1200) of the selection's elements, applied to
    // the performance; a command that finds nothing to change sends none,
    // and its update handler leaves it disabled.
    // Tie Notes and Slur Notes: a new tie or slur over the selected notes,
    // placed by the tie or slur tool (a tie joins the first two that follow
    // one another at one pitch); nothing, and no mark left behind, when the
    // tool refuses it. Offered for two or more selected notes.
    afx_msg void OnTieNotes();
    afx_msg void OnSlurNotes();
    afx_msg void OnUpdateTieSlurNotes(CCmdUI* pCmdUI);
    // Stems Up (ID_STEMS_UP) or Down of every selected note, rest and chord.
    afx_msg void OnChangeStems(UINT nID);
    afx_msg void OnUpdateChangeStems(CCmdUI* pCmdUI);
    // Each selected element with an accidental spelled the other way.
    afx_msg void OnEnharmonic();
    afx_msg void OnUpdateEnharmonic(CCmdUI* pCmdUI);
    // The tie chains of the selected notes written as single notes where
    // they can be; the chains' heads become the selection first.
    afx_msg void OnConsolidateTies();
    afx_msg void OnUpdateConsolidateTies(CCmdUI* pCmdUI);
    // The primary beam broken before each selected note (or its chord) that
    // directly follows the previous selected one in the same beam.
    afx_msg void OnBreakPrimaryBeam();
    afx_msg void OnUpdateBreakPrimaryBeam(CCmdUI* pCmdUI);
    // Ctrl + an arrow key (VK_LEFT ... VK_DOWN): selected notes and grace
    // notes go a semitone up or down; everything else, and every sideways
    // nudge, moves its drawing a tenth of a notehead height.
    void OnNudge(UINT nChar);
    // The offset step of a nudge: a tenth of a notehead height per unit.
    static constexpr int kNudgeStep = 10;

    // ---- services for tools and other views (cantrel_services.cpp) ------------------------
    // The tool hidden (and reset when `reset` is nonzero), shown: nothing
    // without a tool.
    void HideCursor(int reset);
    void ShowCursor();
    // The elements whose display objects lie in the client area; their
    // count (0 without a performance). `dc` null: a client context.
    int GetVisibleEvents(MCEventList& list, CDC* dc);
    // Scrolls the element's display object (made when missing) into view.
    void MakeEventVisible(ECBase* element);
    // Scrolls so that `rect` (view coordinates) shows, its upper-left corner
    // at the window's, unless it shows wholly already.
    void ScrollRectToVisible(CRect rect);
    // Highlights (ACHighlight kinds: 2 selected, 3 deselected) an element
    // or a list, clipped to the client area in `dc`'s logical units.
    void HighlightEvent(ECBase* element, CDC* dc, int kind);
    void HighlightEvents(MCEventList& list, CDC* dc, int kind);
    // Exactly one element selected, an embedded frame.
    int IsSingleSelect();
    // Places one element (a drop) where the tool stands: through the tool
    // when it takes the type, else through an insert tool for the type put
    // at the tool's position. 1 when inserted; 0, the element the caller's
    // still, when refused or without a tool (cantrel_insert.cpp).
    int InsertEvent(ECBase* element, DWORD flags);
    // Places a group (a paste or a drop) at the tool's position, each element
    // at its distance from the group's start (pitch and voice only while the
    // view drags), in one add command; the document is then modified. The
    // elements not inserted leave the list, which then holds what went in.
    // 1 when anything was inserted; 0 for an empty list, without a tool or
    // when nothing went in (no command applied, the document untouched).
    int InsertEvents(MCEventList& list, DWORD flags);

    // ---- embedded objects (cantrel_objects.cpp) ---------------------------------------------
    // A new frame holding an object made from the reader's data (linked with
    // flags 2), placed through the tools as InsertEvent places a drop. 1 when
    // placed; 0 when no object could be made or the tools refused the frame:
    // then nothing is left and the failure is shown (string 13314).
    int InsertEventFromData(COleDataIn* reader, DWORD flags);
    // Edit > Paste Special: our dialog lists what the clipboard offers that
    // can become an object; Paste embeds it, Paste Link links it.
    afx_msg void OnEditPasteSpecial();
    afx_msg void OnUpdateEditPasteSpecial(CCmdUI* pCmdUI);
    // Edit > Insert Object: our dialog makes an object from a file, embedded
    // or linked. Offered in select mode with a document.
    afx_msg void OnInsertObject();
    afx_msg void OnUpdateInsertObject(CCmdUI* pCmdUI);

    // Printing: MM_TWIPS; screen: 1440 units to the zoom, y up. Transparent
    // background either way.
    void OnPrepareDC(CDC* pDC, CPrintInfo* pInfo = nullptr) override;

    // ---- drawing (cantrel_draw.cpp) ------------------------------------------------------------
    // Page view and printing: the page backgrounds inside the area being
    // drawn, then, unless a layout or notation run is in progress, the
    // elements on the pages in view (positioned first), then each staff over
    // its contents. Track view draws no score yet.
    void OnDraw(CDC* pDC) override;
    // Positions the position-dirty elements on the pages the client area
    // shows (the last page when the area runs below it).
    void PositionVisibleEvents(CDC* pDC);
    // Of the frames leading a list of visible elements, the first selected
    // one moves to the end (drawn last, over what it overlaps).
    static void MoveSelectedFrameLast(MCEventList& events);
    // Detaches the view when its document no longer holds the tree the view
    // shows (a file was read into the document).
    void LetGoOfAReplacedTree();
    // The base's, then the edit tool's feedback and the play line over the
    // score.
    void OnPostPaint(CDC* pDC) override;
    void PerformScroll(CDC* pDC) override;
    // Copies the rectangle from `from` to `to` (logical units of `pDC`) back
    // from the off-screen bitmap; a width of 0 copies one device pixel.
    virtual void Refresh(CDC* pDC, CPoint& from, CPoint& to);

    // ---- printing (cantrel_print.cpp) ------------------------------------------------------------
    // The page number, centred between the draw rectangle's left edge and
    // the 8-inch line at its top, on every page but the first.
    virtual void PrintPageHeader(CDC* pDC, CPrintInfo* pInfo);
    virtual void PrintPageFooter(CDC* pDC, CPrintInfo* pInfo);
    // The pagination at the printer's sheet (laid out again, whole, when the
    // sheet differs from the layout's paper) and the page count.
    void OnPrintLayout(CDC* pDC, CPrintInfo* pInfo);

    // ---- modes and layout ---------------------------------------------------------------
    int GetViewMode() const { return m_nViewMode; }
    // VIEWMODE_TRACK or VIEWMODE_PAGE; another value changes only the bar's
    // value and the tiling.
    void SetViewMode(int mode);
    // Track view: the margin strip at the left; page view: the page buttons
    // below the vertical scroll bar.
    void CalcRects(RECT* rect) override;
    void TileViews(BOOL bRedraw) override;

    // ---- settings -----------------------------------------------------------------------
    // The voice filter: VOICE_ALL or a voice 0-7.
    int GetVoice() const { return m_nVoice; }
    int GetZoom() const { return m_nZoom; }
    // Pixels per inch of the screen; 0 until first shown.
    int GetScreenResolution() const { return m_nScreenResolution; }
    int IsFollowScore() const { return m_bFollowScore; }
    // Between the start of an edit or a command batch and its end.
    int IsEditing() const { return m_bEditing; }
    // "Settings" "FollowScore", the staff colour and the measure-number
    // settings, from the profile.
    void LoadPreferences();

    // The score window's bar (borrowed, may be null).
    void SetWizardBar(CScoreBar* bar) { m_pScoreBar = bar; }
    CScoreBar* GetWizardBar() const { return m_pScoreBar; }

    // The performance shown (borrowed; null when none is attached).
    ECPerformance* GetBaseEvent() const { return m_pBaseEvent; }
    // Attaches the view to `performance`: its command handler registered
    // there (once per performance, taken off the one attached before), the
    // bar's document and controls set, the tool rebuilt; the first
    // attachment since the last detach notates the whole score and
    // paginates it; the window is invalidated. Null detaches: the handler
    // comes off and the next attachment notates again.
    void SetBaseEvent(ECPerformance* performance);
    // Only stores the performance, registers and notates nothing: for the
    // engine's walks driven without the view's attachment (tests, benchmarks).
    void BindBaseEvent(ECPerformance* performance) { m_pBaseEvent = performance; }
    // The performance the command handler is registered with, or null.
    ECPerformance* GetCommandTarget() const { return m_pCommandTarget; }

    CAutoNote& GetAutoNote() { return m_autoNote; }
    // Pagination, bound to this view and to the engine's notate info and
    // update list at construction.
    CPagenate& GetPagenate() { return m_pagenate; }
    // Whether the document shown reports unsaved changes; 0 without one.
    int IsDocumentModified() const;

    CMarginView& GetMarginView() { return m_marginView; }
    MCButton& GetPageUpButton() { return m_pageUp; }
    MCButton& GetPageDownButton() { return m_pageDown; }
    const CRect& GetMarginRect() const { return m_marginRect; }
    int IsMarginDragging() const { return m_bMarginDrag; }
    // The clipboard formats: the music, its object information and the
    // standard object descriptor.
    CLIPFORMAT GetMusicFormat() const { return m_clipFormats[0]; }
    CLIPFORMAT GetObjectInfoFormat() const { return m_clipFormats[1]; }
    CLIPFORMAT GetObjectDescriptorFormat() const { return m_clipFormats[2]; }

    // Where the margin's right edge snaps for a pointer at `x` (pixels): the
    // largest stop whose midpoint with the stop below lies left of x.
    static int SnapMarginEdge(int x);

    // ---- duration functions -------------------------------------------------------------
    // The performed length of a notated one, and back. Ticks at
    // MCTime::GlobalPPQ; the user pointer is not used.
    static MCTime DurFunc(const MCTime* notated, void* user);
    static MCTime DurFuncInverse(const MCTime* performed, void* user);
    // The gate, percent; 66 when the plug-in is loaded.
    static std::atomic<int> s_nDurFuncGate;
    static constexpr int kDefaultDurationGate = 66;

    // ---- commands (also reached from the bar and the score window) -------------------------
    afx_msg void OnViewTrack();
    afx_msg void OnViewPage();
    afx_msg void OnZoomIn();
    afx_msg void OnZoomOut();
    // The zoom of the bar's zoom combo, with everything re-measured.
    afx_msg void OnZoomSet();
    afx_msg void OnRuler();
    afx_msg void OnVoiceSet();
    afx_msg void OnTracksSet();
    afx_msg void OnPageUp();
    afx_msg void OnPageDown();
    // WM_TRACKLAYOUT through the score window: the track layout read again
    // from the bar, as the tracks combo's choice.
    virtual void OnLayout();

protected:
    // The highest page is the layout's page count. A job with no paper of
    // its own (see cantrel_print.cpp) takes the layout's paper as its sheet.
    BOOL OnPreparePrinting(CPrintInfo* pInfo) override;
    // Marks the whole score position-dirty, once for the job.
    void OnBeginPrinting(CDC* pDC, CPrintInfo* pInfo) override;
    // One page of the page view, its paper on the sheet's paper.
    void OnPrint(CDC* pDC, CPrintInfo* pInfo) override;
    // Leaves printing mode; the view shows every page of the layout.
    void OnEndPrinting(CDC* pDC, CPrintInfo* pInfo) override;
    afx_msg void OnDestroy();
    afx_msg LRESULT OnParentNotify(WPARAM wParam, LPARAM lParam);
    afx_msg void OnMouseMove(UINT nFlags, CPoint point);
    afx_msg void OnLButtonUp(UINT nFlags, CPoint point);
    // Ctrl + arrows nudge, Delete deletes the selection; other keys scroll.
    afx_msg void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    // A single selected frame opens its object; else the properties of the
    // selection (the main window's command).
    afx_msg void OnLButtonDblClk(UINT nFlags, CPoint point);
    // Nothing or a mixed selection: the window above decides; notes: the
    // note commands' menu; any other kind of element: the properties menu.
    // Its commands go to the top-level frame.
    afx_msg void OnContextMenu(CWnd* pWnd, CPoint point);
    // The blink timer draws the tool again; other timers are the base's.
    afx_msg void OnTimer(UINT_PTR nIDEvent);
    DECLARE_MESSAGE_MAP()

private:
    // One zoom step in (+1) or out (-1), bounded by the bar's highest index.
    void StepZoom(int step);
    // Marks everything to be drawn again, invalidates and updates.
    void RedrawNow();
    // Ghosts what lies outside the voice filter and shows what lies in it.
    void ApplyVoiceFilter();

    // Members in the order the view keeps them.
    int m_bFollowScore = 1;
    int m_bMarginDrag = 0;
    // Where the current tool last followed the pointer (device units).
    std::optional<CPoint> m_toolPoint;
    int m_bEditing = 0;
    int m_nViewMode = VIEWMODE_PAGE;
    int m_nScreenResolution = 0;
    int m_nZoom = 96;
    ECPerformance* m_pBaseEvent = nullptr;   // borrowed, may be null
    CScoreBar* m_pScoreBar = nullptr;        // borrowed: the frame's bar, may be null
    MCButton m_pageUp;
    MCButton m_pageDown;
    CMarginView m_marginView;
    CRect m_marginRect{0, 0, 50, 0};         // client pixels
    CRect m_pageUpRect;                      // client pixels, page view
    CRect m_pageDownRect;
    int m_nVoice = VOICE_ALL;
    int m_bPaginatedOnce = 0;
    int m_bPrintLaidOut = 0;                 // the job's sheet was compared with the layout
    int m_bDragging = 0;                     // a drag starts here, or something is dragged over the view
    int m_bCut = 0;                          // the next copy also deletes
    int m_bCopying = 0;                      // the data source is being filled
    int m_bPasting = 0;                      // a paste runs
    int m_bDragSource = 0;                   // the running drag started here
    int m_bDroppedHere = 0;                  // the running drag dropped here
    CPoint m_dragPressed;                    // where the running drag of ours was pressed (client)
    std::array<CLIPFORMAT, 3> m_clipFormats{};
    // Built after the margin view, before the engines; gone in the reverse order.
    CCTDropTarget m_dropTarget;              // registered with the window in Create
    CAutoNote m_autoNote;                    // owned
    CPagenate m_pagenate;                    // owned
    ECPerformance* m_pCommandTarget = nullptr;  // referenced while the command handler is registered there
    CMusicCursor* m_pCursor = nullptr;          // owned; null in insert mode without a prototype
    CPlayCursor* m_pPlayCursor = nullptr;       // owned; present while playback runs

    // Registers the command handler with `performance` unless it already is
    // there; with null, only takes it off.
    void RegisterCommandHandler(ECPerformance* performance);
    // Pagination of what the engine marked, on a client context; the view
    // then draws everything. Nothing without a window.
    void Repaginate();
    // The bar's controls read again when a track came or went.
    void RefreshBarIfNeeded();
    // The state handlers of OnUpdate.
    void OnPreferencesChanged();
    void OnSelectionChanged();
    void OnTimePosition(const MCTime& time);
    void OnPerformStop();
    // The tool and the play cursor deleted.
    void DeleteCursors();
};
