// A fresh folder under the system's temporary folder for one test, removed
// with everything in it when the test ends. The process id and a counter keep
// parallel test processes and successive tests apart.
#pragma once

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

namespace quble::test {

// A file with its folders.
inline std::filesystem::path WriteFile(const std::filesystem::path& p, const std::string& text = "x") {
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << text;
    return p;
}

class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& tag = "scratch") {
        static std::atomic<int> counter{0};
        root_ = std::filesystem::temp_directory_path() /
                ("quble_" + tag + "_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
        std::filesystem::remove_all(root_);
        std::filesystem::create_directories(root_);
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return root_; }
    std::filesystem::path operator/(const std::string& rel) const { return root_ / rel; }
    std::filesystem::path File(const std::string& rel, const std::string& text = "x") const {
        return WriteFile(root_ / rel, text);
    }

private:
    std::filesystem::path root_;
};

}  // namespace quble::test
