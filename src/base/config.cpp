#include "base/config.h"

#include <mutex>

#include "base/paths.h"
#include "base/workspace.h"
#include "platform/codepage.h"
#include "platform/files.h"

namespace qp {

const char* const kConfigurationFile = "Voskconv.ini";
const char* const kSettingsFile = "Quillane.ini";

namespace {

// Both threads read the file (Load and Save as read a folder afresh).
std::recursive_mutex gReaderMutex;

ConfigurationReader& Reader() { return gWs.configReader; }

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

// The value part of the key line that matches, or false.
bool FindValue(const std::string& key, std::string& value) {
    if (!Reader().haveFile || Reader().group < 0 || key.empty()) return false;
    for (size_t i = static_cast<size_t>(Reader().group); i < Reader().lines.size(); ++i) {
        const std::string& line = Reader().lines[i];
        if (!line.empty() && line[0] == '[') break;
        size_t p = line.find_first_not_of(' ');
        if (p == std::string::npos || line[p] == ';') continue;
        size_t eq = line.find('=', p);
        if (eq == std::string::npos) continue;
        std::string name = line.substr(p, eq - p);
        while (!name.empty() && name.back() == ' ') name.pop_back();
        if (!SameIgnoringCase(name, key)) continue;
        size_t v = eq + 1;
        while (v < line.size() && line[v] == ' ') ++v;
        value = line.substr(v);
        return true;
    }
    return false;
}

}  // namespace

void OpenConfiguration(const std::string& fileName) {
    std::lock_guard<std::recursive_mutex> lock(gReaderMutex);
    gWs.configReader = ConfigurationReader{};
    std::string content;
    if (!ReadWholeFile(ResolvePath(fileName), content)) return;
    Reader().haveFile = true;
    size_t start = 0;
    while (start <= content.size()) {
        size_t lf = content.find('\n', start);
        if (lf == std::string::npos) {
            Reader().lines.push_back(content.substr(start));
            break;
        }
        Reader().lines.push_back(content.substr(start, lf - start));
        start = lf + 1;
    }
}

void SelectGroup(const std::string& group) {
    std::lock_guard<std::recursive_mutex> lock(gReaderMutex);
    Reader().group = -1;
    if (!Reader().haveFile) return;
    for (size_t i = 0; i < Reader().lines.size(); ++i) {
        const std::string& line = Reader().lines[i];
        if (line.empty() || line[0] != '[') continue;
        size_t close = line.find(']', 1);
        std::string name = line.substr(1, close == std::string::npos ? std::string::npos : close - 1);
        if (SameIgnoringCase(name, group)) {
            Reader().group = static_cast<long>(i + 1);
            return;
        }
    }
}

int32_t ReadInteger(const std::string& key, int32_t defaultValue) {
    std::lock_guard<std::recursive_mutex> lock(gReaderMutex);
    std::string v;
    if (!FindValue(key, v)) return defaultValue;
    size_t i = 0;
    bool negative = false;
    if (i < v.size() && (v[i] == '-' || v[i] == '+')) negative = v[i++] == '-';
    int64_t n = 0;
    for (; i < v.size() && v[i] >= '0' && v[i] <= '9'; ++i) {
        n = n * 10 + (v[i] - '0');
        if (n > 0x80000000LL) n = 0x80000000LL;  // saturate, never overflow
    }
    if (negative) n = -n;
    if (n > INT32_MAX) n = INT32_MAX;
    return static_cast<int32_t>(n);
}

std::string ReadString(const std::string& key, const std::string& defaultValue) {
    std::lock_guard<std::recursive_mutex> lock(gReaderMutex);
    std::string v;
    if (!FindValue(key, v)) return defaultValue;
    size_t cr = v.find('\r');
    if (cr != std::string::npos) v.resize(cr);
    return v;
}

void CloseConfiguration() {
    std::lock_guard<std::recursive_mutex> lock(gReaderMutex);
    gWs.configReader = ConfigurationReader{};
}

std::string ConfigurationText() {
    const std::string nl = "\r\n";
    std::string s;
    s += ";Quillane Init file" + nl;
    s += ";" + nl;
    s += "PreferenceVersion = 1" + nl;
    s += ";" + nl;
    s += "[Block size save]" + nl;
    s += "Bank = " + std::to_string(gWs.config.bank) + nl;
    s += ";" + nl;
    s += "[Window]" + nl;
    s += "WindowWidth = " + std::to_string(gWs.config.windowWidth) + nl;
    s += "WindowHeight = " + std::to_string(gWs.config.windowHeight) + nl;
    s += ";" + nl;
    s += "[Plugin Path]" + nl;
    s += "PlugPath = " + gWs.config.plugPath + nl;
    s += ";" + nl;
    s += "[Save Path]" + nl;
    s += "SavePath = " + gWs.config.savePath + nl;
    return s;
}

bool WriteConfiguration() {
    const std::string path = ResolvePath(kConfigurationFile);
    const std::string text = ConfigurationText();
    // A file that already says the same is left alone: no needless disk sync.
    std::string current;
    if (ReadWholeFile(path, current) && current == text) return true;
    return WriteFileAtomic(path, text);
}

std::string ReadConfiguredString(const std::string& group, const std::string& key,
                                 const std::string& defaultValue) {
    std::lock_guard<std::recursive_mutex> lock(gReaderMutex);
    OpenConfiguration(kConfigurationFile);
    SelectGroup(group);
    std::string value = ReadString(key, defaultValue);
    CloseConfiguration();
    return value;
}

void ReadStartupConfiguration() {
    OpenConfiguration(kConfigurationFile);
    SelectGroup("Window");
    gWs.config.windowWidth = ReadInteger("WindowWidth", 800);
    gWs.config.windowHeight = ReadInteger("WindowHeight", 600);
    SelectGroup("Block size save");
    gWs.config.bank = ReadInteger("Bank", 50000);
    SelectGroup("Plugin Path");
    gWs.config.plugPath = ReadString("PlugPath", "C:\\");
    SelectGroup("Save Path");
    gWs.config.savePath = ReadString("SavePath", "C:\\");
    CloseConfiguration();
}

int DefaultCodePage() {
    const int system = SystemAnsiCodePage();
    return IsSupportedCodePage(system) ? system : kCodePageWestern;
}

void ReadSettings() {
    std::lock_guard<std::recursive_mutex> lock(gReaderMutex);
    const int fallback = DefaultCodePage();
    OpenConfiguration(kSettingsFile);
    SelectGroup("Code page");
    const int value = ReadInteger("CodePage", fallback);
    gWs.codePage = IsSupportedCodePage(value) ? value : fallback;
    SelectGroup("First start");
    gWs.dictionaryAdviceGiven = ReadString("DictionaryAdvice", "") == "given";
    SelectGroup("Build dictionaries");
    gWs.buildPairs.clear();
    for (int i = 1; i <= ReadInteger("Pairs", 0) && i <= 64; ++i)
        gWs.buildPairs.emplace_back(ReadString("FV" + std::to_string(i), ""), ReadString("OV" + std::to_string(i), ""));
    CloseConfiguration();
}

std::string SettingsText() {
    std::string s = ";Quillane settings\r\n[Code page]\r\nCodePage = " + std::to_string(gWs.codePage) + "\r\n";
    if (gWs.dictionaryAdviceGiven) s += "[First start]\r\nDictionaryAdvice = given\r\n";
    if (!gWs.buildPairs.empty()) {
        s += "[Build dictionaries]\r\nPairs = " + std::to_string(gWs.buildPairs.size()) + "\r\n";
        for (size_t i = 0; i < gWs.buildPairs.size(); ++i) {
            const std::string n = std::to_string(i + 1);
            s += "FV" + n + " = " + gWs.buildPairs[i].first + "\r\nOV" + n + " = " + gWs.buildPairs[i].second + "\r\n";
        }
    }
    return s;
}

bool WriteSettings(std::string* err) {
    const std::string path = ResolvePath(kSettingsFile);
    const std::string text = SettingsText();
    std::string current;
    if (ReadWholeFile(path, current) && current == text) return true;
    return WriteFileAtomic(path, text, err);
}

}  // namespace qp
