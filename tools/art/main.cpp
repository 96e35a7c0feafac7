// Writes every bitmap and icon the Windows resources and the Linux package use. The output is the
// same bytes on every run, so the committed copies can be checked against it.
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <utility>

#include "pictures.h"
#include "scale.h"

int main(int argc, char** argv) {
    using namespace pivora::art;
    if (argc != 2) {
        std::cerr << "usage: pivora-art OUTPUT_DIRECTORY\n";
        return 2;
    }
    try {
        std::filesystem::path dir = argv[1];
        std::filesystem::create_directories(dir);

        std::vector<ArtFile> files;
        for (int percent : kScales) {
            for (ArtFile& button : drawButtons(percent)) files.push_back(std::move(button));
            files.push_back(drawComputer(percent));
            files.push_back(drawBanner(percent));
        }
        files.push_back(drawAppIcon());
        for (ArtFile& icon : drawAppIconPngs()) files.push_back(std::move(icon));

        for (const ArtFile& file : files) {
            std::ofstream out(dir / file.name, std::ios::binary | std::ios::trunc);
            out.write(reinterpret_cast<const char*>(file.bytes.data()),
                      static_cast<std::streamsize>(file.bytes.size()));
            if (!out) {
                std::cerr << "pivora-art: cannot write " << (dir / file.name).string() << "\n";
                return 1;
            }
        }
    } catch (const std::exception& e) {
        std::cerr << "pivora-art: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
