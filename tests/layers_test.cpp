// The layers of the source tree: each folder includes only its own layer and
// those below it, and nothing above the platform layer touches a toolkit or
// the system directly.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <string>

#include "base/lists.h"
#include "base/translatable.h"

namespace fs = std::filesystem;

namespace {

const std::map<std::string, int> kLayers = {
    {"platform", 0}, {"base", 1}, {"dictionary", 2}, {"plugin", 3},
    {"convert", 4},  {"ui", 5},   {"app", 6},        {"main", 7},
};

TEST(Layers, IncludesPointDownward) {
    const fs::path src = fs::path(QUILLANE_SOURCE_DIR) / "src";
    const std::regex local(R"re(^\s*#\s*include\s*"([a-z_0-9]+)/)re");
    const std::regex system(R"re(^\s*#\s*include\s*<(Q\w+|windows\.h|unistd\.h|fcntl\.h|pthread\.h|sys/[\w/.]+|io\.h)>)re");
    int files = 0;
    for (const auto& e : fs::recursive_directory_iterator(src)) {
        if (!e.is_regular_file()) continue;
        const std::string folder = fs::relative(e.path(), src).begin()->string();
        ASSERT_TRUE(kLayers.count(folder)) << "a folder outside the layers: " << folder;
        const int layer = kLayers.at(folder);
        std::ifstream in(e.path());
        std::string line;
        for (int n = 1; std::getline(in, line); ++n) {
            const std::string where = e.path().string() + ":" + std::to_string(n) + ": " + line;
            std::smatch m;
            if (std::regex_search(line, m, local)) {
                ASSERT_TRUE(kLayers.count(m[1])) << where;
                EXPECT_LE(kLayers.at(m[1]), layer) << "an include points upward: " << where;
            }
            if (folder != "platform" && folder != "main") {
                EXPECT_FALSE(std::regex_search(line, system)) << "a toolkit or system header: " << where;
            }
        }
        ++files;
    }
    EXPECT_GT(files, 20);
}

// A tab title, a long-text file or a game skill name written anywhere but in
// the table would pair a type with its tab or file a second time.
TEST(Layers, OnlyTheTableNamesTabsAndTextFiles) {
    const fs::path src = fs::path(QUILLANE_SOURCE_DIR) / "src";
    std::vector<std::string> names;
    for (int g = qp::kFirstList; g <= qp::kLastList; ++g) names.push_back("\"" + std::string(qp::TabTitle(g)) + "\"");
    for (const qp::Translatable* t : qp::TextItemFields()) {
        std::string file = t->dictionary;
        names.push_back(file.substr(file.find('\\') + 1));
    }
    for (const char* skill : qp::GameSkillNames()) names.push_back("\"" + std::string(skill) + "\"");
    EXPECT_EQ(names.size(), 26u + 7u + 27u);
    for (const auto& e : fs::recursive_directory_iterator(src)) {
        if (!e.is_regular_file() || e.path().filename() == "translatable.cpp") continue;
        std::ifstream in(e.path());
        std::string line;
        for (int n = 1; std::getline(in, line); ++n)
            for (const std::string& name : names)
                EXPECT_EQ(line.find(name), std::string::npos) << e.path().string() << ":" << n << ": " << line;
    }
}

}  // namespace
