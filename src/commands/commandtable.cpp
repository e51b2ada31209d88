#include "commands/commandtable.h"

#include "base/paths.h"
#include "commands/commandengine.h"
#include "commands/destinations.h"
#include "commands/nametemplates.h"
#include "commands/scenecommands.h"
#include "files/avifichier.h"
#include "formats/codecchoice.h"
#include "formats/fpsunit.h"
#include "formats/frameratechoice.h"
#include "scenes/scnfile.h"
#include "scenes/writescntext.h"
#include "shell/psfunctions.h"

#include <QFileInfo>
#include <QLocale>

#include <array>
#include <cmath>
#include <optional>
#include <stdexcept>

namespace {

using Item = TAbstractListFichier;

const TaviFichier *VideoOf(const Item *fichier)
{
    return dynamic_cast<const TaviFichier *>(fichier);
}

// The custom commands drop their own failures without a message.
template <typename Work>
void Silently(Work &&work)
{
    try {
        work();
    } catch (...) {
    }
}

// The commands that ask about every file: their verification never succeeds.
bool NeverVerified(Item *, const QStringList &, TCommandEngine &, int)
{
    return false;
}

bool NeverVerifiedRename(const QString &, Item *, const QStringList &, TCommandEngine &, int)
{
    return false;
}

// A condition that only enables: visible always, enabled by the predicate over the video.
template <typename Predicate>
tCustomCmd::TFileConditionEvent EnabledWhen(Predicate predicate)
{
    return [predicate](Item *fichier, bool &visible, bool &enabled) {
        visible = true;
        const TaviFichier *video = VideoOf(fichier);
        enabled = video && predicate(*video);
    };
}

bool IsKnownCodeText(const QString &text)
{
    return text != QLatin1String("N/A") && text != QLatin1String("Error") && text != QLatin1String("-");
}

bool HasDatecode(const TaviFichier &video)
{
    return IsKnownCodeText(video.datecodeText) && video.datecode != 0;
}

// An unreadable AVI has an empty timecode text: no timecode either.
bool HasTimecode(const TaviFichier &video)
{
    return IsKnownCodeText(video.timecodeText) && !video.timecodeText.isEmpty();
}

// The recorded time as the player shows it: the datecode plus the item's time difference.
TDateTime ShiftedDatecode(const TaviFichier &video)
{
    return video.datecode + video.displayTimeDifference;
}

TNameValues NameValuesOf(const TaviFichier &video)
{
    TNameValues values = NameValuesOfPath(video.path);
    values.datecode = ShiftedDatecode(video);
    values.timecode = video.timecodeText;
    values.codec = video.codec;
    values.image = video.imageText + video.aspectText;
    values.audio = video.audioText;
    values.duration = video.durationText;
    return values;
}

// The four characters of a codec parameter, padded with spaces as the dialog pads them.
std::optional<FourCC> CodecCodeOf(const QString &parameter)
{
    if (parameter.isEmpty())
        return std::nullopt;
    const QByteArray code = parameter.left(4).leftJustified(4, u' ').toLatin1();
    return MakeFourCC(std::string_view(code.constData(), 4));
}

// The frame-rate parameter as the dialog writes it, or in the C form of a script.
std::optional<double> FrameRateOf(const QString &parameter)
{
    std::optional<double> rate = FrameRateFromText(parameter);
    if (!rate) {
        bool ok = false;
        const double value = QLocale::c().toDouble(parameter.trimmed(), &ok);
        if (ok)
            rate = value;
    }
    if (rate && (!std::isfinite(*rate) || *rate <= 0))
        return std::nullopt;
    return rate;
}

struct CompanionRow {
    const char *name;
    const char *caption;
    const char *extension;
    bool TaviFichier::*present;
    const char *startMessage;
    const char *errorMessage;
};

constexpr std::array kCompanionRows = {
    CompanionRow{"SupprimerSrt", "Delete the srt file", ".srt", &TaviFichier::hasSrt, "Deleting the srt file of %s",
                 "An error occured while deleting the srt file of %s"},
    CompanionRow{"SupprimerScn", "Delete the scn file", ".scn", &TaviFichier::hasScn, "Deleting the scn file of %s",
                 "An error occured while deleting the scn file of %s"},
};

}  // namespace

TdmAction::TdmAction(TActionContext context) : context_(std::move(context))
{
    AddFileCommands();
    AddGraphCommands();
    AddCompanionDeletions();
    AddProgramCommands();
    AddHeaderPatches();
    AddRenameCommands();
    AddSceneCommands();
    AddListCommands();
}

tCustomCmd *TdmAction::FindCommand(const QString &name) const
{
    const QString key = name.toLower();
    for (const auto &[entryName, cmd] : index_)
        if (entryName == key)
            return cmd;
    return nullptr;
}

tCustomCmd *TdmAction::CommandOfAction(const QString &actionName) const
{
    const QString name = actionName.toLower();
    if (!name.startsWith(QLatin1String("cc")))
        return nullptr;
    return FindCommand(name.mid(2));
}

TPreferences TdmAction::Preferences() const
{
    return context_.preferences ? context_.preferences() : TPreferences();
}

void TdmAction::ReleaseFile(TCommandEngine &ce, const QString &path) const
{
    if (context_.releaseFile)
        ce.Synchronize([&] { context_.releaseFile(path); });
}

void TdmAction::AddFileCommands()
{
    auto &parent = Add<tCustomCmd>("DossierParent", "Parent folder", "", TcmdNombre::fnSingle);
    parent.OnExecution = [](Item *fichier, const QStringList &, TCommandEngine &, int) {
        Silently([&] { ShowInExplorer(fichier->path); });
    };

    auto &trash = Add<tCustomCmd>("SupprimerFichier", "Delete the files", "", TcmdNombre::fnSelect);
    trash.UpdateDisplay = TUpdateDisplay::udFinal;
    trash.OnFileCondition = [](Item *fichier, bool &visible, bool &enabled) {
        visible = true;
        const auto *searched = dynamic_cast<const TSRFichier *>(fichier);
        enabled = fichier && !(searched && searched->readOnly);
    };
    trash.OnFileVerification = NeverVerified;
    trash.OnFileConFirmation = [](Item *fichier, const QStringList &, TCommandEngine &, int) {
        return DeleteFileQuestion(fichier->name);
    };
    trash.OnExecution = [](Item *fichier, const QStringList &, TCommandEngine &ce, int) {
        // A file the trash refused stays in the list: it is still on the disk.
        Silently([&] {
            if (SendToRecycleBin(fichier->path))
                ce.UpdateRemove();
        });
    };

    const std::pair<const char *, QString TPreferences::*> openers[] = {
        {"OpenFichierF3", &TPreferences::fichierF3},
        {"OpenFichierF4", &TPreferences::fichierF4},
    };
    for (const auto &[name, program] : openers) {
        auto &open = Add<tCustomCmd>(name, "Open with...", "", TcmdNombre::fnSelect);
        open.OnExecution = [this, program](Item *fichier, const QStringList &, TCommandEngine &, int) {
            Silently([&] { StartProgram(Preferences().*program, {fichier->path}); });
        };
    }

    auto &difference = Add<Tcmd>("DecalageHoraire", "Add a time difference", "", TcmdNombre::fnSelect);
    difference.UpdateDisplay = TUpdateDisplay::udFinal;
    difference.UpdateFile = TUpdateFile::ufNone;
    difference.OnDestExecution = [this](Item *, const QString &, const QStringList &params, TCommandEngine &ce, int) {
        // The main window's end-of-file handler stores the pending value in the item.
        const double days = StrToFloatLenient(params.value(0));
        if (context_.setPendingTimeDifference)
            ce.Synchronize([&] { context_.setPendingTimeDifference(days); });
    };
}

void TdmAction::AddCompanionDeletions()
{
    for (const CompanionRow &row : kCompanionRows) {
        auto &cmd = Add<TFastcmd>(row.name, row.caption, "Conversion", TcmdNombre::fnSelect);
        cmd.UpdateDisplay = TUpdateDisplay::udEach;
        cmd.UpdateFile = TUpdateFile::ufReload;
        cmd.StartMessage = QString::fromUtf8(row.startMessage);
        cmd.ErrorMessage = QString::fromUtf8(row.errorMessage);
        const QString extension = QString::fromLatin1(row.extension);
        cmd.OnFileCondition = EnabledWhen([present = row.present](const TaviFichier &video) { return video.*present; });
        cmd.OnFileVerification = NeverVerified;
        cmd.OnFileConFirmation = [extension](Item *fichier, const QStringList &, TCommandEngine &, int) {
            return DeleteFileQuestion(ChangeFileExt(fichier->name, extension));
        };
        cmd.OnExecution = [extension](Item *fichier, const QStringList &, TCommandEngine &, int) {
            if (!SendToRecycleBin(ChangeFileExt(fichier->path, extension)))
                throw std::runtime_error("The file could not be moved to the trash.");
        };
    }
}

void TdmAction::AddProgramCommands()
{
    auto &pelnix = Add<tCustomCmd>("Pelnix", "Open with Pelnix", "", TcmdNombre::fnSelect);
    pelnix.OnFileCondition = [this](Item *, bool &visible, bool &enabled) {
        visible = true;
        const QString program = Preferences().pelnixFile;
        enabled = !program.isEmpty() && QFileInfo(program).isFile();
    };
    pelnix.OnExecution = [this](Item *fichier, const QStringList &, TCommandEngine &, int) {
        Silently([&] {
            const TPreferences preferences = Preferences();
            // Arguments reach the program as they are, so the path needs no quotes.
            const QString argument = preferences.loadPelnix ? QStringLiteral("+F=") + fichier->path : fichier->path;
            StartProgram(preferences.pelnixFile, {argument});
        });
    };

    auto &player = Add<tCustomCmd>("DefaultPlayer", "Play with the default media player", "", TcmdNombre::fnSingle);
    player.OnExecution = [](Item *fichier, const QStringList &, TCommandEngine &, int) {
        Silently([&] { OpenDocument(fichier->path); });
    };
}

void TdmAction::AddHeaderPatches()
{
    auto &codec = Add<TFastcmd>("ModifierCodec", "Change the codec", "", TcmdNombre::fnSelect);
    codec.UpdateDisplay = TUpdateDisplay::udFinal;
    codec.UpdateFile = TUpdateFile::ufReload;
    codec.OnFileVerification = NeverVerified;
    codec.OnFileConFirmation = [](Item *fichier, const QStringList &params, TCommandEngine &, int) {
        const TaviFichier *video = VideoOf(fichier);
        return CodecChangeQuestion(video ? video->codec : QString(), fichier->name, params.value(0));
    };
    codec.OnExecution = [this](Item *fichier, const QStringList &params, TCommandEngine &ce, int) {
        const std::optional<FourCC> code = CodecCodeOf(params.value(0));
        if (!code)
            return;
        ReleaseFile(ce, fichier->path);
        PatchCodecCode(fichier->path, *code);  // a failed patch leaves the file as it was; the reload shows it
    };

    auto &rate = Add<TFastcmd>("FrequenceVideo", "Fix the video framerate", "", TcmdNombre::fnSelect);
    rate.UpdateDisplay = TUpdateDisplay::udFinal;
    rate.UpdateFile = TUpdateFile::ufReload;
    rate.OnFileCondition = [](Item *fichier, bool &visible, bool &enabled) {
        visible = true;
        const TaviFichier *video = VideoOf(fichier);
        enabled = fichier && !(video && video->dvInfo && video->type == 1);
    };
    rate.OnFileVerification = NeverVerified;
    rate.OnFileConFirmation = [](Item *fichier, const QStringList &params, TCommandEngine &, int) {
        const TaviFichier *video = VideoOf(fichier);
        return FrameRateChangeQuestion(video ? video->fps : 0, fichier->name, params.value(0));
    };
    rate.OnExecution = [this](Item *fichier, const QStringList &params, TCommandEngine &ce, int) {
        const std::optional<double> fps = FrameRateOf(params.value(0));
        if (!fps)
            return;
        ReleaseFile(ce, fichier->path);
        PatchFrameRate(fichier->path, *fps);
    };
}

void TdmAction::AddRenameCommands()
{
    using Destination = QString (*)(const TaviFichier &video, const TPreferences &preferences);
    struct RenameRow {
        const char *name;
        const char *caption;
        bool (*condition)(const TaviFichier &video);
        bool alwaysVisible;  // else hidden with the condition, as for what the video records
        Destination destination;
    };
    const RenameRow rows[] = {
        {"PurgerNom", "Shorten the name", [](const TaviFichier &video) { return CanShortenName(video.path); }, true,
         [](const TaviFichier &video, const TPreferences &) { return ShortenedName(video.path); }},
        {"AjouterDatecode", "Add datecode", HasDatecode, false,
         [](const TaviFichier &video, const TPreferences &preferences) {
             return FreeName(ExpandTemplate(DatecodeTemplate(preferences.datecodeAvant),
                                            preferences.formatAjouterDatecode, NameValuesOf(video)));
         }},
        {"AjouterTimecode", "Add timecode", HasTimecode, false,
         [](const TaviFichier &video, const TPreferences &preferences) {
             return FreeName(ExpandTemplate(TimecodeTemplate(preferences.timcodeAvant),
                                            preferences.formatAjouterTimecode, NameValuesOf(video)));
         }},
        {"Renommer", "Rename", HasDatecode, false,
         [](const TaviFichier &video, const TPreferences &preferences) {
             return FreeName(
                 ExpandTemplate(preferences.templateRenommer, preferences.formatRenommer, NameValuesOf(video)));
         }},
    };
    for (const RenameRow &row : rows) {
        auto &cmd = Add<TRenameCmd>(row.name, row.caption, "Rename", TcmdNombre::fnSelect);
        cmd.OnRenameCondition = [row](Item *fichier, bool &visible, bool &enabled) {
            const TaviFichier *video = VideoOf(fichier);
            enabled = video && row.condition(*video);
            visible = enabled || row.alwaysVisible;
        };
        cmd.OnDestination = [this, destination = row.destination](Item *fichier, const QStringList &, int) {
            const TaviFichier *video = VideoOf(fichier);
            return video ? destination(*video, Preferences()) : QString();
        };
        cmd.OnRenameVerification = NeverVerifiedRename;
        cmd.OnDestExecution = [](Item *fichier, const QString &destination, const QStringList &, TCommandEngine &,
                                 int) {
            // A rename the disk refused must not rename the item: the run goes on silently.
            if (!destination.isEmpty() && !RenameWithCompanions(fichier->path, destination))
                throw std::runtime_error("The file could not be renamed.");
        };
    }

    auto &dates = Add<TFastcmd>("DateFichier", "Modify the date of file", "", TcmdNombre::fnSelect);
    dates.UpdateDisplay = TUpdateDisplay::udFinal;
    dates.UpdateFile = TUpdateFile::ufReload;
    dates.OnFileCondition = [](Item *fichier, bool &visible, bool &enabled) {
        const TaviFichier *video = VideoOf(fichier);
        enabled = video && HasDatecode(*video);
        visible = enabled;
    };
    dates.OnFileVerification = NeverVerified;
    dates.OnFileConFirmation = [](Item *fichier, const QStringList &, TCommandEngine &, int) {
        const TaviFichier *video = VideoOf(fichier);
        return video ? FileDatesQuestion(video->name, video->created, video->modified, ShiftedDatecode(*video))
                     : QString();
    };
    dates.OnExecution = [this](Item *fichier, const QStringList &, TCommandEngine &ce, int) {
        const TaviFichier *video = VideoOf(fichier);
        if (!video)
            return;
        ReleaseFile(ce, video->path);
        SetFileDates(video->path, ShiftedDatecode(*video));  // a failure leaves the dates as they were
    };
}

void TdmAction::AddSceneCommands()
{
    auto &text = Add<Tcmd>("ExporterScenesTexte", "Export the scenes as text", "Scenes", TcmdNombre::fnSelect);
    text.UpdateDisplay = TUpdateDisplay::udEach;
    text.UpdateFile = TUpdateFile::ufNone;
    text.StartMessage = QStringLiteral("Exporting the scenes of %s  to a  text file");
    text.ErrorMessage = QStringLiteral("Error while exporting the scenes of %s to a text file");
    text.OnFileCondition = EnabledWhen([](const TaviFichier &video) { return video.hasScn; });
    // The export is always written beside the video, so that is the file asked about.
    text.OnDestination = [](Item *fichier, const QStringList &, int) { return ScnTextFilePath(fichier->path); };
    text.OnDestExecution = [this](Item *fichier, const QString &, const QStringList &, TCommandEngine &ce, int) {
        if (const TaviFichier *video = VideoOf(fichier))
            ExportScenesAsText(*video, context_, Preferences().formatDuree, ce);
    };

    AddGraphRow("Convertir16x9");
    AddGraphRow("Convertir4x3");

    auto &interval = Add<Tcmd>("CreerScnByIntervalle", "Create a scn file with fixed durations", "Conversion",
                               TcmdNombre::fnSelect);
    interval.UpdateDisplay = TUpdateDisplay::udEach;
    interval.UpdateFile = TUpdateFile::ufReload;
    interval.StartMessage = QStringLiteral("Creating a scn file for %s with fixed durations");
    interval.ErrorMessage = QStringLiteral("Error while creating a scn file for %s ");
    interval.OnDestination = [](Item *fichier, const QStringList &, int) { return ScnFilePath(fichier->path); };
    interval.OnDestExecution = [](Item *fichier, const QString &, const QStringList &params, TCommandEngine &ce,
                                  int) {
        if (const TaviFichier *video = VideoOf(fichier))
            CreateIntervalScenes(*video, params.value(0), ce);
    };

    AddGraphRow("IntroduireDatecode");
}

void TdmAction::AddListCommands()
{
    auto &empty = Add<tCustomCmd>("ViderListe", "", "", TcmdNombre::fnNone);
    empty.UpdateDisplay = TUpdateDisplay::udFinal;
    empty.OnExecution = [this](Item *, const QStringList &, TCommandEngine &ce, int) {
        if (context_.emptyList)
            ce.Synchronize([&] { context_.emptyList(); });
    };

    auto &riff = Add<tCustomCmd>("RiffHeader", "", "", TcmdNombre::fnSingle);
    riff.OnExecution = [this](Item *fichier, const QStringList &, TCommandEngine &ce, int) {
        if (context_.openRiffReport)
            Silently([&] { ce.Synchronize([&] { context_.openRiffReport(fichier->path); }); });
    };

    // A graph row that no action starts; without a build it does nothing.
    Add<TGraphCmd>("ConvertirFlv", "", "", TcmdNombre::fnNone);

    Add<tCustomCmd>("tCmd2", "", "", TcmdNombre::fnNone);
}
