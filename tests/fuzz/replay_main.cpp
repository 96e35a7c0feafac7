// Runs a fuzz target's entry point over files without libFuzzer, so every
// build (g++ included) replays the seed corpus and the inputs that once
// failed. Arguments: files, or folders whose files are all replayed; a
// folder that does not exist holds nothing yet.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

bool replayFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "cannot read %s\n", path.string().c_str());
        return false;
    }
    const std::vector<char> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    // The entry point never keeps the pointer; an empty input still gets a valid one.
    static const std::uint8_t empty = 0;
    LLVMFuzzerTestOneInput(bytes.empty() ? &empty : reinterpret_cast<const std::uint8_t*>(bytes.data()),
                           bytes.size());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int replayed = 0;
    for (int index = 1; index < argc; ++index) {
        const std::filesystem::path path(argv[index]);
        std::error_code error;
        if (std::filesystem::is_directory(path, error)) {
            for (const auto& entry : std::filesystem::directory_iterator(path)) {
                if (!entry.is_regular_file()) continue;
                if (!replayFile(entry.path())) return 1;
                ++replayed;
            }
        } else if (std::filesystem::exists(path, error)) {
            if (!replayFile(path)) return 1;
            ++replayed;
        }
    }
    std::printf("replayed %d inputs\n", replayed);
    return 0;
}
