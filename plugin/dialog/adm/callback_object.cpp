#include "dialog/adm/callback_object.h"

#include <algorithm>

namespace brivo::ADM {

void CallbackObject::connect(Event event, Function function, intptr_t userData) {
    connections_.push_back(Connection{event, function, nullptr, nullptr, {}, userData});
}

void CallbackObject::disconnect(Event event, Function function, intptr_t userData) {
    removeFirst(Connection{event, function, nullptr, nullptr, {}, userData});
}

void CallbackObject::removeFirst(const Connection& connection) {
    const auto found = std::find(connections_.begin(), connections_.end(), connection);
    if (found != connections_.end()) connections_.erase(found);
}

void CallbackObject::emit(Event event, intptr_t argument) {
    std::vector<Connection> due;
    for (const Connection& connection : connections_)
        if (connection.event == event) due.push_back(connection);
    for (const Connection& connection : due) {
        // A handler run before this one may have disconnected it.
        if (std::find(connections_.begin(), connections_.end(), connection) == connections_.end())
            continue;
        if (connection.receiver != nullptr)
            connection.invoke(connection.receiver, connection.method, this, connection.userData,
                              argument);
        else
            connection.function(this, connection.userData, argument);
    }
}

}  // namespace brivo::ADM
