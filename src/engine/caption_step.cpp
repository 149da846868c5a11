#include "engine/steps.h"
#include "imageops/caption.h"
#include "profile/text.h"

namespace pix {

// Every key is read as the step runs; the size is read (and may fail its
// number test) before anything is drawn.
void captionStep(const EngineProfile& profile, Image& img) {
    const std::string text = profile.profilevalue("textcaption", "");
    CaptionStyle style;
    style.face = profile.profilevalue("textfont", "Arial");  // "textfont=" keeps the default face
    style.colour = hexColour(profile.profilevalue("textcolor", "FFFFFF"));
    style.points = profile.number("textsize", "8");
    style.alignment = profile.profilevalue("textalignment", "");
    drawCaption(img, text, style);
}

}  // namespace pix
