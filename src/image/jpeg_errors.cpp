#include "image/jpeg_errors.h"

namespace pix {

namespace {

void errorExit(j_common_ptr cinfo) {
    auto* mgr = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    char buffer[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, buffer);
    mgr->message = buffer;
    std::longjmp(mgr->jump, 1);
}

void silentMessage(j_common_ptr, int) {}

}  // namespace

jpeg_error_mgr* installJpegErrors(JpegErrorManager& mgr) {
    jpeg_std_error(&mgr.pub);
    mgr.pub.error_exit = errorExit;
    mgr.pub.emit_message = silentMessage;  // warnings (corrupt data) are not errors
    return &mgr.pub;
}

}  // namespace pix
