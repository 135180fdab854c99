// The module's dialog classes run in-process against the host's headless toolkit, with the
// colour service and the text suite offered beside it and bitmaps made to order.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "dialog/adm/adm_suites.h"
#include "dialog/adm/dialog.h"
#include "host/color/colorspace_suite.h"
#include "host/runtime/call_binding.h"
#include "host/runtime/zstring_suite.h"
#include "support/toolkit_fixture.h"

namespace brivo::test {

namespace tk = host::toolkit;

// The resource IDs the harness answers with a picture of the given size and colour.
struct FakeBitmap {
    int32_t id;
    int32_t width;
    int32_t height;
    tk::Rgb color;
};

class ToolkitHarness : public HeadlessToolkit {
  public:
    explicit ToolkitHarness(tk::HeadlessBackend::Options options = {},
                            std::vector<FakeBitmap> bitmaps = {{106, 20, 10, {200, 0, 200}},
                                                               {102, 450, 231, {0, 90, 200}}})
        : HeadlessToolkit(options),
          colors(host::ColorService(plugInModeRGBColor, {})),
          bitmaps_(std::move(bitmaps)) {
        registry.add(kPSColorSpaceSuite, kPSColorSpaceSuiteVersion1, colors.table());
        registry.add(kASZStringSuite, kASZStringSuiteVersion1, texts.table());
        colors.setPicker([this](host::Xyz16& xyz, const void* prompt) {
            prompts.push_back(texts.text(prompt).value_or("(none)"));
            if (pickerAnswers.empty()) return false;
            const std::optional<host::Xyz16> answer = pickerAnswers.front();
            pickerAnswers.erase(pickerAnswers.begin());
            if (!answer) return false;
            xyz = *answer;
            return true;
        });
        toolkit.setIconSource([this](void*, const char*, int32_t id) -> std::optional<tk::Picture> {
            for (const FakeBitmap& bitmap : bitmaps_)
                if (bitmap.id == id) return picture(bitmap);
            return std::nullopt;
        });
    }

    // The module's suite set over this toolkit, current until it is destroyed.
    std::unique_ptr<ADMSuites> suites() { return std::make_unique<ADMSuites>(basic(), this); }

    host::ColorSpaceSuite colors;
    host::ZStringSuite texts;
    // What the host's colour picker answers, in order; an empty answer (or none left)
    // cancels.
    std::vector<std::optional<host::Xyz16>> pickerAnswers;
    // The prompts the picker was shown with.
    std::vector<std::string> prompts;

  private:
    static tk::Picture picture(const FakeBitmap& bitmap) {
        tk::Picture picture{bitmap.width, bitmap.height, {}};
        for (int32_t i = 0; i < bitmap.width * bitmap.height; ++i)
            picture.rgb.insert(picture.rgb.end(), {bitmap.color.r, bitmap.color.g, bitmap.color.b});
        return picture;
    }

    std::vector<FakeBitmap> bitmaps_;
    host::CallBinding<host::ColorSpaceSuite> colorsBinding_{colors};
    host::CallBinding<host::ZStringSuite> textsBinding_{texts};
};

// A plain 400 x 300 dialog, made inside its own suite set.
struct TestWindow {
    explicit TestWindow(ToolkitHarness& harness) : suites(harness.suites()) {
        dialog = std::make_unique<ADM::Dialog>("test", 0, 0, 0);
        dialog->Size(400, 300);
    }
    std::unique_ptr<ADMSuites> suites;
    std::unique_ptr<ADM::Dialog> dialog;  // goes before its suites
};

}  // namespace brivo::test
