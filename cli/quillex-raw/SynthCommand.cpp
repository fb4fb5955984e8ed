// synth: writes a synthetic recording.

#include <iostream>
#include <limits>

#include "Commands.h"
#include "SynthScene.h"

namespace quillex::rawcli {

int runSynthCommand(const std::vector<std::string>& arguments) {
    Args args;
    std::string error;
    if (!args.parse(arguments, {"width", "height", "duration-us", "rate-mev", "seed", "trigger-hz", "serial", "start-us"},
                    error) ||
        args.positional().size() != 1) {
        printUsage();
        return error.empty() ? 1 : fail(error);
    }
    synth::SynthOptions options;
    uint64_t width = options.width, height = options.height, seed = options.seed;
    if (!args.getUnsigned("width", width, error) || !args.getUnsigned("height", height, error) ||
        !args.getUnsigned("duration-us", options.durationUs, error) || !args.getUnsigned("seed", seed, error) ||
        !args.getUnsigned("start-us", options.startUs, error) || !args.getDouble("rate-mev", options.rateMev, error) ||
        !args.getDouble("trigger-hz", options.triggerHz, error))
        return fail(error);
    if (width == 0 || height == 0 || width > 2048 || height > 2048)
        return fail("--width and --height must lie in 1..2048");
    if (options.rateMev > 1000) return fail("--rate-mev must not exceed 1000");
    if (options.startUs == 0) return fail("--start-us must be above 0");
    if (seed > std::numeric_limits<uint32_t>::max()) return fail("--seed must fit in 32 bits");
    options.width = static_cast<uint16_t>(width);
    options.height = static_cast<uint16_t>(height);
    options.seed = static_cast<uint32_t>(seed);
    options.serial = args.getString("serial", options.serial);

    synth::SynthResult result;
    if (!synth::writeSynthRecording(args.positional()[0], options, result, error)) return fail(error);
    std::cout << "events: " << result.events << "\n"
              << "triggers: " << result.triggers << "\n"
              << "bytes: " << result.bytes << "\n";
    return 0;
}

}  // namespace quillex::rawcli
