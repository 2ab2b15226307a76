#include "interface/controls/programentry.h"

#include <string>

int MCProgramEntry::TypeFromText(const std::string& text) {
    if (text == "GM")
        return TYPE_GM;
    if (text == "GS")
        return TYPE_GS;
    if (text == "XG")
        return TYPE_XG;
    return TYPE_PLAIN;
}

std::unique_ptr<MCProgramEntry> MCProgramEntry::Make(int type) {
    switch (type) {
    case TYPE_GM: return std::make_unique<MCProgramEntryGM>();
    case TYPE_GS: return std::make_unique<MCProgramEntryGS>();
    case TYPE_XG: return std::make_unique<MCProgramEntryXG>();
    default: return std::make_unique<MCProgramEntry>();
    }
}
