// Actions on disk: every value type survives a save and a load exactly.
#include "host/scripting/action_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "host/scripting/descriptor_store.h"
#include "support/temp_dir.h"

namespace brivo::host {
namespace {

constexpr DescriptorKeyID key(const char (&text)[5]) {
    return BRIVO_FOURCC(text[0], text[1], text[2], text[3]);
}

bool sameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(ActionFile, EveryTypeRoundTripsExactly) {
    const double floats[] = {0.1,
                             -0.0,
                             1e-308,
                             4.9e-324,
                             1.7976931348623157e308,
                             std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity(),
                             1.0 / 3.0};
    DescriptorValues values;
    for (size_t i = 0; i < std::size(floats); ++i)
        values.put(BRIVO_FOURCC('f', 'l', 't', '0' + i), floats[i]);
    values.put(key("nanV"), std::numeric_limits<double>::quiet_NaN());
    values.put(key("intV"), int32_t{-2147483647 - 1});
    values.put(key("enmV"), EnumeratedValue{key("lBld"), key("lScr")});
    values.put(key("bolV"), true);
    values.put(key("txtV"), std::string(1000, 'x'));
    values.put(key("binV"), std::string("\xff\xfe\0latin", 8));
    values.put(0x01020304u, int32_t{7});

    test::TempDir dir;
    saveAction(dir / "action.json", values);
    const DescriptorValues loaded = loadAction(dir / "action.json");
    ASSERT_EQ(loaded.items().size(), values.items().size());
    for (size_t i = 0; i < values.items().size(); ++i) {
        const DescriptorItem& sent = values.items()[i];
        const DescriptorItem& back = loaded.items()[i];
        EXPECT_EQ(back.key, sent.key);
        ASSERT_EQ(back.value.index(), sent.value.index()) << i;
        if (const double* number = std::get_if<double>(&sent.value)) {
            if (std::isnan(*number))
                EXPECT_TRUE(std::isnan(std::get<double>(back.value)));
            else
                EXPECT_TRUE(sameBits(*number, std::get<double>(back.value))) << *number;
        } else {
            EXPECT_EQ(back.value, sent.value) << i;
        }
    }
}

TEST(ActionFile, MalformedFilesNameTheFault) {
    const auto message = [](const std::string& text) -> std::string {
        try {
            actionFromJson(text);
        } catch (const ActionFileError& error) {
            return error.what();
        }
        return "accepted";
    };
    const std::string head = R"({"format":"brivo-action","version":1,"items":[)";
    EXPECT_NE(message("{").find("not JSON"), std::string::npos);
    // A number beyond any double is refused by the JSON reader as out of range.
    EXPECT_NE(
        message(head + R"({"key":"lBrt","type":"float","value":1)" + std::string(400, '0') + "}]}")
            .find("not JSON"),
        std::string::npos);
    EXPECT_NE(message(R"({"items":[]})").find("not a brivo action"), std::string::npos);
    EXPECT_NE(message(head + R"({"key":"lBrt","type":"float","value":"high"}]})").find("lBrt"),
              std::string::npos);
    EXPECT_NE(message(head + R"({"key":"lClX","type":"integer","value":1e12}]})").find("lClX"),
              std::string::npos);
    EXPECT_NE(message(head + R"({"key":"toolong","type":"float","value":1}]})").find("item 0"),
              std::string::npos);
    EXPECT_NE(
        message(head + R"({"key":"lBln","type":"enumerated","value":"lAdd"}]})").find("enumType"),
        std::string::npos);
    EXPECT_NE(message(head + R"({"key":"sNam","type":"text","hex":"abc"}]})").find("sNam"),
              std::string::npos);
    EXPECT_NE(message(head + R"({"key":"sNam","type":"blob","value":1}]})").find("blob"),
              std::string::npos);
    EXPECT_EQ(message(head + "]}"), "accepted");
}

TEST(DescriptorEncoding, HandleBytesDecodeOnlyWhenWhole) {
    DescriptorValues values;
    values.put(key("sNam"), std::string(300, 'n'));
    values.put(key("lBrt"), 2.5);
    values.put(key("lBrt"), 3.5);  // replaces in place
    ASSERT_EQ(values.items().size(), 2u);
    const std::vector<char> bytes = values.encode();
    const auto decoded = DescriptorValues::decode(bytes);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(std::get<double>(*decoded->find(key("lBrt"))), 3.5);
    for (size_t cut = 0; cut < bytes.size(); cut += 7)
        EXPECT_FALSE(DescriptorValues::decode(std::span(bytes.data(), cut))) << cut;
    std::vector<char> longer = bytes;
    longer.push_back(0);
    EXPECT_FALSE(DescriptorValues::decode(longer));
}

}  // namespace
}  // namespace brivo::host
