#include "platform/FichierIni.h"

#include "platform/Ecrivains.h"

#include <cerrno>
#include <cstdint>
#include <optional>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>

namespace {

using Lignes = std::vector<std::string>;

bool Blanc(char c)
{
    // 0x1A : fin de fichier des vieux éditeurs, ignorée comme un blanc.
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == '\x1A';
}

std::string Rogner(const std::string& s)
{
    size_t debut = 0, fin = s.size();
    while (debut < fin && Blanc(s[debut]))
        ++debut;
    while (fin > debut && Blanc(s[fin - 1]))
        --fin;
    return s.substr(debut, fin - debut);
}

// Majuscule Windows-1252 : lettres ASCII, accentuées (sauf × et ÷), š œ ž ÿ.
unsigned char Majuscule(unsigned char c)
{
    if (c >= 'a' && c <= 'z')
        return static_cast<unsigned char>(c - 32);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
        return static_cast<unsigned char>(c - 32);
    switch (c) {
    case 0x9A: return 0x8A;
    case 0x9C: return 0x8C;
    case 0x9E: return 0x8E;
    case 0xFF: return 0x9F;
    default: return c;
    }
}

bool MemeNom(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Majuscule(static_cast<unsigned char>(a[i])) != Majuscule(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// Chaque ligne garde sa fin (LF, CRLF, ou rien pour la dernière) : réécrite,
// elle ne grandit pas.
Lignes Decouper(const std::string& texte)
{
    Lignes lignes;
    size_t debut = 0;
    while (debut < texte.size()) {
        size_t fin = texte.find('\n', debut);
        fin = fin == std::string::npos ? texte.size() : fin + 1;
        lignes.push_back(texte.substr(debut, fin - debut));
        debut = fin;
    }
    return lignes;
}

std::string FinDeLigne(const std::string& ligne)
{
    if (ligne.empty() || ligne.back() != '\n')
        return std::string();
    return ligne.size() >= 2 && ligne[ligne.size() - 2] == '\r' ? "\r\n" : "\n";
}

// Fin des lignes ajoutées : celle du fichier (sa première), CRLF pour un
// fichier neuf, qui garde ainsi une seule sorte de fin.
std::string FinAjoutee(const Lignes& lignes)
{
    for (const std::string& ligne : lignes)
        if (std::string fin = FinDeLigne(ligne); !fin.empty())
            return fin;
    return "\r\n";
}

// Lit au plus TailleIniMax octets d'un fichier ordinaire ; sinon, lignes vides.
LectureIni LireLignes(const std::string& fichier, Lignes& lignes)
{
    lignes.clear();
    // Ouvert sans attendre (un tube attendrait son écrivain) puis examiné par
    // son descripteur : le fichier vérifié est bien celui qu'on lit.
    const int fd = ::open(fichier.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT || errno == ENOTDIR ? LectureIni::Absent : LectureIni::Illisible;
    struct Fermeture
    {
        int fd;
        ~Fermeture() { ::close(fd); }
    } fermeture{fd};
    struct stat etat;
    if (::fstat(fd, &etat) != 0)
        return LectureIni::Illisible;
    if (!S_ISREG(etat.st_mode))
        return LectureIni::PasOrdinaire;
    if (etat.st_size > TailleIniMax)
        return LectureIni::TropGrand;
    // Borné aussi pendant la lecture : le fichier peut grandir entre-temps.
    std::string texte;
    char tampon[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, tampon, sizeof tampon);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return LectureIni::Illisible;
        if (n == 0)
            break;
        texte.append(tampon, static_cast<size_t>(n));
        if (static_cast<int64_t>(texte.size()) > TailleIniMax)
            return LectureIni::TropGrand;
    }
    lignes = Decouper(texte);
    return LectureIni::Lu;
}

bool Lisible(LectureIni l)
{
    return l == LectureIni::Lu || l == LectureIni::Absent;
}

// Nom de section d'une ligne « [nom] », sinon rien.
std::optional<std::string> NomSection(const std::string& ligne)
{
    const std::string l = Rogner(ligne);
    if (l.empty() || l.front() != '[')
        return std::nullopt;
    const size_t fin = l.rfind(']');
    if (fin == std::string::npos || fin == 0)
        return std::nullopt;
    return l.substr(1, fin - 1);
}

// Clé d'une ligne « clé=valeur » ; une ligne sans « = » est une clé sans valeur.
std::string NomCle(const std::string& ligne)
{
    return Rogner(ligne.substr(0, ligne.find('=')));
}

struct Position
{
    size_t section = 0;   // ligne de l'en-tête
    size_t finSection = 0;  // première ligne après la section
};

std::optional<Position> ChercherSection(const Lignes& lignes, const std::string& section)
{
    for (size_t i = 0; i < lignes.size(); ++i) {
        const auto nom = NomSection(lignes[i]);
        if (!nom || !MemeNom(*nom, section))
            continue;
        Position p;
        p.section = i;
        p.finSection = i + 1;
        while (p.finSection < lignes.size() && !NomSection(lignes[p.finSection]))
            ++p.finSection;
        return p;
    }
    return std::nullopt;
}

std::optional<size_t> ChercherCle(const Lignes& lignes, const Position& p, const std::string& cle)
{
    for (size_t i = p.section + 1; i < p.finSection; ++i)
        if (!Rogner(lignes[i]).empty() && MemeNom(NomCle(lignes[i]), cle))
            return i;
    return std::nullopt;
}

// Une paire de guillemets (simples ou doubles) qui entoure la valeur tombe.
std::string SansGuillemets(const std::string& v)
{
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

// Un fichier que la lecture refuserait n'est pas écrit : l'ancien reste lisible.
bool EcrireLignes(const std::string& fichier, const Lignes& lignes)
{
    std::string texte;
    for (size_t i = 0; i < lignes.size(); ++i) {
        texte += lignes[i];
        // La dernière ligne d'avant, sans fin, en prend une si d'autres la suivent.
        if (i + 1 < lignes.size() && FinDeLigne(lignes[i]).empty())
            texte += FinAjoutee(lignes);
    }
    if (static_cast<int64_t>(texte.size()) > TailleIniMax)
        return false;
    return RemplacerFichier(QFile::decodeName(QByteArray::fromStdString(fichier)), texte.data(),
                            texte.size());
}

std::optional<int> LireEntier(const std::string& texte)
{
    size_t i = 0;
    bool negatif = false;
    if (i < texte.size() && (texte[i] == '+' || texte[i] == '-')) {
        negatif = texte[i] == '-';
        ++i;
    }
    int base = 10;
    if (i + 1 < texte.size() && texte[i] == '0' && (texte[i + 1] == 'x' || texte[i + 1] == 'X')) {
        base = 16;
        i += 2;
    } else if (i < texte.size() && texte[i] == '$') {
        base = 16;
        i += 1;
    }
    if (i >= texte.size())
        return std::nullopt;
    uint64_t valeur = 0;
    for (; i < texte.size(); ++i) {
        const char c = texte[i];
        int chiffre;
        if (c >= '0' && c <= '9')
            chiffre = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            chiffre = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            chiffre = c - 'A' + 10;
        else
            return std::nullopt;
        valeur = valeur * base + chiffre;
        if (valeur > 0xFFFFFFFFull)
            return std::nullopt;
    }
    if (base == 16) {
        // L'hexadécimal couvre les 32 bits : 0xFFFFFFFF vaut -1.
        const auto v = static_cast<int32_t>(static_cast<uint32_t>(valeur));
        return negatif ? static_cast<int>(0u - static_cast<uint32_t>(v)) : v;
    }
    if (negatif ? valeur > 0x80000000ull : valeur > 0x7FFFFFFFull)
        return std::nullopt;
    return negatif ? static_cast<int>(-static_cast<int64_t>(valeur)) : static_cast<int>(valeur);
}

std::string Valeur(const Lignes& lignes, const std::string& section, const std::string& cle,
                   const std::string& defaut)
{
    const auto p = ChercherSection(lignes, section);
    if (!p)
        return defaut;
    const auto i = ChercherCle(lignes, *p, cle);
    if (!i)
        return defaut;
    const std::string& ligne = lignes[*i];
    const size_t egal = ligne.find('=');
    if (egal == std::string::npos)
        return std::string();
    return SansGuillemets(Rogner(ligne.substr(egal + 1)));
}

// Une fin de ligne ferait d'une valeur d'autres clés, voire d'autres sections.
bool SurUneLigne(const std::string& section, const std::string& cle, const std::string& valeur)
{
    for (const std::string* texte : {&section, &cle, &valeur})
        if (texte->find_first_of("\r\n") != std::string::npos)
            return false;
    return true;
}

void Poser(Lignes& lignes, const std::string& section, const std::string& cle, const std::string& valeur)
{
    const std::string fin = FinAjoutee(lignes);
    const auto p = ChercherSection(lignes, section);
    if (!p) {
        lignes.push_back("[" + section + "]" + fin);
        lignes.push_back(cle + "=" + valeur + fin);
        return;
    }
    if (const auto i = ChercherCle(lignes, *p, cle)) {
        lignes[*i] = NomCle(lignes[*i]) + "=" + valeur + FinDeLigne(lignes[*i]);
        return;
    }
    // Nouvelle clé après la dernière ligne non vide de la section.
    size_t apres = p->finSection;
    while (apres > p->section + 1 && Rogner(lignes[apres - 1]).empty())
        --apres;
    lignes.insert(lignes.begin() + static_cast<ptrdiff_t>(apres), cle + "=" + valeur + fin);
}

}  // namespace

std::string GetPrivateProfileString(const std::string& section, const std::string& cle,
                                    const std::string& defaut, const std::string& fichier)
{
    Lignes lignes;
    LireLignes(fichier, lignes);
    return Valeur(lignes, section, cle, defaut);
}

bool WritePrivateProfileString(const std::string& section, const std::string& cle,
                               const std::string& valeur, const std::string& fichier)
{
    if (!SurUneLigne(section, cle, valeur))
        return false;
    Lignes lignes;
    // Un fichier qui ne peut être relu n'est pas remplacé : il serait perdu.
    if (!Lisible(LireLignes(fichier, lignes)))
        return false;
    Poser(lignes, section, cle, valeur);
    return EcrireLignes(fichier, lignes);
}

TFichierIni::TFichierIni(std::string chemin) : chemin_(std::move(chemin))
{
    lecture_ = LireLignes(chemin_, lignes_);
}

std::string TFichierIni::ReadString(const std::string& section, const std::string& cle,
                                    const std::string& defaut) const
{
    return Valeur(lignes_, section, cle, defaut);
}

int TFichierIni::ReadInteger(const std::string& section, const std::string& cle, int defaut) const
{
    const auto v = LireEntier(ReadString(section, cle, std::string()));
    return v ? *v : defaut;
}

bool TFichierIni::WriteString(const std::string& section, const std::string& cle,
                              const std::string& valeur)
{
    if (!SurUneLigne(section, cle, valeur))
        return false;
    Poser(lignes_, section, cle, valeur);
    ecritures_.push_back({section, cle, valeur});
    return true;
}

bool TFichierIni::WriteInteger(const std::string& section, const std::string& cle, int valeur)
{
    return WriteString(section, cle, std::to_string(valeur));
}

bool TFichierIni::UpdateFile()
{
    Lignes lignes;
    // Un fichier qui ne peut être relu n'est pas remplacé : il serait perdu.
    if (!Lisible(LireLignes(chemin_, lignes)))
        return false;
    for (const Ecriture& e : ecritures_)
        Poser(lignes, e.section, e.cle, e.valeur);
    if (!EcrireLignes(chemin_, lignes))
        return false;
    lignes_ = std::move(lignes);
    ecritures_.clear();
    return true;
}
