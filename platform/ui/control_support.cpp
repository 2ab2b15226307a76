#include "platform/ui/control_support.h"

#include "platform/ui/wnd_private.h"

#include <QWidget>

#include <algorithm>
#include <cstring>

namespace platform_detail {

LRESULT NotifyParentCommand(const CWnd& control, UINT code) {
    CWnd* parent = control.GetParent();
    if (!parent)
        return 0;
    return parent->SendMessage(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(control.GetDlgCtrlID()), static_cast<WORD>(code)),
                               reinterpret_cast<LPARAM>(control.GetSafeHwnd()));
}

LRESULT NotifyParent(const CWnd& control, NMHDR& header, UINT code) {
    header.hwndFrom = control.GetSafeHwnd();
    header.idFrom = static_cast<UINT_PTR>(control.GetDlgCtrlID());
    header.code = code;
    CWnd* parent = control.GetParent();
    if (!parent)
        return 0;
    return parent->SendMessage(WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
}

void NotifyParentScroll(const CWnd& control, UINT message, UINT code, int position) {
    if (CWnd* parent = control.GetParent())
        parent->SendMessage(message, MAKEWPARAM(static_cast<WORD>(code), static_cast<WORD>(position)),
                            reinterpret_cast<LPARAM>(control.GetSafeHwnd()));
}

int FindListString(const std::function<QString(int)>& textAt, int count, int startAfter, const char* text, bool exact) {
    if (count <= 0)
        return -1;
    const QString wanted = FromUtf8(text);
    const int first = (startAfter < 0 || startAfter >= count) ? 0 : startAfter + 1;
    for (int n = 0; n < count; ++n) {
        const int index = (first + n) % count;
        const QString entry = textAt(index);
        const bool found = exact ? entry.compare(wanted, Qt::CaseInsensitive) == 0
                                 : entry.startsWith(wanted, Qt::CaseInsensitive);
        if (found)
            return index;
    }
    return -1;
}

QString FromUtf8(const char* text) {
    return QString::fromUtf8(text ? text : "");
}

std::size_t CopyText(std::string_view text, char* buffer, std::size_t size) {
    if (!buffer || size == 0)
        return 0;
    std::size_t length = std::min(text.size(), size - 1);
    // Back to the start of a character: continuation bytes are 10xxxxxx.
    if (length < text.size())
        while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
            --length;
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
    return length;
}

}  // namespace platform_detail

void CWnd::SetRedraw(BOOL bRedraw) {
    if (!m_pWidget)
        return;
    m_pWidget->setUpdatesEnabled(bRedraw != FALSE);
    if (bRedraw)
        m_pWidget->update();
}
