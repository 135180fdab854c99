#include "shell/filter_driver.h"

#include <algorithm>
#include <optional>

#include "dialog/light_dialog.h"
#include "image/host_document.h"
#include "render/light_renderer.h"
#include "shell/errors.h"
#include "shell/scripting_parameters.h"

namespace brivo {

namespace {

// Settles the parameters from a replayed step or the dialog. False when the user
// cancelled; the parameters are then as they were before the start.
bool settleParameters(PluginContext& context) {
    const FilterParameters savedParameters = *context.parameters;
    const bool replayed = readScriptingParameters(context);
    bool confirmed = true;
    if (!replayed || context.globals->showDialog == 1) confirmed = RunLightDialog(context);
    context.globals->showDialog = 0;
    if (!confirmed) *context.parameters = savedParameters;
    return confirmed;
}

int32_t channelsForMode(int16_t imageMode) {
    switch (imageMode) {
        case plugInModeGrayScale: return 1;
        case plugInModeRGBColor: return 3;
        case plugInModeCMYKColor: return 4;
        default: return 0;
    }
}

// Refuses, before anything is allocated, a document this filter cannot light.
void checkDocument(const FilterRecord& record, int32_t channelCount) {
    const VRect& area = record.filterRect;
    const bool fits = record.depth == 8 && channelsForMode(record.imageMode) != 0 &&
                      channelCount == channelsForMode(record.imageMode) &&
                      record.imageSize.h >= 0 && record.imageSize.v >= 0 && area.top >= 0 &&
                      area.left >= 0 && area.bottom <= record.imageSize.v &&
                      area.right <= record.imageSize.h;
    if (!fits) throw SuiteError{kSPBadParameterError};
}

void reportProgress(const FilterRecord& record, int32_t done, int32_t total) {
    if (record.progressProc != nullptr) record.progressProc(done, total);
}

bool abortRequested(const FilterRecord& record) {
    return record.abortProc != nullptr && record.abortProc() != 0;
}

void renderStrips(PluginContext& context) {
    const FilterRecord& record = *context.filterRecord();
    HostDocument document(&record);
    checkDocument(record, document.channelCount());
    const VRect area = document.filterRect();
    if (area.bottom <= area.top || area.right <= area.left) return;
    const int32_t imageWidth = record.imageSize.h;
    const int32_t imageHeight = record.imageSize.v;

    LightRenderer renderer(document, context.parameters, false);
    const int64_t margin = std::min(renderer.blurMargin(), imageHeight);
    const int64_t areaWidth = area.right - area.left;
    const int32_t bufferWidth =
        static_cast<int32_t>(std::min<int64_t>(areaWidth + 2 * margin, imageWidth));
    const int32_t bufferHeight =
        static_cast<int32_t>(std::min<int64_t>(kStripHeight + 2 * margin, imageHeight));
    ImageHandle stripBuffer =
        document.allocateBuffer(VRect{0, 0, bufferHeight, bufferWidth}, document.channelCount(),
                                record.depth / 8, static_cast<uint16_t>(record.imageMode));
    const int32_t areaHeight = area.bottom - area.top;
    const int32_t stripCount = static_cast<int32_t>((int64_t{areaHeight} + 255) / kStripHeight);
    renderer.prepare(imageWidth, imageHeight);

    for (int32_t strip = 0; strip < stripCount; ++strip) {
        const int32_t coreTop = area.top + kStripHeight * strip;
        const int32_t coreBottom = std::min(coreTop + kStripHeight, area.bottom);
        const VRect readRect{static_cast<int32_t>(std::max<int64_t>(coreTop - margin, 0)),
                             area.left,
                             static_cast<int32_t>(std::min<int64_t>(coreBottom + margin,
                                                                    area.bottom)),
                             area.right};
        document.readPixels(*stripBuffer, readRect);
        renderer.renderStrip(*stripBuffer, readRect);
        document.writePixels(*stripBuffer, coreTop - readRect.top,
                             VRect{coreTop, area.left, coreBottom, area.right});
        reportProgress(record, strip + 1, stripCount);
        if (abortRequested(record)) throwResult(userCanceledErr);
    }
}

}  // namespace

void runFilter(PluginContext& context) {
    context.openHandles();
    if (!settleParameters(context)) throwResult(userCanceledErr);
    renderStrips(context);
}

}  // namespace brivo
