// Writes the Wireshark dissector: the template with the tool's tables filled in.
//   nuvex3-dissector-gen TEMPLATE OUTPUT
#include "decode/DissectorTables.h"

#include <fstream>
#include <iostream>
#include <sstream>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: nuvex3-dissector-gen TEMPLATE OUTPUT\n";
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::cerr << argv[1] << ": cannot be read\n";
        return 2;
    }
    std::ostringstream text;
    text << in.rdbuf();
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out << nuvex3::decode::dissectorSource(text.str());
    if (!out) {
        std::cerr << argv[2] << ": cannot be written\n";
        return 2;
    }
    return 0;
}
