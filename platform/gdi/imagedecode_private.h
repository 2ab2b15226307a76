// Decoding an image file's bytes through the toolkit's readers, shared by the
// image facts (imageinfo.cpp) and pictures (picture.cpp). Bytes are trusted in
// nothing: what no reader takes gives false. Any thread.
#pragma once

#include <QImage>

#include <cstdint>
#include <vector>

namespace platform_detail {

// The image the bytes hold, turned as their orientation asks when
// `autoTransform`; false for empty bytes or what no reader takes.
bool DecodeImage(const std::vector<uint8_t>& bytes, bool autoTransform, QImage& image);

}  // namespace platform_detail
