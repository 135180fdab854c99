#include "host/scripting/terminology.h"

#include "host/scripting/byte_reader.h"

namespace brivo::host {

namespace {

TermEvent readEvent(ByteReader& in) {
    TermEvent event;
    event.name = in.pascal();
    event.description = in.pascal();
    event.eventClass = in.u32();
    event.id = in.u32();
    event.replyType = in.u32();
    in.pascal();  // reply description
    event.replyFlags = in.u16();
    event.directType = in.u32();
    in.pascal();  // direct parameter description
    event.directFlags = in.u16();
    for (uint16_t count = in.u16(); count > 0; --count) {
        TermParameter parameter;
        parameter.name = in.pascal();
        parameter.key = in.u32();
        parameter.type = in.u32();
        parameter.description = in.pascal();
        parameter.flags = in.u16();
        event.parameters.push_back(std::move(parameter));
    }
    return event;
}

TermSuite readSuite(ByteReader& in, bool last) {
    TermSuite suite;
    suite.name = in.pascal();
    suite.description = in.pascal();
    suite.id = in.u32();
    suite.level = in.u16();
    suite.version = in.u16();
    for (uint16_t count = in.u16(); count > 0; --count) suite.events.push_back(readEvent(in));

    const uint16_t classes = in.u16();
    const uint16_t comparisons = classes == 0 ? in.u16() : 1;
    if (classes != 0 || comparisons != 0) {
        // Classes and operators are not read, so nothing after them can be found.
        if (!last)
            throw ResourceError("the terminology has classes or operators before its last suite");
        return suite;
    }
    for (uint16_t count = in.u16(); count > 0; --count) {
        TermEnumeration enumeration{in.u32(), {}};
        for (uint16_t n = in.u16(); n > 0; --n) {
            TermEnumerator enumerator;
            enumerator.name = in.pascal();
            enumerator.code = in.u32();
            enumerator.description = in.pascal();
            enumeration.enumerators.push_back(std::move(enumerator));
        }
        suite.enumerations.push_back(std::move(enumeration));
    }
    return suite;
}

}  // namespace

Terminology Terminology::parse(std::span<const uint8_t> bytes) {
    ByteReader in(bytes, "the terminology");
    in.u16();  // resource version
    Terminology terminology{};
    terminology.majorVersion = in.u8();
    terminology.minorVersion = in.u8();
    terminology.language = in.u16();
    terminology.script = in.u16();
    const uint16_t suites = in.u16();
    for (uint16_t i = 0; i < suites; ++i)
        terminology.suites.push_back(readSuite(in, i + 1 == suites));
    return terminology;
}

}  // namespace brivo::host
