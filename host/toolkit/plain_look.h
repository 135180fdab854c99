// A plain, fixed look for every item type, painted through a drawer: what the headless
// backend shows, simple enough for tests to predict pixel by pixel.
#pragma once

#include "host/toolkit/drawer.h"
#include "host/toolkit/toolkit_model.h"

namespace brivo::host::toolkit {

void drawPlainItem(const Item& item, Drawer& drawer);

// The slider position of an item-local x: the range mapped over the item's width.
float sliderValueAt(const Item& slider, int32_t x);

}  // namespace brivo::host::toolkit
