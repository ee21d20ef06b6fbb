// quorvel_demo_data TEMPLATE OUTPUT_FOLDER [--end YYYY/MM/DD] [--seed N] [--days N]
// Writes a sample registry and three user files into OUTPUT_FOLDER (which
// must exist). The last day defaults to today, so the charts' recent time
// ranges show data; pass --end for byte-identical output on every run.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "scripts/demo/DemoData.h"

namespace {

int usage(const char* message) {
    if (message) std::fprintf(stderr, "quorvel_demo_data: %s\n", message);
    std::fprintf(stderr,
                 "usage: quorvel_demo_data TEMPLATE OUTPUT_FOLDER [--end YYYY/MM/DD] [--seed N] [--days N]\n");
    return 2;
}

bool parseNumber(const char* text, long lo, long hi, long& out) {
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || v < lo || v > hi) return false;
    out = v;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    demo::Options options;
    options.lastDay = demo::today();
    int positional = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        long number = 0;
        if (arg == "--end") {
            if (!hasValue || !demo::parseDate(argv[++i], options.lastDay))
                return usage("--end needs a date YYYY/MM/DD from 1970 on");
        } else if (arg == "--seed") {
            if (!hasValue || !parseNumber(argv[++i], 0, 4294967295L, number))
                return usage("--seed needs a number from 0 to 4294967295");
            options.seed = static_cast<std::uint32_t>(number);
        } else if (arg == "--days") {
            if (!hasValue || !parseNumber(argv[++i], 1, 3660, number))
                return usage("--days needs a number from 1 to 3660");
            options.days = static_cast<int>(number);
        } else if (arg == "-h" || arg == "--help") {
            usage(nullptr);
            return 0;
        } else if (!arg.empty() && arg[0] == '-') {
            return usage(("unknown option " + arg).c_str());
        } else if (positional == 0) {
            options.templatePath = arg;
            ++positional;
        } else if (positional == 1) {
            options.outFolder = arg;
            ++positional;
        } else {
            return usage("too many arguments");
        }
    }
    if (positional != 2) return usage("TEMPLATE and OUTPUT_FOLDER are required");

    std::string error;
    if (!demo::generate(options, error)) {
        std::fprintf(stderr, "quorvel_demo_data: %s\n", error.c_str());
        return 1;
    }
    std::printf("Wrote config.hma and %zu user files to %s (readings up to %s)\n", demo::people().size(),
                options.outFolder.c_str(), demo::dateText(options.lastDay).c_str());
    return 0;
}
