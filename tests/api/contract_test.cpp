// The contract headers compile as C11 and as C++20 and describe the same layout in both.
#include <gtest/gtest.h>

#include <cstddef>

#include "core/image_modes.h"
#include "host/files/planar_document.h"
#include "pluginapi.h"

extern "C" {
size_t contractFilterRecordSizeFromC(void);
size_t contractParametersOffsetFromC(void);
size_t contractDocumentInfoOffsetFromC(void);
uint32_t contractFourCharCodeFromC(void);
size_t contractResourceLengthOffsetFromC(void);
}

TEST(Contract, CAndCppAgreeOnTheFilterRecordLayout) {
    EXPECT_EQ(contractFilterRecordSizeFromC(), sizeof(FilterRecord));
    EXPECT_EQ(contractParametersOffsetFromC(), offsetof(FilterRecord, parameters));
    EXPECT_EQ(contractDocumentInfoOffsetFromC(), offsetof(FilterRecord, documentInfo));
}

TEST(Contract, FourCharacterCodesPutTheFirstCharacterHighest) {
    EXPECT_EQ(contractFourCharCodeFromC(), 0x6c426c6eu);
    EXPECT_EQ(BRIVO_FOURCC('8', 'B', 'I', 'M'), 0x3842494du);
}

TEST(Contract, CAndCppAgreeOnTheResourceRecordHeader) {
    EXPECT_EQ(contractResourceLengthOffsetFromC(), offsetof(BrivoResourceHeader, length));
}

// The host builds documents the module reads, so both must count the same planes per mode.
TEST(Contract, HostAndModuleAgreeThatOnlyGrayRgbAndCmykHaveColourChannels) {
    for (int32_t mode = -1; mode <= 10; ++mode) {
        const int32_t expected = mode == 1 ? 1 : mode == 3 ? 3 : mode == 4 ? 4 : 0;
        EXPECT_EQ(brivo::colorChannelsForMode(mode), expected) << "mode " << mode;
        EXPECT_EQ(brivo::host::planeCountForMode(mode), expected) << "mode " << mode;
    }
}
