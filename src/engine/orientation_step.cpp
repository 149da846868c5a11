#include "engine/steps.h"

namespace pix {

// Turns and mirrors arrive with the orientation operations.
void orientationStep(const std::string&, Image&) {}

}  // namespace pix
