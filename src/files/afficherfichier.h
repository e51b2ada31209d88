// The items the command engine makes for new or reloaded files; they behave
// exactly as TaviFichier and exist so the engine's items can be told apart.
#pragma once

#include "files/avifichier.h"

class TAfficherFichier : public TaviFichier {
public:
    using TaviFichier::TaviFichier;
};
