// Runs a fuzz harness over kept inputs without fuzzing: every file named on
// the command line, or found below a named folder, goes once through
// LLVMFuzzerTestOneInput. The test command builds it under the sanitizers,
// so a crash once found and fixed stays fixed.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int *argc, char ***argv);

namespace {

bool RunFile(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "replay: cannot read %s\n", path.c_str());
        return false;
    }
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // A copy of exactly the input's size, so that ASan sees any read past it.
    std::vector<uint8_t> exact(bytes);
    LLVMFuzzerTestOneInput(exact.empty() ? nullptr : exact.data(), exact.size());
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
    std::size_t count = 0;
    bool ok = true;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path arg(argv[i]);
        if (std::filesystem::is_directory(arg)) {
            std::vector<std::filesystem::path> files;
            for (const auto &entry : std::filesystem::recursive_directory_iterator(arg))
                if (entry.is_regular_file() && entry.path().filename().string()[0] != '.')
                    files.push_back(entry.path());
            std::sort(files.begin(), files.end());
            for (const auto &file : files) {
                ok = RunFile(file) && ok;
                ++count;
            }
        } else if (std::filesystem::exists(arg)) {
            ok = RunFile(arg) && ok;
            ++count;
        }
    }
    std::printf("replay: %zu inputs\n", count);
    // A harness without kept inputs would pass while testing nothing.
    if (count == 0) {
        std::fprintf(stderr, "replay: no inputs found\n");
        return 1;
    }
    return ok ? 0 : 1;
}
