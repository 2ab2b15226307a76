#include "app/tips.h"

#include "app/centerwnd.h"
#include "platform/core/format.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/font.h"
#include "platform/gdi/gdiobj.h"
#include "platform/ui/dlgtemplate.h"
#include "platform/ui/paint.h"
#include "platform/ui/uiresources.h"

#include <QIcon>
#include <QPainter>

#include <cstdio>
#include <memory>

IMPLEMENT_DYNAMIC(SECTipOfDay, CDialog)

namespace {

const DialogTemplate kTipTemplate = {"Tip of the Day", {
    {IDC_TIPPANEL, DialogControlKind::Group, "", {7, 3, 224, 118}},
    {IDC_TIPSTARTUP, DialogControlKind::Check, "&Show Tips at Startup", {7, 128, 100, 10}},
    {IDC_TIPOK, DialogControlKind::Push, "OK", {238, 8, 58, 14}, BS_DEFPUSHBUTTON},
    {IDC_NEXTTIP, DialogControlKind::Push, "&Next Tip", {238, 28, 58, 14}},
    {IDC_PREVTIP, DialogControlKind::Push, "&Previous Tip", {238, 46, 58, 14}},
    {IDC_TIPHELP, DialogControlKind::Push, "&Help", {238, 64, 58, 14}},
}, {303, 144}, {"Helv", 8}};
DIALOG_RESOURCE(IDD_TIPOFDAY, kTipTemplate);

// Reads the file in tip pieces, as a C library reads text lines into a
// buffer of 512: a piece ends after "\n" or after 511 bytes. `visit` answers
// false to stop. Returns false when the file cannot be opened.
template <typename Visit>
bool ReadTipPieces(const std::string& path, Visit visit) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file)
        return false;
    std::string piece;
    int c;
    while ((c = std::fgetc(file.get())) != EOF) {
        if (c == '\r') {
            // Text mode: "\r\n" is a line end.
            const int next = std::fgetc(file.get());
            if (next == '\n')
                c = '\n';
            else if (next != EOF)
                std::ungetc(next, file.get());
        }
        piece.push_back(static_cast<char>(c));
        if (c == '\n' || static_cast<int>(piece.size()) == kTipPieceBytes) {
            if (!visit(piece))
                return true;
            piece.clear();
        }
    }
    if (!piece.empty())
        visit(piece);
    return true;
}

}  // namespace

int CountTips(const std::string& path) {
    int count = 0;
    if (!ReadTipPieces(path, [&](const std::string&) { ++count; return true; }))
        return -1;
    return count;
}

std::string ReadTip(const std::string& path, int n) {
    std::string tip;
    int index = 0;
    ReadTipPieces(path, [&](const std::string& piece) {
        if (++index < n)
            return true;
        tip = piece;
        return false;
    });
    return index >= n ? tip : std::string();
}

BEGIN_MESSAGE_MAP(SECTipOfDay, CDialog)
    ON_WM_PAINT()
    ON_BN_CLICKED(IDC_NEXTTIP, &SECTipOfDay::OnNextTip)
    ON_BN_CLICKED(IDC_PREVTIP, &SECTipOfDay::OnPrevTip)
    ON_BN_CLICKED(IDC_TIPSTARTUP, &SECTipOfDay::OnStartup)
    ON_BN_CLICKED(IDC_TIPOK, &SECTipOfDay::OnTipOK)
    ON_BN_CLICKED(IDC_TIPHELP, &SECTipOfDay::OnHelp)
END_MESSAGE_MAP()

SECTipOfDay::SECTipOfDay(const std::string& path, int tipNumber, int showAtStartup, CWnd* pParentWnd)
    : CDialog(IDD_TIPOFDAY, pParentWnd), m_bShowAtStartup(showAtStartup), m_nTip(tipNumber), m_path(path) {}

SECTipOfDay::~SECTipOfDay() = default;

BOOL SECTipOfDay::OnInitDialog() {
    CDialog::OnInitDialog();
    CheckDlgButton(IDC_TIPSTARTUP, m_bShowAtStartup ? 1 : 0);
    m_nTipCount = CountTips(m_path);
    if (m_nTipCount == -1)
        m_tipText = Format("WARNING: Could not find: \"%s\"...", m_path.c_str());
    else
        LoadTip();
    const CRect panel = GetPanelRect();
    m_textRect = CRect(panel.left + 10, panel.top + 56, panel.right - 10, panel.bottom - 10);
    CenterWindowOver(this, GetParent());
    return TRUE;
}

void SECTipOfDay::LoadTip() {
    if (m_nTipCount == -1)
        return;
    if (m_nTip <= 0)
        m_nTip = m_nTipCount;
    else if (m_nTip > m_nTipCount)
        m_nTip = 1;
    m_tipText = ReadTip(m_path, m_nTip);
}

void SECTipOfDay::ShowTip(int step) {
    m_nTip += step;
    LoadTip();
    InvalidateRect(&m_textRect, TRUE);
}

void SECTipOfDay::OnNextTip() { ShowTip(+1); }
void SECTipOfDay::OnPrevTip() { ShowTip(-1); }

void SECTipOfDay::OnStartup() {
    m_bShowAtStartup = IsDlgButtonChecked(IDC_TIPSTARTUP) ? 1 : 0;
}

void SECTipOfDay::OnTipOK() { OnOK(); }

// The tips need no help of their own: the button is there for the layout.
void SECTipOfDay::OnHelp() {}

CRect SECTipOfDay::GetPanelRect() const {
    CRect panel;
    if (CWnd* group = GetDlgItem(IDC_TIPPANEL)) {
        group->GetWindowRect(&panel);
        POINT corners[2] = {{panel.left, panel.top}, {panel.right, panel.bottom}};
        ScreenToClient(&corners[0]);
        ScreenToClient(&corners[1]);
        panel = CRect(corners[0].x, corners[0].y, corners[1].x, corners[1].y);
    }
    return CRect(panel.left + 5, panel.top + 10 + 5, panel.right - 5, panel.bottom - 10 + 5);
}

void SECTipOfDay::OnPaint() {
    CPaintDC dc(this);
    const CRect painted(dc.m_ps.rcPaint);
    const bool textOnly = painted == m_textRect;
    const CRect panel = GetPanelRect();
    m_textRect = CRect(panel.left + 10, panel.top + 56, panel.right - 10, panel.bottom - 10);
    // The fonts live for this paint only.
    CFont tipFont;
    tipFont.CreateFont(17, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
    if (textOnly) {
        dc.FillSolidRect(&m_textRect, RGB(255, 255, 255));
    } else {
        CFont headingFont;
        headingFont.CreateFont(19, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
        dc.FillSolidRect(&panel, RGB(255, 255, 255));
        CBrush frame(RGB(0, 0, 0));
        dc.FrameRect(&panel, &frame);
        const QIcon icon = LoadIcon(m_nIconId);
        if (!icon.isNull() && dc.GetPainter())
            dc.GetPainter()->drawPixmap(panel.left + 10, panel.top + 10, icon.pixmap(32, 32));
        CFont* old = dc.SelectObject(&headingFont);
        dc.SetBkMode(TRANSPARENT);
        CRect heading(panel.left + 50, panel.top + 26, panel.right - 10, panel.bottom - 10);
        dc.DrawText(m_heading, &heading, DT_WORDBREAK);
        dc.SelectObject(old);
    }
    std::string text = m_tipText;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    CFont* old = dc.SelectObject(&tipFont);
    dc.SetBkMode(TRANSPARENT);
    CRect textRect = m_textRect;
    dc.DrawText(text, &textRect, DT_WORDBREAK);
    dc.SelectObject(old);
}
