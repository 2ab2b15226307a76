// Test support for the song-file reader: a writer of song files from a short
// description, in the byte layout the reader documents (quilletfile.cpp), and
// a map of where each block landed so that tests can cut and patch copies.
//
// A song is ruler marks (each the start of a measure, with an optional meter
// and tempos) and voices (each a list of measures holding events). The writer
// numbers the blocks from 1: the ruler block, the ruler marks, their time
// signatures, the voices, their measures, then the text blocks of lyrics and
// waves; it writes them in that order and ends the list with id 0xFFFF.
//
// The fuzz target's seeds (fuzz/corpus/songfile) are written by this writer:
// run interface_tests with --gtest_also_run_disabled_tests
// --gtest_filter='SongFileCorpus.*' to write them again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace songfile_support {

// Event types and note attributes of the format.
enum : uint16_t { EV_NOTE = 4, EV_LYRIC = 5, EV_PROGRAM = 12, EV_WAVE = 27 };
enum : uint8_t { TIED_TO = 0, TIED_FROM = 1 };

struct Event {
    uint16_t type = EV_NOTE;
    uint16_t offset = 0;
    // notes
    uint8_t key = 60;
    uint8_t velocity = 100;
    uint8_t releaseVelocity = 64;
    uint8_t channel = 0;
    uint16_t duration = 96;
    std::vector<uint8_t> attributes;
    // lyrics and waves: the text goes into a block of its own
    uint8_t lyricKind = 1;
    std::string text;
};

inline Event Note(uint16_t offset, uint8_t key, uint16_t duration, std::vector<uint8_t> attributes = {}) {
    Event e;
    e.offset = offset;
    e.key = key;
    e.duration = duration;
    e.attributes = std::move(attributes);
    return e;
}

inline Event Lyric(uint16_t offset, std::string text, uint8_t kind = 1) {
    Event e;
    e.type = EV_LYRIC;
    e.offset = offset;
    e.text = std::move(text);
    e.lyricKind = kind;
    return e;
}

inline Event Wave(uint16_t offset, std::string name) {
    Event e;
    e.type = EV_WAVE;
    e.offset = offset;
    e.text = std::move(name);
    return e;
}

// An event of a type the reader passes over (a program change).
inline Event Other(uint16_t offset) {
    Event e;
    e.type = EV_PROGRAM;
    e.offset = offset;
    return e;
}

struct Measure {
    uint8_t kind = 0;   // 0 events, 2 loop
    std::optional<uint8_t> keyCode;
    std::vector<Event> events;
};

struct RulerMark {
    uint32_t tick = 0;
    std::optional<std::pair<uint8_t, uint8_t>> meter;   // numerator, denominator
    std::optional<uint16_t> tempo;                        // tenths of a beat per minute
    std::vector<std::pair<uint16_t, uint16_t>> changes;  // offset, tempo
};

struct Song {
    uint32_t version = 1020;
    uint16_t checkValue = 99;
    std::vector<RulerMark> marks;
    std::vector<std::vector<Measure>> voices;
};

// Where a block landed in the file.
struct Block {
    std::string role;   // "ruler", "mark 0", "timesig 0", "voice 1", "measure 1.0", "text 3"
    uint16_t id = 0;
    size_t head = 0;    // the offset of its 4-byte head
    size_t length = 0;  // of its bytes
    size_t Data() const { return head + 4; }
    size_t End() const { return head + 4 + length; }
};

struct SongFile {
    std::vector<uint8_t> bytes;
    std::vector<Block> blocks;   // the editor blocks, in file order
    size_t contextStart = 0;     // the head of the first context block
    size_t endMarker = 0;        // the head of the 0xFFFF marker

    const Block& Find(const std::string& role) const {
        for (const Block& block : blocks)
            if (block.role == role)
                return block;
        throw std::out_of_range("no block " + role);
    }
    void Put16(size_t at, uint16_t value) {
        bytes[at] = static_cast<uint8_t>(value);
        bytes[at + 1] = static_cast<uint8_t>(value >> 8);
    }
    uint16_t Get16(size_t at) const { return static_cast<uint16_t>(bytes[at] | (bytes[at + 1] << 8)); }
};

class Writer {
public:
    explicit Writer(const Song& song) : m_song(song) {}

    SongFile Write() {
        AssignIds();
        SongFile file;
        std::vector<uint8_t>& out = file.bytes;
        out = {'S', 'O', 'N', 'G'};
        Put32BE(out, m_song.version);
        file.contextStart = out.size();
        for (int i = 0; i < 2; ++i)
            PutBlock(out, 0, Context());
        PutBlock(out, 0, std::vector<uint8_t>(12, 0));   // the data context

        for (const auto& [role, bytes] : EditorBlocks()) {
            Block block;
            block.role = role.first;
            block.id = role.second;
            block.head = out.size();
            block.length = bytes.size();
            file.blocks.push_back(block);
            PutBlock(out, role.second, bytes);
        }
        file.endMarker = out.size();
        Put16(out, 0xFFFF);
        Put16(out, 0);
        return file;
    }

private:
    static void Put16(std::vector<uint8_t>& out, uint32_t v) {
        out.push_back(static_cast<uint8_t>(v));
        out.push_back(static_cast<uint8_t>(v >> 8));
    }
    static void Put32(std::vector<uint8_t>& out, uint32_t v) {
        Put16(out, v & 0xFFFF);
        Put16(out, v >> 16);
    }
    static void Put32BE(std::vector<uint8_t>& out, uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8)
            out.push_back(static_cast<uint8_t>(v >> shift));
    }
    static void PutBlock(std::vector<uint8_t>& out, uint16_t id, const std::vector<uint8_t>& bytes) {
        Put16(out, id);
        Put16(out, static_cast<uint32_t>(bytes.size()));
        out.insert(out.end(), bytes.begin(), bytes.end());
    }

    uint16_t Next() { return m_nextId++; }

    void AssignIds() {
        m_nextId = 1;
        m_rulerId = Next();
        m_markIds.clear();
        m_timeSigIds.clear();
        for (const RulerMark& mark : m_song.marks) {
            m_markIds.push_back(Next());
            m_timeSigIds.push_back(mark.meter ? Next() : 0);
        }
        m_voiceIds.clear();
        m_measureIds.clear();
        for (const auto& voice : m_song.voices) {
            m_voiceIds.push_back(Next());
            m_measureIds.emplace_back();
            for (size_t i = 0; i < voice.size(); ++i)
                m_measureIds.back().push_back(Next());
        }
        m_textIds.clear();
        for (const auto& voice : m_song.voices)
            for (const Measure& measure : voice)
                for (const Event& event : measure.events)
                    if (event.type == EV_LYRIC || event.type == EV_WAVE)
                        m_textIds.push_back(Next());
    }

    std::vector<uint8_t> Context() const {
        std::vector<uint8_t> c;
        Put16(c, m_song.checkValue);
        Put16(c, m_rulerId);
        Put16(c, m_voiceIds.empty() ? 0 : m_voiceIds.front());
        Put16(c, 0);
        Put32(c, static_cast<uint32_t>(m_song.marks.size()));
        Put16(c, static_cast<uint32_t>(m_song.voices.size()));
        Put16(c, 0);
        return c;
    }

    using Role = std::pair<std::string, uint16_t>;

    std::vector<std::pair<Role, std::vector<uint8_t>>> EditorBlocks() const {
        std::vector<std::pair<Role, std::vector<uint8_t>>> blocks;
        std::vector<uint8_t> ruler(6, 0);
        Put16(ruler, m_markIds.empty() ? 0 : m_markIds.front());
        blocks.push_back({{"ruler", m_rulerId}, ruler});

        for (size_t i = 0; i < m_song.marks.size(); ++i) {
            const RulerMark& mark = m_song.marks[i];
            std::vector<uint8_t> b;
            Put16(b, i + 1 < m_markIds.size() ? m_markIds[i + 1] : 0);
            b.push_back(static_cast<uint8_t>((mark.meter ? 0x01 : 0) | (mark.tempo ? 0x02 : 0)));
            b.push_back(0);
            Put16(b, m_timeSigIds[i]);
            Put32(b, mark.tick);
            Put16(b, mark.tempo.value_or(0));
            Put16(b, static_cast<uint32_t>(mark.changes.size() + 1));
            for (const auto& [offset, tempo] : mark.changes) {
                Put16(b, offset);
                Put16(b, tempo);
                b.insert(b.end(), 6, 0);
            }
            blocks.push_back({{"mark " + std::to_string(i), m_markIds[i]}, b});
            if (mark.meter) {
                std::vector<uint8_t> t;
                Put16(t, 1);
                t.push_back(mark.meter->first);
                t.push_back(mark.meter->second);
                blocks.push_back({{"timesig " + std::to_string(i), m_timeSigIds[i]}, t});
            }
        }

        size_t text = 0;
        std::vector<std::pair<Role, std::vector<uint8_t>>> texts;
        for (size_t v = 0; v < m_song.voices.size(); ++v) {
            const auto& voice = m_song.voices[v];
            std::vector<uint8_t> vb;
            Put16(vb, v + 1 < m_voiceIds.size() ? m_voiceIds[v + 1] : 0);
            Put16(vb, voice.empty() ? 0 : m_measureIds[v].front());
            Put32(vb, static_cast<uint32_t>(voice.size()));
            blocks.push_back({{"voice " + std::to_string(v), m_voiceIds[v]}, vb});
        }
        for (size_t v = 0; v < m_song.voices.size(); ++v) {
            const auto& voice = m_song.voices[v];
            for (size_t m = 0; m < voice.size(); ++m) {
                const Measure& measure = voice[m];
                std::vector<uint8_t> mb;
                mb.push_back(measure.kind);
                mb.push_back(0);
                Put16(mb, m + 1 < voice.size() ? m_measureIds[v][m + 1] : 0);
                mb.push_back(measure.keyCode ? 0x10 : 0);
                mb.push_back(measure.keyCode.value_or(0));
                Put16(mb, static_cast<uint32_t>(measure.events.size()));
                for (const Event& event : measure.events) {
                    std::vector<uint8_t> data;
                    if (event.type == EV_NOTE) {
                        data = {event.key, event.velocity, event.releaseVelocity, event.channel};
                        Put16(data, event.duration);
                        Put16(data, static_cast<uint32_t>(event.attributes.size()) << 13);
                        data.insert(data.end(), event.attributes.begin(), event.attributes.end());
                    } else if (event.type == EV_LYRIC || event.type == EV_WAVE) {
                        const uint16_t textId = m_textIds[text];
                        std::vector<uint8_t> tb(event.text.begin(), event.text.end());
                        texts.push_back({{"text " + std::to_string(text), textId}, tb});
                        ++text;
                        if (event.type == EV_LYRIC) {
                            data.push_back(event.lyricKind);
                            data.push_back(0);
                        }
                        Put16(data, textId);
                        Put16(data, static_cast<uint32_t>(event.text.size()));
                    } else {
                        data = {0xC0, 5};   // some data the reader does not look at
                    }
                    Put16(mb, static_cast<uint32_t>(6 + data.size()));
                    Put16(mb, event.type);
                    Put16(mb, event.offset);
                    mb.insert(mb.end(), data.begin(), data.end());
                }
                blocks.push_back({{"measure " + std::to_string(v) + "." + std::to_string(m), m_measureIds[v][m]}, mb});
            }
        }
        blocks.insert(blocks.end(), texts.begin(), texts.end());
        return blocks;
    }

    Song m_song;
    uint16_t m_nextId = 1;
    uint16_t m_rulerId = 0;
    std::vector<uint16_t> m_markIds;
    std::vector<uint16_t> m_timeSigIds;
    std::vector<uint16_t> m_voiceIds;
    std::vector<std::vector<uint16_t>> m_measureIds;
    std::vector<uint16_t> m_textIds;
};

inline SongFile WriteSong(const Song& song) {
    return Writer(song).Write();
}

// A song with every kind of block: 4/4 at 120 with a tempo change to 90 in
// the first measure, then 6/8 (a dotted quarter at 60); two voices with
// notes (one tied across the first barline), lyrics, a key signature, a wave,
// a loop measure and an event the reader passes over; a third voice that has
// no notes; and the mark that ends the song.
inline Song FullSong() {
    Song song;
    song.marks = {
        {0, std::make_pair(uint8_t{4}, uint8_t{4}), uint16_t{1200}, {{192, 900}}},
        {384, std::make_pair(uint8_t{6}, uint8_t{8}), uint16_t{600}, {}},
        {576, std::nullopt, std::nullopt, {}},
        {768, std::nullopt, std::nullopt, {}},
    };
    Measure first;
    first.keyCode = 11;   // two sharps
    first.events = {Note(0, 60, 96), Lyric(0, "Hal-"), Note(96, 62, 96), Lyric(96, "le-"),
                    Other(150), Note(192, 64, 192, {TIED_TO})};
    Measure second;
    second.events = {Note(0, 64, 48, {TIED_FROM}), Lyric(96, "lu"), Note(96, 67, 96)};
    Measure loop;
    loop.kind = 2;
    song.voices.push_back({first, second, loop});

    Measure low;
    low.events = {Note(0, 48, 384), Wave(0, "take1.wav")};
    Measure lowSecond;
    lowSecond.events = {Note(0, 43, 192)};
    song.voices.push_back({low, lowSecond});

    Measure silent;
    silent.events = {Lyric(0, "oh")};
    song.voices.push_back({silent});
    return song;
}

}  // namespace songfile_support
