// MCStaffRuler: the vertical layout of the staves of a system, the counterpart
// of the measure rulers.
//
// Pagination sizes it to the conductor's staves, decides which are shown,
// records per staff its offset in the system and the room above and below
// it, keeps one record per system laid out, and sets the heights of the
// conductor staff's eight text levels; display elements read them to place
// barlines, brackets, dynamics, texts and lyrics. Values are layout units
// (1440 per inch), y upward, so places below a system's top are negative.
//
// Lookups past the last record answer 0 and setters there do nothing: a
// display element may ask for a staff pagination has not sized yet.
// The conductor staff's display object owns one by value. UI thread only.
#pragma once

#include <cstdint>
#include <vector>

class ECConductor;

class MCStaffRuler {
public:
    using BYTE = std::uint8_t;

    struct SystemInfo {
        int reserved = 0;
        int y = 0;           // the system's top
    };

    struct StaffSpacing {
        int staffY = 0;      // the staff's offset within its system
        int spaceAbove = 0;
        int spaceBelow = 0;  // offset of the area below the staff
        int lyricY = 0;      // offset of the first lyric line
        int lyricCount = 0;  // read for lyric positions
    };

    static constexpr int TEXT_LEVELS = 8;
    static constexpr int DEFAULT_HEIGHT = 2880;   // two inches

    MCStaffRuler();
    virtual ~MCStaffRuler();

    // A record for every staff of the conductor (new ones zero), all shown.
    void Init(ECConductor* conductor);
    void Init(int staffCount);
    // Sized again after staves were added or removed; an added staff is shown
    // unless one staff alone is displayed.
    void Update(ECConductor* conductor);
    void Update(int staffCount);

    // 0: every staff; n > 0: staff n (from 1) alone.
    void SetDisplay(int n);
    void SetStaffShown(int i, BYTE shown);
    int IsStaffShown(int i) const;
    int GetStaffCount() const { return static_cast<int>(m_shown.size()); }
    int GetShownStaffCount() const;
    // The highest shown staff's index; 0 when none is shown.
    int GetLastShownStaff() const;
    int IsSingleStaff() const { return m_singleStaff; }

    // Staff records by index from 0.
    void SetStaffY(int i, int v) { Set(i, &StaffSpacing::staffY, v); }
    int GetStaffY(int i) const { return Get(i, &StaffSpacing::staffY); }
    void SetSpaceAbove(int i, int v) { Set(i, &StaffSpacing::spaceAbove, v); }
    int GetSpaceAbove(int i) const { return Get(i, &StaffSpacing::spaceAbove); }
    void SetSpaceBelow(int i, int v) { Set(i, &StaffSpacing::spaceBelow, v); }
    int GetSpaceBelow(int i) const { return Get(i, &StaffSpacing::spaceBelow); }
    void SetLyricY(int i, int v) { Set(i, &StaffSpacing::lyricY, v); }
    int GetLyricY(int i) const { return Get(i, &StaffSpacing::lyricY); }
    // Staff n from 1.
    int GetLyricCount(int n) const { return Get(n - 1, &StaffSpacing::lyricCount); }
    int GetLyricSpacing() const { return m_lyricSpacing; }

    void SetSystemHeight(int v) { m_systemHeight = v; }
    int GetSystemHeight() const { return m_systemHeight; }
    int GetDefaultHeight() const { return m_defaultHeight; }

    // The record of system n; asking for the next one past those in use
    // takes it into use (the array grows five records at a time).
    SystemInfo& GetSystem(int n);
    int GetSystemsUsed() const { return m_systemsUsed; }
    int GetSystemCapacity() const { return static_cast<int>(m_systems.size()); }
    // The first system in use whose top is not above y; 0 when none.
    int FindSystem(int y) const;

    int GetTextLevel(int n) const { return n >= 0 && n < TEXT_LEVELS ? m_textLevels[n] : 0; }
    // Level 0 at the printable area's top, 1-3 a quarter of the way from the
    // paper's top to two inches below the page's top, 4-7 two inches down.
    void InitTextLevels();
    // Puts level n + 1 `height` below level n; the later levels of its group
    // (0-3, 4-6, 6-7) keep their distances. Level n stays.
    void AdjustTextLevels(BYTE n, int height);

private:
    void Set(int i, int StaffSpacing::*field, int v);
    int Get(int i, int StaffSpacing::*field) const;

    std::vector<BYTE> m_shown;
    std::vector<SystemInfo> m_systems;
    std::vector<StaffSpacing> m_staves;
    int m_textLevels[TEXT_LEVELS] = {};
    int m_systemsUsed = 0;
    int m_systemHeight = 0;
    int m_lyricSpacing = 0;
    int m_defaultHeight = DEFAULT_HEIGHT;
    int m_singleStaff = 0;
};
