<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr">
<context>
    <name>ContentView</name>
    <message>
        <source>No note selected</source>
        <translation>Aucune note sélectionnée</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Fichier</translation>
    </message>
    <message>
        <source>New &amp;Window</source>
        <translation>Nouvelle &amp;fenêtre</translation>
    </message>
    <message>
        <source>&amp;Close Window</source>
        <translation>Fe&amp;rmer la fenêtre</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Quitter</translation>
    </message>
    <message>
        <source>Note</source>
        <translation>Note</translation>
    </message>
    <message>
        <source>New</source>
        <translation>Nouveau</translation>
    </message>
    <message>
        <source>New note</source>
        <translation>Nouvelle note</translation>
    </message>
    <message>
        <source>Rename</source>
        <translation>Renommer</translation>
    </message>
    <message>
        <source>Rename note</source>
        <translation>Renommer la note</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Supprimer</translation>
    </message>
    <message>
        <source>Delete note</source>
        <translation>Supprimer la note</translation>
    </message>
    <message>
        <source>Always on top</source>
        <translation>Toujours au premier plan</translation>
    </message>
    <message>
        <source>Rename Note</source>
        <translation>Renommer la note</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Nom</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Delete this note?</source>
        <translation>Supprimer cette note&#xa0;?</translation>
    </message>
    <message>
        <source>It will be moved to the Trash.</source>
        <translation>Elle sera placée dans la corbeille.</translation>
    </message>
</context>
<context>
    <name>MarkdownView</name>
    <message>
        <source>(%1 more characters of this block are not shown.)</source>
        <translation>(%1 autres caractères de ce bloc ne sont pas affichés.)</translation>
    </message>
</context>
<context>
    <name>NoteStore</name>
    <message>
        <source>Could not create the notes folder “%1”: %2</source>
        <translation>Impossible de créer le dossier des notes «&#xa0;%1&#xa0;»&#xa0;: %2</translation>
    </message>
    <message>
        <source>Could not create the note “%1”: %2</source>
        <translation>Impossible de créer la note «&#xa0;%1&#xa0;»&#xa0;: %2</translation>
    </message>
    <message>
        <source>Could not rename “%1” to “%2”: %3</source>
        <translation>Impossible de renommer «&#xa0;%1&#xa0;» en «&#xa0;%2&#xa0;»&#xa0;: %3</translation>
    </message>
    <message>
        <source>Could not move “%1” to the trash: %2</source>
        <translation>Impossible de placer «&#xa0;%1&#xa0;» dans la corbeille&#xa0;: %2</translation>
    </message>
    <message>
        <source>“%1” is shown read-only and will not be changed: %2</source>
        <translation>«&#xa0;%1&#xa0;» est affichée en lecture seule et ne sera pas modifiée&#xa0;: %2</translation>
    </message>
    <message>
        <source>Could not save “%1”: %2</source>
        <translation>Impossible d’enregistrer «&#xa0;%1&#xa0;»&#xa0;: %2</translation>
    </message>
    <message>
        <source>“%1” was changed by another program, and that version could not be kept: %2</source>
        <translation>«&#xa0;%1&#xa0;» a été modifiée par un autre programme, et cette version n’a pas pu être conservée&#xa0;: %2</translation>
    </message>
    <message>
        <source>“%1” was changed by another program; that version is kept as “%2”.</source>
        <translation>«&#xa0;%1&#xa0;» a été modifiée par un autre programme&#xa0;; cette version est conservée sous le nom «&#xa0;%2&#xa0;».</translation>
    </message>
    <message>
        <source>Could not save a copy as “%1”: %2</source>
        <translation>Impossible d’enregistrer une copie sous «&#xa0;%1&#xa0;»&#xa0;: %2</translation>
    </message>
    <message>
        <source>Its file name is not valid UTF-8; give it a new name to edit it</source>
        <translation>Son nom de fichier n’est pas de l’UTF-8 valide&#xa0;; renommez-la pour la modifier</translation>
    </message>
    <message>
        <source>Could not save “%1”: the file there cannot be read to keep it: %2</source>
        <translation>Impossible d’enregistrer «&#xa0;%1&#xa0;»&#xa0;: le fichier existant ne peut pas être lu, donc pas conservé&#xa0;: %2</translation>
    </message>
    <message>
        <source> (conflict %1)</source>
        <translation> (conflit %1)</translation>
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
        <translation>Vos dernières modifications n’ont pas pu être enregistrées avant de quitter.</translation>
    </message>
    <message>
        <source>Save As…</source>
        <translation>Enregistrer sous…</translation>
    </message>
    <message>
        <source>Discard Changes</source>
        <translation>Abandonner les modifications</translation>
    </message>
    <message>
        <source>Back to Penwick</source>
        <translation>Revenir à Penwick</translation>
    </message>
    <message>
        <source>Save Note As</source>
        <translation>Enregistrer la note sous</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>The file is not valid UTF-8 text</source>
        <translation>Le fichier n’est pas un texte UTF-8 valide</translation>
    </message>
    <message>
        <source>The trash folder %1 cannot be made</source>
        <translation>Le dossier de la corbeille %1 ne peut pas être créé</translation>
    </message>
    <message>
        <source>The trash did not take the file</source>
        <translation>La corbeille n’a pas accepté le fichier</translation>
    </message>
    <message>
        <source>Unknown error %1</source>
        <translation>Erreur inconnue %1</translation>
    </message>
    <message>
        <source>It is a folder, not a file</source>
        <translation>C’est un dossier, pas un fichier</translation>
    </message>
    <message>
        <source>It is a named pipe, not a file</source>
        <translation>C’est un tube nommé, pas un fichier</translation>
    </message>
    <message>
        <source>It is a socket, not a file</source>
        <translation>C’est un socket, pas un fichier</translation>
    </message>
    <message>
        <source>It is a device, not a file</source>
        <translation>C’est un périphérique, pas un fichier</translation>
    </message>
    <message>
        <source>It is not a regular file</source>
        <translation>Ce n’est pas un fichier ordinaire</translation>
    </message>
    <message>
        <source>The file is too large to open</source>
        <translation>Le fichier est trop volumineux pour être ouvert</translation>
    </message>
    <message>
        <source>The file changed while it was read</source>
        <translation>Le fichier a changé pendant sa lecture</translation>
    </message>
    <message>
        <source>“%1” is a file, not a folder</source>
        <translation>«&#xa0;%1&#xa0;» est un fichier, pas un dossier</translation>
    </message>
</context>
</TS>
