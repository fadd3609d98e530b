#include "core/FenetrePano.h"

TFenetrePano* SeqPano = nullptr;
