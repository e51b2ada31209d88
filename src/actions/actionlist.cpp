#include "actions/actionlist.h"

#include <array>

namespace {

enum class Kind { OneState, TwoState };

struct ActionRow {
    const char *name;
    Kind kind;
    const char *category;
    const char *caption;         // of the unchecked state
    const char *checkedCaption;  // two-state actions
    const char *shortcuts;       // portable key texts, "; " between them
    const char *switchName;
    const char *token;
};

constexpr Kind k1 = Kind::OneState;
constexpr Kind k2 = Kind::TwoState;

// clang-format off
constexpr std::array kActionRows = {
    ActionRow{"saQuitter", k1, "permanent", "Quit", "", "Alt+F4; Ctrl+Q", "qt", "quit"},
    ActionRow{"saCollerFichiers", k1, "open", "Paste files", "", "Ctrl+V", "v", "paste"},
    ActionRow{"saOuvrirFichiers", k1, "open", "Open...", "", "Ctrl+O", "o", "openfiles"},
    ActionRow{"saInterrompre", k1, "permanent", "Abort", "", "Esc", "", ""},
    ActionRow{"saOrdreAlpha", k1, "tri", "Alphabetical order", "", "Alt+A", "sa", "sortalpha"},
    ActionRow{"saOuvrirDossierPrefere", k1, "open", "Open the preferred folder", "", "F7", "f7", "openpreferred"},
    ActionRow{"ccDossierParent", k1, "mono", "Parent folder", "", "Ctrl+F", "f", "parent"},
    ActionRow{"ccConvertirDV1", k1, "multi", "Convert in type 1", "", "Ctrl+Num+1; Ctrl+Shift+1", "1", "converttype1"},
    ActionRow{"ccSupprimerFichier", k1, "multi", "Delete the files", "", "Shift+Del", "del", "delete"},
    ActionRow{"saSelectionnerTout", k1, "list", "Select all", "", "Ctrl+A", "a", "selectall"},
    ActionRow{"saOuvrirTout", k1, "open", "Open all", "", "Ctrl+F7", "oa", "openall"},
    ActionRow{"saOuvrirunDossier", k1, "open", "Open a folder...", "", "Ctrl+L", "l", "openfolder"},
    ActionRow{"saInterrompreTous", k1, "permanent", "Abort all", "", "Shift+Esc", "", ""},
    ActionRow{"saSauverListe", k1, "list", "Save the list as...", "", "Ctrl+S", "s", "savelist"},
    ActionRow{"saOuvrirPlayList", k1, "open", "Open a playlist...", "", "Ctrl+U", "u", "playlist"},
    ActionRow{"saOuvrirDefaultPlayList", k1, "open", "Open the default playlist", "", "Shift+F7", "dp", "defaultplaylist"},
    ActionRow{"saTriTaille", k1, "tri", "Sort by size", "", "Alt+S", "ss", "sortbysize"},
    ActionRow{"saTrierModify", k1, "tri", "Sort by filedate", "", "Alt+F", "sf", "sortbyfiledate"},
    ActionRow{"ccOpenFichierF3", k1, "multi", "Open with...", "", "F3", "f3", "openf3"},
    ActionRow{"ccOpenFichierF4", k1, "multi", "Open with...", "", "F4", "f4", "openf4"},
    ActionRow{"saOuvrirScript", k1, "open", "Launch a script", "", "Ctrl+Shift+L", "os", "openscript"},
    ActionRow{"saTriDatecode", k1, "tri", "Sort by datecode", "", "Alt+D", "sd", "sortbydate"},
    ActionRow{"saViderListe", k1, "list", "Empty the list", "", "Ctrl+Del", "el", "emptylist"},
    ActionRow{"taBasculerListe", k2, "mono", "Show the list", "Hide the list", "F6", "f6", "showlist"},
    ActionRow{"taApropos", k2, "permanent", "About...", "Close the \"About\" panel", "F1", "f1", "about"},
    ActionRow{"taOptions", k2, "permanent", "Settings", "Close the settings panel", "F10", "f10", "options"},
    ActionRow{"taFullscreen", k2, "mono", "Fullscreen", "Quit the fullscreen", "Alt+Return; Ctrl+F11", "fs", "fullscreen"},
    ActionRow{"taSelectionnerOuverts", k2, "open", "Select the files when opened", "Do not select the files when opened", "", "so", "selectwhenopen"},
    ActionRow{"saOterFichier", k1, "multi", "Remove the files", "", "Del", "rem", "remove"},
    ActionRow{"taRaccourcis", k2, "permanent", "Display the shortcuts", "Hide the shortcuts", "F11", "f11", "shortcuts"},
    ActionRow{"saPlayStop", k2, "mono", "Play", "Pause", "Space; Ctrl+Space", "py", "play"},
    ActionRow{"saIncVolume", k1, "mono", "Increase the volume", "", "Num++", "iv", "incvolume"},
    ActionRow{"saDecVolume", k1, "mono", "Decrease the volume", "", "Num+-", "dv", "decvolume"},
    ActionRow{"saNextFrame", k1, "Naviguer", "Move forward one frame", "", "Ctrl+Right", "nf", "nextframe"},
    ActionRow{"saNextSecond", k1, "Naviguer", "Move forward one second", "", "Ctrl+Down", "ns", "nextsecond"},
    ActionRow{"saNextMinute", k1, "Naviguer", "Move forward one minute", "", "Ctrl+PgDown", "nm", "nextminute"},
    ActionRow{"saAvanceEnd", k1, "Naviguer", "Move to the end", "", "Ctrl+End", "ne", "end"},
    ActionRow{"saNextScene", k1, "Naviguer", "Move forward to next scene", "", "F9", "f9", "nextscene"},
    ActionRow{"saPreviousFrame", k1, "Naviguer", "Move back one frame", "", "Ctrl+Left", "pf", "previousframe"},
    ActionRow{"saPreviousSecond", k1, "Naviguer", "Move back one second", "", "Ctrl+Up", "ps", "previoussecond"},
    ActionRow{"saPreviousMinute", k1, "Naviguer", "Move back one minute", "", "Ctrl+PgUp", "pm", "previousminute"},
    ActionRow{"saHome", k1, "Naviguer", "Move back to start", "", "Ctrl+Home", "ph", "home"},
    ActionRow{"saPreviousScene", k1, "Naviguer", "Move back to previous scene", "", "F8", "f8", "previousscene"},
    ActionRow{"saTriTimecode", k1, "tri", "Sort by timecode", "", "Alt+T", "st", "sorttimecode"},
    ActionRow{"saTriDuree", k1, "tri", "Sorted by duration", "", "Alt+U", "su", "sortduration"},
    ActionRow{"taMute", k2, "mono", "Turn sound off", "Turn sound on", "Ctrl+M", "m", "mute"},
    ActionRow{"taAfficherIncrustation", k2, "mono", "Display the inlay", "Hide  inlay", "Alt+I", "di", "displayinlay"},
    ActionRow{"taEditerIncrust", k2, "mono", "Edit the inlay", "Stop editing the Inlay", "Alt+J", "ei", "editinlay"},
    ActionRow{"ccDecalageHoraire", k1, "multi", "Add a time difference", "", "", "td", "timedifference"},
    ActionRow{"taEditerScenes", k2, "mono", "Edit the scenes", "Quit the Scenes Editor", "Alt+E", "es", "editscenes"},
    ActionRow{"saEnregistrerScn", k1, "Scenes", "Save the scn file", "", "", "scn", "savescn"},
    ActionRow{"saSupprimerScene", k1, "Scenes", "Delete a scene", "", "", "ds", "deletescene"},
    ActionRow{"saInsererScene", k1, "Scenes", "Insert a scene", "", "", "is", "insertscene"},
    ActionRow{"taListeGauche", k2, "mono", "List at right", "List at Left", "Alt+W", "ww", "mirror"},
    ActionRow{"taVideoSeule", k2, "mono", "Display the video only", "Complete Display", "Ctrl+Return", "vo", "videoonly"},
    ActionRow{"ccCreerScnByDate", k1, "multi", "Create a scn file by datecode", "", "", "cd", "createscnbydate"},
    ActionRow{"ccCutScenes", k1, "multi", "Split in scenes", "", "Ctrl+C", "c", "cutscenes"},
    ActionRow{"ccConvertirDV2", k1, "multi", "Convert in type 2", "", "Ctrl+Num+2; Ctrl+Shift+2", "2", "converttype2"},
    ActionRow{"ccRecompresserDV2", k1, "multi", "Recompress into DV type 2", "", "Ctrl+G", "g", "recompressdv2"},
    ActionRow{"ccCorrigerType2", k1, "multi", "Fix the DV type 2", "", "Ctrl+Shift+2", "ft", "fixtype2"},
    ActionRow{"ccConvertirNTSC", k1, "multi", "Convert in NTSC", "", "Ctrl+N", "n", "convertntsc"},
    ActionRow{"ccConvertirPal", k1, "multi", "Convert in Pal", "", "Ctrl+P", "p", "convertpal"},
    ActionRow{"ccIncruster", k1, "multi", "Inlay in the video", "", "Ctrl+I", "i", "inlay"},
    ActionRow{"ccDecalerHoraire", k1, "multi", "Fix a time difference", "", "Ctrl+E", "e", "settimedifference"},
    ActionRow{"ccExtraireAudio", k1, "multi", "Extract audio", "", "Ctrl+W", "w", "extractaudio"},
    ActionRow{"ccCreerScnByContenu", k1, "multi", "Create a scn file with content", "", "Ctrl+;", "$", "createscnbycontent"},
    ActionRow{"ccSupprimerScn", k1, "multi", "Delete the scn file", "", "Ctrl+Z", "z", "deletescn"},
    ActionRow{"ccCreerSrt", k1, "multi", "Create a srt file with subtitles", "", "Ctrl+Shift+S", "sr", "createsrt"},
    ActionRow{"ccSupprimerSrt", k1, "multi", "Delete the srt file", "", "Ctrl+Shift+Z", "dt", "deletesrt"},
    ActionRow{"ccExporterScenesTexte", k1, "multi", "Export the scenes as text", "", "Ctrl+X", "x", "exportscntext"},
    ActionRow{"ccExporterScenesExcel", k1, "multi", "Export the scenes to Excel", "", "Ctrl+Shift+X", "xe", "exportexcel"},
    ActionRow{"ccPelnix", k1, "multi", "Open with Pelnix", "", "F2", "f2", "pelnix"},
    ActionRow{"ccDefaultPlayer", k1, "mono", "Play with the default media player", "", "F5", "f5", "defaultplayer"},
    ActionRow{"saRiffHeader", k1, "mono", "Read the RIFF header", "", "Ctrl+H", "h", "riffheader"},
    ActionRow{"ccFrequenceVideo", k1, "multi", "Fix the video framerate", "", "Ctrl+Y", "y", "frequency"},
    ActionRow{"ccModifierCodec", k1, "multi", "Change the codec", "", "Ctrl+K", "k", "codec"},
    ActionRow{"ccAjouterDatecode", k1, "Renommer", "Add datecode", "", "Ctrl+D", "d", "adddatecode"},
    ActionRow{"ccAjouterTimecode", k1, "Renommer", "Add timecode", "", "Ctrl+T", "t", "addtimecode"},
    ActionRow{"ccRenommer", k1, "Renommer", "Rename", "", "Ctrl+R", "r", "rename"},
    ActionRow{"ccDateFichier", k1, "multi", "Modify the date of file", "", "Ctrl+B", "b", "changefiledate"},
    ActionRow{"ccPurgerNom", k1, "Renommer", "Shorten the name", "", "Ctrl+Q", "sh", "shorten"},
    ActionRow{"ccExporterScenesCalc", k1, "multi", "Export the scenes to OOo.Calc", "", "", "ec", "exportooocalc"},
    ActionRow{"ccExporterScenesWriter", k1, "multi", "Export the scenes to OOo.Writer", "", "", "ew", "exportooowriter"},
    ActionRow{"ccExporterScenesWord", k1, "multi", "Export the scenes to Word", "", "", "xw", "exportword"},
    ActionRow{"ccConvertir16x9", k1, "multi", "Convert to 16x9", "", "", "16x9", "convert16x9"},
    ActionRow{"ccConvertir4x3", k1, "multi", "Convert to 4x3", "", "", "4x3", "convert4x3"},
    ActionRow{"saCopierImagedansPP", k1, "mono", "Copy the current image to the clipboard", "", "F12", "f12", "copyimage"},
    ActionRow{"ccCreerScnByIntervalle", k1, "multi", "Create a scn file with fixed durations", "", "Ctrl+Shift+;", "ci", "createscnbyinterval"},
    ActionRow{"saBarreListe", k1, "permanent", "List", "", "", "lb", "listbar"},
    ActionRow{"saBarreVideo", k1, "permanent", "Video", "", "", "vb", "videobar"},
    ActionRow{"saBarreScenes", k1, "permanent", "Scenes", "", "", "sb", "scenesbar"},
    ActionRow{"sabarreOuvrir", k1, "permanent", "Open", "", "", "ob", "openbar"},
    ActionRow{"saBarreInterface", k1, "permanent", "Interface", "", "", "ib", "interfacebar"},
    ActionRow{"saVueReduite", k1, "mono", "Reduced size", "", "Ctrl+F6", "rd", "reduce"},
    ActionRow{"taEditerTitres", k2, "Scenes", "Edit the title", "Finish editing titles", "", "", ""},
    ActionRow{"taDeinterlace", k2, "mono", "Deinterlace", "Stop deinterlacing", "Ctrl+F12", "di", "deinterlace"},
    ActionRow{"saDureeTotale", k1, "list", "Total duration of videos", "", "Ctrl+J", "", ""},
    ActionRow{"ccIntroduireDatecode", k1, "multi", "Overwrite a datecode", "", "Ctrl+Shift+E", "od", "overwritedatecode"},
};
// clang-format on

// Actions whose thing starts switched on, and the one that starts hidden.
constexpr std::array kInitiallyChecked = {"taBasculerListe", "saBarreListe", "saBarreVideo", "sabarreOuvrir",
                                          "saBarreInterface"};
constexpr const char *kInitiallyHidden = "saBarreScenes";

bool IsIn(const char *name, const auto &names)
{
    for (const char *n : names)
        if (QLatin1String(n) == QLatin1String(name))
            return true;
    return false;
}

}  // namespace

TActionList::TActionList(TActionParams &params)
{
    for (const ActionRow &row : kActionRows) {
        const QString name = QString::fromLatin1(row.name);
        const QString category = QString::fromLatin1(row.category);
        std::unique_ptr<TCustomSuperAction> action;
        if (row.kind == Kind::TwoState) {
            auto toggle = std::make_unique<TtoggleAction>(name, category, params);
            toggle->FalseCaption = QString::fromUtf8(row.caption);
            toggle->TrueCaption = QString::fromUtf8(row.checkedCaption);
            action = std::move(toggle);
        } else {
            action = std::make_unique<TSuperAction>(name, category, params);
            action->Caption = QString::fromUtf8(row.caption);
        }
        action->SetSwitch(QString::fromLatin1(row.switchName));
        action->SetToken(QString::fromLatin1(row.token));
        action->Shortcuts = QKeySequence::listFromString(QString::fromLatin1(row.shortcuts), QKeySequence::PortableText);
        action->SetChecked(IsIn(row.name, kInitiallyChecked));
        action->Visible = QLatin1String(row.name) != QLatin1String(kInitiallyHidden);
        actions_.push_back(std::move(action));
    }
}

TCustomSuperAction *TActionList::Find(const QString &name) const
{
    for (const auto &action : actions_)
        if (action->Name() == name)
            return action.get();
    return nullptr;
}

TSuperAction *TActionList::FindSuper(const QString &name) const
{
    return dynamic_cast<TSuperAction *>(Find(name));
}

TtoggleAction *TActionList::FindToggle(const QString &name) const
{
    return dynamic_cast<TtoggleAction *>(Find(name));
}

TCustomSuperAction *TActionList::FindBySwitchOrToken(const QString &name) const
{
    const QString key = name.toLower();
    if (key.isEmpty())
        return nullptr;
    for (const auto &action : actions_)
        if (action->Switch() == key || action->Token() == key)
            return action.get();
    return nullptr;
}

TCustomSuperAction *TActionList::FindByShortcut(const QKeySequence &key) const
{
    for (const auto &action : actions_)
        if (action->Shortcuts.contains(key))
            return action.get();
    return nullptr;
}
