#include "tests/support/scratch_dir.h"

#include <random>
#include <system_error>

std::filesystem::path NewScratchFolder() {
    static std::mt19937_64 random{std::random_device{}()};
    static const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (;;) {
        std::string name = "veltrano-test-";
        for (int i = 0; i < 6; ++i)
            name += letters[random() % (sizeof letters - 1)];
        const std::filesystem::path path = std::filesystem::temp_directory_path() / name;
        // False when the name is taken; other failures throw.
        if (std::filesystem::create_directory(path))
            return path;
    }
}

ScratchDir::ScratchDir() : m_path(NewScratchFolder()) {}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}
