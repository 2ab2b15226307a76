// MCAuditionWnd: the modal dialog "Audition Instrument" (template 11650), a
// keyboard (MCPianoCtrlMedia) that plays on a chosen MIDI output and channel,
// with its velocity track bar and, in the advanced view, its key range.
//
// Preparing the dialog reads "Settings\Keyboard" ("LowNote", "HighNote",
// "Velocity", "Advanced"); destroying it writes them back. "&Update" takes
// the controls into the members, so the keyboard takes the new range, and
// gives the keyboard the chosen device and channel at once. "&Advanced"
// shows or hides the lower part (velocity, range, "&Update").
//
// User-interface thread only; the device library (CPortavel) must exist.
#pragma once

#include "interface/controls/devicepicker.h"
#include "interface/controls/noteedit.h"
#include "interface/controls/piano.h"
#include "interface/controls/spinedit.h"
#include "platform/ui/dialog.h"

class MCAuditionWnd : public CDialog {
    DECLARE_DYNAMIC(MCAuditionWnd)
public:
    enum : UINT {
        IDD = 11650,
        IDC_KEYBOARD = 11651,
        IDC_DEVICE = 11652,
        IDC_CHANNEL = 11653,
        IDC_VELOCITY = 11654,
        IDC_VELOCITY_TEXT = 11655,
        IDC_HIGH_NOTE = 11656,
        IDC_LOW_NOTE = 11657,
        IDC_UPDATE = 11658,
        IDC_ADVANCED = 11660,
        IDS_ADVANCED_SHOW = 11665,   // "&Advanced >>"
        IDS_ADVANCED_HIDE = 11666,   // "&Advanced <<"
    };

    explicit MCAuditionWnd(CWnd* parent = nullptr);
    ~MCAuditionWnd() override;

    // The output and the channel (counted from 0) to play on.
    void SetDevChan(int device, int channel);

    int GetDevice() const { return m_nDevice; }
    int GetChannel() const { return m_nChannel; }   // counted from 1
    int GetVelocity() const { return m_nVelocity; }
    int GetLowNote() const { return m_nLowNote; }
    int GetHighNote() const { return m_nHighNote; }
    int IsAdvanced() const { return m_bAdvanced; }
    MCPianoCtrlMedia& GetKeyboard() { return m_piano; }

    BOOL OnInitDialog() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    // Shows the lower part (and enables its controls) or hides it; nothing
    // when the flag is as asked.
    void SetAdvanced(int advanced);

    afx_msg void OnUpdate();
    afx_msg void OnAdvanced();
    afx_msg LRESULT OnHScroll(WPARAM wParam, LPARAM lParam);
    afx_msg void OnDestroy();
    DECLARE_MESSAGE_MAP()

    int m_bReady = 0;
    BYTE m_bAdvanced = 1;
    CRect m_rectFull;
    CRect m_rectCompact;
    int m_nDevice = 0;
    int m_nChannel = 0;
    int m_nVelocity = 127;
    int m_nLowNote = 21;
    int m_nHighNote = 108;
    MCPianoCtrlMedia m_piano;
    MCDeviceBox m_deviceBox;
    MCSpinEdit m_channel;
    MCNoteEdit m_lowNote;
    MCNoteEdit m_highNote;
};
