#include "scan/json_writer.h"

#include <gtest/gtest.h>

namespace sorvane::scan {
namespace {

TEST(JsonWriterTest, NestsContainersWithCommasAndEscapesStrings) {
    JsonWriter json;
    json.beginObject().key("a").beginArray().value(1).value("x").endArray();
    json.key("b").beginObject().key("c").value(true).endObject().key("d").value("q\"\\\r\n\t\x01").endObject();
    EXPECT_EQ(json.text(), R"({"a":[1,"x"],"b":{"c":true},"d":"q\"\\\r\n\t\u0001"})");
}

TEST(JsonWriterTest, KeepsValidUtf8AndReplacesInvalidBytes) {
    EXPECT_EQ(JsonWriter::quote("C:\\caf\xc3\xa9"), "\"C:\\\\caf\xc3\xa9\"");
    EXPECT_EQ(JsonWriter::quote("bad\xe9!"), "\"bad\\ufffd!\"");
    EXPECT_EQ(JsonWriter::quote("\xed\xa0\x80"), "\"\\ufffd\\ufffd\\ufffd\"");
}

}  // namespace
}  // namespace sorvane::scan
