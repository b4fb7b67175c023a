#include "app/penwickapp.h"

#include "app/contentview.h"
#include "platform/quitsignals.h"
#include "search/notesearch.h"
#include "store/notestore.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QIcon>
#include <QMessageBox>
#include <QPushButton>

PenwickApp::PenwickApp(QObject *parent)
    : QObject(parent),
      m_store(new NoteStore(this)),
      m_search(new NoteSearch(m_store, this)),
      m_quitSignals(new QuitSignals(this))
{
    connect(m_store, &NoteStore::alert, qApp, &QApplication::beep);
    connect(m_quitSignals, &QuitSignals::received, qApp, &QCoreApplication::quit);
    connect(qApp, &QCoreApplication::aboutToQuit, this, &PenwickApp::flushBeforeQuit);
}

PenwickApp::~PenwickApp() = default;

ContentView *PenwickApp::newWindow()
{
    auto *window = new ContentView(m_store, m_search);
    window->setWindowIcon(QIcon::fromTheme(QStringLiteral("org.penwick.Penwick"),
                                           QIcon(QStringLiteral(":/icons/penwick.svg"))));
    window->installEventFilter(this);
    connect(window, &ContentView::newWindowRequested, this, [this] { newWindow()->show(); });
    return window;
}

// Quitting closes every window, and closing the last one ends the program: that close is where
// the user can still go back to text that could not be written.
bool PenwickApp::eventFilter(QObject *watched, QEvent *event)
{
    auto *window = qobject_cast<ContentView *>(watched);
    if (event->type() != QEvent::Close || !window || !isLastWindow(window))
        return false;
    if (!settleUnsavedText(Ending::MayGoBack)) {
        event->ignore();
        return true;
    }
    m_endingSettled = true;
    return false;
}

bool PenwickApp::isLastWindow(const ContentView *window) const
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::none_of(windows.cbegin(), windows.cend(), [window](const QWidget *other) {
        return other != window && other->isVisible() && qobject_cast<const ContentView *>(other);
    });
}

// Writes pending text; when that fails, asks until the text is kept elsewhere or the user has
// chosen. False when the user goes back to the program.
bool PenwickApp::settleUnsavedText(Ending ending)
{
    for (;;) {
        QStringList failures;
        const QMetaObject::Connection collecting =
            connect(m_store, &NoteStore::errorOccurred, this,
                    [&failures](const QString &message) { failures.append(message); });
        m_store->flush();
        disconnect(collecting);
        if (!m_store->hasUnsavedText())
            return true;

        QMessageBox box(QMessageBox::Warning, tr("Penwick"),
                        tr("Your latest changes could not be saved before quitting.")
                            + QStringLiteral("\n\n") + failures.join(u'\n'));
        QPushButton *saveAs = box.addButton(tr("Save As…"), QMessageBox::AcceptRole);
        QPushButton *discard = box.addButton(tr("Discard Changes"), QMessageBox::DestructiveRole);
        QPushButton *goBack = ending == Ending::MayGoBack
            ? box.addButton(tr("Back to Penwick"), QMessageBox::RejectRole)
            : nullptr;
        box.setDefaultButton(saveAs);
        box.setEscapeButton(goBack);
        box.exec();
        if (box.clickedButton() == discard)
            return true;
        if (box.clickedButton() == saveAs && saveTextElsewhere())
            return true;
        if (goBack && box.clickedButton() == goBack)
            return false;
    }
}

bool PenwickApp::saveTextElsewhere()
{
    const QString suggested =
        m_store->folder() + u'/' + m_store->selection().value_or(QString()) + QStringLiteral(".md");
    const QString path = QFileDialog::getSaveFileName(nullptr, tr("Save Note As"), suggested);
    return !path.isEmpty() && m_store->writeCopy(path);
}

void PenwickApp::flushBeforeQuit()
{
    if (m_endingSettled)
        m_store->flush();
    else
        settleUnsavedText(Ending::Final);
}
