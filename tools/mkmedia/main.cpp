// mkmedia LAUNCHER_IMAGE DESCRIPTION OUTPUT: writes a setup file from a launcher image and a
// text description of its block.

#include "mkmedia.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: mkmedia LAUNCHER_IMAGE DESCRIPTION OUTPUT\n");
        return 2;
    }
    const std::filesystem::path launcher = argv[1];
    const std::filesystem::path descriptionPath = argv[2];
    const std::filesystem::path output = argv[3];

    std::ifstream in(descriptionPath, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "mkmedia: %s: cannot read\n", argv[2]);
        return 1;
    }
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};

    std::filesystem::path baseDir = descriptionPath.parent_path();
    if (baseDir.empty()) baseDir = ".";

    mkmedia::MediaDescription description;
    std::string error;
    if (!mkmedia::parseDescription(text, baseDir, description, error)) {
        std::fprintf(stderr, "mkmedia: %s: %s\n", argv[2], error.c_str());
        return 1;
    }
    if (!mkmedia::writeSetupFile(launcher, description, output, error)) {
        std::fprintf(stderr, "mkmedia: %s\n", error.c_str());
        return 1;
    }
    std::printf("mkmedia: wrote %s (%zu included files, %zu data files)\n", argv[3],
                description.files.size(), description.dataFiles.size());
    return 0;
}
