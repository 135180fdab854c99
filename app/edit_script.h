// A script of user actions for `brivo edit --script`: the dialog driven without a person,
// for tests, demonstrations and screenshots. One action a line; '#' starts a comment.
//   click X Y [shift] [alt]      a click at dialog point (X, Y), with modifier keys
//   drag X1 Y1 X2 Y2             press at the first point, drag to and release at the second
//   key enter|escape|tab         a key
//   type TEXT                    typed into the field that has the focus (\b: backspace)
//   file PATH | file cancel      the answer of the next file chooser
//   screenshot FILE.png          the dialog as it is now, written as an image
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/toolkit/backend.h"
#include "host/toolkit/software_canvas.h"
#include "pluginapi/adm_types.h"

namespace brivo::app {

class ScriptError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct ScriptStep {
    enum class Kind { click, drag, key, type, file, screenshot };
    Kind kind = Kind::click;
    ADMPoint at{};
    ADMPoint to{};
    uint32_t modifiers = 0;
    std::string text;  // key name, typed text, file path ("" cancels) or screenshot file
};

// Throws ScriptError naming the line at fault.
std::vector<ScriptStep> parseScript(const std::string& text);
std::vector<ScriptStep> loadScript(const std::string& path);

// A backend that plays the steps in the dialog the filter shows: headless, or in real
// windows when windowed is true (then a display is needed). A step's screenshot is written
// when it is played; a failure to write it throws from the modal loop's caller.
std::unique_ptr<host::toolkit::Backend> makeScriptedBackend(std::vector<ScriptStep> steps,
                                                            bool windowed);

// Writes a dialog picture as a PNG or other image file.
void writeScreenshot(const host::toolkit::RgbImage& image, const std::string& path);

}  // namespace brivo::app
