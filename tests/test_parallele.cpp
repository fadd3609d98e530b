#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

#include "platform/Parallele.h"

namespace {

struct RestaurerFils
{
    ~RestaurerFils() { DefinirNombreFils(0); }
};

TEST(ParalleleTest, ChaqueLigneUneFoisQuelQueSoitLeNombreDeFils)
{
    RestaurerFils restaurer;
    for (int fils : {1, 2, 3, 8}) {
        DefinirNombreFils(fils);
        EXPECT_EQ(NombreFils(), fils);
        for (int n : {0, 1, 5, 1000, 4097}) {
            std::vector<std::atomic<int>> vues(static_cast<size_t>(n));
            ParallelLignes(n, [&](int debut, int fin) {
                ASSERT_LT(debut, fin);
                for (int y = debut; y < fin; ++y)
                    ++vues[y];
                // Un appel imbriqué s'exécute sur place, sans attendre la réserve.
                int interne = 0;
                ParallelLignes(3, [&](int d, int f) { interne += f - d; });
                EXPECT_EQ(interne, 3);
            });
            for (int y = 0; y < n; ++y)
                ASSERT_EQ(vues[y].load(), 1) << fils << " fils, ligne " << y << " sur " << n;
        }
    }
}

TEST(ParalleleTest, UneErreurDUneTrancheRevientALAppelant)
{
    RestaurerFils restaurer;
    for (int fils : {1, 4}) {
        DefinirNombreFils(fils);
        EXPECT_THROW(ParallelLignes(1000,
                                    [](int debut, int fin) {
                                        if (debut <= 500 && 500 < fin)
                                            throw std::runtime_error("ligne 500");
                                    }),
                     std::runtime_error);
        // La réserve sert encore après l'échec.
        std::atomic<int> total{0};
        ParallelLignes(100, [&](int debut, int fin) { total += fin - debut; });
        EXPECT_EQ(total.load(), 100);
    }
}

}  // namespace
