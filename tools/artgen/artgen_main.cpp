// artgen: draws every picture of the game.
//   artgen --source OUT.cpp               the packed pictures as a C++ source for the game
//   artgen --sheet OUT.png [--zoom N] [NAME...]
//                                         a contact sheet of all pictures (or of the named ones at N x)
//   artgen --icon SIZE OUT.png            the game's icon at SIZE x SIZE pixels
#include <cstdio>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "art.h"
#include "codec.h"
#include "png.h"
#include "sheet.h"

namespace {

// Bytes as a string literal: printable characters stay, the rest become three-digit octal escapes.
void appendLiteral(std::string& out, const std::vector<std::uint8_t>& bytes) {
    std::size_t lineStart = out.size();
    out += "\"";
    for (std::uint8_t b : bytes) {
        if (out.size() - lineStart > 110) {
            out += "\"\n        \"";
            lineStart = out.size();
        }
        if (b >= 0x20 && b < 0x7F && b != '"' && b != '\\' && b != '?') {
            out += char(b);
        } else {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\%03o", b);
            out += esc;
        }
    }
    out += "\"";
}

int writeSource(const std::string& path) {
    auto pictures = art::drawAll();
    std::string out =
        "// Written by tools/artgen at build time: every picture of the game, packed. Do not edit.\n"
        "#include \"picture_data.h\"\n\n"
        "namespace gv::assets::packed {\n\n"
        "const Blob kBlobs[] = {\n";
    std::size_t total = 0;
    for (const auto& a : pictures) {
        auto bytes = gv::artcodec::encode(a.pic.width(), a.pic.height(), a.pic.pixels());
        total += bytes.size();
        out += "    {\"" + a.name + "\",\n        ";
        appendLiteral(out, bytes);
        out += ",\n        " + std::to_string(bytes.size()) + "},\n";
    }
    out +=
        "};\n\nconst std::size_t kBlobCount = " + std::to_string(pictures.size()) + ";\n\n}  // namespace gv::assets::packed\n";
    std::ofstream f(path, std::ios::binary);
    f << out;
    if (!f) {
        std::cerr << "artgen: cannot write " << path << "\n";
        return 1;
    }
    std::cout << "artgen: " << pictures.size() << " pictures, " << total << " bytes packed\n";
    return 0;
}

int writeSheet(const std::string& path, int zoom, const std::vector<std::string>& names) {
    auto pictures = art::drawAll();
    if (!names.empty()) {
        std::vector<art::Art> chosen;
        for (const auto& n : names)
            for (const auto& a : pictures)
                if (a.name == n) chosen.push_back(a);
        pictures = std::move(chosen);
        if (zoom == 0) zoom = 4;
    }
    if (pictures.empty()) {
        std::cerr << "artgen: no such picture\n";
        return 1;
    }
    if (!art::writePng(art::contactSheet(pictures, zoom), path)) {
        std::cerr << "artgen: cannot write " << path << "\n";
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    try {
        if (args.size() == 2 && args[0] == "--source") return writeSource(args[1]);
        if (args.size() == 3 && args[0] == "--icon") {
            int size = std::stoi(args[1]);
            if (size < 8 || size > 1024) throw std::runtime_error("icon size out of range: " + args[1]);
            if (art::writePng(art::drawIconAt(size), args[2])) return 0;
            std::cerr << "artgen: cannot write " << args[2] << "\n";
            return 1;
        }
        if (args.size() >= 2 && args[0] == "--sheet") {
            int zoom = 0;
            std::vector<std::string> names;
            for (std::size_t i = 2; i < args.size(); ++i) {
                if (args[i] == "--zoom" && i + 1 < args.size())
                    zoom = std::stoi(args[++i]);
                else
                    names.push_back(args[i]);
            }
            return writeSheet(args[1], zoom, names);
        }
    } catch (const std::exception& e) {
        std::cerr << "artgen: " << e.what() << "\n";
        return 1;
    }
    std::cerr << "usage: artgen --source OUT.cpp | artgen --sheet OUT.png [--zoom N] [NAME...] | artgen --icon SIZE OUT.png\n";
    return 2;
}
