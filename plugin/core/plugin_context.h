// The per-call context: the host's record, data slot and result slot, and the two host
// handles locked for the duration of the call.
#pragma once

#include <cstdint>

#include "core/filter_parameters.h"
#include "filter_record.h"

namespace brivo {

// The small block kept in the host's data handle from call to call.
struct PluginGlobals {
    uint8_t showDialog;   // 1 until a start has decided whether to show the dialog
    int32_t previewView;  // the dialog's preview view, 0..3
};

class PluginContext {
  public:
    PluginContext(FilterRecord* filterRecord, intptr_t* dataSlot, int16_t* result);
    // Unlocks whatever the call locked.
    ~PluginContext();
    PluginContext(const PluginContext&) = delete;
    PluginContext& operator=(const PluginContext&) = delete;

    // Makes sure the parameters and data handles exist and locks both into parameters
    // and globals. Throws -108 when a handle cannot be made or locked.
    void openHandles();

    FilterRecord* filterRecord() const { return filterRecord_; }
    const HandleProcs* handleProcs() const { return filterRecord_->handleProcs; }
    intptr_t dataSlotValue() const { return *dataSlot_; }
    void setResult(int16_t code) { *result_ = code; }
    int16_t result() const { return *result_; }
    const SPBasicSuite* basicSuite() const { return filterRecord_->sSPBasic; }
    void* plugInRef() const { return filterRecord_->plugInRef; }

    FilterParameters* parameters = nullptr;
    PluginGlobals* globals = nullptr;

  private:
    Handle makeHandle(int32_t size);
    template <class Block>
    Handle makeBlock(const Block& value);
    bool handleTooSmall(Handle handle, int32_t size) const;
    char* lockOrFail(Handle handle);
    void ensureParametersHandle();
    void ensureGlobalsHandle();

    FilterRecord* filterRecord_;
    intptr_t* dataSlot_;
    int16_t* result_;
    Handle lockedParameters_ = nullptr;
    Handle lockedGlobals_ = nullptr;
};

}  // namespace brivo
