#pragma once
// The configuration form's profile logic on a plain model of its controls, so
// that saving and loading profiles works and is tested without a window. The
// Qt window binds its widgets to this model.
#include <cstdint>
#include <string>
#include <vector>

namespace pix {

struct FormModel {
    // Texts of edits, number edits, spin edits and editable lists, as shown.
    std::string resizemethod = " ";
    std::string width = "0", height = "0", percentage = "0";
    std::string resampletype = "None";
    std::string color_depth = "AsIs";
    std::string interval = "1";
    std::string searchfor = "*.*";
    std::string directory;
    std::string orientation;  // the form's items: rotateleft90, rotateright90, rotate180, flipdown, flipleft
    std::string brightness = "0", contrast = "0";
    std::string textcaption;
    std::string textsize = "2";
    std::string textalignment;
    std::string prefix, suffix, newname;
    std::string imageformat;
    std::string quality = "70", smoothing = "0", dpi = "72";
    std::string savein, moveoriginalto;

    // Check boxes.
    bool keepdimensionratio = true;
    bool favorfilesize = false;
    bool treatwidthheight = true;
    bool recursive = false;
    bool grayscale = false;
    bool negative = false;
    bool progressivejpeg = false;
    bool retainoriginaldate = true;
    bool deleteoriginal = false;

    // Track bars, -100..100.
    int brightnesstrack = 0, contrasttrack = 0;

    // Colour list: 0xBBGGRR. Font list: the installed names and the selection
    // (an empty name when none is selected).
    uint32_t textcolor = 0;
    std::vector<std::string> fontList;
    std::string textfont;

    // The form line list: the lines of the last save or load, quotes kept.
    std::vector<std::string> lines;
};

// saveprofile: builds the profile lines from the controls, makes them the
// form line list and writes them to path (the file is rewritten whole).
void saveprofile(FormModel& form, const std::string& path);
// The lines saveprofile writes, in file order.
std::vector<std::string> profileLines(const FormModel& form);

// loadprofile: replaces the form line list with the file's lines (empty when
// no file exists) and sets every control from it. A file that exists but
// cannot be read throws; the list is then empty and no control changes.
void loadprofile(FormModel& form, const std::string& path);
// The same from lines already in memory.
void applyProfileLines(FormModel& form, const std::vector<std::string>& lines);

// getvalue: the form's lookup in the form line list (first line beginning
// with the key, value part, quotes removed), or def.
std::string getvalue(const FormModel& form, const std::string& key, const std::string& def);
// Flag test: a line equal to the flag text, ASCII letter case ignored.
bool hasFlag(const std::vector<std::string>& lines, const std::string& flag);

// The track bar follows its edit's integer value (used on load and when the
// focus leaves the edit).
int trackPositionFor(const std::string& editText, int current);

// Orientation values: the form shows rotateleft90/rotateright90 where the
// engine reads left90/right90; the other three are the same words.
std::string orientationToProfile(const std::string& formText);
std::string orientationFromProfile(const std::string& value);

}  // namespace pix
