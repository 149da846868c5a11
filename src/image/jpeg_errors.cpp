#include "image/jpeg_errors.h"

#include <jerror.h>

namespace pix {

namespace {

void errorExit(j_common_ptr cinfo) {
    auto* mgr = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    char buffer[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, buffer);
    mgr->message = buffer;
    std::longjmp(mgr->jump, 1);
}

// Warnings (corrupt data) are not errors; the end of the data is noted so a
// reader need not decode the filler the library invents after it.
void silentMessage(j_common_ptr cinfo, int level) {
    if (level >= 0) return;
    auto* mgr = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    ++cinfo->err->num_warnings;
    if (cinfo->err->msg_code == JWRN_JPEG_EOF) mgr->dataEnded = true;
}

}  // namespace

jpeg_error_mgr* installJpegErrors(JpegErrorManager& mgr) {
    jpeg_std_error(&mgr.pub);
    mgr.pub.error_exit = errorExit;
    mgr.pub.emit_message = silentMessage;
    return &mgr.pub;
}

}  // namespace pix
