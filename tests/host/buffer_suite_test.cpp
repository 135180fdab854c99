#include "host/runtime/buffer_suite.h"

#include <gtest/gtest.h>

#include <cstring>

#include "host/runtime/call_binding.h"

namespace brivo::host {
namespace {

TEST(BufferSuite, LendsExactSizesAndCountsThem) {
    BufferSuite suite(1000);
    void* first = suite.allocate(300);
    void* second = suite.allocate(700);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    std::memset(second, 1, 700);  // the whole block is usable
    EXPECT_EQ(suite.liveBuffers(), 2);
    EXPECT_EQ(suite.liveBytes(), 1000u);
    EXPECT_EQ(suite.space(), 0u);
    suite.release(first);
    EXPECT_EQ(suite.liveBytes(), 700u);
    EXPECT_EQ(suite.space(), 300u);
}

TEST(BufferSuite, RefusesPastTheLimit) {
    BufferSuite suite(100);
    EXPECT_EQ(suite.allocate(101), nullptr);
    void* block = suite.allocate(60);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(suite.allocate(41), nullptr);
    EXPECT_NE(suite.allocate(40), nullptr);
    suite.setLimit(0);
    EXPECT_EQ(suite.allocate(1), nullptr);
    EXPECT_EQ(suite.liveBuffers(), 2);
}

TEST(BufferSuite, LargeBlocksAreCountedAtTheirRequestedSize) {
    const uint64_t large = (uint64_t{3} << 20) + 5;  // mapped and rounded up inside the host
    BufferSuite suite(2 * large);
    void* first = suite.allocate(large);
    ASSERT_NE(first, nullptr);
    std::memset(first, 7, large);
    EXPECT_EQ(suite.liveBytes(), large);
    EXPECT_EQ(suite.space(), large);
    EXPECT_EQ(suite.allocate(large + 1), nullptr);  // the rounding slack is not lendable
    void* second = suite.allocate(large);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(suite.space(), 0u);
    suite.release(first);
    EXPECT_EQ(suite.liveBuffers(), 1);
    EXPECT_EQ(suite.space(), large);
    // The second block is still lent when the suite goes: its destructor gives it back.
}

TEST(BufferSuite, RefusesWhatTheMachineCannotHold) {
    BufferSuite suite;
    EXPECT_EQ(suite.allocate(UINT64_MAX), nullptr);
    EXPECT_EQ(suite.allocate(uint64_t{1} << 60), nullptr);  // under the limit, beyond memory
    EXPECT_EQ(suite.liveBuffers(), 0);
    EXPECT_EQ(suite.liveBytes(), 0u);
}

TEST(BufferSuite, ZeroBytesGiveAReturnableBlock) {
    BufferSuite suite(0);
    void* block = suite.allocate(0);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(suite.liveBuffers(), 1);
    suite.release(block);
    EXPECT_EQ(suite.liveBuffers(), 0);
}

TEST(BufferSuite, ForeignAndRepeatedReleasesAreIgnored) {
    BufferSuite suite;
    int foreign = 0;
    void* block = suite.allocate(10);
    suite.release(&foreign);
    suite.release(nullptr);
    EXPECT_EQ(suite.liveBuffers(), 1);
    suite.release(block);
    suite.release(block);
    EXPECT_EQ(suite.liveBytes(), 0u);
}

TEST(BufferSuite, TableServesTheBoundSuiteOnly) {
    BufferSuite suite(50);
    const PSBufferSuite1& table = *suite.table();
    EXPECT_EQ(table.New(10), nullptr);
    EXPECT_EQ(table.GetSpace(), 0u);

    CallBinding<BufferSuite> binding(suite);
    void* block = table.New(10);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(table.GetSpace(), 40u);
    table.Dispose(block);
    EXPECT_EQ(suite.liveBuffers(), 0);
}

}  // namespace
}  // namespace brivo::host
