// One message of the private channel between the launcher (the UI process,
// host/browser/webkit/ExtensionServer.h) and its extension in each WebKit
// web process (extension/LauncherChannel.h). The extension asks, the
// launcher answers; every request waits for its answer, so page script
// reads the launcher's external object synchronously and each event has
// been handled before the page goes on.
//
// On the wire a message is a 32-bit little-endian body length, then the
// body: kind (1 byte), serial (4), page id (8), then two texts, each a
// 32-bit length and that many bytes of UTF-8. A body is at most kMaxBody
// bytes; anything else is malformed and ends the connection.
//
// Both processes compile this file; it depends on the standard library
// only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace quarrow {

class ExtensionMessage {
public:
    enum class Kind : uint8_t {
        // extension -> launcher
        Hello = 1,            // first: the token the launcher gave the extension
        BeforeNavigate = 2,   // first: address, second: frame name (empty: top frame)
        ScriptStart = 3,      // first: the document's address, second: frame name
        DocumentComplete = 4, // first: address, second: frame name
        GetProperty = 5,      // first: the property name that page script read
        // launcher -> extension
        Ack = 64,       // the request was handled
        Value = 65,     // first: the property's string value
        Undefined = 66, // the property has no string value: undefined for page script
        Unknown = 67,   // the external object does not know the name
    };

    static constexpr size_t kMaxBody = 4u << 20;
    // The most a hello's body may take: its token is 32 characters, so
    // its body is 53 bytes. Until a connection has sent one, nothing
    // longer is read from it.
    static constexpr size_t kMaxHelloBody = 64;

    Kind kind = Kind::Ack;
    uint32_t serial = 0; // an answer carries its request's serial
    uint64_t page = 0;   // the web page (webkit_web_page_get_id) the request is about
    std::string first;
    std::string second;

    // The message with its length prefix; empty when it would exceed
    // kMaxBody (a text longer than any address or name the channel is for).
    std::string encode() const;

    static bool isRequest(Kind kind) { return kind >= Kind::Hello && kind <= Kind::GetProperty; }
    static bool isAnswer(Kind kind) { return kind >= Kind::Ack && kind <= Kind::Unknown; }

    // Cuts messages out of a byte stream as it arrives in pieces.
    class Reader {
    public:
        void feed(const char* data, size_t size) { m_buffer.append(data, size); }
        // The next complete message, if one has arrived. Once the stream
        // is malformed (a length over the limit, texts that do not fit the
        // body, an unknown kind) nothing more comes and broken() is true.
        // A length over the limit breaks the stream as soon as its four
        // bytes have arrived, before any of its body is waited for.
        std::optional<ExtensionMessage> next();
        bool broken() const { return m_broken; }
        size_t buffered() const { return m_buffer.size(); }
        // The longest body accepted from now on (at most kMaxBody).
        void setLimit(size_t maxBody) { m_limit = maxBody < kMaxBody ? maxBody : kMaxBody; }
        size_t limit() const { return m_limit; }

    private:
        std::string m_buffer;
        size_t m_limit = kMaxBody;
        bool m_broken = false;
    };
};

} // namespace quarrow
