<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr">
<context>
    <name>AboutDialog</name>
    <message>
        <source>About Penwick</source>
        <translation>À propos de Penwick</translation>
    </message>
    <message>
        <source>Built with Qt %1, QScintilla %2, md4c and ICU %3.</source>
        <translation>Conçu avec Qt %1, QScintilla %2, md4c et ICU %3.</translation>
    </message>
    <message>
        <source>Penwick %1</source>
        <translation>Penwick %1</translation>
    </message>
    <message>
        <source>A Markdown notes editor.</source>
        <translation>Un éditeur de notes en Markdown.</translation>
    </message>
    <message>
        <source>Licence: GNU General Public License, version 3 or later (GPL-3.0-or-later).</source>
        <translation>Licence&#xa0;: GNU General Public License, version 3 ou ultérieure (GPL-3.0-or-later).</translation>
    </message>
</context>
<context>
    <name>Commands</name>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Fichier</translation>
    </message>
    <message>
        <source>&amp;New Note</source>
        <translation>&amp;Nouvelle note</translation>
    </message>
    <message>
        <source>New &amp;Window</source>
        <translation>Nouvelle &amp;fenêtre</translation>
    </message>
    <message>
        <source>&amp;Rename…</source>
        <translation>&amp;Renommer…</translation>
    </message>
    <message>
        <source>Move to &amp;Trash</source>
        <translation>Placer dans la &amp;corbeille</translation>
    </message>
    <message>
        <source>&amp;Close Window</source>
        <translation>Fermer la fenê&amp;tre</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Quitter</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Édition</translation>
    </message>
    <message>
        <source>&amp;Undo</source>
        <translation>&amp;Annuler</translation>
    </message>
    <message>
        <source>&amp;Redo</source>
        <translation>&amp;Rétablir</translation>
    </message>
    <message>
        <source>Cu&amp;t</source>
        <translation>Co&amp;uper</translation>
    </message>
    <message>
        <source>&amp;Copy</source>
        <translation>&amp;Copier</translation>
    </message>
    <message>
        <source>&amp;Paste</source>
        <translation>C&amp;oller</translation>
    </message>
    <message>
        <source>Select &amp;All</source>
        <translation>&amp;Tout sélectionner</translation>
    </message>
    <message>
        <source>&amp;Find…</source>
        <translation>Rec&amp;hercher…</translation>
    </message>
    <message>
        <source>Find &amp;Next</source>
        <translation>Occurrence &amp;suivante</translation>
    </message>
    <message>
        <source>Find Pre&amp;vious</source>
        <translation>Occurrence &amp;précédente</translation>
    </message>
    <message>
        <source>R&amp;eplace…</source>
        <translation>Re&amp;mplacer…</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Affichage</translation>
    </message>
    <message>
        <source>Zoom &amp;In</source>
        <translation>Zoom &amp;avant</translation>
    </message>
    <message>
        <source>Zoom &amp;Out</source>
        <translation>Zoom a&amp;rrière</translation>
    </message>
    <message>
        <source>&amp;Actual Size</source>
        <translation>&amp;Taille réelle</translation>
    </message>
    <message>
        <source>&amp;Full Screen</source>
        <translation>&amp;Plein écran</translation>
    </message>
    <message>
        <source>&amp;Go</source>
        <translation>A&amp;ller</translation>
    </message>
    <message>
        <source>&amp;Next Note</source>
        <translation>Note &amp;suivante</translation>
    </message>
    <message>
        <source>&amp;Previous Note</source>
        <translation>Note &amp;précédente</translation>
    </message>
    <message>
        <source>Note &amp;List</source>
        <translation>&amp;Liste des notes</translation>
    </message>
    <message>
        <source>Next P&amp;ane</source>
        <translation>&amp;Volet suivant</translation>
    </message>
    <message>
        <source>Previous Pan&amp;e</source>
        <translation>V&amp;olet précédent</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>Ai&amp;de</translation>
    </message>
    <message>
        <source>&amp;Keyboard Shortcuts</source>
        <translation>&amp;Raccourcis clavier</translation>
    </message>
    <message>
        <source>&amp;About Penwick</source>
        <translation>À &amp;propos de Penwick</translation>
    </message>
</context>
<context>
    <name>ContentView</name>
    <message>
        <source>No note selected</source>
        <translation>Aucune note sélectionnée</translation>
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
    <message>
        <source>A note named “%1” already exists.</source>
        <translation>Une note nommée «&#xa0;%1&#xa0;» existe déjà.</translation>
    </message>
    <message>
        <source>%1 in the note list</source>
        <translation>%1 dans la liste des notes</translation>
    </message>
    <message>
        <source>Notes</source>
        <translation>Notes</translation>
    </message>
    <message>
        <source>All notes, newest first</source>
        <translation>Toutes les notes, les plus récentes d’abord</translation>
    </message>
    <message>
        <source>Note text</source>
        <translation>Texte de la note</translation>
    </message>
    <message>
        <source>The Markdown text of the selected note</source>
        <translation>Le texte Markdown de la note sélectionnée</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>Aperçu</translation>
    </message>
    <message>
        <source>The selected note, formatted</source>
        <translation>La note sélectionnée, mise en forme</translation>
    </message>
    <message>
        <source>Words and characters of the note or the selection</source>
        <translation>Mots et caractères de la note ou de la sélection</translation>
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
        <translation>Barre de recherche</translation>
    </message>
    <message>
        <source>Finds and replaces text in the note</source>
        <translation>Recherche et remplace du texte dans la note</translation>
    </message>
    <message>
        <source>Find</source>
        <translation>Rechercher</translation>
    </message>
    <message>
        <source>Text to find in the note</source>
        <translation>Texte à rechercher dans la note</translation>
    </message>
    <message>
        <source>Replace with</source>
        <translation>Remplacer par</translation>
    </message>
    <message>
        <source>Text that replaces each match</source>
        <translation>Texte qui remplace chaque occurrence</translation>
    </message>
    <message>
        <source>Match &amp;Case</source>
        <translation>Respecter la &amp;casse</translation>
    </message>
    <message>
        <source>Find only text in the same letter case</source>
        <translation>Ne trouver que le texte de même casse</translation>
    </message>
    <message>
        <source>&amp;Whole Words</source>
        <translation>&amp;Mots entiers</translation>
    </message>
    <message>
        <source>Find only whole words</source>
        <translation>Ne trouver que des mots entiers</translation>
    </message>
    <message>
        <source>Matches</source>
        <translation>Occurrences</translation>
    </message>
    <message>
        <source>Find notice</source>
        <translation>Message de recherche</translation>
    </message>
    <message>
        <source>Previous match</source>
        <translation>Occurrence précédente</translation>
    </message>
    <message>
        <source>Select the previous match (Shift+F3)</source>
        <translation>Sélectionner l’occurrence précédente (Maj+F3)</translation>
    </message>
    <message>
        <source>Next match</source>
        <translation>Occurrence suivante</translation>
    </message>
    <message>
        <source>Select the next match (F3)</source>
        <translation>Sélectionner l’occurrence suivante (F3)</translation>
    </message>
    <message>
        <source>&amp;Replace</source>
        <translation>&amp;Remplacer</translation>
    </message>
    <message>
        <source>Replace the selected match</source>
        <translation>Remplacer l’occurrence sélectionnée</translation>
    </message>
    <message>
        <source>Replace &amp;All</source>
        <translation>Remplacer &amp;tout</translation>
    </message>
    <message>
        <source>Replace every match</source>
        <translation>Remplacer chaque occurrence</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Fermer</translation>
    </message>
    <message>
        <source>Close the find bar (Esc)</source>
        <translation>Fermer la barre de recherche (Échap)</translation>
    </message>
    <message>
        <source>Close the find bar and return to the note</source>
        <translation>Fermer la barre de recherche et revenir à la note</translation>
    </message>
    <message>
        <source>Continued from the top</source>
        <translation>Reprise depuis le début</translation>
    </message>
    <message>
        <source>Continued from the bottom</source>
        <translation>Reprise depuis la fin</translation>
    </message>
    <message>
        <source>Replaced: %L1</source>
        <translation>Remplacées&#xa0;: %L1</translation>
    </message>
    <message>
        <source>No matches</source>
        <translation>Aucune occurrence</translation>
    </message>
    <message>
        <source>%L1 found</source>
        <translation>%L1 trouvées</translation>
    </message>
    <message>
        <source>%L1 of %L2</source>
        <translation>%L1 sur %L2</translation>
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
    <message>
        <source>“%1” was changed by another program; that version is kept in “%2”: %3</source>
        <translation>«&#xa0;%1&#xa0;» a été modifiée par un autre programme&#xa0;; cette version est conservée dans «&#xa0;%2&#xa0;»&#xa0;: %3</translation>
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
<context>
    <name>SearchField</name>
    <message>
        <source>Search or create</source>
        <translation>Rechercher ou créer</translation>
    </message>
    <message>
        <source>Search notes</source>
        <translation>Rechercher dans les notes</translation>
    </message>
    <message>
        <source>Shows the notes that hold every word typed. Enter opens the first, Ctrl+Enter creates a note, Esc clears the field.</source>
        <translation>Affiche les notes qui contiennent chaque mot saisi. Entrée ouvre la première, Ctrl+Entrée crée une note, Échap vide le champ.</translation>
    </message>
    <message>
        <source>Notes found: %1</source>
        <translation>Notes trouvées : %1</translation>
    </message>
    <message>
        <source>Clear the search</source>
        <translation>Effacer la recherche</translation>
    </message>
</context>
<context>
    <name>SearchResultsModel</name>
    <message>
        <source>Searching the notes&apos; text…</source>
        <translation>Recherche dans le texte des notes…</translation>
    </message>
</context>
<context>
    <name>ShortcutsWindow</name>
    <message>
        <source>Keyboard Shortcuts</source>
        <translation>Raccourcis clavier</translation>
    </message>
    <message>
        <source>Command</source>
        <translation>Commande</translation>
    </message>
    <message>
        <source>Keys</source>
        <translation>Touches</translation>
    </message>
    <message>
        <source>Keyboard shortcuts</source>
        <translation>Raccourcis clavier</translation>
    </message>
    <message>
        <source>Every command and the keys that reach it</source>
        <translation>Chaque commande et les touches qui la déclenchent</translation>
    </message>
    <message>
        <source>%1 (in the note list)</source>
        <translation>%1 (dans la liste des notes)</translation>
    </message>
</context>
<context>
    <name>StatusCounts</name>
    <message>
        <source>Word and character count</source>
        <translation>Nombre de mots et de caractères</translation>
    </message>
    <message>
        <source>Selected: %L1 words, %L2 characters</source>
        <translation>Sélection&#xa0;: %L1 mots, %L2 caractères</translation>
    </message>
    <message>
        <source>%L1 words, %L2 characters</source>
        <translation>%L1 mots, %L2 caractères</translation>
    </message>
</context>
</TS>
