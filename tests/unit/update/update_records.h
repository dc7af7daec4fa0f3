#pragma once
#include <string>
#include <string_view>

#include "definitions/encoding.h"

namespace sorvane::update::testing {

// One record of an update text as a server writes it: the encoded section, the action in
// clear, and the payload encoded but for its "|" and "=" separators.
inline std::string record(std::string_view section, std::string_view action, std::string_view clearPayload) {
    std::string payload;
    for (char c : clearPayload) {
        payload += (c == '|' || c == '=') ? std::string(1, c) : definitions::EncodeLine(std::string(1, c));
    }
    return definitions::EncodeLine(section) + "|" + std::string(action) + "[DEF]" + payload;
}

}  // namespace sorvane::update::testing
