// The base of every dialog and item object: named events sent to member functions or
// free functions of other objects.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

namespace brivo::ADM {

// An event is named by one shared string constant and compared by its address, so two
// constants with the same text are different events.
using Event = const char*;

namespace events {
inline constexpr char select[] = "select";
inline constexpr char changed[] = "changed";
inline constexpr char close[] = "close";
inline constexpr char track[] = "track";
inline constexpr char activate[] = "activate";
inline constexpr char gainFocus[] = "gainFocus";
inline constexpr char loseFocus[] = "loseFocus";
}  // namespace events

class CallbackObject {
  public:
    // A handler gets the sender, the connection's user data and the event's argument.
    using Function = void (*)(CallbackObject* sender, intptr_t userData, intptr_t argument);

    CallbackObject() = default;
    virtual ~CallbackObject() = default;
    CallbackObject(const CallbackObject&) = delete;
    CallbackObject& operator=(const CallbackObject&) = delete;

    // Connects the event to a member function of `receiver`; the same pair may be
    // connected more than once, and each connection is called.
    template <class Receiver>
    void connect(Event event, Receiver* receiver,
                 void (Receiver::*method)(CallbackObject*, intptr_t, intptr_t),
                 intptr_t userData = 0) {
        connections_.push_back(memberConnection(event, receiver, method, userData));
    }
    void connect(Event event, Function function, intptr_t userData = 0);

    // Removes the first connection equal in event, receiver, method and user data.
    template <class Receiver>
    void disconnect(Event event, Receiver* receiver,
                    void (Receiver::*method)(CallbackObject*, intptr_t, intptr_t),
                    intptr_t userData = 0) {
        removeFirst(memberConnection(event, receiver, method, userData));
    }
    void disconnect(Event event, Function function, intptr_t userData = 0);

    // Calls, in the order they were made, the connections of the event that exist when
    // it is sent and still exist when their turn comes: a handler may connect or
    // disconnect while the event is being sent.
    void emit(Event event, intptr_t argument);

  private:
    // A member function kept as its bytes, called back through a function made for its
    // receiver's class, so the receiver is reached exactly as its own class sees it.
    using MethodBytes = std::array<unsigned char, 2 * sizeof(void*)>;
    using Invoker = void (*)(void* receiver, const MethodBytes& method, CallbackObject* sender,
                             intptr_t userData, intptr_t argument);

    struct Connection {
        Event event;
        Function function;  // called when receiver is null
        void* receiver;
        Invoker invoke;
        MethodBytes method;
        intptr_t userData;

        bool operator==(const Connection&) const = default;
    };

    template <class Receiver>
    using MemberHandler = void (Receiver::*)(CallbackObject*, intptr_t, intptr_t);

    template <class Receiver>
    static void invokeMember(void* receiver, const MethodBytes& bytes, CallbackObject* sender,
                             intptr_t userData, intptr_t argument) {
        MemberHandler<Receiver> method;
        std::memcpy(&method, bytes.data(), sizeof method);
        (static_cast<Receiver*>(receiver)->*method)(sender, userData, argument);
    }

    template <class Receiver>
    static Connection memberConnection(Event event, Receiver* receiver,
                                       MemberHandler<Receiver> method, intptr_t userData) {
        static_assert(sizeof method <= sizeof(MethodBytes));
        Connection connection{event, nullptr, receiver, &invokeMember<Receiver>, {}, userData};
        std::memcpy(connection.method.data(), &method, sizeof method);
        return connection;
    }
    void removeFirst(const Connection& connection);

    std::vector<Connection> connections_;
};

}  // namespace brivo::ADM
