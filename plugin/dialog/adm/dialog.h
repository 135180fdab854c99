// A toolkit dialog and the object bound to it both ways: the object is the dialog's user
// data, and the dialog's callbacks become the object's virtual operations.
#pragma once

#include <cstdint>
#include <exception>

#include "adm_types.h"
#include "dialog/adm/callback_object.h"

namespace brivo::ADM {

class Dialog : public CallbackObject {
  public:
    // Creates the toolkit dialog (bound to this object before the call returns) and lets
    // pointer actions that fall on no item reach Track. Throws SuiteError when the
    // toolkit cannot make it.
    Dialog(const char* name, int32_t dialogID, int32_t style, int32_t options);
    // Unbinds, then destroys the toolkit dialog.
    ~Dialog() override;

    // Runs the modal loop; the ID of the item that ended it. An error kept from a
    // callback is raised again here, before and after the loop.
    virtual int32_t Modal();
    virtual void Draw(ADMDrawerRef drawer);
    // The close box also sends "close" (argument: the notifier).
    virtual void Notify(ADMNotifierRef notifier);
    // Called when the toolkit destroys a dialog that is still bound.
    virtual void Destroy() {}
    virtual bool Track(ADMTrackerRef tracker);

    ADMDialogRef GetRef() const { return ref_; }
    void SetText(const char* text);
    void Move(int32_t x, int32_t y);
    void Size(int32_t width, int32_t height);
    ADMRect GetBoundsRect() const;
    void SetDefaultItemID(int32_t itemID);
    void SetCancelItemID(int32_t itemID);
    void EndModal(int32_t itemID, bool cancelling);
    ADMActionMask GetMask() const;
    void SetMask(ADMActionMask mask);
    // Places the dialog in the middle of a screen of the main screen's size whose corner
    // is at (0, 0).
    void CenterOnScreen();

    // The first error thrown inside a callback of this dialog or its items: kept, the loop
    // ended as a cancel, and every later callback ignored.
    void keepError(std::exception_ptr error) noexcept;
    bool hasKeptError() const noexcept { return static_cast<bool>(keptError_); }

  private:
    void raiseKeptError() const;

    static ADMErr onInit(ADMDialogRef dialog) noexcept;
    static void onNotify(ADMDialogRef dialog, ADMNotifierRef notifier) noexcept;
    static ADMBoolean onTrack(ADMDialogRef dialog, ADMTrackerRef tracker) noexcept;
    static void onDraw(ADMDialogRef dialog, ADMDrawerRef drawer) noexcept;
    static void onDestroy(ADMDialogRef dialog) noexcept;

    ADMDialogRef ref_ = nullptr;
    std::exception_ptr keptError_;
};

// The object bound to a toolkit dialog, or null once it is unbound.
Dialog* boundDialog(ADMDialogRef dialog) noexcept;

}  // namespace brivo::ADM
