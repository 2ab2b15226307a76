// What the toolkit's image readers tell of an image file's bytes without the
// caller holding the pixels: whether they are an image, its size in pixels
// and the resolution it states.
//
// Bytes are trusted in nothing: what no reader takes is no image.
// Any thread (the readers are reentrant).
#pragma once

#include <cstdint>
#include <vector>

struct ImageInfo {
    int width = 0;       // pixels
    int height = 0;
    double dpiX = 0.0;   // the resolution the image states; 0 when it states none
    double dpiY = 0.0;
};

// Fills `info` for bytes a reader takes as an image of at least one pixel:
// true. False otherwise, `info` then as it was.
bool ReadImageInfo(const std::vector<uint8_t>& bytes, ImageInfo& info);
