// The host's scripting state for one session: descriptors travelling as host handles,
// the module's open readers and writers, action descriptors from the Action Descriptor
// suite, and the descriptor registry. The procedure tables (descriptor_procs.h,
// descriptor_suites.h) act on the store bound with CallBinding<DescriptorStore>.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

#include "host/runtime/handle_table.h"
#include "host/scripting/descriptor_values.h"
#include "pluginapi/descriptor_suites.h"

namespace brivo::host {

// A reader's position: the values, and the item last yielded by getKey.
struct DescriptorReader {
    DescriptorValues values;
    size_t next = 0;
    const DescriptorItem* current = nullptr;
};

class DescriptorStore {
  public:
    explicit DescriptorStore(HandleTable& handles);
    ~DescriptorStore();
    DescriptorStore(const DescriptorStore&) = delete;
    DescriptorStore& operator=(const DescriptorStore&) = delete;

    // A new host handle holding values (the module may dispose of it); null when memory
    // is short. The values held by a handle; nothing for a null, unknown or unreadable one.
    Handle makeHandle(const DescriptorValues& values);
    std::optional<DescriptorValues> valuesOf(Handle handle);

    // Readers over a descriptor handle; null when it holds no readable descriptor.
    PIReadDescriptor openReader(Handle descriptor);
    DescriptorReader* reader(PIReadDescriptor reader);  // null for unknown
    bool closeReader(PIReadDescriptor reader);

    PIWriteDescriptor openWriter();
    DescriptorValues* writer(PIWriteDescriptor writer);  // null for unknown
    // Ends writing; the values go into a new handle (null when memory is short).
    std::optional<Handle> closeWriter(PIWriteDescriptor writer);

    // Action descriptors made for the module, and the registry that keeps copies.
    PIActionDescriptor makeDescriptor();
    bool freeDescriptor(PIActionDescriptor descriptor);
    bool registerEntry(const std::string& key, PIActionDescriptor descriptor);
    bool eraseEntry(const std::string& key);
    // A fresh action descriptor copying the entry; null when there is none.
    PIActionDescriptor copyEntry(const std::string& key);
    bool hasEntry(const std::string& key) const { return registry_.contains(key); }

    // Readers, writers and action descriptors handed out and not yet closed or freed.
    int64_t liveDescriptors() const;

  private:
    HandleTable& handles_;
    std::unordered_map<PIReadDescriptor, std::unique_ptr<DescriptorReader>> readers_;
    std::unordered_map<PIWriteDescriptor, std::unique_ptr<DescriptorValues>> writers_;
    std::unordered_map<PIActionDescriptor, std::unique_ptr<DescriptorValues>> descriptors_;
    std::map<std::string, DescriptorValues> registry_;
};

}  // namespace brivo::host
