#include "shell/descriptor_reader.h"

#include <array>
#include <string_view>

#include "core/parameter_table.h"

namespace brivo {

namespace {

constexpr size_t kStoredFieldCount =
    std::ranges::count_if(kParameterTable, &ParameterField::isStored);

// The keys of the stored fields, which the reader announces to the host, ending with 0.
constexpr auto kKeyList = [] {
    std::array<DescriptorKeyID, kStoredFieldCount + 1> keys{};
    size_t next = 0;
    for (const ParameterField& field : kParameterTable)
        if (field.isStored()) keys[next++] = field.key;
    return keys;
}();

// getTextProc is the ninth procedure; an older, shorter table lacks it.
bool hasTextGetter(const ReadDescriptorProcs& procs) {
    return procs.numReadDescriptorProcs >= 9 && procs.getTextProc != nullptr;
}

void readPath(const ReadDescriptorProcs& procs, PIReadDescriptor reader, ShapePath& path) {
    if (hasTextGetter(procs)) {
        // A text longer than the path field holds is refused by the host (nothing is
        // written) and the path stays empty.
        char text[ShapePath::kMaxLength];
        uint32_t length = 0;
        if (procs.getTextProc(reader, text, sizeof text, &length) == kSPNoError &&
            length <= sizeof text)
            path.assign(std::string_view(text, length));
    } else if (procs.getStringProc != nullptr) {
        unsigned char pascal[256];
        if (procs.getStringProc(reader, pascal) == kSPNoError)
            path.assign(std::string_view(reinterpret_cast<const char*>(pascal + 1), pascal[0]));
    }
}

// Colour components are recorded as integers; a host may also hand them over as
// floats, so the type the host announces decides the getter.
void readColour(const ReadDescriptorProcs& procs, PIReadDescriptor reader, DescType type,
                const ParameterField& field, FilterParameters& parameters) {
    if (type == typeInteger) {
        int32_t value = 0;
        if (procs.getIntegerProc != nullptr && procs.getIntegerProc(reader, &value) == kSPNoError)
            storeColour(parameters, field, value);
    } else {
        double value = 0;
        if (procs.getFloatProc != nullptr && procs.getFloatProc(reader, &value) == kSPNoError)
            storeColour(parameters, field, value);
    }
}

// Stores the value under the current key; a value whose getter fails (wrong type,
// missing procedure) does not arrive.
void readValue(const ReadDescriptorProcs& procs, PIReadDescriptor reader, DescType type,
               const ParameterField& field, FilterParameters& parameters) {
    switch (field.type) {
        case ParameterType::enumerated: {
            DescriptorEnumID code = 0;
            if (procs.getEnumeratedProc != nullptr &&
                procs.getEnumeratedProc(reader, &code) == kSPNoError)
                storeEnumeration(parameters, field, code);
            break;
        }
        case ParameterType::real: {
            double value = 0;
            if (procs.getFloatProc != nullptr && procs.getFloatProc(reader, &value) == kSPNoError)
                field.real(parameters) = value;
            break;
        }
        case ParameterType::colour:
            readColour(procs, reader, type, field, parameters);
            break;
        case ParameterType::path:
            readPath(procs, reader, field.path(parameters));
            break;
        case ParameterType::ignored:
            break;
    }
}

}  // namespace

bool readDescriptor(const PIDescriptorParameters* descriptorParameters,
                    FilterParameters& parameters) {
    if (descriptorParameters == nullptr || descriptorParameters->readDescriptorProcs == nullptr)
        return false;
    const ReadDescriptorProcs& procs = *descriptorParameters->readDescriptorProcs;
    if (procs.openReadDescriptorProc == nullptr || procs.getKeyProc == nullptr) return false;
    PIReadDescriptor reader =
        procs.openReadDescriptorProc(descriptorParameters->descriptor, kKeyList.data());
    if (reader == nullptr) return false;

    parameters.resetToDefaults();
    DescriptorKeyID key = 0;
    DescType type = 0;
    while (procs.getKeyProc(reader, &key, &type, nullptr) != 0) {
        if (const ParameterField* field = findParameterByKey(key))
            readValue(procs, reader, type, *field, parameters);
    }
    if (procs.closeReadDescriptorProc != nullptr) procs.closeReadDescriptorProc(reader);
    return true;
}

}  // namespace brivo
