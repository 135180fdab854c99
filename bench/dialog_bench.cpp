// The main dialog on a 6000 × 4000 RGB document, run through PluginMain on the headless
// toolkit: the time from the start call to the first painted preview, from one control
// change to its repainted preview (a light setting, and a shape setting with a 1024²
// pattern), and of one zoom step. Each iteration opens the dialog once; the change and
// zoom figures are the mean over the changes made in it. Everything runs on one thread, so
// the times are that thread's CPU time: on a shared machine wall-clock time mostly measures
// the other processes.
#include <time.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bench_support.h"
#include "filter_record.h"
#include "host/runtime/filter_host.h"
#include "host/runtime/host_services.h"
#include "host/scripting/parameter_catalog.h"
#include "host/toolkit/headless_backend.h"
#include "host/toolkit/toolkit_services.h"

namespace {

using namespace brivo;
using namespace brivo::host;
// The calling thread's CPU time.
struct Clock {
    using duration = std::chrono::nanoseconds;
    using time_point = std::chrono::time_point<Clock, duration>;
    static time_point now() {
        timespec spec{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &spec);
        return time_point(std::chrono::seconds(spec.tv_sec) +
                          std::chrono::nanoseconds(spec.tv_nsec));
    }
};
using toolkit::HeadlessEvent;

constexpr int kChangesPerOpen = 16;
// Points on the dialog: the Level and X Position sliders' tracks, the zoom buttons.
constexpr int32_t kLevelTrackY = 388;
constexpr int32_t kShapePositionTrackY = 367;
constexpr ADMPoint kZoomOut{328, 312};
constexpr ADMPoint kZoomIn{376, 312};

struct DialogHost {
    DialogHost()
        : host(std::make_unique<ModuleLoader>(BRIVO_MODULE_PATH),
               bench::photographLike(6000, 4000)),
          services(host),
          toolkit(host, backend) {}

    // One start with the dialog shown on settings, playing events, cancelled at the end.
    void run(const DescriptorValues& settings, const std::vector<HeadlessEvent>& events) {
        services.descriptors().replay(settings, plugInDialogDisplay);
        for (const HeadlessEvent& event : events) backend.queue(event);
        backend.queue(HeadlessEvent::keyPress(toolkit::Key::escape));
        host.call(filterSelectorStart);
    }

    FilterHost host;
    HostServices services;
    toolkit::HeadlessBackend backend;
    toolkit::ToolkitServices toolkit;
};

DescriptorValues shapedSettings() {
    const auto key = [](std::string_view field, size_t component = 0) {
        return bench::catalogKey(BRIVO_MODULE_PATH, field, component);
    };
    DescriptorValues settings;
    settings.put(key("shapeFile"), std::string(BRIVO_SOURCE_DIR) + "/patterns/window_panes.png");
    settings.put(key("shapeRotate"), 30.0);
    settings.put(key("cornerPin", 2), 0.9);
    return settings;
}

HeadlessEvent stamp(Clock::time_point& at) {
    return HeadlessEvent::run([&at](toolkit::Toolkit&, toolkit::Dialog&) { at = Clock::now(); });
}

void openToFirstPreview(benchmark::State& state) {
    DialogHost dialog;
    dialog.host.call(filterSelectorParameters);
    for (auto _ : state) {
        Clock::time_point shown;
        const Clock::time_point started = Clock::now();
        dialog.run(shapedSettings(), {stamp(shown)});
        state.SetIterationTime(std::chrono::duration<double>(shown - started).count());
    }
}

// Mean time of the changes `change(i)` makes, each from before its events to after them.
void timeChanges(benchmark::State& state, const DescriptorValues& settings,
                 const std::function<std::vector<HeadlessEvent>(int)>& change) {
    DialogHost dialog;
    dialog.host.call(filterSelectorParameters);
    for (auto _ : state) {
        std::vector<Clock::time_point> before(kChangesPerOpen), after(kChangesPerOpen);
        std::vector<HeadlessEvent> events;
        for (int i = 0; i < kChangesPerOpen; ++i) {
            events.push_back(stamp(before[i]));
            for (HeadlessEvent& event : change(i)) events.push_back(std::move(event));
            events.push_back(stamp(after[i]));
        }
        dialog.run(settings, events);
        double seconds = 0;
        for (int i = 0; i < kChangesPerOpen; ++i)
            seconds += std::chrono::duration<double>(after[i] - before[i]).count();
        state.SetIterationTime(seconds / kChangesPerOpen);
    }
}

// A click on a slider's track at a new place each time.
std::vector<HeadlessEvent> clickTrack(int32_t y, int i) {
    const ADMPoint at{420 + (i % 8) * 40, y};
    return {HeadlessEvent::press(at), HeadlessEvent::release(at)};
}

void lightChange(benchmark::State& state) {
    timeChanges(state, shapedSettings(), [](int i) {
        std::vector<HeadlessEvent> events = clickTrack(kLevelTrackY, i);
        for (HeadlessEvent& event : events) event.point.x -= 384;  // the light column
        return events;
    });
}

void shapeChange(benchmark::State& state) {
    timeChanges(state, shapedSettings(), [](int i) { return clickTrack(kShapePositionTrackY, i); });
}

void zoomStep(benchmark::State& state) {
    timeChanges(state, shapedSettings(), [](int i) {
        const ADMPoint button = i % 2 == 0 ? kZoomOut : kZoomIn;
        return std::vector<HeadlessEvent>{HeadlessEvent::press(button),
                                          HeadlessEvent::release(button)};
    });
}

}  // namespace

BENCHMARK(openToFirstPreview)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);
BENCHMARK(lightChange)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(shapeChange)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(zoomStep)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK_MAIN();
