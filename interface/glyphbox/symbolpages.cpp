#include "interface/glyphbox/symbolpages.h"

#include "interface/document/pluginrecords.h"
#include "model/frame.h"
#include "model/groupmarks.h"
#include "model/markings.h"
#include "model/meter.h"
#include "model/modifiers.h"
#include "model/notes.h"
#include "model/tempo.h"
#include "model/textmarks.h"
#include "platform/core/resources.h"
#include "interface/glyphbox/glyphbox.h"
#include "platform/ui/dlgtemplate.h"

IMPLEMENT_DYNAMIC(CGlyphPage, MCMusicPage)

namespace {

// ---- the prototypes -------------------------------------------------------------------
// Type codes (clef, accidental, dynamic ...) are the bytes the notation reads.

template <class Event>
Event* Timed(Event* event, float beats) {
    const MCTime duration(beats);
    event->SetDuration(&duration);
    return event;
}

template <int Sixteenths>
ECBase* Note() {
    return Timed(new ECNote, Sixteenths / 4.0f);
}
template <int Sixteenths>
ECBase* Rest() {
    return Timed(new ECRest, Sixteenths / 4.0f);
}
ECBase* GraceNote() {
    return Timed(new ECGraceNote, 0.5f);
}
// Three eighths in the time of two, holding the eighth the note tool takes.
ECBase* Triplet() {
    auto* tuplet = new ECTuplet(3, 2, 8);
    tuplet->AddChild(Note<2>(), 0);
    return tuplet;
}
template <class Event, auto Setter, int Code>
ECBase* Coded() {
    auto* event = new Event;
    (event->*Setter)(static_cast<unsigned char>(Code));
    return event;
}
template <class Event>
ECBase* Plain() {
    return new Event;
}
template <int Type>
ECBase* Clef() {
    return new ECClef(Type);
}
template <int Accidentals>
ECBase* Key() {
    return new ECKey(Accidentals, 0);
}
// A meter shown by its numbers, its type worked out from them (types 0 and 1
// draw as the common and cut time symbols).
template <int Numerator, int Denominator>
ECBase* Meter() {
    constexpr unsigned char kWorkedOut = 2;   // simple or above: the meter finds its own type
    auto* meter = new ECMeter;
    meter->SetMeter(Numerator, Denominator, kWorkedOut);
    return meter;
}
template <int Type>
ECBase* Dynamic() {
    return new ECDynamic(Type, MCTime());
}
// A hairpin spans a beat until the user drags it longer. Types 14 and 15
// are the wedges opening and closing to the right (10 is a letter glyph,
// 11 to 13 the written "cresc." family).
template <int Type>
ECBase* Hairpin() {
    return new ECDynamic(Type, MCTime(1.0f));
}
ECBase* Tempo() {
    return new ECTempo;
}
ECBase* Text() {
    return new ECText(0, "Text");
}
ECBase* Lyric() {
    return new ECLyric("la");
}
ECBase* Pedal() {
    return new ECPedal(0, MCTime(4.0f));
}
ECBase* Octave() {
    return new ECTranspose(0, MCTime(4.0f));
}
template <int Type>
ECBase* Repeat() {
    return new ECRepeat(Type);
}
ECBase* Flow() {
    return new ECFlowControl(0);
}
ECBase* Frame() {
    return new ECFrame(0);
}
ECBase* ChordSymbol() {
    return new ECChordSymbol(1, 18, 0, 3);
}

// ---- the pages: templates, tips and tables --------------------------------------------

constexpr UINT IDD_PAGE_NOTES = 31921;
constexpr UINT IDD_PAGE_MARKS = 31922;
constexpr UINT IDD_PAGE_STAFF = 31923;
constexpr UINT IDD_PAGE_EXPRESSION = 31924;

const DialogTemplate kNotesTemplate = {"Notes", {}, {200, 60}, {}, WS_CHILD};
const DialogTemplate kMarksTemplate = {"Marks", {}, {200, 60}, {}, WS_CHILD};
const DialogTemplate kStaffTemplate = {"Staff", {}, {200, 60}, {}, WS_CHILD};
const DialogTemplate kExpressionTemplate = {"Expression", {}, {200, 60}, {}, WS_CHILD};
DIALOG_RESOURCE(IDD_PAGE_NOTES, kNotesTemplate);
DIALOG_RESOURCE(IDD_PAGE_MARKS, kMarksTemplate);
DIALOG_RESOURCE(IDD_PAGE_STAFF, kStaffTemplate);
DIALOG_RESOURCE(IDD_PAGE_EXPRESSION, kExpressionTemplate);

const GlyphSymbol kNotes[] = {
    {31930, &Note<16>}, {IDC_SYMBOL_HALF_NOTE, &Note<8>}, {IDC_SYMBOL_QUARTER_NOTE, &Note<4>}, {31933, &Note<2>},
    {31934, &Note<1>},  {31935, &Rest<16>}, {31936, &Rest<8>}, {31937, &Rest<4>},
    {31938, &Rest<2>},  {31939, &Rest<1>},  {31940, &GraceNote}, {IDC_SYMBOL_TRIPLET, &Triplet},
    {31942, &Coded<ECDot, &ECDot::SetDotType, 1>}, {31943, &Plain<ECTie>}, {31944, &Plain<ECSlur>},
    {31945, &ChordSymbol},
};
const GlyphSymbol kMarks[] = {
    {31950, &Coded<ECAccidental, &ECAccidental::SetAccidentalType, 1>},   // flat
    {31951, &Coded<ECAccidental, &ECAccidental::SetAccidentalType, 2>},   // natural
    {31952, &Coded<ECAccidental, &ECAccidental::SetAccidentalType, 3>},   // sharp
    {31953, &Coded<ECAccidental, &ECAccidental::SetAccidentalType, 4>},   // double flat
    {31954, &Coded<ECAccidental, &ECAccidental::SetAccidentalType, 5>},   // double sharp
    {31955, &Coded<ECAccent, &ECAccent::SetAccentType, 0>},               // accent
    {31956, &Coded<ECAccent, &ECAccent::SetAccentType, 1>},               // staccato
    {31957, &Coded<ECAccent, &ECAccent::SetAccentType, 2>},               // tenuto
    {31958, &Coded<ECAccent, &ECAccent::SetAccentType, 3>},               // fermata
    {31959, &Coded<ECArpeggio, &ECArpeggio::SetArpeggioType, 0>},
    {31960, &Coded<ECMordent, &ECMordent::SetMordentType, 0>},
    {31961, &Coded<ECOrnament, &ECOrnament::SetOrnamentType, 0>},
    {31962, &Coded<ECTremolo, &ECTremolo::SetTremoloType, 0>},
    {31963, &Coded<ECTrill, &ECTrill::SetTrillType, 0>},
    {31964, &Coded<ECTurn, &ECTurn::SetTurnType, 0>},
};
const GlyphSymbol kStaff[] = {
    // The clef types as the notation reads them: 0 treble, 3 bass, 7 alto,
    // 6 tenor, 8 percussion.
    {31970, &Clef<0>}, {31971, &Clef<3>}, {31972, &Clef<7>}, {31973, &Clef<6>}, {31974, &Clef<8>},
    {31975, &Key<0>},  {31976, &Key<1>},  {31977, &Key<2>},  {31978, &Key<-1>}, {31979, &Key<-2>},
    {31980, &Meter<4, 4>}, {31981, &Meter<3, 4>}, {31982, &Meter<2, 4>}, {31983, &Meter<6, 8>},
    {31984, &Meter<2, 2>}, {31985, &Repeat<0>}, {31986, &Repeat<1>}, {31987, &Flow}, {31988, &Frame},
};
const GlyphSymbol kExpression[] = {
    {31990, &Dynamic<2>}, {31991, &Dynamic<3>}, {31992, &Dynamic<4>}, {31993, &Dynamic<5>},
    {31994, &Dynamic<6>}, {31995, &Dynamic<7>}, {31996, &Hairpin<14>}, {31997, &Hairpin<15>},
    {31998, &Tempo}, {31999, &Text}, {32000, &Lyric}, {32001, &Pedal}, {32002, &Octave},
};

STRING_TABLE(
    {31930, "Whole note"}, {IDC_SYMBOL_HALF_NOTE, "Half note"}, {IDC_SYMBOL_QUARTER_NOTE, "Quarter note"},
    {31933, "Eighth note"}, {31934, "Sixteenth note"}, {31935, "Whole rest"}, {31936, "Half rest"},
    {31937, "Quarter rest"}, {31938, "Eighth rest"}, {31939, "Sixteenth rest"}, {31940, "Grace note"},
    {IDC_SYMBOL_TRIPLET, "Triplet"}, {31942, "Dot"}, {31943, "Tie"}, {31944, "Slur"}, {31945, "Chord symbol"},
    {31950, "Flat"}, {31951, "Natural"}, {31952, "Sharp"}, {31953, "Double flat"}, {31954, "Double sharp"},
    {31955, "Accent"}, {31956, "Staccato"}, {31957, "Tenuto"}, {31958, "Fermata"}, {31959, "Arpeggio"},
    {31960, "Mordent"}, {31961, "Ornament"}, {31962, "Tremolo"}, {31963, "Trill"}, {31964, "Turn"},
    {31970, "Treble clef"}, {31971, "Bass clef"}, {31972, "Alto clef"}, {31973, "Tenor clef"},
    {31974, "Percussion clef"}, {31975, "C major"}, {31976, "G major"}, {31977, "D major"},
    {31978, "F major"}, {31979, "B flat major"}, {31980, "4/4"}, {31981, "3/4"}, {31982, "2/4"},
    {31983, "6/8"}, {31984, "2/2"}, {31985, "Repeat start"}, {31986, "Repeat end"},
    {31987, "Flow control"}, {31988, "Frame"}, {31990, "Pianissimo"}, {31991, "Piano"},
    {31992, "Mezzo piano"}, {31993, "Mezzo forte"}, {31994, "Forte"}, {31995, "Fortissimo"},
    {31996, "Crescendo"}, {31997, "Decrescendo"}, {31998, "Tempo"}, {31999, "Text"}, {32000, "Lyric"},
    {32001, "Pedal"}, {32002, "Octave"});

// The pages, one class each (the records make them by class).
class CNotesPage : public CGlyphPage {
    DECLARE_DYNCREATE(CNotesPage)
public:
    CNotesPage() : CGlyphPage(IDD_PAGE_NOTES, kNotes) {}
};
class CMarksPage : public CGlyphPage {
    DECLARE_DYNCREATE(CMarksPage)
public:
    CMarksPage() : CGlyphPage(IDD_PAGE_MARKS, kMarks) {}
};
class CStaffPage : public CGlyphPage {
    DECLARE_DYNCREATE(CStaffPage)
public:
    CStaffPage() : CGlyphPage(IDD_PAGE_STAFF, kStaff) {}
};
class CExpressionPage : public CGlyphPage {
    DECLARE_DYNCREATE(CExpressionPage)
public:
    CExpressionPage() : CGlyphPage(IDD_PAGE_EXPRESSION, kExpression) {}
};

// A button's size and the grid's columns, in pixels.
constexpr int kButtonSize = 32;
constexpr int kColumns = 8;

}  // namespace

IMPLEMENT_DYNCREATE(CNotesPage, CGlyphPage)
IMPLEMENT_DYNCREATE(CMarksPage, CGlyphPage)
IMPLEMENT_DYNCREATE(CStaffPage, CGlyphPage)
IMPLEMENT_DYNCREATE(CExpressionPage, CGlyphPage)

void RegisterGlyphPages() {
    static CPluginMusic notes(RUNTIME_CLASS(CNotesPage), 10);
    static CPluginMusic marks(RUNTIME_CLASS(CMarksPage), 20);
    static CPluginMusic staff(RUNTIME_CLASS(CStaffPage), 30);
    static CPluginMusic expression(RUNTIME_CLASS(CExpressionPage), 40);
    for (CPluginMusic* record : {&notes, &marks, &staff, &expression})
        CPluginMusic::AddPlugin(record);
}

void DetachGlyphChildren(ECBase* event) {
    if (event && event->GetChildren() && event->GetChildren()->GetCount() > 0)
        event->RemoveChildren(1);
}

ECBase* MakeQuarterNote() {
    return Note<4>();
}

// ---- CGlyphPage ---------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CGlyphPage, MCMusicPage)
    ON_WM_DESTROY()
END_MESSAGE_MAP()

CGlyphPage::CGlyphPage(UINT nIDTemplate, std::span<const GlyphSymbol> symbols)
    : MCMusicPage(nIDTemplate), m_symbols(symbols) {}

CGlyphPage::~CGlyphPage() = default;

MCMusicButton* CGlyphPage::FindButton(UINT id) const {
    for (const auto& button : m_buttons)
        if (static_cast<UINT>(button->GetDlgCtrlID()) == id)
            return button.get();
    return nullptr;
}

void CGlyphPage::UpdateChecks() {
    for (const auto& button : m_buttons)
        button->SetButtonState(FindSymbol(static_cast<UINT>(button->GetDlgCtrlID())) ? 1 : 0);
}

void CGlyphPage::UncheckAll() {
    for (const auto& button : m_buttons)
        button->SetButtonState(0);
}

ECBase* CGlyphPage::GetEvent() {
    for (UINT id : GetSymbols())
        if (MCMusicButton* button = FindButton(id))
            return button->GetEvent();
    return nullptr;
}

BOOL CGlyphPage::OnInitDialog() {
    int index = 0;
    for (const GlyphSymbol& symbol : m_symbols) {
        const int x = (index % kColumns) * kButtonSize;
        const int y = (index / kColumns) * kButtonSize;
        ++index;
        auto button = std::make_unique<MCMusicButton>();
        if (!button->Create("", WS_VISIBLE | BS_OWNERDRAW, CRect(x, y, x + kButtonSize, y + kButtonSize), this,
                            symbol.id))
            continue;
        button->SetEvent(symbol.make(), 0);
        m_buttons.push_back(std::move(button));
    }
    EnableToolTips();
    MCMusicPage::OnInitDialog();
    UpdateChecks();
    return TRUE;
}

BOOL CGlyphPage::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (HIWORD(wParam) == BN_CLICKED && lParam)
        if (MCMusicButton* button = FindButton(LOWORD(wParam))) {
            ChooseGlyphSymbol(this, LOWORD(wParam), button->GetEvent());
            return TRUE;
        }
    return MCMusicPage::OnCommand(wParam, lParam);
}

void CGlyphPage::OnDestroy() {
    // The buttons' prototypes go with them, but for the palette's own.
    for (const auto& button : m_buttons)
        if (button->GetEvent() != GetGlyphboxPrototype())
            DetachGlyphChildren(button->GetEvent());
    m_buttons.clear();
    MCMusicPage::OnDestroy();
}
