// Records the events an object sends, in order.
#pragma once

#include <string>
#include <vector>

#include "dialog/adm/callback_object.h"

namespace brivo::test {

class EventRecorder : public ADM::CallbackObject {
  public:
    struct Call {
        std::string event;
        ADM::CallbackObject* sender;
        intptr_t argument;
    };

    // Records `event` from `sender`.
    void listen(ADM::CallbackObject& sender, ADM::Event event) {
        sender.connect(event, this, &EventRecorder::record, reinterpret_cast<intptr_t>(event));
    }

    std::vector<std::string> events() const {
        std::vector<std::string> names;
        for (const Call& call : calls) names.push_back(call.event);
        return names;
    }

    std::vector<Call> calls;

  private:
    void record(ADM::CallbackObject* sender, intptr_t event, intptr_t argument) {
        calls.push_back({reinterpret_cast<const char*>(event), sender, argument});
    }
};

}  // namespace brivo::test
