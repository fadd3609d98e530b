#include <QApplication>

#include "app/AcqImgs.h"

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    TSeqPano fenetre;
    fenetre.show();
    return application.exec();
}
