#include "app/aboutdialog.h"

#include <Qsci/qsciglobal.h>

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

AboutDialog::AboutDialog(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(tr("About Penwick"));
    const QString libraries =
        tr("Built with Qt %1, QScintilla %2, md4c and ICU %3.")
            .arg(QString::fromLatin1(qVersion()), QStringLiteral(QSCINTILLA_VERSION_STR),
                 QStringLiteral(PENWICK_ICU_VERSION));
    m_text = tr("Penwick %1").arg(QStringLiteral(PENWICK_VERSION)) + u'\n'
        + tr("A Markdown notes editor.") + u'\n'
        + tr("Licence: GNU General Public License, version 3 or later (GPL-3.0-or-later).") + u'\n'
        + libraries;

    auto *label = new QLabel(m_text);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    label->setAccessibleName(tr("About Penwick"));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(buttons);
    setMinimumWidth(420);
}

QString AboutDialog::text() const
{
    return m_text;
}
