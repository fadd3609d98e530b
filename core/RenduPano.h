#pragma once
// Rendu après assemblage : fondu des recouvrements et reprise d'harmonisation.

void FiltrerRecouvrements();
bool ReprendreHarmonisation(int k);
