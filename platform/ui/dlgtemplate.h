// Dialog templates: what a dialog (or a form, or a property page) is made of,
// declared in code beside the class that handles it, and the dialog units its
// rectangles are measured in.
//
//     const DialogTemplate kGoToTemplate = {"Go To", {
//         {IDC_STATIC, Static, "&Measure:", {8, 10, 40, 8}},
//         {IDC_MEASURE, Edit, "", {52, 8, 40, 12}},
//         {IDOK, Push, "OK", {100, 8, 50, 14}, BS_DEFPUSHBUTTON},
//         {IDCANCEL, Push, "Cancel", {100, 26, 50, 14}},
//     }, {158, 48}};
//     DIALOG_RESOURCE(IDD_GOTO, kGoToTemplate);
//
// A template holds the caption, the controls in tab order (kind, id, text,
// rectangle in dialog units, style), the client size in dialog units, the font
// and the window style. DIALOG_RESOURCE registers it with the resources of the
// library that declares it (platform/core/resources.h: the template is referred
// to, not copied, so it must be static), and FindDialogTemplate finds it in
// the same order as strings are found.
//
// Dialog units come from the template's font as mapped here ("MS Sans Serif"
// and "Helv" become Liberation Sans, a face of the same metrics; any other face
// is asked for by its name) at its point size on a 96-pixel-per-inch screen: a
// horizontal unit is a quarter of the font's average character width (the
// classic measure: the width of the 52 Latin letters, halved twice with
// rounding), a vertical unit an eighth of its height.
//
// Templates are plain data (any thread); the units measure with the toolkit's
// fonts (user-interface thread).
#pragma once

#include "platform/core/resources.h"
#include "platform/ui/button.h"
#include "platform/ui/geometry.h"
#include "platform/ui/messages.h"
#include "platform/ui/wnd.h"

#include <string>
#include <utility>
#include <vector>

class QFont;
class QWidget;

// What a template's control is. The window layer makes each kind through the
// maker registered for it (dlgctrl.h).
enum class DialogControlKind {
    Push,        // a push button (BS_DEFPUSHBUTTON in the style: the default one)
    Check,       // a check box that checks itself (BS_AUTOCHECKBOX)
    Radio,       // a radio button that checks itself and clears its group (BS_AUTORADIOBUTTON)
    Group,       // a group box: a frame with a title, never focused
    Static,      // a text label
    Edit,        // a single-line edit
    Combo,       // the common controls: made by their own makers once registered
    ListBox,
    ListView,
    Tree,
    Spin,
    Slider,
    ScrollBar,
    Progress,
    Custom,      // a plain window the dialog's class takes over (SubclassDlgItem)
};

// A rectangle in dialog units, as templates give it: origin and size.
struct DialogRect {
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
};

struct DialogItem {
    int id = 0;
    DialogControlKind kind = DialogControlKind::Static;
    std::string text;
    DialogRect rect;
    DWORD style = 0;   // added to the kind's own (see DialogItemStyle)
};

struct DialogFont {
    std::string face = "MS Sans Serif";
    int pointSize = 8;
};

// Dialog styles.
inline constexpr DWORD DS_MODALFRAME = 0x00000080;
inline constexpr DWORD DS_CENTER = 0x00000800;
inline constexpr DWORD WS_CAPTION = 0x00C00000;
inline constexpr DWORD WS_SYSMENU = 0x00080000;

struct DialogTemplate {
    DialogTemplate(std::string caption_, std::vector<DialogItem> items_, SIZE size_, DialogFont font_ = {},
                   DWORD style_ = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME)
        : caption(std::move(caption_)), items(std::move(items_)), size(size_), font(std::move(font_)), style(style_) {}

    std::string caption;
    std::vector<DialogItem> items;   // in tab order
    SIZE size;                       // the client area, in dialog units
    DialogFont font;
    DWORD style;
};

// A control's whole style: the template's bits and those its kind always has
// (WS_TABSTOP for buttons, check boxes, edits and the list kinds, as templates
// have always given them; the button kind's BS_ type).
DWORD DialogItemStyle(const DialogItem& item);

// The style a control's widget was made with (a template's control or a
// button); 0 when none was noted.
DWORD GetWidgetStyle(const QWidget* widget);
void SetWidgetStyle(QWidget* widget, DWORD dwStyle);

// ---- registration -------------------------------------------------------------------

inline constexpr const char* RT_DIALOG = "DIALOG";

// DIALOG_RESOURCE(id, template): a dialog template of this library (borrowed:
// it must outlive the program's use of it; declare both static).
#define DIALOG_RESOURCE(id, dialogTemplate) RECORD_RESOURCE(RT_DIALOG, DialogTemplate, id, dialogTemplate)

// The template registered as `id` (current module, program, the others); null when none.
const DialogTemplate* FindDialogTemplate(unsigned id);

// ---- dialog units -------------------------------------------------------------------

// The face a template's font names, as this platform has it: the font
// engine's mapping, so a control shows the face a drawing of it would.
std::string MapDialogFace(const std::string& face);
// The font a dialog made from a template shows its controls in.
QFont MakeDialogFont(const DialogFont& font);

// The dialog units of one font, in pixels.
class CDialogUnits {
public:
    explicit CDialogUnits(const DialogFont& font);
    CDialogUnits(int baseX, int baseY) : m_baseX(baseX), m_baseY(baseY) {}

    // The font's average character width and height: four horizontal and
    // eight vertical dialog units.
    int GetBaseX() const { return m_baseX; }
    int GetBaseY() const { return m_baseY; }

    // Dialog units to pixels, each edge on its own (as the system maps them).
    CRect MapDialogRect(const DialogRect& rect) const;
    void MapDialogRect(RECT* rect) const;
    CSize MapDialogSize(SIZE size) const;

private:
    int m_baseX;
    int m_baseY;
};
