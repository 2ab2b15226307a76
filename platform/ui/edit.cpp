#include "platform/ui/edit.h"

#include "platform/ui/control_support.h"
#include "platform/ui/wnd_private.h"

#include <QAbstractTextDocumentLayout>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QSignalBlocker>
#include <QTextBlock>
#include <QTextLayout>

#include <algorithm>
#include <climits>

IMPLEMENT_DYNAMIC(CEdit, CWnd)

using platform_detail::FromUtf8;
using platform_detail::NotifyParentCommand;

namespace {

// The most characters a field takes when no limit is set.
constexpr int kNoLimit = 0x7FFFFFFE;

// What the field's messages need of either widget.
class CEditBox {
public:
    virtual ~CEditBox() = default;
    virtual QWidget* Widget() = 0;
    virtual QString Text() const = 0;
    virtual void SetText(const QString& text) = 0;   // without a change signal
    virtual int Length() const = 0;
    virtual void Selection(int& start, int& end) const = 0;
    // From `anchor` to `position`, where the caret goes.
    virtual void Select(int anchor, int position) = 0;
    virtual void Deselect() = 0;
    virtual void Replace(const QString& text) = 0;
    virtual void SetMargins(const QMargins& margins) = 0;
    virtual void SetReadOnly(bool readOnly) = 0;
    virtual bool IsReadOnly() const = 0;
    virtual void SetLimit(int limit) = 0;
    virtual int Limit() const = 0;
    virtual bool IsModified() const = 0;
    virtual void SetModified(bool modified) = 0;
    virtual int LineCount() const = 0;
    virtual DWORD CharFromPos(QPoint point) const = 0;   // MAKELONG(character, line)
    virtual void SetCaretShown(bool shown) = 0;
    virtual void ScrollCaret() = 0;
    virtual bool CanUndo() const = 0;
    virtual void Undo() = 0;
    virtual void Cut() = 0;
    virtual void Copy() = 0;
    virtual void Paste() = 0;
};

// The caret's width as the style gives it, 0 while hidden: the one line
// widget asks its style for the width each time it draws.
class CCaretStyle : public QProxyStyle {
public:
    bool hidden = false;
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
        if (metric == PM_TextCursorWidth && hidden)
            return 0;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

class CLineBox : public QLineEdit, public CEditBox {
public:
    using QLineEdit::QLineEdit;
    QWidget* Widget() override { return this; }
    QString Text() const override { return text(); }
    void SetText(const QString& value) override {
        const QSignalBlocker quiet(this);
        setText(value);
    }
    int Length() const override { return static_cast<int>(text().size()); }
    void Selection(int& start, int& end) const override {
        if (hasSelectedText()) {
            start = selectionStart();
            end = selectionEnd();
        } else {
            start = end = cursorPosition();
        }
    }
    void Select(int anchor, int position) override { setSelection(anchor, position - anchor); }
    void Deselect() override { deselect(); }
    void Replace(const QString& value) override { insert(value); }
    void SetMargins(const QMargins& margins) override { setTextMargins(margins); }
    void SetReadOnly(bool value) override { setReadOnly(value); }
    bool IsReadOnly() const override { return isReadOnly(); }
    void SetLimit(int limit) override { setMaxLength(limit); }
    int Limit() const override { return maxLength(); }
    bool IsModified() const override { return isModified(); }
    void SetModified(bool value) override { setModified(value); }
    int LineCount() const override { return 1; }
    DWORD CharFromPos(QPoint point) const override { return MAKELONG(static_cast<WORD>(const_cast<CLineBox*>(this)->cursorPositionAt(point)), 0); }
    void SetCaretShown(bool shown) override {
        if (!m_caretStyle) {
            if (shown)
                return;
            m_caretStyle = new CCaretStyle;
            m_caretStyle->setParent(this);   // deleted with the field
            setStyle(m_caretStyle);
        }
        m_caretStyle->hidden = !shown;
        update();
    }
    void ScrollCaret() override {}
    bool CanUndo() const override { return isUndoAvailable(); }
    void Undo() override { undo(); }
    void Cut() override { cut(); }
    void Copy() override { copy(); }
    void Paste() override { paste(); }

protected:
    // The toolkit selects the whole text itself when the focus comes by Tab
    // or by a shortcut; that becomes the request a dialog sends on focus
    // (EM_SETSEL 0, -1) instead, which a field may refuse in its message map.
    void focusInEvent(QFocusEvent* event) override {
        const Qt::FocusReason reason = event->reason();
        const bool selectAll = (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
                                reason == Qt::ShortcutFocusReason) && !hasSelectedText();
        QFocusEvent plain(event->type(), Qt::OtherFocusReason);
        QLineEdit::focusInEvent(&plain);
        if (selectAll)
            if (CWnd* self = CWnd::FromWidget(this))
                self->SendMessage(EM_SETSEL, 0, -1);
    }

private:
    CCaretStyle* m_caretStyle = nullptr;   // owned by the widget; made at the first HideCaret
};

class CTextBox : public QPlainTextEdit, public CEditBox {
public:
    using QPlainTextEdit::QPlainTextEdit;
    QWidget* Widget() override { return this; }
    QString Text() const override { return toPlainText(); }
    void SetText(const QString& value) override {
        const QSignalBlocker quiet(this);
        const QSignalBlocker quietDocument(document());
        setPlainText(value);
        viewport()->update();
    }
    int Length() const override { return document()->characterCount() - 1; }
    void Selection(int& start, int& end) const override {
        start = textCursor().selectionStart();
        end = textCursor().selectionEnd();
    }
    void Select(int anchor, int position) override {
        QTextCursor cursor = textCursor();
        cursor.setPosition(anchor);
        cursor.setPosition(position, QTextCursor::KeepAnchor);
        setTextCursor(cursor);
    }
    void Deselect() override {
        QTextCursor cursor = textCursor();
        cursor.clearSelection();
        setTextCursor(cursor);
    }
    void Replace(const QString& value) override {
        QString text = value;
        text.remove(QChar('\r'));
        const int room = m_limit - Length() + static_cast<int>(textCursor().selectedText().size());
        textCursor().insertText(text.left(std::max(room, 0)));
    }
    void SetMargins(const QMargins& margins) override { setViewportMargins(margins); }
    void SetReadOnly(bool value) override { setReadOnly(value); }
    bool IsReadOnly() const override { return isReadOnly(); }
    void SetLimit(int limit) override { m_limit = limit; }
    int Limit() const override { return m_limit; }
    bool IsModified() const override { return document()->isModified(); }
    void SetModified(bool value) override { document()->setModified(value); }
    int LineCount() const override {
        int lines = 0;
        for (QTextBlock block = document()->begin(); block.isValid(); block = block.next())
            lines += std::max(block.layout() ? block.layout()->lineCount() : 1, 1);
        return std::max(lines, 1);
    }
    DWORD CharFromPos(QPoint point) const override {
        const QTextCursor cursor = cursorForPosition(viewport()->mapFrom(this, point));
        const QTextBlock block = cursor.block();
        int line = 0;
        for (QTextBlock before = document()->begin(); before.isValid() && before != block; before = before.next())
            line += std::max(before.layout() ? before.layout()->lineCount() : 1, 1);
        if (QTextLayout* layout = block.layout()) {
            const QTextLine inBlock = layout->lineForTextPosition(cursor.position() - block.position());
            if (inBlock.isValid())
                line += inBlock.lineNumber();
        }
        return MAKELONG(static_cast<WORD>(cursor.position()), static_cast<WORD>(line));
    }
    void SetCaretShown(bool shown) override {
        setCursorWidth(shown ? style()->pixelMetric(QStyle::PM_TextCursorWidth, nullptr, this) : 0);
    }
    void ScrollCaret() override { ensureCursorVisible(); }
    bool CanUndo() const override { return document()->isUndoAvailable(); }
    void Undo() override { undo(); }
    void Cut() override { cut(); }
    void Copy() override { copy(); }
    void Paste() override { paste(); }

private:
    int m_limit = kNoLimit;
};

CEditBox* BoxOf(QWidget* widget) {
    return dynamic_cast<CEditBox*>(widget);
}

// A multi-line field's text as it is handed out: "\r\n" line ends.
QString WithCrLf(QString text) {
    return text.replace(QChar('\n'), QStringLiteral("\r\n"));
}

}  // namespace

BOOL CEdit::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CWnd::Create("EDIT", nullptr, dwStyle | WS_CHILD, rect, pParentWnd, nID);
}

QWidget* CEdit::CreateWidget(QWidget* parent, DWORD dwStyle) {
    CEditBox* box = nullptr;
    if (dwStyle & ES_MULTILINE) {
        auto* text = new CTextBox(parent);
        text->setLineWrapMode((dwStyle & ES_AUTOHSCROLL) ? QPlainTextEdit::NoWrap : QPlainTextEdit::WidgetWidth);
        platform_detail::MarkAsPart(text->viewport());
        QObject::connect(text, &QPlainTextEdit::textChanged, text, [text] {
            if (CWnd* self = CWnd::FromWidget(text))
                NotifyParentCommand(*self, EN_CHANGE);
        });
        box = text;
    } else {
        auto* line = new CLineBox(parent);
        line->setMaxLength(kNoLimit);
        if (dwStyle & ES_PASSWORD)
            line->setEchoMode(QLineEdit::Password);
        QObject::connect(line, &QLineEdit::textChanged, line, [line] {
            if (CWnd* self = CWnd::FromWidget(line))
                NotifyParentCommand(*self, EN_CHANGE);
        });
        box = line;
    }
    if (dwStyle & ES_READONLY)
        box->SetReadOnly(true);
    if (auto* line = dynamic_cast<QLineEdit*>(box->Widget()))
        line->setAlignment((dwStyle & ES_RIGHT) ? Qt::AlignRight : (dwStyle & ES_CENTER) ? Qt::AlignHCenter : Qt::AlignLeft);
    return box->Widget();
}

LRESULT CEdit::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    CEditBox* box = BoxOf(GetWidget());
    if (!box)
        return CWnd::DefWindowProc(message, wParam, lParam);
    const bool multiLine = dynamic_cast<CTextBox*>(box) != nullptr;
    switch (message) {
    case WM_SETTEXT: {
        QString text = FromUtf8(reinterpret_cast<const char*>(lParam));
        if (multiLine)
            text.remove(QChar('\r'));
        box->SetText(text);
        box->SetModified(false);
        NotifyParentCommand(*this, EN_CHANGE);
        return TRUE;
    }
    case WM_GETTEXTLENGTH:
    case WM_GETTEXT: {
        const QByteArray utf8 = (multiLine ? WithCrLf(box->Text()) : box->Text()).toUtf8();
        if (message == WM_GETTEXTLENGTH)
            return utf8.size();
        return static_cast<LRESULT>(platform_detail::CopyText(std::string_view(utf8.constData(), utf8.size()),
                                                              reinterpret_cast<char*>(lParam),
                                                              static_cast<std::size_t>(wParam)));
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
        if (message == WM_KILLFOCUS && m_nCaretHidden > 0) {
            // The caret lives as long as the focus: the next focus starts
            // with one shown, whatever was hidden during this one.
            m_nCaretHidden = 0;
            box->SetCaretShown(true);
        }
        const LRESULT result = CWnd::DefWindowProc(message, wParam, lParam);
        NotifyParentCommand(*this, message == WM_SETFOCUS ? EN_SETFOCUS : EN_KILLFOCUS);
        return result;
    }
    case EM_SETSEL: {
        const int length = box->Length();
        const auto start = static_cast<int>(static_cast<LPARAM>(wParam));
        if (start == -1) {
            box->Deselect();
            return 0;
        }
        auto end = static_cast<int>(lParam);
        if (end < 0 || end > length)
            end = length;
        box->Select(std::clamp(start, 0, length), end);
        return 0;
    }
    case EM_GETSEL: {
        int start = 0;
        int end = 0;
        box->Selection(start, end);
        if (wParam)
            *reinterpret_cast<DWORD*>(wParam) = static_cast<DWORD>(start);
        if (lParam)
            *reinterpret_cast<DWORD*>(lParam) = static_cast<DWORD>(end);
        return MAKELONG(static_cast<WORD>(start), static_cast<WORD>(end));
    }
    case EM_REPLACESEL:
        box->Replace(FromUtf8(reinterpret_cast<const char*>(lParam)));
        return 0;
    case EM_LIMITTEXT:
        box->SetLimit(wParam == 0 || wParam > static_cast<WPARAM>(kNoLimit) ? kNoLimit : static_cast<int>(wParam));
        return 0;
    case EM_GETLIMITTEXT:
        return box->Limit();
    case EM_SETREADONLY:
        box->SetReadOnly(wParam != 0);
        return TRUE;
    case EM_GETMODIFY:
        return box->IsModified() ? TRUE : FALSE;
    case EM_SETMODIFY:
        box->SetModified(wParam != 0);
        return 0;
    case EM_GETLINECOUNT:
        return box->LineCount();
    case EM_CHARFROMPOS:
        return box->CharFromPos(QPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)));
    case EM_SCROLLCARET:
        box->ScrollCaret();
        return TRUE;
    case EM_SETRECT:
    case EM_SETRECTNP: {
        const QWidget* widget = box->Widget();
        const auto* rect = reinterpret_cast<const RECT*>(lParam);
        QMargins margins;
        if (rect)
            margins = QMargins(std::max(rect->left, 0), std::max(rect->top, 0),
                               std::max(widget->width() - rect->right, 0), std::max(widget->height() - rect->bottom, 0));
        box->SetMargins(margins);
        m_formatRect = rect ? CRect(*rect) : CRect(0, 0, widget->width(), widget->height());
        m_bFormatRect = rect != nullptr;
        return 0;
    }
    case EM_GETRECT:
        if (auto* rect = reinterpret_cast<RECT*>(lParam))
            *rect = m_bFormatRect ? RECT(m_formatRect) : RECT{0, 0, box->Widget()->width(), box->Widget()->height()};
        return 0;
    case EM_CANUNDO:
        return box->CanUndo() ? TRUE : FALSE;
    case EM_UNDO:
        box->Undo();
        return TRUE;
    case WM_CUT: box->Cut(); return 0;
    case WM_COPY: box->Copy(); return 0;
    case WM_PASTE: box->Paste(); return 0;
    case WM_CLEAR: box->Replace(QString()); return 0;
    default:
        return CWnd::DefWindowProc(message, wParam, lParam);
    }
}

void CEdit::SetSel(int nStartChar, int nEndChar, BOOL bNoScroll) {
    SendMessage(EM_SETSEL, static_cast<WPARAM>(static_cast<LPARAM>(nStartChar)), nEndChar);
    if (!bNoScroll)
        SendMessage(EM_SCROLLCARET);
}

void CEdit::SetSel(DWORD dwSelection, BOOL bNoScroll) {
    SetSel(static_cast<SHORT>(LOWORD(dwSelection)), static_cast<SHORT>(HIWORD(dwSelection)), bNoScroll);
}

DWORD CEdit::GetSel() const {
    return static_cast<DWORD>(SendMessage(EM_GETSEL));
}

void CEdit::GetSel(int& nStartChar, int& nEndChar) const {
    DWORD start = 0;
    DWORD end = 0;
    SendMessage(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    nStartChar = static_cast<int>(start);
    nEndChar = static_cast<int>(end);
}

void CEdit::ReplaceSel(const char* lpszNewText, BOOL bCanUndo) {
    SendMessage(EM_REPLACESEL, static_cast<WPARAM>(bCanUndo), reinterpret_cast<LPARAM>(lpszNewText ? lpszNewText : ""));
}

void CEdit::LimitText(int nChars) { SendMessage(EM_LIMITTEXT, static_cast<WPARAM>(std::max(nChars, 0))); }
UINT CEdit::GetLimitText() const { return static_cast<UINT>(SendMessage(EM_GETLIMITTEXT)); }
BOOL CEdit::SetReadOnly(BOOL bReadOnly) { return static_cast<BOOL>(SendMessage(EM_SETREADONLY, static_cast<WPARAM>(bReadOnly))); }
BOOL CEdit::GetModify() const { return static_cast<BOOL>(SendMessage(EM_GETMODIFY)); }
void CEdit::SetModify(BOOL bModified) { SendMessage(EM_SETMODIFY, static_cast<WPARAM>(bModified)); }
int CEdit::GetLineCount() const { return static_cast<int>(SendMessage(EM_GETLINECOUNT)); }
BOOL CEdit::CanUndo() const { return static_cast<BOOL>(SendMessage(EM_CANUNDO)); }
BOOL CEdit::Undo() { return static_cast<BOOL>(SendMessage(EM_UNDO)); }
void CEdit::Cut() { SendMessage(WM_CUT); }
void CEdit::Copy() { SendMessage(WM_COPY); }
void CEdit::Paste() { SendMessage(WM_PASTE); }
void CEdit::Clear() { SendMessage(WM_CLEAR); }

int CEdit::CharFromPos(CPoint pt) const {
    return static_cast<int>(SendMessage(EM_CHARFROMPOS, 0,
                                        MAKELPARAM(static_cast<WORD>(static_cast<SHORT>(pt.x)),
                                                   static_cast<WORD>(static_cast<SHORT>(pt.y)))));
}

void CEdit::SetRect(const RECT* lpRect) { SendMessage(EM_SETRECT, 0, reinterpret_cast<LPARAM>(lpRect)); }
void CEdit::SetRectNP(const RECT* lpRect) { SendMessage(EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(lpRect)); }
void CEdit::GetRect(RECT* lpRect) const { SendMessage(EM_GETRECT, 0, reinterpret_cast<LPARAM>(lpRect)); }

void CEdit::HideCaret() {
    if (m_nCaretHidden++ == 0)
        if (CEditBox* box = BoxOf(GetWidget()))
            box->SetCaretShown(false);
}

void CEdit::ShowCaret() {
    if (m_nCaretHidden == 0)
        return;
    if (--m_nCaretHidden == 0)
        if (CEditBox* box = BoxOf(GetWidget()))
            box->SetCaretShown(true);
}
