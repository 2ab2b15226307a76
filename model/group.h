// MCGroup: how the staves of a piece are grouped for notation.
//
// A group is a run of consecutive staves joined under one bracket or brace,
// named by its first and last staff number (the conductor staff's 1-based
// numbers) and a kind. Two tables keep two levels: the primary table holds the
// outer groups, the secondary table the groups nested inside them. Each entry
// is one 32-bit word (tag_group); an entry whose in-use bit is clear is a free
// slot, which every reader skips. Entries are not sorted: each table keeps the
// order in which entries were placed, with free slots between and after them.
//
// Kind 2 is the plain kind: each staff inserted gets a plain one-staff group
// (kind 1 in the primary table for a staff of staff type 1), plain groups count
// as free space when a new group is placed, and they are never moved to the
// secondary table. User grouping replaces plain groups by larger ones and moves
// enclosed non-plain groups to the secondary level; removing a primary group
// gives its staves plain groups again.
//
// Staff numbers live in 8-bit fields, so only staves 1 to 255 are grouped: a
// request for a staff outside that range is refused, and an insertion or
// removal never wraps a number. An entry pushed past staff 255 leaves its
// table (it is freed) and a group that would grow past 255 ends at 255.
//
// The archive form (Serialize) is, for the primary then the secondary table,
// the entry count in the archive's count form and every word little-endian,
// free slots included; no schema. The conductor staff owns one MCGroup, keeps
// it in step as staves come and go, and archives it in its after-load pass.
//
// UI thread only, like the event tree that owns it.
#pragma once

#include "platform/core/object.h"

#include <cstdint>
#include <vector>

class MCGroup : public CObject {
public:
    // One entry: bits 0-7 first staff, bits 8-15 last staff (at least the
    // first), bits 16-17 kind, bit 18 in use, bits 19-31 always 0.
    // All zero is a free slot. Freeing an entry clears only its in-use bit.
    struct tag_group {
        tag_group() = default;
        // Bits 19-31 are dropped, so a damaged word cannot break the rule above.
        explicit tag_group(uint32_t word) : m_word(word & WORD_MASK) {}
        // An in-use entry; each value is cut to its field.
        static tag_group Make(int first, int last, int kind);

        int GetFirst() const { return static_cast<int>(m_word & 0xFF); }
        int GetLast() const { return static_cast<int>((m_word >> 8) & 0xFF); }
        int GetKind() const { return static_cast<int>((m_word >> 16) & 0x3); }
        bool IsInUse() const { return (m_word & IN_USE) != 0; }
        uint32_t GetWord() const { return m_word; }

        void SetFirst(int first);
        void SetLast(int last);
        void SetInUse(bool inUse);

        bool operator==(const tag_group& other) const = default;

        static constexpr uint32_t IN_USE = 1u << 18;
        static constexpr uint32_t WORD_MASK = 0x0007FFFF;

    private:
        uint32_t m_word = 0;
    };
    using GroupTable = std::vector<tag_group>;

    // The highest staff number the 8-bit fields hold.
    static constexpr int MAX_STAFF = 255;
    // The plain kind, and the kind of a staff of staff type 1.
    static constexpr unsigned char KIND_PLAIN = 2;
    static constexpr unsigned char KIND_STAFF_TYPE_1 = 1;

    // Two empty tables.
    MCGroup() = default;
    MCGroup(const MCGroup& other) = default;
    MCGroup& operator=(const MCGroup& other) = default;
    ~MCGroup() override = default;

    // A staff was inserted at number `track`: an existing group starting there
    // moves one staff down behind a new one-staff group, a group spanning it
    // grows, or the staff gets a one-staff group of `kind` in a free slot (of
    // kind 2 in the secondary table). Refused for a staff outside 1..255.
    void InsertTrack(int track, unsigned char kind);
    // The staff numbered `track` was removed: the first group starting there is
    // dissolved (with staff 0 it shrinks to {0, 0}), or the first group spanning
    // it shrinks; later entries move one staff up. Refused above staff 255.
    void RemoveTrack(int track);
    // Makes staves first to last a group of `kind` (0 to 3): a new outer group
    // over plain groups or around inner ones, or an inner group inside or equal
    // to an outer one; a crossing range and a kind-1 range around a non-plain
    // group change nothing, nor does a range outside 1..255 or a kind above 3.
    void GroupTracks(int first, int last, unsigned char kind);
    // Dissolves the primary entry at `index`; each of its staves gets a plain
    // one-staff group again, and nothing else moves. An index outside the
    // table or a free entry changes nothing.
    void RemovePrimaryGroup(int index);
    // Frees the secondary entry at `index` and cleans both tables. An index
    // outside the table changes nothing.
    void RemoveSecondaryGroup(int index);
    // Frees every entry of both tables; the tables keep their sizes.
    void RemoveAll();

    // The tables, for readers that walk their in-use entries.
    const GroupTable& GetPrimaryGroup() const { return m_primary; }
    const GroupTable& GetSecondaryGroup() const { return m_secondary; }

    // Stores or loads both tables (see the header). A load that fails (a count
    // beyond the data, data ending early) throws CArchiveException and leaves
    // both tables as they were.
    void Serialize(CArchive& ar) override;

protected:
    // Every in-use entry after position `index` moves `delta` staves; one that
    // would leave 0..255 is freed, and a last staff past 255 stays at 255.
    void UpdateFrom(GroupTable& table, int index, int delta);
    // One pass that drops one free slot from each run of free slots followed
    // by an in-use entry; free slots at the end stay.
    void CleanTable(GroupTable& table);
    // How the range first..last meets the table's groups: 4 it meets only plain
    // groups (or none); otherwise, scanning all groups in order, 0 a group
    // strictly contains it, 3 a group equals it, 2 it crosses a group's bounds
    // (each ends the scan at the first such group), else 1 when groups lie inside
    // it, else -1.
    int Relation(const GroupTable& table, int first, int last) const;
    // An outer group first..last; the non-plain groups it encloses move to the
    // secondary table and every group it encloses is freed. Not recorded when
    // the primary table has no free slot.
    void GroupPrimary(int first, int last, unsigned char kind);
    // An inner group first..last, when it meets the secondary groups only as a
    // free space or around them; enclosed secondary groups are freed. Not
    // recorded when the secondary table has no free slot.
    void GroupSecondary(int first, int last, unsigned char kind);
    // Moves an outer group enclosed by a new one into the secondary table: the
    // secondary entries it encloses merge into it (are freed), entries that
    // cross or contain it stay beside it, nothing is renumbered, and the table
    // grows by five free slots when it has none.
    void PromoteToSecondary(int first, int last, unsigned char kind);

private:
    // InsertTrack and RemoveTrack on one table.
    void InsertInto(GroupTable& table, int track, unsigned char kind);
    void RemoveFrom(GroupTable& table, int track);
    // The first free slot takes the entry; with none, `grow` adds five free
    // slots at the end first, else the entry is not recorded.
    static void Place(GroupTable& table, int first, int last, unsigned char kind, bool grow);
    static void AppendFreeSlots(GroupTable& table);
    static void StoreTable(CArchive& ar, const GroupTable& table);
    static GroupTable LoadTable(CArchive& ar);

    GroupTable m_primary;     // outer groups
    GroupTable m_secondary;   // groups nested in the outer ones
};
