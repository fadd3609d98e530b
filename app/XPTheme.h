#pragma once
// Apparence des contrôles, choisie une fois pour tout le programme.

// À appeler avant la création de l'application ; les appels suivants ne font rien.
void InitialisationXPTheme();

// Textes de Qt (dialogues de fichiers, menus des champs) en français, quelle
// que soit la langue du poste ; à appeler une fois, l'application créée.
// False quand les traductions de Qt ne sont pas installées.
bool ChargerTraductionsQt();
