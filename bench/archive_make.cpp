// archive_make - makes an archive of .klv documents for the archive
// benchmark: copies of a few measured series with varied dates, vehicles,
// doors, positions and examiners, written through the document codec.
//   archive_make OUTDIR COUNT SEED.klv...
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "klvdoc.h"

namespace {

bool Load(const char* path, MeasurementDocument* doc)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    return in.good() || in.eof()
               ? static_cast<bool>(ReadKlvDocument(bytes.data(), bytes.size(), *doc))
               : false;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: archive_make OUTDIR COUNT SEED.klv...\n");
        return 2;
    }
    const std::string out = argv[1];
    const int count = std::atoi(argv[2]);
    std::vector<MeasurementDocument> seeds(argc - 3);
    for (int i = 3; i < argc; ++i) {
        if (!Load(argv[i], &seeds[i - 3])) {
            std::fprintf(stderr, "archive_make: %s is not a readable document\n", argv[i]);
            return 1;
        }
    }
    static const char* const kVehicles[] = {"Fiat Panda", "Fiat Tipo", "Lancia Ypsilon",
                                            "Alfa Romeo Giulia", "Jeep Avenger"};
    static const char* const kDoors[] = {"anteriore sinistra", "anteriore destra",
                                         "posteriore sinistra", "posteriore destra", "portellone"};
    static const char* const kPositions[] = {"serratura", "centro", "cerniera"};
    static const char* const kExaminers[] = {"Rossi", "Bianchi", "Esposito", "Ricci"};
    for (int n = 0; n < count; ++n) {
        MeasurementDocument doc = seeds[n % seeds.size()];
        // A folder per vehicle and year, as inspectors keep them.
        const int vehicle = (n / 7) % 5, door = (n / 3) % 5, position = n % 3;
        const int year = 2024 + n % 3, month = 1 + (n / 11) % 12, day = 1 + (n / 13) % 28;
        char title[64];
        std::snprintf(title, sizeof title, "Misurazione del %02d.%02d.%04d", day, month, year);
        doc.texts[kKlvTitle] = title;
        doc.texts[kKlvFahrzeug] = std::string(kVehicles[vehicle]) + " " + std::to_string(n % 40);
        doc.texts[kKlvTuer] = kDoors[door];
        doc.texts[kKlvPosition] = kPositions[position];
        doc.texts[kKlvPruefer] = kExaminers[n % 4];
        const std::string folder = out + "/" + std::to_string(vehicle) + "/" + std::to_string(year);
        ::mkdir(out.c_str(), 0777);
        ::mkdir((out + "/" + std::to_string(vehicle)).c_str(), 0777);
        ::mkdir(folder.c_str(), 0777);
        char name[64];
        std::snprintf(name, sizeof name, "/%04d%02d%02d-%05d.klv", year, month, day, n);
        const std::vector<std::uint8_t> bytes = EncodeKlvDocument(doc);
        std::ofstream file(folder + name, std::ios::binary);
        file.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        if (!file) {
            std::fprintf(stderr, "archive_make: cannot write %s%s\n", folder.c_str(), name);
            return 1;
        }
    }
    return 0;
}
