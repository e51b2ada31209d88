#include "prefs/preferencekeys.h"

#include <algorithm>
#include <vector>

namespace {

using P = TPreferences;
using D = TPreferenceDefault;

// The key names are the program's own texts, some French, some misspelt on purpose:
// preferences saved by earlier versions must keep reading.
const TPreferenceKey kKeys[] = {
    {QStringLiteral("Top"), &P::top, D::kCentredTop},
    {QStringLiteral("Left"), &P::left, D::kCentredLeft},
    {QStringLiteral("Width"), &P::width},
    {QStringLiteral("Height"), &P::height},
    {QStringLiteral("WindoState"), &P::windowState},
    {QStringLiteral("SendTo"), &P::sendTo},
    {QStringLiteral("Select when opening"), &P::selectWhenOpening},
    {QStringLiteral("Save list when quit"), &P::saveListWhenQuit},
    {QStringLiteral("Format pour Ajouter Datecode"), &P::formatAjouterDatecode},
    {QStringLiteral("Format pour Ajouter Timecode"), &P::formatAjouterTimecode},
    {QStringLiteral("Format pour Afficher Datecode"), &P::formatAfficherDatecode},
    {QStringLiteral("Format pour Renommer"), &P::formatRenommer},
    {QStringLiteral("Folder to open files"), &P::folderToOpenFiles, D::kVideoFolder},
    {QStringLiteral("Folder to open auto"), &P::folderToOpenAuto, D::kVideoFolder},
    {QStringLiteral("Folder for playlists"), &P::folderForPlaylists, D::kDocumentsFolder},
    {QStringLiteral("Save in the same folder"), &P::saveInSameFolder},
    {QStringLiteral("Folder where to save"), &P::folderWhereToSave, D::kVideoFolder},
    {QStringLiteral("formatdate1"), &P::formatDate1},
    {QStringLiteral("formatdate2"), &P::formatDate2},
    {QStringLiteral("When Incrust"), &P::whenIncrust},
    {QStringLiteral("IncrustFont"), &P::incrustFont},
    {QStringLiteral("Duration of overlay"), &P::durationOfOverlay},
    {QStringLiteral("Border Size"), &P::borderSize},
    {QStringLiteral("What Incrust"), &P::whatIncrust},
    {QStringLiteral("Fichier F3"), &P::fichierF3},
    {QStringLiteral("Fichier F4"), &P::fichierF4},
    {QStringLiteral("Pelnix File"), &P::pelnixFile},
    {QStringLiteral("Frequence DV"), &P::frequenceDv},
    {QStringLiteral("standard DV"), &P::standardDv},
    {QStringLiteral("ratio DV"), &P::ratioDv},
    {QStringLiteral("Sort index"), &P::sortIndex},
    {QStringLiteral("Sort of shortcuts"), &P::sortOfShortcuts},
    {QStringLiteral("Portable Path"), &P::portablePath},
    {QStringLiteral("View"), &P::view},
    {QStringLiteral("Return"), &P::returnCount},
    {QStringLiteral("Volume"), &P::volume},
    {QStringLiteral("is Mute on"), &P::muteOn},
    {QStringLiteral("Incrust positionX"), &P::incrustPositionX},
    {QStringLiteral("Incrust positionY"), &P::incrustPositionY},
    {QStringLiteral("Incrust Sliders Visible"), &P::incrustSlidersVisible},
    {QStringLiteral("Alignement"), &P::alignement},
    {QStringLiteral("is Incrust On"), &P::incrustOn},
    {QStringLiteral("Decalage avanc\u00e9"), &P::decalageAvance},
    {QStringLiteral("Format to overlay Datecode1"), &P::formatOverlayDatecode1},
    {QStringLiteral("Format to overlay Datecode2"), &P::formatOverlayDatecode2},
    {QStringLiteral("Time difference"), &P::timeDifference},
    {QStringLiteral("texte1"), &P::texte1},
    {QStringLiteral("texte2"), &P::texte2},
    {QStringLiteral("liste gauche"), &P::listeGauche},
    {QStringLiteral("intervalle"), &P::intervalle},
    {QStringLiteral("template renommer"), &P::templateRenommer},
    {QStringLiteral("Datecode avant"), &P::datecodeAvant},
    {QStringLiteral("Timcode avant"), &P::timcodeAvant},
    {QStringLiteral("Format Dur\u00e9e"), &P::formatDuree},
    {QStringLiteral("Deinterlace"), &P::deinterlace},
    {QStringLiteral("Load Pelnix"), &P::loadPelnix},
};

// The defaults of the machine-dependent keys, filled into a default-constructed value.
void FillDefault(TPreferences &defaults, const TPreferenceKey &key, const TPreferences &read,
                 const TPreferenceEnvironment &environment)
{
    switch (key.defaultRule) {
    case D::kField:
        break;
    case D::kCentredTop:
        defaults.*std::get<int32_t P::*>(key.field) = (environment.screen.height() - read.height) / 2;
        break;
    case D::kCentredLeft:
        defaults.*std::get<int32_t P::*>(key.field) = (environment.screen.width() - read.width) / 2;
        break;
    case D::kVideoFolder:
        defaults.*std::get<QString P::*>(key.field) = environment.videoFolder;
        break;
    case D::kDocumentsFolder:
        defaults.*std::get<QString P::*>(key.field) = environment.documentsFolder;
        break;
    }
}

void ReadKey(const TPreferenceLines &lines, const TPreferenceKey &key, TPreferences &read,
             const TPreferenceEnvironment &environment)
{
    TPreferences defaults;
    FillDefault(defaults, key, read, environment);
    std::visit(
        [&](auto member) {
            using Value = std::remove_reference_t<decltype(read.*member)>;
            const Value &fallback = defaults.*member;
            if constexpr (std::is_same_v<Value, bool>)
                read.*member = lines.ReadBool(key.name, fallback);
            else if constexpr (std::is_same_v<Value, int32_t>)
                read.*member = lines.ReadInteger(key.name, fallback);
            else if constexpr (std::is_same_v<Value, QString>)
                read.*member = lines.ReadString(key.name, fallback);
            else if constexpr (std::is_same_v<Value, double>)
                read.*member = lines.ReadFloat(key.name, fallback);
            else
                read.*member = lines.ReadFont(key.name, fallback);
        },
        key.field);
}

bool IsWindowSize(const TPreferenceKey *key)
{
    return key->field == TPreferenceField(&P::width) || key->field == TPreferenceField(&P::height);
}

}  // namespace

std::span<const TPreferenceKey> PreferenceKeys()
{
    return kKeys;
}

TPreferences ReadPreferenceKeys(const TPreferenceLines &lines, const TPreferenceEnvironment &environment)
{
    std::vector<const TPreferenceKey *> order;
    for (const TPreferenceKey &key : kKeys)
        order.push_back(&key);
    std::stable_partition(order.begin(), order.end(), IsWindowSize);

    TPreferences read;
    for (const TPreferenceKey *key : order)
        ReadKey(lines, *key, read, environment);
    return read;
}

void WritePreferenceKeys(TPreferenceLines &lines, const TPreferences &preferences)
{
    for (const TPreferenceKey &key : kKeys) {
        std::visit(
            [&](auto member) {
                using Value = std::remove_cvref_t<decltype(preferences.*member)>;
                const Value &value = preferences.*member;
                if constexpr (std::is_same_v<Value, bool>)
                    lines.WriteBool(key.name, value);
                else if constexpr (std::is_same_v<Value, int32_t>)
                    lines.WriteInteger(key.name, value);
                else if constexpr (std::is_same_v<Value, QString>)
                    lines.WriteString(key.name, value);
                else if constexpr (std::is_same_v<Value, double>)
                    lines.WriteFloat(key.name, value);
                else
                    lines.WriteFont(key.name, value);
            },
            key.field);
    }
}
