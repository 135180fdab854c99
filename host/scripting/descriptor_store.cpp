#include "host/scripting/descriptor_store.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace brivo::host {

namespace {

// The objects' own addresses serve as the opaque values handed to the module.
template <class Opaque, class Object>
Opaque opaque(Object* object) {
    return reinterpret_cast<Opaque>(object);
}

template <class Map>
auto* lookup(Map& map, typename Map::key_type key) {
    auto found = map.find(key);
    return found == map.end() ? nullptr : found->second.get();
}

}  // namespace

DescriptorStore::DescriptorStore(HandleTable& handles) : handles_(handles) {}

DescriptorStore::~DescriptorStore() = default;

Handle DescriptorStore::makeHandle(const DescriptorValues& values) {
    const std::vector<char> bytes = values.encode();
    if (bytes.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) return nullptr;
    Handle handle = handles_.create(static_cast<int32_t>(bytes.size()));
    if (handle == nullptr) return nullptr;
    std::ranges::copy(bytes, handles_.contents(handle).begin());
    return handle;
}

std::optional<DescriptorValues> DescriptorStore::valuesOf(Handle handle) {
    if (handle == nullptr || !handles_.contains(handle)) return std::nullopt;
    return DescriptorValues::decode(handles_.contents(handle));
}

PIReadDescriptor DescriptorStore::openReader(Handle descriptor) {
    std::optional<DescriptorValues> values = valuesOf(descriptor);
    if (!values) return nullptr;
    auto reader = std::make_unique<DescriptorReader>();
    reader->values = std::move(*values);
    auto key = opaque<PIReadDescriptor>(reader.get());
    readers_.emplace(key, std::move(reader));
    return key;
}

DescriptorReader* DescriptorStore::reader(PIReadDescriptor reader) {
    return lookup(readers_, reader);
}

bool DescriptorStore::closeReader(PIReadDescriptor reader) {
    return readers_.erase(reader) != 0;
}

PIWriteDescriptor DescriptorStore::openWriter() {
    auto values = std::make_unique<DescriptorValues>();
    auto key = opaque<PIWriteDescriptor>(values.get());
    writers_.emplace(key, std::move(values));
    return key;
}

DescriptorValues* DescriptorStore::writer(PIWriteDescriptor writer) {
    return lookup(writers_, writer);
}

std::optional<Handle> DescriptorStore::closeWriter(PIWriteDescriptor writer) {
    auto found = writers_.find(writer);
    if (found == writers_.end()) return std::nullopt;
    const std::unique_ptr<DescriptorValues> values = std::move(found->second);
    writers_.erase(found);
    return makeHandle(*values);
}

PIActionDescriptor DescriptorStore::makeDescriptor() {
    auto values = std::make_unique<DescriptorValues>();
    auto key = opaque<PIActionDescriptor>(values.get());
    descriptors_.emplace(key, std::move(values));
    return key;
}

bool DescriptorStore::freeDescriptor(PIActionDescriptor descriptor) {
    return descriptors_.erase(descriptor) != 0;
}

bool DescriptorStore::registerEntry(const std::string& key, PIActionDescriptor descriptor) {
    const DescriptorValues* values = lookup(descriptors_, descriptor);
    if (values == nullptr) return false;
    registry_.insert_or_assign(key, *values);
    return true;
}

bool DescriptorStore::eraseEntry(const std::string& key) {
    return registry_.erase(key) != 0;
}

PIActionDescriptor DescriptorStore::copyEntry(const std::string& key) {
    auto found = registry_.find(key);
    if (found == registry_.end()) return nullptr;
    PIActionDescriptor copy = makeDescriptor();
    *descriptors_.at(copy) = found->second;
    return copy;
}

int64_t DescriptorStore::liveDescriptors() const {
    return static_cast<int64_t>(readers_.size() + writers_.size() + descriptors_.size());
}

}  // namespace brivo::host
