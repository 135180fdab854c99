#include "support/parameter_expectations.h"

#include <gtest/gtest.h>

#include "core/parameter_table.h"

namespace brivo::test {

void expectSameValues(const FilterParameters& actual, const FilterParameters& expected) {
    FilterParameters a = actual;
    FilterParameters e = expected;
    for (const ParameterField& field : kParameterTable) {
        switch (field.type) {
            case ParameterType::enumerated:
                EXPECT_EQ(field.index(a), field.index(e)) << field.name;
                break;
            case ParameterType::real:
                EXPECT_EQ(field.real(a), field.real(e)) << field.name << field.component;
                break;
            case ParameterType::colour:
                EXPECT_EQ(field.colour(a), field.colour(e)) << field.name << field.component;
                break;
            case ParameterType::path:
                EXPECT_STREQ(field.path(a).c_str(), field.path(e).c_str());
                break;
            case ParameterType::ignored:
                break;
        }
    }
}

}  // namespace brivo::test
