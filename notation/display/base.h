// DCctBase: the notation view's display object of one event, and the base of
// every notation display class.
//
// It keeps what all display elements share: the state word (inherited from
// DCBase: the general dirty bit, twelve dirty kinds, six display bits, and
// bits 19-31 for the classes), the element's drawing point relative to its
// parent element, a user offset, the box of its music-font glyph and its
// permanent colour. Its virtual operations are how the view, pagination, the
// edit tools and automatic notation size, place, assemble, draw and hit-test
// an element without knowing its class; the defaults here are those of an
// element that is one glyph of the music font (GetFontFromType; 0 draws
// nothing).
//
// Coordinates are logical units with y growing upward: a frame's top is its
// larger y. The user offset is stored in logical units (16 bits each, clamped)
// and given and read in tenths of the current notehead height.
//
// Dirty kinds: the engine names the dirty bits by kind numbers (DIRTY_TIME 0
// to DIRTY_ASSEMBLE 11), which are not their bit numbers; DirtyKindBit maps
// one to the other. The named setters and queries address the bits directly.
//
// Archive form (the head of every notation display object): the DCBase part
// (12 bytes and the owner by reference), x and y (4 bytes each), dx and dy
// (2 bytes each, stored units). Subclasses append their tails. Loading marks
// the frame, position, collision and assemble kinds and the general dirty bit,
// clears highlight, ghost and selection, and clears cue and grace for a
// performance of file version below 2 (the current version when there is no
// active performance, as for clipboard data).
//
// Ownership: an object lives in its event's view-data slot (ECBase::GetData
// with DK_NOTATION), is made through the plug-in's data records and dies with
// its event. Another element's display object is looked up again at each use.
// User-interface thread only; no locks taken here.
//
// Overloads: a subclass that overrides one form of HitTest, SetPosition or
// SetOffset brings the others back into view with a using-declaration.
#pragma once

#include "model/plugin.h"
#include "model/viewdata.h"
#include "notation/layout/musicfont.h"
#include "platform/ui/geometry.h"

#include <cstdint>

using UINT = unsigned int;

class CArchive;
class CDC;
class ECBase;
class ECConductor;
class ECMeasure;
class ECPerformance;
class ECStaff;

class DCctBase : public DCBase {
    DECLARE_SERIAL(DCctBase)
public:
    // Display objects count durations and offsets in these ticks a quarter,
    // whatever the piece's resolution.
    static constexpr int TICKS_PER_QUARTER = 256;

    // Dirty kinds, as the engine numbers them.
    enum DirtyKind : int {
        DIRTY_TIME = 0,
        DIRTY_CHORD = 1,
        DIRTY_STEM = 2,
        DIRTY_BEAM = 3,
        DIRTY_VALUE = 4,
        DIRTY_SPELLING = 5,
        DIRTY_MULTIVOICE = 6,
        DIRTY_REST = 7,
        DIRTY_FRAME = 8,
        DIRTY_POSITION = 9,
        DIRTY_COLLISION = 10,
        DIRTY_ASSEMBLE = 11,
        DIRTY_KIND_COUNT = 12,
    };

    // Bit numbers of the state word outside the dirty kinds.
    enum DisplayBit : int {
        DISP_DIRTY = 0,
        DISP_HIGHLIGHTED = 13,
        DISP_GHOSTED = 14,
        DISP_SELECTED = 15,
        DISP_HIDDEN = 16,
        DISP_CUE = 17,
        DISP_GRACE = 18,
        DISP_CLASS_FIRST = 19,   // bits 19-31 belong to the display classes
    };

    // Hit-test results (bits).
    enum HitResult : int {
        HIT_INSIDE = 1,
        HIT_OUTSIDE = 2,
        HIT_LOW_Y = 4,
        HIT_HIGH_Y = 8,
        HIT_HIGH_X = 16,
        HIT_LOW_X = 32,
        HIT_UNPLACED = 64,
    };

    // Draw's answer when there was nothing to draw (64) and when the element is
    // hidden (128); 1 when it drew.
    enum DrawResult : int {
        DRAW_DONE = 1,
        DRAW_NOTHING = 64,
        DRAW_HIDDEN = 128,
    };

    // The state-word bit of a dirty kind (0-11); -1 for any other number.
    static int DirtyKindBit(int kind);

    // Every dirty kind set, no display bit, metrics, position and offset 0,
    // the window-text colour.
    DCctBase();
    // Copies the state word, then sets every dirty kind and clears highlight,
    // ghost, selection and hidden (cue and grace stay); copies position,
    // offset and colour; the metrics start at 0. The owner stays null.
    DCctBase(const DCctBase& other);
    ~DCctBase() override;

    // ---- virtual operations -------------------------------------------------

    void Serialize(CArchive& ar) override;

    // The element drawn centred in `rect` at a font height taken from the
    // rectangle's height; the glyph caches are left as they were and the font
    // is restored. 1.
    virtual int DrawInRect(CDC* dc, CRect* rect);
    // Draws the glyph at GetPosition + point, snapped to a device pixel.
    // 1 (the base always draws, glyph 0 drawing nothing).
    virtual int Draw(CDC* dc, CPoint point, CRect* clip);
    // Places the element; 1 when placed, 0 when what it needs is missing.
    // Base: 1, nothing done.
    virtual int Position(ECConductor* conductor, ECStaff* staff, ECMeasure* measure, ECBase* parent);
    virtual BYTE PositioningType();
    // Measures the glyph when the frame kind is dirty (and clears it).
    virtual void SetSize(CDC* dc);
    virtual void Assemble();

    // The frame at the element's own position (top is the larger y); empty
    // when the metrics are 0 x 0. The selector is the subclasses' to read.
    virtual void GetFrame(CRect* rect, int selector);
    // The same at GetVirtualPosition.
    virtual void GetVirtualFrame(CRect* rect, int selector);
    // The own frame offset by `point`, united with each child's total frame
    // offset by this element's position; *maxY rises to the own frame's top.
    virtual void GetTotalFrame(CRect* rect, CPoint point, int* maxY);
    // 0 when hidden, else the metrics'.
    virtual int GetWidth();
    virtual int GetHeight();

    // HIT_ codes: 64 when unplaced; 1 inside (left/top inclusive, right/bottom
    // exclusive); else 2 with the direction bits.
    virtual int HitTest(CPoint point, CPoint offset, int selector);
    // IsIn(rect, offset, 1, selector).
    virtual int HitTest(CRect* rect, CPoint offset, int selector);
    // Null rectangle 1; unplaced 64; intersecting 1; else 2, with the
    // direction bits when `detail` is non-zero.
    virtual int IsIn(CRect* rect, CPoint offset, int detail, int selector);
    // 1 when both virtual frames intersect.
    virtual int CollideTest(DCctBase* other);

    // 255: no voice.
    virtual BYTE GetVoice();
    virtual void UpdateData();

    virtual void SetPosition(int x, int y);
    virtual void SetPosition(CSize position);
    virtual void SetPosition(CPoint position);
    // (x + dx, y + dy).
    virtual CPoint GetPosition();
    // GetPosition plus the positions of the owner's ancestors (each once;
    // beams, slurs, ties, chords and tuplets add nothing).
    virtual CPoint GetVirtualPosition();

    // The user offset in tenths of the current notehead height; stored in
    // logical units, each component clamped to 16 bits.
    virtual void SetOffset(int x, int y);
    virtual void SetOffset(CSize offset);
    virtual void SetOffset(CPoint offset);
    // Stored / (height / 10); (0, 0) when a tenth of the height is 0.
    virtual CPoint GetOffset();

    virtual void SetX(int x);
    virtual int GetX();
    virtual void SetY(int y);
    virtual int GetY();

    virtual void SetCue(int cue);
    virtual int IsCue();
    virtual void SetGrace(int grace);
    virtual int IsGrace();

    // Printing: the permanent colour; else ghosted: grey text; else selected:
    // the selection colour; else the permanent colour.
    virtual COLORREF GetColor(CDC* dc);
    // The element's music-font character; 0 for none.
    virtual UINT GetFontFromType();
    // A font height for DrawInRect from a rectangle's height.
    virtual int AdjustForFont(int height);

    // ---- state bits -----------------------------------------------------------

    void SetTimeDirty(int on) { SetKind(DIRTY_TIME, on); }
    int TimeDirty() const { return Kind(DIRTY_TIME); }
    void SetStemDirty(int on) { SetKind(DIRTY_STEM, on); }
    int StemDirty() const { return Kind(DIRTY_STEM); }
    void SetChordDirty(int on) { SetKind(DIRTY_CHORD, on); }
    int ChordDirty() const { return Kind(DIRTY_CHORD); }
    void SetMultivoiceDirty(int on) { SetKind(DIRTY_MULTIVOICE, on); }
    int MultivoiceDirty() const { return Kind(DIRTY_MULTIVOICE); }
    void SetValueDirty(int on) { SetKind(DIRTY_VALUE, on); }
    int ValueDirty() const { return Kind(DIRTY_VALUE); }
    void SetSpellingDirty(int on) { SetKind(DIRTY_SPELLING, on); }
    int SpellingDirty() const { return Kind(DIRTY_SPELLING); }
    void SetBeamDirty(int on) { SetKind(DIRTY_BEAM, on); }
    int BeamDirty() const { return Kind(DIRTY_BEAM); }
    void SetRestDirty(int on) { SetKind(DIRTY_REST, on); }
    int RestDirty() const { return Kind(DIRTY_REST); }
    void SetFrameDirty(int on) { SetKind(DIRTY_FRAME, on); }
    int FrameDirty() const { return Kind(DIRTY_FRAME); }
    void SetPositionDirty(int on) { SetKind(DIRTY_POSITION, on); }
    int PositionDirty() const { return Kind(DIRTY_POSITION); }
    void SetCollisionDirty(int on) { SetKind(DIRTY_COLLISION, on); }
    int CollisionDirty() const { return Kind(DIRTY_COLLISION); }
    void SetAssembleDirty(int on) { SetKind(DIRTY_ASSEMBLE, on); }
    int AssembleDirty() const { return Kind(DIRTY_ASSEMBLE); }

    // By kind number (the engine's dirty-list action); other numbers do nothing
    // and read 0.
    void SetDirtyKind(int kind, int on) { SetKind(kind, on); }
    int IsDirtyKind(int kind) const { return Kind(kind); }

    void SetSelected(int on) { SetBit(DISP_SELECTED, on); }
    int IsSelected() const { return Bit(DISP_SELECTED); }
    void SetHighlighted(int on) { SetBit(DISP_HIGHLIGHTED, on); }
    int IsHighlighted() const { return Bit(DISP_HIGHLIGHTED); }
    void SetGhosted(int on) { SetBit(DISP_GHOSTED, on); }
    int IsGhosted() const { return Bit(DISP_GHOSTED); }
    void SetHidden(int on) { SetBit(DISP_HIDDEN, on); }
    int IsHidden() const { return Bit(DISP_HIDDEN); }

    // The whole 32-bit state word (the class flags included).
    uint32_t GetStateWord() const { return static_cast<uint32_t>(m_flags.GetValue()); }
    void SetStateWord(uint32_t word) { m_flags.SetValue(static_cast<int32_t>(word)); }

    void SetColor(unsigned long color) { m_crColor = static_cast<COLORREF>(color); }
    COLORREF GetPermanentColor() const { return m_crColor; }

    // The user offset as stored, in logical units (no tenths): what an element
    // that moves another one for a while saves and puts back unchanged.
    CSize GetStoredOffset() const { return CSize(m_nDX, m_nDY); }
    void SetStoredOffset(CSize offset);

    const MCMusicFont::MusicFontMetrics& GetMetrics() const { return m_metrics; }
    void SetMetrics(const MCMusicFont::MusicFontMetrics& metrics) { m_metrics = metrics; }

protected:
    // FONT_CUE when cue (cue wins), else FONT_GRACE when grace, else FONT_NORMAL.
    BYTE GetFontSize() const;
    // The owner's conductor and performance ancestors, or null.
    ECConductor* GetConductor();
    ECPerformance* GetBaseEvent();
    // Moves the element so that its frame is centred in `rect`.
    void CenterPosition(CDC* dc, CRect* rect);
    static int AdjustForLargeFont(int v) { return v * 5 / 4; }
    static int AdjustForSmallFont(int v) { return v * 5 / 3; }
    static int AdjustForTextFont(int v) { return v / 2; }
    void AddToDirtyList() {}

    void SetBit(int bit, int on) { m_flags.SetBitValue(bit, static_cast<BYTE>(on != 0)); }
    int Bit(int bit) const { return m_flags.GetBitValue(bit); }
    void SetKind(int kind, int on);
    int Kind(int kind) const;

    // The head's fix-up after its bytes were read (see the archive form).
    void FixUpAfterLoad();

    MCMusicFont::MusicFontMetrics m_metrics;   // the glyph's box, not archived
    int32_t m_nX = 0;
    int32_t m_nY = 0;
    int16_t m_nDX = 0;                         // user offset, logical units
    int16_t m_nDY = 0;
    COLORREF m_crColor = 0;                    // the permanent colour, not archived
};

// The notation display object of an event; null for a null event or one
// without (or with another kind of) notation view data.
DCctBase* NotationDisplayOf(ECBase* event);
