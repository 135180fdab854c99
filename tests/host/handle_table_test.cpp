#include "host/runtime/handle_table.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "host/runtime/call_binding.h"

namespace brivo::host {
namespace {

TEST(HandleTable, CreatesZeroedBlocksOfTheAskedSize) {
    HandleTable table;
    Handle handle = table.create(64);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(table.size(handle), 64);
    auto bytes = table.contents(handle);
    ASSERT_EQ(bytes.size(), 64u);
    EXPECT_TRUE(std::all_of(bytes.begin(), bytes.end(), [](char c) { return c == 0; }));
    EXPECT_EQ(table.liveHandles(), 1);

    Handle empty = table.create(0);
    ASSERT_NE(empty, nullptr);
    EXPECT_NE(table.lock(empty), nullptr);  // a zero-size block still locks
    EXPECT_EQ(table.create(-1), nullptr);
}

TEST(HandleTable, LocksNestAndAreCounted) {
    HandleTable table;
    Handle handle = table.create(8);
    char* first = table.lock(handle);
    char* second = table.lock(handle);
    EXPECT_EQ(first, second);
    EXPECT_EQ(table.outstandingLocks(), 2);
    table.unlock(handle);
    table.unlock(handle);
    table.unlock(handle);  // one unlock too many is ignored, not counted below zero
    EXPECT_EQ(table.outstandingLocks(), 0);
    table.lock(handle);
    table.dispose(handle);  // disposing drops its locks
    EXPECT_EQ(table.outstandingLocks(), 0);
    EXPECT_EQ(table.liveHandles(), 0);
}

TEST(HandleTable, UnknownAndNullHandlesAreHarmless) {
    HandleTable table;
    Handle handle = table.create(8);
    table.dispose(handle);
    for (Handle stale : {handle, Handle{nullptr}}) {
        EXPECT_EQ(table.size(stale), 0);
        EXPECT_EQ(table.lock(stale), nullptr);
        EXPECT_TRUE(table.contents(stale).empty());
        table.unlock(stale);
        table.dispose(stale);
    }
    EXPECT_EQ(table.liveHandles(), 0);
}

TEST(HandleTable, PlannedFailuresHitOnlyTheNextCalls) {
    HandleTable table;
    table.failNextCreates(2);
    EXPECT_EQ(table.create(4), nullptr);
    EXPECT_EQ(table.create(4), nullptr);
    Handle handle = table.create(4);
    ASSERT_NE(handle, nullptr);

    table.failNextLocks(1);
    EXPECT_EQ(table.lock(handle), nullptr);
    EXPECT_EQ(table.outstandingLocks(), 0);
    EXPECT_NE(table.lock(handle), nullptr);
}

TEST(HandleTable, ProceduresServeTheBoundTableOnly) {
    HandleTable table;
    const HandleProcs& procs = *table.procs();
    EXPECT_EQ(procs.newProc(16), nullptr);  // no call in progress

    CallBinding<HandleTable> binding(table);
    Handle handle = procs.newProc(16);
    ASSERT_TRUE(table.contains(handle));
    EXPECT_EQ(procs.getSizeProc(handle), 16);
    char* bytes = procs.lockProc(handle, 1);
    ASSERT_NE(bytes, nullptr);
    bytes[3] = 42;
    procs.unlockProc(handle);
    EXPECT_EQ(table.contents(handle)[3], 42);
    procs.disposeProc(handle);
    EXPECT_FALSE(table.contains(handle));
}

}  // namespace
}  // namespace brivo::host
