#include "core/plugin_context.h"

#include <new>

#include "core/errors.h"

namespace brivo {

namespace {

bool hasHandleProcs(const HandleProcs* procs) {
    return procs != nullptr && procs->newProc != nullptr && procs->disposeProc != nullptr &&
           procs->lockProc != nullptr && procs->unlockProc != nullptr;
}

Handle handleFromSlot(intptr_t value) {
    return reinterpret_cast<Handle>(value);
}

}  // namespace

PluginContext::PluginContext(FilterRecord* filterRecord, intptr_t* dataSlot, int16_t* result)
    : filterRecord_(filterRecord), dataSlot_(dataSlot), result_(result) {
    *result_ = noErr;
}

PluginContext::~PluginContext() {
    if (lockedGlobals_ != nullptr) handleProcs()->unlockProc(lockedGlobals_);
    if (lockedParameters_ != nullptr) handleProcs()->unlockProc(lockedParameters_);
}

Handle PluginContext::makeHandle(int32_t size) {
    Handle handle = handleProcs()->newProc(size);
    if (handle == nullptr) throwMemoryFull();
    return handle;
}

bool PluginContext::handleTooSmall(Handle handle, int32_t size) const {
    const GetPIHandleSizeProc sizeOf = handleProcs()->getSizeProc;
    return sizeOf != nullptr && sizeOf(handle) < size;
}

char* PluginContext::lockOrFail(Handle handle) {
    char* block = handleProcs()->lockProc(handle, 1);
    if (block == nullptr) throwMemoryFull();
    return block;
}

// A block of the host's holding value; a handle that cannot be made or locked is -108, and
// a fresh handle whose first lock fails is given back rather than kept uninitialised.
template <class Block>
Handle PluginContext::makeBlock(const Block& value) {
    Handle fresh = makeHandle(sizeof(Block));
    char* block = handleProcs()->lockProc(fresh, 1);
    if (block == nullptr) {
        handleProcs()->disposeProc(fresh);
        throwMemoryFull();
    }
    new (block) Block(value);
    handleProcs()->unlockProc(fresh);
    return fresh;
}

// A missing or too small block is replaced by a fresh one with defaults.
void PluginContext::ensureParametersHandle() {
    Handle existing = filterRecord_->parameters;
    if (existing != nullptr && !handleTooSmall(existing, sizeof(FilterParameters))) return;
    Handle fresh = makeBlock(FilterParameters());
    if (existing != nullptr) handleProcs()->disposeProc(existing);
    filterRecord_->parameters = fresh;
}

void PluginContext::ensureGlobalsHandle() {
    Handle existing = handleFromSlot(*dataSlot_);
    if (existing != nullptr && !handleTooSmall(existing, sizeof(PluginGlobals))) return;
    Handle fresh = makeBlock(PluginGlobals{1, 0});
    if (existing != nullptr) handleProcs()->disposeProc(existing);
    *dataSlot_ = reinterpret_cast<intptr_t>(fresh);
}

void PluginContext::openHandles() {
    if (parameters != nullptr && globals != nullptr) return;
    if (!hasHandleProcs(handleProcs())) throwMemoryFull();
    ensureParametersHandle();
    ensureGlobalsHandle();

    char* parametersBlock = lockOrFail(filterRecord_->parameters);
    lockedParameters_ = filterRecord_->parameters;
    parameters = reinterpret_cast<FilterParameters*>(parametersBlock);
    parameters->makeSafe();

    Handle globalsHandle = handleFromSlot(*dataSlot_);
    char* globalsBlock = lockOrFail(globalsHandle);
    lockedGlobals_ = globalsHandle;
    globals = reinterpret_cast<PluginGlobals*>(globalsBlock);
    if (globals->previewView < 0 || globals->previewView > 3) globals->previewView = 0;
}

}  // namespace brivo
