// What the docking operations (controlbar.cpp) share with the saved layout
// (barstate.cpp) and the user's drags (bardrag.cpp): the four edges, the
// frame's record of its bars, and the places of a bar. Internal to the window
// layer. User-interface thread only.
#pragma once

#include "platform/ui/controlbar.h"

#include <QObject>
#include <QPoint>

#include <vector>

class QDockWidget;
class QMainWindow;
class QToolBar;

namespace platform_detail {

// One edge of a frame: its dock bar id, alignment, tool-bar area and the
// letter a saved layout names it by.
struct BarEdge {
    UINT id;
    DWORD align;
    Qt::ToolBarArea area;
    char name;
};

// Null when there is no such edge. By alignment: the first of top, bottom,
// left and right among the bits given.
const BarEdge* EdgeById(UINT nDockBarID);
const BarEdge* EdgeByAlign(DWORD dwAlign);
const BarEdge* EdgeByArea(Qt::ToolBarArea area);
const BarEdge* EdgeByName(char name);

// The frame's main window; null for any other window.
QMainWindow* MainWindowOf(const CWnd* frame);

// What a frame keeps about its bars, a child object of its main window (so
// it goes with it). Bars are held by handle: a destroyed one is passed over.
class DockSite : public QObject {
public:
    static DockSite* Find(QMainWindow* frame);
    // Made when first asked for.
    static DockSite& Of(QMainWindow* frame);

    // The bars still there, in the order made.
    std::vector<CControlBar*> Bars();

    DWORD dockStyle = 0;          // the edges the frame enables (EnableDocking)
    std::vector<HWND> bars;       // every bar made on the frame, in order made
    std::vector<HWND> docked;     // the docked bars, each edge's in order along it

private:
    explicit DockSite(QMainWindow* frame);
};

// The edge the bar is docked on; null when it is not docked.
const BarEdge* DockedEdgeOf(QMainWindow* frame, const CControlBar& bar);
// Docks the bar after the others on the edge, whether or not docking is enabled there.
void RedockBar(QMainWindow* frame, CControlBar& bar, const BarEdge& edge);
// The tool bar or floating window holding the bar; null when neither does.
QWidget* BarHost(const CControlBar& bar);
// The edges the user may put the bar on: those the frame and the bar both enable.
DWORD MovableEdgesOf(QMainWindow* frame, const CControlBar& bar);

// ---- the user's drags (bardrag.cpp) ----
// The edge of the frame whose docking zone holds `global` (screen
// coordinates): the strip between the frame's inner rectangle (its view and
// docked bars) and its view, widened a little both ways. The nearest edge
// where zones meet at a corner; null inside the view or away from the frame.
const BarEdge* EdgeAtPoint(QMainWindow* frame, QPoint global);
// Lets the user drag the docked bar by its tool bar's handle: dropped on an
// edge it may dock on, it docks there; dropped elsewhere, it floats there.
void TrackDockedDrags(QToolBar* host, CControlBar& bar);
// Gives the floating window a caption of ours when the bar may dock
// (`dockable`): dragged by it onto an edge the bar may dock on, the bar
// docks. Without, the window keeps the window system's caption.
void SetFloatingCaption(QDockWidget* host, CControlBar& bar, bool dockable);

}  // namespace platform_detail
