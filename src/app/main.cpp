#include "app/contentview.h"
#include "app/penwickapp.h"
#include "app/translations.h"
#include "platform/allocator.h"

#include <QApplication>
#include <QIcon>
#include <QLocale>

int main(int argc, char *argv[])
{
    platform::mapLargeBlocksApart();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Penwick"));
    // The desktop matches the windows to the installed entry by this name.
    QApplication::setDesktopFileName(QStringLiteral("org.penwick.Penwick"));
    translations::install(&application, QLocale::system());
    PenwickApp penwick;
    penwick.newWindow()->show();
    return QApplication::exec();
}
