// quillex-raw: recordings on the command line (info, stats, dump, cut, export, synth).

#include <string>
#include <vector>

#include "Commands.h"

int main(int argc, char** argv) {
    using namespace quillex::rawcli;
    if (argc < 2) {
        printUsage();
        return 1;
    }
    const std::string command = argv[1];
    const std::vector<std::string> args(argv + 2, argv + argc);
    quietLibraryLog();
    if (command == "info") return runInfoCommand(args);
    if (command == "stats") return runStatsCommand(args);
    if (command == "dump") return runDumpCommand(args);
    if (command == "cut") return runCutCommand(args);
    if (command == "synth") return runSynthCommand(args);
    if (command == "export") {
#ifdef QUILLEX_RAW_HAVE_EXPORT
        return runExportCommand(args);
#else
        return fail("export is not available in this build");
#endif
    }
    if (command == "-h" || command == "--help" || command == "help") {
        printUsage();
        return 0;
    }
    printUsage();
    return 1;
}
