#include "app/edit_script.h"

#include <fstream>
#include <iostream>
#include <sstream>

#include "host/files/image_file.h"
#include "host/toolkit/headless_backend.h"
#if BRIVO_HAVE_FLTK
#include <FL/Fl.H>
#include <FL/Fl_File_Chooser.H>
#include <FL/Fl_Window.H>

#include "host/toolkit/fltk_backend.h"
#endif

namespace brivo::app {

namespace {

using host::toolkit::HeadlessEvent;

// "\b" in a typed text stands for a backspace.
std::string unescape(const std::string& text) {
    std::string result;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'b') {
            result.push_back('\b');
            ++i;
        } else {
            result.push_back(text[i]);
        }
    }
    return result;
}

ScriptStep parseLine(const std::string& line) {
    std::istringstream words(line);
    std::string verb;
    words >> verb;
    ScriptStep step;
    const auto point = [&] {
        ADMPoint p{};
        if (!(words >> p.x >> p.y)) throw ScriptError("expected X Y after " + verb);
        return p;
    };
    const auto rest = [&] {
        std::string text;
        std::getline(words >> std::ws, text);
        return text;
    };
    if (verb == "click") {
        step.at = point();
        for (std::string modifier; words >> modifier;) {
            if (modifier == "shift")
                step.modifiers |= kADMShiftKeyModifier;
            else if (modifier == "alt")
                step.modifiers |= kADMAltKeyModifier;
            else
                throw ScriptError("unknown modifier " + modifier);
        }
    } else if (verb == "drag") {
        step.kind = ScriptStep::Kind::drag;
        step.at = point();
        step.to = point();
    } else if (verb == "key") {
        step.kind = ScriptStep::Kind::key;
        step.text = rest();
        if (step.text != "enter" && step.text != "escape" && step.text != "tab")
            throw ScriptError("unknown key " + step.text);
    } else if (verb == "type") {
        step.kind = ScriptStep::Kind::type;
        step.text = unescape(rest());
    } else if (verb == "file") {
        step.kind = ScriptStep::Kind::file;
        step.text = rest();
        if (step.text == "cancel") step.text.clear();
    } else if (verb == "screenshot") {
        step.kind = ScriptStep::Kind::screenshot;
        step.text = rest();
        if (step.text.empty()) throw ScriptError("screenshot needs a file name");
    } else {
        throw ScriptError("unknown action " + verb);
    }
    return step;
}

// Screenshots are taken inside the module's modal loop, where nothing may be thrown: a
// failure is reported and the script goes on.
void writeScreenshotOrSay(const host::toolkit::RgbImage& image, const std::string& path) {
    try {
        writeScreenshot(image, path);
    } catch (const std::exception& error) {
        std::cerr << "brivo: screenshot " << path << ": " << error.what() << '\n';
    }
}

host::toolkit::Key keyNamed(const std::string& name) {
    if (name == "enter") return host::toolkit::Key::enter;
    if (name == "escape") return host::toolkit::Key::escape;
    return host::toolkit::Key::tab;
}

std::unique_ptr<host::toolkit::Backend> headlessPlayer(const std::vector<ScriptStep>& steps) {
    auto backend = std::make_unique<host::toolkit::HeadlessBackend>();
    host::toolkit::HeadlessBackend* player = backend.get();
    for (const ScriptStep& step : steps) {
        switch (step.kind) {
            case ScriptStep::Kind::click:
                player->click(step.at, step.modifiers);
                break;
            case ScriptStep::Kind::drag:
                player->queue(HeadlessEvent::press(step.at));
                player->queue(HeadlessEvent::drag(step.to));
                player->queue(HeadlessEvent::release(step.to));
                break;
            case ScriptStep::Kind::key:
                player->queue(HeadlessEvent::keyPress(keyNamed(step.text)));
                break;
            case ScriptStep::Kind::type:
                player->queue(HeadlessEvent::typing(step.text));
                break;
            case ScriptStep::Kind::file: {
                using Answer = host::toolkit::HeadlessBackend::FileAnswer;
                player->answerFile(step.text.empty() ? Answer{}
                                                     : Answer{Answer::Kind::path, step.text});
                break;
            }
            case ScriptStep::Kind::screenshot:
                player->queue(
                    HeadlessEvent::run([player, path = step.text](host::toolkit::Toolkit& toolkit,
                                                                  host::toolkit::Dialog& dialog) {
                        player->paint(toolkit, dialog);
                        writeScreenshotOrSay(player->frame(dialog), path);
                    }));
                break;
        }
    }
    return backend;
}

#if BRIVO_HAVE_FLTK
// Hands one pointer or key event to a window, as the X event loop would.
void send(Fl_Window& window, int event, ADMPoint at, uint32_t modifiers, int key = 0,
          const std::string& text = {}) {
    Fl::e_x = at.x;
    Fl::e_y = at.y;
    Fl::e_x_root = window.x() + at.x;
    Fl::e_y_root = window.y() + at.y;
    int state = event == FL_PUSH || event == FL_DRAG ? FL_BUTTON1 : 0;
    if (modifiers & kADMShiftKeyModifier) state |= FL_SHIFT;
    if (modifiers & kADMAltKeyModifier) state |= FL_ALT;
    Fl::e_state = state;
    Fl::e_keysym = key != 0 ? key : FL_Button + 1;
    Fl::e_text = const_cast<char*>(text.c_str());
    Fl::e_length = static_cast<int>(text.size());
    Fl::e_is_click = 0;
    Fl::e_clicks = 0;
    Fl::handle(event, &window);
}

// Plays one step a turn of the modal loop; when the steps run out, waits for the user.
std::unique_ptr<host::toolkit::Backend> windowPlayer(std::vector<ScriptStep> steps) {
    auto backend = std::make_unique<host::toolkit::FltkBackend>();
    host::toolkit::FltkBackend* player = backend.get();
    auto files = std::make_shared<std::vector<std::string>>();
    for (const ScriptStep& step : steps)
        if (step.kind == ScriptStep::Kind::file) files->push_back(step.text);
    player->onFileChooserShown([files](Fl_File_Chooser& chooser) {
        if (!files->empty()) {
            if (!files->front().empty()) chooser.value(files->front().c_str());
            files->erase(files->begin());
        }
        chooser.hide();
    });
    auto next = std::make_shared<size_t>(0);
    player->onModalTurn([player, steps = std::move(steps), next](host::toolkit::Toolkit&,
                                                                 host::toolkit::Dialog& dialog) {
        Fl::flush();
        if (*next >= steps.size()) {
            Fl::wait(0.1);
            return;
        }
        const ScriptStep& step = steps[(*next)++];
        auto& window = *static_cast<Fl_Window*>(dialog.backendData);
        switch (step.kind) {
            case ScriptStep::Kind::click:
                send(window, FL_PUSH, step.at, step.modifiers);
                send(window, FL_RELEASE, step.at, step.modifiers);
                break;
            case ScriptStep::Kind::drag:
                send(window, FL_PUSH, step.at, 0);
                send(window, FL_DRAG, step.to, 0);
                send(window, FL_RELEASE, step.to, 0);
                break;
            case ScriptStep::Kind::key:
                send(window, FL_KEYBOARD, {}, 0,
                     step.text == "enter"    ? FL_Enter
                     : step.text == "escape" ? FL_Escape
                                             : FL_Tab);
                break;
            case ScriptStep::Kind::type:
                for (char c : step.text)
                    send(window, FL_KEYBOARD, {}, 0, c == '\b' ? FL_BackSpace : c,
                         c == '\b' ? std::string() : std::string(1, c));
                break;
            case ScriptStep::Kind::file:
                break;  // answered when the chooser shows
            case ScriptStep::Kind::screenshot:
                // Let the window be mapped and drawn before it is read back.
                for (int turn = 0; turn < 10; ++turn) Fl::wait(0.02);
                Fl::flush();
                writeScreenshotOrSay(player->capture(dialog), step.text);
                break;
        }
    });
    return backend;
}
#endif

}  // namespace

std::vector<ScriptStep> parseScript(const std::string& text) {
    std::vector<ScriptStep> steps;
    std::istringstream lines(text);
    int number = 0;
    for (std::string line; std::getline(lines, line);) {
        ++number;
        const size_t comment = line.find('#');
        if (comment != std::string::npos) line.erase(comment);
        if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
        try {
            steps.push_back(parseLine(line));
        } catch (const ScriptError& error) {
            throw ScriptError("script line " + std::to_string(number) + ": " + error.what());
        }
    }
    return steps;
}

std::vector<ScriptStep> loadScript(const std::string& path) {
    std::ifstream file(path);
    if (!file) throw ScriptError("cannot read the script " + path);
    std::ostringstream text;
    text << file.rdbuf();
    return parseScript(text.str());
}

std::unique_ptr<host::toolkit::Backend> makeScriptedBackend(std::vector<ScriptStep> steps,
                                                            bool windowed) {
#if BRIVO_HAVE_FLTK
    if (windowed) return windowPlayer(std::move(steps));
#else
    if (windowed) throw ScriptError("this brivo was built without windows (FLTK)");
#endif
    return headlessPlayer(steps);
}

void writeScreenshot(const host::toolkit::RgbImage& image, const std::string& path) {
    host::PlanarDocument picture =
        host::makePlanarDocument(image.width, image.height, plugInModeRGBColor);
    for (int32_t y = 0; y < image.height; ++y)
        for (int32_t x = 0; x < image.width; ++x)
            for (size_t c = 0; c < 3; ++c)
                picture.planes[c][static_cast<size_t>(y) * image.width + x] =
                    image.pixels[(static_cast<size_t>(y) * image.width + x) * 3 + c];
    host::writeImageFile(picture, path);
}

}  // namespace brivo::app
