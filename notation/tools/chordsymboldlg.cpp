// CChordSymbolDlg (see chordsymboldlg.h): its template, the spelling table
// and the exchange that keeps the sample showing what the controls say.
#include "notation/tools/chordsymboldlg.h"

#include "model/markings.h"
#include "notation/display/chordsymbol.h"
#include "platform/core/resources.h"
#include "platform/ui/ddx.h"
#include "platform/ui/winthread.h"

#include <iterator>

namespace {

constexpr int IDC_STATIC = -1;
using Kind = DialogControlKind;

// Each group box starts a group: the radio buttons before it end there.
const DialogTemplate kChordTemplate = {"Insert Chord", {
    {IDC_STATIC, Kind::Group, "&Root", {7, 7, 128, 52}, WS_GROUP},
    {IDC_STATIC, Kind::Static, "Key:", {14, 22, 18, 8}},
    {IDC_CHORD_ROOT, Kind::Combo, "", {34, 20, 40, 80}, CBS_DROPDOWNLIST | WS_GROUP},
    {IDC_CHORD_ROOT_SHARP, Kind::Radio, "Sharp", {84, 17, 44, 10}, WS_GROUP | WS_TABSTOP},
    {IDC_CHORD_ROOT_NATURAL, Kind::Radio, "Normal", {84, 29, 44, 10}},
    {IDC_CHORD_ROOT_FLAT, Kind::Radio, "Flat", {84, 41, 44, 10}},
    {IDC_STATIC, Kind::Group, "&Bass", {7, 63, 128, 52}, WS_GROUP},
    {IDC_STATIC, Kind::Static, "Key:", {14, 78, 18, 8}},
    {IDC_CHORD_BASS, Kind::Combo, "", {34, 76, 40, 90}, CBS_DROPDOWNLIST | WS_GROUP},
    {IDC_CHORD_BASS_SHARP, Kind::Radio, "Sharp", {84, 73, 44, 10}, WS_GROUP | WS_TABSTOP},
    {IDC_CHORD_BASS_NATURAL, Kind::Radio, "Normal", {84, 85, 44, 10}},
    {IDC_CHORD_BASS_FLAT, Kind::Radio, "Flat", {84, 97, 44, 10}},
    {IDC_STATIC, Kind::Group, "&Quality", {142, 7, 96, 108}, WS_GROUP},
    {IDC_CHORD_QUALITY, Kind::ListBox, "", {149, 19, 82, 90}, LBS_SORT | LBS_NOTIFY | WS_GROUP},
    {IDC_STATIC, Kind::Group, "Style", {245, 7, 112, 40}, WS_GROUP},
    {IDC_CHORD_NAME, Kind::Check, "&Name", {252, 19, 98, 10}, WS_GROUP},
    {IDC_CHORD_GRID, Kind::Check, "Chord &Grid", {252, 32, 98, 10}},
    {IDC_STATIC, Kind::Group, "Sample", {245, 51, 112, 64}, WS_GROUP},
    {IDC_CHORD_SAMPLE, Kind::Push, "", {252, 62, 98, 46}, BS_OWNERDRAW | WS_GROUP},
    {IDOK, Kind::Push, "OK", {364, 7, 50, 14}, BS_DEFPUSHBUTTON | WS_GROUP},
    {IDCANCEL, Kind::Push, "Cancel", {364, 24, 50, 14}},
}, {421, 122}};
DIALOG_RESOURCE(IDD_CHORD_SYMBOL, kChordTemplate);

// The letters of the two lists; the bass list has an empty entry first.
constexpr const char* kLetters[] = {"A", "B", "C", "D", "E", "F", "G"};

// The spelling codes by letter (A to G) and accidental (sharp, natural, flat).
constexpr int kNoteCodes[][3] = {
    {17, 16, 15},   // A
    {20, 19, 18},   // B
    {2, 1, 21},     // C
    {5, 4, 3},      // D
    {8, 7, 6},      // E
    {11, 10, 9},    // F
    {14, 13, 12},   // G
};

// The sample is a picture: it takes no clicks and no hover.
constexpr int kSampleMode = 0;

}  // namespace

IMPLEMENT_DYNAMIC(CChordSymbolDlg, CDialog)

BEGIN_MESSAGE_MAP(CChordSymbolDlg, CDialog)
    ON_CBN_SELCHANGE(IDC_CHORD_ROOT, &CChordSymbolDlg::OnSelChange)
    ON_LBN_SELCHANGE(IDC_CHORD_QUALITY, &CChordSymbolDlg::OnSelChange)
    ON_CBN_SELCHANGE(IDC_CHORD_BASS, &CChordSymbolDlg::OnBassChange)
    ON_COMMAND_RANGE(IDC_CHORD_ROOT_SHARP, IDC_CHORD_ROOT_FLAT, &CChordSymbolDlg::OnButton)
    ON_COMMAND_RANGE(IDC_CHORD_BASS_SHARP, IDC_CHORD_BASS_FLAT, &CChordSymbolDlg::OnButton)
    ON_COMMAND_RANGE(IDC_CHORD_NAME, IDC_CHORD_GRID, &CChordSymbolDlg::OnButton)
END_MESSAGE_MAP()

CChordSymbolDlg::CChordSymbolDlg(CWnd* owner) : CDialog(IDD_CHORD_SYMBOL, owner ? owner : AfxGetMainWnd()) {}

CChordSymbolDlg::~CChordSymbolDlg() = default;

int CChordSymbolDlg::GetNoteCode(int letter, int accidental) {
    if (letter < 0 || letter >= static_cast<int>(std::size(kNoteCodes)) || accidental < ACCIDENTAL_SHARP ||
        accidental > ACCIDENTAL_FLAT)
        return 0;
    return kNoteCodes[letter][accidental];
}

ECChordSymbol* CChordSymbolDlg::PickChordSymbol() {
    if (DoModal() != IDOK)
        return nullptr;
    auto* shown = dynamic_cast<ECChordSymbol*>(m_sample.GetEvent());
    return shown ? new ECChordSymbol(*shown) : nullptr;
}

BOOL CChordSymbolDlg::OnInitDialog() {
    // The letters stand in the lists before the base loads the members.
    if (auto* roots = DYNAMIC_DOWNCAST(CComboBox, GetDlgItem(IDC_CHORD_ROOT)))
        for (const char* letter : kLetters)
            roots->AddString(letter);
    if (auto* basses = DYNAMIC_DOWNCAST(CComboBox, GetDlgItem(IDC_CHORD_BASS))) {
        basses->AddString("");
        for (const char* letter : kLetters)
            basses->AddString(letter);
    }
    return CDialog::OnInitDialog();
}

void CChordSymbolDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    if (!m_sample.GetSafeHwnd() && TakeOverDlgItem(IDC_CHORD_SAMPLE, m_sample)) {
        m_sample.InitWindow();
        m_sample.SetButtonStyle(MCStateButton::STYLE_INERT);
        m_sample.SetButtonMode(kSampleMode);
    }
    DDX_Control(pDX, IDC_CHORD_QUALITY, m_qualityList);
    DDX_CBIndex(pDX, IDC_CHORD_ROOT, m_nRoot);
    DDX_Radio(pDX, IDC_CHORD_ROOT_SHARP, m_nRootAccidental);
    DDX_CBIndex(pDX, IDC_CHORD_BASS, m_nBass);
    DDX_Radio(pDX, IDC_CHORD_BASS_SHARP, m_nBassAccidental);
    DDX_Check(pDX, IDC_CHORD_NAME, m_bName);
    DDX_Check(pDX, IDC_CHORD_GRID, m_bGrid);
    if (!pDX->m_bSaveAndValidate) {
        FillQualityList();
        UpdateSample(FALSE);
    }
}

void CChordSymbolDlg::FillQualityList() {
    if (!m_qualityList.GetSafeHwnd())
        return;
    m_qualityList.ResetContent();
    std::string name;
    for (unsigned code = 0; LoadString(IDS_CHORD_TYPE_FIRST + code, name); ++code) {
        const int entry = m_qualityList.AddString(name.c_str());
        if (entry >= 0)
            m_qualityList.SetItemData(entry, code);
    }
}

int CChordSymbolDlg::GetQuality() const {
    if (!m_qualityList.GetSafeHwnd())
        return 0;
    const int entry = m_qualityList.GetCurSel();
    return entry >= 0 ? static_cast<int>(m_qualityList.GetItemData(entry)) : 0;
}

void CChordSymbolDlg::UpdateSample(BOOL read) {
    if (read)
        UpdateData(TRUE);
    const int root = GetNoteCode(m_nRoot, m_nRootAccidental);
    // The bass list's first entry is none: its letters start at 1.
    const int bass = m_nBass > 0 ? GetNoteCode(m_nBass - 1, m_nBassAccidental) : 0;
    const int style = (m_bName ? STYLE_NAME : 0) | (m_bGrid ? STYLE_GRID : 0);
    if (!m_sample.GetSafeHwnd())
        return;
    // The faces showed the previous chord.
    m_sample.DeleteBitmaps(1);
    for (int slot = 0; slot < 3; ++slot)
        m_sample.AddBitmap(nullptr, -1);
    m_sample.SetEvent(new ECChordSymbol(static_cast<unsigned char>(root), static_cast<unsigned char>(bass),
                                        static_cast<unsigned char>(GetQuality()), static_cast<unsigned char>(style)),
                      -1);
    m_sample.Invalidate(FALSE);
    m_sample.UpdateWindow();
}

void CChordSymbolDlg::OnSelChange() {
    UpdateSample(TRUE);
}

void CChordSymbolDlg::OnButton(UINT /*id*/) {
    UpdateSample(TRUE);
}

void CChordSymbolDlg::OnBassChange() {
    auto* basses = DYNAMIC_DOWNCAST(CComboBox, GetDlgItem(IDC_CHORD_BASS));
    const bool withBass = basses && basses->GetCurSel() > 0;
    // A chord over a bass note is shown by its name alone.
    CheckDlgButton(IDC_CHORD_GRID, withBass ? BST_UNCHECKED : BST_CHECKED);
    CheckDlgButton(IDC_CHORD_NAME, BST_CHECKED);
    for (int id : {IDC_CHORD_NAME, IDC_CHORD_GRID})
        if (CWnd* check = GetDlgItem(id))
            check->EnableWindow(withBass ? FALSE : TRUE);
    m_bGrid = withBass ? 0 : 1;
    m_bName = 1;
    m_sample.AddBitmap(nullptr, -1);
    UpdateSample(TRUE);
}
