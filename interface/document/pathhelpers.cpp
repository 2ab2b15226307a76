#include "interface/document/pathhelpers.h"

#include "platform/core/resources.h"
#include "platform/ui/menu.h"

namespace {

// The longest text a menu item reports to the search.
constexpr size_t kMaxItemText = 255;

// The text up to its first zero.
std::string_view Terminated(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

size_t LastSeparator(std::string_view path) {
    return path.find_last_of("/\\");
}

}  // namespace

std::string MCGetFilePath(std::string_view path) {
    path = Terminated(path);
    size_t separator = LastSeparator(path);
    return std::string(separator == std::string_view::npos ? path : path.substr(0, separator));
}

std::string MCGetFileName(std::string_view path) {
    path = Terminated(path);
    size_t separator = LastSeparator(path);
    return std::string(separator == std::string_view::npos ? path : path.substr(separator + 1));
}

std::string MCGetTitle(std::string_view path) {
    std::string name = MCGetFileName(path);
    size_t dot = name.rfind('.');
    if (dot != std::string::npos)
        name.resize(dot);
    return name;
}

std::string MCGetExtension(std::string_view path) {
    path = Terminated(path);
    size_t dot = path.rfind('.');
    return std::string(dot == std::string_view::npos ? path : path.substr(dot + 1));
}

int MCGetMenuIndex(const CMenu* menu, std::string_view text) {
    if (!menu)
        return -1;
    int count = menu->GetMenuItemCount();
    for (int position = 0; position < count; ++position) {
        std::string item = menu->GetMenuString(position);
        if (item.size() > kMaxItemText)
            item.resize(kMaxItemText);
        if (item == text)
            return position;
    }
    return -1;
}

int MCGetMenuIndex(const CMenu* menu, unsigned stringId) {
    std::string text;
    // A missing string would otherwise match the first separator (empty text).
    if (!LoadString(stringId, text))
        return -1;
    return MCGetMenuIndex(menu, text);
}
