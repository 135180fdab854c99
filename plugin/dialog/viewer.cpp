#include "dialog/viewer.h"

#include "dialog/adm/adm_suites.h"

namespace brivo {

namespace {

constexpr ADMRect kViewerBounds{0, 0, 377, 290};
// Leaving, moving and dragging reach the viewer besides presses.
constexpr ADMActionMask kViewerTracking = 0x08060004u;
constexpr ADMRGBColor kGreen{0, 65535, 0};

ADMRect inset(const ADMRect& rect, int32_t by) {
    return ADMRect{rect.left + by, rect.top + by, rect.right - by, rect.bottom - by};
}

}  // namespace

Viewer::Viewer(ADM::Dialog& dialog, const FilterRecord* record, const ADMRect& bounds)
    : record_(record) {
    Create(dialog, 0, kADMPictureStaticType, bounds, kADMItemFlatOption);
}

void Viewer::showBuffer(const ImageHandle& buffer) {
    shown_ = buffer;
    if (buffer.empty()) return;
    pixelMap_ = PSPixelMap{};
    pixelMap_.version = 1;
    pixelMap_.bounds = VRect{0, 0, buffer->height(), buffer->width()};
    pixelMap_.imageMode = buffer->imageMode;
    pixelMap_.rowBytes = buffer->rowBytes;
    pixelMap_.colBytes = buffer->pixelBytes;
    pixelMap_.planeBytes = buffer->bytesPerSample;
    pixelMap_.baseAddr = buffer->data;
}

void Viewer::detach() {
    shown_.release();
    pixelMap_ = PSPixelMap{};
}

void Viewer::Draw(ADMDrawerRef drawer) {
    drawPicture(drawer);
}

void Viewer::drawPicture(ADMDrawerRef drawer) {
    const ADMDrawerSuite3& draw = ADMSuites::get().drawer.get();
    ADMRect bounds{};
    draw.GetBoundsRect(drawer, &bounds);
    draw.SetADMColor(drawer, kADMBlackColor);
    draw.FrameRect(drawer, &bounds);
    draw.SetADMColor(drawer, kADMBackgroundColor);
    const ADMRect inner = inset(bounds, 1);
    draw.FrameRect(drawer, &inner);
    draw.SetADMColor(drawer, kADMWhiteColor);
    // A host that cannot draw pixel maps shows the picture area white.
    if (!shown_.empty() && record_ != nullptr && record_->displayPixels != nullptr) {
        record_->displayPixels(&pixelMap_, &pixelMap_.bounds, pictureRect_.top, pictureRect_.left,
                               draw.GetPortRef(drawer));
        return;
    }
    draw.FillRect(drawer, &pictureRect_);
}

CornerPinViewer::CornerPinViewer(ADM::Dialog& dialog, const FilterRecord* record)
    : Viewer(dialog, record, kViewerBounds) {
    SetMask(GetMask() | kViewerTracking);
}

void CornerPinViewer::Draw(ADMDrawerRef drawer) {
    const ADMDrawerSuite3& draw = ADMSuites::get().drawer.get();
    ADMRect bounds{};
    draw.GetBoundsRect(drawer, &bounds);
    const ADMRect& picture = pictureRect();
    const ADMRect bands[4] = {{0, 0, picture.left, bounds.bottom},
                              {picture.right, 0, bounds.right, bounds.bottom},
                              {picture.left, 0, picture.right, picture.top},
                              {picture.left, picture.bottom, picture.right, bounds.bottom}};
    draw.SetADMColor(drawer, kADMBackgroundColor);
    for (const ADMRect& band : bands) draw.FillRect(drawer, &band);
    drawPicture(drawer);

    draw.SetRGBColor(drawer, kGreen);
    const ADMPoint outline[5] = {cornerPixel(picture, corners[0]), cornerPixel(picture, corners[1]),
                                 cornerPixel(picture, corners[2]), cornerPixel(picture, corners[3]),
                                 cornerPixel(picture, corners[0])};
    draw.FramePolygon(drawer, outline, 5);
    for (int32_t corner = 0; corner < 4; ++corner) {
        const ADMRect handle = handleRect(picture, corners[corner]);
        draw.SetADMColor(drawer, kADMBlackColor);
        draw.FrameRect(drawer, &handle);
        draw.SetADMColor(drawer, corner == selectedCorner_ ? kADMRedColor : kADMWhiteColor);
        const ADMRect ring = inset(handle, 1);
        draw.FrameRect(drawer, &ring);
        draw.SetADMColor(drawer, kADMBlackColor);
        const ADMRect core = inset(handle, 2);
        draw.FrameRect(drawer, &core);
    }
}

int32_t CornerPinViewer::handleAt(const ADMPoint& point) const {
    for (int32_t corner = 0; corner < 4; ++corner)
        if (rectContains(handleRect(pictureRect(), corners[corner]), point)) return corner;
    return -1;
}

void CornerPinViewer::select(int32_t corner) {
    if (corner == selectedCorner_) return;
    selectedCorner_ = corner;
    Invalidate();
}

bool CornerPinViewer::Track(ADMTrackerRef tracker) {
    const ADMTrackerSuite1& track = ADMSuites::get().tracker.get();
    ADMPoint point{};
    track.GetPoint(tracker, &point);
    switch (track.GetAction(tracker)) {
        case kADMLeaveAction:
            select(-1);
            break;
        case kADMMouseMoveAction:
            select(handleAt(point));
            break;
        case kADMMouseDragAction:
            if (selectedCorner_ >= 0) {
                corners[selectedCorner_] = cornerAt(pictureRect(), point);
                Invalidate();
                emit(ADM::events::changed, 0);
            }
            break;
        case kADMButtonDownAction: {
            const int32_t hit = handleAt(point);
            if (hit < 0) break;
            const uint32_t modifiers = track.GetModifiers(tracker);
            if ((modifiers & kADMShiftKeyModifier) == 0) {
                selectedCorner_ = hit;
                break;
            }
            if ((modifiers & kADMAltKeyModifier) != 0) {
                for (int32_t corner = 0; corner < 4; ++corner)
                    corners[corner] = kDefaultCornerPin[corner];
            } else {
                corners[hit] = kDefaultCornerPin[hit];
            }
            selectedCorner_ = -1;
            Invalidate();
            emit(ADM::events::changed, 0);
            break;
        }
        default:
            break;
    }
    return false;
}

}  // namespace brivo
