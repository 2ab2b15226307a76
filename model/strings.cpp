// The string table of the data model.
#include "model/strings.h"

#include "platform/core/resources.h"

namespace {

const CStringTable s_strings{
    // Display names of the event types (model/eventtypes.cpp maps types to
    // them). 11797 and 11825 belong to no type; 11783 is not used.
    {11776, "Accent"},
    {11777, "Accidental"},
    {11778, "Arpeggio"},
    {11779, "Barline"},
    {11780, "Event"},
    {11781, "Beam"},
    {11782, "Brace/Bracket"},
    {11784, "Channel Mode"},
    {11785, "Channel Pressure"},
    {11786, "Chord"},
    {11787, "Chord Symbol"},
    {11788, "Clef"},
    {11789, "Conductor"},
    {11790, "Conductor Measure"},
    {11791, "Conductor Staff"},
    {11792, "Control Change"},
    {11793, "Dot"},
    {11794, "Dynamic Marking"},
    {11795, "Repeat"},
    {11796, "Frame"},
    {11797, "Group"},
    {11798, "Key"},
    {11799, "Lyric"},
    {11800, "Measure"},
    {11801, "Meter"},
    {11802, "Mirror"},
    {11803, "Mordent"},
    {11804, "Note"},
    {11805, "Ornament"},
    {11806, "Pedal"},
    {11807, "Performance"},
    {11808, "Pitch Bend"},
    {11809, "Polyphonic Pressure"},
    {11810, "Program Change"},
    {11811, "Repeat"},
    {11812, "Rest"},
    {11813, "Slur"},
    {11814, "Staff"},
    {11815, "System Message"},
    {11816, "Tempo"},
    {11817, "Text"},
    {11818, "Tie"},
    {11819, "Transpose"},
    {11820, "Tremolo"},
    {11821, "Trill"},
    {11822, "Tuplet"},
    {11823, "Turn"},
    {11824, "Pan"},
    {11825, "Track"},
    {11826, "Wave file"},
    {11827, "Wave track"},
    {11828, "Grace note"},

    // Names of the tempo types (model/tempo.cpp maps types to them).
    {11904, "Larghissimo"},
    {11905, "Adagissimo"},
    {11906, "Lentissimo"},
    {11907, "Largo"},
    {11908, "Adagio"},
    {11909, "Lento"},
    {11910, "Larghetto"},
    {11911, "Adagietto"},
    {11912, "Andante"},
    {11913, "Andantino"},
    {11914, "Moderato"},
    {11915, "Allegretto"},
    {11916, "Allegro"},
    {11917, "Vivace"},
    {11918, "Vivo"},
    {11919, "Presto"},
    {11920, "Allegrissimo"},
    {11921, "Vivacissimo"},
    {11922, "Prestissimo"},
    {11923, "a tempo"},
    {11924, "accel."},
    {11925, "rall."},
    {11926, "rit."},
    {11927, "rubato"},
    {11932, "G.P."},
    {11933, "L.P."},

    // Names of the spanning dynamics (model/markings.cpp) and of the
    // flow-control marks (model/textmarks.cpp).
    {11936, "cresc."},
    {11937, "decresc."},
    {11938, "dim."},
    {11940, "Fine"},
    {11941, "D.C."},
    {11942, "D.C. al Fine"},
    {11943, "D.C. al Segno"},
    {11944, "D.C. al Segno e poi la Coda"},
    {11945, "D.S."},
    {11946, "D.S. al Fine"},
    {11947, "D.S. al Coda"},
};

}  // namespace

HINSTANCE GetLodemarModule() {
    return s_strings.GetModule();
}
