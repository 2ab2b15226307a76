// What the system's MIME database knows of a type of file.
// Any thread.
#pragma once

#include <string>

// The usual file-name suffix of a MIME type, without its dot ("png" for
// "image/png"); empty for an unknown type or one without suffixes.
std::string PreferredSuffixOfMimeType(const std::string& mimeType);
