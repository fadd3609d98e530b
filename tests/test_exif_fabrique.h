#pragma once
// Fabrique de fichiers JPEG réduits à leur bloc EXIF, dans l'un ou l'autre
// ordre des octets, avec ou sans segment APP0.

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include <QByteArray>
#include <QFile>
#include <QString>

struct EntreeFab
{
    EntreeFab(uint16_t t, uint16_t ty, uint32_t n, uint32_t v = 0, QByteArray d = {}, bool l = false)
        : tag(t), type(ty), nombre(n), valeur(v), donnees(std::move(d)), enLigne(l)
    {
    }
    uint16_t tag;
    uint16_t type;
    uint32_t nombre;
    uint32_t valeur = 0;     // valeur en ligne (ignorée si donnees n'est pas vide)
    QByteArray donnees;      // rangées dans la zone de données, l'entrée pointe dessus
    bool enLigne = false;    // donnees courtes copiées telles quelles dans le champ
};

class FabriqueExif
{
public:
    explicit FabriqueExif(bool mm, bool app0 = false) : mm_(mm), app0_(app0) {}

    std::vector<EntreeFab> ifd0;
    std::vector<EntreeFab> exif;
    bool avecPointeurExif = true;
    // Compte écrit en tête de chaque répertoire ; -1 : le nombre d'entrées.
    int compteIfd0 = -1, compteExif = -1;

    static constexpr uint32_t DebutIfd0 = 8;
    // Un répertoire tient au moins les places que le lecteur parcourt.
    uint32_t DebutExif() const { return DebutIfd0 + Taille(Ifd0().size(), 12); }
    uint32_t DebutDonnees() const { return DebutExif() + Taille(exif.size(), 41); }

    QByteArray Rationnel(int32_t n, int32_t d) const
    {
        QByteArray o;
        Ajouter32(o, static_cast<uint32_t>(n));
        Ajouter32(o, static_cast<uint32_t>(d));
        return o;
    }

    EntreeFab Court(uint16_t tag, uint16_t v) const { return {tag, 3, 1, v}; }
    EntreeFab Long(uint16_t tag, uint32_t v) const { return {tag, 4, 1, v}; }
    EntreeFab Rat(uint16_t tag, int32_t n, int32_t d) const { return {tag, 5, 1, 0, Rationnel(n, d)}; }
    EntreeFab SRat(uint16_t tag, int32_t n, int32_t d) const { return {tag, 10, 1, 0, Rationnel(n, d)}; }
    static EntreeFab Texte(uint16_t tag, const QByteArray& t)
    {
        QByteArray z = t;
        z.append('\0');
        if (z.size() <= 4)
            return {tag, 2, uint32_t(z.size()), 0, z, true};
        return {tag, 2, uint32_t(z.size()), 0, z};
    }

    // Octets du bloc TIFF (en-tête compris).
    QByteArray Tiff() const
    {
        QByteArray t;
        t.append(mm_ ? "MM" : "II");
        Ajouter16(t, 42);
        Ajouter32(t, DebutIfd0);
        QByteArray donnees;
        EcrireRepertoire(t, Ifd0(), 12, compteIfd0, donnees);
        EcrireRepertoire(t, exif, 41, compteExif, donnees);
        t.append(donnees);
        return t;
    }

    QByteArray Fichier() const
    {
        QByteArray f("\xFF\xD8", 2);
        if (app0_) {
            f.append("\xFF\xE0\x00\x10JFIF\0\x01\x01\x00\x00\x01\x00\x01\x00\x00", 18);
        }
        const QByteArray t = Tiff();
        f.append("\xFF\xE1", 2);
        const int l = t.size() + 8;
        f.append(char(l >> 8)).append(char(l & 0xFF));
        f.append("Exif\0\0", 6);
        f.append(t);
        f.append("\xFF\xD9", 2);
        return f;
    }

    static void Ecrire(const QString& chemin, const QByteArray& octets)
    {
        QFile::remove(chemin);
        QFile f(chemin);
        f.open(QIODevice::WriteOnly);
        f.write(octets);
    }

private:
    // Le pointeur EXIF en tête, pour rester parmi les douze entrées lues.
    std::vector<EntreeFab> Ifd0() const
    {
        std::vector<EntreeFab> i0 = ifd0;
        if (avecPointeurExif)
            i0.insert(i0.begin(), Long(0x8769, DebutIfd0 + Taille(ifd0.size() + 1, 12)));
        return i0;
    }
    static uint32_t Taille(size_t entrees, size_t places) { return uint32_t(2 + 12 * std::max(entrees, places) + 4); }

    void Ajouter16(QByteArray& o, uint16_t v) const
    {
        if (mm_)
            o.append(char(v >> 8)).append(char(v & 0xFF));
        else
            o.append(char(v & 0xFF)).append(char(v >> 8));
    }
    void Ajouter32(QByteArray& o, uint32_t v) const
    {
        if (mm_) {
            Ajouter16(o, uint16_t(v >> 16));
            Ajouter16(o, uint16_t(v & 0xFFFF));
        } else {
            Ajouter16(o, uint16_t(v & 0xFFFF));
            Ajouter16(o, uint16_t(v >> 16));
        }
    }

    void EcrireRepertoire(QByteArray& t, const std::vector<EntreeFab>& entrees, int nb, int compte,
                          QByteArray& donnees) const
    {
        Ajouter16(t, uint16_t(compte >= 0 ? compte : int(entrees.size())));
        for (int i = 0; i < std::max(nb, int(entrees.size())); ++i) {
            // Les places libres sont des étiquettes inconnues, que le lecteur saute.
            const EntreeFab e = i < int(entrees.size()) ? entrees[i] : EntreeFab{0xC000, 3, 1, 0};
            Ajouter16(t, e.tag);
            Ajouter16(t, e.type);
            Ajouter32(t, e.nombre);
            if (e.enLigne) {
                QByteArray champ = e.donnees;
                champ.resize(4, '\0');
                t.append(champ);
            } else if (!e.donnees.isEmpty()) {
                Ajouter32(t, DebutDonnees() + uint32_t(donnees.size()));
                donnees.append(e.donnees);
            } else if (e.type == 3) {
                Ajouter16(t, uint16_t(e.valeur));
                Ajouter16(t, 0);
            } else {
                Ajouter32(t, e.valeur);
            }
        }
        Ajouter32(t, 0);
    }

    bool mm_;
    bool app0_;
};
