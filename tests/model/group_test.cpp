// Staff grouping: the two group tables after insertions, removals and grouping
// requests, word by word, with the archive bytes of every result; how a range
// meets a table; staves beyond the 8-bit fields; damaged archive input.
//
// Table words read 0x00KKLLFF: FF the first staff, LL the last, KK the kind
// with 4 added when the entry is in use (04 kind 0, 05 kind 1, 06 plain kind 2);
// a freed entry keeps its staves and kind (0x00020202 is a freed plain {2,2}).
#include "model/group.h"

#include "platform/core/archive.h"
#include "platform/core/exceptions.h"
#include "platform/core/file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using Words = std::vector<uint32_t>;
using Bytes = std::vector<uint8_t>;

// Opens the protected classification to the tests.
class GroupProbe : public MCGroup {
public:
    int RelationOfPrimary(int first, int last) const { return Relation(GetPrimaryGroup(), first, last); }
};

Words WordsOf(const MCGroup::GroupTable& table)
{
    Words words;
    for (const auto& e : table)
        words.push_back(e.GetWord());
    return words;
}

Bytes Store(MCGroup& group)
{
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        group.Serialize(ar);
        ar.Close();
    }
    return file.Detach();
}

void Load(MCGroup& group, const Bytes& bytes)
{
    CMemFile file(bytes);
    CArchive ar(&file, CArchive::load);
    group.Serialize(ar);
}

// The archive form written out by hand: per table a 16-bit count, then each
// word little-endian.
Bytes Encode(const Words& primary, const Words& secondary)
{
    Bytes bytes;
    for (const Words* table : {&primary, &secondary}) {
        bytes.push_back(static_cast<uint8_t>(table->size()));
        bytes.push_back(static_cast<uint8_t>(table->size() >> 8));
        for (uint32_t w : *table)
            for (int shift = 0; shift < 32; shift += 8)
                bytes.push_back(static_cast<uint8_t>(w >> shift));
    }
    return bytes;
}

// One operation on the group, as the conductor staff or the notation asks it.
struct Op {
    enum What { Insert, Remove, Group, RemovePrimary, RemoveSecondary, RemoveAll } what;
    int a = 0;
    int b = 0;
    unsigned char kind = 0;
};
using Ops = std::vector<Op>;

Op Ins(int track, unsigned char kind = 2) { return {Op::Insert, track, 0, kind}; }
Op Rem(int track) { return {Op::Remove, track}; }
Op Grp(int first, int last, unsigned char kind) { return {Op::Group, first, last, kind}; }
Op RemP(int index) { return {Op::RemovePrimary, index}; }
Op RemS(int index) { return {Op::RemoveSecondary, index}; }
Op Clear() { return {Op::RemoveAll}; }

// Staves 1 to n inserted in turn, each of plain kind.
Ops Staves(int n, Ops then = {})
{
    Ops ops;
    for (int s = 1; s <= n; ++s)
        ops.push_back(Ins(s));
    ops.insert(ops.end(), then.begin(), then.end());
    return ops;
}

void Apply(MCGroup& group, const Op& op)
{
    switch (op.what) {
    case Op::Insert: group.InsertTrack(op.a, op.kind); break;
    case Op::Remove: group.RemoveTrack(op.a); break;
    case Op::Group: group.GroupTracks(op.a, op.b, op.kind); break;
    case Op::RemovePrimary: group.RemovePrimaryGroup(op.a); break;
    case Op::RemoveSecondary: group.RemoveSecondaryGroup(op.a); break;
    case Op::RemoveAll: group.RemoveAll(); break;
    }
}

struct Case {
    const char* name;
    Words startPrimary, startSecondary;   // loaded before the operations
    Ops ops;
    Words primary, secondary;             // the tables afterwards
};

// Runs each case, checks both tables word by word, the bytes they archive to,
// and that those bytes load back into the same tables.
void RunCases(const std::vector<Case>& cases)
{
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MCGroup group;
        Load(group, Encode(c.startPrimary, c.startSecondary));
        for (const Op& op : c.ops)
            Apply(group, op);
        EXPECT_EQ(WordsOf(group.GetPrimaryGroup()), c.primary);
        EXPECT_EQ(WordsOf(group.GetSecondaryGroup()), c.secondary);

        const Bytes bytes = Store(group);
        EXPECT_EQ(bytes, Encode(c.primary, c.secondary));
        MCGroup reloaded;
        Load(reloaded, bytes);
        EXPECT_EQ(reloaded.GetPrimaryGroup(), group.GetPrimaryGroup());
        EXPECT_EQ(reloaded.GetSecondaryGroup(), group.GetSecondaryGroup());
    }
}

} // namespace

TEST(MCGroup, GroupingCases)
{
    const Words plain4 = {0x00060101, 0x00060202, 0x00060303, 0x00060404, 0};
    RunCases({
        {"three plain staves: one-staff groups, then the free slots of the growth by 5", {}, {},
         Staves(3),
         {0x00060101, 0x00060202, 0x00060303, 0, 0},
         {0x00060101, 0x00060202, 0x00060303, 0, 0}},
        {"staves of staff type 1: kind 1 in the primary table only", {}, {},
         {Ins(1, 1), Ins(2, 1), Ins(3, 1)},
         {0x00050101, 0x00050202, 0x00050303, 0, 0},
         {0x00060101, 0x00060202, 0x00060303, 0, 0}},
        {"a staff inserted at 2 inside {1,3} grows it to {1,4}; later groups move down", {}, {},
         Staves(4, {Grp(1, 3, 0), Ins(2)}),
         {0x00040401, 0x00020202, 0x00060505, 0},
         {0x00060101, 0x00060202, 0x00060303, 0x00060404, 0x00060505, 0}},
        {"a staff inserted at 2 where {2,2} starts goes before it", {}, {},
         Staves(3, {Ins(2)}),
         {0x00060101, 0x00060202, 0x00060303, 0x00060404, 0, 0},
         {0x00060101, 0x00060202, 0x00060303, 0x00060404, 0, 0}},
        {"a free slot ahead of a spanning group takes the staff; nothing moves",
         {0, 0, 0x00040301}, {},
         {Ins(2)},
         {0x00060202, 0x00040301},
         {0x00060202, 0, 0, 0, 0}},
        {"removing staff 2 of {1,3} shrinks it to {1,2}", {}, {},
         Staves(4, {Grp(1, 3, 0), Rem(2)}),
         {0x00040201, 0x00020202, 0x00060303, 0},
         {0x00060101, 0x00020202, 0x00060202, 0x00060303, 0}},
        {"removing staff 1 of {1,3} dissolves it; its other staves keep no entry", {}, {},
         Staves(4, {Grp(1, 3, 0), Rem(1)}),
         {0x00000301, 0x00020202, 0x00060303, 0},
         {0x00020101, 0x00060101, 0x00060202, 0x00060303, 0}},
        {"removing staff 0 leaves the one-staff group {0,0}", {0x00040300}, {},
         {Rem(0)},
         {0x00040000},
         {}},
        {"each run of free slots loses one slot per clean; trailing slots stay",
         {0x00060101, 0, 0, 0x00060404, 0x00060505, 0, 0, 0, 0x00060909, 0, 0}, {},
         {Rem(12)},
         {0x00060101, 0, 0x00060404, 0x00060505, 0, 0, 0x00060909, 0, 0},
         {}},
        {"grouping 1 to 3 over plain groups frees them and records {1,3}", {}, {},
         Staves(3, {Grp(1, 3, 0)}),
         {0x00040301, 0x00020202, 0x00020303, 0, 0},
         {0x00060101, 0x00060202, 0x00060303, 0, 0}},
        {"grouping 1 to 4 around kind-1 {2,3} hands {2,3} to the secondary table", {}, {},
         Staves(4, {Grp(2, 3, 1), Grp(1, 4, 0)}),
         {0x00040401, 0x00010302, 0x00020303, 0x00020404, 0},
         {0x00060101, 0x00050302, 0x00020303, 0x00060404, 0}},
        {"a promoted group stays beside a secondary group it crosses; a full table grows",
         {0x00050302}, {0x00050503},
         {Grp(1, 4, 0)},
         {0x00040401},
         {0x00050503, 0x00050302, 0, 0, 0, 0}},
        {"the same with kind 1 changes nothing", {}, {},
         Staves(4, {Grp(2, 3, 1), Grp(1, 4, 1)}),
         {0x00060101, 0x00050302, 0x00020303, 0x00060404, 0},
         plain4},
        {"grouping 2 to 4 across {1,3} is refused", {}, {},
         Staves(4, {Grp(1, 3, 0), Grp(2, 4, 0)}),
         {0x00040301, 0x00020202, 0x00020303, 0x00060404, 0},
         plain4},
        {"a plain group is free space: 2 to 4 may cross a plain {1,3}", {}, {},
         Staves(4, {Grp(1, 3, 2), Grp(2, 4, 0)}),
         {0x00060301, 0x00040402, 0x00020303, 0x00020404, 0},
         plain4},
        {"a range inside an outer group becomes an inner group", {}, {},
         Staves(4, {Grp(1, 4, 0), Grp(2, 3, 1)}),
         {0x00040401, 0x00020202, 0x00020303, 0x00020404, 0},
         {0x00060101, 0x00050302, 0x00020303, 0x00060404, 0}},
        {"a kind-1 range equal to an outer group nests in it", {}, {},
         Staves(4, {Grp(2, 3, 1), Grp(2, 3, 1)}),
         {0x00060101, 0x00050302, 0x00020303, 0x00060404, 0},
         {0x00060101, 0x00050302, 0x00020303, 0x00060404, 0}},
        {"an equal range of another kind changes nothing", {}, {},
         Staves(4, {Grp(2, 3, 1), Grp(2, 3, 0)}),
         {0x00060101, 0x00050302, 0x00020303, 0x00060404, 0},
         plain4},
        {"an inner range crossing an inner group is refused", {}, {},
         Staves(4, {Grp(1, 4, 0), Grp(2, 3, 1), Grp(3, 4, 1)}),
         {0x00040401, 0x00020202, 0x00020303, 0x00020404, 0},
         {0x00060101, 0x00050302, 0x00020303, 0x00060404, 0}},
        {"a full primary table records no new group", {0x00060101, 0x00060202}, {},
         {Grp(3, 4, 0)},
         {0x00060101, 0x00060202},
         {}},
        // No staff is inserted: the secondary table and the other groups stay.
        {"dissolving {1,3} gives its staves plain groups again", {}, {},
         Staves(4, {Grp(1, 3, 0), RemP(0)}),
         {0x00060101, 0x00060202, 0x00060303, 0x00060404, 0},
         {0x00060101, 0x00060202, 0x00060303, 0x00060404, 0}},
        {"dissolving {1,2} leaves the inner group of {3,4} where it was", {}, {},
         Staves(4, {Grp(1, 2, 0), Grp(3, 4, 0), Grp(3, 4, 1), RemP(0)}),
         {0x00060101, 0x00040403, 0x00060202, 0x00020404, 0},
         {0x00060101, 0x00060202, 0x00050403, 0x00020404, 0}},
        {"removing an inner group frees it and cleans both tables", {}, {},
         Staves(4, {Grp(1, 4, 0), Grp(2, 3, 1), RemS(1)}),
         {0x00040401, 0x00020202, 0x00020303, 0x00020404, 0},
         {0x00060101, 0x00010302, 0x00060404, 0}},
        {"remove all frees every entry and keeps the sizes", {}, {},
         Staves(2, {Clear()}),
         {0x00020101, 0x00020202, 0, 0, 0},
         {0x00020101, 0x00020202, 0, 0, 0}},
    });
}

TEST(MCGroup, ArchiveBytesOfNestedGroups)
{
    MCGroup group;
    for (int s = 1; s <= 4; ++s)
        group.InsertTrack(s, 2);
    group.GroupTracks(2, 3, 1);
    group.GroupTracks(1, 4, 0);
    const Bytes expected = {
        0x05, 0x00,                                       // primary: 5 entries
        0x01, 0x04, 0x04, 0x00, 0x02, 0x03, 0x01, 0x00, 0x03, 0x03, 0x02, 0x00,
        0x04, 0x04, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
        0x05, 0x00,                                       // secondary: 5 entries
        0x01, 0x01, 0x06, 0x00, 0x02, 0x03, 0x05, 0x00, 0x03, 0x03, 0x02, 0x00,
        0x04, 0x04, 0x06, 0x00, 0x00, 0x00, 0x00, 0x00,
    };
    EXPECT_EQ(Store(group), expected);
}

TEST(MCGroup, RelationOfARangeToTheTable)
{
    const struct { const char* name; Words table; int first, last, expected; } cases[] = {
        {"empty table", {}, 1, 3, 4},
        {"only plain groups", {0x00060101, 0x00060302}, 1, 2, 4},
        {"free entries are not seen", {0x00010401}, 2, 3, 4},
        {"groups inside the range", {0x00060101, 0x00050302, 0x00060404}, 1, 4, 1},
        {"a group strictly around it", {0x00040401}, 2, 3, 0},
        {"a group equal to it", {0x00050302}, 2, 3, 3},
        {"a group it crosses", {0x00040301}, 2, 4, 2},
        {"a crossing after an inside group still counts", {0x00050202, 0x00040504}, 1, 4, 2},
    };
    for (const auto& c : cases) {
        GroupProbe group;
        Load(group, Encode(c.table, {}));
        EXPECT_EQ(group.RelationOfPrimary(c.first, c.last), c.expected) << c.name;
    }
}

TEST(MCGroup, StavesAbove255AreRefused)
{
    const Words two = {0, 0x00060101};   // a clean would drop the free slot
    RunCases({
        {"a range ending past 255", two, {}, {Grp(250, 256, 0)}, two, {}},
        {"a range starting past 255", two, {}, {Grp(256, 256, 0)}, two, {}},
        {"a range from staff 0", two, {}, {Grp(0, 1, 0)}, two, {}},
        {"a range backwards", two, {}, {Grp(2, 1, 0)}, two, {}},
        {"a kind above 3", two, {}, {Grp(1, 1, 4)}, two, {}},
        {"inserting staff 256", two, two, {Ins(256)}, two, two},
        {"inserting staff 0", two, two, {Ins(0)}, two, two},
        {"removing staff 256", two, two, {Rem(256)}, two, two},
        {"grouping up to 255 is allowed", {0x0006FAFA}, {}, {Grp(250, 255, 0)}, {0x0004FFFA}, {}},
        {"staff 255 pushed down leaves the table instead of wrapping to 0",
         {0x00060101, 0x0006FFFF}, {}, {Ins(1)},
         {0x00060101, 0x00060202, 0x0002FFFF}, {0x00060101, 0, 0, 0, 0}},
        {"a group reaching 255 pushed down ends at 255", {0x00060101, 0x0004FFFA}, {}, {Ins(1)},
         {0x00060101, 0x00060202, 0x0004FFFB}, {0x00060101, 0, 0, 0, 0}},
        {"a group grown at 255 stays within 255", {0x0004FFFA}, {}, {Ins(252)},
         {0x0004FFFA}, {0x0006FCFC, 0, 0, 0, 0}},
    });
}

TEST(MCGroup, DamagedArchiveInput)
{
    MCGroup source;
    for (int s = 1; s <= 3; ++s)
        source.InsertTrack(s, 2);
    source.GroupTracks(1, 2, 1);
    const Bytes bytes = Store(source);

    // Every truncation throws and leaves the tables that were there.
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        MCGroup group;
        group.InsertTrack(1, 1);
        const Words primary = WordsOf(group.GetPrimaryGroup());
        const Words secondary = WordsOf(group.GetSecondaryGroup());
        try {
            Load(group, Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(cut)));
            ADD_FAILURE() << "no exception at " << cut;
        } catch (const CArchiveException& e) {
            EXPECT_EQ(e.m_cause, CArchiveException::endOfFile) << cut;
        }
        EXPECT_EQ(WordsOf(group.GetPrimaryGroup()), primary) << cut;
        EXPECT_EQ(WordsOf(group.GetSecondaryGroup()), secondary) << cut;
    }

    // A count far beyond the data is refused before anything is allocated.
    MCGroup group;
    EXPECT_THROW(Load(group, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0x01, 0x01, 0x06, 0x00}), CArchiveException);
    EXPECT_TRUE(group.GetPrimaryGroup().empty());

    // The long count form loads, and bits above the in-use bit never enter a table.
    Load(group, {0xFF, 0xFF, 0x01, 0x00, 0x00, 0x00, 0x01, 0x01, 0xF6, 0xFF, 0x00, 0x00});
    EXPECT_EQ(WordsOf(group.GetPrimaryGroup()), (Words{0x00060101}));
    EXPECT_TRUE(group.GetSecondaryGroup().empty());
}
