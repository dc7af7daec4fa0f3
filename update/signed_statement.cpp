#include "update/signed_statement.h"

#include "platform/text.h"
#include "update/definitions_date.h"

#ifndef SORVANE_UPDATE_PUBLIC_KEY
#define SORVANE_UPDATE_PUBLIC_KEY ""
#endif

namespace sorvane::update {
namespace {

constexpr std::size_t SignatureSize = 64;
constexpr std::string_view Fields[] = {"for=", "from=", "to=", "expires=", "sha256=", "signature="};

int base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

// Standard base64 with "=" padding, nothing else allowed.
std::optional<std::string> fromBase64(std::string_view text) {
    if (text.empty() || text.size() % 4 != 0) return std::nullopt;
    std::size_t padding = 0;
    while (padding < 2 && text[text.size() - 1 - padding] == '=') ++padding;
    std::string out;
    std::uint32_t bits = 0;
    int count = 0;
    for (std::size_t i = 0; i < text.size() - padding; ++i) {
        const int v = base64Value(text[i]);
        if (v < 0) return std::nullopt;
        bits = (bits << 6) | static_cast<std::uint32_t>(v);
        count += 6;
        if (count >= 8) {
            count -= 8;
            out += static_cast<char>((bits >> count) & 0xFF);
        }
    }
    return out;
}

StatementCheck refused(Refusal refusal, StatementCheck check = {}) {
    check.refusal = refusal;
    return check;
}

}  // namespace

std::string_view BuildPublicKey() { return SORVANE_UPDATE_PUBLIC_KEY; }

std::string StatementAddress(std::string_view answerAddress) {
    const std::size_t queryStart = std::min(answerAddress.find('?'), answerAddress.size());
    const std::string_view path = answerAddress.substr(0, queryStart);
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    const std::size_t cut = dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash) ? dot : path.size();
    return std::string(path.substr(0, cut)) + ".sig" + std::string(answerAddress.substr(queryStart));
}

std::string AddressPath(std::string_view address) {
    std::size_t start = 0;
    if (const std::size_t scheme = address.find("://"); scheme != std::string_view::npos) {
        start = address.find('/', scheme + 3);
        if (start == std::string_view::npos) return "/";
    }
    const std::size_t end = std::min(address.find_first_of("?#", start), address.size());
    return std::string(address.substr(start, end - start));
}

std::optional<SignedStatement> ReadStatement(std::string_view text) {
    if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
    std::string values[std::size(Fields)];
    SignedStatement statement;
    std::size_t at = 0;
    for (std::size_t i = 0; i < std::size(Fields); ++i) {
        const bool last = i + 1 == std::size(Fields);
        const std::size_t end = last ? text.size() : text.find('\n', at);
        if (end == std::string_view::npos) return std::nullopt;
        const std::string_view line = text.substr(at, end - at);
        if (!line.starts_with(Fields[i]) || line.find('\r') != std::string_view::npos) return std::nullopt;
        values[i] = std::string(line.substr(Fields[i].size()));
        at = end + 1;
        if (i + 2 == std::size(Fields)) statement.body = std::string(text.substr(0, at));
    }
    const auto signature = fromBase64(values[5]);
    if (!signature || signature->size() != SignatureSize) return std::nullopt;
    statement.covers = values[0];
    statement.from = values[1];
    statement.to = values[2];
    statement.expires = values[3];
    statement.sha256 = values[4];
    statement.signature = *signature;
    return statement;
}

StatementCheck CheckStatement(platform::Signatures& signatures, std::string_view publicKeyHex,
                              const std::optional<std::string>& statementText, std::string_view body,
                              const StatementExpectation& expected) {
    if (!statementText) return refused(Refusal::Missing);
    const auto key = text::fromHex(publicKeyHex);
    if (!key || key->size() != SignatureSize) return refused(Refusal::Unverifiable);
    // A text that is no statement at all is what a classic server's page or a proxy's error looks like.
    const auto statement = ReadStatement(*statementText);
    if (!statement) return refused(Refusal::Missing);
    StatementCheck check;
    check.statement = *statement;
    if (const platform::Status s = signatures.verify(*key, statement->body, statement->signature); !s.ok()) {
        return refused(s.is(platform::error::InvalidSignature) ? Refusal::Changed : Refusal::Unverifiable, check);
    }
    // A genuine statement for some other answer (the translation's for an update, say).
    if (!text::equalsNoCase(statement->covers, expected.covers)) return refused(Refusal::Changed, check);
    const auto digest = signatures.sha256(body);
    if (!digest) return refused(Refusal::Unverifiable, check);
    if (!text::equalsNoCase(statement->sha256, text::toHex(*digest))) return refused(Refusal::Changed, check);

    check.to = calendar::ReadIsoDate(statement->to);
    if (expected.notBefore && (!check.to || *check.to < *expected.notBefore)) {
        return refused(check.to ? Refusal::NotNewer : Refusal::Changed, check);
    }
    if (expected.local) {
        const auto from = calendar::ReadIsoDate(statement->from);
        if (!check.to || !from) return refused(Refusal::Changed, check);
        if (*check.to < *expected.local) return refused(Refusal::NotNewer, check);
        if (*check.to == *expected.local) {
            if (*from != *expected.local) return refused(Refusal::NotNewer, check);
            check.current = true;
        } else if (*from != *expected.local) {
            return refused(Refusal::OtherStart, check);
        }
    }
    const auto expires = calendar::ReadIsoDate(statement->expires);
    if (!expires || !statement->expires.ends_with('Z')) return refused(Refusal::Changed, check);
    if (signatures.utcNow() >= *expires) return refused(Refusal::Expired, check);
    check.refusal = Refusal::None;
    return check;
}

std::string_view RefusalMessageKey(Refusal refusal) {
    switch (refusal) {
        case Refusal::None: return {};
        case Refusal::Missing: return "MSG_SIGNED_MISSING";
        case Refusal::Changed: return "MSG_SIGNED_CHANGED";
        case Refusal::OtherStart: return "MSG_SIGNED_OTHER_START";
        case Refusal::NotNewer: return "MSG_SIGNED_NOT_NEWER";
        case Refusal::Expired: return "MSG_SIGNED_EXPIRED";
        case Refusal::Unverifiable: return "MSG_SIGNED_MISSING";
    }
    return "MSG_SIGNED_MISSING";
}

std::string RefusalText(Refusal refusal) {
    switch (refusal) {
        case Refusal::None: return {};
        case Refusal::Missing: return "the server sent no signed statement for it";
        case Refusal::Changed: return "it is not what the publisher signed (changed on its way, or another answer's statement)";
        case Refusal::OtherStart: return "its statement is for definitions of another date than these";
        case Refusal::NotNewer: return "it would not bring definitions newer than these (an older update sent again)";
        case Refusal::Expired: return "its signed statement has expired, so the definitions cannot be confirmed current";
        case Refusal::Unverifiable: return "this system could not check its signature";
    }
    return {};
}

}  // namespace sorvane::update
