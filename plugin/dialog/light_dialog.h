// The main dialog, run by the start selector when no recorded step replays silently: every
// parameter in popups, number sliders, a colour swatch and a pattern chooser, with a live
// preview in four views and the shape's corners dragged on it.
#pragma once

#include <array>
#include <memory>

#include "core/filter_parameters.h"
#include "dialog/adm/button.h"
#include "dialog/adm/dialog.h"
#include "dialog/adm/label.h"
#include "dialog/cs_color_pot.h"
#include "dialog/eye_dropper.h"
#include "dialog/frame.h"
#include "dialog/labeled_combo_box.h"
#include "dialog/text_slider.h"
#include "dialog/viewer.h"
#include "filter_record.h"
#include "image/host_document.h"
#include "render/light_renderer.h"

namespace brivo {

// What the preview shows; kept in the globals between invocations.
enum PreviewView : int32_t {
    previewOutput = 0,
    previewMatte = 1,
    previewShape = 2,
    previewOriginal = 3
};

class LightDialog : public ADM::Dialog {
  public:
    // Builds every control, sizes the dialog, reads the proxy and renders the first
    // preview. params is edited in place from then on.
    // previewView is the view word the host keeps for the module between calls.
    LightDialog(const char* title, FilterRecord* record, FilterParameters& params,
                int32_t& previewView, HostDocument& document, LightRenderer& renderer);
    ~LightDialog() override;

  private:
    using Handler = void (LightDialog::*)(ADM::CallbackObject*, intptr_t, intptr_t);

    void buildPreviewRow();
    void buildLightGroup();
    void buildButtons();
    void buildMatteGroup();
    void buildShapeGroup();
    std::unique_ptr<TextSlider> slider(int32_t id, const char* caption, int32_t left, int32_t top,
                                       int32_t right, float minimum, float maximum, float initial,
                                       Handler handler);

    // Sizes the proxy for the zoom, centres it in the viewer, and when its size changed
    // reallocates the three buffers and reads the document into the proxy.
    void PreparePreview();
    // Renders the selected view and repaints the viewer before returning.
    void RenderPreview();
    // Sets every control from the parameters; no handler runs.
    void SyncControls();
    void UpdateZoomControls();
    void UpdateShapeLabel();

    void OnLightChanged(ADM::CallbackObject*, intptr_t, intptr_t);
    void OnMatteChanged(ADM::CallbackObject*, intptr_t, intptr_t);
    void OnShapeChanged(ADM::CallbackObject*, intptr_t, intptr_t);
    void OnCornerPinChanged(ADM::CallbackObject*, intptr_t, intptr_t);
    void OnViewSelected(ADM::CallbackObject* sender, intptr_t, intptr_t);
    void OnReset(ADM::CallbackObject*, intptr_t, intptr_t);
    void OnZoomIn(ADM::CallbackObject*, intptr_t, intptr_t);
    void OnZoomOut(ADM::CallbackObject*, intptr_t, intptr_t);
    void OnChoosePattern(ADM::CallbackObject*, intptr_t, intptr_t);

    FilterRecord* record_;
    FilterParameters& params_;
    int32_t& previewView_;
    HostDocument& document_;
    LightRenderer& renderer_;
    // Handlers do nothing while the dialog is being built, synchronised or taken apart:
    // a toolkit may notify from inside those calls.
    bool quiet_ = true;

    std::unique_ptr<CornerPinViewer> viewer_;
    std::array<std::unique_ptr<ADM::Button>, 4> viewButtons_;
    std::unique_ptr<ADM::Button> zoomIn_, zoomOut_;
    std::unique_ptr<ADM::Label> zoomLabel_;

    std::unique_ptr<LabeledComboBox> lightBlend_, lightSource_;
    std::unique_ptr<TextSlider> level_, displacement_, lightBlur_;
    std::unique_ptr<Frame> lightFrame_;
    std::unique_ptr<ADM::Label> colorLabel_;
    std::unique_ptr<CS_ColorPot> colorSwatch_;
    std::unique_ptr<EyeDropper> eyeDropper_;

    std::unique_ptr<ADM::Button> reset_, cancel_, ok_;

    std::unique_ptr<LabeledComboBox> matteChannel_;
    std::unique_ptr<TextSlider> mattePosition_, matteRange_, matteBlur_;
    std::unique_ptr<Frame> matteFrame_;

    std::unique_ptr<ADM::Button> selectPattern_;
    std::unique_ptr<ADM::Label> shapeFileLabel_;
    std::unique_ptr<LabeledComboBox> shapeBlend_;
    // Opacity, X blur, Y blur, X position, Y position, X scale, Y scale, rotate.
    std::array<std::unique_ptr<TextSlider>, 8> shapeSliders_;
    std::unique_ptr<Frame> shapeFrame_;

    double zoom_ = 1.0;
    ImageHandle sourceProxy_, viewImage_, viewGray_;
};

// Shows the dialog on the live parameters; true when the user confirmed with OK. Errors
// (a refused suite, memory) pass on after everything the dialog built is released.
bool RunLightDialog(FilterRecord* record, FilterParameters& params, int32_t& previewView);

}  // namespace brivo
