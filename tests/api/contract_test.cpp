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

extern "C" {
size_t contractToolkitTableSizeFromC(int which);
size_t contractItemCreateOffsetFromC(void);
uint32_t contractViewerMaskFromC(void);
}

TEST(Contract, CAndCppAgreeOnTheToolkitTables) {
    const size_t sizes[] = {
        sizeof(ADMBasicSuite5),    sizeof(ADMDialogSuite5),    sizeof(ADMItemSuite5),
        sizeof(ADMNotifierSuite2), sizeof(ADMTrackerSuite1),   sizeof(ADMEntrySuite4),
        sizeof(ADMListSuite2),     sizeof(ADMListEntrySuite2), sizeof(ADMDrawerSuite3),
        sizeof(ADMImageSuite1),    sizeof(ADMIconSuite2)};
    for (int which = 0; which < 11; ++which) {
        EXPECT_EQ(contractToolkitTableSizeFromC(which), sizes[which]) << "suite " << which;
    }
    EXPECT_EQ(contractItemCreateOffsetFromC(), offsetof(ADMItemSuite5, GetList));
}

TEST(Contract, ToolkitMaskBitsAreTheOnesModulesSet) {
    // A viewer that wants presses, hover, drags and leaving sets exactly these bits.
    EXPECT_EQ(contractViewerMaskFromC(), 0x08060004u);
    EXPECT_EQ(kADMDialogPointerMask, 0x80000000u);
    EXPECT_EQ(kADMShiftKeyModifier | kADMAltKeyModifier, 0x60);
}
