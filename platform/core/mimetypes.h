// The types of files and bytes by the desktop's MIME database: what an
// embedded object's bytes are, and which extension a copy of them takes so
// that the desktop opens it with the right program.
//
// Any thread (the database is the toolkit's shared, read-only one).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The MIME type of the file at `path`, by its name and its first bytes;
// "application/octet-stream" when nothing tells.
std::string MimeTypeOfFile(const std::string& path);
// The MIME type of bytes, by the file name they came under (may be empty)
// and by their content; "application/octet-stream" when nothing tells.
std::string MimeTypeOfData(const std::vector<uint8_t>& bytes, const std::string& fileName);
// The usual extension of a type, without the dot ("png"); empty when the
// database knows none.
std::string PreferredSuffixOf(const std::string& mimeType);
