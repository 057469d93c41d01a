// Voskconv.ini: a forgiving reader (groups and keys in any letter case, first
// group of a name wins, defaults for everything missing) and a writer that
// always produces the same 16 lines.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qp {

// The five values of the configuration file.
struct Configuration {
    int32_t windowWidth = 800;
    int32_t windowHeight = 600;
    int32_t bank = 50000;
    std::string plugPath = "C:\\";
    std::string savePath = "C:\\";
};

// The file as the reader holds it between OpenConfiguration and
// CloseConfiguration.
struct ConfigurationReader {
    bool haveFile = false;
    std::vector<std::string> lines;  // split at LF; a CR before it stays
    long group = -1;                 // index of the group's first line, -1: none
};

extern const char* const kConfigurationFile;  // "Voskconv.ini"

// Loads the whole file (name relative to the program directory).
void OpenConfiguration(const std::string& fileName);
void SelectGroup(const std::string& group);
int32_t ReadInteger(const std::string& key, int32_t defaultValue);
std::string ReadString(const std::string& key, const std::string& defaultValue);
void CloseConfiguration();

// Rewrites Voskconv.ini from the configuration values. Returns false (and writes nothing) when
// the file cannot be replaced.
bool WriteConfiguration();

// The 16 lines WriteConfiguration writes, CR LF ended.
std::string ConfigurationText();

// Reads one value afresh from the file: a folder stored by the other command
// or edited by hand is picked up.
std::string ReadConfiguredString(const std::string& group, const std::string& key,
                                 const std::string& defaultValue);

// Start-up step: reads the five values.
void ReadStartupConfiguration();

// Quillane.ini, the program's own settings beside Voskconv.ini (whose 16
// lines stay as they are), read with the same reading rules:
//     ;Quillane settings
//     [Code page]
//     CodePage = 1251
//     [First start]               (once the window has said it)
//     DictionaryAdvice = given
//     [Build dictionaries]        (the pairs last built from in the window)
//     Pairs = 2
//     FV1 = ...
//     OV1 = ...
extern const char* const kSettingsFile;  // "Quillane.ini"
// The code page of a missing or unusable setting: the system's ANSI code page
// when it is 1250, 1251 or 1252, else 1252.
int DefaultCodePage();
// Start-up step: the code page from the settings file.
void ReadSettings();
// The lines WriteSettings writes, CR LF ended.
std::string SettingsText();
// Writes the settings file unless it says the same already. False, with why
// in err and the file as it was, when it cannot be written.
bool WriteSettings(std::string* err = nullptr);

}  // namespace qp
