// A toolkit item and the object bound to it both ways: the object is the item's user
// data, and the item's callbacks become the object's virtual operations.
#pragma once

#include <cstdint>
#include <string>

#include "adm_types.h"
#include "dialog/adm/callback_object.h"

namespace brivo::ADM {

class Dialog;

struct Size2 {
    int32_t width;
    int32_t height;
};

class Item : public CallbackObject {
  public:
    Item() = default;
    // Unbinds, then destroys the toolkit item when one was created.
    ~Item() override;

    virtual void Show();
    virtual void Hide();
    virtual void SetBoundsRect(const ADMRect& bounds);
    virtual void Move(int32_t x, int32_t y);
    virtual void Size(int32_t width, int32_t height);
    // True when the toolkit handled the action.
    virtual bool Track(ADMTrackerRef tracker);
    // Called while the toolkit creates the item, once it is bound.
    virtual void Init() {}
    virtual void Draw(ADMDrawerRef drawer);
    virtual void Notify(ADMNotifierRef notifier);

    ADMItemRef GetRef() const { return ref_; }
    int32_t GetID() const;
    // The dialog object the item was created in.
    Dialog* GetDialog() const { return dialog_; }
    void Enable(bool enable);
    bool IsVisible() const;
    ADMRect GetLocalRect() const;
    ADMRect GetBoundsRect() const;
    Size2 GetBestSize() const;
    void Invalidate();
    // Repaints the item now when it needs it.
    void Update();
    void SetFont(int32_t font);
    void SetJustify(int32_t justify);
    void SetText(const char* text);
    std::string GetText() const;
    void SetBooleanValue(bool value);
    ADMActionMask GetMask() const;
    void SetMask(ADMActionMask mask);

  protected:
    // Creates the toolkit item (bound to this object before the call returns); every
    // field an override of Init, Draw, Notify or Track reads must be set before. Throws
    // SuiteError when the toolkit cannot make it.
    void Create(Dialog& dialog, int32_t itemID, const char* typeName, const ADMRect& bounds,
                int32_t options);
    // Sizes an item made with zero width to what its text needs.
    void takeBestSizeIfNoWidth(const ADMRect& bounds);

  private:
    static ADMErr onInit(ADMItemRef item) noexcept;
    static void onNotify(ADMItemRef item, ADMNotifierRef notifier) noexcept;
    static ADMBoolean onTrack(ADMItemRef item, ADMTrackerRef tracker) noexcept;
    static void onDraw(ADMItemRef item, ADMDrawerRef drawer) noexcept;

    ADMItemRef ref_ = nullptr;
    Dialog* dialog_ = nullptr;
};

// Whether a notification is of the given kind.
bool isNotifier(ADMNotifierRef notifier, const char* kind);

}  // namespace brivo::ADM
