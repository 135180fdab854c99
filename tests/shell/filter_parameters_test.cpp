// The parameter record's path field and the repairs applied to a record read from host
// memory.
#include "core/filter_parameters.h"
#include "core/parameter_table.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace brivo {
namespace {

TEST(ShapePath, AssignKeepsWhatFitsAndRefusesTheRest) {
    ShapePath path;
    EXPECT_TRUE(path.isEmpty());
    EXPECT_TRUE(path.assign("/a/b.png"));
    EXPECT_STREQ(path.c_str(), "/a/b.png");

    // Empty text leaves the path as it was.
    EXPECT_TRUE(path.assign(""));
    EXPECT_STREQ(path.c_str(), "/a/b.png");

    const std::string longest(ShapePath::kMaxLength, 'x');
    EXPECT_TRUE(path.assign(longest));
    EXPECT_EQ(path.length(), ShapePath::kMaxLength);

    // Too long, or with an embedded terminator: refused, the old text stays whole.
    EXPECT_TRUE(path.assign("/keep.png"));
    EXPECT_FALSE(path.assign(std::string(ShapePath::kCapacity, 'y')));
    EXPECT_FALSE(path.assign(std::string("/a\0b", 4)));
    EXPECT_STREQ(path.c_str(), "/keep.png");

    // A shorter text after a longer one is terminated properly.
    EXPECT_TRUE(path.assign("/z"));
    EXPECT_STREQ(path.c_str(), "/z");
    ShapePath same;
    same.assign("/z");
    EXPECT_TRUE(path == same);
}

TEST(ShapePath, ComponentsAppendCutAndSplit) {
    ShapePath path;
    path.assign("/patterns");
    EXPECT_TRUE(path.appendComponent("rays.png"));
    EXPECT_STREQ(path.c_str(), "/patterns/rays.png");
    EXPECT_EQ(path.lastComponent(), "rays.png");
    path.cutToDirectory();
    EXPECT_STREQ(path.c_str(), "/patterns");

    // An append that would not fit leaves the path unchanged.
    ShapePath nearlyFull;
    nearlyFull.assign(std::string(ShapePath::kMaxLength - 3, 'd'));
    EXPECT_FALSE(nearlyFull.appendComponent("abc"));
    EXPECT_EQ(nearlyFull.length(), ShapePath::kMaxLength - 3);
    EXPECT_TRUE(nearlyFull.appendComponent("ab"));
    EXPECT_EQ(nearlyFull.length(), ShapePath::kMaxLength);

    ShapePath bare;
    bare.assign("name.jpg");
    EXPECT_EQ(bare.lastComponent(), "name.jpg");
    bare.cutToDirectory();  // no separator: unchanged
    EXPECT_STREQ(bare.c_str(), "name.jpg");
}

TEST(FilterParameters, DefaultsAndCornerPin) {
    FilterParameters p;
    EXPECT_EQ(p.lightBlendMode, 0);
    EXPECT_EQ(p.lightBlur, 10.0);
    EXPECT_EQ(p.matteBlur, 0.0);
    EXPECT_EQ(p.shapeBlendMode, static_cast<int32_t>(ShapeBlendMode::Add));
    EXPECT_EQ(p.lightColor[0], 32768);
    EXPECT_TRUE(p.shapeFile.isEmpty());
    EXPECT_FALSE(p.isCornerPinModified());
    p.cornerPin[3].y = 0.999;
    EXPECT_TRUE(p.isCornerPinModified());
    p.resetToDefaults();
    EXPECT_FALSE(p.isCornerPinModified());
}

TEST(FilterParameters, MakeSafeRepairsOnlyWhatIsOutOfRange) {
    FilterParameters p;
    p.lightBlendMode = kLightBlendModeCount;
    p.lightSource = -1;
    p.matteChannel = kMatteChannelCount;
    p.shapeBlendMode = -7;
    p.lightBrightness = 250.0;
    std::memset(static_cast<void*>(&p.shapeFile), 'q', sizeof p.shapeFile);
    p.makeSafe();
    EXPECT_EQ(p.lightBlendMode, 0);
    EXPECT_EQ(p.lightSource, 0);
    EXPECT_EQ(p.matteChannel, 0);
    EXPECT_EQ(p.shapeBlendMode, static_cast<int32_t>(ShapeBlendMode::Add));
    EXPECT_EQ(p.shapeFile.length(), ShapePath::kMaxLength);
    EXPECT_EQ(p.lightBrightness, 250.0);

    // The last entry of every table is in range and kept.
    p.lightBlendMode = kLightBlendModeCount - 1;
    p.lightSource = kLightSourceCount - 1;
    p.matteChannel = kMatteChannelCount - 1;
    p.shapeBlendMode = kShapeBlendModeCount - 1;
    p.makeSafe();
    EXPECT_EQ(p.lightBlendMode, kLightBlendModeCount - 1);
    EXPECT_EQ(p.lightSource, kLightSourceCount - 1);
    EXPECT_EQ(p.matteChannel, kMatteChannelCount - 1);
    EXPECT_EQ(p.shapeBlendMode, kShapeBlendModeCount - 1);
}

}  // namespace
}  // namespace brivo
