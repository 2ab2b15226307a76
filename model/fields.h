// Typed fields: small value objects that hold one property of an event, a
// view datum or a filter together with a dirty flag and an override flag.
//
// FCBase holds the 32-bit flag word: bit 0 dirty (set on construction), bit 1
// override (clear on construction); the other bits belong to a derived field
// that packs its value into the word (FCByte here, FCMidi, and the display
// data's bit fields), else they stay 0. No value setter touches the flags:
// marking a field dirty is the caller's work.
//
// The family is built from a few layers so that each operator is written once:
//   storage        FCStored<T> (own member) or FCPackedByte (bits 8-15 of the word)
//   comparison     FCCompare: ==, != with a field of the same class or a value
//   operator sets  FCLogicalOps (!, &&, || storing 0/1), FCIntegerOps
//                  (+= -= *= /= %= <<= >>= ~ &= |=), FCFloatOps (+= -= *= /=)
// Unlike the built-in operators, `!`, `&&`, `||` and `~` store their result in
// the field and return it (`!flag` flips the flag). Integer arithmetic wraps in
// two's complement; shifts take the count modulo 32; a division or remainder
// that has no result (by 0, or -2147483648 by -1) leaves the value unchanged.
//
// Plain values; whoever owns a field decides the thread.
#pragma once

#include "model/time.h"

#include <cstdint>
#include <limits>
#include <type_traits>

// The geometry values held by FCPoint, FCRect and FCSize.
struct MCPoint {
    int32_t x = 0;
    int32_t y = 0;
    bool operator==(const MCPoint&) const = default;
};

struct MCSize {
    int32_t cx = 0;
    int32_t cy = 0;
    bool operator==(const MCSize&) const = default;
};

struct MCRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    bool operator==(const MCRect&) const = default;
};

class FCBase {
public:
    FCBase() = default;
    FCBase(const FCBase&) = default;
    FCBase& operator=(const FCBase&) = default;
    virtual ~FCBase();

    int IsDirty() const { return static_cast<int>(m_flags & FLAG_DIRTY); }
    void SetDirty(int dirty) { SetFlag(FLAG_DIRTY, dirty); }
    int IsOverride() const { return static_cast<int>((m_flags & FLAG_OVERRIDE) >> 1); }
    void SetOverride(int override) { SetFlag(FLAG_OVERRIDE, override); }

protected:
    static constexpr uint32_t FLAG_DIRTY = 0x1;
    static constexpr uint32_t FLAG_OVERRIDE = 0x2;

    // Only the lowest bit of the argument counts.
    void SetFlag(uint32_t flag, int on) { m_flags = (on & 1) ? (m_flags | flag) : (m_flags & ~flag); }

    uint32_t m_flags = FLAG_DIRTY;
};

// ---------------------------------------------------------------------------
// Storage layers

// A value in a member of its own.
template <class T>
class FCStored : public FCBase {
public:
    using value_type = T;

    FCStored() = default;
    explicit FCStored(const T& value) : m_value(value) {}

    T GetValue() const { return m_value; }
    void SetValue(const T& value) { m_value = value; }

protected:
    T m_value{};
};

// An unsigned byte kept in bits 8 to 15 of the flag word; no member of its own.
class FCPackedByte : public FCBase {
public:
    using value_type = uint8_t;

    FCPackedByte() = default;
    explicit FCPackedByte(uint8_t value) { SetValue(value); }

    uint8_t GetValue() const { return static_cast<uint8_t>((m_flags >> 8) & 0xFF); }
    void SetValue(uint8_t value) { m_flags = (m_flags & ~0xFF00u) | (uint32_t{value} << 8); }
};

// ---------------------------------------------------------------------------
// Operator layers. `Self` is the final field class (the type the operators
// return and compare with); `Base` the layer below.

template <class Self, class Base>
class FCCompare : public Base {
public:
    using value_type = typename Base::value_type;
    using Base::Base;

    bool operator==(const Self& other) const { return this->GetValue() == other.GetValue(); }
    bool operator!=(const Self& other) const { return !(*this == other); }
    bool operator==(const value_type& value) const { return this->GetValue() == value; }
    bool operator!=(const value_type& value) const { return !(*this == value); }
};

// Logical operators that store their result: the value becomes 1 or 0.
template <class Self, class Base>
class FCLogicalOps : public Base {
public:
    using value_type = typename Base::value_type;
    using Base::Base;

    Self& operator!() { return Store(this->GetValue() == 0); }
    Self& operator&&(int other) { return Store(this->GetValue() != 0 && other != 0); }
    Self& operator||(int other) { return Store(this->GetValue() != 0 || other != 0); }

private:
    Self& Store(bool result)
    {
        this->SetValue(static_cast<value_type>(result ? 1 : 0));
        return static_cast<Self&>(*this);
    }
};

// The arithmetic and bitwise compound operators of the signed integer fields.
// Computed in 32-bit unsigned arithmetic and narrowed back, so overflow wraps
// instead of being undefined.
template <class Self, class Base>
class FCIntegerOps : public Base {
public:
    using value_type = typename Base::value_type;
    static_assert(std::is_integral_v<value_type> && std::is_signed_v<value_type>);
    using Base::Base;

    Self& operator+=(value_type v) { return Store(Bits(this->GetValue()) + Bits(v)); }
    Self& operator-=(value_type v) { return Store(Bits(this->GetValue()) - Bits(v)); }
    Self& operator*=(value_type v) { return Store(Bits(this->GetValue()) * Bits(v)); }
    Self& operator/=(value_type v)
    {
        if (HasQuotient(v))
            this->SetValue(static_cast<value_type>(this->GetValue() / v));
        return static_cast<Self&>(*this);
    }
    Self& operator%=(value_type v)
    {
        if (HasQuotient(v))
            this->SetValue(static_cast<value_type>(this->GetValue() % v));
        return static_cast<Self&>(*this);
    }
    Self& operator<<=(int count) { return Store(Bits(this->GetValue()) << (count & 31)); }
    Self& operator>>=(int count)
    {
        // Arithmetic shift: the sign is kept.
        const int32_t wide = this->GetValue();
        return Store(static_cast<uint32_t>(wide >> (count & 31)));
    }
    Self& operator~() { return Store(~Bits(this->GetValue())); }
    Self& operator&=(value_type v) { return Store(Bits(this->GetValue()) & Bits(v)); }
    Self& operator|=(value_type v) { return Store(Bits(this->GetValue()) | Bits(v)); }

private:
    static uint32_t Bits(value_type v) { return static_cast<uint32_t>(static_cast<int32_t>(v)); }
    // The low bits of the 32-bit result, as the field's type.
    Self& Store(uint32_t bits)
    {
        this->SetValue(static_cast<value_type>(static_cast<int32_t>(bits)));
        return static_cast<Self&>(*this);
    }
    // A quotient exists unless the divisor is 0 or the 32-bit division by -1
    // of the lowest value would overflow.
    bool HasQuotient(value_type v) const
    {
        if (v == 0)
            return false;
        return !(sizeof(value_type) >= sizeof(int32_t) && v == -1 &&
                 this->GetValue() == std::numeric_limits<value_type>::min());
    }
};

template <class Self, class Base>
class FCFloatOps : public Base {
public:
    using Base::Base;

    Self& operator+=(float v) { return Store(this->GetValue() + v); }
    Self& operator-=(float v) { return Store(this->GetValue() - v); }
    Self& operator*=(float v) { return Store(this->GetValue() * v); }
    Self& operator/=(float v) { return Store(this->GetValue() / v); }   // as floats: x/0 is ±inf or NaN

private:
    Self& Store(float value)
    {
        this->SetValue(value);
        return static_cast<Self&>(*this);
    }
};

// Bit access for the fields that offer it: bit n of the value (0 the least
// significant) for n in 0..Bits-1; outside that range Get gives 0 and Set
// does nothing. Set stores 1 when the low byte of `on` is non-zero.
template <class Self, class Base, int Bits>
class FCBitAccess : public Base {
public:
    using value_type = typename Base::value_type;
    using Base::Base;

    int GetBitValue(int n) const
    {
        if (n < 0 || n >= Bits)
            return 0;
        return static_cast<int>((static_cast<uint32_t>(this->GetValue()) >> n) & 1u);
    }
    void SetBitValue(int n, int on)
    {
        if (n < 0 || n >= Bits)
            return;
        auto bits = static_cast<uint32_t>(this->GetValue());
        const uint32_t mask = 1u << n;
        bits = (on & 0xFF) ? (bits | mask) : (bits & ~mask);
        this->SetValue(static_cast<value_type>(bits));
    }
};

// ---------------------------------------------------------------------------
// The fields. Each has a default constructor (value 0), a copy constructor,
// an explicit constructor from its value and a destructor.

// An int used as true or false.
class FCBool : public FCLogicalOps<FCBool, FCCompare<FCBool, FCStored<int>>> {
public:
    using FCLogicalOps::FCLogicalOps;
};

class FCByte
    : public FCBitAccess<FCByte, FCLogicalOps<FCByte, FCCompare<FCByte, FCPackedByte>>, 8> {
public:
    using FCBitAccess::FCBitAccess;
};

class FCChar : public FCIntegerOps<FCChar, FCCompare<FCChar, FCStored<signed char>>> {
public:
    using FCIntegerOps::FCIntegerOps;
};

// A 32-bit colour reference (red in the low byte, then green, then blue).
class FCColor : public FCLogicalOps<FCColor, FCCompare<FCColor, FCStored<uint32_t>>> {
public:
    using FCLogicalOps::FCLogicalOps;
};

class FCDWord : public FCLogicalOps<FCDWord, FCCompare<FCDWord, FCStored<uint32_t>>> {
public:
    using FCLogicalOps::FCLogicalOps;
};

class FCFloat : public FCFloatOps<FCFloat, FCCompare<FCFloat, FCStored<float>>> {
public:
    using FCFloatOps::FCFloatOps;
};

class FCInt
    : public FCBitAccess<FCInt, FCIntegerOps<FCInt, FCCompare<FCInt, FCStored<int32_t>>>, 32> {
public:
    using FCBitAccess::FCBitAccess;
};

class FCLong : public FCIntegerOps<FCLong, FCCompare<FCLong, FCStored<int32_t>>> {
public:
    using FCIntegerOps::FCIntegerOps;
};

class FCPoint : public FCCompare<FCPoint, FCStored<MCPoint>> {
public:
    using FCCompare::FCCompare;
};

class FCRect : public FCCompare<FCRect, FCStored<MCRect>> {
public:
    using FCCompare::FCCompare;
};

class FCSize : public FCCompare<FCSize, FCStored<MCSize>> {
public:
    using FCCompare::FCCompare;
};

// A time (0.0 in mode 0 by default); compares with the MCTime comparison.
class FCTime : public FCCompare<FCTime, FCStored<MCTime>> {
public:
    using FCCompare::FCCompare;
};

class FCWord : public FCLogicalOps<FCWord, FCCompare<FCWord, FCStored<uint16_t>>> {
public:
    using FCLogicalOps::FCLogicalOps;
};
