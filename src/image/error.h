#pragma once
// The one error type of the system. Its message is the text the user sees
// ("Cannot open file %s", "'%s' is not a valid integer value", ...).
#include <stdexcept>
#include <string>

namespace pix {

class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

// Texts of the system, built in one place so every caller words them alike.
std::string msgNotInteger(const std::string& text);      // '%s' is not a valid integer value
std::string msgCannotOpen(const std::string& path);      // Cannot open file %s
std::string msgCannotCreate(const std::string& path);    // Cannot create file %s
std::string msgCannotCreateWriter(const std::string& path, const std::string& reason);  // Cannot create file "%s". %s
std::string msgCannotWrite(const std::string& path, const std::string& reason);
inline const char* kMsgPngError = "Error on creating PNG";

}  // namespace pix
