#pragma once
// Séries d'images de test découpées dans une même scène synthétique (texture
// et amers rouges nets), avec décalages, dénivelés et petites rotations connus,
// et enregistrements munis de points de contrôle appariés exactement.

#include <cstdint>
#include <vector>

#include <QPointF>
#include <QString>

#include "core/UtilsPano.h"

// Place d'une image dans la scène : coin haut gauche avant rotation, et
// rotation (radians, sens trigonométrique de l'écran) autour du centre de
// l'image.
struct TPlacement
{
    int X = 0;
    int Y = 0;
    double Angle = 0.0;
};

struct TSerie
{
    Bitmap Scene;
    bool Periodique = false;  // scène qui se referme sur elle-même (tour d'horizon)
    int Largeur = 0;          // taille commune des images découpées
    int Hauteur = 0;
    std::vector<TPlacement> Placements;
    std::vector<QPoint> Amers;  // centres des amers rouges dans la scène
};

// Composantes de la texture : jamais un amer, jamais noir ni blanc.
constexpr int TexteMin = 30;
constexpr int TexteMax = 220;
constexpr int DemiAmer = 3;  // amer de 7 x 7 pixels

// Scène texturée déterministe avec des amers rouges purs aux positions données.
Bitmap CreerScene(int Largeur, int Hauteur, uint32_t Graine, const std::vector<QPoint>& Amers);

// Série de NbImages images Largeur x Hauteur, chacune à Pas colonnes de la
// précédente, dénivelés et angles donnés par image ; scène assez grande pour
// toutes (ou périodique de période NbImages * Pas).
TSerie CreerSerie(int NbImages, int Largeur, int Hauteur, int Pas, const std::vector<int>& Denivele,
                  const std::vector<double>& Angles, bool Periodique, uint32_t Graine = 1);

// Position réelle, dans l'image placée en P, d'un point de la scène, et l'inverse.
QPointF SceneVersImage(const TSerie& S, const TPlacement& P, QPointF Point);
QPointF ImageVersScene(const TSerie& S, const TPlacement& P, QPointF Point);

// Pixel (x, y) de l'image placée en P : échantillon le plus proche de la scène.
Bitmap DecouperImage(const TSerie& S, const TPlacement& P);

// Vide la liste d'images et l'état de l'assemblage (bitmaps et tampons libérés).
void ViderListe();

// Ajoute une image à ListeImgs comme le chargement : bitmap, nom, points et
// corrections initiaux, poids d'étapes. Renvoie son indice.
int AjouterImage(const Bitmap& Image, const QString& Nom);

// Crée le point suivant de l'image en (X, Y) et le renvoie (numéro 1..4).
int AjouterPoint(int NumImg, int X, int Y);
// Lie deux points dans les deux sens.
void RelierPoints(int ImgA, int PtA, int ImgB, int PtB);

// Charge la série dans ListeImgs (vidée d'abord) : une image par placement et
// deux paires de points entre voisines, aussi de la dernière à la première
// quand Boucle ; avec Horizon, deux points d'horizontalité par image sur une
// ligne horizontale de la scène.
void ChargerSerie(const TSerie& S, bool Boucle, bool Horizon = false);

// Colonne du panoramique où l'on attend la colonne X de la scène (image 0
// d'un panoramique ouvert au bord gauche).
struct TAttendu
{
    int DecalX;  // colonne de scène de la colonne 0 du panoramique
    int DecalY;  // ligne de scène de la ligne 0 du panoramique
};
TAttendu RepereAttendu(const TSerie& S);

// Centres des taches rouges pures du bitmap, trouvés par composantes connexes.
std::vector<QPointF> TrouverAmers(const Bitmap& B);
