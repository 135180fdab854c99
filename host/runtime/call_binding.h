// Host procedures carry no user data, so each host service finds the object serving
// the call in progress through a binding set for the length of that call.
#pragma once

namespace brivo::host {

// Makes `object` the current T until the binding goes out of scope; bindings nest and
// restore the previous object. Calls come on one thread, one at a time.
template <class T>
class CallBinding {
  public:
    explicit CallBinding(T& object) noexcept : previous_(current_) { current_ = &object; }
    ~CallBinding() { current_ = previous_; }
    CallBinding(const CallBinding&) = delete;
    CallBinding& operator=(const CallBinding&) = delete;

    // The bound object, or null outside any call.
    static T* current() noexcept { return current_; }

  private:
    T* previous_;
    static inline T* current_ = nullptr;
};

}  // namespace brivo::host
