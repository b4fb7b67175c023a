#include "app/penwickapp.h"

#include "app/contentview.h"
#include "platform/quitsignals.h"
#include "store/notestore.h"

#include <QApplication>
#include <QIcon>
#include <QMessageBox>

PenwickApp::PenwickApp(QObject *parent)
    : QObject(parent), m_store(new NoteStore(this)), m_quitSignals(new QuitSignals(this))
{
    connect(m_store, &NoteStore::alert, qApp, &QApplication::beep);
    connect(m_quitSignals, &QuitSignals::received, qApp, &QCoreApplication::quit);
    connect(qApp, &QCoreApplication::aboutToQuit, this, &PenwickApp::flushBeforeQuit);
}

PenwickApp::~PenwickApp() = default;

ContentView *PenwickApp::newWindow()
{
    auto *window = new ContentView(m_store);
    window->setWindowIcon(QIcon::fromTheme(QStringLiteral("org.penwick.Penwick"),
                                           QIcon(QStringLiteral(":/icons/penwick.svg"))));
    connect(window, &ContentView::newWindowRequested, this, [this] { newWindow()->show(); });
    return window;
}

void PenwickApp::flushBeforeQuit()
{
    QStringList failures;
    const QMetaObject::Connection collecting =
        connect(m_store, &NoteStore::errorOccurred, this,
                [&failures](const QString &message) { failures.append(message); });
    m_store->flush();
    disconnect(collecting);
    if (failures.isEmpty())
        return;
    QMessageBox::critical(nullptr, tr("Penwick"),
                          tr("Your latest changes could not be saved before quitting.")
                              + QStringLiteral("\n\n") + failures.join(u'\n'));
}
