#include "app/contentview.h"
#include "app/penwickapp.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Penwick"));
    PenwickApp penwick;
    penwick.newWindow()->show();
    return QApplication::exec();
}
