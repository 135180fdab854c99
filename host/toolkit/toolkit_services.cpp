#include "host/toolkit/toolkit_services.h"

#include "host/color/colorspace_suite.h"
#include "host/toolkit/module_bitmaps.h"
#include "host/toolkit/suite_call.h"
#include "host/toolkit/suite_tables.h"

namespace brivo::host::toolkit {

namespace {

struct SuiteOffer {
    const char* name;
    int32_t version;
    const void* (*table)();
};

template <class T, const T* (*F)()>
const void* erased() {
    return F();
}

const SuiteOffer kOffers[] = {
    {kADMBasicSuite, kADMBasicSuiteVersion5, &erased<ADMBasicSuite5, basicSuiteTable>},
    {kADMDialogSuite, kADMDialogSuiteVersion5, &erased<ADMDialogSuite5, dialogSuiteTable>},
    {kADMItemSuite, kADMItemSuiteVersion5, &erased<ADMItemSuite5, itemSuiteTable>},
    {kADMNotifierSuite, kADMNotifierSuiteVersion2, &erased<ADMNotifierSuite2, notifierSuiteTable>},
    {kADMTrackerSuite, kADMTrackerSuiteVersion1, &erased<ADMTrackerSuite1, trackerSuiteTable>},
    {kADMEntrySuite, kADMEntrySuiteVersion4, &erased<ADMEntrySuite4, entrySuiteTable>},
    {kADMListSuite, kADMListSuiteVersion2, &erased<ADMListSuite2, listSuiteTable>},
    {kADMListEntrySuite, kADMListEntrySuiteVersion2,
     &erased<ADMListEntrySuite2, listEntrySuiteTable>},
    {kADMDrawerSuite, kADMDrawerSuiteVersion3, &erased<ADMDrawerSuite3, drawerSuiteTable>},
    {kADMImageSuite, kADMImageSuiteVersion1, &erased<ADMImageSuite1, imageSuiteTable>},
    {kADMIconSuite, kADMIconSuiteVersion2, &erased<ADMIconSuite2, iconSuiteTable>},
};

}  // namespace

void offerToolkitSuites(SuiteRegistry& registry) {
    for (const SuiteOffer& offer : kOffers) registry.add(offer.name, offer.version, offer.table());
}

void withdrawToolkitSuites(SuiteRegistry& registry) {
    for (const SuiteOffer& offer : kOffers) registry.remove(offer.name, offer.version);
}

SPErr displayPixelsIntoDrawer(const PSPixelMap* source, const VRect* sourceRect,
                              int32_t destinationRow, int32_t destinationColumn,
                              void* platformContext) noexcept {
    if (!source || !sourceRect) return kSPBadParameterError;
    return guarded<SPErr>(kSPBadParameterError, [&](Toolkit& t) -> SPErr {
        Drawer* drawer = t.find<Drawer>(platformContext);
        if (!drawer) return kSPBadParameterError;
        // CMYK is shown as the host's colour service sees it, with the document's profile.
        const ColorSpaceSuite* colors = CallBinding<ColorSpaceSuite>::current();
        Drawer::CmykToRgb cmykToRgb;
        if (colors != nullptr)
            cmykToRgb = [colors](const uint8_t* cmyk, size_t pixelStep, size_t sampleStep,
                                 size_t count, uint8_t* rgb) {
                colors->service().cmykToScreen(cmyk, pixelStep, sampleStep, count, rgb);
            };
        return drawer->pixelMap(*source, *sourceRect, destinationRow, destinationColumn, cmykToRgb);
    });
}

ToolkitServices::ToolkitServices(FilterHost& host, Backend& backend)
    : host_(host), toolkit_(backend) {
    offerToolkitSuites(host.suites());
    host.bindDuringCalls(toolkit_);
    host.setDisplayPixels(&displayPixelsIntoDrawer);
    // Icons come from the file of the module this host runs, and of no other.
    toolkit_.setIconSource([&host](void* pluginRef, const char* name, int32_t id) {
        if (pluginRef != static_cast<const void*>(&host.module())) return std::optional<Picture>();
        return loadModuleBitmap(host.module().path(), name, id);
    });
}

ToolkitServices::~ToolkitServices() {
    host_.setDisplayPixels(nullptr);
    host_.unbind(&toolkit_);
    withdrawToolkitSuites(host_.suites());
}

}  // namespace brivo::host::toolkit
