// A scratch folder tree below /tmp for tests on the real file system: files
// are written and read by relative path, and the whole tree is removed at the
// end (permissions restored first, so locked-down folders go too).
#pragma once

#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

class CTempTree {
public:
    explicit CTempTree(const std::string& strPrefix = "kestrel-test") {
        std::string strTemplate = "/tmp/" + strPrefix + "-XXXXXX";
        if (::mkdtemp(strTemplate.data()) == nullptr) {
            throw std::runtime_error("cannot create a temporary folder");
        }
        m_root = strTemplate;
    }
    ~CTempTree() {
        std::error_code error;
        std::filesystem::permissions(m_root, std::filesystem::perms::all, error);
        for (const auto& entry : std::filesystem::recursive_directory_iterator(m_root, error)) {
            std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, error);
        }
        std::filesystem::remove_all(m_root, error);
    }
    CTempTree(const CTempTree&) = delete;
    CTempTree& operator=(const CTempTree&) = delete;

    const std::filesystem::path& Root() const { return m_root; }
    std::string Path(const std::string& strRelative) const { return (m_root / strRelative).string(); }

    // Writes the file, creating its folders.
    void Write(const std::string& strRelative, const std::vector<std::uint8_t>& vecData) const {
        std::filesystem::create_directories((m_root / strRelative).parent_path());
        std::ofstream file(m_root / strRelative, std::ios::binary);
        file.write(reinterpret_cast<const char*>(vecData.data()), static_cast<std::streamsize>(vecData.size()));
    }
    std::vector<std::uint8_t> Read(const std::string& strRelative) const {
        std::ifstream file(m_root / strRelative, std::ios::binary);
        return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }

private:
    std::filesystem::path m_root;
};
