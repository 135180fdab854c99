// Every host procedure maps failures to statuses the same way.
#include "host/runtime/procedure_guard.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

namespace brivo::host {
namespace {

struct Service {
    int calls = 0;
};

TEST(ProcedureGuardTest, MapsEachFailureToItsStatus) {
    Service service;
    const auto ok = [](Service& s) {
        ++s.calls;
        return kSPNoError;
    };
    EXPECT_EQ(guardStatus<Service>(ok), kSPBadParameterError) << "outside a call";

    CallBinding<Service> binding(service);
    EXPECT_EQ(guardStatus<Service>(ok), kSPNoError);
    EXPECT_EQ(service.calls, 1);
    EXPECT_EQ(guardStatus<Service>([](Service&) -> SPErr { throw std::bad_alloc(); }),
              kSPOutOfMemoryError);
    EXPECT_EQ(guardStatus<Service>([](Service&) -> SPErr { throw std::invalid_argument("bad"); }),
              kSPBadParameterError);
    EXPECT_EQ(guardStatus<Service>([](Service&) -> SPErr { throw std::runtime_error("no"); }),
              kSPOperationFailedError);
    EXPECT_EQ(guardStatus<Service>([](Service&) -> SPErr { throw 42; }), kSPOperationFailedError);
}

TEST(ProcedureGuardTest, ValueAndActionProceduresFallBackQuietly) {
    Service service;
    EXPECT_EQ(guardValue<Service>(-1, [](Service&) { return 7; }), -1) << "outside a call";
    guardAction<Service>([](Service& s) { ++s.calls; });
    EXPECT_EQ(service.calls, 0);

    CallBinding<Service> binding(service);
    EXPECT_EQ(guardValue<Service>(-1, [](Service&) { return 7; }), 7);
    EXPECT_EQ(guardValue<Service>(-1, [](Service&) -> int { throw std::bad_alloc(); }), -1);
    guardAction<Service>([](Service& s) { ++s.calls; });
    EXPECT_NO_THROW(guardAction<Service>([](Service&) { throw std::runtime_error("dropped"); }));
    EXPECT_EQ(service.calls, 1);
}

}  // namespace
}  // namespace brivo::host
