// The scripting side of a filter host session: hands the module the descriptor it
// replays, offers the descriptor suites, and keeps what the finish selector records.
// The session binds store() for the length of each call.
#pragma once

#include <optional>

#include "host/runtime/filter_host.h"
#include "host/scripting/descriptor_store.h"

namespace brivo::host {

class DescriptorHost {
  public:
    // Attaches to host (which must outlive this object): the descriptor parameters go
    // into its FilterRecord and the two descriptor suites into its registry.
    explicit DescriptorHost(FilterHost& host);
    ~DescriptorHost();
    DescriptorHost(const DescriptorHost&) = delete;
    DescriptorHost& operator=(const DescriptorHost&) = delete;

    // The descriptor the next start reads, and how it is played. Without a call to
    // replay the start gets what the last finish recorded, or no reader at all.
    void replay(const DescriptorValues& values, int16_t playInfo = plugInDialogSilent);
    void setPlayInfo(int16_t playInfo) { parameters_.playInfo = playInfo; }
    // Forgets any descriptor: the next start gets no reader.
    void forget();

    // What the module last handed back (recorded by finish, or still the one replayed).
    std::optional<DescriptorValues> recorded();
    int16_t recordInfo() const { return parameters_.recordInfo; }
    PIDescriptorParameters& parameters() { return parameters_; }
    DescriptorStore& store() { return store_; }

  private:
    FilterHost& host_;
    DescriptorStore store_;
    PIDescriptorParameters parameters_{};
};

}  // namespace brivo::host
