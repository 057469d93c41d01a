// bench_links CLI DIR [RUNS] [REFERENCES]
//
// One cell holding many door references (DNAM), each converted through the
// cell dictionary, against the same file whose references match nothing:
// `CLI convert` of each, RUNS times (default 5), medians reported. The goal is
// a ratio below 3: a record is built once however many of its references
// change. REFERENCES defaults to 200,000.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string Int32(int32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) s[i] = static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF);
    return s;
}

std::string Sub(const std::string& name, const std::string& data) {
    return name + Int32(static_cast<int32_t>(data.size())) + data;
}

std::string Record(const std::string& type, const std::string& body) {
    return type + Int32(static_cast<int32_t>(body.size())) + Int32(0) + Int32(0) + body;
}

std::string Counted(const std::string& s) { return Int32(static_cast<int32_t>(s.size())) + s; }

void Write(const fs::path& p, const std::string& bytes) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

constexpr int kCells = 1000;  // distinct destinations

std::string Destination(int i) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "Cell %04d", i % kCells);
    return buf;
}

// The plugin: a header, then one cell whose doors lead to `prefix` + a cell name.
std::string Plugin(int references, const std::string& prefix) {
    std::string cell = Sub("NAME", std::string("Door Hall") + '\0') + Sub("DATA", std::string(12, '\0'));
    cell.reserve(cell.size() + static_cast<size_t>(references) * 32);
    for (int i = 0; i < references; ++i) cell += Sub("DNAM", prefix + Destination(i) + '\0');
    const std::string hedr = Int32(0x3FA66666) + Int32(0) + std::string(288, '\0') + Int32(1);
    return Record("TES3", Sub("HEDR", hedr)) + Record("CELL", cell);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// Wall time of one convert, in milliseconds; negative when it failed.
double Convert(const std::string& cli, const fs::path& dir, const std::string& plugin) {
    fs::remove_all(dir / "root" / "dataextra");
    fs::remove(dir / "out.esp");
    const std::string command = "\"" + cli + "\" convert \"" + (dir / plugin).string() + "\" \"" +
                                (dir / "out.esp").string() + "\" --root \"" + (dir / "root").string() +
                                "\" >/dev/null 2>&1";
    const auto t0 = std::chrono::steady_clock::now();
    const int status = std::system(command.c_str());
    const auto t1 = std::chrono::steady_clock::now();
    if (status != 0) return -1;
    return std::chrono::duration<double, std::milli>(t1 - t0).count();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_links CLI DIR [RUNS] [REFERENCES]\n");
        return 2;
    }
    const std::string cli = argv[1];
    const fs::path dir = argv[2];
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
    const int references = argc > 4 ? std::max(1, std::atoi(argv[4])) : 200000;

    // Every destination is renamed to a longer name: each door grows its record.
    std::string cells;
    for (int i = 0; i < kCells; ++i) cells += Counted(Destination(i)) + Counted("Zelle Nummer " + Destination(i));
    Write(dir / "root" / "data" / "Celldata.dat", cells);
    Write(dir / "Converted.esp", Plugin(references, ""));
    Write(dir / "Unmatched.esp", Plugin(references, "No "));

    std::vector<double> converted, unmatched;
    for (int i = 0; i < runs; ++i) {
        unmatched.push_back(Convert(cli, dir, "Unmatched.esp"));
        converted.push_back(Convert(cli, dir, "Converted.esp"));
        if (unmatched.back() < 0 || converted.back() < 0) {
            std::fprintf(stderr, "bench_links: the convert failed\n");
            return 1;
        }
    }
    const double c = Median(converted), u = Median(unmatched), ratio = c / u;
    std::printf("one cell, %d door references (%.1f MiB): all converted %.1f ms, none %.1f ms, "
                "ratio %.2f (goal < 3) %s\n",
                references, static_cast<double>(fs::file_size(dir / "Converted.esp")) / 1048576, c, u, ratio,
                ratio < 3 ? "ok" : "MISSED");
    return 0;
}
