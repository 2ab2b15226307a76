// Text in the score: texts of every kind, lyrics, and the flow-control marks
// (endings, "D.C.", "D.S.", "Fine" ...) that steer playback through a piece.
//
//   ECText        42  ECWithTime       text type, text, style word (4 bytes)
//   ECLyric       24  ECText           as ECText; a lyric is a text of type 0
//   ECFlowControl 20  ECWithTimeChild  type; for type 2 the ending number,
//                                      for type 14 the sequence number; the
//                                      text is not archived
//
// A text's type decides where it hangs: types 0, 3 and 4 under a staff,
// types 1 and 5 to 15 under the conductor staff, type 2 and types above 15
// nowhere. The default point size of each of the 16 text types is a
// process-wide table; a type outside it (a file may hold any byte) has the
// common size and is never used as an index.
//
// UI thread, under the performance's lock like the rest of the tree; the
// point-size table is set at start-up and by preferences, on the UI thread.
#pragma once

#include "model/event.h"

#include <cstdint>
#include <string>

class ECText : public ECWithTime {
    DECLARE_SERIAL(ECText)
public:
    // The style word.
    enum : uint32_t {
        TS_BOLD = 0x01,
        TS_ITALIC = 0x02,
        TS_UNDERLINE = 0x04,
        TS_POINTSIZE = 0xFF00,   // the point size, bits 8-15
    };
    // The text types the point-size table holds.
    static constexpr int TEXT_TYPE_COUNT = 16;
    // The point size of a text type outside the table.
    static constexpr unsigned short COMMON_POINT_SIZE = 10;

    // Type 0, no text, no style, the default point size of type 0.
    ECText();
    // No style; the default point size of that type.
    ECText(unsigned char type, const std::string& text);
    ECText(const ECText& other) = default;   // time, word, type, text, style

    // After the ECWithTime part: the text type (1 byte), the text, the style
    // word (4 bytes, as it stands).
    void Serialize(CArchive& ar) override;
    int GetClassType() const override;
    // By the text type (see above); 0 when it hangs nowhere.
    int GetParentTypes(std::vector<int>& types) const override;
    bool MayHangUnder(int type) const override;

    unsigned char GetTextType() const { return m_type; }
    void SetTextType(unsigned char type) { m_type = type; }
    const std::string& GetText() const { return m_text; }
    void SetText(const std::string& text) { m_text = text; }

    uint32_t GetStyle() const { return m_style; }
    void SetStyle(uint32_t style) { m_style = style; }
    int IsBold() const { return (m_style & TS_BOLD) != 0; }
    void SetBold(int bold) { SetStyleBit(TS_BOLD, bold); }
    int IsItalic() const { return (m_style & TS_ITALIC) != 0; }
    void SetItalic(int italic) { SetStyleBit(TS_ITALIC, italic); }
    int IsUnderline() const { return (m_style & TS_UNDERLINE) != 0; }
    void SetUnderline(int underline) { SetStyleBit(TS_UNDERLINE, underline); }
    unsigned short GetPointSize() const { return static_cast<unsigned short>((m_style & TS_POINTSIZE) >> 8); }
    // The low 8 bits of the size fill bits 8-15.
    void SetPointSize(unsigned short size) {
        m_style = (m_style & ~TS_POINTSIZE) | (static_cast<uint32_t>(size & 0xFF) << 8);
    }

    // The table's size for types 0 to 15; COMMON_POINT_SIZE for any other.
    static unsigned short GetDefaultPointSize(unsigned char type);
    // Ignored for a type outside the table.
    static void SetDefaultPointSize(unsigned char type, unsigned short size);

private:
    // The one parent type of the text type, or -1 where it hangs nowhere.
    int GetParentType() const;

    void SetStyleBit(uint32_t bit, int on) { m_style = on ? (m_style | bit) : (m_style & ~bit); }

    unsigned char m_type = 0;
    std::string m_text;
    uint32_t m_style = 0;
};

// A lyric syllable. It hangs under the measure, at the time of the note it
// is sung to: the notation finds it there by time, whatever becomes of the
// notes (a file's lyric may come before its note-on, the notes are
// renotated, a note is removed). A lyric under a note, as older documents
// may hold, is still read.
class ECLyric : public ECText {
    DECLARE_SERIAL(ECLyric)
public:
    ECLyric() = default;
    // A text of type 0.
    explicit ECLyric(const std::string& text) : ECText(0, text) {}
    ECLyric(const ECLyric& other) = default;

    int GetClassType() const override;
    // The note and the measure, whatever its text type.
    int GetParentTypes(std::vector<int>& types) const override;
    bool MayHangUnder(int type) const override;
};

// A flow-control mark of the conductor staff. Type 2 is an ending with its
// number; types 5 to 12 are the named jumps and ends ("Fine", "D.C." ...);
// 13 to 15 mark a standard MIDI file's SMPTE offset, sequence number (kept in
// the sequence number) and end of track; 16 shows its own text.
//
// Flow-control marks are not among the conductor cache's events (meters and
// tempos), so moving one in time needs no cache upkeep: SetTime is the base's.
class ECFlowControl : public ECWithTimeChild {
    DECLARE_SERIAL(ECFlowControl)
public:
    ECFlowControl() = default;
    explicit ECFlowControl(unsigned char type) : m_type(type) {}
    // Type, numbers and text, on the null time and no voice or track.
    ECFlowControl(const ECFlowControl& other);

    // After the ECWithTimeChild part: the type (1 byte); for type 2 the
    // ending number (4 bytes; 1 byte in files of version 0), for type 14 the
    // sequence number (4 bytes).
    void Serialize(CArchive& ar) override;
    int GetClassType() const override;

    unsigned char GetFlowControlType() const { return m_type; }
    void SetFlowControlType(unsigned char type) { m_type = type; }
    int GetEndingNumber() const { return m_endingNumber; }
    void SetEndingNumber(int number) { m_endingNumber = number; }
    int GetSequenceNumber() const { return m_sequenceNumber; }
    void SetSequenceNumber(int number) { m_sequenceNumber = number; }

    // The name of types 5 to 12, the mark's own text for type 16, else empty.
    std::string GetText() const;
    // Stores the text and makes the mark type 16.
    void SetText(const std::string& text);

private:
    unsigned char m_type = 0;
    int32_t m_endingNumber = 1;
    int32_t m_sequenceNumber = 0;
    std::string m_text;
};
