#include "host/runtime/suite_registry.h"

#include <gtest/gtest.h>

#include "host/runtime/call_binding.h"

namespace brivo::host {
namespace {

const int tableA = 1;
const int tableB = 2;

class SuiteRegistryTest : public ::testing::Test {
  protected:
    SuiteRegistryTest() {
        registry.add("A", 1, &tableA);
        registry.add("A", 2, &tableB);
    }
    SuiteRegistry registry;
};

TEST_F(SuiteRegistryTest, AcquiresByNameAndExactVersion) {
    const void* suite = &tableB;
    EXPECT_EQ(registry.acquire("A", 1, &suite), kSPNoError);
    EXPECT_EQ(suite, &tableA);
    EXPECT_EQ(registry.acquire("A", 2, &suite), kSPNoError);
    EXPECT_EQ(suite, &tableB);
    EXPECT_EQ(registry.acquire("A", 3, &suite), kSPSuiteNotFoundError);
    EXPECT_EQ(suite, nullptr);
    EXPECT_EQ(registry.acquire("B", 1, &suite), kSPSuiteNotFoundError);
    EXPECT_EQ(registry.acquire(nullptr, 1, &suite), kSPBadParameterError);
    EXPECT_EQ(registry.acquire("A", 1, nullptr), kSPBadParameterError);
    EXPECT_EQ(registry.probes(), 6);
}

TEST_F(SuiteRegistryTest, CountsOutstandingAcquisitions) {
    const void* suite = nullptr;
    registry.acquire("A", 1, &suite);
    registry.acquire("A", 1, &suite);
    registry.acquire("A", 2, &suite);
    EXPECT_EQ(registry.outstanding(), 3);
    EXPECT_EQ(registry.outstanding("A"), 3);
    EXPECT_EQ(registry.release("A", 1), kSPNoError);
    EXPECT_EQ(registry.release("A", 2), kSPNoError);
    EXPECT_EQ(registry.outstanding(), 1);
    EXPECT_EQ(registry.release("A", 1), kSPNoError);
    // Releasing what is not held is refused and cannot push the count below zero.
    EXPECT_EQ(registry.release("A", 1), kSPBadParameterError);
    EXPECT_EQ(registry.release("B", 1), kSPBadParameterError);
    EXPECT_EQ(registry.outstanding(), 0);
}

TEST_F(SuiteRegistryTest, WithheldSuitesAreRefusedAtEveryVersionUntilOffered) {
    registry.withhold("A");
    const void* suite = &tableA;
    EXPECT_EQ(registry.acquire("A", 1, &suite), kSPSuiteNotFoundError);
    EXPECT_EQ(suite, nullptr);
    EXPECT_EQ(registry.acquire("A", 2, &suite), kSPSuiteNotFoundError);
    EXPECT_EQ(registry.outstanding(), 0);
    registry.offer("A");
    EXPECT_EQ(registry.acquire("A", 2, &suite), kSPNoError);
}

TEST_F(SuiteRegistryTest, BasicSuiteServesTheBoundRegistryOnly) {
    SPBasicSuite& basic = *registry.basicSuite();
    const void* suite = &tableB;
    EXPECT_EQ(basic.AcquireSuite("A", 1, &suite), kSPBadParameterError);
    EXPECT_EQ(suite, nullptr);

    CallBinding<SuiteRegistry> binding(registry);
    EXPECT_EQ(basic.AcquireSuite("A", 1, &suite), kSPNoError);
    EXPECT_EQ(suite, &tableA);
    EXPECT_EQ(basic.ReleaseSuite("A", 1), kSPNoError);
    EXPECT_EQ(registry.outstanding(), 0);
    EXPECT_TRUE(basic.IsEqual("A", "A"));
    EXPECT_FALSE(basic.IsEqual("A", "B"));
    EXPECT_FALSE(basic.IsEqual("A", nullptr));
}

}  // namespace
}  // namespace brivo::host
