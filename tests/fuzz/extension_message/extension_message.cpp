// Fuzzes the cutting of the launcher's extension channel into messages
// (host/browser/webkit/ExtensionMessage.h) on arbitrary bytes, as a peer
// may send them, fed in pieces whose size the first byte picks. Whatever
// comes out is exactly what went in: each message encodes back to the
// bytes it was cut from, in order, and nothing is read past the input.
// The first byte's high bit puts the reader under the hello's limit, as the
// launcher does until a peer has identified itself: then no message longer
// than that limit ever comes out.
#include "host/browser/webkit/ExtensionMessage.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1) return 0;
    const std::size_t piece = data[0] % 16 + 1;
    const bool hello = (data[0] & 0x80) != 0;
    const std::string input(reinterpret_cast<const char*>(data + 1), size - 1);
    quarrow::ExtensionMessage::Reader reader;
    if (hello) reader.setLimit(quarrow::ExtensionMessage::kMaxHelloBody);
    std::string cut;
    for (std::size_t at = 0; at < input.size(); at += piece) {
        reader.feed(input.data() + at, std::min(piece, input.size() - at));
        while (auto m = reader.next()) {
            const std::string bytes = m->encode();
            if (hello && bytes.size() > 4 + quarrow::ExtensionMessage::kMaxHelloBody) std::abort();
            cut += bytes;
        }
    }
    if (input.compare(0, cut.size(), cut) != 0) std::abort();
    if (!reader.broken() && reader.buffered() != input.size() - cut.size()) std::abort();
    return 0;
}
