// Running the start selector with the main dialog on the headless toolkit: parameters
// handed in as a descriptor replayed with the dialog shown, user events queued, and what
// the dialog left behind (result, parameters, the preview it last drew).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/filter_parameters.h"
#include "host/scripting/descriptor_values.h"
#include "host/toolkit/headless_backend.h"
#include "support/toolkit_fixture.h"

namespace brivo::test {

// Every field of params as the descriptor a recorded action would hold.
host::DescriptorValues descriptorOf(const FilterParameters& params);

class DialogSession {
  public:
    explicit DialogSession(host::PlanarDocument document,
                           host::toolkit::HeadlessBackend::Options options = {});

    // Events for the next start's modal loop.
    host::toolkit::HeadlessBackend& backend() { return *session_.backend; }
    host::FilterHost& host() { return *session_.session.host; }
    host::HostServices& services() { return *session_.session.services; }
    void click(ADMPoint point, uint32_t modifiers = 0) { backend().click(point, modifiers); }
    // Runs code inside the loop, with the toolkit's model of the dialog.
    void inspect(std::function<void(host::toolkit::Dialog&)> look);

    // Parameters then start with params shown in the dialog; the start's result. Every
    // lock, suite and buffer of the start is expected back.
    int16_t start(const FilterParameters& params);
    // The parameters record as the host keeps it.
    FilterParameters parameters();

    // The colour samples of the last pixel map the dialog drew: width × height pixels of
    // channels samples each.
    struct Picture {
        int32_t width = 0;
        int32_t height = 0;
        int32_t channels = 0;
        std::vector<uint8_t> samples;
    };
    static const Picture& lastPicture();

  private:
    ToolkitSession session_;
};

// The item of the dialog whose bounds are exactly rect, or null.
host::toolkit::Item* itemAt(host::toolkit::Dialog& dialog, const ADMRect& rect);

}  // namespace brivo::test
