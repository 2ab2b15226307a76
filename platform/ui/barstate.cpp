// The saved layout of a frame's bars: one profile value "Layout", a version
// mark and one entry a bar, separated by ';':
//     1|59393,T,1;59394,T,0;59395,F,1,120,80;59393,S,1
// each entry the bar's id, its place (T, B, L, R: docked on that edge, in the
// order along it; t, b, l, r: the same, the bar starting a new line along the
// edge; F: floating with its window's top-left corner at x, y, within the
// desktop's reach; S: where the frame keeps it, as a status bar) and whether
// it is shown. The whole value is read before any bar moves, so an unreadable
// one moves none.
#include "platform/ui/controlbar.h"

#include "platform/core/profile.h"
#include "platform/ui/controlbar_private.h"
#include "platform/ui/metrics.h"

#include <QMainWindow>
#include <QToolBar>

#include <algorithm>
#include <charconv>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using namespace platform_detail;

namespace {

constexpr std::string_view kLayoutKey = "Layout";
constexpr std::string_view kVersionMark = "1|";
constexpr char kFloating = 'F';
constexpr char kStay = 'S';

struct BarPlace {
    UINT id = 0;
    char place = kStay;
    bool shown = true;
    CPoint point;   // floating only
};

// The edge a docked place names, in either case; null for any other place.
const BarEdge* EdgeOfPlace(char place) {
    return place >= 'a' && place <= 'z' ? EdgeByName(static_cast<char>(place - 'a' + 'A')) : EdgeByName(place);
}

// The place of a bar docked on the edge named `name`: lower case when it starts a line.
char DockedPlace(QMainWindow* frame, const CControlBar& bar, char name) {
    auto* host = qobject_cast<QToolBar*>(BarHost(bar));
    return host && frame->toolBarBreak(host) ? static_cast<char>(name - 'A' + 'a') : name;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    while (true) {
        const auto at = text.find(separator);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos)
            return parts;
        text.remove_prefix(at + 1);
    }
}

bool ParseInt(std::string_view text, int& value) {
    const char* end = text.data() + text.size();
    const auto [ptr, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && ptr == end && !text.empty();
}

std::optional<BarPlace> ParseEntry(std::string_view text) {
    const std::vector<std::string_view> fields = Split(text, ',');
    if (fields.size() != 3 && fields.size() != 5)
        return std::nullopt;
    BarPlace entry;
    int id = 0;
    if (!ParseInt(fields[0], id) || id <= 0 || id > 0xFFFF)
        return std::nullopt;
    entry.id = static_cast<UINT>(id);
    if (fields[1].size() != 1)
        return std::nullopt;
    entry.place = fields[1][0];
    if (entry.place != kFloating && entry.place != kStay && !EdgeOfPlace(entry.place))
        return std::nullopt;
    if (fields[2] != "0" && fields[2] != "1")
        return std::nullopt;
    entry.shown = fields[2] == "1";
    if ((entry.place == kFloating) != (fields.size() == 5))
        return std::nullopt;
    if (entry.place == kFloating && (!ParseInt(fields[3], entry.point.x) || !ParseInt(fields[4], entry.point.y)))
        return std::nullopt;
    // A floating bar no desktop could show is no place it ever had.
    if (entry.place == kFloating && !GetDesktopReach().Holds(entry.point.x, entry.point.y))
        return std::nullopt;
    return entry;
}

// The whole layout, or nothing when any part of it cannot be read.
std::optional<std::vector<BarPlace>> ParseLayout(std::string_view text) {
    if (!text.starts_with(kVersionMark))
        return std::nullopt;
    text.remove_prefix(kVersionMark.size());
    std::vector<BarPlace> entries;
    if (text.empty())
        return entries;
    for (std::string_view part : Split(text, ';')) {
        std::optional<BarPlace> entry = ParseEntry(part);
        if (!entry)
            return std::nullopt;
        entries.push_back(*entry);
    }
    return entries;
}

// The docked bars of one edge in their order along it, line by line: as the
// window shows them once they are laid out (the user may have dragged them),
// else as docked.
std::vector<CControlBar*> BarsAlong(QMainWindow* frame, DockSite& site, const BarEdge& edge) {
    std::vector<CControlBar*> bars;
    for (HWND hWnd : site.docked)
        if (auto* bar = static_cast<CControlBar*>(CWnd::FromHandle(hWnd)))
            if (DockedEdgeOf(frame, *bar) == &edge)
                bars.push_back(bar);
    const bool laidOut = frame->isVisible() && std::all_of(bars.begin(), bars.end(), [](const CControlBar* bar) {
        return BarHost(*bar)->isVisible();
    });
    if (laidOut) {
        const bool horizontal = edge.align & CBRS_ORIENT_HORZ;
        const bool fromFar = edge.align & (CBRS_ALIGN_BOTTOM | CBRS_ALIGN_RIGHT);
        std::stable_sort(bars.begin(), bars.end(), [&](const CControlBar* a, const CControlBar* b) {
            const QRect ra = BarHost(*a)->geometry();
            const QRect rb = BarHost(*b)->geometry();
            // Line by line from the frame's edge inwards (the bottom edge's
            // first line is its lowest), then along the line.
            const int lineA = horizontal ? ra.top() : ra.left();
            const int lineB = horizontal ? rb.top() : rb.left();
            if (lineA != lineB)
                return fromFar ? lineA > lineB : lineA < lineB;
            return (horizontal ? ra.left() : ra.top()) < (horizontal ? rb.left() : rb.top());
        });
    }
    return bars;
}

std::string Entry(const CControlBar& bar, char place) {
    return std::to_string(bar.GetDlgCtrlID()) + ',' + place + ',' + (bar.IsVisible() ? '1' : '0');
}

}  // namespace

void SaveBarState(CWnd* frame, const char* lpszProfileName) {
    QMainWindow* mainWindow = MainWindowOf(frame);
    if (!mainWindow || !lpszProfileName)
        return;
    DockSite& site = DockSite::Of(mainWindow);
    std::vector<std::string> entries;
    std::vector<const CControlBar*> written;
    for (const char name : {'T', 'B', 'L', 'R'}) {
        for (CControlBar* bar : BarsAlong(mainWindow, site, *EdgeByName(name))) {
            entries.push_back(Entry(*bar, DockedPlace(mainWindow, *bar, name)));
            written.push_back(bar);
        }
    }
    for (CControlBar* bar : site.Bars()) {
        if (std::find(written.begin(), written.end(), bar) != written.end())
            continue;
        CRect floating;
        if (bar->GetFloatingWindowRect(&floating)) {
            entries.push_back(Entry(*bar, kFloating) + ',' + std::to_string(floating.left) + ',' +
                              std::to_string(floating.top));
        } else {
            entries.push_back(Entry(*bar, kStay));
        }
    }
    std::string value(kVersionMark);
    for (std::size_t i = 0; i < entries.size(); ++i)
        value += (i ? ";" : "") + entries[i];
    WriteProfileString(lpszProfileName, kLayoutKey, value);
}

BOOL LoadBarState(CWnd* frame, const char* lpszProfileName) {
    QMainWindow* mainWindow = MainWindowOf(frame);
    if (!mainWindow || !lpszProfileName)
        return FALSE;
    const std::optional<std::vector<BarPlace>> layout =
        ParseLayout(GetProfileString(lpszProfileName, kLayoutKey, ""));
    if (!layout)
        return FALSE;
    for (const BarPlace& entry : *layout) {
        CControlBar* bar = GetControlBar(frame, entry.id);
        if (!bar)
            continue;   // a bar this frame no longer makes
        if (entry.place == kFloating) {
            FloatControlBar(frame, bar, entry.point, CBRS_ALIGN_TOP);
        } else if (const BarEdge* edge = EdgeOfPlace(entry.place)) {
            // Where it may dock, or on its own edge again (a bar fixed there keeps
            // its place in the order).
            const DWORD enabled = DockSite::Of(mainWindow).dockStyle & bar->GetDockStyle();
            if ((enabled & edge->align) || DockedEdgeOf(mainWindow, *bar) == edge) {
                RedockBar(mainWindow, *bar, *edge);
                auto* host = qobject_cast<QToolBar*>(BarHost(*bar));
                if (entry.place != edge->name && host && !mainWindow->toolBarBreak(host))
                    mainWindow->insertToolBarBreak(host);
            }
        }
        ShowControlBar(frame, bar, entry.shown, FALSE);
    }
    return TRUE;
}
