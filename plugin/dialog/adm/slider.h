// A horizontal slider with a float value within a range.
#pragma once

#include "dialog/adm/item.h"

namespace brivo::ADM {

class Slider : public Item {
  public:
    Slider(Dialog& dialog, int32_t itemID, const ADMRect& bounds);

    // Sets the value; sends "changed" (argument 0) when `notify` is true.
    void SetValue(float value, bool notify);
    float GetValue() const;
    void SetRange(float minimum, float maximum);

    // A drag the toolkit handled also sends "track" (argument 0).
    bool Track(ADMTrackerRef tracker) override;
    // The user's change also sends "changed" (argument: the notifier).
    void Notify(ADMNotifierRef notifier) override;
};

}  // namespace brivo::ADM
