// Shared pieces of the toolkit tests: every suite table, and callbacks that record what
// the toolkit told them.
#pragma once

#include <string>
#include <vector>

#include "support/toolkit_fixture.h"

namespace brivo::test {

// Acquired from a registry for the object's life; the tables the recording callbacks use.
struct ToolkitTables {
    explicit ToolkitTables(HeadlessToolkit& fixture) : ToolkitTables(fixture.registry) {}
    explicit ToolkitTables(host::SuiteRegistry& registry);
    ~ToolkitTables();
    ToolkitTables(const ToolkitTables&) = delete;
    ToolkitTables& operator=(const ToolkitTables&) = delete;

    host::SuiteRegistry& registry;

    const ADMBasicSuite5* basic;
    const ADMDialogSuite5* dialog;
    const ADMItemSuite5* item;
    const ADMNotifierSuite2* notifier;
    const ADMTrackerSuite1* tracker;
    const ADMListSuite2* list;
    const ADMEntrySuite4* entry;
    const ADMListEntrySuite2* listEntry;
    const ADMDrawerSuite3* drawer;
    const ADMImageSuite1* image;
    const ADMIconSuite2* icon;
};

// What the callbacks saw, in order: "notify <type>", "track <action> <x>,<y> <mods>",
// "draw <left>,<top>,<right>,<bottom>", "destroy". Each item created with record() gets
// its own log as user data.
struct CallLog {
    std::vector<std::string> calls;
    // When set, the track callback also runs the default tracking and returns its result.
    bool defaultTracking = true;

    // The calls whose text starts with prefix ("track", "notify", ...).
    std::vector<std::string> only(const std::string& prefix) const;
};

// Init callbacks that install the recording callbacks; the item's user data is a CallLog.
ADMErr recordItem(ADMItemRef item);
ADMErr recordDialog(ADMDialogRef dialog);

}  // namespace brivo::test
