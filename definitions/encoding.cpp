#include "definitions/encoding.h"

namespace sorvane::definitions {
namespace {

char shiftUp(char c) {
    int code = static_cast<unsigned char>(c) + DefinitionKey;
    if (code > 255) code -= 255;
    return static_cast<char>(static_cast<unsigned char>(code));
}

char shiftDown(char c) {
    int code = static_cast<unsigned char>(c) - DefinitionKey;
    if (code < 0) code += 255;
    return static_cast<char>(static_cast<unsigned char>(code));
}

bool isLineEnd(char c) { return c == '\r' || c == '\n'; }

}  // namespace

std::string EncodeLine(std::string_view clear) {
    std::string out(clear);
    for (auto& c : out) c = shiftUp(c);
    return out;
}

std::string DecodeLine(std::string_view stored) {
    std::string out(stored);
    for (auto& c : out) c = shiftDown(c);
    return out;
}

std::string EncodeText(std::string_view clear) {
    std::string out(clear);
    for (auto& c : out)
        if (!isLineEnd(c)) c = shiftUp(c);
    return out;
}

std::string DecodeText(std::string_view stored) {
    std::string out(stored);
    for (auto& c : out)
        if (!isLineEnd(c)) c = shiftDown(c);
    return out;
}

}  // namespace sorvane::definitions
