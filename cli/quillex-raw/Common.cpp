#include <charconv>
#include <cstdlib>
#include <iostream>
#include <mutex>

#include "Commands.h"
#include "base/Logger.h"

namespace quillex::rawcli {

namespace {
std::mutex gErrorMutex;
std::string gLastError;
}  // namespace

bool Args::parse(const std::vector<std::string>& args, const std::vector<std::string>& allowed, std::string& error) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
            const std::string name = arg.substr(2);
            bool known = false;
            for (const std::string& a : allowed) known = known || a == name;
            if (!known) {
                error = "unknown option " + arg;
                return false;
            }
            if (i + 1 >= args.size()) {
                error = "option " + arg + " needs a value";
                return false;
            }
            options_[name] = args[++i];
        } else {
            positional_.push_back(arg);
        }
    }
    return true;
}

bool Args::getUnsigned(const std::string& name, uint64_t& value, std::string& error) const {
    const auto it = options_.find(name);
    if (it == options_.end()) return true;
    const std::string& text = it->second;
    uint64_t parsed = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (text.empty() || ec != std::errc() || ptr != text.data() + text.size()) {
        error = "--" + name + " needs an unsigned number, got '" + text + "'";
        return false;
    }
    value = parsed;
    return true;
}

bool Args::getDouble(const std::string& name, double& value, std::string& error) const {
    const auto it = options_.find(name);
    if (it == options_.end()) return true;
    const std::string& text = it->second;
    char* end = nullptr;
    const double parsed = std::strtod(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size() || !(parsed >= 0.0) || parsed > 1e9) {
        error = "--" + name + " needs a non-negative number, got '" + text + "'";
        return false;
    }
    value = parsed;
    return true;
}

std::string Args::getString(const std::string& name, const std::string& fallback) const {
    const auto it = options_.find(name);
    return it == options_.end() ? fallback : it->second;
}

void printUsage() {
    std::cerr << "usage: quillex-raw COMMAND ...\n"
                 "  info FILE                          header, time range, event count, index size\n"
                 "  stats FILE                         decode everything: counts, first/last event, digests, speed\n"
                 "  dump FILE [--start US] [--duration US] [--limit N]\n"
                 "                                     x,y,p,t lines through time-window reads\n"
                 "  cut FILE OUT --start US --end US   copy a time range into a new recording\n"
                 "  export FILE OUT.mp4 --start US --end US\n"
                 "                                     render a time range as video\n"
                 "  synth OUT [--width W] [--height H] [--duration-us N] [--rate-mev R] [--seed S]\n"
                 "            [--trigger-hz F] [--serial S]\n"
                 "                                     write a synthetic recording\n";
}

int fail(const std::string& message) {
    std::cerr << "quillex-raw: " << message << std::endl;
    return 1;
}

void quietLibraryLog() {
    const char* level = std::getenv("QUILLEX_LOG_LEVEL");
    if (level == nullptr || *level == '\0') Logger::Instance().setThreshold(5);
    Logger::Instance().addSink([](int lvl, const std::string&, int, const std::string& message) {
        if (lvl < 4) return;
        std::lock_guard<std::mutex> lock(gErrorMutex);
        gLastError = message;
    });
}

std::string lastLibraryError() {
    std::lock_guard<std::mutex> lock(gErrorMutex);
    return gLastError;
}

}  // namespace quillex::rawcli
