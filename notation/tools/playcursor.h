// CPlayCursor: the vertical line that marks the playback position in the
// notation view. Not an edit tool: the view makes one when playback starts,
// moves it to the time of every play-position state and deletes it when
// playback stops. The line stands at the time's place on its conductor
// measure's ruler and the status bar shows the time.
//
// The colour is "Settings\Color" "Highlight" (a COLORREF, blue by default),
// read when the cursor is made: a change shows with the next playback.
// UI thread only.
#pragma once

#include "interface/controls/line.h"
#include "notation/tools/musiccursor.h"
#include "platform/gdi/dc.h"

class CPlayCursor : public CMusicCursor {
public:
    explicit CPlayCursor(CCantrel* view);
    // The line is taken off the score first.
    ~CPlayCursor() override;

    int CanInsert(int eventType) override;
    void Show() override;
    // The drawn line repainted from the score.
    void Hide() override;
    // The base reset, both lines emptied.
    void Reset() override;
    // The drawn line erased when the line moved, the line drawn.
    void Draw(CDC* dc) override;

    // Moves the line to `time` (nothing when no conductor measure holds it),
    // drawing it when it moved, and shows the time as status text.
    virtual void UpdateTime(MCTime& time);

    const MCLine& GetLine() const { return m_line; }
    COLORREF GetColor() const { return m_color; }

    static constexpr COLORREF kDefaultColor = 0xFF0000;

private:
    using CMusicCursor::UpdateTime;
    // A client context of the view, prepared, for one drawing.
    void DrawNow();

    MCLine m_line;        // view units: where the time stands
    MCLine m_drawnLine;   // view units: where the line is drawn
    COLORREF m_color;
};
