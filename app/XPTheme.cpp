#include "app/XPTheme.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {

// Qt 6 range les types des éléments de fichiers (« Folder ») sous un contexte
// que ses traductions françaises n'ont pas : elles les gardent sous celui du
// dialogue de fichiers, où on va les chercher.
class TraductionTypesFichiers : public QTranslator
{
public:
    TraductionTypesFichiers(const QTranslator* qtbase, QObject* parent) : QTranslator(parent), qtbase_(qtbase) {}

    bool isEmpty() const override { return false; }

    QString translate(const char* contexte, const char* texte, const char* precision, int n) const override
    {
        if (qstrcmp(contexte, "QAbstractFileIconProvider") != 0)
            return {};
        return qtbase_->translate("QFileDialog", texte, precision, n);
    }

private:
    const QTranslator* qtbase_;
};

}  // namespace

void InitialisationXPTheme()
{
    static bool faite = false;
    if (faite)
        return;
    faite = true;
    // Le même style sur tous les bureaux : les géométries des fenêtres en dépendent.
    QApplication::setStyle(QStringLiteral("Fusion"));
    // Les fenêtres sont dessinées pour une police de 8 points : plus grande,
    // les libellés déborderaient de leurs contrôles.
    QApplication::setFont(QFont(QStringLiteral("Sans Serif"), 8));
}

bool ChargerTraductionsQt()
{
    auto* qtbase = new QTranslator(QCoreApplication::instance());
    if (!qtbase->load(QLocale(QLocale::French, QLocale::France), QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete qtbase;
        return false;
    }
    QCoreApplication::installTranslator(qtbase);
    return QCoreApplication::installTranslator(new TraductionTypesFichiers(qtbase, QCoreApplication::instance()));
}
