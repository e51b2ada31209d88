// The rows of the command table that run the conversion graph: their conditions,
// destinations and build handlers. The handlers run on the worker, with the graph
// stopped; the detectors' callbacks they set run on the graph's streaming thread.
#include "commands/commandtable.h"

#include "base/localtime.h"
#include "commands/destinations.h"
#include "commands/writergraphcmd.h"
#include "files/avifichier.h"
#include "media/avimux.h"
#include "media/cdm.h"
#include "media/dv_dvheader.h"
#include "media/dv_dvheaderfilter.h"
#include "media/dv_scenedetectfilter.h"
#include "media/dv_superposer.h"
#include "media/scenedetectcontenu.h"

#include <QLocale>

#include <cmath>
#include <cstring>
#include <optional>

namespace {

using Item = TAbstractListFichier;

const QString kNotAvailable = QStringLiteral("N/A");
const QString kDvsd = QStringLiteral("dvsd");

const TaviFichier *VideoOf(const Item *fichier)
{
    return dynamic_cast<const TaviFichier *>(fichier);
}

// The builders' type variant: 2, or 1 for any other file.
int TypeOf(const TaviFichier &video)
{
    return video.type == 2 ? 2 : 1;
}

// A number as the dialogs write it (the locale's separator), or in the C form of a script.
std::optional<double> LocaleNumber(const QString &parameter)
{
    bool ok = false;
    double value = QLocale().toDouble(parameter.trimmed(), &ok);
    if (!ok)
        value = QLocale::c().toDouble(parameter.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

bool TypeTwoOrDvsd(const TaviFichier &video)
{
    return video.type == 2 || video.codec == kDvsd;
}

using Predicate = bool (*)(const TaviFichier &video);
using Builder = MediaSeeking *(*)(TCdm &cdm, const TaviFichier &video, const QString &destination,
                                  const QStringList &params, const TPreferences &preferences);

struct GraphRow {
    const char *name;
    const char *caption;
    TUpdateDisplay display;
    TUpdateFile update;
    const char *startMessage;
    const char *errorMessage;
    Predicate enabled;
    Predicate visible;  // null: always visible
    const char *suffix;
    Builder build;
};

// The header graph with the filter told what to rewrite; the sound keeps the source's rate.
template <typename Settings>
MediaSeeking *HeaderGraph(TCdm &cdm, const TaviFichier &video, const QString &destination, Settings settings)
{
    MediaSeeking *seeking = cdm.GraphHeader(video.path, destination);
    if (seeking) {
        Tdv_DVheader &header = cdm.DvHeader();
        header.SetRestoreHeaders(false);
        settings(header);
        cdm.SetSoundRate(video.audioText);
    }
    return seeking;
}

MediaSeeking *StandardGraph(TCdm &cdm, const TaviFichier &video, const QString &destination, bool ntsc,
                            const TPreferences &preferences)
{
    MediaSeeking *seeking = cdm.GraphStandard(video.path, destination, TypeOf(video), ntsc);
    if (seeking) {
        cdm.DvHeader().SetRestoreHeaders(true);
        cdm.DvHeader().SetTimeDifference(preferences.timeDifference);
        cdm.SetSoundRate(video.audioText);
    }
    return seeking;
}

const GraphRow kGraphRows[] = {
    {"ConvertirDV1", "Convert in type 1", TUpdateDisplay::udFinal, TUpdateFile::ufAdd, "Converting %s in type 1",
     "An error occured while converting %s in type 1",
     [](const TaviFichier &v) { return v.dvInfo && v.type == 2; }, nullptr, "_type1.avi",
     [](TCdm &cdm, const TaviFichier &v, const QString &d, const QStringList &, const TPreferences &) {
         return cdm.GraphConvertirDV1(v.path, d);
     }},
    {"ConvertirDV2", "Convert in type 2", TUpdateDisplay::udFinal, TUpdateFile::ufAdd, "Converting %s in type 2",
     "An error occured while converting %s in type 2",
     [](const TaviFichier &v) { return v.dvInfo && v.type == 1; }, nullptr, "_type2.avi",
     [](TCdm &cdm, const TaviFichier &v, const QString &d, const QStringList &, const TPreferences &) {
         return cdm.GraphConvertirDV2(v.path, d);
     }},
    {"RecompresserDV2", "Recompress into DV type 2", TUpdateDisplay::udFinal, TUpdateFile::ufAdd,
     "Compressing %s in DV type 2", "An error occured while compressing %s in DV type 2",
     [](const TaviFichier &v) { return !v.dvInfo; }, [](const TaviFichier &v) { return v.imageText != kNotAvailable; },
     "_dvtype2.avi",
     [](TCdm &cdm, const TaviFichier &v, const QString &d, const QStringList &, const TPreferences &p) {
         // The builder sets the header filter to write the aspect of "ratio DV".
         return cdm.GraphRecompresserDV2(v.path, d, p.standardDv, p.ratioDv == 1, p.frequenceDv);
     }},
    {"CorrigerType2", "Fix the DV type 2", TUpdateDisplay::udFinal, TUpdateFile::ufAdd, "Fixing %s as video of type 2",
     "An error occured while fixing %s as video of type 2",
     [](const TaviFichier &v) { return v.type == 2 && v.dvInfo && v.type2Interleaved; },
     [](const TaviFichier &v) { return v.type == 2 && v.dvInfo && v.type2Interleaved; }, "_fixed.avi",
     [](TCdm &cdm, const TaviFichier &v, const QString &d, const QStringList &, const TPreferences &) {
         return cdm.GraphCorrigerType2(v.path, d);
     }},
    {"ConvertirNTSC", "Convert in NTSC", TUpdateDisplay::udFinal, TUpdateFile::ufAdd, "Converting %s in NTSC",
     "An error occured while converting %s in NTSC",
     [](const TaviFichier &v) { return v.dvInfo && v.system == kSystemPal && TypeTwoOrDvsd(v); },
     [](const TaviFichier &v) { return v.dvInfo && v.system == kSystemPal && TypeTwoOrDvsd(v); }, "_ntsc.avi",
     [](TCdm &cdm, const TaviFichier &v, const QString &d, const QStringList &, const TPreferences &p) {
         return StandardGraph(cdm, v, d, true, p);
     }},
    {"ConvertirPal", "Convert in Pal", TUpdateDisplay::udFinal, TUpdateFile::ufAdd, "Converting %s in Pal",
     "An error occured while converting %s in Pal",
     [](const TaviFichier &v) { return v.dvInfo && v.system == kSystemNtsc && TypeTwoOrDvsd(v); },
     [](const TaviFichier &v) { return v.dvInfo && v.system == kSystemNtsc && TypeTwoOrDvsd(v); }, "_pal.avi",
     [](TCdm &cdm, const TaviFichier &v, const QString &d, const QStringList &, const TPreferences &p) {
         return StandardGraph(cdm, v, d, false, p);
     }},
    {"Incruster", "Inlay in the video", TUpdateDisplay::udFinal, TUpdateFile::ufAdd, "Inlaying in %s",
     "An error occured while inlaying in %s", [](const TaviFichier &v) { return v.dvInfo && TypeTwoOrDvsd(v); },
     nullptr, "_in.avi",
     [](TCdm &cdm, const TaviFichier &v, const QString &d, const QStringList &, const TPreferences &p) {
         MediaSeeking *seeking = cdm.GraphIncruster(v.path, d, TypeOf(v), v.system);
         if (seeking) {
             const TIncrustSettings overlay = IncrustSettingsFromPreferences(p);
             // The detector makes the lines that the overlay draws.
             cdm.SceneDetect().SetOverlaySettings(overlay.Settings);
             cdm.Superposer().SetOverlaySettings(overlay.Settings);
             cdm.Superposer().SetPosition(overlay.position.x, overlay.position.y, overlay.alignment);
             cdm.Superposer().SetEnabled(true);
             cdm.SetSoundRate(v.audioText);
         }
         return seeking;
     }},
    {"DecalerHoraire", "Fix a time difference", TUpdateDisplay::udFinal, TUpdateFile::ufAdd,
     "Setting a time difference in %s", "An eror occured while setting a time difference in %s",
     [](const TaviFichier &v) { return v.dvInfo; }, nullptr, nullptr,
     [](TCdm &cdm, const TaviFichier &v, const QString &d, const QStringList &params, const TPreferences &) {
         // A parameter that is no number copies the datecodes unchanged.
         const double days = LocaleNumber(params.value(0)).value_or(0);
         return HeaderGraph(cdm, v, d, [days](Tdv_DVheader &header) { header.SetTimeDifference(days); });
     }},
    {"ExtraireAudio", "Extract audio", TUpdateDisplay::udNone, TUpdateFile::ufNone, "Extracting audio from %s",
     "An error occured while extracting audio from %s", [](const TaviFichier &v) { return v.audioText != kNotAvailable; },
     [](const TaviFichier &v) { return !(v.dvInfo && v.type == 1 && v.codec != kDvsd); }, ".wav",
     [](TCdm &cdm, const TaviFichier &v, const QString &d, const QStringList &, const TPreferences &) {
         MediaSeeking *seeking = cdm.GraphExtraireAudio(v.path, d);
         if (seeking)
             cdm.SetSoundRate(v.audioText, true);
         return seeking;
     }},
    {"Convertir16x9", "Convert to 16x9", TUpdateDisplay::udFinal, TUpdateFile::ufAdd, "Converting %s to 16x9",
     "An error occured while converting %s to 16x9", [](const TaviFichier &v) { return v.dvInfo && !v.wide; }, nullptr,
     "_16x9.avi",
     [](TCdm &cdm, const TaviFichier &v, const QString &d, const QStringList &, const TPreferences &) {
         return HeaderGraph(cdm, v, d, [](Tdv_DVheader &header) { header.SetAspect(true, true); });
     }},
    {"Convertir4x3", "Convert to 4x3", TUpdateDisplay::udFinal, TUpdateFile::ufAdd, "Converting %s to 4x3",
     "Error while converting %s to 4x3", [](const TaviFichier &v) { return v.dvInfo && v.wide; }, nullptr,
     "_4x3.avi",
     [](TCdm &cdm, const TaviFichier &v, const QString &d, const QStringList &, const TPreferences &) {
         return HeaderGraph(cdm, v, d, [](Tdv_DVheader &header) { header.SetAspect(true, false); });
     }},
    {"IntroduireDatecode", "Overwrite a datecode", TUpdateDisplay::udFinal, TUpdateFile::ufAdd,
     "While overwriting a datecode in %s", "Error while overwriting a datecode in %s",
     [](const TaviFichier &v) { return v.dvInfo; }, nullptr, "_datecode.avi",
     [](TCdm &cdm, const TaviFichier &v, const QString &d, const QStringList &params,
        const TPreferences &) -> MediaSeeking * {
         // Without a start datecode there is nothing to write: no graph.
         const std::optional<double> start = LocaleNumber(params.value(0));
         if (!start)
             return nullptr;
         MediaSeeking *seeking = HeaderGraph(cdm, v, d, [start](Tdv_DVheader &header) {
             header.SetOverwriteDatecode(true);
             header.SetStartDatecode(*start);
         });
         if (seeking && cdm.Avimux())
             cdm.Avimux()->SetInfo(kOverwriteInfoId, DatecodeOverwrittenText(Now()));
         return seeking;
     }},
};

tCustomCmd::TFileConditionEvent ConditionOf(Predicate enabled, Predicate visible)
{
    return [enabled, visible](Item *fichier, bool &v, bool &e) {
        const TaviFichier *video = VideoOf(fichier);
        e = video && enabled(*video);
        v = visible ? video && visible(*video) : true;
    };
}

}  // namespace

void TdmAction::AddGraphCommands()
{
    AddGraphRow("ConvertirDV1");
    AddScnByDate();
    AddCutScenes();
    for (const char *name : {"ConvertirDV2", "RecompresserDV2", "CorrigerType2", "ConvertirNTSC", "ConvertirPal",
                             "Incruster", "DecalerHoraire", "ExtraireAudio"})
        AddGraphRow(name);
    AddScnByContenu();
    AddSrt();
}

void TdmAction::AddGraphRow(const char *name)
{
    for (const GraphRow &row : kGraphRows) {
        if (std::strcmp(row.name, name) != 0)
            continue;
        auto &cmd = Add<TGraphCmd>(row.name, row.caption, "Conversion", TcmdNombre::fnSelect);
        cmd.UpdateDisplay = row.display;
        cmd.UpdateFile = row.update;
        cmd.StartMessage = QString::fromUtf8(row.startMessage);
        cmd.ErrorMessage = QString::fromUtf8(row.errorMessage);
        cmd.OnFileCondition = ConditionOf(row.enabled, row.visible);
        if (row.suffix)
            cmd.OnDestination = [this, suffix = QString::fromLatin1(row.suffix)](Item *fichier, const QStringList &,
                                                                                  int) {
                const TPreferences preferences = Preferences();
                return MakeDestination(fichier->path, suffix, preferences.saveInSameFolder,
                                       preferences.folderWhereToSave);
            };
        else
            cmd.OnDestination = [this](Item *fichier, const QStringList &params, int) {
                const std::optional<QString> suffix = TimeShiftSuffixOf(params.value(0));
                if (!suffix)
                    return QString();
                const TPreferences preferences = Preferences();
                return MakeDestination(fichier->path, *suffix, preferences.saveInSameFolder,
                                       preferences.folderWhereToSave);
            };
        cmd.OnBuildGraph = [this, &cmd, build = row.build](Item *fichier, const QString &destination,
                                                          const QStringList &params, int) -> MediaSeeking * {
            const TaviFichier *video = VideoOf(fichier);
            if (!context_.cdm || !video)
                return nullptr;
            MediaSeeking *seeking = build(*context_.cdm, *video, destination, params, Preferences());
            cmd.Filtergraph = &context_.cdm->Graph();
            return seeking;
        };
    }
}

void TdmAction::AddScnByDate()
{
    auto &byDate = Add<TWriterGraphCmd>("CreerScnByDate", "Create a scn file by datecode", "Conversion",
                                        TcmdNombre::fnSelect);
    byDate.UpdateDisplay = TUpdateDisplay::udFinal;
    byDate.UpdateFile = TUpdateFile::ufReload;
    byDate.StartMessage = QStringLiteral("Creating a scn file for %s by datecode");
    byDate.ErrorMessage = QStringLiteral("Error while creating a scn file for %s ");
    byDate.OnFileCondition = ConditionOf([](const TaviFichier &v) { return v.dvInfo; },
                                         [](const TaviFichier &v) { return v.dvInfo; });
    byDate.OnDestination = [](Item *fichier, const QStringList &, int) { return ScnFilePath(fichier->path); };
    byDate.OnBuildGraph = [this, &byDate](Item *fichier, const QString &, const QStringList &,
                                          int) -> MediaSeeking * {
        byDate.ReleaseWriters();
        if (!context_.cdm || !fichier)
            return nullptr;
        TCdm &cdm = *context_.cdm;
        MediaSeeking *seeking = cdm.GraphScnByDate(fichier->path);
        byDate.Filtergraph = &cdm.Graph();
        if (!seeking)
            return nullptr;
        byDate.SceneWriter = std::make_unique<TwriteScene>(fichier->path);
        cdm.SceneDetect().SetSceneCallback([&byDate](const TFrameInfo &start, const TFrameInfo &current) {
            if (byDate.SceneWriter)
                byDate.SceneWriter->WriteScene(TSceneClass(start.Frame, current.Frame));
        });
        cdm.SceneDetect().SetEndCallback([&byDate] { byDate.ReleaseWriters(); });
        return seeking;
    };
}

void TdmAction::AddScnByContenu()
{
    auto &byContent = Add<TWriterGraphCmd>("CreerScnByContenu", "Create a scn file with content", "Conversion",
                                           TcmdNombre::fnSelect);
    byContent.UpdateDisplay = TUpdateDisplay::udEach;
    byContent.UpdateFile = TUpdateFile::ufReload;
    byContent.StartMessage = QStringLiteral("Creating a scn file by content for %s");
    byContent.ErrorMessage = QStringLiteral("An error occured while creating a scn file by content for %s");
    byContent.OnFileCondition = ConditionOf([](const TaviFichier &v) { return v.imageText != kNotAvailable; }, nullptr);
    byContent.OnDestination = [](Item *fichier, const QStringList &, int) { return ScnFilePath(fichier->path); };
    byContent.OnBuildGraph = [this, &byContent](Item *fichier, const QString &, const QStringList &,
                                                int) -> MediaSeeking * {
        byContent.ReleaseWriters();
        if (!context_.cdm || !fichier)
            return nullptr;
        TCdm &cdm = *context_.cdm;
        MediaSeeking *seeking = cdm.GraphScnByContenu(fichier->path);
        byContent.Filtergraph = &cdm.Graph();
        if (!seeking)
            return nullptr;
        byContent.SceneWriter = std::make_unique<TwriteScene>(fichier->path);
        byContent.ContentCuts = std::make_unique<TContentSceneCuts>(*byContent.SceneWriter);
        cdm.SceneDetectContenu().SetCutCallback([&byContent](int64_t frame) {
            if (byContent.ContentCuts)
                byContent.ContentCuts->OnCut(frame);
        });
        cdm.SceneDetectContenu().SetEndCallback([&byContent] { byContent.ReleaseWriters(); });
        return seeking;
    };
}

void TdmAction::AddSrt()
{
    auto &srt = Add<TWriterGraphCmd>("CreerSrt", "Create a srt file with subtitles", "Conversion", TcmdNombre::fnSelect);
    srt.UpdateDisplay = TUpdateDisplay::udEach;
    srt.UpdateFile = TUpdateFile::ufReload;
    srt.StartMessage = QStringLiteral("Creating a srt file for %s");
    srt.ErrorMessage = QStringLiteral("An error occured while creating a srt file for %s");
    srt.OnFileCondition = ConditionOf([](const TaviFichier &v) { return v.dvInfo; }, nullptr);
    srt.OnDestination = [](Item *fichier, const QStringList &, int) { return SrtFilePath(fichier->path); };
    srt.OnBuildGraph = [this, &srt](Item *fichier, const QString &, const QStringList &, int) -> MediaSeeking * {
        srt.ReleaseWriters();
        const TaviFichier *video = VideoOf(fichier);
        if (!context_.cdm || !video)
            return nullptr;
        TCdm &cdm = *context_.cdm;
        MediaSeeking *seeking = cdm.GraphSrt(video->path);
        srt.Filtergraph = &cdm.Graph();
        if (!seeking)
            return nullptr;
        srt.SrtWriter = std::make_unique<TWriteSrt>(video->path, video->fps);
        cdm.SceneDetect().SetOverlaySettings(IncrustSettingsFromPreferences(Preferences()).Settings);
        cdm.SceneDetect().SetSubtitleCallback(
            [&srt](const TFrameInfo &current, const QString &line1, const QString &line2) {
                if (srt.SrtWriter)
                    srt.SrtWriter->OnSubtitle(current.Frame, line1, line2);
            });
        cdm.SceneDetect().SetEndCallback([&srt] { srt.ReleaseWriters(); });
        return seeking;
    };
}

void TdmAction::AddCutScenes()
{
    auto &cut = Add<TGraphCmd>("CutScenes", "Split in scenes", "Conversion", TcmdNombre::fnSelect);
    cut.UpdateDisplay = TUpdateDisplay::udNone;
    cut.UpdateFile = TUpdateFile::ufAdd;
    cut.StartMessage = QStringLiteral("Extracting from %s the scene %d ");
    cut.ErrorMessage = QStringLiteral("An error occured while extracting scenes from %s");
    cut.OnFileCondition = ConditionOf([](const TaviFichier &v) { return v.dvInfo && v.hasScn; }, nullptr);
    cut.OnDestination = [this](Item *fichier, const QStringList &, int passe) {
        const TPreferences preferences = Preferences();
        return MakeDestination(fichier->path, QStringLiteral("_scene_%1.avi").arg(passe), preferences.saveInSameFolder,
                               preferences.folderWhereToSave);
    };
    cut.OnBuildGraph = [this, &cut](Item *fichier, const QString &destination, const QStringList &,
                                    int passe) -> MediaSeeking * {
        const TaviFichier *video = VideoOf(fichier);
        if (passe == 1) {
            cutScenes_.clear();
            if (video)
                ReadScnFile(ScnFilePath(video->path), cutScenes_);
            cut.NbPasses = static_cast<int32_t>(cutScenes_.size());
        }
        const size_t index = static_cast<size_t>(passe - 1);
        MediaSeeking *seeking = nullptr;
        if (context_.cdm && video && video->fps > 0 && index < cutScenes_.size()) {
            const TSceneClass &scene = *cutScenes_[index].Scene;
            const auto frameTime = static_cast<int64_t>(std::llround(10000000.0 / video->fps));
            const int64_t start = scene.BeginFrame * frameTime;
            const int64_t stop = scene.EndFrame * frameTime;
            cut.Debut = start;
            cut.Duree = stop - start;
            TCdm &cdm = *context_.cdm;
            seeking = cdm.GraphCutScenes(video->path, destination, TypeOf(*video));
            cut.Filtergraph = &cdm.Graph();
            if (seeking)
                cdm.Graph().SetPositions(start, stop);
        }
        if (passe >= cut.NbPasses)
            cutScenes_.clear();
        return seeking;
    };
}
