#pragma once

#include <QDialog>

// What Penwick is: its version, its licence and the libraries it is built on.
class AboutDialog : public QDialog
{
    Q_OBJECT
public:
    explicit AboutDialog(QWidget *parent = nullptr);

    // The dialog's text, as shown.
    QString text() const;

private:
    QString m_text;
};
