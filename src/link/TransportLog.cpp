#include "link/TransportLog.h"

#include <charconv>

namespace {

constexpr const char* KindNames[] = {"open",  "timeouts", "command", "block",
                                     "flush", "reply",    "close",   "serial"};

// Longest byte run a line may carry: the 64-byte reply is the longest any operation moves.
constexpr std::size_t MaxLineBytes = 4096;

std::vector<std::string_view> tokens(std::string_view line) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r'))
            ++i;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r')
            ++i;
        if (i > start) out.push_back(line.substr(start, i - start));
    }
    return out;
}

bool parseInt(std::string_view s, int base, int& value) {
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value, base);
    return ec == std::errc() && end == s.data() + s.size();
}

bool parseByte(std::string_view s, uint8_t& value) {
    int v = 0;
    if (s.size() != 2 || !parseInt(s, 16, v)) return false;
    value = static_cast<uint8_t>(v);
    return true;
}

std::string hex4(int v) {
    char s[8];
    std::snprintf(s, sizeof s, "%04x", v & 0xFFFF);
    return s;
}

} // namespace

std::string hexBytes(std::span<const uint8_t> bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 3);
    for (const uint8_t b : bytes) {
        if (!out.empty()) out += ' ';
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

std::string TransportOp::request() const {
    std::string s = KindNames[kind];
    switch (kind) {
    case Open:
        s += ' ' + hex4(first) + ' ' + hex4(second);
        break;
    case Timeouts:
        s += ' ' + std::to_string(first) + ' ' + std::to_string(second);
        break;
    case Command:
    case Block:
        s += ' ' + hexBytes(sent);
        break;
    case Reply:
    case Serial:
        s += ' ' + std::to_string(first);
        break;
    case Flush:
    case Close:
        break;
    }
    return s;
}

std::string TransportOp::line() const {
    std::string s = request();
    switch (kind) {
    case Open:
    case Timeouts:
    case Command:
    case Block:
        s += " -> " + std::to_string(result);
        break;
    case Reply:
        s += " -> " + std::to_string(result) + " : " + hexBytes(received);
        break;
    case Serial:
        s += " : " + hexBytes(received);
        break;
    case Flush:
    case Close:
        break;
    }
    return s;
}

namespace {
// A word of a damaged line as a message shows it: printable ASCII, cut short.
std::string shown(std::string_view word) {
    std::string s;
    for (const char c : word.substr(0, 40))
        s.push_back(c >= 0x20 && c < 0x7F ? c : '?');
    if (word.size() > 40) s += "...";
    return s;
}
} // namespace

std::optional<TransportOp> parseTransportOp(std::string_view line, std::string* error) {
    auto fail = [&](const std::string& why) -> std::optional<TransportOp> {
        if (error) *error = why;
        return std::nullopt;
    };
    if (error) error->clear();
    const auto t = tokens(line);
    if (t.empty() || t[0].front() == '#') return std::nullopt;
    if (t.size() > MaxLineBytes) return fail("line too long");

    TransportOp op;
    int kind = -1;
    for (int k = 0; k < 8; ++k)
        if (t[0] == KindNames[k]) kind = k;
    if (kind < 0) return fail("unknown operation \"" + shown(t[0]) + "\"");
    op.kind = static_cast<TransportOp::Kind>(kind);

    // Split the rest into the request, the result after "->" and the bytes after ":".
    std::size_t i = 1;
    std::vector<std::string_view> request;
    while (i < t.size() && t[i] != "->" && t[i] != ":")
        request.push_back(t[i++]);
    std::optional<int> result;
    if (i < t.size() && t[i] == "->") {
        int r = 0;
        if (i + 1 >= t.size() || !parseInt(t[i + 1], 10, r)) return fail("bad result");
        result = r;
        i += 2;
    }
    bool hasBytes = false;
    if (i < t.size() && t[i] == ":") {
        hasBytes = true;
        for (++i; i < t.size(); ++i) {
            uint8_t b = 0;
            if (!parseByte(t[i], b)) return fail("bad byte \"" + shown(t[i]) + "\"");
            op.received.push_back(b);
        }
    }
    if (i != t.size()) return fail("unexpected \"" + shown(t[i]) + "\"");

    const bool wantsResult = op.kind == TransportOp::Open || op.kind == TransportOp::Timeouts ||
                             op.kind == TransportOp::Command || op.kind == TransportOp::Block ||
                             op.kind == TransportOp::Reply;
    const bool wantsBytes = op.kind == TransportOp::Reply || op.kind == TransportOp::Serial;
    if (wantsResult != result.has_value())
        return fail(wantsResult ? "missing result" : "result not expected");
    if (wantsBytes != hasBytes) return fail(wantsBytes ? "missing bytes" : "bytes not expected");
    op.result = result.value_or(0);

    switch (op.kind) {
    case TransportOp::Open:
        if (request.size() != 2 || !parseInt(request[0], 16, op.first) ||
            !parseInt(request[1], 16, op.second) || op.first < 0 || op.first > 0xFFFF ||
            op.second < 0 || op.second > 0xFFFF)
            return fail("open wants a vendor and a product id in hex");
        break;
    case TransportOp::Timeouts:
        if (request.size() != 2 || !parseInt(request[0], 10, op.first) ||
            !parseInt(request[1], 10, op.second))
            return fail("timeouts wants two numbers");
        break;
    case TransportOp::Command:
    case TransportOp::Block:
        if (request.empty()) return fail("no bytes sent");
        for (const auto s : request) {
            uint8_t b = 0;
            if (!parseByte(s, b)) return fail("bad byte \"" + std::string(s) + "\"");
            op.sent.push_back(b);
        }
        break;
    case TransportOp::Reply:
    case TransportOp::Serial:
        if (request.size() != 1 || !parseInt(request[0], 10, op.first) || op.first < 0 ||
            static_cast<std::size_t>(op.first) > MaxLineBytes)
            return fail("wants the buffer length");
        if (op.received.size() > static_cast<std::size_t>(op.first))
            return fail("more bytes than the buffer holds");
        break;
    case TransportOp::Flush:
    case TransportOp::Close:
        if (!request.empty()) return fail("takes no arguments");
        break;
    }
    return op;
}
