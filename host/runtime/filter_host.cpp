#include "host/runtime/filter_host.h"

#include <span>
#include <stdexcept>
#include <string>

#include "host/runtime/procedure_guard.h"
#include "pluginapi/buffer_suite.h"
#include "pluginapi/channel_ports_suite.h"

namespace brivo::host {

namespace {

struct ChannelName {
    int16_t type;
    const char* name;
};

// The colour channels of each image mode, in plane order.
std::vector<ChannelName> colourChannels(int32_t imageMode) {
    switch (imageMode) {
        case plugInModeGrayScale:
            return {{ctBlackAndWhite, "Gray"}};
        case plugInModeRGBColor:
            return {{ctRed, "Red"}, {ctGreen, "Green"}, {ctBlue, "Blue"}};
        case plugInModeCMYKColor:
            return {
                {ctCyan, "Cyan"}, {ctMagenta, "Magenta"}, {ctYellow, "Yellow"}, {ctBlack, "Black"}};
        default:
            return {};
    }
}

constexpr uint32_t hostSignature = BRIVO_FOURCC('B', 'r', 'v', 'o');

}  // namespace

FilterHost::FilterHost(std::unique_ptr<ModuleLoader> module, PlanarDocument document)
    : module_(std::move(module)), document_(std::move(document)) {
    if (!module_) throw std::invalid_argument("a filter host needs a module");
    offerSuite(kPSBufferSuite, kPSBufferSuiteVersion1, buffers_);
    offerSuite(kPSChannelPortsSuite, kPSChannelPortsSuiteVersion2, ports_);
}

FilterHost::~FilterHost() = default;

void FilterHost::setFilterRect(const VRect& rect) {
    if (rect.top < 0 || rect.left < 0 || rect.top > rect.bottom || rect.left > rect.right ||
        rect.bottom > document_.height || rect.right > document_.width)
        throw std::invalid_argument("the filter rectangle must lie within the " +
                                    std::to_string(document_.width) + " x " +
                                    std::to_string(document_.height) + " image");
    filterRect_ = rect;
}

VRect FilterHost::filterRect() const {
    return filterRect_.value_or(VRect{0, 0, document_.height, document_.width});
}

void FilterHost::describeDocument() {
    if (!isConsistent(document_))
        throw std::invalid_argument("the document's planes do not match its size and mode");
    const VRect bounds{0, 0, document_.height, document_.width};
    if (filterRect_) setFilterRect(*filterRect_);  // still inside a document that changed since

    std::vector<std::span<const uint8_t>> samples(document_.planes.begin(), document_.planes.end());
    if (document_.hasAlpha()) samples.emplace_back(document_.alpha);
    ports_.attach(document_.width, document_.height, std::move(samples));

    channelDescs_.clear();
    for (const ChannelName& channel : colourChannels(document_.imageMode))
        channelDescs_.push_back({0, 0, nullptr, nullptr, bounds, 8, channel.type, channel.name});
    if (document_.hasAlpha())
        channelDescs_.push_back(
            {0, 0, nullptr, nullptr, bounds, 8, ctTransparency, "Transparency"});
    for (size_t i = 0; i < channelDescs_.size(); ++i) {
        channelDescs_[i].port = ports_.port(static_cast<int32_t>(i));
        // Each list ends at the last colour channel; the alpha channel is a list of its own.
        if (i + 1 < document_.planes.size()) channelDescs_[i].next = &channelDescs_[i + 1];
    }
    documentInfo_ = {0,
                     0,
                     document_.imageMode,
                     8,
                     bounds,
                     &channelDescs_.front(),
                     document_.hasAlpha() ? &channelDescs_.back() : nullptr};
}

void FilterHost::prepareRecord() {
    describeDocument();
    record_ = FilterRecord{};
    record_.hostSig = hostSignature;
    record_.abortProc = &FilterHost::testAbort;
    record_.progressProc = &FilterHost::reportProgress;
    record_.parameters = parameters_;
    record_.imageSize = {document_.height, document_.width};
    record_.planes = static_cast<int16_t>(document_.planes.size());
    record_.filterRect = filterRect();
    record_.imageMode = static_cast<int16_t>(document_.imageMode);
    record_.depth = 8;
    record_.handleProcs = handles_.procs();
    record_.displayPixels = nullptr;
    record_.descriptorParameters = descriptorParameters_;
    record_.documentInfo = &documentInfo_;
    record_.sSPBasic = suites_.basicSuite();
    record_.plugInRef = module_.get();
    if (recordHook_) recordHook_(record_);
}

int16_t FilterHost::invoke(int16_t selector, FilterRecord* record) {
    report_ = CallReport{};
    report_.selector = selector;
    ports_.clearReadLog();
    const int64_t probesBefore = suites_.probes();
    int16_t result = 0;
    {
        CallBinding<FilterHost> host(*this);
        CallBinding<HandleTable> handles(handles_);
        CallBinding<SuiteRegistry> suites(suites_);
        std::vector<std::shared_ptr<void>> services;
        for (const auto& [service, bind] : binders_) services.push_back(bind());
        const auto started = std::chrono::steady_clock::now();
        module_->entryPoint()(selector, record, &data_, &result);
        report_.elapsed = std::chrono::steady_clock::now() - started;
    }
    report_.result = result;
    report_.outstandingLocks = handles_.outstandingLocks();
    report_.outstandingSuites = suites_.outstanding();
    report_.liveBuffers = buffers_.liveBuffers();
    report_.suiteProbes = suites_.probes() - probesBefore;
    return result;
}

int16_t FilterHost::call(int16_t selector) {
    if (selector == filterSelectorAbout) return about();
    prepareRecord();
    const int16_t result = invoke(selector, &record_);
    parameters_ = record_.parameters;
    if (selector == filterSelectorStart) {
        startReport_ = report_;
        if (result == noErr) commit();
    }
    ports_.detach();
    return result;
}

int16_t FilterHost::about() {
    AboutRecord record{nullptr, suites_.basicSuite(), module_.get()};
    return invoke(filterSelectorAbout, reinterpret_cast<FilterRecord*>(&record));
}

int16_t FilterHost::run() {
    for (int16_t selector : {filterSelectorParameters, filterSelectorPrepare, filterSelectorStart,
                             filterSelectorFinish}) {
        const int16_t result = call(selector);
        if (result != noErr) return result;
    }
    return noErr;
}

void FilterHost::commit() {
    const auto colourCount = static_cast<int32_t>(document_.planes.size());
    for (int32_t channel = 0; channel < ports_.channelCount(); ++channel) {
        if (!ports_.written(channel)) continue;
        auto& plane = channel < colourCount ? document_.planes[static_cast<size_t>(channel)]
                                            : document_.alpha;
        plane = ports_.takeResult(channel);
    }
}

// A failing progress display must not disturb the filter.
void FilterHost::reportProgress(int32_t done, int32_t total) noexcept {
    guardAction<FilterHost>([&](FilterHost& host) {
        host.report_.progress.emplace_back(done, total);
        if (host.progressHandler_) host.progressHandler_(done, total);
    });
}

// A host that cannot tell whether to go on stops the filter.
uint8_t FilterHost::testAbort() noexcept {
    return guardValue<FilterHost>(uint8_t{1}, [](FilterHost& host) -> uint8_t {
        return host.abortHandler_ && host.abortHandler_() ? 1 : 0;
    });
}

}  // namespace brivo::host
