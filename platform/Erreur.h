#pragma once
// L'unique type d'erreur du programme : il porte le message français que la
// boîte d'erreur par défaut affiche.

#include <stdexcept>
#include <string>

#include <QString>

class Erreur : public std::runtime_error
{
public:
    explicit Erreur(const std::string& message) : std::runtime_error(message) {}
    explicit Erreur(const char* message) : std::runtime_error(message) {}
    explicit Erreur(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString Message() const { return QString::fromUtf8(what()); }
};

// Messages de la bibliothèque d'exécution reproduits tels quels.
inline const char* const MsgDivisionParZero = "Division par zéro en virgule flottante";
inline const char* const MsgOperationIncorrecte = "Opération en virgule flottante incorrecte";

// Boîte d'erreur par défaut de l'application (passe par le crochet des dialogues).
void AfficherErreur(const QString& message);

// Point d'entrée d'un gestionnaire d'événement : aucune exception ne doit
// traverser la boucle d'événements.
template <class F>
void Protege(F&& f)
{
    try {
        f();
    } catch (const Erreur& e) {
        AfficherErreur(e.Message());
    } catch (const std::bad_alloc&) {
        AfficherErreur(QStringLiteral("Mémoire insuffisante"));
    } catch (const std::exception& e) {
        AfficherErreur(QString::fromUtf8(e.what()));
    }
}
