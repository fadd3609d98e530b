#include "app/DlgBoxEnrg.h"

#include <QWidget>

namespace {
CrochetDialogueEnrg Crochet;
}

void DefinirCrochetDialogueEnrg(CrochetDialogueEnrg crochet)
{
    Crochet = std::move(crochet);
}

bool TBoiteEnrg::Execute()
{
    TDialogEnrg Dlg(qobject_cast<QWidget*>(parent()));
    Dlg.NomEnrg = NomEnrg;
    Dlg.Filtres = Filtres;
    Dlg.IndXFiltre = IndXFiltre;
    Dlg.JpgQual = JpgQual;
    Dlg.Options = Options;
    const int Resultat = Crochet ? Crochet(Dlg) : Dlg.exec();
    // Recopiés même après une annulation : le type choisi revient la fois suivante.
    NomEnrg = Dlg.NomEnrg;
    IndXFiltre = Dlg.IndXFiltre;
    JpgQual = Dlg.JpgQual;
    Options = Dlg.Options;
    return Resultat == QDialog::Accepted;
}
