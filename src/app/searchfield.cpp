#include "app/searchfield.h"

#include <QKeyEvent>

SearchField::SearchField(QWidget *parent) : QLineEdit(parent)
{
    setPlaceholderText(tr("Search or create"));
    setClearButtonEnabled(true);
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
