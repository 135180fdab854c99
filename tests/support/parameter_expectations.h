// Comparing parameter records in tests.
#pragma once

#include "core/filter_parameters.h"

namespace brivo::test {

// Expects every field of actual to equal expected's, field by field through the parameter
// table (a byte comparison would also compare the record's padding).
void expectSameValues(const FilterParameters& actual, const FilterParameters& expected);

}  // namespace brivo::test
