// The quantize filter (see quantize.h for the contract).
#include "sequencer/quantize.h"

#include "model/midifields.h"
#include "model/time.h"
#include "platform/core/archive.h"
#include "sequencer/midimessage.h"

#include <algorithm>
#include <cmath>

IMPLEMENT_SERIAL(LCMidiQuantize, LCMidiFilter, VERSIONABLE_SCHEMA | 2)

namespace {

// x + 0.5 cut to a whole number: the rounding every grid value takes.
int Near(double x)
{
    return static_cast<int>(x + 0.5);
}

// The largest time whose parts still fit an int.
constexpr double MAX_QUANTIZED_BEATS = static_cast<double>(INT_MAX) / LCMidiQuantize::PARTS_PER_BEAT - 1.0;

}   // namespace

LCMidiQuantize::LCMidiQuantize()
{
    SetPrimaryDivision(m_nPrimaryDivision);
    SetSecondaryDivision(m_nSecondaryDivision);
}

void LCMidiQuantize::Serialize(CArchive& ar)
{
    LCMidiFilter::Serialize(ar);
}

// ---- the grids ------------------------------------------------------------

std::vector<CQPoint> LCMidiQuantize::BuildQList(int n)
{
    n = std::max(n, 1);
    // The step is summed point by point as a float, each value rounded from
    // the running sum, so the targets of a third land on 333 and 667.
    const float step = static_cast<float>(PARTS_PER_BEAT) / static_cast<float>(n);
    const float half = 500.0f / static_cast<float>(n);
    std::vector<CQPoint> points;
    points.reserve(static_cast<size_t>(n) + 1);
    float sum = 0.0f;
    for (int i = 0; i <= n; ++i) {
        points.push_back({Near(half + sum), Near(sum)});
        sum += step;
    }
    return points;
}

std::array<unsigned char, LCMidiQuantize::PARTS_PER_BEAT> LCMidiQuantize::BuildQArray(const std::vector<CQPoint>& points)
{
    std::array<unsigned char, PARTS_PER_BEAT> weights{};
    const int spans = static_cast<int>(points.size()) - 1;
    if (spans < 1)
        return weights;
    // One span runs from a point to the next: its first half falls from 1.0
    // (on the point) towards 0, its second half rises again towards the next
    // point.
    const float step = static_cast<float>(PARTS_PER_BEAT) / static_cast<float>(spans);
    const int length = Near(step);
    const int falling = Near(step / 2.0f);
    const int rising = Near(step - static_cast<float>(falling));
    std::vector<float> span;
    span.reserve(static_cast<size_t>(std::max(length, 0)));
    for (int i = 0; i < falling && i < length; ++i)
        span.push_back(1.0f - static_cast<float>(i) / static_cast<float>(falling));
    for (int i = 0; static_cast<int>(span.size()) < length; ++i)
        span.push_back(rising > 0 ? static_cast<float>(i) / static_cast<float>(rising) : 0.0f);

    int part = 0;
    for (int s = 0; s < spans && part < PARTS_PER_BEAT; ++s) {
        for (float value : span) {
            if (part >= PARTS_PER_BEAT)
                break;
            weights[static_cast<size_t>(part++)] = static_cast<unsigned char>(CutToInt(value * 255.0f, 0, 255));
        }
    }
    // Rounding may leave the last parts unwritten: they lie on the beat's
    // end point.
    for (; part < PARTS_PER_BEAT; ++part)
        weights[static_cast<size_t>(part)] = 255;
    return weights;
}

void LCMidiQuantize::SetPrimaryDivision(int n)
{
    m_nPrimaryDivision = std::max(n, 0);
    m_primaryPoints = BuildQList(m_nPrimaryDivision);
    m_primaryWeights = BuildQArray(m_primaryPoints);
}

void LCMidiQuantize::SetSecondaryDivision(int n)
{
    m_nSecondaryDivision = std::max(n, 0);
    m_secondaryPoints = BuildQList(m_nSecondaryDivision);
    m_secondaryWeights = BuildQArray(m_secondaryPoints);
}

int LCMidiQuantize::GetPrimaryWeight(int part) const
{
    return part >= 0 && part < PARTS_PER_BEAT ? m_primaryWeights[static_cast<size_t>(part)] : 0;
}

int LCMidiQuantize::GetSecondaryWeight(int part) const
{
    return part >= 0 && part < PARTS_PER_BEAT ? m_secondaryWeights[static_cast<size_t>(part)] : 0;
}

void LCMidiQuantize::SetQuantizationPercent(int percent)
{
    m_nPercent = std::clamp(percent, 0, 100);
    m_fFactor = static_cast<float>(m_nPercent) / 100.0f;
}

// ---- the memory -----------------------------------------------------------

void LCMidiQuantize::SetTrackCount(int count, int firstTrack)
{
    count = std::max(count, 0);
    for (std::vector<Memory>& memory : m_memory)
        memory.assign(static_cast<size_t>(count), Memory{});
    m_nTrackCount = count;
    m_nFirstTrack = firstTrack;
}

LCMidiQuantize::Memory* LCMidiQuantize::FindMemory(const MCVoiceTrack& vt)
{
    const int voice = vt.GetVoice();
    if (voice < 0 || voice >= static_cast<int>(m_memory.size()))
        return nullptr;
    std::vector<Memory>& memory = m_memory[static_cast<size_t>(voice)];
    if (memory.empty())
        return nullptr;
    const long long entry = static_cast<long long>(vt.GetTrack()) - m_nFirstTrack;
    if (entry < 0 || entry >= static_cast<long long>(memory.size()))
        return &memory[0];
    return &memory[static_cast<size_t>(entry)];
}

// ---- quantizing -----------------------------------------------------------

void LCMidiQuantize::Quantize(MCTime& time, const MCVoiceTrack& vt, const FCMidi& word)
{
    const unsigned bit = word.IsNoteOn() ? QUANTIZE_NOTE_ON : word.IsNoteOff() ? QUANTIZE_NOTE_OFF : QUANTIZE_OTHER;
    if (!(m_uMode & bit) || time.GetMode() == 4)
        return;
    const double value = time.GetSeconds();
    if (!(value >= 0.0) || value > MAX_QUANTIZED_BEATS)   // also NaN
        return;

    const int beat = static_cast<int>(value);
    int quantizedBeat = beat;
    int part = Near(value * PARTS_PER_BEAT) - Near(static_cast<double>(beat) * PARTS_PER_BEAT);
    // A time a hair before the next beat rounds onto it.
    if (part > PARTS_PER_BEAT - 1) {
        ++quantizedBeat;
        part -= PARTS_PER_BEAT;
    }

    Memory* memory = FindMemory(vt);
    int grid;
    if (memory && memory->m_nBeat == beat)
        grid = memory->m_nGrid;
    else
        grid = GetPrimaryWeight(part) < GetSecondaryWeight(part) ? GRID_SECONDARY : GRID_PRIMARY;

    const std::vector<CQPoint>& points = grid == GRID_PRIMARY ? m_primaryPoints : m_secondaryPoints;
    const auto point = std::find_if(points.begin(), points.end(), [part](const CQPoint& p) { return p.m_nLimit > part; });
    if (point == points.end())
        return;   // the last limit lies past the beat; a grid never ends here

    part -= static_cast<int>(static_cast<float>(part - point->m_nTarget) * m_fFactor);
    const float quantized = static_cast<float>(quantizedBeat) + static_cast<float>(part) / PARTS_PER_BEAT;
    time.SetSeconds(quantized);

    // Only a point inside the beat tells which figure is played: both grids
    // share the beat's two ends.
    if (memory && point != points.begin() && point != points.end() - 1)
        *memory = {static_cast<int>(quantized), grid};
}

void LCMidiQuantize::Process(MCMidiMsgVector& messages)
{
    for (int i = 0; i < messages.GetSize(); ++i) {
        MidiMessage* message = messages.GetAt(static_cast<unsigned>(i));
        if (!message)
            continue;
        if (message->m_noteOn.HasData()) {
            Quantize(message->m_time, message->m_voiceTrack, message->m_noteOn);
            if (message->m_noteOff.HasData()) {
                // The end goes with the moved start, then finds its own point.
                MCTime end = message->m_time;
                end += message->m_duration;
                Quantize(end, message->m_voiceTrack, message->m_noteOff);
                end -= message->m_time;
                message->m_duration = end;
            }
        } else if (message->m_sysEx.HasData()) {
            Quantize(message->m_time, message->m_voiceTrack, FCMidi::MidiNull());
        }
    }
}
