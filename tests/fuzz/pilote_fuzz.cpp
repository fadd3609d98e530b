// Pilote autonome : passe les graines de la cible puis des mutations tirées
// d'un générateur à graine fixe (la même suite à chaque exécution). Avec des
// chemins en argument, rejoue ces fichiers ; avec --graines DOSSIER, écrit
// les graines pour un vrai fuzzer ; avec --mutations N, tire N mutations de
// chaque graine au lieu du petit nombre de ctest (les premières sont les mêmes).

#include <charconv>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "tests/fuzz/Fuzz.h"

namespace {

void Muter(Octets& o, std::mt19937& alea)
{
    static const uint32_t remarquables[] = {0, 1, 0x7F, 0x80, 0xFF, 0x7FFF, 0xFFFF, 0x7FFFFFFF,
                                            0x80000000, 0xFFFFFFFF, 65536, 30000};
    auto tirer = [&](size_t n) { return n == 0 ? size_t(0) : static_cast<size_t>(alea() % n); };
    const int nombre = 1 + static_cast<int>(alea() % 3);
    for (int k = 0; k < nombre && !o.empty(); ++k) {
        switch (alea() % 7) {
        case 0:
            o[tirer(o.size())] ^= static_cast<uint8_t>(1u << (alea() % 8));
            break;
        case 1:
            o[tirer(o.size())] = static_cast<uint8_t>(alea());
            break;
        case 2: {
            const uint32_t v = remarquables[alea() % std::size(remarquables)];
            const size_t largeur = alea() % 2 ? 2 : 4;
            const size_t p = tirer(o.size());
            const bool grosBout = alea() % 2;
            for (size_t i = 0; i < largeur && p + i < o.size(); ++i)
                o[p + i] = static_cast<uint8_t>(v >> (8 * (grosBout ? largeur - 1 - i : i)));
            break;
        }
        case 3:
            o.resize(tirer(o.size()));
            break;
        case 4: {
            const size_t p = tirer(o.size()), n = 1 + tirer(std::min<size_t>(64, o.size() - p));
            o.erase(o.begin() + static_cast<ptrdiff_t>(p),
                    o.begin() + static_cast<ptrdiff_t>(std::min(o.size(), p + n)));
            break;
        }
        case 5: {
            const size_t p = tirer(o.size()), n = 1 + tirer(std::min<size_t>(64, o.size() - p));
            const Octets bloc(o.begin() + static_cast<ptrdiff_t>(p),
                              o.begin() + static_cast<ptrdiff_t>(std::min(o.size(), p + n)));
            o.insert(o.begin() + static_cast<ptrdiff_t>(tirer(o.size())), bloc.begin(), bloc.end());
            break;
        }
        default:
            for (size_t i = 0, n = 1 + tirer(16); i < n; ++i)
                o.insert(o.begin() + static_cast<ptrdiff_t>(tirer(o.size())), static_cast<uint8_t>(alea()));
            break;
        }
    }
}

}  // namespace

// Toutes les graines au même régime, sauf cible qui le redéfinit.
__attribute__((weak)) int MutationsFuzz(size_t)
{
    return MutationsParGraine;
}

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--graines") == 0) {
        const auto graines = GrainesFuzz();
        for (size_t i = 0; i < graines.size(); ++i) {
            std::ofstream f(std::string(argv[2]) + "/graine" + std::to_string(i), std::ios::binary);
            f.write(reinterpret_cast<const char*>(graines[i].data()), static_cast<std::streamsize>(graines[i].size()));
        }
        return 0;
    }
    int voulues = -1;
    if (argc == 3 && std::strcmp(argv[1], "--mutations") == 0) {
        const char* fin = argv[2] + std::strlen(argv[2]);
        const auto [p, ec] = std::from_chars(argv[2], fin, voulues);
        if (ec != std::errc() || p != fin || voulues < 0) {
            std::fprintf(stderr, "--mutations attend un nombre positif ou nul\n");
            return 2;
        }
    } else if (argc > 1) {
        for (int i = 1; i < argc; ++i) {
            std::ifstream f(argv[i], std::ios::binary);
            const Octets o((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
            LLVMFuzzerTestOneInput(o.data(), o.size());
        }
        return 0;
    }
    const auto graines = GrainesFuzz();
    size_t essais = 0;
    for (size_t g = 0; g < graines.size(); ++g) {
        LLVMFuzzerTestOneInput(graines[g].data(), graines[g].size());
        std::mt19937 alea(static_cast<unsigned>(20261207 + g));
        for (int m = 0, n = voulues >= 0 ? voulues : MutationsFuzz(g); m < n; ++m, ++essais) {
            Octets o = graines[g];
            Muter(o, alea);
            LLVMFuzzerTestOneInput(o.data(), o.size());
        }
    }
    std::printf("%zu graines, %zu mutations\n", graines.size(), essais);
    return 0;
}
