// The one colour the notation draws staves and rulers in.
//
// Process-wide: the view loads it from the profile when it is built and again
// when preferences change; the conductor ruler and the staff displays read
// the same holder (never a copy). Until it is loaded or set it follows the
// system's button-shadow colour. UI thread only.
#pragma once

#include "platform/ui/geometry.h"

#include <optional>

class MCStaffColor {
public:
    COLORREF Get() const;
    void Set(COLORREF color) { m_color = color; }
    // "Views\Music Score" "StaffColor", the button-shadow colour when absent.
    void LoadFromProfile();
    // Back to following the system colour.
    void Reset() { m_color.reset(); }

private:
    std::optional<COLORREF> m_color;   // none: the system colour of the moment
};

// The holder.
MCStaffColor& StaffColor();
