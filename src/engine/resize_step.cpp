#include "engine/steps.h"

namespace pix {

// Resizing arrives with the scaler; until then images keep their size.
void resizeStep(const EngineProfile&, Image&) {}

}  // namespace pix
