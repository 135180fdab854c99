#include "dialog/pattern_chooser.h"

#include <cstring>
#include <string_view>
#include <vector>

#include "adm_basic_suite.h"
#include "core/suite_holder.h"
#include "plugins_suite.h"

namespace brivo {

namespace {

// Process-wide: the folder is the same for every dialog of this loaded module.
ShapePath patternFolder;
bool patternFolderKnown = false;

// Description and pattern pairs, each NUL-terminated, ended by an empty text.
constexpr char kFilters[] =
    "Supported Image Files\0*.jpeg;*.jpg;*.png\0"
    "JPEG files (*.jpeg)\0*.jpeg;*.jpg\0"
    "PNG files (*.png)\0*.png\0";

// Room for any path the system can name; what the record cannot hold is refused after.
constexpr int32_t kPickedPathCapacity = 4096;

const ShapePath& startFolder(const SPBasicSuite* basic, void* plugInRef) {
    if (patternFolderKnown) return patternFolder;
    SuiteHolder<SPPluginsSuite4> plugins(basic, kSPPluginsSuite, kSPPluginsSuiteVersion4);
    int32_t length = 0;
    const SPErr sizing = plugins->GetPluginFilePath(plugInRef, nullptr, 0, &length);
    if (sizing != kSPNoError && sizing != kSPOperationFailedError) throw SuiteError{sizing};
    if (length <= 0) throw SuiteError{kSPOperationFailedError};
    std::vector<char> file(static_cast<size_t>(length) + 1);
    checkSuiteStatus(plugins->GetPluginFilePath(plugInRef, file.data(), length + 1, nullptr));
    ShapePath folder;
    // A module path too long for the record gives no start folder: the dialog opens in
    // the current folder instead, and the next use tries again.
    if (!folder.assign(std::string_view(file.data()))) return patternFolder;
    folder.cutToDirectory();
    if (!folder.appendComponent("Patterns")) return patternFolder;
    patternFolder = folder;
    patternFolderKnown = true;
    return patternFolder;
}

}  // namespace

PatternChoice choosePattern(const SPBasicSuite* basic, void* plugInRef) {
    const ShapePath& folder = startFolder(basic, plugInRef);
    SuiteHolder<ADMBasicSuite5> dialogs(basic, kADMBasicSuite, kADMBasicSuiteVersion5);
    std::vector<char> picked(kPickedPathCapacity, 0);
    const ADMErr status = dialogs->ChooseOpenFile("Choose Pattern...", kFilters, folder.c_str(),
                                                  picked.data(), kPickedPathCapacity);
    PatternChoice choice;
    if (status == kADMCancelledError) return choice;
    // The host refuses a path that does not fit the buffer rather than cut it.
    if (status == kSPBadParameterError) {
        choice.outcome = PatternChoice::Outcome::tooLong;
        return choice;
    }
    checkSuiteStatus(status);
    const std::string_view path(picked.data(), strnlen(picked.data(), picked.size()));
    if (path.empty()) return choice;
    if (!choice.path.assign(path)) {
        choice.outcome = PatternChoice::Outcome::tooLong;
        return choice;
    }
    choice.outcome = PatternChoice::Outcome::picked;
    return choice;
}

void forgetPatternFolder() {
    patternFolder = ShapePath();
    patternFolderKnown = false;
}

}  // namespace brivo
