#include "core/filter_parameters.h"

#include "core/parameter_table.h"

namespace brivo {

bool ShapePath::assign(std::string_view text) {
    if (text.empty()) return true;
    if (text.size() > kMaxLength || text.find('\0') != std::string_view::npos) return false;
    std::memcpy(text_, text.data(), text.size());
    text_[text.size()] = 0;
    return true;
}

bool ShapePath::operator==(const ShapePath& other) const {
    return std::strncmp(text_, other.text_, kCapacity) == 0;
}

bool ShapePath::appendComponent(std::string_view name) {
    const size_t used = length();
    if (used + 1 + name.size() > kMaxLength) return false;
    text_[used] = kSeparator;
    std::memcpy(text_ + used + 1, name.data(), name.size());
    text_[used + 1 + name.size()] = 0;
    return true;
}

void ShapePath::cutToDirectory() {
    char* last = std::strrchr(text_, kSeparator);
    if (last != nullptr) *last = 0;
}

std::string_view ShapePath::lastComponent() const {
    const std::string_view all(text_, length());
    const size_t cut = all.rfind(kSeparator);
    return cut == std::string_view::npos ? all : all.substr(cut + 1);
}

void FilterParameters::resetToDefaults() {
    for (const ParameterField& field : kParameterTable) resetField(*this, field);
}

bool FilterParameters::isCornerPinModified() const {
    for (int corner = 0; corner < 4; ++corner) {
        if (cornerPin[corner].x != kDefaultCornerPin[corner].x ||
            cornerPin[corner].y != kDefaultCornerPin[corner].y)
            return true;
    }
    return false;
}

void FilterParameters::makeSafe() {
    shapeFile.terminate();
    for (const ParameterField& field : kParameterTable) {
        if (field.type != ParameterType::enumerated) continue;
        int32_t& index = field.index(*this);
        if (index < 0 || index >= field.enumeration->count())
            index = field.enumeration->defaultIndex;
    }
}

}  // namespace brivo
