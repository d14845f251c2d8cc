// quble-make-examples FOLDER: writes our generated example spectra and their
// ReadMe.txt into FOLDER, as the flat files the program arranges on its
// first start.
#include <cstdio>

#include "examples/generator/example_spectra.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argc > 0 ? argv[0] : "quble-make-examples");
        return 2;
    }
    const auto result = quble::examplegen::WriteExampleFiles(argv[1]);
    if (!result.ok) {
        std::fprintf(stderr, "quble-make-examples: %s\n", result.error.c_str());
        return 1;
    }
    return 0;
}
