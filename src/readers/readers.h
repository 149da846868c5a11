#pragma once
// Input readers. Each decodes a whole file held in memory into the working
// image: pixels (bilevel or 24-bit BGR), size, the file's own resolution (0
// when the file states none), alpha plane, and in img.params the input's
// BitsPerSample, SamplesPerPixel and metadata. Damaged data either throws an
// Error with the cause or leaves what was decoded. No reader allocates more
// than checkImageSize allows.
#include <cstddef>
#include <cstdint>
#include <string>

#include "image/image.h"

namespace pix {

using ReadFn = void (*)(const uint8_t* data, size_t size, Image& img);

void readJpeg(const uint8_t* data, size_t size, Image& img);
void readPng(const uint8_t* data, size_t size, Image& img);
void readGif(const uint8_t* data, size_t size, Image& img);
void readTiff(const uint8_t* data, size_t size, Image& img);
// JPEG 2000: the content decides between a JP2 file and a bare code stream;
// the two differ only in the guess for data that is neither.
void readJp2(const uint8_t* data, size_t size, Image& img);
void readJ2k(const uint8_t* data, size_t size, Image& img);
void readBmp(const uint8_t* data, size_t size, Image& img);
void readPcx(const uint8_t* data, size_t size, Image& img);

// The reader for a path's extension (without its dot, letter case ignored), or
// nullptr when no format lists it.
ReadFn findReader(const std::string& path);

// The load of the pipeline: reads the file at path through the reader of its
// extension. Returns false, leaving img untouched, when no reader knows the
// extension. Throws "Cannot open file %s" when the file cannot be read, and a
// reader's error prefixed with the path when the data cannot be decoded.
// Empties the metadata lists first; afterwards a resolution below 2 dpi in a
// direction becomes 300.
bool loadImage(const std::string& path, Image& img);

}  // namespace pix
