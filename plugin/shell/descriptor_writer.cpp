#include "shell/descriptor_writer.h"

#include <string_view>

#include "core/parameter_table.h"

namespace brivo {

namespace {

// putTextProc is the eighth procedure; an older, shorter table lacks it.
bool hasTextPutter(const WriteDescriptorProcs& procs) {
    return procs.numWriteDescriptorProcs >= 8 && procs.putTextProc != nullptr;
}

// A path that fits a Pascal string travels as one; a longer path goes as text of
// explicit length, or not at all on a host without it (never cut to another name).
void putPath(const WriteDescriptorProcs& procs, PIWriteDescriptor writer, DescriptorKeyID key,
             const ShapePath& path) {
    const std::string_view text(path.c_str(), path.length());
    if (text.size() <= 255) {
        if (procs.putStringProc == nullptr) return;
        unsigned char pascal[256];
        pascal[0] = static_cast<unsigned char>(text.size());
        text.copy(reinterpret_cast<char*>(pascal + 1), text.size());
        procs.putStringProc(writer, key, pascal);
    } else if (hasTextPutter(procs)) {
        procs.putTextProc(writer, key, text.data(), static_cast<uint32_t>(text.size()));
    }
}

void putValue(const WriteDescriptorProcs& procs, PIWriteDescriptor writer,
              const ParameterField& field, FilterParameters& record) {
    switch (field.type) {
        case ParameterType::enumerated:
            if (procs.putEnumeratedProc != nullptr)
                procs.putEnumeratedProc(writer, field.key, field.enumeration->type,
                                        field.enumeration->codeOf(field.index(record)));
            break;
        case ParameterType::real:
            if (procs.putFloatProc != nullptr)
                procs.putFloatProc(writer, field.key, &field.real(record));
            break;
        case ParameterType::colour:
            if (procs.putIntegerProc != nullptr)
                procs.putIntegerProc(writer, field.key, field.colour(record));
            break;
        case ParameterType::path:
            putPath(procs, writer, field.key, field.path(record));
            break;
        case ParameterType::ignored:
            break;
    }
}

}  // namespace

void writeDescriptor(PIDescriptorParameters* descriptorParameters, const HandleProcs* handleProcs,
                     const FilterParameters& parameters) {
    if (descriptorParameters == nullptr || descriptorParameters->writeDescriptorProcs == nullptr)
        return;
    const WriteDescriptorProcs& procs = *descriptorParameters->writeDescriptorProcs;
    if (procs.openWriteDescriptorProc == nullptr || procs.closeWriteDescriptorProc == nullptr)
        return;
    PIWriteDescriptor writer = procs.openWriteDescriptorProc();
    if (writer == nullptr) return;

    FilterParameters record = parameters;
    for (const ParameterField& field : kParameterTable)
        if (isRecorded(record, field)) putValue(procs, writer, field, record);

    PIDescriptorHandle written = nullptr;
    procs.closeWriteDescriptorProc(writer, &written);
    // The old descriptor goes only once a new one has taken its place.
    if (written == nullptr) return;
    PIDescriptorHandle old = descriptorParameters->descriptor;
    if (old != nullptr && old != written && handleProcs != nullptr &&
        handleProcs->disposeProc != nullptr)
        handleProcs->disposeProc(old);
    descriptorParameters->descriptor = written;
    descriptorParameters->recordInfo = plugInDialogOptional;
}

}  // namespace brivo
