#pragma once
// Sub-commands of quillex-raw. Each takes the arguments after its name and returns the exit
// code: 0 on success, 1 on failure (one line on standard error) or bad arguments (usage).

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace quillex::rawcli {

// Positional arguments and "--name value" options.
class Args {
public:
    // False (with `error`) on an option without a value or one not in `allowed`.
    bool parse(const std::vector<std::string>& args, const std::vector<std::string>& allowed, std::string& error);
    const std::vector<std::string>& positional() const { return positional_; }
    bool has(const std::string& name) const { return options_.count(name) != 0; }
    // Unsigned decimal; false (with `error`) when present but malformed.
    bool getUnsigned(const std::string& name, uint64_t& value, std::string& error) const;
    bool getDouble(const std::string& name, double& value, std::string& error) const;
    std::string getString(const std::string& name, const std::string& fallback) const;

private:
    std::vector<std::string> positional_;
    std::map<std::string, std::string> options_;
};

void printUsage();
// Prints "quillex-raw: <message>" on standard error and returns 1.
int fail(const std::string& message);
// Silences the library log unless QUILLEX_LOG_LEVEL asks for it, and keeps its last error.
void quietLibraryLog();
std::string lastLibraryError();

int runInfoCommand(const std::vector<std::string>& args);
int runStatsCommand(const std::vector<std::string>& args);
int runDumpCommand(const std::vector<std::string>& args);
int runCutCommand(const std::vector<std::string>& args);
int runSynthCommand(const std::vector<std::string>& args);

}  // namespace quillex::rawcli

// Video export (defined with the video converter).
int runExportCommand(const std::vector<std::string>& args);
