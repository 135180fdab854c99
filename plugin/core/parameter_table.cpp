#include "core/parameter_table.h"

#include <cmath>

namespace brivo {

void storeEnumeration(FilterParameters& parameters, const ParameterField& field,
                      DescriptorEnumID code) {
    if (const std::optional<int32_t> index = field.enumeration->indexOf(code))
        field.index(parameters) = *index;
}

void storeColour(FilterParameters& parameters, const ParameterField& field, double value) {
    uint16_t& component = field.colour(parameters);
    if (std::isnan(value))
        component = static_cast<uint16_t>(field.defaultValue);
    else
        component = static_cast<uint16_t>(std::clamp(std::trunc(value), 0.0, 65535.0));
}

void resetField(FilterParameters& parameters, const ParameterField& field) {
    switch (field.type) {
        case ParameterType::enumerated:
            field.index(parameters) = static_cast<int32_t>(field.defaultValue);
            break;
        case ParameterType::real:
            field.real(parameters) = field.defaultValue;
            break;
        case ParameterType::colour:
            field.colour(parameters) = static_cast<uint16_t>(field.defaultValue);
            break;
        case ParameterType::path:
            field.path(parameters) = ShapePath();
            break;
        case ParameterType::ignored:
            break;
    }
}

bool isRecorded(const FilterParameters& parameters, const ParameterField& field) {
    if (!field.isStored()) return false;
    const int corner = field.corner();
    return corner < 0 || parameters.cornerPin[corner] != kDefaultCornerPin[corner];
}

}  // namespace brivo
