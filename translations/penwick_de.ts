<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>AboutDialog</name>
    <message>
        <source>About Penwick</source>
        <translation>Über Penwick</translation>
    </message>
    <message>
        <source>Built with Qt %1, QScintilla %2, md4c and ICU %3.</source>
        <translation>Erstellt mit Qt %1, QScintilla %2, md4c und ICU %3.</translation>
    </message>
    <message>
        <source>Penwick %1</source>
        <translation>Penwick %1</translation>
    </message>
    <message>
        <source>A Markdown notes editor.</source>
        <translation>Ein Editor für Notizen in Markdown.</translation>
    </message>
    <message>
        <source>Licence: GNU General Public License, version 3 or later (GPL-3.0-or-later).</source>
        <translation>Lizenz: GNU General Public License, Version 3 oder später (GPL-3.0-or-later).</translation>
    </message>
</context>
<context>
    <name>Commands</name>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>&amp;New Note</source>
        <translation>&amp;Neue Notiz</translation>
    </message>
    <message>
        <source>New &amp;Window</source>
        <translation>Neues &amp;Fenster</translation>
    </message>
    <message>
        <source>&amp;Rename…</source>
        <translation>&amp;Umbenennen …</translation>
    </message>
    <message>
        <source>Move to &amp;Trash</source>
        <translation>In den &amp;Papierkorb verschieben</translation>
    </message>
    <message>
        <source>&amp;Close Window</source>
        <translation>Fenster &amp;schließen</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Bearbeiten</translation>
    </message>
    <message>
        <source>&amp;Undo</source>
        <translation>&amp;Rückgängig</translation>
    </message>
    <message>
        <source>&amp;Redo</source>
        <translation>Wieder&amp;herstellen</translation>
    </message>
    <message>
        <source>Cu&amp;t</source>
        <translation>&amp;Ausschneiden</translation>
    </message>
    <message>
        <source>&amp;Copy</source>
        <translation>&amp;Kopieren</translation>
    </message>
    <message>
        <source>&amp;Paste</source>
        <translation>E&amp;infügen</translation>
    </message>
    <message>
        <source>Select &amp;All</source>
        <translation>Alles &amp;markieren</translation>
    </message>
    <message>
        <source>&amp;Find…</source>
        <translation>&amp;Suchen …</translation>
    </message>
    <message>
        <source>Find &amp;Next</source>
        <translation>&amp;Weitersuchen</translation>
    </message>
    <message>
        <source>Find Pre&amp;vious</source>
        <translation>Rückwärts su&amp;chen</translation>
    </message>
    <message>
        <source>R&amp;eplace…</source>
        <translation>&amp;Ersetzen …</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Ansicht</translation>
    </message>
    <message>
        <source>Zoom &amp;In</source>
        <translation>Ver&amp;größern</translation>
    </message>
    <message>
        <source>Zoom &amp;Out</source>
        <translation>Ver&amp;kleinern</translation>
    </message>
    <message>
        <source>&amp;Actual Size</source>
        <translation>&amp;Originalgröße</translation>
    </message>
    <message>
        <source>&amp;Full Screen</source>
        <translation>&amp;Vollbild</translation>
    </message>
    <message>
        <source>&amp;Go</source>
        <translation>&amp;Gehe zu</translation>
    </message>
    <message>
        <source>&amp;Next Note</source>
        <translation>&amp;Nächste Notiz</translation>
    </message>
    <message>
        <source>&amp;Previous Note</source>
        <translation>&amp;Vorherige Notiz</translation>
    </message>
    <message>
        <source>Note &amp;List</source>
        <translation>Notiz&amp;liste</translation>
    </message>
    <message>
        <source>Next P&amp;ane</source>
        <translation>Nächster &amp;Bereich</translation>
    </message>
    <message>
        <source>Previous Pan&amp;e</source>
        <translation>Vorheriger Berei&amp;ch</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>&amp;Keyboard Shortcuts</source>
        <translation>&amp;Tastenkürzel</translation>
    </message>
    <message>
        <source>&amp;About Penwick</source>
        <translation>Über &amp;Penwick</translation>
    </message>
</context>
<context>
    <name>ContentView</name>
    <message>
        <source>No note selected</source>
        <translation>Keine Notiz ausgewählt</translation>
    </message>
    <message>
        <source>Note</source>
        <translation>Notiz</translation>
    </message>
    <message>
        <source>New</source>
        <translation>Neu</translation>
    </message>
    <message>
        <source>New note</source>
        <translation>Neue Notiz</translation>
    </message>
    <message>
        <source>Rename</source>
        <translation>Umbenennen</translation>
    </message>
    <message>
        <source>Rename note</source>
        <translation>Notiz umbenennen</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Delete note</source>
        <translation>Notiz löschen</translation>
    </message>
    <message>
        <source>Always on top</source>
        <translation>Immer im Vordergrund</translation>
    </message>
    <message>
        <source>Rename Note</source>
        <translation>Notiz umbenennen</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Delete this note?</source>
        <translation>Diese Notiz löschen?</translation>
    </message>
    <message>
        <source>It will be moved to the Trash.</source>
        <translation>Sie wird in den Papierkorb verschoben.</translation>
    </message>
    <message>
        <source>A note named “%1” already exists.</source>
        <translation>Eine Notiz namens „%1“ gibt es bereits.</translation>
    </message>
    <message>
        <source>%1 in the note list</source>
        <translation>%1 in der Notizliste</translation>
    </message>
    <message>
        <source>Notes</source>
        <translation>Notizen</translation>
    </message>
    <message>
        <source>All notes, newest first</source>
        <translation>Alle Notizen, die neueste zuerst</translation>
    </message>
    <message>
        <source>Note text</source>
        <translation>Notiztext</translation>
    </message>
    <message>
        <source>The Markdown text of the selected note</source>
        <translation>Der Markdown-Text der ausgewählten Notiz</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>Vorschau</translation>
    </message>
    <message>
        <source>The selected note, formatted</source>
        <translation>Die ausgewählte Notiz, formatiert</translation>
    </message>
    <message>
        <source>Words and characters of the note or the selection</source>
        <translation>Wörter und Zeichen der Notiz oder der Auswahl</translation>
    </message>
    <message>
        <source>Zoom %1 %</source>
        <translation>Zoom %1&#xa0;%</translation>
    </message>
</context>
<context>
    <name>FindBar</name>
    <message>
        <source>Find bar</source>
        <translation>Suchleiste</translation>
    </message>
    <message>
        <source>Finds and replaces text in the note</source>
        <translation>Sucht und ersetzt Text in der Notiz</translation>
    </message>
    <message>
        <source>Find</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>Text to find in the note</source>
        <translation>Text, der in der Notiz gesucht wird</translation>
    </message>
    <message>
        <source>Replace with</source>
        <translation>Ersetzen durch</translation>
    </message>
    <message>
        <source>Text that replaces each match</source>
        <translation>Text, der jeden Treffer ersetzt</translation>
    </message>
    <message>
        <source>Match &amp;Case</source>
        <translation>&amp;Groß-/Kleinschreibung beachten</translation>
    </message>
    <message>
        <source>Find only text in the same letter case</source>
        <translation>Nur Text in derselben Groß- und Kleinschreibung finden</translation>
    </message>
    <message>
        <source>&amp;Whole Words</source>
        <translation>Ganze &amp;Wörter</translation>
    </message>
    <message>
        <source>Find only whole words</source>
        <translation>Nur ganze Wörter finden</translation>
    </message>
    <message>
        <source>Matches</source>
        <translation>Treffer</translation>
    </message>
    <message>
        <source>Find notice</source>
        <translation>Suchhinweis</translation>
    </message>
    <message>
        <source>Previous match</source>
        <translation>Vorheriger Treffer</translation>
    </message>
    <message>
        <source>Select the previous match (Shift+F3)</source>
        <translation>Den vorherigen Treffer auswählen (Umschalt+F3)</translation>
    </message>
    <message>
        <source>Next match</source>
        <translation>Nächster Treffer</translation>
    </message>
    <message>
        <source>Select the next match (F3)</source>
        <translation>Den nächsten Treffer auswählen (F3)</translation>
    </message>
    <message>
        <source>&amp;Replace</source>
        <translation>&amp;Ersetzen</translation>
    </message>
    <message>
        <source>Replace the selected match</source>
        <translation>Den ausgewählten Treffer ersetzen</translation>
    </message>
    <message>
        <source>Replace &amp;All</source>
        <translation>&amp;Alle ersetzen</translation>
    </message>
    <message>
        <source>Replace every match</source>
        <translation>Jeden Treffer ersetzen</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Close the find bar (Esc)</source>
        <translation>Die Suchleiste schließen (Esc)</translation>
    </message>
    <message>
        <source>Close the find bar and return to the note</source>
        <translation>Die Suchleiste schließen und zur Notiz zurückkehren</translation>
    </message>
    <message>
        <source>Continued from the top</source>
        <translation>Am Anfang fortgesetzt</translation>
    </message>
    <message>
        <source>Continued from the bottom</source>
        <translation>Am Ende fortgesetzt</translation>
    </message>
    <message>
        <source>Replaced: %L1</source>
        <translation>Ersetzt: %L1</translation>
    </message>
    <message>
        <source>No matches</source>
        <translation>Keine Treffer</translation>
    </message>
    <message>
        <source>%L1 found</source>
        <translation>%L1 gefunden</translation>
    </message>
    <message>
        <source>%L1 of %L2</source>
        <translation>%L1 von %L2</translation>
    </message>
</context>
<context>
    <name>MarkdownView</name>
    <message>
        <source>(%1 more characters of this block are not shown.)</source>
        <translation>(%1 weitere Zeichen dieses Blocks werden nicht angezeigt.)</translation>
    </message>
</context>
<context>
    <name>NoteStore</name>
    <message>
        <source>Could not create the notes folder “%1”: %2</source>
        <translation>Der Notizordner „%1“ konnte nicht angelegt werden: %2</translation>
    </message>
    <message>
        <source>Could not create the note “%1”: %2</source>
        <translation>Die Notiz „%1“ konnte nicht angelegt werden: %2</translation>
    </message>
    <message>
        <source>Could not rename “%1” to “%2”: %3</source>
        <translation>„%1“ konnte nicht in „%2“ umbenannt werden: %3</translation>
    </message>
    <message>
        <source>Could not move “%1” to the trash: %2</source>
        <translation>„%1“ konnte nicht in den Papierkorb verschoben werden: %2</translation>
    </message>
    <message>
        <source>“%1” is shown read-only and will not be changed: %2</source>
        <translation>„%1“ wird schreibgeschützt angezeigt und nicht verändert: %2</translation>
    </message>
    <message>
        <source>Could not save “%1”: %2</source>
        <translation>„%1“ konnte nicht gespeichert werden: %2</translation>
    </message>
    <message>
        <source>“%1” was changed by another program, and that version could not be kept: %2</source>
        <translation>„%1“ wurde von einem anderen Programm geändert, und diese Fassung konnte nicht aufbewahrt werden: %2</translation>
    </message>
    <message>
        <source>“%1” was changed by another program; that version is kept as “%2”.</source>
        <translation>„%1“ wurde von einem anderen Programm geändert; diese Fassung ist als „%2“ aufbewahrt.</translation>
    </message>
    <message>
        <source>Could not save a copy as “%1”: %2</source>
        <translation>Die Kopie konnte nicht als „%1“ gespeichert werden: %2</translation>
    </message>
    <message>
        <source>Its file name is not valid UTF-8; give it a new name to edit it</source>
        <translation>Der Dateiname ist kein gültiges UTF-8; benennen Sie die Notiz um, um sie zu bearbeiten</translation>
    </message>
    <message>
        <source>Could not save “%1”: the file there cannot be read to keep it: %2</source>
        <translation>„%1“ konnte nicht gespeichert werden: Die vorhandene Datei lässt sich nicht lesen und darum nicht aufbewahren: %2</translation>
    </message>
    <message>
        <source> (conflict %1)</source>
        <translation> (Konflikt %1)</translation>
    </message>
    <message>
        <source>“%1” was changed by another program; that version is kept in “%2”: %3</source>
        <translation>„%1“ wurde von einem anderen Programm geändert; diese Fassung ist in „%2“ aufbewahrt: %3</translation>
    </message>
</context>
<context>
    <name>PenwickApp</name>
    <message>
        <source>Penwick</source>
        <translation>Penwick</translation>
    </message>
    <message>
        <source>Your latest changes could not be saved before quitting.</source>
        <translation>Ihre letzten Änderungen konnten vor dem Beenden nicht gespeichert werden.</translation>
    </message>
    <message>
        <source>Save As…</source>
        <translation>Speichern unter …</translation>
    </message>
    <message>
        <source>Discard Changes</source>
        <translation>Änderungen verwerfen</translation>
    </message>
    <message>
        <source>Back to Penwick</source>
        <translation>Zurück zu Penwick</translation>
    </message>
    <message>
        <source>Save Note As</source>
        <translation>Notiz speichern unter</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>The file is not valid UTF-8 text</source>
        <translation>Die Datei ist kein gültiger UTF-8-Text</translation>
    </message>
    <message>
        <source>The trash folder %1 cannot be made</source>
        <translation>Der Papierkorbordner %1 kann nicht angelegt werden</translation>
    </message>
    <message>
        <source>The trash did not take the file</source>
        <translation>Der Papierkorb hat die Datei nicht angenommen</translation>
    </message>
    <message>
        <source>Unknown error %1</source>
        <translation>Unbekannter Fehler %1</translation>
    </message>
    <message>
        <source>It is a folder, not a file</source>
        <translation>Es ist ein Ordner, keine Datei</translation>
    </message>
    <message>
        <source>It is a named pipe, not a file</source>
        <translation>Es ist eine benannte Pipe, keine Datei</translation>
    </message>
    <message>
        <source>It is a socket, not a file</source>
        <translation>Es ist ein Socket, keine Datei</translation>
    </message>
    <message>
        <source>It is a device, not a file</source>
        <translation>Es ist ein Gerät, keine Datei</translation>
    </message>
    <message>
        <source>It is not a regular file</source>
        <translation>Es ist keine gewöhnliche Datei</translation>
    </message>
    <message>
        <source>The file is too large to open</source>
        <translation>Die Datei ist zu groß, um sie zu öffnen</translation>
    </message>
    <message>
        <source>The file changed while it was read</source>
        <translation>Die Datei hat sich beim Lesen geändert</translation>
    </message>
    <message>
        <source>“%1” is a file, not a folder</source>
        <translation>„%1“ ist eine Datei, kein Ordner</translation>
    </message>
</context>
<context>
    <name>SearchField</name>
    <message>
        <source>Search or create</source>
        <translation>Suchen oder anlegen</translation>
    </message>
    <message>
        <source>Search notes</source>
        <translation>Notizen durchsuchen</translation>
    </message>
    <message>
        <source>Shows the notes that hold every word typed. Enter opens the first, Ctrl+Enter creates a note, Esc clears the field.</source>
        <translation>Zeigt die Notizen, die jedes eingegebene Wort enthalten. Eingabe öffnet die erste, Strg+Eingabe legt eine Notiz an, Esc leert das Feld.</translation>
    </message>
    <message>
        <source>Notes found: %1</source>
        <translation>Gefundene Notizen: %1</translation>
    </message>
    <message>
        <source>Clear the search</source>
        <translation>Suche leeren</translation>
    </message>
</context>
<context>
    <name>SearchResultsModel</name>
    <message>
        <source>Searching the notes&apos; text…</source>
        <translation>Der Text der Notizen wird durchsucht …</translation>
    </message>
</context>
<context>
    <name>ShortcutsWindow</name>
    <message>
        <source>Keyboard Shortcuts</source>
        <translation>Tastenkürzel</translation>
    </message>
    <message>
        <source>Command</source>
        <translation>Befehl</translation>
    </message>
    <message>
        <source>Keys</source>
        <translation>Tasten</translation>
    </message>
    <message>
        <source>Keyboard shortcuts</source>
        <translation>Tastenkürzel</translation>
    </message>
    <message>
        <source>Every command and the keys that reach it</source>
        <translation>Jeder Befehl und die Tasten, die ihn auslösen</translation>
    </message>
    <message>
        <source>%1 (in the note list)</source>
        <translation>%1 (in der Notizliste)</translation>
    </message>
</context>
<context>
    <name>StatusCounts</name>
    <message>
        <source>Word and character count</source>
        <translation>Wörter und Zeichen</translation>
    </message>
    <message>
        <source>Selected: %L1 words, %L2 characters</source>
        <translation>Ausgewählt: %L1 Wörter, %L2 Zeichen</translation>
    </message>
    <message>
        <source>%L1 words, %L2 characters</source>
        <translation>%L1 Wörter, %L2 Zeichen</translation>
    </message>
</context>
</TS>
