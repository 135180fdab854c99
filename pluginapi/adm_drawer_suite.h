/* "ADM Drawer Suite" version 3: painting inside a draw callback.
 *
 * A drawer is lent to a draw callback for the length of the call. Coordinates are the
 * local ones of the item (or dialog) being drawn; drawing is clipped to its rectangle.
 * The drawer starts with kADMBlackColor and the item's font. */
#ifndef BRIVO_PLUGINAPI_ADM_DRAWER_SUITE_H
#define BRIVO_PLUGINAPI_ADM_DRAWER_SUITE_H

#include "adm_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define kADMDrawerSuite "ADM Drawer Suite"
#define kADMDrawerSuiteVersion3 3

typedef struct ADMDrawerSuite3 {
    /* Module -> host. The rectangle being drawn: (0, 0, width, height) of the item. */
    void (*GetBoundsRect)(ADMDrawerRef drawer, ADMRect* rect);
    /* Module -> host. The value the FilterRecord's displayPixels takes as its platform
     * context to draw into this drawer (at local coordinates). Valid during the call. */
    void* (*GetPortRef)(ADMDrawerRef drawer);

    /* Module -> host. The current colour: an RGB colour, or a standard colour
     * (kADM...Color). */
    void (*SetRGBColor)(ADMDrawerRef drawer, ADMRGBColor color);
    void (*GetRGBColor)(ADMDrawerRef drawer, ADMRGBColor* color);
    void (*SetADMColor)(ADMDrawerRef drawer, int32_t color);

    /* Module -> host. FillRect paints every pixel with left <= x < right and
     * top <= y < bottom. FrameRect paints the one-pixel outline along the inside of that
     * area. An empty rectangle paints nothing. */
    void (*FrameRect)(ADMDrawerRef drawer, const ADMRect* rect);
    void (*FillRect)(ADMDrawerRef drawer, const ADMRect* rect);
    /* Module -> host. One-pixel lines through count points in order, the last joined to
     * the first (FramePolygon), or the polygon's inside painted (FillPolygon, even-odd).
     * Fewer than 2 points (3 for filling) paint nothing. */
    void (*FramePolygon)(ADMDrawerRef drawer, const ADMPoint* points, int32_t count);
    void (*FillPolygon)(ADMDrawerRef drawer, const ADMPoint* points, int32_t count);
    /* Module -> host. A one-pixel line between two points, both included. */
    void (*DrawLine)(ADMDrawerRef drawer, ADMPoint from, ADMPoint to);

    /* Module -> host. Text in the current colour and font, its top-left corner at where
     * (DrawText), or justified within rect and centred vertically (DrawTextInRect). */
    void (*SetFont)(ADMDrawerRef drawer, int32_t font);
    void (*DrawText)(ADMDrawerRef drawer, const char* text, ADMPoint where);
    void (*DrawTextInRect)(ADMDrawerRef drawer, const char* text, const ADMRect* rect,
                           int32_t justify);

    /* Module -> host. An icon (Icon suite) with its top-left corner at where, or centred
     * in rect (halvings truncated toward zero). A null icon draws nothing. */
    void (*DrawIcon)(ADMDrawerRef drawer, ADMIconRef icon, ADMPoint where);
    void (*DrawIconCentered)(ADMDrawerRef drawer, ADMIconRef icon, const ADMRect* rect);
    /* Module -> host. An image (Image suite) with its top-left corner at where. A null
     * image draws nothing. */
    void (*DrawImage)(ADMDrawerRef drawer, ADMImageRef image, ADMPoint where);
} ADMDrawerSuite3;

#ifdef __cplusplus
}
#endif

#endif
