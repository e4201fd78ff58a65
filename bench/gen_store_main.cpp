// nimbrel-gen-store: writes a realistic PC history file of a given number of years.
#include "bench/store_generator.h"

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
    nimbrel::bench::GeneratorOptions options;
    std::string out;
    bool understood = argc % 2 == 1;
    for (int i = 1; understood && i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        if (key == "--years")
            options.years = std::atof(argv[i + 1]);
        else if (key == "--out")
            out = argv[i + 1];
        else if (key == "--seed")
            options.seed = static_cast<std::uint32_t>(std::strtoul(argv[i + 1], nullptr, 10));
        else
            understood = false;
    }
    if (!understood || out.empty() || options.years <= 0) {
        std::cerr << "usage: nimbrel-gen-store --years N --out FILE [--seed S]\n";
        return 2;
    }
    std::ofstream file(out, std::ios::binary | std::ios::trunc);
    if (!file) {
        std::cerr << "cannot write " << out << "\n";
        return 1;
    }
    const auto lines = nimbrel::bench::generateStore(options, file);
    file.close();
    if (!file) {
        std::cerr << "writing " << out << " failed\n";
        return 1;
    }
    std::cout << lines << " lines written to " << out << "\n";
    return 0;
}
