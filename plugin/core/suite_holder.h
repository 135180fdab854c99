// Scoped acquisition of a host suite: acquired by name and version through the basic
// suite, released with the same name and version when the holder goes out of scope.
#pragma once

#include <cstdint>

#include "basic_suite.h"
#include "core/errors.h"

namespace brivo {

template <class Suite>
class SuiteHolder {
  public:
    // Acquires the suite or throws SuiteError. A null basic suite or a null table counts
    // as a refusal.
    SuiteHolder(const SPBasicSuite* basic, const char* name, int32_t version)
        : basic_(basic), name_(name), version_(version) {
        const SPErr status = tryAcquire();
        if (status != kSPNoError) throw SuiteError{status};
    }
    // Tag for a holder that reports a refusal instead of throwing.
    struct NoThrow {};
    SuiteHolder(const SPBasicSuite* basic, const char* name, int32_t version, NoThrow)
        : basic_(basic), name_(name), version_(version) {
        tryAcquire();
    }
    ~SuiteHolder() {
        if (suite_ != nullptr) basic_->ReleaseSuite(name_, version_);
    }
    SuiteHolder(const SuiteHolder&) = delete;
    SuiteHolder& operator=(const SuiteHolder&) = delete;

    bool acquired() const { return suite_ != nullptr; }
    const Suite* operator->() const { return suite_; }
    const Suite& get() const { return *suite_; }

  private:
    SPErr tryAcquire() {
        if (basic_ == nullptr || basic_->AcquireSuite == nullptr) return kSPSuiteNotFoundError;
        const void* table = nullptr;
        const SPErr status = basic_->AcquireSuite(name_, version_, &table);
        if (status != kSPNoError) return status;
        if (table == nullptr) {
            // The host claimed success but gave nothing: give the acquisition back.
            basic_->ReleaseSuite(name_, version_);
            return kSPSuiteNotFoundError;
        }
        suite_ = static_cast<const Suite*>(table);
        return kSPNoError;
    }

    const SPBasicSuite* basic_;
    const char* name_;
    int32_t version_;
    const Suite* suite_ = nullptr;
};

}  // namespace brivo
