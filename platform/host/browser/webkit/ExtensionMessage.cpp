#include "host/browser/webkit/ExtensionMessage.h"

namespace quarrow {

namespace {

void put32(std::string& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

void put64(std::string& out, uint64_t v)
{
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

uint64_t get(const std::string& in, size_t at, int bytes)
{
    uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= uint64_t(static_cast<unsigned char>(in[at + i])) << (8 * i);
    return v;
}

constexpr size_t kFixed = 1 + 4 + 8; // kind, serial, page

} // namespace

std::string ExtensionMessage::encode() const
{
    const size_t body = kFixed + 4 + first.size() + 4 + second.size();
    if (body > kMaxBody) return {};
    std::string out;
    out.reserve(4 + body);
    put32(out, static_cast<uint32_t>(body));
    out.push_back(static_cast<char>(kind));
    put32(out, serial);
    put64(out, page);
    put32(out, static_cast<uint32_t>(first.size()));
    out += first;
    put32(out, static_cast<uint32_t>(second.size()));
    out += second;
    return out;
}

std::optional<ExtensionMessage> ExtensionMessage::Reader::next()
{
    if (m_broken || m_buffer.size() < 4) return std::nullopt;
    const uint64_t body = get(m_buffer, 0, 4);
    if (body > m_limit || body < kFixed + 8) {
        m_broken = true;
        return std::nullopt;
    }
    if (m_buffer.size() < 4 + body) return std::nullopt;

    ExtensionMessage m;
    const auto kind = static_cast<Kind>(static_cast<unsigned char>(m_buffer[4]));
    if (!isRequest(kind) && !isAnswer(kind)) {
        m_broken = true;
        return std::nullopt;
    }
    m.kind = kind;
    m.serial = static_cast<uint32_t>(get(m_buffer, 5, 4));
    m.page = get(m_buffer, 9, 8);
    // Each text's length is checked against what is left of the body, so
    // no length can reach past it.
    size_t at = 4 + kFixed;
    const size_t end = 4 + body;
    std::string* texts[] = {&m.first, &m.second};
    for (std::string* text : texts) {
        if (end - at < 4) {
            m_broken = true;
            return std::nullopt;
        }
        const uint64_t length = get(m_buffer, at, 4);
        at += 4;
        if (length > end - at) {
            m_broken = true;
            return std::nullopt;
        }
        text->assign(m_buffer, at, static_cast<size_t>(length));
        at += static_cast<size_t>(length);
    }
    if (at != end) {
        m_broken = true;
        return std::nullopt;
    }
    m_buffer.erase(0, end);
    return m;
}

} // namespace quarrow
