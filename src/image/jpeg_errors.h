#pragma once
// libjpeg reports errors through error_exit, which must not return. We jump
// back to the caller with setjmp/longjmp (C++ exceptions must not cross the C
// library's frames) and throw there with the library's own message text.
#include <csetjmp>
#include <cstdio>
#include <string>

#include <jpeglib.h>

namespace pix {

struct JpegErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    std::string message;
    bool dataEnded = false;  // the library met the end of the data and pads with filler
};

// Installs the manager on a compress or decompress object's err field.
jpeg_error_mgr* installJpegErrors(JpegErrorManager& mgr);

}  // namespace pix
