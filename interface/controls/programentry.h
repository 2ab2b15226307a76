// MCProgramEntry: one voice of an instrument definition file, its program and
// its bank as the file writes it, and the conversion between the file's bank
// numbers and MIDI bank numbers, which depends on the file's "Type":
//
//   GM, XG, any other   the MIDI bank is the file's bank
//   GS                  the file counts banks of 128: MIDI bank = bank x 128
//                       (bank select's first byte), bank = MIDI bank / 128
//
// The program tree keeps one entry per voice item as that item's data.
#pragma once

#include <cstdint>

#include <memory>
#include <string>

class MCProgramEntry {
public:
    // The definition types, as "Info" "Type" names them.
    enum : int { TYPE_GM = 0, TYPE_GS = 1, TYPE_XG = 2, TYPE_PLAIN = 3 };

    MCProgramEntry() = default;
    MCProgramEntry(const MCProgramEntry&) = default;
    MCProgramEntry& operator=(const MCProgramEntry&) = default;
    virtual ~MCProgramEntry() = default;

    // The bank as a bank-select message carries it.
    virtual int GetMidiBank() const { return m_nBank; }
    // The file's bank of MIDI bank `value`.
    virtual int GetBankFromMidi(int value) const { return value; }

    std::uint8_t GetProgram() const { return m_nProgram; }
    void SetProgram(std::uint8_t program) { m_nProgram = program; }
    int GetBank() const { return m_nBank; }
    void SetBank(int bank) { m_nBank = bank; }

    // The type "GM", "GS", "XG" stands for (case as written); any other text is plain.
    static int TypeFromText(const std::string& text);
    // A new entry of the class of `type`.
    static std::unique_ptr<MCProgramEntry> Make(int type);

private:
    std::uint8_t m_nProgram = 0;
    int m_nBank = 0;
};

class MCProgramEntryGM : public MCProgramEntry {};

class MCProgramEntryGS : public MCProgramEntry {
public:
    int GetMidiBank() const override { return GetBank() << 7; }
    int GetBankFromMidi(int value) const override { return value >> 7; }
};

class MCProgramEntryXG : public MCProgramEntry {};
