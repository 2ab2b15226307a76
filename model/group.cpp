// MCGroup: the primary and secondary staff-group tables.
#include "model/group.h"

#include "platform/core/archive.h"

#include <algorithm>
#include <utility>

namespace {

// How far an inserted table grows when it has no free slot left.
constexpr size_t GROWTH = 5;

bool IsStaffInRange(int staff) {
    return staff >= 0 && staff <= MCGroup::MAX_STAFF;
}

// E lies within first..last (the test that frees entries under a new group).
bool IsWithin(const MCGroup::tag_group& e, int first, int last) {
    return e.GetFirst() >= first && e.GetLast() <= last;
}

} // namespace

// ---- tag_group ---------------------------------------------------------------

MCGroup::tag_group MCGroup::tag_group::Make(int first, int last, int kind) {
    tag_group e;
    e.m_word = (static_cast<uint32_t>(first) & 0xFF) | ((static_cast<uint32_t>(last) & 0xFF) << 8) |
               ((static_cast<uint32_t>(kind) & 0x3) << 16) | IN_USE;
    return e;
}

void MCGroup::tag_group::SetFirst(int first) {
    m_word = (m_word & ~0xFFu) | (static_cast<uint32_t>(first) & 0xFF);
}

void MCGroup::tag_group::SetLast(int last) {
    m_word = (m_word & ~0xFF00u) | ((static_cast<uint32_t>(last) & 0xFF) << 8);
}

void MCGroup::tag_group::SetInUse(bool inUse) {
    m_word = inUse ? (m_word | IN_USE) : (m_word & ~IN_USE);
}

// ---- table upkeep -----------------------------------------------------------

void MCGroup::UpdateFrom(GroupTable& table, int index, int delta) {
    for (size_t i = static_cast<size_t>(std::max(index + 1, 0)); i < table.size(); ++i) {
        tag_group& e = table[i];
        if (!e.IsInUse())
            continue;
        const int first = e.GetFirst() + delta;
        const int last = e.GetLast() + delta;
        // The fields are 8 bits wide: a staff moved past 255 (or below 0) is no
        // longer one the table can name, so its group goes instead of wrapping
        // onto a staff at the other end of the score.
        if (!IsStaffInRange(first) || last < 0) {
            e.SetInUse(false);
            continue;
        }
        e.SetFirst(first);
        e.SetLast(std::min(last, MAX_STAFF));
    }
}

void MCGroup::CleanTable(GroupTable& table) {
    // Only the slot directly before an in-use entry goes, so a long run of free
    // slots shrinks by one per call; trailing free slots stay for later groups.
    bool seenFree = false;
    size_t i = 0;
    while (i < table.size()) {
        if (!table[i].IsInUse()) {
            seenFree = true;
            ++i;
        } else if (seenFree) {
            table.erase(table.begin() + static_cast<std::ptrdiff_t>(i - 1));
            seenFree = false;   // the entry now sits at i - 1; i is the next one
        } else {
            ++i;
        }
    }
}

void MCGroup::AppendFreeSlots(GroupTable& table) {
    table.resize(table.size() + GROWTH);
}

void MCGroup::Place(GroupTable& table, int first, int last, unsigned char kind, bool grow) {
    auto slot = std::find_if(table.begin(), table.end(), [](const tag_group& e) { return !e.IsInUse(); });
    if (slot != table.end()) {
        *slot = tag_group::Make(first, last, kind);
        return;
    }
    if (!grow)
        return;
    const size_t at = table.size();
    AppendFreeSlots(table);
    table[at] = tag_group::Make(first, last, kind);
}

// ---- staves inserted and removed -------------------------------------------

void MCGroup::InsertInto(GroupTable& table, int track, unsigned char kind) {
    for (size_t i = 0; i < table.size(); ++i) {
        tag_group& e = table[i];
        if (!e.IsInUse()) {
            // A free slot ahead of every group it might touch: nothing moves.
            e = tag_group::Make(track, track, kind);
            return;
        }
        if (e.GetFirst() == track) {
            // The new staff comes before the group's first: the group and all
            // later ones move one staff down behind a new one-staff group.
            table.insert(table.begin() + static_cast<std::ptrdiff_t>(i), tag_group::Make(track, track, kind));
            UpdateFrom(table, static_cast<int>(i), +1);
            return;
        }
        if (e.GetFirst() < track && track <= e.GetLast()) {
            e.SetLast(std::min(e.GetLast() + 1, MAX_STAFF));
            UpdateFrom(table, static_cast<int>(i), +1);
            return;
        }
    }
    const size_t at = table.size();
    AppendFreeSlots(table);
    table[at] = tag_group::Make(track, track, kind);
}

void MCGroup::InsertTrack(int track, unsigned char kind) {
    if (track < 1 || track > MAX_STAFF)
        return;
    CleanTable(m_primary);
    CleanTable(m_secondary);
    InsertInto(m_primary, track, kind);
    InsertInto(m_secondary, track, KIND_PLAIN);
}

void MCGroup::RemoveFrom(GroupTable& table, int track) {
    for (size_t i = 0; i < table.size(); ++i) {
        tag_group& e = table[i];
        if (!e.IsInUse())
            continue;
        if (e.GetFirst() == track) {
            // A group loses its first staff: it is dissolved, and the staves
            // left of it keep no entry of their own in this table.
            UpdateFrom(table, static_cast<int>(i), -1);
            if (track != 0)
                e.SetInUse(false);
            else
                e.SetLast(0);
            return;
        }
        if (e.GetFirst() < track && track <= e.GetLast()) {
            e.SetLast(e.GetLast() - 1);
            UpdateFrom(table, static_cast<int>(i), -1);
            return;
        }
    }
}

void MCGroup::RemoveTrack(int track) {
    // No entry can name a staff outside the fields' range.
    if (!IsStaffInRange(track))
        return;
    CleanTable(m_primary);
    CleanTable(m_secondary);
    RemoveFrom(m_primary, track);
    RemoveFrom(m_secondary, track);
}

// ---- grouping ---------------------------------------------------------------

int MCGroup::Relation(const GroupTable& table, int first, int last) const {
    // Plain groups are free space: only a non-plain group that overlaps the
    // range makes the shape of the range matter.
    int result = 4;
    for (const tag_group& e : table) {
        if (!e.IsInUse())
            continue;
        const int ef = e.GetFirst();
        const int el = e.GetLast();
        const bool overlaps = (ef >= first || el >= first) && (ef <= last || el <= last);
        if (overlaps && e.GetKind() != KIND_PLAIN) {
            result = -1;
            break;
        }
    }
    if (result == 4)
        return 4;

    for (const tag_group& e : table) {
        if (!e.IsInUse())
            continue;
        const int ef = e.GetFirst();
        const int el = e.GetLast();
        if ((first < ef && el <= last) || (ef >= first && el < last))
            result = 1;   // inside the range; look on
        else if ((ef < first && last <= el) || (ef <= first && last < el))
            return 0;     // strictly contains the range
        else if (ef == first && el == last)
            return 3;
        else if ((ef < first && first <= el) || (ef <= first && first < el) || (ef < last && last <= el) ||
                 (ef <= last && last < el))
            return 2;     // the range crosses its bounds
    }
    return result;
}

void MCGroup::GroupTracks(int first, int last, unsigned char kind) {
    // The fields hold staves up to 255 and kinds up to 3; a group the table
    // cannot name exactly is not made at all.
    if (first < 1 || last > MAX_STAFF || first > last || kind > 3)
        return;
    const int r = Relation(m_primary, first, last);
    if (r == 4 || (r == 1 && kind != KIND_STAFF_TYPE_1))
        GroupPrimary(first, last, kind);
    else if (r == 0 || (r == 3 && kind == KIND_STAFF_TYPE_1))
        GroupSecondary(first, last, kind);
}

void MCGroup::GroupPrimary(int first, int last, unsigned char kind) {
    for (size_t i = 0; i < m_primary.size(); ++i) {
        tag_group& e = m_primary[i];
        if (!e.IsInUse() || !IsWithin(e, first, last))
            continue;
        if (e.GetKind() != KIND_PLAIN)
            PromoteToSecondary(e.GetFirst(), e.GetLast(), static_cast<unsigned char>(e.GetKind()));
        e.SetInUse(false);
    }
    Place(m_primary, first, last, kind, false);
}

void MCGroup::GroupSecondary(int first, int last, unsigned char kind) {
    const int r = Relation(m_secondary, first, last);
    if (r != 4 && r != 1)
        return;
    for (tag_group& e : m_secondary)
        if (e.IsInUse() && IsWithin(e, first, last))
            e.SetInUse(false);
    Place(m_secondary, first, last, kind, false);
}

void MCGroup::PromoteToSecondary(int first, int last, unsigned char kind) {
    // A promotion inserts no staff, so nothing is renumbered. The group merges
    // with what it encloses at the inner level, as an inner group placed there
    // directly would: the plain groups of its own staves, and inner groups that
    // would now nest three deep, which two levels cannot show. Groups that cross
    // or contain it stay beside it unchanged. Unlike a new inner group, a
    // promoted one is never lost: the table grows when it has no free slot.
    for (tag_group& e : m_secondary)
        if (e.IsInUse() && IsWithin(e, first, last))
            e.SetInUse(false);
    Place(m_secondary, first, last, kind, true);
}

void MCGroup::RemovePrimaryGroup(int index) {
    if (index < 0 || static_cast<size_t>(index) >= m_primary.size())
        return;
    tag_group& e = m_primary[static_cast<size_t>(index)];
    if (!e.IsInUse())
        return;
    const int first = e.GetFirst();
    const int last = e.GetLast();
    e.SetInUse(false);
    // Each of its staves stands alone again, in a plain one-staff group of
    // its own, the first in the group's own slot. No staff came or went, so
    // no other group of either table moves.
    for (int s = first; s <= last; ++s)
        Place(m_primary, s, s, KIND_PLAIN, true);
}

void MCGroup::RemoveSecondaryGroup(int index) {
    if (index < 0 || static_cast<size_t>(index) >= m_secondary.size())
        return;
    m_secondary[static_cast<size_t>(index)].SetInUse(false);
    CleanTable(m_primary);
    CleanTable(m_secondary);
}

void MCGroup::RemoveAll() {
    for (tag_group& e : m_primary)
        e.SetInUse(false);
    for (tag_group& e : m_secondary)
        e.SetInUse(false);
}

// ---- archive ----------------------------------------------------------------

void MCGroup::StoreTable(CArchive& ar, const GroupTable& table) {
    ar.WriteCount(table.size());
    for (const tag_group& e : table)
        ar << static_cast<DWORD>(e.GetWord());
}

MCGroup::GroupTable MCGroup::LoadTable(CArchive& ar) {
    // Each entry takes four bytes: a count beyond the data left throws before
    // anything is allocated.
    const DWORD count = ar.ReadCount(sizeof(DWORD));
    GroupTable table(count);
    for (tag_group& e : table) {
        DWORD word = 0;
        ar >> word;
        e = tag_group(word);
    }
    return table;
}

void MCGroup::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        StoreTable(ar, m_primary);
        StoreTable(ar, m_secondary);
        return;
    }
    // Both tables are read before either is replaced, so a damaged archive
    // leaves the groups as they were.
    GroupTable primary = LoadTable(ar);
    GroupTable secondary = LoadTable(ar);
    m_primary = std::move(primary);
    m_secondary = std::move(secondary);
}
