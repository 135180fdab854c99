#include "dialog/dialog_session.h"

#include <gtest/gtest.h>

#include <cstring>

#include "core/parameter_table.h"

namespace brivo::test {

namespace {

DialogSession::Picture capturedPicture;
DisplayPixelsProc hostDisplayPixels = nullptr;

// Keeps a copy of what the module asks the host to draw, then lets the host draw it.
SPErr capturePixels(const PSPixelMap* map, const VRect* sourceRect, int32_t row, int32_t column,
                    void* port) noexcept {
    if (map != nullptr && map->baseAddr != nullptr) {
        const int32_t channels = map->imageMode == plugInModeGrayScale   ? 1
                                 : map->imageMode == plugInModeCMYKColor ? 4
                                                                         : 3;
        DialogSession::Picture& picture = capturedPicture;
        picture.width = map->bounds.right - map->bounds.left;
        picture.height = map->bounds.bottom - map->bounds.top;
        picture.channels = channels;
        picture.samples.clear();
        const auto* base = static_cast<const uint8_t*>(map->baseAddr);
        for (int32_t y = 0; y < picture.height; ++y)
            for (int32_t x = 0; x < picture.width; ++x)
                for (int32_t c = 0; c < channels; ++c)
                    picture.samples.push_back(
                        base[y * map->rowBytes + x * map->colBytes + c * map->planeBytes]);
    }
    return hostDisplayPixels(map, sourceRect, row, column, port);
}

}  // namespace

host::DescriptorValues descriptorOf(const FilterParameters& params) {
    FilterParameters copy = params;
    host::DescriptorValues values;
    for (const ParameterField& field : kParameterTable) {
        switch (field.type) {
            case ParameterType::enumerated:
                values.put(field.key,
                           host::EnumeratedValue{field.enumeration->type,
                                                 field.enumeration->codeOf(field.index(copy))});
                break;
            case ParameterType::real:
                values.put(field.key, field.real(copy));
                break;
            case ParameterType::colour:
                values.put(field.key, static_cast<int32_t>(field.colour(copy)));
                break;
            case ParameterType::path:
                values.put(field.key, std::string(field.path(copy).c_str()));
                break;
            case ParameterType::ignored:
                break;
        }
    }
    return values;
}

DialogSession::DialogSession(host::PlanarDocument document,
                             host::toolkit::HeadlessBackend::Options options)
    : session_(makeToolkitHost(std::move(document), options)) {
    host().setRecordHook([](FilterRecord& record) {
        hostDisplayPixels = record.displayPixels;
        if (record.displayPixels != nullptr) record.displayPixels = &capturePixels;
    });
}

void DialogSession::inspect(std::function<void(host::toolkit::Dialog&)> look) {
    backend().queue(host::toolkit::HeadlessEvent::run(
        [look = std::move(look)](host::toolkit::Toolkit&, host::toolkit::Dialog& dialog) {
            look(dialog);
        }));
}

int16_t DialogSession::start(const FilterParameters& params) {
    capturedPicture = Picture{};
    EXPECT_EQ(host().call(filterSelectorParameters), noErr);
    services().descriptors().replay(descriptorOf(params), plugInDialogDisplay);
    const int16_t result = host().call(filterSelectorStart);
    const host::CallReport& report = host().lastCall();
    EXPECT_EQ(report.outstandingLocks, 0);
    EXPECT_EQ(report.outstandingSuites, 0);
    EXPECT_EQ(report.liveBuffers, 0);
    return result;
}

FilterParameters DialogSession::parameters() {
    FilterParameters params;
    const auto bytes = host().handles().contents(host().parametersHandle());
    EXPECT_GE(bytes.size(), sizeof params);
    if (bytes.size() >= sizeof params) std::memcpy(&params, bytes.data(), sizeof params);
    return params;
}

const DialogSession::Picture& DialogSession::lastPicture() {
    return capturedPicture;
}

host::toolkit::Item* itemAt(host::toolkit::Dialog& dialog, const ADMRect& rect) {
    for (const auto& item : dialog.items)
        if (item->bounds.left == rect.left && item->bounds.top == rect.top &&
            item->bounds.right == rect.right && item->bounds.bottom == rect.bottom)
            return item.get();
    return nullptr;
}

}  // namespace brivo::test
