#include "profile/form_model.h"

#include <algorithm>

#include "profile/profile_file.h"
#include "profile/text.h"

namespace pix {

namespace {

std::string valueLine(const std::string& key, const std::string& text) { return key + "=\"" + text + "\""; }

void addNonBlank(std::vector<std::string>& out, const std::string& key, const std::string& text) {
    if (isNonBlank(text)) out.push_back(valueLine(key, text));
}

void addFlag(std::vector<std::string>& out, const std::string& key, bool on) {
    if (on) out.push_back(key);
}

}  // namespace

std::vector<std::string> profileLines(const FormModel& f) {
    std::vector<std::string> out;
    addNonBlank(out, "resizemethod", f.resizemethod);
    addNonBlank(out, "height", f.height);
    addNonBlank(out, "width", f.width);
    addNonBlank(out, "percentage", f.percentage);
    out.push_back(f.keepdimensionratio ? "keepdimensionratio=true" : "keepdimensionratio=false");
    addFlag(out, "treatwidthheight", f.treatwidthheight);
    out.push_back(valueLine("colordepth", f.color_depth));
    out.push_back(valueLine("resamplemethod", isNonBlank(f.resampletype) ? f.resampletype : "none"));
    addNonBlank(out, "brightness", f.brightness);
    addNonBlank(out, "contrast", f.contrast);
    addFlag(out, "negative", f.negative);
    addFlag(out, "grayscale", f.grayscale);
    addFlag(out, "recursive", f.recursive);
    addNonBlank(out, "textcaption", f.textcaption);
    out.push_back(valueLine("textcolor", colourHex6(f.textcolor)));
    out.push_back(valueLine("textfont", f.textfont));
    addNonBlank(out, "textsize", f.textsize);
    addNonBlank(out, "textalignment", f.textalignment);
    addNonBlank(out, "imageformat", f.imageformat);
    addFlag(out, "progressivejpeg", f.progressivejpeg);
    addNonBlank(out, "quality", f.quality);
    addNonBlank(out, "smoothing", f.smoothing);
    addNonBlank(out, "prefix", f.prefix);
    addNonBlank(out, "suffix", f.suffix);
    addFlag(out, "retainoriginaldate", f.retainoriginaldate);
    addFlag(out, "favorfilesize", f.favorfilesize);
    addNonBlank(out, "savein", f.savein);
    addNonBlank(out, "dpi", f.dpi);
    addFlag(out, "deleteoriginal", f.deleteoriginal);
    addNonBlank(out, "moveoriginalto", f.moveoriginalto);
    addNonBlank(out, "interval", f.interval);
    out.push_back("\"" + f.directory + f.searchfor + "\"");
    addNonBlank(out, "directory", f.directory);
    addNonBlank(out, "searchfor", f.searchfor);
    addNonBlank(out, "newname", f.newname);
    // The orientation is kept last, in the engine's words, so that the engine
    // acts on what the window shows; older profiles simply lack the line.
    addNonBlank(out, "orientation", orientationToProfile(f.orientation));
    return out;
}

void saveprofile(FormModel& form, const std::string& path) {
    form.lines = profileLines(form);
    writeProfileFile(path, form.lines);
}

std::string getvalue(const FormModel& form, const std::string& key, const std::string& def) {
    for (const std::string& line : form.lines)
        if (startsWithNoCase(line, key)) return removequote(valuepart(line));
    return def;
}

bool hasFlag(const std::vector<std::string>& lines, const std::string& flag) {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return equalsNoCase(l, flag); });
}

int trackPositionFor(const std::string& editText, int current) {
    int32_t v = 0;
    if (!tryNumber(editText, v)) return current;
    return std::clamp<int32_t>(v, -100, 100);
}

std::string orientationToProfile(const std::string& formText) {
    if (formText == "rotateleft90") return "left90";
    if (formText == "rotateright90") return "right90";
    return formText;
}

std::string orientationFromProfile(const std::string& value) {
    if (value == "left90") return "rotateleft90";
    if (value == "right90") return "rotateright90";
    return value;
}

void applyProfileLines(FormModel& f, const std::vector<std::string>& lines) {
    f.lines = lines;
    auto flag = [&](const char* key) { return hasFlag(f.lines, key); };
    f.directory = getvalue(f, "directory", "");
    f.searchfor = getvalue(f, "searchfor", "*.*");
    f.resampletype = getvalue(f, "resamplemethod", "None");
    f.resizemethod = getvalue(f, "resizemethod", "");
    f.height = getvalue(f, "height", "0");
    f.width = getvalue(f, "width", "0");
    f.percentage = getvalue(f, "percentage", "0");
    f.keepdimensionratio = flag("keepdimensionratio=true");
    f.color_depth = getvalue(f, "colordepth", "asis");
    f.treatwidthheight = flag("treatwidthheight");
    f.brightness = getvalue(f, "brightness", "0");
    f.brightnesstrack = trackPositionFor(f.brightness, f.brightnesstrack);
    f.contrast = getvalue(f, "contrast", "0");
    f.contrasttrack = trackPositionFor(f.contrast, f.contrasttrack);
    f.negative = flag("negative");
    f.grayscale = flag("grayscale");
    f.recursive = flag("recursive");
    f.favorfilesize = flag("favorfilesize");
    f.retainoriginaldate = flag("retainoriginaldate");
    f.textcaption = getvalue(f, "textcaption", "");
    f.textcolor = hexColour(getvalue(f, "textcolor", "000000"));
    const std::string font = getvalue(f, "textfont", "Arial");
    for (const std::string& name : f.fontList)
        if (equalsNoCase(name, font)) {
            f.textfont = name;
            break;
        }
    f.textsize = getvalue(f, "textsize", "12");
    f.textalignment = getvalue(f, "textalignment", "");
    f.imageformat = getvalue(f, "imageformat", "");
    f.progressivejpeg = flag("progressivejpeg");
    f.quality = getvalue(f, "quality", "70");
    f.smoothing = getvalue(f, "smoothing", "0");
    f.prefix = getvalue(f, "prefix", "");
    f.suffix = getvalue(f, "suffix", "");
    f.savein = getvalue(f, "savein", "");
    f.dpi = getvalue(f, "dpi", "72");
    f.deleteoriginal = flag("deleteoriginal");
    f.moveoriginalto = getvalue(f, "moveoriginalto", "");
    f.interval = getvalue(f, "interval", "60");
    f.newname = getvalue(f, "newname", "");
    f.orientation = orientationFromProfile(getvalue(f, "orientation", ""));
}

void loadprofile(FormModel& form, const std::string& path) {
    form.lines.clear();
    std::vector<std::string> lines;
    readProfileFile(path, lines);  // throws for an unreadable file: list empty, controls unchanged
    applyProfileLines(form, lines);
}

}  // namespace pix
