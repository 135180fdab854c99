#include "dialog/frame.h"

#include "adm_item_suite.h"

namespace brivo {

Frame::Frame(ADM::Dialog& dialog, const ADMRect& bounds) {
    Create(dialog, 0, kADMFrameType, bounds, 0);
}

bool Frame::Track(ADMTrackerRef) {
    return false;
}

}  // namespace brivo
