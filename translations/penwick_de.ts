<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>ContentView</name>
    <message>
        <source>No note selected</source>
        <translation>Keine Notiz ausgewählt</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>New &amp;Window</source>
        <translation>Neues &amp;Fenster</translation>
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
</TS>
