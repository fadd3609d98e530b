#pragma once
// Apparence des contrôles, choisie une fois pour tout le programme.

// À appeler avant la création de l'application ; les appels suivants ne font rien.
void InitialisationXPTheme();
