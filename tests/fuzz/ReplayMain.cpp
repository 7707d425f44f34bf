// Runs a fuzz target's entry point once over every file of the folders
// given on the command line (the seed corpus and the malformed inputs), so
// that ordinary builds and the sanitizer build replay them as tests. A
// crash or a sanitizer report fails the test; so does an empty folder list.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv)
{
    int replayed = 0;
    for (int i = 1; i < argc; ++i) {
        std::error_code ec;
        if (!std::filesystem::is_directory(argv[i], ec)) continue;
        for (const auto& entry : std::filesystem::directory_iterator(argv[i])) {
            if (!entry.is_regular_file()) continue;
            std::ifstream in(entry.path(), std::ios::binary);
            std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            // Copy into an exactly sized heap block so AddressSanitizer sees
            // any read past the input.
            std::vector<std::uint8_t> exact(bytes.begin(), bytes.end());
            LLVMFuzzerTestOneInput(exact.empty() ? nullptr : exact.data(), exact.size());
            ++replayed;
        }
    }
    std::printf("replayed %d inputs\n", replayed);
    return replayed > 0 ? 0 : 1;
}
