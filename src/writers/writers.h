#pragma once
// Output writers. Each encodes the working image (24-bit BGR, maybe with an
// alpha plane) with the encoding settings in img.params into a byte sink. A
// writer never changes the image; what it derives lives for one call.
#include <string>

#include "image/image.h"
#include "image/sink.h"

namespace pix {

using WriteFn = void (*)(const Image& img, ByteSink& out);

void writeJpeg(const Image& img, ByteSink& out);
void writeGif(const Image& img, ByteSink& out);
void writeBmp(const Image& img, ByteSink& out);
void writePcx(const Image& img, ByteSink& out);
void writePng(const Image& img, ByteSink& out);
void writeJp2(const Image& img, ByteSink& out);  // JPEG 2000 file (JP2 boxes)
void writeJ2k(const Image& img, ByteSink& out);  // bare JPEG 2000 code stream
void writeTiff(const Image& img, ByteSink& out);

// The writer for a path's extension (letter case ignored), or nullptr.
WriteFn findWriter(const std::string& path);

// saveimage: encodes img into a new file at path with the writer of its
// extension. Returns false and writes nothing when no writer knows the
// extension. A failed write throws and leaves no partial file behind.
bool saveimage(const Image& img, const std::string& path);

}  // namespace pix
