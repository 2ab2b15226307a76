// CChordSymbolDlg: the chord picker ("Insert Chord", template 14100), run by
// the chord-symbol tool over a measure.
//
// The user picks a root (letter and accidental), an optional bass note, a
// quality and what is shown (the name, the chord grid), and sees the chord
// in the sample button as the score would draw it. OK hands back a new
// chord symbol copied from the sample's; Cancel none.
//
// A chord symbol is one word: root, bass, quality and style bytes. Root and
// bass are spelling codes (0: none) read from the letter and the
// accidental; the quality is the code of the chosen entry of the sorted
// quality list, kept as the entry's item data (none chosen: 0, "Major"); the
// style has the name in bit 0 and the grid in bit 1. A bass note is shown
// by name only: choosing one checks "&Name", clears "Chord &Grid" and greys
// both; choosing the empty bass again checks and enables both.
//
// Opens on root A natural, no bass, the grid alone and no quality chosen.
// Without an owner the application's main window owns it.
// User-interface thread only.
#pragma once

#include "interface/document/musicpage.h"
#include "platform/ui/dialog.h"
#include "platform/ui/lists.h"

class ECChordSymbol;

enum : UINT {
    IDD_CHORD_SYMBOL = 14100,
    IDC_CHORD_ROOT = 14101,
    IDC_CHORD_ROOT_SHARP = 14102,
    IDC_CHORD_ROOT_NATURAL = 14103,
    IDC_CHORD_ROOT_FLAT = 14105,
    IDC_CHORD_BASS = 14106,
    IDC_CHORD_BASS_SHARP = 14107,
    IDC_CHORD_BASS_NATURAL = 14108,
    IDC_CHORD_BASS_FLAT = 14109,
    IDC_CHORD_QUALITY = 14110,
    IDC_CHORD_NAME = 14115,
    IDC_CHORD_GRID = 14116,
    IDC_CHORD_SAMPLE = 14118,
};

class CChordSymbolDlg : public CDialog {
    DECLARE_DYNAMIC(CChordSymbolDlg)
public:
    // The radio index of an accidental.
    enum Accidental : int { ACCIDENTAL_SHARP = 0, ACCIDENTAL_NATURAL = 1, ACCIDENTAL_FLAT = 2 };
    // Style bits.
    enum : int { STYLE_NAME = 1, STYLE_GRID = 2 };

    // `owner` null: the application's main window.
    explicit CChordSymbolDlg(CWnd* owner = nullptr);
    ~CChordSymbolDlg() override;

    // Runs the dialog: on OK a new chord symbol copied from the sample's
    // (the caller's, unreferenced); otherwise, or when the dialog could not
    // be shown, null.
    ECChordSymbol* PickChordSymbol();

    // The spelling code of a letter (0 A ... 6 G) with an accidental; 0 for
    // a letter or accidental outside the table.
    static int GetNoteCode(int letter, int accidental);

    // The sample button and the quality list, while the window lives.
    MCMusicButton& GetSample() { return m_sample; }
    CListBox& GetQualityList() { return m_qualityList; }

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;

    afx_msg void OnSelChange();
    afx_msg void OnButton(UINT id);
    afx_msg void OnBassChange();
    DECLARE_MESSAGE_MAP()

private:
    // The qualities in the list, each entry keeping its code.
    void FillQualityList();
    // The sample shows the chord the members (read from the controls first
    // when `read`) describe, repainted at once.
    void UpdateSample(BOOL read);
    // The code of the chosen quality; 0 with none chosen.
    int GetQuality() const;

    // In the order the exchange fills them.
    CListBox m_qualityList;
    int m_nRoot = 0;                        // 0 "A" ... 6 "G"
    int m_nRootAccidental = ACCIDENTAL_NATURAL;
    int m_nBass = 0;                        // 0 none, 1 "A" ... 7 "G"
    int m_nBassAccidental = ACCIDENTAL_NATURAL;
    int m_bName = 0;
    int m_bGrid = 1;
    MCMusicButton m_sample;                 // holds its chord symbol
};
