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
