#include "shell/filter_driver.h"

#include <algorithm>
#include <optional>

#include "core/errors.h"
#include "core/image_modes.h"
#include "core/worker_pool.h"
#include "dialog/light_dialog.h"
#include "image/host_document.h"
#include "output_view_suite.h"
#include "render/light_renderer.h"
#include "shell/scripting_parameters.h"

namespace brivo {

namespace {

// Settles the parameters from a replayed step or the dialog. False when the user
// cancelled; the parameters are then as they were before the start, as they are when the
// dialog fails (its error then passes on with its own code).
bool settleParameters(PluginContext& context) {
    const FilterParameters savedParameters = *context.parameters;
    const bool replayed = readScriptingParameters(context);
    bool confirmed = true;
    try {
        if (!replayed || context.globals->showDialog == 1)
            confirmed = RunLightDialog(context.filterRecord(), *context.parameters,
                                       context.globals->previewView);
    } catch (...) {
        *context.parameters = savedParameters;
        context.globals->showDialog = 0;
        throw;
    }
    context.globals->showDialog = 0;
    if (!confirmed) *context.parameters = savedParameters;
    return confirmed;
}

// Refuses, before anything is allocated, a document this filter cannot light.
void checkDocument(const FilterRecord& record, int32_t channelCount) {
    const VRect& area = record.filterRect;
    const bool fits = record.depth == 8 && colorChannelsForMode(record.imageMode) != 0 &&
                      channelCount == colorChannelsForMode(record.imageMode) &&
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

// The view the host asked for; the lit result when it offers no choice.
int32_t requestedView(const FilterRecord& record) {
    SuiteHolder<BrivoOutputViewSuite1> views(record.sSPBasic, kBrivoOutputViewSuite,
                                             kBrivoOutputViewSuiteVersion1,
                                             SuiteHolder<BrivoOutputViewSuite1>::NoThrow{});
    if (!views.acquired() || views->RequestedView == nullptr) return outputViewResult;
    return views->RequestedView();
}

// Writes the light mask or the placed shape of the whole area, as the render would use
// them, into every target channel. The area is read in one piece so that the exported
// light has no strip joins.
void renderOutputView(HostDocument& document, LightRenderer& renderer, const VRect& area,
                      int32_t view) {
    const FilterRecord& record = *document.filterRecord();
    const int32_t width = area.right - area.left;
    const int32_t height = area.bottom - area.top;
    ImageHandle source = document.allocateBuffer(width, height, document.channelCount(), 1,
                                                 static_cast<uint16_t>(record.imageMode));
    ImageHandle light = document.allocateBuffer(width, height, 1, 1, plugInModeGrayScale);
    renderer.prepare(record.imageSize.h, record.imageSize.v);
    document.readPixels(*source, area);
    if (view == outputViewShape)
        renderer.placedShapeOf(*source, area, *light);
    else
        renderer.lightMaskOf(*source, area, *light);
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* from = light->data + static_cast<size_t>(y) * light->rowBytes;
        uint8_t* to = source->data + static_cast<size_t>(y) * source->rowBytes;
        for (int32_t x = 0; x < width; ++x)
            for (int32_t p = 0; p < source->pixelBytes; ++p)
                to[x * source->pixelBytes + p] = from[x];
    }
    document.writePixels(*source, 0, area);
    reportProgress(record, 1, 1);
}

void renderStrips(PluginContext& context) {
    const FilterRecord& record = *context.filterRecord();
    HostDocument document(&record);
    const VRect area = document.filterRect();
    if (area.bottom <= area.top || area.right <= area.left) return;
    const int32_t imageWidth = record.imageSize.h;
    const int32_t imageHeight = record.imageSize.v;

    LightRenderer renderer(document, context.parameters, false);
    const int32_t view = requestedView(record);
    if (view == outputViewMatte || view == outputViewShape) {
        renderOutputView(document, renderer, area, view);
        return;
    }
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
        const VRect readRect{
            static_cast<int32_t>(std::max<int64_t>(coreTop - margin, 0)), area.left,
            static_cast<int32_t>(std::min<int64_t>(coreBottom + margin, area.bottom)), area.right};
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
    // Only documents the filter can light reach the dialog.
    {
        const HostDocument document(context.filterRecord());
        checkDocument(*context.filterRecord(), document.channelCount());
    }
    // The workers live for this call only; the dialog's previews share them.
    WorkerPool workers(configuredThreadCount());
    ActiveWorkers active(workers);
    if (!settleParameters(context)) throwResult(userCanceledErr);
    renderStrips(context);
}

}  // namespace brivo
