// The module's resources, read from its file without loading it.
#include "host/scripting/resource_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>

#include "pluginapi/resource_section.h"
#include "support/temp_dir.h"

namespace brivo::host {
namespace {

// Walks little-endian fields of a resource, checking each against what it should hold.
class Fields {
  public:
    explicit Fields(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}
    uint32_t u32() { return take(4); }
    uint16_t u16() { return static_cast<uint16_t>(take(2)); }
    uint8_t u8() { return static_cast<uint8_t>(take(1)); }
    // A four-character code stored little-endian, as its characters.
    std::string code() { return fourCharText(u32()); }
    std::string pascal() {
        const uint8_t length = u8();
        return text(length);
    }
    std::string text(size_t length) {
        EXPECT_LE(at_ + length, bytes_.size());
        std::string out(reinterpret_cast<const char*>(bytes_.data() + at_), length);
        at_ += length;
        return out;
    }
    size_t at() const { return at_; }
    void skip(size_t count) { at_ += count; }

  private:
    uint32_t take(int size) {
        EXPECT_LE(at_ + size, bytes_.size());
        uint32_t value = 0;
        for (int i = 0; i < size; ++i) value |= uint32_t{bytes_[at_ + i]} << (8 * i);
        at_ += size;
        return value;
    }
    static std::string fourCharText(uint32_t code) {
        return {static_cast<char>(code >> 24), static_cast<char>(code >> 16),
                static_cast<char>(code >> 8), static_cast<char>(code)};
    }
    const std::vector<uint8_t>& bytes_;
    size_t at_ = 0;
};

const Resource& resource(const ResourceReader& reader, uint32_t type) {
    const Resource* found = reader.find(type, 16000);
    if (found == nullptr) throw std::runtime_error("resource missing");
    return *found;
}

TEST(ResourceReader, PropertyListFieldByField) {
    const ResourceReader reader(BRIVO_MODULE_PATH);
    const Resource& pipl = resource(reader, BRIVO_RESOURCE_PROPERTY_LIST);
    Fields f(pipl.bytes);
    EXPECT_EQ(f.u16(), 1);
    EXPECT_EQ(f.u32(), 0u);
    EXPECT_EQ(f.u32(), 9u);
    const auto property = [&](const char* key, uint32_t length) {
        EXPECT_EQ(f.code(), "8BIM") << key;
        EXPECT_EQ(f.code(), key);
        EXPECT_EQ(f.u32(), 0u) << key;
        EXPECT_EQ(f.u32(), length) << key;
    };
    const auto padding = [&] {
        while (f.at() % 4 != 2) EXPECT_EQ(f.u8(), 0);  // data starts 2 bytes past a multiple of 4
    };
    property("kind", 4);
    EXPECT_EQ(f.code(), "8BFM");
    property("name", 10);
    EXPECT_EQ(f.pascal(), "Brivo!...");
    padding();
    property("catg", 8);
    EXPECT_EQ(f.pascal(), "Korvane");
    property("vers", 4);
    EXPECT_EQ(f.u32(), 0x00040000u);
    property("wx86", 11);
    EXPECT_EQ(f.text(11), std::string("PluginMain", 11));
    padding();
    property("mode", 4);
    EXPECT_EQ(f.text(4), std::string("\x58\0\0\0", 4));
    property("hstm", 51);
    EXPECT_EQ(f.u32(), 0u);
    EXPECT_EQ(f.code(), "krxB");
    EXPECT_EQ(f.code(), "krxB");
    EXPECT_EQ(f.u16(), 16000);
    EXPECT_EQ(f.text(37), std::string("7C2A91E4-3B58-4D06-A1F9-52E8B0C4D713", 37));
    padding();
    const std::string enable = "in (PSHOP_ImageMode, RGBMode, GrayScaleMode, CMYKMode)";
    property("enbl", static_cast<uint32_t>(enable.size()));
    EXPECT_EQ(f.text(enable.size()), enable);
    EXPECT_EQ(f.u16(), 0);  // the padding ends the text
    property("fici", 28);
    for (int i = 0; i < 7; ++i) EXPECT_EQ(f.u32(), 0x00040404u);
    EXPECT_EQ(f.at(), pipl.bytes.size());
}

TEST(ResourceReader, TerminologyFieldByField) {
    const ResourceReader reader(BRIVO_MODULE_PATH);
    const Resource& aete = resource(reader, BRIVO_RESOURCE_TERMINOLOGY);
    ASSERT_EQ(aete.bytes.size(), 1790u);
    Fields f(aete.bytes);
    EXPECT_EQ(f.u16(), 1);
    EXPECT_EQ(f.u8(), 1);
    EXPECT_EQ(f.u8(), 0);
    EXPECT_EQ(f.u16(), 0);
    EXPECT_EQ(f.u16(), 0);
    EXPECT_EQ(f.u16(), 1);
    EXPECT_EQ(f.pascal(), "KRX");
    EXPECT_EQ(f.pascal(), "Brivo!");
    EXPECT_EQ(f.code(), "krxB");
    EXPECT_EQ(f.u16(), 1);
    EXPECT_EQ(f.u16(), 1);
    EXPECT_EQ(f.u16(), 1);
    EXPECT_EQ(f.pascal(), "KRX Brivo!");
    EXPECT_EQ(f.pascal(), "Add light and shadow to a scene.");
    EXPECT_EQ(f.code(), "krxB");
    EXPECT_EQ(f.code(), "krxB");
    EXPECT_EQ(f.code(), "null");
    EXPECT_EQ(f.pascal(), "");
    EXPECT_EQ(f.u16(), 0);
    EXPECT_EQ(f.code(), "#ImR");
    EXPECT_EQ(f.pascal(), "");
    EXPECT_EQ(f.u16(), 0xb000);
    ASSERT_EQ(f.u16(), 31);
    std::vector<std::string> keys;
    for (int i = 0; i < 31; ++i) {
        const std::string name = f.pascal();
        const std::string key = f.code();
        const std::string type = f.code();
        const std::string description = f.pascal();
        const uint16_t flags = f.u16();
        keys.push_back(key);
        EXPECT_EQ(name.rfind("KRX ", 0), 0u) << key;
        if (key == "lClZ") {
            EXPECT_EQ(name.size(), 41u);
        }
        if (key == "lBln") {
            EXPECT_EQ(type + " " + std::to_string(flags), "lBld 8192");
        }
        if (key == "lDmd") {
            EXPECT_EQ(description, "modulate displacement by extracted matte");
        }
        if (key == "sNam") {
            EXPECT_EQ(type, "TEXT");
        }
        if (key == "cp3Y") {
            EXPECT_EQ(name, "KRX corner-pin LL Y");
        }
    }
    EXPECT_EQ(keys.front(), "lBln");
    EXPECT_EQ(keys[8], "lDmd");
    EXPECT_EQ(keys.back(), "cp3Y");
    EXPECT_EQ(f.u16(), 0);
    EXPECT_EQ(f.u16(), 0);
    ASSERT_EQ(f.u16(), 4);
    const std::pair<const char*, int> enumerations[] = {
        {"useC", 9}, {"lBld", 3}, {"sBld", 9}, {"sorC", 2}};
    for (const auto& [type, count] : enumerations) {
        EXPECT_EQ(f.code(), type);
        ASSERT_EQ(f.u16(), count);
        for (int i = 0; i < count; ++i) {
            const std::string name = f.pascal();
            const std::string code = f.code();
            const std::string description = f.pascal();
            if (code == "satC") {
                EXPECT_EQ(name + "/" + description, "KRX saturation/base on saturation channel");
            }
            if (code == "sMat") {
                EXPECT_EQ(name + "/" + description, "KRX matte/Matte");
            }
        }
    }
    EXPECT_EQ(f.at(), aete.bytes.size());
}

TEST(ResourceReader, RejectsDamagedFiles) {
    test::TempDir dir;
    const auto write = [&](const std::string& name, const std::string& bytes) {
        const auto path = dir.path() / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    };
    EXPECT_THROW(ResourceReader(dir.path() / "missing.so"), ResourceError);
    EXPECT_THROW(ResourceReader(write("text.so", "not an elf file at all")), ResourceError);

    // A real module cut short: its section headers lie past the end.
    std::ifstream in(BRIVO_MODULE_PATH, std::ios::binary);
    std::string module((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_THROW(ResourceReader(write("cut.so", module.substr(0, module.size() / 2))),
                 ResourceError);

    // A record whose length runs past its section.
    std::vector<uint8_t> section(32, 0);
    const BrivoResourceHeader header{BRIVO_RESOURCE_RECORD_MAGIC, BRIVO_RESOURCE_TERMINOLOGY, 1,
                                     1000};
    std::memcpy(section.data(), &header, sizeof header);
    EXPECT_THROW(ResourceReader::parseSection(section), ResourceError);
    section.assign(16, 0);
    EXPECT_TRUE(ResourceReader::parseSection(section).empty());
}

}  // namespace
}  // namespace brivo::host
