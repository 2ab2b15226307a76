// The packed layout fields of beams, noteheads and stems: FCBeam, FCNotehead
// and FCStem keep their decisions (which way a beam or stem points, stem
// length, notehead position and style) as bit fields of FCBase's 32-bit flag
// word, beside the base's dirty (bit 0) and override (bit 1) flags.
//
//  bit    FCBeam              FCNotehead          FCStem
//  0      dirty               dirty               length dirty
//  1      override            override            length override
//  2      direction           position dirty      direction dirty
//  3      direction override  position override  direction override
//  4      direction dirty     notehead dirty      side dirty
//  5      break secondary     notehead override   side override
//  6      beam rests          style dirty         direction
//  7      flare               style override      side
//  8      flare direction     position (8-11)     length (8-15)
//  9      midway
//  10     user
//  12-15                      notehead (4 bits)
//  16-23                      style               fraction
//  24                         grace               lock
//
// One-bit setters store bit 0 of their argument; getters answer 0 or 1.
// Multi-bit fields keep only their width. Copies (construction and
// assignment) take the values only: the target keeps its own dirty and
// override bits, which say what its owner still has to work out.
//
// Plain values; whoever owns a field decides the thread.
#pragma once

#include "model/fields.h"

#include <cstdint>

// The bit accessors the three fields share: each named accessor of a field is
// one of these on its bit position.
class FCLayoutBits : public FCBase {
protected:
    FCLayoutBits() = default;
    explicit FCLayoutBits(uint32_t initial) { m_flags = initial; }

    template <int Bit>
    int GetBit() const { return static_cast<int>((m_flags >> Bit) & 1); }
    template <int Bit>
    void SetBit(int on) { SetFlag(uint32_t{1} << Bit, on); }

    template <int Shift, int Width>
    uint8_t GetBits() const { return static_cast<uint8_t>((m_flags >> Shift) & Mask<Width>()); }
    template <int Shift, int Width>
    void SetBits(uint8_t value) {
        m_flags = (m_flags & ~(Mask<Width>() << Shift)) | ((uint32_t{value} & Mask<Width>()) << Shift);
    }

    // Takes the bits of `valueMask` from `other`, keeps the rest.
    void CopyValues(const FCLayoutBits& other, uint32_t valueMask) {
        m_flags = (m_flags & ~valueMask) | (other.m_flags & valueMask);
    }

private:
    template <int Width>
    static constexpr uint32_t Mask() { return (uint32_t{1} << Width) - 1; }
};

class FCBeam : public FCLayoutBits {
public:
    FCBeam() = default;
    FCBeam(const FCBeam& other) : FCLayoutBits() { CopyValues(other, kValues); }
    FCBeam& operator=(const FCBeam& other) { CopyValues(other, kValues); return *this; }
    ~FCBeam() override;

    void SetDirection(int v) { SetBit<2>(v); }
    int GetDirection() const { return GetBit<2>(); }
    void SetDirectionOverride(int v) { SetBit<3>(v); }
    int GetDirectionOverride() const { return GetBit<3>(); }
    void SetDirectionDirty(int v) { SetBit<4>(v); }
    int GetDirectionDirty() const { return GetBit<4>(); }
    void SetBreakSecondary(int v) { SetBit<5>(v); }
    int GetBreakSecondary() const { return GetBit<5>(); }
    void SetBeamRests(int v) { SetBit<6>(v); }
    int GetBeamRests() const { return GetBit<6>(); }
    void SetFlare(int v) { SetBit<7>(v); }
    int GetFlare() const { return GetBit<7>(); }
    void SetFlareDirection(int v) { SetBit<8>(v); }
    int GetFlareDirection() const { return GetBit<8>(); }
    void SetMidway(int v) { SetBit<9>(v); }
    int GetMidway() const { return GetBit<9>(); }
    void SetUser(int v) { SetBit<10>(v); }
    int GetUser() const { return GetBit<10>(); }

private:
    // Direction, break secondary, beam rests, flare, midway, user. The flare
    // direction is worked out anew for each copy.
    static constexpr uint32_t kValues = 0x4 | 0x20 | 0x40 | 0x80 | 0x200 | 0x400;
};

class FCNotehead : public FCLayoutBits {
public:
    // Dirty, with position, notehead and style still to be worked out.
    FCNotehead() : FCLayoutBits(FLAG_DIRTY | 0x4 | 0x10 | 0x40) {}
    FCNotehead(const FCNotehead& other) : FCLayoutBits() { CopyValues(other, kValues); }
    FCNotehead& operator=(const FCNotehead& other) { CopyValues(other, kValues); return *this; }
    ~FCNotehead() override;

    void SetPositionDirty(int v) { SetBit<2>(v); }
    int IsPositionDirty() const { return GetBit<2>(); }
    void SetPositionOverride(int v) { SetBit<3>(v); }
    int IsPositionOverride() const { return GetBit<3>(); }
    void SetNoteheadDirty(int v) { SetBit<4>(v); }
    int IsNoteheadDirty() const { return GetBit<4>(); }
    void SetNoteheadOverride(int v) { SetBit<5>(v); }
    int IsNoteheadOverride() const { return GetBit<5>(); }
    void SetStyleDirty(int v) { SetBit<6>(v); }
    int IsStyleDirty() const { return GetBit<6>(); }
    void SetStyleOverride(int v) { SetBit<7>(v); }
    int IsStyleOverride() const { return GetBit<7>(); }
    void SetPosition(uint8_t v) { SetBits<8, 4>(v); }
    uint8_t GetPosition() const { return GetBits<8, 4>(); }
    void SetNotehead(uint8_t v) { SetBits<12, 4>(v); }
    uint8_t GetNotehead() const { return GetBits<12, 4>(); }
    void SetStyle(uint8_t v) { SetBits<16, 8>(v); }
    uint8_t GetStyle() const { return GetBits<16, 8>(); }
    void SetGrace(int v) { SetBit<24>(v); }
    int IsGrace() const { return GetBit<24>(); }

private:
    static constexpr uint32_t kValues = 0x01FFFF00;   // position, notehead, style, grace
};

class FCStem : public FCLayoutBits {
public:
    // Length, direction and side still to be worked out.
    FCStem() : FCLayoutBits(FLAG_DIRTY | 0x4 | 0x10) {}
    FCStem(const FCStem& other) : FCLayoutBits() { CopyValues(other, kValues); }
    FCStem& operator=(const FCStem& other) { CopyValues(other, kValues); return *this; }
    ~FCStem() override;

    void SetLengthDirty(int v) { SetBit<0>(v); }
    int IsLengthDirty() const { return GetBit<0>(); }
    void SetLengthOverride(int v) { SetBit<1>(v); }
    int IsLengthOverride() const { return GetBit<1>(); }
    void SetDirectionDirty(int v) { SetBit<2>(v); }
    int IsDirectionDirty() const { return GetBit<2>(); }
    void SetDirectionOverride(int v) { SetBit<3>(v); }
    int IsDirectionOverride() const { return GetBit<3>(); }
    void SetSideDirty(int v) { SetBit<4>(v); }
    int IsSideDirty() const { return GetBit<4>(); }
    void SetSideOverride(int v) { SetBit<5>(v); }
    int IsSideOverride() const { return GetBit<5>(); }
    void SetDirection(int v) { SetBit<6>(v); }
    int GetDirection() const { return GetBit<6>(); }
    void SetSide(int v) { SetBit<7>(v); }
    int GetSide() const { return GetBit<7>(); }
    void SetLength(uint8_t v) { SetBits<8, 8>(v); }
    uint8_t GetLength() const { return GetBits<8, 8>(); }
    void SetFraction(uint8_t v) { SetBits<16, 8>(v); }
    uint8_t GetFraction() const { return GetBits<16, 8>(); }
    void SetLock(int v) { SetBit<24>(v); }
    int IsLocked() const { return GetBit<24>(); }

private:
    // Direction, side, length, fraction; the lock stays with its stem.
    static constexpr uint32_t kValues = 0x00FFFFC0;
};
