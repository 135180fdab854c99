// The preview item: a host pixel map drawn centred in a picture item, and over it the
// shape's four corners, which the user drags to pin the shape.
#pragma once

#include <cstdint>

#include "dialog/adm/item.h"
#include "dialog/preview_geometry.h"
#include "filter_record.h"
#include "image/host_image.h"

namespace brivo {

class Viewer : public ADM::Item {
  public:
    // A flat picture item with ID 0 at bounds, showing nothing yet.
    Viewer(ADM::Dialog& dialog, const FilterRecord* record, const ADMRect& bounds);

    // Shows buffer (an 8-bit image) from the next repaint on; the viewer holds it until
    // another buffer is shown or it is detached, so it never draws freed pixels.
    void showBuffer(const ImageHandle& buffer);
    void detach();

    void setPictureRect(const ADMRect& picture) { pictureRect_ = picture; }
    const ADMRect& pictureRect() const { return pictureRect_; }

    void Draw(ADMDrawerRef drawer) override;

  protected:
    // The frame, then the picture: the shown buffer through the host, or white.
    void drawPicture(ADMDrawerRef drawer);

  private:
    const FilterRecord* record_;
    PSPixelMap pixelMap_{};
    ADMRect pictureRect_{0, 0, 0, 0};
    ImageHandle shown_;
};

class CornerPinViewer : public Viewer {
  public:
    CornerPinViewer(ADM::Dialog& dialog, const FilterRecord* record);

    void Draw(ADMDrawerRef drawer) override;
    // Hover selects a handle, a press selects it (with Shift: resets it; with Shift and
    // Alt: resets all four), a drag moves the selected corner. Always false.
    bool Track(ADMTrackerRef tracker) override;

    // UL, UR, LR, LL, normalised to the picture; read and written by the dialog.
    CornerPoint corners[4] = {kDefaultCornerPin[0], kDefaultCornerPin[1], kDefaultCornerPin[2],
                              kDefaultCornerPin[3]};

  private:
    // The first handle under point, or -1.
    int32_t handleAt(const ADMPoint& point) const;
    void select(int32_t corner);

    int32_t selectedCorner_ = -1;
};

}  // namespace brivo
