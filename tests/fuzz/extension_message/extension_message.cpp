// Fuzzes the cutting of the launcher's extension channel into messages
// (host/browser/webkit/ExtensionMessage.h) on arbitrary bytes, as a peer
// may send them, fed in pieces whose size the first byte picks. Whatever
// comes out is exactly what went in: each message encodes back to the
// bytes it was cut from, in order, and nothing is read past the input.
#include "host/browser/webkit/ExtensionMessage.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1) return 0;
    const std::size_t piece = data[0] % 16 + 1;
    const std::string input(reinterpret_cast<const char*>(data + 1), size - 1);
    quarrow::ExtensionMessage::Reader reader;
    std::string cut;
    for (std::size_t at = 0; at < input.size(); at += piece) {
        reader.feed(input.data() + at, std::min(piece, input.size() - at));
        while (auto m = reader.next()) cut += m->encode();
    }
    if (input.compare(0, cut.size(), cut) != 0) std::abort();
    if (!reader.broken() && reader.buffered() != input.size() - cut.size()) std::abort();
    return 0;
}
