/* The contract compiled as C11: every header, and the layout facts a C host relies on. */
#include "pluginapi.h"

size_t contractFilterRecordSizeFromC(void) {
    return sizeof(FilterRecord);
}
size_t contractParametersOffsetFromC(void) {
    return offsetof(FilterRecord, parameters);
}
size_t contractDocumentInfoOffsetFromC(void) {
    return offsetof(FilterRecord, documentInfo);
}
uint32_t contractFourCharCodeFromC(void) {
    return BRIVO_FOURCC('l', 'B', 'l', 'n');
}
size_t contractResourceLengthOffsetFromC(void) {
    return offsetof(BrivoResourceHeader, length);
}

/* The dialog-toolkit suites: their table sizes and the constants a C module uses. */
size_t contractToolkitTableSizeFromC(int which) {
    switch (which) {
        case 0:
            return sizeof(ADMBasicSuite5);
        case 1:
            return sizeof(ADMDialogSuite5);
        case 2:
            return sizeof(ADMItemSuite5);
        case 3:
            return sizeof(ADMNotifierSuite2);
        case 4:
            return sizeof(ADMTrackerSuite1);
        case 5:
            return sizeof(ADMEntrySuite4);
        case 6:
            return sizeof(ADMListSuite2);
        case 7:
            return sizeof(ADMListEntrySuite2);
        case 8:
            return sizeof(ADMDrawerSuite3);
        case 9:
            return sizeof(ADMImageSuite1);
        case 10:
            return sizeof(ADMIconSuite2);
        default:
            return 0;
    }
}
size_t contractItemCreateOffsetFromC(void) {
    return offsetof(ADMItemSuite5, GetList);
}
uint32_t contractViewerMaskFromC(void) {
    return kADMButtonDownMask | kADMMouseMoveMask | kADMMouseDragMask | kADMLeaveMask;
}
