#include "image/error.h"

namespace pix {

std::string msgNotInteger(const std::string& text) { return "'" + text + "' is not a valid integer value"; }
std::string msgCannotOpen(const std::string& path) { return "Cannot open file " + path; }
std::string msgCannotCreate(const std::string& path) { return "Cannot create file " + path; }
std::string msgCannotCreateWriter(const std::string& path, const std::string& reason) {
    return "Cannot create file \"" + path + "\". " + reason;
}
std::string msgCannotWrite(const std::string& path, const std::string& reason) {
    return "Cannot write file \"" + path + "\". " + reason;
}

}  // namespace pix
