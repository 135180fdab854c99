#include "dialog/light_dialog.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "core/parameter_table.h"
#include "dialog/adm/adm_suites.h"
#include "dialog/pattern_chooser.h"

namespace brivo {

namespace {

constexpr int32_t kPreviewColumn = 377;
constexpr int32_t kDialogWidth = 2 * kPreviewColumn + 21;
constexpr int32_t kRowHeight = 32;
constexpr double kZoomStep = 0.15;
constexpr double kSmallestZoom = 0.5;
constexpr int32_t kFirstViewButtonID = 4;

// Item IDs (labels only: the two blend popups share 10 on purpose).
enum : int32_t {
    kOkID = 1,
    kCancelID = 2,
    kResetID = 3,
    kZoomInID = 8,
    kZoomOutID = 9,
    kBlendModeID = 10,
    kSourceID = 11,
    kLevelID = 12,
    kDisplacementID = 13,
    kLightBlurID = 14,
    kColorID = 15,
    kEyeDropperID = 16,
    kMatteChannelID = 17,
    kMattePositionID = 18,
    kMatteRangeID = 19,
    kMatteBlurID = 20,
    kSelectPatternID = 22,
    kFirstShapeSliderID = 23
};

const char* const kViewNames[4] = {"Output", "Matte", "Shape", "Original"};
const std::vector<const char*> kLightBlendNames = {"Add", "Subtract", "Screen"};
const std::vector<const char*> kLightSourceNames = {"Image", "Matte"};
const std::vector<const char*> kShapeBlendNames = {"None",       "Shape Only", "Add",
                                                   "Subtract",   "Multiply",   "Screen",
                                                   "Difference", "Darken",     "Lighten"};
const char* const kMatteChannelNames[kMatteChannelCount] = {
    "Luminance", "Red", "Green", "Blue", "Cyan", "Magenta", "Yellow", "Hue", "Saturation"};

struct ShapeSliderSpec {
    const char* caption;
    float minimum;
    float maximum;
    float initial;
};
const ShapeSliderSpec kShapeSliders[8] = {
    {"Opacity", 0, 100, 100},     {"X Blur", 0, 200, 0},        {"Y Blur", 0, 200, 0},
    {"X Position", -100, 100, 0}, {"Y Position", -100, 100, 0}, {"X Scale", 0, 500, 0},
    {"Y Scale", 0, 500, 0},       {"Rotate", -180, 180, 0}};

// The matte channels an image mode offers: the first entries of the full list.
std::vector<const char*> matteChannelsFor(int32_t imageMode) {
    int32_t count = 0;
    switch (imageMode) {
        case plugInModeGrayScale:
        case plugInModeLabColor:
            count = 1;
            break;
        case plugInModeRGBColor:
            count = kMatteChannelCount;
            break;
        case plugInModeCMYKColor:
            count = 7;
            break;
        default:
            break;
    }
    return std::vector<const char*>(kMatteChannelNames, kMatteChannelNames + count);
}

// Selects the entry at index when the popup has one.
void selectIndex(LabeledComboBox& popup, int32_t index) {
    if (index >= 0 && index < popup.combo().Count()) popup.combo().SelectIndex(index, true);
}

// The popup's selection written into field, unless nothing is selected.
void takeSelection(LabeledComboBox& popup, int32_t& field) {
    const int32_t id = popup.combo().GetSelectedID();
    if (id >= 0) field = id;
}

VRect documentBounds(const FilterRecord& record) {
    if (record.documentInfo != nullptr) return record.documentInfo->bounds;
    return VRect{0, 0, record.imageSize.v, record.imageSize.h};
}

}  // namespace

LightDialog::LightDialog(const char* title, FilterRecord* record, FilterParameters& params,
                         int32_t& previewView, HostDocument& document, LightRenderer& renderer)
    : ADM::Dialog(title, 0, 0, 0),
      record_(record),
      params_(params),
      previewView_(previewView),
      document_(document),
      renderer_(renderer) {
    SetText(title);
    // A view word from an older or damaged block shows the output.
    if (previewView_ < previewOutput || previewView_ > previewOriginal)
        previewView_ = previewOutput;

    viewer_ = std::make_unique<CornerPinViewer>(*this, record_);
    viewer_->Move(7, 7);
    for (int32_t corner = 0; corner < 4; ++corner)
        viewer_->corners[corner] = params_.cornerPin[corner];
    viewer_->connect(ADM::events::changed, this, &LightDialog::OnCornerPinChanged);
    buildPreviewRow();
    buildLightGroup();
    buildButtons();
    buildMatteGroup();
    buildShapeGroup();
    Size(kDialogWidth,
         std::max(lightFrame_->GetBoundsRect().bottom, shapeFrame_->GetBoundsRect().bottom) + 7);
    SetDefaultItemID(kOkID);
    SetCancelItemID(kCancelID);

    PreparePreview();
    SyncControls();
    RenderPreview();
    quiet_ = false;
}

LightDialog::~LightDialog() {
    quiet_ = true;
    viewer_->detach();
    viewGray_.release();
    viewImage_.release();
    sourceProxy_.release();
    // The controls go with their owners, before the base class destroys the dialog.
}

void LightDialog::buildPreviewRow() {
    zoomIn_ = std::make_unique<ADM::Button>(*this, kZoomInID, "+", ADMRect{368, 304, 384, 320},
                                            ADM::Button::textPushButton);
    zoomIn_->connect(ADM::events::select, this, &LightDialog::OnZoomIn);
    zoomLabel_ = std::make_unique<ADM::Label>(*this, "100%", ADMRect{336, 304, 368, 320});
    zoomLabel_->SetFont(kADMSmallFont);
    zoomLabel_->SetJustify(kADMCenterJustify);
    zoomOut_ = std::make_unique<ADM::Button>(*this, kZoomOutID, "-", ADMRect{320, 304, 336, 320},
                                             ADM::Button::textPushButton);
    zoomOut_->connect(ADM::events::select, this, &LightDialog::OnZoomOut);
    const int32_t width = (320 - 7) / 4;
    for (int32_t view = 0; view < 4; ++view) {
        const int32_t left = 7 + width * view;
        viewButtons_[view] = std::make_unique<ADM::Button>(
            *this, kFirstViewButtonID + view, kViewNames[view],
            ADMRect{left, 304, left + width, 320}, ADM::Button::textRadioButton);
        viewButtons_[view]->connect(ADM::events::select, this, &LightDialog::OnViewSelected);
    }
}

std::unique_ptr<TextSlider> LightDialog::slider(int32_t id, const char* caption, int32_t left,
                                                int32_t top, int32_t right, float minimum,
                                                float maximum, float initial, Handler handler) {
    auto control = std::make_unique<TextSlider>(
        *this, id, caption, ADMRect{left, top, right, top + kRowHeight}, minimum, maximum, initial);
    control->connect(ADM::events::changed, this, handler);
    return control;
}

void LightDialog::buildLightGroup() {
    constexpr int32_t L = 14, R = 377, T = 341, mid = (R - L) / 2 + L;
    lightBlend_ = std::make_unique<LabeledComboBox>(
        *this, kBlendModeID, "Blend Mode:", ADMRect{L, T, mid, T + 20}, kLightBlendNames);
    lightSource_ = std::make_unique<LabeledComboBox>(
        *this, kSourceID, "Source:", ADMRect{mid, T, mid + (R - L) / 2, T + 20}, kLightSourceNames);
    level_ = slider(kLevelID, "Level", L, T + 20, R, 0, 600, 100, &LightDialog::OnLightChanged);
    displacement_ = slider(kDisplacementID, "Displacement", L, T + 52, R, -100, 100, 0,
                           &LightDialog::OnLightChanged);
    lightBlur_ =
        slider(kLightBlurID, "Blur", L, T + 84, R, 0, 200, 0, &LightDialog::OnLightChanged);
    const int32_t blurBottom = T + 84 + kRowHeight;
    lightFrame_ = std::make_unique<Frame>(*this, ADMRect{7, 327, 384, blurBottom + 7});
    lightFrame_->SetText("Light");

    colorLabel_ = std::make_unique<ADM::Label>(
        *this, "Color: ", ADMRect{L, blurBottom + 16, L + 50, blurBottom + 32});
    colorLabel_->SetJustify(kADMRightJustify);
    colorSwatch_ = std::make_unique<CS_ColorPot>(
        *this, kColorID, ADMRect{L + 50, blurBottom + 14, L + 90, blurBottom + 34});
    eyeDropper_ = std::make_unique<EyeDropper>(
        *this, kEyeDropperID, ADMRect{L + 97, blurBottom + 14, L + 123, blurBottom + 34});
    eyeDropper_->Hide();

    lightBlend_->connect(ADM::events::select, this, &LightDialog::OnLightChanged);
    lightSource_->connect(ADM::events::select, this, &LightDialog::OnLightChanged);
    colorSwatch_->connect(ADM::events::changed, this, &LightDialog::OnLightChanged);
}

void LightDialog::buildButtons() {
    constexpr int32_t right = kDialogWidth - 7;
    ok_ = std::make_unique<ADM::Button>(*this, kOkID, "OK", ADMRect{right - 100, 7, right, 33},
                                        ADM::Button::textPushButton);
    cancel_ = std::make_unique<ADM::Button>(*this, kCancelID, "Cancel",
                                            ADMRect{right - 207, 7, right - 107, 33},
                                            ADM::Button::textPushButton);
    reset_ = std::make_unique<ADM::Button>(*this, kResetID, "Reset",
                                           ADMRect{right - 314, 7, right - 214, 33},
                                           ADM::Button::textPushButton);
    reset_->connect(ADM::events::select, this, &LightDialog::OnReset);
}

void LightDialog::buildMatteGroup() {
    constexpr int32_t L = 398, R = 761, T = 54, mid = (R - L) / 2 + L;
    matteChannel_ = std::make_unique<LabeledComboBox>(*this, kMatteChannelID,
                                                      "Use:", ADMRect{L, T, mid, T + 20},
                                                      matteChannelsFor(record_->imageMode));
    mattePosition_ = slider(kMattePositionID, "Position", L, T + 20, R, 0, 100, 50,
                            &LightDialog::OnMatteChanged);
    matteRange_ =
        slider(kMatteRangeID, "Range", L, T + 52, R, 0, 100, 25, &LightDialog::OnMatteChanged);
    matteBlur_ =
        slider(kMatteBlurID, "Blur", L, T + 84, R, 0, 200, 20, &LightDialog::OnMatteChanged);
    matteFrame_ = std::make_unique<Frame>(*this, ADMRect{391, 40, 768, T + 84 + kRowHeight + 7});
    matteFrame_->SetText("Matte");
    matteChannel_->connect(ADM::events::select, this, &LightDialog::OnMatteChanged);
}

void LightDialog::buildShapeGroup() {
    constexpr int32_t top = 184, L = 398, R = 761, T = 198, mid = (R - L) / 2 + L;
    selectPattern_ =
        std::make_unique<ADM::Button>(*this, kSelectPatternID, "Select",
                                      ADMRect{R - 66, T, R, top + 40}, ADM::Button::textPushButton);
    selectPattern_->connect(ADM::events::select, this, &LightDialog::OnChoosePattern);
    shapeFileLabel_ =
        std::make_unique<ADM::Label>(*this, "None", ADMRect{L, T + 5, R - 66 - 7, T + 21});
    shapeFileLabel_->SetJustify(kADMRightJustify);
    shapeBlend_ = std::make_unique<LabeledComboBox>(
        *this, kBlendModeID, "Blend Mode:", ADMRect{L, top + 40, mid, top + 60}, kShapeBlendNames);
    int32_t y = top + 60;
    for (int32_t i = 0; i < 8; ++i, y += kRowHeight) {
        const ShapeSliderSpec& spec = kShapeSliders[i];
        shapeSliders_[i] = slider(kFirstShapeSliderID + i, spec.caption, L, y, R, spec.minimum,
                                  spec.maximum, spec.initial, &LightDialog::OnShapeChanged);
    }
    shapeFrame_ = std::make_unique<Frame>(*this, ADMRect{391, top, 768, y + 7});
    shapeFrame_->SetText("Shape");
    shapeBlend_->connect(ADM::events::select, this, &LightDialog::OnShapeChanged);
}

void LightDialog::PreparePreview() {
    const VRect bounds = documentBounds(*record_);
    const PreviewLayout layout = layoutPreview(viewer_->GetLocalRect(), bounds.right - bounds.left,
                                               bounds.bottom - bounds.top, zoom_);
    viewer_->setPictureRect(layout.picture);
    if (!sourceProxy_.empty() && sourceProxy_->width() == layout.width &&
        sourceProxy_->height() == layout.height)
        return;
    // The viewer lets go of the old buffers before they are freed.
    viewer_->detach();
    viewGray_.release();
    viewImage_.release();
    sourceProxy_.release();
    const auto mode = static_cast<uint16_t>(record_->imageMode);
    sourceProxy_ =
        document_.allocateBuffer(layout.width, layout.height, document_.channelCount(), 1, mode);
    viewImage_ =
        document_.allocateBuffer(layout.width, layout.height, document_.channelCount(), 1, mode);
    viewGray_ = document_.allocateBuffer(layout.width, layout.height, 1, 1, plugInModeGrayScale);
    PSScaling scaling{bounds, VRect{0, 0, layout.height, layout.width}};
    document_.readScaledPixels(*sourceProxy_, scaling);
}

void LightDialog::RenderPreview() {
    const VRect bounds = documentBounds(*record_);
    const int32_t width = sourceProxy_->width();
    const int32_t height = sourceProxy_->height();
    renderer_.setProxyScale(width, height, bounds.right - bounds.left, bounds.bottom - bounds.top);
    renderer_.prepare(width, height);
    switch (previewView_) {
        case previewMatte:
            viewer_->showBuffer(viewGray_);
            renderer_.previewMask(*sourceProxy_, *viewGray_);
            break;
        case previewShape:
            viewer_->showBuffer(viewGray_);
            renderer_.previewShape(*sourceProxy_, *viewGray_);
            break;
        default:
            viewer_->showBuffer(viewImage_);
            viewImage_->copyPixelsFrom(*sourceProxy_);
            if (previewView_ == previewOutput)
                renderer_.renderStrip(*viewImage_, VRect{0, 0, height, width});
            break;
    }
    viewer_->Invalidate();
    viewer_->Update();
}

void LightDialog::SyncControls() {
    const bool wasQuiet = quiet_;
    quiet_ = true;
    for (int32_t view = 0; view < 4; ++view)
        viewButtons_[view]->SetBooleanValue(view == previewView_);
    UpdateZoomControls();
    selectIndex(*lightBlend_, params_.lightBlendMode);
    selectIndex(*lightSource_, params_.lightSource);
    level_->SetValue(static_cast<float>(params_.lightBrightness), false);
    displacement_->SetValue(static_cast<float>(params_.lightDisplacement), false);
    lightBlur_->SetValue(static_cast<float>(params_.lightBlur), false);
    colorSwatch_->SetXYZ(
        CS_XYZ{params_.lightColor[0], params_.lightColor[1], params_.lightColor[2]});
    // A channel this image mode does not offer falls back to the first, and is stored so.
    // Entry IDs are positions in the full list, so a channel offered sits at its own index.
    if (params_.matteChannel >= 0 && params_.matteChannel < matteChannel_->combo().Count()) {
        selectIndex(*matteChannel_, params_.matteChannel);
    } else {
        selectIndex(*matteChannel_, 0);
        params_.matteChannel = 0;
    }
    mattePosition_->SetValue(static_cast<float>(params_.mattePosition), false);
    matteRange_->SetValue(static_cast<float>(params_.matteRange), false);
    matteBlur_->SetValue(static_cast<float>(params_.matteBlur), false);
    selectIndex(*shapeBlend_, params_.shapeBlendMode);
    UpdateShapeLabel();
    const double shapeValues[8] = {params_.shapeOpacity, params_.shapeBlurX, params_.shapeBlurY,
                                   params_.shapePosX,    params_.shapePosY,  params_.shapeScaleX,
                                   params_.shapeScaleY,  params_.shapeRotate};
    for (int32_t i = 0; i < 8; ++i)
        shapeSliders_[i]->SetValue(static_cast<float>(shapeValues[i]), false);
    quiet_ = wasQuiet;
}

void LightDialog::UpdateZoomControls() {
    char text[16];
    std::snprintf(text, sizeof text, "%3d%%", static_cast<int>(zoom_ * 100));
    zoomLabel_->SetText(text);
    zoomIn_->Enable(zoom_ < 1.0);
    zoomOut_->Enable(zoom_ > kSmallestZoom);
}

void LightDialog::UpdateShapeLabel() {
    if (params_.shapeFile.isEmpty()) {
        shapeFileLabel_->SetText("None");
        return;
    }
    shapeFileLabel_->SetText(std::string(params_.shapeFile.lastComponent()).c_str());
}

void LightDialog::OnLightChanged(ADM::CallbackObject*, intptr_t, intptr_t) {
    if (quiet_) return;
    takeSelection(*lightBlend_, params_.lightBlendMode);
    takeSelection(*lightSource_, params_.lightSource);
    params_.lightBrightness = level_->value();
    params_.lightDisplacement = displacement_->value();
    params_.lightBlur = lightBlur_->value();
    const CS_XYZ color = colorSwatch_->xyz();
    params_.lightColor[0] = color.x;
    params_.lightColor[1] = color.y;
    params_.lightColor[2] = color.z;
    RenderPreview();
}

void LightDialog::OnMatteChanged(ADM::CallbackObject*, intptr_t, intptr_t) {
    if (quiet_) return;
    takeSelection(*matteChannel_, params_.matteChannel);
    params_.mattePosition = mattePosition_->value();
    params_.matteRange = matteRange_->value();
    params_.matteBlur = matteBlur_->value();
    RenderPreview();
}

void LightDialog::OnShapeChanged(ADM::CallbackObject*, intptr_t, intptr_t) {
    if (quiet_) return;
    takeSelection(*shapeBlend_, params_.shapeBlendMode);
    double* const fields[8] = {&params_.shapeOpacity, &params_.shapeBlurX, &params_.shapeBlurY,
                               &params_.shapePosX,    &params_.shapePosY,  &params_.shapeScaleX,
                               &params_.shapeScaleY,  &params_.shapeRotate};
    for (int32_t i = 0; i < 8; ++i) *fields[i] = shapeSliders_[i]->value();
    RenderPreview();
}

void LightDialog::OnCornerPinChanged(ADM::CallbackObject*, intptr_t, intptr_t) {
    if (quiet_) return;
    for (int32_t corner = 0; corner < 4; ++corner)
        params_.cornerPin[corner] = viewer_->corners[corner];
    RenderPreview();
}

void LightDialog::OnViewSelected(ADM::CallbackObject* sender, intptr_t, intptr_t) {
    if (quiet_ || sender == nullptr) return;
    const int32_t view = static_cast<ADM::Item*>(sender)->GetID() - kFirstViewButtonID;
    if (view < previewOutput || view > previewOriginal) return;
    previewView_ = view;
    RenderPreview();
}

void LightDialog::OnReset(ADM::CallbackObject*, intptr_t, intptr_t) {
    if (quiet_) return;
    params_.resetToDefaults();
    for (int32_t corner = 0; corner < 4; ++corner)
        viewer_->corners[corner] = params_.cornerPin[corner];
    previewView_ = previewOutput;
    SyncControls();
    RenderPreview();
}

void LightDialog::OnZoomIn(ADM::CallbackObject*, intptr_t, intptr_t) {
    if (quiet_ || !(zoom_ < 1.0)) return;
    zoom_ = std::min(zoom_ + kZoomStep, 1.0);
    PreparePreview();
    UpdateZoomControls();
    RenderPreview();
}

void LightDialog::OnZoomOut(ADM::CallbackObject*, intptr_t, intptr_t) {
    if (quiet_ || !(zoom_ > kSmallestZoom)) return;
    zoom_ = std::max(zoom_ - kZoomStep, kSmallestZoom);
    PreparePreview();
    UpdateZoomControls();
    RenderPreview();
}

void LightDialog::OnChoosePattern(ADM::CallbackObject*, intptr_t, intptr_t) {
    if (quiet_) return;
    const PatternChoice choice = choosePattern(record_->sSPBasic, record_->plugInRef);
    switch (choice.outcome) {
        case PatternChoice::Outcome::picked:
            params_.shapeFile = choice.path;
            UpdateShapeLabel();
            RenderPreview();
            break;
        case PatternChoice::Outcome::tooLong:
            // Never cut to another file's name: the choice is refused where it shows.
            shapeFileLabel_->SetText("Path too long; not used");
            break;
        case PatternChoice::Outcome::cancelled:
            break;
    }
}

bool RunLightDialog(FilterRecord* record, FilterParameters& params, int32_t& previewView) {
    const ADMSuites suites(record->sSPBasic, record->plugInRef);
    HostDocument document(record);
    LightRenderer renderer(document, &params, true);
    LightDialog dialog("Brivo!", record, params, previewView, document, renderer);
    dialog.CenterOnScreen();
    return dialog.Modal() == kOkID;
}

}  // namespace brivo
