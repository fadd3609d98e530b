#pragma once
// Cibles de fuzz des lecteurs d'images : chaque cible définit le point
// d'entrée de libFuzzer et ses graines, des fichiers valides et variés.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/Decodeurs.h"
#include "platform/Erreur.h"
#include "tests/test_plateforme_fabrique.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* donnees, size_t taille);

std::vector<Octets> GrainesFuzz();

// Mutations tirées de la graine numéro g dans la suite fixe de ctest : d'ordinaire
// MutationsParGraine ; une cible dont les entrées, ou celles de certaines
// graines, coûtent cher en demande moins, pour que la suite reste de quelques
// secondes sous ASan.
inline constexpr int MutationsParGraine = 3000;
int MutationsFuzz(size_t g);

// Passe une entrée au décodeur : seule une Erreur est une fin acceptable. La
// mémoire permise est celle du programme.
inline void Essayer(void (*decodeur)(const uint8_t*, size_t, Bitmap&), const uint8_t* donnees, size_t taille)
{
    Bitmap image;
    try {
        decodeur(donnees, taille, image);
    } catch (const Erreur&) {
    }
}
