// Typed fields: the flags, values packed into the flag word, the operator
// families (storing logical operators, wrapping integer arithmetic, refused
// divisions), bit access and comparisons.
#include "model/fields.h"
#include "model/filterbase.h"

#include "platform/core/archive.h"
#include "platform/core/file.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <memory>
#include <vector>

TEST(FCBase, FlagsAreIndependentOfTheValue)
{
    FCInt field(42);
    EXPECT_EQ(field.IsDirty(), 1);      // set by every constructor
    EXPECT_EQ(field.IsOverride(), 0);
    field.SetDirty(2);                  // only the lowest bit of the argument counts
    EXPECT_EQ(field.IsDirty(), 0);
    field.SetOverride(3);
    EXPECT_EQ(field.IsOverride(), 1);
    field.SetValue(7);                  // setters do not mark the field
    EXPECT_EQ(field.IsDirty(), 0);
    EXPECT_EQ(field.IsOverride(), 1);

    FCInt copy(field);                  // copies the flags with the value
    EXPECT_EQ(copy.IsDirty(), 0);
    EXPECT_EQ(copy.IsOverride(), 1);
    EXPECT_EQ(copy.GetValue(), 7);
}

TEST(FCByte, ValueLivesInTheFlagWordBesideTheFlags)
{
    FCByte byte(0xA5);
    byte.SetOverride(1);
    byte.SetDirty(0);
    EXPECT_EQ(byte.GetValue(), 0xA5);
    byte.SetValue(0xFF);
    EXPECT_EQ(byte.IsDirty(), 0);
    EXPECT_EQ(byte.IsOverride(), 1);
    byte.SetOverride(0);
    EXPECT_EQ(byte.GetValue(), 0xFF);

    const struct { int bit; int expected; } bits[] = {{0, 1}, {1, 0}, {2, 1}, {7, 1}, {8, 0}, {-1, 0}};
    FCByte pattern(0x85);
    for (const auto& c : bits)
        EXPECT_EQ(pattern.GetBitValue(c.bit), c.expected) << c.bit;
    pattern.SetBitValue(1, 0x100);      // low byte 0: clears
    EXPECT_EQ(pattern.GetValue(), 0x85);
    pattern.SetBitValue(1, 0x101);
    EXPECT_EQ(pattern.GetValue(), 0x87);
    pattern.SetBitValue(8, 1);          // out of range: nothing, flags untouched
    EXPECT_EQ(pattern.GetValue(), 0x87);
    EXPECT_EQ(pattern.IsDirty(), 1);
}

TEST(FCFields, LogicalOperatorsStoreZeroOrOne)
{
    FCBool flag;
    EXPECT_EQ((!flag).GetValue(), 1);
    EXPECT_EQ(flag.GetValue(), 1);      // the field itself changed
    EXPECT_EQ((flag && 0).GetValue(), 0);
    EXPECT_EQ((flag || 5).GetValue(), 1);

    FCDWord dword(0x1234);
    EXPECT_EQ((dword && 7).GetValue(), 1u);
    FCWord word(0);
    EXPECT_EQ((word || 0).GetValue(), 0);
    FCColor color(0x00FF00);
    EXPECT_EQ((!color).GetValue(), 0u);
    FCByte byte(0x40);
    EXPECT_EQ((!byte).GetValue(), 0);
}

TEST(FCFields, IntegerArithmeticWrapsAndRefusesImpossibleDivisions)
{
    FCInt i(5);
    i.SetBitValue(31, 1);
    EXPECT_EQ(i.GetValue(), 5 + INT_MIN);   // 5 - 2^31: bit 31 is the sign
    EXPECT_EQ(i.GetBitValue(31), 1);
    EXPECT_EQ(i.GetBitValue(32), 0);
    i.SetBitValue(32, 1);
    EXPECT_EQ(i.GetValue(), 5 + INT_MIN);

    const struct {
        const char* op;
        int start, operand, expected;
    } cases[] = {
        {"+=", INT_MAX, 1, INT_MIN},
        {"-=", INT_MIN, 1, INT_MAX},
        {"*=", 0x10000, 0x10000, 0},
        {"/=", 7, 0, 7},
        {"/=", INT_MIN, -1, INT_MIN},
        {"/=", -7, 2, -3},
        {"%=", 7, 0, 7},
        {"%=", INT_MIN, -1, INT_MIN},
        {"%=", -7, 3, -1},
        {"<<=", 1, 33, 2},                  // the count is taken modulo 32
        {">>=", -8, 1, -4},                 // the sign is kept
        {"&=", 0x0F, 0x3C, 0x0C},
        {"|=", 0x0F, 0x30, 0x3F},
    };
    for (const auto& c : cases) {
        FCInt intField(c.start);
        FCLong longField(c.start);
        const std::string op = c.op;
        if (op == "+=") { intField += c.operand; longField += c.operand; }
        if (op == "-=") { intField -= c.operand; longField -= c.operand; }
        if (op == "*=") { intField *= c.operand; longField *= c.operand; }
        if (op == "/=") { intField /= c.operand; longField /= c.operand; }
        if (op == "%=") { intField %= c.operand; longField %= c.operand; }
        if (op == "<<=") { intField <<= c.operand; longField <<= c.operand; }
        if (op == ">>=") { intField >>= c.operand; longField >>= c.operand; }
        if (op == "&=") { intField &= c.operand; longField &= c.operand; }
        if (op == "|=") { intField |= c.operand; longField |= c.operand; }
        EXPECT_EQ(intField.GetValue(), c.expected) << c.start << " " << op << " " << c.operand;
        EXPECT_EQ(longField.GetValue(), c.expected) << c.start << " " << op << " " << c.operand;
    }

    FCLong complement(0x0F);
    EXPECT_EQ((~complement).GetValue(), ~0x0F);
    EXPECT_EQ(complement.GetValue(), ~0x0F);
}

TEST(FCFields, CharArithmeticStaysInEightBits)
{
    FCChar c(100);
    c += 100;
    EXPECT_EQ(c.GetValue(), -56);
    c /= 0;
    EXPECT_EQ(c.GetValue(), -56);
    c %= 0;
    EXPECT_EQ(c.GetValue(), -56);
    c >>= 2;
    EXPECT_EQ(c.GetValue(), -14);
    c <<= 36;                           // by 4
    EXPECT_EQ(c.GetValue(), 32);
    FCChar low(-128);
    low /= -1;                          // 128 does not fit: wraps back
    EXPECT_EQ(low.GetValue(), -128);
    EXPECT_EQ((~low).GetValue(), 127);
}

TEST(FCFields, FloatDividesAsFloats)
{
    FCFloat f(3.0f);
    f += 1.0f;
    f *= 2.0f;
    f -= 0.5f;
    f /= 2.0f;
    EXPECT_EQ(f.GetValue(), 3.75f);
    f /= 0.0f;
    EXPECT_TRUE(std::isinf(f.GetValue()));
}

TEST(FCFields, ComparisonsCompareValuesNotFlags)
{
    FCInt a(3), b(3);
    b.SetDirty(0);
    EXPECT_TRUE(a == b);
    EXPECT_TRUE(a == 3);
    EXPECT_TRUE(a != 4);

    const FCPoint point(MCPoint{1, 2});
    EXPECT_TRUE(point == (MCPoint{1, 2}));
    EXPECT_TRUE(point != (MCPoint{2, 1}));
    const FCRect rect(MCRect{0, 0, 10, 20});
    EXPECT_TRUE(rect == (MCRect{0, 0, 10, 20}));
    EXPECT_TRUE(rect != FCRect());
    EXPECT_TRUE(FCSize() == (MCSize{0, 0}));

    // FCTime compares with the time comparison: modes of float times do not count.
    MCTime real(1.0f);
    real.SetMode(TM_REAL);
    FCTime time(real);
    EXPECT_TRUE(time == MCTime(1.0f));
    EXPECT_TRUE(FCTime() == MCTime::TimeZero());
    EXPECT_TRUE(FCTime(MCTime(1, 0, 0, 480)) != MCTime(1.0f));
    MCTime copy = time.GetValue();      // a copy: changing it leaves the field
    copy += MCTime(1.0f);
    EXPECT_EQ(time.GetValue().GetSeconds(), 1.0f);
}

// --- LCBase ----------------------------------------------------------------

namespace {

std::vector<uint8_t> Contents(CMemFile& file)
{
    std::vector<uint8_t> bytes(static_cast<size_t>(file.GetLength()));
    file.SeekToBegin();
    file.Read(bytes.data(), bytes.size());
    return bytes;
}

} // namespace

TEST(LCBase, ArchivesEnabledThenPriority)
{
    LCBase filter;
    EXPECT_EQ(filter.IsEnabled(), 1);
    EXPECT_EQ(filter.GetPriority(), 0);
    filter.SetEnabled(0);
    filter.SetPriority(200);

    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        ar << static_cast<const CObject*>(&filter);
        ar.Close();
    }
    // New class tag: FFFF, schema 2 (the versionable flag is not stored), the name; then the two bytes.
    const std::vector<uint8_t> expected = {0xFF, 0xFF, 0x02, 0x00, 0x06, 0x00, 'L', 'C', 'B', 'a', 's', 'e', 0x00, 0xC8};
    EXPECT_EQ(Contents(file), expected);

    // Versionable: a filter stored with another schema still loads.
    std::vector<uint8_t> otherSchema = expected;
    otherSchema[2] = 0x05;
    for (const auto& bytes : {expected, otherSchema}) {
        CMemFile in;
        in.Write(bytes.data(), bytes.size());
        in.SeekToBegin();
        CArchive ar(&in, CArchive::load);
        LCBase* loaded = nullptr;
        ar >> loaded;
        std::unique_ptr<LCBase> owned(loaded);
        ASSERT_NE(loaded, nullptr);
        EXPECT_EQ(loaded->IsEnabled(), 0);
        EXPECT_EQ(loaded->GetPriority(), 200);
    }

    // Cut short inside the filter's own bytes: an archive error, and the
    // filter keeps both of its values.
    const uint8_t oneByte = 0x00;
    CMemFile cut;
    cut.Write(&oneByte, 1);
    cut.SeekToBegin();
    CArchive ar(&cut, CArchive::load);
    LCBase kept;
    EXPECT_THROW(kept.Serialize(ar), CArchiveException);
    EXPECT_EQ(kept.IsEnabled(), 1);
    EXPECT_EQ(kept.GetPriority(), 0);
}
