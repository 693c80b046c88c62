// tallomir-generate LINES OUT.xml: writes a generated invoice for benchmarks.
#include "generate.h"

#include <iostream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "Aufruf: tallomir-generate ANZAHL_POSITIONEN AUSGABE.xml\n";
        return 1;
    }
    return tallomir::bench::writeGeneratedInvoice(std::stoi(argv[1]), argv[2]) ? 0 : 4;
}
