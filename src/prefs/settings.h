// The program-wide settings: every preference with its default, as one plain value.
// The main window owns the one instance for the whole run, on the user-interface thread;
// the preference keys and their table are in preferencekeys.h.
#pragma once

#include "media/incrustrec.h"

#include <QString>

#include <cstdint>

struct TPreferences {
    // Main window bounds; the defaults of top and left centre the window on the screen.
    int32_t top = 0;
    int32_t left = 0;
    int32_t width = 596;
    int32_t height = 546;
    int32_t windowState = 0;  // 0 normal, 1 minimised, 2 maximised

    bool sendTo = false;
    bool selectWhenOpening = false;
    bool saveListWhenQuit = false;

    QString formatAjouterDatecode = QStringLiteral("dd.mm.yyyy_hh.nn.ss");
    QString formatAjouterTimecode = QStringLiteral("ddddd tt");
    QString formatAfficherDatecode = QStringLiteral("ddddd tt");
    QString formatRenommer = QStringLiteral("yyyymmdd_hh.nn.ss");

    // Default to the user's video and documents folders.
    QString folderToOpenFiles;
    QString folderToOpenAuto;
    QString folderForPlaylists;
    bool saveInSameFolder = true;
    QString folderWhereToSave;

    // The overlay record's stored fields, as codes (see IncrustSettingsFromPreferences).
    QString formatDate1 = QStringLiteral("ddddd");
    QString formatDate2 = QStringLiteral("tt");
    int32_t whenIncrust = 2;
    TfontRecord incrustFont;
    int32_t durationOfOverlay = 5;
    int32_t borderSize = 2;
    int32_t whatIncrust = 0;

    QString fichierF3;
    QString fichierF4;
    QString pelnixFile;

    int32_t frequenceDv = 2;  // index into 32000, 44100, 48000
    int32_t standardDv = 0;   // 0 Pal, 1 Ntsc
    int32_t ratioDv = 0;      // 0 4x3, 1 16x9
    QString sortIndex = QStringLiteral("alpha");
    int32_t sortOfShortcuts = 0;
    QString portablePath;     // the executable's folder at the last save
    int32_t view = 0;
    int32_t returnCount = 0;  // "Return": 1 once the program has run with these preferences
    int32_t volume = 5000;    // 0..10000
    bool muteOn = false;

    int32_t incrustPositionX = 920;
    int32_t incrustPositionY = 920;
    bool incrustSlidersVisible = false;
    int32_t alignement = 2;
    bool incrustOn = false;
    bool decalageAvance = false;
    QString formatOverlayDatecode1 = QStringLiteral("ddddd");
    QString formatOverlayDatecode2 = QStringLiteral("tt");
    double timeDifference = 0;  // days
    QString texte1 = kDefaultPersonalTemplate1;
    QString texte2 = kDefaultPersonalTemplate2;
    bool listeGauche = false;
    int32_t intervalle = 30;
    QString templateRenommer = QStringLiteral("video'%D.avi");
    bool datecodeAvant = false;
    bool timcodeAvant = false;
    int32_t formatDuree = 0;
    bool deinterlace = true;
    bool loadPelnix = true;

    bool operator==(const TPreferences &) const = default;
};

// The shared overlay state as the preferences hold it; codes that name nothing give
// their defaults. The templates follow the kind of inlay with the personal texts.
TIncrustSettings IncrustSettingsFromPreferences(const TPreferences &preferences);
void StoreIncrustSettings(TPreferences &preferences, const TIncrustSettings &incrust);
