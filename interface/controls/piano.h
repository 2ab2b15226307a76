// MCPianoCtrl: an owner-drawn button that draws a keyboard over a range of
// MIDI notes, finds the key under the mouse, marks pressed keys with a dot
// and plays NoteOn and NoteOff while the user plays it with the mouse (both
// do nothing here). MCPianoCtrlMedia sends them to a MIDI output at once
// through the device library.
//
// One geometry serves drawing, FindKey and HighlightKey: the keys fill the
// client area (less the label strip at the bottom when labels are on),
// shifted right by the centring offset each drawing computes. White keys are
// w = area width / white keys wide; black keys are w x 0.55 wide and the
// key length / 1.75 long, centred on the line between their neighbours, the
// one at the top of the range cut to half its width.
//
// Mouse: a press plays the key under it, a drag plays each key entered and
// stops the one left, the release stops the last. With mode flag 1 the last
// key stays marked after release, and the next click sends no second
// note-off for it.
//
// Ownership: the label font is made for each drawing. User-interface thread.
#pragma once

#include "platform/gdi/dc.h"
#include "platform/ui/button.h"

class MCPianoCtrl : public CButton {
    DECLARE_DYNAMIC(MCPianoCtrl)
public:
    // SetMode's flag: the last key stays marked after release.
    static constexpr int MODE_KEEP_LAST = 1;
    // SetLabels.
    enum LABEL_TYPE : int { LABEL_NONE = 0, LABEL_OCTAVES = 1 };

    MCPianoCtrl() = default;

    // Takes over the dialog's owner-drawn button `id`: 1, or 0 when it cannot.
    int SubclassCtrl(UINT id, CWnd* parent);

    // Orders the ends, keeps them in 0-127 and widens the range to at least
    // 13 notes (upwards, or downwards at the top); redraws.
    void SetRange(int low, int high);
    void SetVertical(int vertical);
    void SetCentered(int centered);
    void SetMode(int mode);
    void SetLabels(int labels);
    void EnableSoundNote(int on) { m_bSound = on ? 1 : 0; }
    void SetNoteOnVolume(int velocity) { m_nNoteOnVelocity = static_cast<BYTE>(velocity); }
    void SetNoteOffVolume(int velocity) { m_nNoteOffVelocity = static_cast<BYTE>(velocity); }
    // Counted from 1.
    void SetChannel(int channel) { m_nChannel = static_cast<BYTE>(channel); }
    void SetDevice(int device) { m_nDevice = device; }

    int GetLowNote() const { return m_nLowNote; }
    int GetHighNote() const { return m_nHighNote; }
    int GetKeyCount() const { return m_nKeyCount; }
    int GetChannel() const { return m_nChannel; }
    int GetDevice() const { return m_nDevice; }
    int GetNoteOnVolume() const { return m_nNoteOnVelocity; }
    int GetNoteOffVolume() const { return m_nNoteOffVelocity; }
    // The key being played (or kept marked), -1 for none.
    int GetCurrentKey() const { return m_nCurrentKey; }

    // The note under a client point, -1 for none.
    int FindKey(CPoint point) const;
    // The key's rectangle in client coordinates (empty outside the range).
    CRect GetKeyRect(int note) const;
    // Draws the dot on a key in `color`, or with `restore` erases it.
    void HighlightKey(COLORREF color, int note, int restore);

    void DrawItem(LPDRAWITEMSTRUCT item) override;
    virtual void NoteOn(unsigned device, unsigned char note, unsigned char velocity, unsigned char channel);
    virtual void NoteOff(unsigned device, unsigned char note, unsigned char velocity, unsigned char channel);

protected:
    // Where the keys lie.
    struct Geometry {
        CRect area;       // the keys' area
        int whiteKeys;    // in the range
        int white;        // w
        int black;        // b
        int blackLength;
    };
    Geometry Measure() const;
    CRect KeyRect(const Geometry& g, int note) const;

    // Plays key `note` (-1: none), as a press or as a drag entering it.
    void PressKey(int note, bool moving);
    // Stops the key (at the release of the button).
    void ReleaseKey(int note);

    afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
    afx_msg void OnMouseMove(UINT nFlags, CPoint point);
    afx_msg void OnLButtonUp(UINT nFlags, CPoint point);
    DECLARE_MESSAGE_MAP()

    COLORREF m_colorWhite = 0xFFFFFF;
    COLORREF m_colorOutline = 0;
    COLORREF m_colorBlack = 0;
    COLORREF m_colorHighlight = 255;
    COLORREF m_colorMiddleC = 0x9600C0;
    COLORREF m_colorLabel = 0x800000;
    BYTE m_bMarkMiddleC = 1;
    BYTE m_bVertical = 0;
    BYTE m_bCentered = 1;
    int m_nKeyCount = 88;
    int m_nLowNote = 21;
    int m_nHighNote = 108;
    float m_fBlackWidthRatio = 0.55f;
    float m_fBlackLengthDivisor = 1.75f;
    int m_nLabelHeight = 12;
    int m_nLeftOffset = 0;
    BYTE m_bSound = 1;
    BYTE m_nNoteOnVelocity = 100;
    BYTE m_nNoteOffVelocity = 0;
    BYTE m_nChannel = 1;
    int m_nDevice = 0;
    int m_nMode = 0;
    int m_nLabels = LABEL_NONE;
    BYTE m_bCaptured = 0;
    int m_nCurrentKey = -1;
};

class MCPianoCtrlMedia : public MCPianoCtrl {
    DECLARE_DYNAMIC(MCPianoCtrlMedia)
public:
    // Status 0x90 (note-on) or 0x80 (note-off) + the channel's low four bits
    // (counted from 1), the note and the velocity in 7 bits, sent at once.
    void NoteOn(unsigned device, unsigned char note, unsigned char velocity, unsigned char channel) override;
    void NoteOff(unsigned device, unsigned char note, unsigned char velocity, unsigned char channel) override;
};
