// Sample photographs written by other programs, for the decoders' tests.
#pragma once

#include <filesystem>

namespace brivo::test {

// scikit-image's sample data: the installed package's folder, or the copy that
// tools/fetch-test-images.sh unpacks into the source tree; the installed path (which then
// does not exist) when neither is there.
inline std::filesystem::path skimageData() {
    const std::filesystem::path installed = "/usr/lib/python3/dist-packages/skimage/data";
    const std::filesystem::path unpacked =
        std::filesystem::path(BRIVO_SOURCE_DIR) / ".test-data" / "skimage";
    if (!std::filesystem::exists(installed / "camera.png") &&
        std::filesystem::exists(unpacked / "camera.png"))
        return unpacked;
    return installed;
}

}  // namespace brivo::test
