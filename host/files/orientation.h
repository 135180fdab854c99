// Turning a document's pixels from the orientation a file stores them in to the one a viewer
// shows.
#pragma once

#include "host/files/planar_document.h"

namespace brivo::host {

// Turns or mirrors every plane (and alpha) as EXIF orientation `document.orientation` (1 to 8)
// asks, swapping width, height and resolution where a quarter turn is involved; the document
// is then upright, with orientation 1.
void turnUpright(PlanarDocument& document);

}  // namespace brivo::host
