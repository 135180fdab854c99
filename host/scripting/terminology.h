// A module's scripting terminology, read from its resource bytes: its suites, their
// events with their parameters, and the enumerations the parameters use.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace brivo::host {

struct TermParameter {
    std::string name;
    uint32_t key;
    uint32_t type;
    std::string description;
    uint16_t flags;
};

struct TermEvent {
    std::string name;
    std::string description;
    uint32_t eventClass;
    uint32_t id;
    uint32_t replyType;
    uint16_t replyFlags;
    uint32_t directType;
    uint16_t directFlags;
    std::vector<TermParameter> parameters;
};

struct TermEnumerator {
    std::string name;
    uint32_t code;
    std::string description;
};

struct TermEnumeration {
    uint32_t type;
    std::vector<TermEnumerator> enumerators;
};

struct TermSuite {
    std::string name;
    std::string description;
    uint32_t id;
    uint16_t level;
    uint16_t version;
    std::vector<TermEvent> events;
    // Read only for a suite without classes and comparison operators; left empty otherwise.
    std::vector<TermEnumeration> enumerations;
};

struct Terminology {
    uint8_t majorVersion;
    uint8_t minorVersion;
    uint16_t language;
    uint16_t script;
    std::vector<TermSuite> suites;

    // Throws ResourceError when the bytes end before what they announce.
    static Terminology parse(std::span<const uint8_t> bytes);
};

}  // namespace brivo::host
