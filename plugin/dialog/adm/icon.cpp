#include "dialog/adm/icon.h"

#include "dialog/adm/adm_suites.h"

namespace brivo::ADM {

Icon::Icon(const char* name, int32_t id)
    : suite_(ADMSuites::get().basicSuite, kADMIconSuite, kADMIconSuiteVersion2) {
    const ADMErr status = suite_->LoadFromResource(ADMSuites::get().plugInRef, name, id, &ref_);
    if (status == kSPOutOfMemoryError) throwMemoryFull();
    if (status != kSPNoError) ref_ = nullptr;
    width_ = suite_->GetWidth(ref_);
    height_ = suite_->GetHeight(ref_);
}

Icon::~Icon() {
    suite_->Destroy(ref_);
}

}  // namespace brivo::ADM
