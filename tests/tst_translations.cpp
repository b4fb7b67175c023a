#include "app/contentview.h"
#include "app/noteeditor.h"
#include "app/translations.h"
#include "sandbox.h"
#include "store/notestore.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QListView>
#include <QLocale>
#include <QMenuBar>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTest>
#include <QTranslator>
#include <QXmlStreamReader>

using namespace Qt::StringLiterals;

namespace {

QString firstMenuTitle(ContentView *window)
{
    return window->menuBar()->actions().value(0)->text();
}

QStringList buttonTexts(const QMessageBox *box)
{
    QStringList texts;
    for (const QAbstractButton *button : box->buttons())
        texts.append(button->text());
    texts.sort();
    return texts;
}

struct Message
{
    QString source;
    QString translation; // empty while unfinished
};

QList<Message> readMessages(const QString &tsPath)
{
    QFile file(tsPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<Message> messages;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"source") {
            messages.append({xml.readElementText(), {}});
        } else if (xml.name() == u"translation" && !messages.isEmpty()) {
            const bool unfinished = xml.attributes().value(u"type"_s) == u"unfinished";
            const QString text = xml.readElementText();
            if (!unfinished)
                messages.last().translation = text;
        }
    }
    return messages;
}

QStringList placeholders(const QString &text)
{
    QStringList found;
    for (const QRegularExpressionMatch &match : QRegularExpression(u"%\\d"_s).globalMatch(text))
        found.append(match.captured());
    found.sort();
    return found;
}

// A single "&" marks the accelerator; "&&" is a literal ampersand.
int accelerators(const QString &text)
{
    return QString(text).remove(u"&&"_s).count(u'&');
}

} // namespace

class TestTranslations : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup()
    {
        // A translator leaves the application when it is deleted.
        qDeleteAll(qApp->findChildren<QTranslator *>());
    }

    // main() below starts the program as a German desktop would: LANG=de_DE.UTF-8.
    void windowSpeaksTheSystemLanguage()
    {
        Sandbox sandbox;
        sandbox.writeNote("Einkauf.md", "# Shopping\n\nNew bread\n");
        translations::install(qApp, QLocale::system());
        NoteStore store(sandbox.documents());
        ContentView window(&store);

        QCOMPARE(firstMenuTitle(&window), "&Datei");
        QCOMPARE(window.newAction()->text(), "Neu");
        QCOMPARE(window.renameAction()->text(), "Umbenennen");
        QCOMPARE(window.deleteAction()->text(), "Löschen");
        QCOMPARE(window.alwaysOnTopAction()->text(), "Immer im Vordergrund");
        QCOMPARE(window.renamePrompt()->windowTitle(), "Notiz umbenennen");
        QCOMPARE(window.deletePrompt()->text(), "Diese Notiz löschen?");
        QCOMPARE(buttonTexts(window.deletePrompt()), (QStringList {"Abbrechen", "Löschen"}));
        // Qt's own texts come along: key names in tooltips, standard buttons.
        QCOMPARE(window.newAction()->toolTip(), "Neue Notiz (Strg+N)");
        QCOMPARE(QDialogButtonBox(QDialogButtonBox::Cancel).buttons().value(0)->text(),
                 "Abbrechen");

        // Names and text of the notes are the user's: shown as they are.
        QCOMPARE(window.windowTitle(), "Einkauf");
        QCOMPARE(window.editor()->noteText(), "# Shopping\n\nNew bread\n");
        // What the program writes into the folder stays as it is in every language.
        window.newAction()->trigger();
        QCOMPARE(*store.selection(), "Untitled");
        QCOMPARE(sandbox.readNote("Untitled.md"), "# Untitled\n\n");
        QCOMPARE(window.sidebar()->model()->index(0, 0).data().toString(), "Untitled");
    }

    void languages_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("newText");
        QTest::addColumn<QString>("deleteQuestion");
        QTest::addColumn<QString>("qtCancel");

        QTest::newRow("German") << QLocale("de_DE") << "Neu"
                                << "Diese Notiz löschen?"
                                << "Abbrechen";
        QTest::newRow("Swiss German") << QLocale("de_CH") << "Neu"
                                      << "Diese Notiz löschen?"
                                      << "Abbrechen";
        QTest::newRow("French") << QLocale("fr_FR") << "Nouveau"
                                << "Supprimer cette note\u00a0?"
                                << "Annuler";
        QTest::newRow("Canadian French") << QLocale("fr_CA") << "Nouveau"
                                         << "Supprimer cette note\u00a0?"
                                         << "Annuler";
        QTest::newRow("English") << QLocale("en_GB") << "New"
                                 << "Delete this note?"
                                 << "Cancel";
        // Qt speaks Spanish, Penwick does not: the window stays in one language.
        QTest::newRow("untranslated") << QLocale("es_ES") << "New"
                                      << "Delete this note?"
                                      << "Cancel";
        QTest::newRow("C") << QLocale::c() << "New"
                           << "Delete this note?"
                           << "Cancel";
    }

    void languages()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, newText);
        QFETCH(QString, deleteQuestion);
        QFETCH(QString, qtCancel);
        Sandbox sandbox;
        translations::install(qApp, locale);
        NoteStore store(sandbox.documents());
        ContentView window(&store);

        QCOMPARE(window.newAction()->text(), newText);
        QCOMPARE(window.deletePrompt()->text(), deleteQuestion);
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), qtCancel);
    }

    // Every text is translated, and keeps its placeholders and its keyboard accelerator.
    void translationsAreComplete_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("translation");
        for (const QString &language : {QStringLiteral("de"), QStringLiteral("fr")}) {
            const QString path =
                QStringLiteral(PENWICK_TRANSLATIONS "/penwick_%1.ts").arg(language);
            const QList<Message> messages = readMessages(path);
            QVERIFY2(!messages.isEmpty(), qPrintable(path));
            for (const Message &message : messages)
                QTest::addRow("%s: %s", qPrintable(language), qPrintable(message.source))
                    << message.source << message.translation;
        }
    }

    void translationsAreComplete()
    {
        QFETCH(QString, source);
        QFETCH(QString, translation);
        QVERIFY2(!translation.isEmpty(), "not translated yet");
        QCOMPARE(placeholders(translation), placeholders(source));
        QCOMPARE(accelerators(translation), accelerators(source));
    }
};

int main(int argc, char *argv[])
{
    // The language a German desktop session hands to the programs it starts.
    qputenv("LANG", "de_DE.UTF-8");
    for (const char *overriding : {"LC_ALL", "LC_MESSAGES", "LANGUAGE"})
        qunsetenv(overriding);
    QApplication application(argc, argv);
    TestTranslations test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_translations.moc"
