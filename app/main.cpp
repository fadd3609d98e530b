#include <memory>

#include <QApplication>

#include "app/APropos.h"
#include "app/AcqImgs.h"
#include "app/Preferences.h"
#include "app/XPTheme.h"
#include "core/Assemblage.h"
#include "platform/Ecrivains.h"

int main(int argc, char** argv)
{
    InitialisationXPTheme();
    IgnorerTailleFichierBornee();
    QApplication application(argc, argv);
    ChargerTraductionsQt();

    // Ordre de création : la fenêtre principale d'abord, son FormCreate tourne
    // avant que les trois autres n'existent.
    auto seqPano = std::make_unique<TSeqPano>();
    auto infosPgm = std::make_unique<TInfosPgm>();
    InfosPgm = infosPgm.get();
    auto assembleImg = std::make_unique<TAssembleImg>();
    AssembleImg = assembleImg.get();
    auto prefers = std::make_unique<TPrefers>();
    Prefers = prefers.get();

    seqPano->show();
    const int code = application.exec();

    Prefers = nullptr;
    AssembleImg = nullptr;
    InfosPgm = nullptr;
    return code;
}
