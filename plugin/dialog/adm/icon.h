// A picture from the bitmap resources of the module's own file.
#pragma once

#include <cstdint>

#include "adm_icon_suite.h"
#include "core/suite_holder.h"

namespace brivo::ADM {

class Icon {
  public:
    // Loads the bitmap named `name` with resource ID `id`. The icon suite stays acquired
    // for the icon's life, so freeing it never needs an acquisition that could be refused.
    // A missing bitmap gives a null icon of size 0, drawn as nothing. Throws SuiteError
    // when the host has no icon suite and -108 when it runs out of memory.
    Icon(const char* name, int32_t id);
    ~Icon();
    Icon(const Icon&) = delete;
    Icon& operator=(const Icon&) = delete;

    ADMIconRef GetRef() const { return ref_; }
    int32_t width() const { return width_; }
    int32_t height() const { return height_; }

  private:
    SuiteHolder<ADMIconSuite2> suite_;
    ADMIconRef ref_ = nullptr;
    int32_t width_ = 0;
    int32_t height_ = 0;
};

}  // namespace brivo::ADM
