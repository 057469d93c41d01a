// Voskconv.ini: a forgiving reader (groups and keys in any letter case, first
// group of a name wins, defaults for everything missing) and a writer that
// always produces the same 16 lines.
#pragma once

#include <cstdint>
#include <string>

namespace qp {

extern const char* const kConfigurationFile;  // "Voskconv.ini"

// Loads the whole file (name relative to the program directory).
void OpenConfiguration(const std::string& fileName);
void SelectGroup(const std::string& group);
int32_t ReadInteger(const std::string& key, int32_t defaultValue);
std::string ReadString(const std::string& key, const std::string& defaultValue);
void CloseConfiguration();

// Rewrites Voskconv.ini from gConfig. Returns false (and writes nothing) when
// the file cannot be replaced.
bool WriteConfiguration();

// The 16 lines WriteConfiguration writes, CR LF ended.
std::string ConfigurationText();

// Reads one value afresh from the file: a folder stored by the other command
// or edited by hand is picked up.
std::string ReadConfiguredString(const std::string& group, const std::string& key,
                                 const std::string& defaultValue);

// Start-up step: reads the five values into gConfig.
void ReadStartupConfiguration();

}  // namespace qp
