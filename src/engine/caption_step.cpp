#include "engine/steps.h"

namespace pix {

// Captions arrive with the text renderer.
void captionStep(const EngineProfile&, Image&) {}

}  // namespace pix
