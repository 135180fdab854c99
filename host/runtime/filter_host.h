// A host session: one loaded filter module, one document, and the services the module
// reaches through the FilterRecord built for each selector call.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "host/files/planar_document.h"
#include "host/runtime/buffer_suite.h"
#include "host/runtime/call_binding.h"
#include "host/runtime/channel_ports.h"
#include "host/runtime/handle_table.h"
#include "host/runtime/module_loader.h"
#include "host/runtime/suite_registry.h"
#include "pluginapi/filter_record.h"

namespace brivo::host {

// What one selector call left behind: every lock, suite and buffer a module takes
// within a call should be given back by its end.
struct CallReport {
    int16_t selector = 0;
    int16_t result = 0;
    int64_t outstandingLocks = 0;
    int64_t outstandingSuites = 0;
    int64_t liveBuffers = 0;
    int64_t suiteProbes = 0;                            // acquisition attempts in the call
    std::vector<std::pair<int32_t, int32_t>> progress;  // (done, total) as reported
    std::chrono::nanoseconds elapsed{0};                // time spent inside the module
};

class FilterHost {
  public:
    using ProgressHandler = std::function<void(int32_t done, int32_t total)>;
    using AbortHandler = std::function<bool()>;
    using RecordHook = std::function<void(FilterRecord&)>;

    FilterHost(std::unique_ptr<ModuleLoader> module, PlanarDocument document);
    ~FilterHost();
    FilterHost(const FilterHost&) = delete;
    FilterHost& operator=(const FilterHost&) = delete;

    // Calls the module with one selector and returns its result code. After a start
    // that succeeds, the channels the module wrote replace the document's; after any
    // other outcome the document is unchanged. Throws std::invalid_argument when the
    // document or the filter rectangle is unusable.
    int16_t call(int16_t selector);
    // The about selector, with an AboutRecord instead of a FilterRecord.
    int16_t about();
    // Parameters, prepare, start and finish, stopping at the first call that fails.
    int16_t run();

    PlanarDocument& document() { return document_; }
    const PlanarDocument& document() const { return document_; }

    // The area to filter; the whole image unless set. Throws std::invalid_argument for
    // a rectangle with reversed sides or reaching outside the image.
    void setFilterRect(const VRect& rect);
    void resetFilterRect() { filterRect_.reset(); }
    VRect filterRect() const;

    // Receivers of the module's progress reports and abort polls; an abort poll with no
    // handler answers "go on".
    void setProgressHandler(ProgressHandler handler) { progressHandler_ = std::move(handler); }
    void setAbortHandler(AbortHandler handler) { abortHandler_ = std::move(handler); }
    // Runs on each FilterRecord just before the call, to alter what the module gets
    // (for example to leave out a procedure).
    void setRecordHook(RecordHook hook) { recordHook_ = std::move(hook); }
    // The scripting parameters handed to the module; null when the host has none.
    void setDescriptorParameters(PIDescriptorParameters* parameters) {
        descriptorParameters_ = parameters;
    }

    HandleTable& handles() { return handles_; }
    SuiteRegistry& suites() { return suites_; }
    BufferSuite& buffers() { return buffers_; }
    ChannelPorts& ports() { return ports_; }
    const ModuleLoader& module() const { return *module_; }

    // Binds `service` with CallBinding<Service> during every call, so the procedures it
    // serves find it; it must stay alive until unbound or until this host goes.
    template <class Service>
    void bindDuringCalls(Service& service) {
        binders_.push_back({&service, [&service] {
                                return std::shared_ptr<void>(
                                    std::make_shared<CallBinding<Service>>(service));
                            }});
    }
    // Stops binding `service`, before it goes away.
    void unbind(const void* service) {
        std::erase_if(binders_, [&](const auto& binder) { return binder.first == service; });
    }
    // Offers the table of `service` under name and version, bound during every call.
    template <class Service>
    void offerSuite(const std::string& name, int32_t version, Service& service) {
        suites_.add(name, version, service.table());
        bindDuringCalls(service);
    }

    void withholdSuite(const std::string& name) { suites_.withhold(name); }
    void setBufferLimit(uint64_t bytes) { buffers_.setLimit(bytes); }

    // The blocks a host keeps for the module between calls.
    Handle parametersHandle() const { return parameters_; }
    void setParametersHandle(Handle handle) { parameters_ = handle; }
    intptr_t dataSlot() const { return data_; }

    const CallReport& lastCall() const { return report_; }
    // The report of the last start call, kept while later selectors run.
    const CallReport& lastStart() const { return startReport_; }

  private:
    void describeDocument();
    void prepareRecord();
    int16_t invoke(int16_t selector, FilterRecord* record);
    void commit();
    static void reportProgress(int32_t done, int32_t total) noexcept;
    static uint8_t testAbort() noexcept;

    std::unique_ptr<ModuleLoader> module_;
    PlanarDocument document_;
    HandleTable handles_;
    SuiteRegistry suites_;
    BufferSuite buffers_;
    ChannelPorts ports_;

    std::optional<VRect> filterRect_;
    ProgressHandler progressHandler_;
    AbortHandler abortHandler_;
    RecordHook recordHook_;
    std::vector<std::pair<const void*, std::function<std::shared_ptr<void>()>>> binders_;
    PIDescriptorParameters* descriptorParameters_ = nullptr;

    Handle parameters_ = nullptr;
    intptr_t data_ = 0;
    std::vector<ReadChannelDesc> channelDescs_;  // colour channels, then alpha
    ReadImageDocumentDesc documentInfo_{};
    FilterRecord record_{};
    CallReport report_;
    CallReport startReport_;
};

}  // namespace brivo::host
