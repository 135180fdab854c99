// The about box, shown for the about selector.
#pragma once

#include "filter_record.h"

namespace brivo {

// Reads only the about record's three fields (platform data, basic suite, plug-in
// reference); shows the box when the host offers a dialog toolkit.
void showAbout(const AboutRecord* about);

}  // namespace brivo
