#include "host/scripting/descriptor_procs.h"

#include <cstring>
#include <string>
#include <utility>

#include "host/runtime/procedure_guard.h"
#include "host/scripting/descriptor_store.h"

namespace brivo::host {

namespace {

template <class Body>
SPErr guarded(Body&& body) noexcept {
    return guardStatus<DescriptorStore>(std::forward<Body>(body));
}

// Hands the reader's current value to take when it holds a T; otherwise the
// destination stays as it was.
template <class T, class Take>
SPErr readCurrent(PIReadDescriptor reader, Take take) noexcept {
    return guarded([&](DescriptorStore& bound) -> SPErr {
        DescriptorReader* open = bound.reader(reader);
        if (open == nullptr || open->current == nullptr) return kSPBadParameterError;
        const T* value = std::get_if<T>(&open->current->value);
        return value ? take(*value) : kSPBadParameterError;
    });
}

PIReadDescriptor openReader(PIDescriptorHandle descriptor, const DescriptorKeyID*) noexcept {
    if (descriptor == nullptr) return nullptr;
    return guardValue<DescriptorStore>(PIReadDescriptor{nullptr}, [&](DescriptorStore& bound) {
        return bound.openReader(descriptor);
    });
}

SPErr closeReader(PIReadDescriptor reader) noexcept {
    return guarded([&](DescriptorStore& bound) {
        return bound.closeReader(reader) ? kSPNoError : kSPBadParameterError;
    });
}

uint8_t getKey(PIReadDescriptor reader, DescriptorKeyID* key, DescType* type,
               int32_t* flags) noexcept {
    if (key == nullptr || type == nullptr) return 0;
    return guardValue<DescriptorStore>(uint8_t{0}, [&](DescriptorStore& bound) -> uint8_t {
        DescriptorReader* open = bound.reader(reader);
        if (open == nullptr) return 0;
        if (open->next >= open->values.items().size()) {
            open->current = nullptr;
            return 0;
        }
        open->current = &open->values.items()[open->next++];
        *key = open->current->key;
        *type = typeOf(open->current->value);
        if (flags != nullptr) *flags = 0;
        return 1;
    });
}

template <class T, class Out>
SPErr getScalar(PIReadDescriptor reader, Out* value) noexcept {
    if (value == nullptr) return kSPBadParameterError;
    return readCurrent<T>(reader, [value](const T& stored) {
        *value = static_cast<Out>(stored);
        return kSPNoError;
    });
}

SPErr getInteger(PIReadDescriptor reader, int32_t* value) noexcept {
    return getScalar<int32_t>(reader, value);
}

SPErr getFloat(PIReadDescriptor reader, double* value) noexcept {
    return getScalar<double>(reader, value);
}

SPErr getBoolean(PIReadDescriptor reader, uint8_t* value) noexcept {
    return getScalar<bool>(reader, value);
}

SPErr getEnumerated(PIReadDescriptor reader, DescriptorEnumID* value) noexcept {
    if (value == nullptr) return kSPBadParameterError;
    return readCurrent<EnumeratedValue>(reader, [value](const EnumeratedValue& stored) {
        *value = stored.code;
        return kSPNoError;
    });
}

SPErr getString(PIReadDescriptor reader, unsigned char value[256]) noexcept {
    if (value == nullptr) return kSPBadParameterError;
    return readCurrent<std::string>(reader, [value](const std::string& text) {
        if (text.size() > 255) return kSPBadParameterError;
        value[0] = static_cast<unsigned char>(text.size());
        std::memcpy(value + 1, text.data(), text.size());
        return kSPNoError;
    });
}

SPErr getText(PIReadDescriptor reader, char* value, uint32_t capacity, uint32_t* length) noexcept {
    if (length == nullptr || (value == nullptr && capacity != 0)) return kSPBadParameterError;
    return readCurrent<std::string>(reader, [&](const std::string& text) {
        if (text.size() > capacity) return kSPBadParameterError;
        std::memcpy(value, text.data(), text.size());
        *length = static_cast<uint32_t>(text.size());
        return kSPNoError;
    });
}

PIWriteDescriptor openWriter() noexcept {
    return guardValue<DescriptorStore>(PIWriteDescriptor{nullptr},
                                       [](DescriptorStore& bound) { return bound.openWriter(); });
}

SPErr closeWriter(PIWriteDescriptor writer, PIDescriptorHandle* descriptor) noexcept {
    if (descriptor == nullptr) return kSPBadParameterError;
    *descriptor = nullptr;
    return guarded([&](DescriptorStore& bound) {
        const std::optional<Handle> handle = bound.closeWriter(writer);
        if (!handle) return kSPBadParameterError;
        *descriptor = *handle;
        return *handle ? kSPNoError : kSPOutOfMemoryError;
    });
}

SPErr put(PIWriteDescriptor writer, DescriptorKeyID key, DescriptorValue value) noexcept {
    return guarded([&](DescriptorStore& bound) {
        DescriptorValues* open = bound.writer(writer);
        if (open == nullptr) return kSPBadParameterError;
        open->put(key, std::move(value));
        return kSPNoError;
    });
}

SPErr putInteger(PIWriteDescriptor writer, DescriptorKeyID key, int32_t value) noexcept {
    return put(writer, key, value);
}

SPErr putFloat(PIWriteDescriptor writer, DescriptorKeyID key, const double* value) noexcept {
    return value ? put(writer, key, *value) : kSPBadParameterError;
}

SPErr putEnumerated(PIWriteDescriptor writer, DescriptorKeyID key, DescriptorEnumTypeID type,
                    DescriptorEnumID value) noexcept {
    return put(writer, key, EnumeratedValue{type, value});
}

SPErr putBoolean(PIWriteDescriptor writer, DescriptorKeyID key, uint8_t value) noexcept {
    return put(writer, key, value != 0);
}

SPErr putString(PIWriteDescriptor writer, DescriptorKeyID key,
                const unsigned char* value) noexcept {
    if (value == nullptr) return kSPBadParameterError;
    return guarded([&](DescriptorStore&) {
        return put(writer, key, std::string(reinterpret_cast<const char*>(value + 1), value[0]));
    });
}

SPErr putText(PIWriteDescriptor writer, DescriptorKeyID key, const char* value,
              uint32_t length) noexcept {
    if (value == nullptr && length != 0) return kSPBadParameterError;
    return guarded([&](DescriptorStore&) {
        return put(writer, key, std::string(value ? value : "", length));
    });
}

ReadDescriptorProcs readProcs{1,           9,           &openReader, &closeReader,
                              &getKey,     &getInteger, &getFloat,   &getEnumerated,
                              &getBoolean, &getString,  &getText};
WriteDescriptorProcs writeProcs{1,           8,         &openWriter,    &closeWriter,
                                &putInteger, &putFloat, &putEnumerated, &putBoolean,
                                &putString,  &putText};

}  // namespace

ReadDescriptorProcs* readDescriptorProcs() noexcept {
    return &readProcs;
}
WriteDescriptorProcs* writeDescriptorProcs() noexcept {
    return &writeProcs;
}

}  // namespace brivo::host
