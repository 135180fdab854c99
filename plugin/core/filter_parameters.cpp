#include "core/filter_parameters.h"

namespace brivo {

bool ShapePath::assign(std::string_view text) {
    if (text.empty()) return true;
    if (text.size() > kMaxLength || text.find('\0') != std::string_view::npos) return false;
    std::memcpy(text_, text.data(), text.size());
    text_[text.size()] = 0;
    return true;
}

bool ShapePath::operator==(const ShapePath& other) const {
    return std::strncmp(text_, other.text_, kCapacity) == 0;
}

bool ShapePath::appendComponent(std::string_view name) {
    const size_t used = length();
    if (used + 1 + name.size() > kMaxLength) return false;
    text_[used] = kSeparator;
    std::memcpy(text_ + used + 1, name.data(), name.size());
    text_[used + 1 + name.size()] = 0;
    return true;
}

void ShapePath::cutToDirectory() {
    char* last = std::strrchr(text_, kSeparator);
    if (last != nullptr) *last = 0;
}

std::string_view ShapePath::lastComponent() const {
    const std::string_view all(text_, length());
    const size_t cut = all.rfind(kSeparator);
    return cut == std::string_view::npos ? all : all.substr(cut + 1);
}

void FilterParameters::resetToDefaults() {
    lightBlendMode = static_cast<int32_t>(LightBlendMode::Add);
    lightSource = static_cast<int32_t>(LightSource::Image);
    lightBrightness = 100.0;
    lightDisplacement = 0.0;
    lightBlur = 10.0;
    lightColor[0] = lightColor[1] = lightColor[2] = 32768;
    matteChannel = static_cast<int32_t>(MatteChannel::Luminance);
    mattePosition = 50.0;
    matteRange = 25.0;
    matteBlur = 0.0;
    shapeBlendMode = static_cast<int32_t>(ShapeBlendMode::Add);
    shapeFile = ShapePath();
    shapeOpacity = 100.0;
    shapeBlurX = 0.0;
    shapeBlurY = 0.0;
    shapePosX = 0.0;
    shapePosY = 0.0;
    shapeScaleX = 100.0;
    shapeScaleY = 100.0;
    shapeRotate = 0.0;
    for (int corner = 0; corner < 4; ++corner) cornerPin[corner] = kDefaultCornerPin[corner];
}

bool FilterParameters::isCornerPinModified() const {
    for (int corner = 0; corner < 4; ++corner) {
        if (cornerPin[corner].x != kDefaultCornerPin[corner].x ||
            cornerPin[corner].y != kDefaultCornerPin[corner].y)
            return true;
    }
    return false;
}

namespace {
void keepInTable(int32_t& index, int32_t count, int32_t fallback) {
    if (index < 0 || index >= count) index = fallback;
}
}  // namespace

void FilterParameters::makeSafe() {
    shapeFile.terminate();
    keepInTable(lightBlendMode, kLightBlendModeCount, 0);
    keepInTable(lightSource, kLightSourceCount, 0);
    keepInTable(matteChannel, kMatteChannelCount, 0);
    keepInTable(shapeBlendMode, kShapeBlendModeCount, static_cast<int32_t>(ShapeBlendMode::Add));
}

}  // namespace brivo
