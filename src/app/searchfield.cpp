#include "app/searchfield.h"

#include <QAction>
#include <QKeyEvent>
#include <QToolButton>

SearchField::SearchField(QWidget *parent) : QLineEdit(parent)
{
    setPlaceholderText(tr("Search or create"));
    setClearButtonEnabled(true);
    setAccessibleName(tr("Search notes"));
    setResultCount(std::nullopt);
    describeClearButton();
}

// The description is what a screen reader reads with the field, so the count goes there.
void SearchField::setResultCount(std::optional<int> count)
{
    const QString usage = tr("Shows the notes that hold every word typed. Enter opens the first, "
                             "Ctrl+Enter creates a note, Esc clears the field.");
    setAccessibleDescription(count ? usage + u' ' + tr("Notes found: %1").arg(*count) : usage);
}

// The line edit's own clear button has no name and takes no focus: it is given both, so that
// it can be reached and told apart without a mouse.
void SearchField::describeClearButton()
{
    const auto *clear = findChild<QAction *>(QStringLiteral("_q_qlineeditclearaction"));
    if (!clear)
        return;
    for (QObject *associated : clear->associatedObjects()) {
        if (auto *button = qobject_cast<QToolButton *>(associated)) {
            button->setAccessibleName(tr("Clear the search"));
            button->setFocusPolicy(Qt::TabFocus);
        }
    }
}

void SearchField::keyPressEvent(QKeyEvent *event)
{
    const bool withControl = event->modifiers().testFlag(Qt::ControlModifier);
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
        Q_EMIT stepRequested(event->key() == Qt::Key_Up ? -1 : 1);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (withControl)
            Q_EMIT createRequested();
        else
            Q_EMIT openRequested();
        return;
    case Qt::Key_Escape:
        clear();
        Q_EMIT leaveRequested();
        return;
    default:
        QLineEdit::keyPressEvent(event);
    }
}
