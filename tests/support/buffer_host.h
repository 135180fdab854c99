// A HostDocument in the test's own process whose buffers come from the host's Buffer
// suite, for unit tests of code that allocates images.
#pragma once

#include <optional>

#include "filter_record.h"
#include "host/runtime/buffer_suite.h"
#include "host/runtime/call_binding.h"
#include "host/runtime/suite_registry.h"
#include "image/host_document.h"

namespace brivo::test {

struct BufferHost {
    BufferHost() {
        suites.add(kPSBufferSuite, kPSBufferSuiteVersion1, buffers.table());
        record.sSPBasic = suites.basicSuite();
        document.emplace(&record);
    }
    host::SuiteRegistry suites;
    host::BufferSuite buffers;
    host::CallBinding<host::SuiteRegistry> suiteBinding{suites};
    host::CallBinding<host::BufferSuite> bufferBinding{buffers};
    FilterRecord record{};
    std::optional<HostDocument> document;
};

}  // namespace brivo::test
