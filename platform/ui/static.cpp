#include "platform/ui/static.h"

#include "platform/core/format.h"

#include "platform/ui/control_support.h"

#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QStyle>

IMPLEMENT_DYNAMIC(CStatic, CWnd)

namespace {

// A label that draws its text as the prefix rules say; the toolkit's own
// label reads "&" only while it has a buddy, and keeps the raw text, from
// which the access key comes.
class CStaticLabel : public QLabel {
public:
    CStaticLabel(QWidget* parent, DWORD dwStyle) : QLabel(parent), m_dwStyle(dwStyle) {
        setTextFormat(Qt::PlainText);
        if (dwStyle & SS_SUNKEN)
            setFrameStyle(QFrame::Panel | QFrame::Sunken);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QFrame::paintEvent(event);
        QPainter painter(this);
        const DWORD type = m_dwStyle & SS_TYPEMASK;
        int flags = type == SS_CENTER ? Qt::AlignHCenter : type == SS_RIGHT ? Qt::AlignRight : Qt::AlignLeft;
        flags |= (m_dwStyle & SS_CENTERIMAGE) ? Qt::AlignVCenter : Qt::AlignTop;
        if (type != SS_SIMPLE && type != SS_LEFTNOWORDWRAP)
            flags |= Qt::TextWordWrap;
        const QString shown = QString::fromStdString(StaticShownText(text().toStdString(), m_dwStyle));
        style()->drawItemText(&painter, contentsRect(), flags, palette(), isEnabled(), shown, foregroundRole());
    }

private:
    DWORD m_dwStyle;
};

}  // namespace

std::string StaticShownText(const std::string& text, DWORD dwStyle) {
    if (dwStyle & SS_NOPREFIX)
        return text;
    return StripMnemonicPrefixes(text);
}

BOOL CStatic::Create(const char* lpszText, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CWnd::Create("STATIC", lpszText, dwStyle | WS_CHILD, rect, pParentWnd, nID);
}

QWidget* CStatic::CreateWidget(QWidget* parent, DWORD dwStyle) {
    m_dwStyle = dwStyle;
    return new CStaticLabel(parent, dwStyle);
}

LRESULT CStatic::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = CWnd::DefWindowProc(message, wParam, lParam);
    if (message == WM_LBUTTONUP && (m_dwStyle & SS_NOTIFY))
        platform_detail::NotifyParentCommand(*this, STN_CLICKED);
    return result;
}
