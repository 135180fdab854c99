#include "host/toolkit/fltk_canvas.h"

#include <FL/Enumerations.H>
#include <FL/fl_draw.H>

#include <string>

namespace brivo::host::toolkit {

namespace {

void useColor(Rgb color) {
    fl_color(color.r, color.g, color.b);
}

Fl_Align alignOf(int32_t justify) {
    const Fl_Align horizontal = justify == kADMCenterJustify  ? Fl_Align(0)
                                : justify == kADMRightJustify ? FL_ALIGN_RIGHT
                                                              : FL_ALIGN_LEFT;
    return horizontal | FL_ALIGN_INSIDE | FL_ALIGN_CLIP;
}

}  // namespace

FltkFont fltkFont(int32_t font) {
    switch (font) {
        case kADMBoldDialogFont:
            return {FL_HELVETICA_BOLD, 13};
        case kADMSmallFont:
            return {FL_HELVETICA, 11};
        case kADMItalicDialogFont:
            return {FL_HELVETICA_ITALIC, 13};
        default:
            return {FL_HELVETICA, 13};
    }
}

FltkCanvas::~FltkCanvas() {
    if (clipped_) fl_pop_clip();
}

void FltkCanvas::setClip(const ADMRect& r) {
    if (clipped_) fl_pop_clip();
    fl_push_clip(r.left, r.top, r.right - r.left, r.bottom - r.top);
    clipped_ = true;
}

void FltkCanvas::fillRect(const ADMRect& r, Rgb color) {
    useColor(color);
    fl_rectf(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

void FltkCanvas::line(ADMPoint from, ADMPoint to, Rgb color) {
    useColor(color);
    if (from.x == to.x && from.y == to.y)
        fl_point(from.x, from.y);
    else
        fl_line(from.x, from.y, to.x, to.y);
}

void FltkCanvas::fillPolygon(const std::vector<ADMPoint>& points, Rgb color) {
    useColor(color);
    fl_begin_complex_polygon();
    for (ADMPoint p : points) fl_vertex(p.x, p.y);
    fl_end_complex_polygon();
}

void FltkCanvas::text(std::string_view text, const ADMRect& box, int32_t justify, int32_t font,
                      Rgb color) {
    const FltkFont f = fltkFont(font);
    fl_font(f.face, f.size);
    useColor(color);
    const std::string terminated(text);
    fl_draw(terminated.c_str(), box.left, box.top, box.right - box.left, box.bottom - box.top,
            alignOf(justify), nullptr, 0);
}

void FltkCanvas::pixels(ADMPoint at, int32_t width, int32_t height, const uint8_t* rgb,
                        size_t rowBytes) {
    fl_draw_image(rgb, at.x, at.y, width, height, 3, static_cast<int>(rowBytes));
}

}  // namespace brivo::host::toolkit
