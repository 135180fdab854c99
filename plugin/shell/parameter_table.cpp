#include "shell/parameter_table.h"

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

bool isRecorded(const FilterParameters& parameters, const ParameterField& field) {
    const int corner = field.corner();
    return corner < 0 || parameters.cornerPin[corner] != kDefaultCornerPin[corner];
}

}  // namespace brivo
