// An etched outline with a caption around a group of controls; it takes no part in
// pointer handling.
#pragma once

#include "dialog/adm/item.h"

namespace brivo {

class Frame : public ADM::Item {
  public:
    Frame(ADM::Dialog& dialog, const ADMRect& bounds);

    bool Track(ADMTrackerRef tracker) override;
};

}  // namespace brivo
