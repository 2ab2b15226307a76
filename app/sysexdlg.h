// The System Exclusive dialog (template 800): one system-exclusive buffer,
// typed as hexadecimal bytes, chosen from the standard resets or loaded from
// a ".syx" file, sent at once to every MIDI output or to the one chosen.
//
// The type list shows "General Midi On", "General Midi Off", "Roland GS System
// On", "Yamaha XG System On" and "Custom"; choosing one puts its message in
// the buffer and shows the buffer's text (sysexdata.h), "Custom" showing the
// buffer as it stands. Load (806) reads a file into the buffer and selects
// "Custom"; Save (812) reads the text into the buffer and writes it. OK reads
// the text into the buffer; Run then hands it to the device layer, even when
// it is empty. Nothing goes into a document.
//
// Owns the data field's font (from "Settings\Font"/"Fixed-Pitch Font"),
// deleted with the dialog. User-interface thread only; the device layer
// (CPortavel::GetPortavel) is the process's.
#pragma once

#include "app/sysexdata.h"
#include "interface/controls/devicepicker.h"
#include "platform/ui/dialog.h"
#include "platform/ui/edit.h"
#include "platform/ui/lists.h"

#include <memory>

class CFont;

enum : UINT {
    IDD_SYSEX = 800,
    IDC_SYSEX_ALL_DEVICES = 801,
    IDC_SYSEX_ONE_DEVICE = 802,
    IDC_SYSEX_DEVICE = 803,
    IDC_SYSEX_TYPE = 804,
    IDC_SYSEX_DATA = 805,
    IDC_SYSEX_LOAD = 806,
    IDC_SYSEX_SAVE = 812,
    IDS_SYSEX_FILTER = 807,
    IDS_SYSEX_READ_ERROR = 808,
    IDS_SYSEX_READ_CAPTION = 809,
    IDS_SYSEX_WRITE_ERROR = 810,
    IDS_SYSEX_WRITE_CAPTION = 811,
};

class CSysExDlg : public CDialog {
    DECLARE_DYNAMIC(CSysExDlg)
public:
    // Where OK sends: every MIDI output, or the chosen one.
    enum Destination : int { TO_ALL_DEVICES = 0, TO_ONE_DEVICE = 1 };

    explicit CSysExDlg(CWnd* parent = nullptr);
    ~CSysExDlg() override;

    // Runs the dialog; after OK sends the buffer with SendSysExMsg (flag 1)
    // to MIDI outputs 0 ... count - 1 in order, or to the chosen output.
    // Answers the dialog's result.
    int Run();

    const SysExBytes& GetBuffer() const { return m_buffer; }

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override;

    afx_msg void OnAllDevices();
    afx_msg void OnOneDevice();
    afx_msg void OnTypeChange();
    afx_msg void OnLoad();
    afx_msg void OnSave();
    DECLARE_MESSAGE_MAP()

private:
    // Puts the chosen type's message in the buffer ("Custom": none) and shows it.
    void ApplyType();
    void ShowBuffer();
    // The buffer becomes the bytes of the data field's text.
    void ReadText();
    // Message `textId` with the system error number, captioned `captionId`.
    static void ReportFileError(UINT textId, UINT captionId, int osError);

    MCDeviceBox m_deviceBox;
    int m_nDestination = TO_ALL_DEVICES;
    int m_nDevice = 0;
    CComboBox m_typeList;
    CEdit m_dataField;
    std::unique_ptr<CFont> m_pDataFont;   // owned; the data field borrows it
    SysExBytes m_buffer;
};
