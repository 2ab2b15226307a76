#include "platform/ui/fontdialog.h"

#include "platform/core/format.h"
#include "platform/ui/dlgctrl.h"
#include "platform/ui/lists.h"
#include "platform/ui/prompt.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>

#include <cmath>

IMPLEMENT_DYNAMIC(CFontDialog, CCommonDialog)

namespace {

const char* const kNoSize = "Size must be a number.";
constexpr int kDefaultTenths = 100;
const int kSizes[] = {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72};

// The four styles, in list order: weight bold, italic.
const struct {
    const char* name;
    bool bold;
    bool italic;
} kStyles[] = {{"Regular", false, false}, {"Italic", false, true}, {"Bold", true, false}, {"Bold Italic", true, true}};

const struct {
    const char* name;
    COLORREF colour;
} kColours[] = {
    {"Black", RGB(0, 0, 0)},       {"Maroon", RGB(128, 0, 0)},     {"Green", RGB(0, 128, 0)},
    {"Olive", RGB(128, 128, 0)},   {"Navy", RGB(0, 0, 128)},       {"Purple", RGB(128, 0, 128)},
    {"Teal", RGB(0, 128, 128)},    {"Gray", RGB(128, 128, 128)},   {"Silver", RGB(192, 192, 192)},
    {"Red", RGB(255, 0, 0)},       {"Lime", RGB(0, 255, 0)},       {"Yellow", RGB(255, 255, 0)},
    {"Blue", RGB(0, 0, 255)},      {"Fuchsia", RGB(255, 0, 255)},  {"Aqua", RGB(0, 255, 255)},
    {"White", RGB(255, 255, 255)},
};

// Points in tenths from a font's height at `dpi`: a character height
// (negative) or a cell height (positive, taken alike here).
int TenthsOfHeight(int32_t height, int dpi) {
    if (height == 0)
        return kDefaultTenths;
    return static_cast<int>(std::lround(std::abs(static_cast<double>(height)) * 720.0 / dpi));
}

std::string SizeText(int tenths) {
    return tenths % 10 ? Format("%d.%d", tenths / 10, tenths % 10) : Format("%d", tenths / 10);
}

template <typename Widget>
Widget* Control(QWidget* dialog, int nID) {
    return dialog ? dialog->findChild<Widget*>(QString::number(nID)) : nullptr;
}

}  // namespace

// The dialog's window, whose OK is decided by its CFontDialog.
class CFontDialog::Widget : public QDialog {
public:
    Widget(CFontDialog& owner, QWidget* parent) : QDialog(parent), m_owner(owner) {}

    void accept() override {
        if (m_owner.Accept())
            m_owner.EndDialog(IDOK);
    }
    void reject() override { m_owner.EndDialog(IDCANCEL); }

private:
    CFontDialog& m_owner;   // borrowed: it destroys this widget
};

CFontDialog::CFontDialog(LOGFONT* lplfInitial, DWORD dwFlags, CDC* /*pdcPrinter*/, CWnd* pParentWnd)
    : CCommonDialog(pParentWnd) {
    m_cf.Flags = dwFlags;
    if (lplfInitial) {
        m_cf.lpLogFont = lplfInitial;
        m_cf.Flags |= CF_INITTOLOGFONTSTRUCT;
        m_lf = *lplfInitial;
    }
}

INT_PTR CFontDialog::DoModal() {
    return RunModal(Build());
}

QDialog* CFontDialog::Build() {
    if ((m_cf.Flags & CF_INITTOLOGFONTSTRUCT) && m_cf.lpLogFont)
        m_lf = *m_cf.lpLogFont;
    const int dpi = GetScreenLogPixelsY();

    auto* dialog = new Widget(*this, GetParentWidget());
    dialog->setWindowTitle(QStringLiteral("Font"));
    auto* layout = new QGridLayout(dialog);

    auto* faces = new QComboBox(dialog);
    const QStringList families = QFontDatabase::families();
    for (const QString& family : families)
        if (QFontDatabase::isScalable(family) && !QFontDatabase::isPrivateFamily(family))
            faces->addItem(family);
    // The face asked for, else the face the toolkit would draw it with.
    const QString face = QString::fromStdString(::GetFaceName(m_lf));
    int faceIndex = face.isEmpty() ? -1 : faces->findText(face, Qt::MatchFixedString);
    if (faceIndex < 0 && !face.isEmpty())
        faceIndex = faces->findText(QFontInfo(QFont(face)).family(), Qt::MatchFixedString);
    faces->setCurrentIndex(faceIndex >= 0 ? faceIndex : 0);

    auto* styles = new QComboBox(dialog);
    for (const auto& style : kStyles)
        styles->addItem(QString::fromUtf8(style.name));
    styles->setCurrentIndex((m_lf.lfWeight >= FW_BOLD ? 2 : 0) + (m_lf.lfItalic ? 1 : 0));

    auto* sizes = new QComboBox(dialog);
    sizes->setEditable(true);
    sizes->setInsertPolicy(QComboBox::NoInsert);
    for (int size : kSizes)
        sizes->addItem(QString::number(size));
    sizes->setEditText(QString::fromStdString(SizeText(TenthsOfHeight(m_lf.lfHeight, dpi))));

    const auto label = [dialog](const char* text, QWidget* buddy) {
        auto* shown = new QLabel(QString::fromUtf8(text), dialog);
        shown->setBuddy(buddy);
        return shown;
    };
    layout->addWidget(label("&Font:", faces), 0, 0);
    layout->addWidget(faces, 1, 0);
    layout->addWidget(label("Font st&yle:", styles), 0, 1);
    layout->addWidget(styles, 1, 1);
    layout->addWidget(label("&Size:", sizes), 0, 2);
    layout->addWidget(sizes, 1, 2);
    AdoptControl(faces, cmb1, std::make_unique<CComboBox>());
    AdoptControl(styles, cmb2, std::make_unique<CComboBox>());
    AdoptControl(sizes, cmb3, std::make_unique<CComboBox>());

    if (m_cf.Flags & CF_EFFECTS) {
        auto* effects = new QGroupBox(QStringLiteral("Effects"), dialog);
        auto* inner = new QGridLayout(effects);
        auto* strikeOut = new QCheckBox(QStringLiteral("Stri&keout"), effects);
        auto* underline = new QCheckBox(QStringLiteral("&Underline"), effects);
        strikeOut->setChecked(m_lf.lfStrikeOut != 0);
        underline->setChecked(m_lf.lfUnderline != 0);
        auto* colours = new QComboBox(effects);
        for (const auto& colour : kColours)
            colours->addItem(QString::fromUtf8(colour.name), QVariant::fromValue<uint>(colour.colour));
        int colourIndex = colours->findData(QVariant::fromValue<uint>(m_cf.rgbColors));
        if (colourIndex < 0) {
            // A colour of its own stays choosable.
            colours->addItem(QStringLiteral("Custom"), QVariant::fromValue<uint>(m_cf.rgbColors));
            colourIndex = colours->count() - 1;
        }
        colours->setCurrentIndex(colourIndex);
        inner->addWidget(strikeOut, 0, 0);
        inner->addWidget(underline, 1, 0);
        inner->addWidget(new QLabel(QStringLiteral("Color:"), effects), 2, 0);
        inner->addWidget(colours, 3, 0);
        layout->addWidget(effects, 2, 0);
        AdoptControl(strikeOut, chx1);
        AdoptControl(underline, chx2);
        AdoptControl(colours, cmb4, std::make_unique<CComboBox>());
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    layout->addWidget(buttons, 3, 0, 1, 3);
    AdoptButtons(dialog);
    return dialog;
}

bool CFontDialog::Accept() {
    QDialog* dialog = GetDialog();
    auto* faces = Control<QComboBox>(dialog, cmb1);
    auto* styles = Control<QComboBox>(dialog, cmb2);
    auto* sizes = Control<QComboBox>(dialog, cmb3);
    double points = 0;
    if (!sizes || !ParseDialogNumber(sizes->currentText().toStdString(), points) || !(points > 0) ||
        points > 1638) {
        ShowPrompt(kNoSize, MB_OK | MB_ICONEXCLAMATION, dialog ? dialog->windowTitle().toStdString() : "");
        if (sizes)
            sizes->setFocus();
        return false;
    }
    const int tenths = static_cast<int>(std::lround(points * 10));
    const int dpi = GetScreenLogPixelsY();
    m_cf.iPointSize = tenths;
    m_lf.lfHeight = -static_cast<int32_t>(std::lround(tenths * dpi / 720.0));
    m_lf.lfWidth = 0;
    const int style = styles ? std::max(0, styles->currentIndex()) : 0;
    m_lf.lfWeight = kStyles[style].bold ? FW_BOLD : FW_NORMAL;
    m_lf.lfItalic = kStyles[style].italic ? 1 : 0;
    if (faces && faces->currentIndex() >= 0)
        SetFaceName(m_lf, faces->currentText().toStdString());
    if (m_cf.Flags & CF_EFFECTS) {
        if (auto* strikeOut = Control<QCheckBox>(dialog, chx1))
            m_lf.lfStrikeOut = strikeOut->isChecked() ? 1 : 0;
        if (auto* underline = Control<QCheckBox>(dialog, chx2))
            m_lf.lfUnderline = underline->isChecked() ? 1 : 0;
        if (auto* colours = Control<QComboBox>(dialog, cmb4); colours && colours->currentIndex() >= 0)
            m_cf.rgbColors = colours->currentData().toUInt();
    }
    if (m_cf.lpLogFont)
        *m_cf.lpLogFont = m_lf;
    return true;
}

std::string CFontDialog::GetFaceName() const {
    return ::GetFaceName(m_lf);
}

std::string CFontDialog::GetStyleName() const {
    for (const auto& style : kStyles)
        if (style.bold == (m_lf.lfWeight >= FW_BOLD) && style.italic == (m_lf.lfItalic != 0))
            return style.name;
    return kStyles[0].name;
}
