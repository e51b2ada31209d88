// The command table's rows, the link from actions to commands, and which files
// each command accepts, in a run and in the state of the action that starts it.
#include "commands/actionstate.h"
#include "scenes/scnfile.h"
#include "tablefixture.h"

#include "support/testsupport.h"

#include <QFile>

#include <gtest/gtest.h>

#include <map>

namespace {

enum class Kind { Custom, Fast, Destination, Graph, Rename };

Kind KindOf(const tCustomCmd &cmd)
{
    if (dynamic_cast<const TRenameCmd *>(&cmd))
        return Kind::Rename;
    if (dynamic_cast<const TGraphCmd *>(&cmd))
        return Kind::Graph;
    if (dynamic_cast<const Tcmd *>(&cmd))
        return Kind::Destination;
    if (dynamic_cast<const TFastcmd *>(&cmd))
        return Kind::Fast;
    return Kind::Custom;
}

struct Row {
    const char *name;
    Kind kind;
    const char *caption;
    const char *category;
    TcmdNombre nombre;
    TUpdateDisplay display;
    TUpdateFile update;
    const char *startMessage;
    const char *errorMessage;
};

using N = TcmdNombre;
using D = TUpdateDisplay;
using U = TUpdateFile;

const Row kRows[] = {
    {"DossierParent", Kind::Custom, "Parent folder", "", N::fnSingle, D::udNone, U::ufNone, "", ""},
    {"SupprimerFichier", Kind::Custom, "Delete the files", "", N::fnSelect, D::udFinal, U::ufNone, "", ""},
    {"OpenFichierF3", Kind::Custom, "Open with...", "", N::fnSelect, D::udNone, U::ufNone, "", ""},
    {"OpenFichierF4", Kind::Custom, "Open with...", "", N::fnSelect, D::udNone, U::ufNone, "", ""},
    {"DecalageHoraire", Kind::Destination, "Add a time difference", "", N::fnSelect, D::udFinal, U::ufNone, "", ""},
    {"ConvertirDV1", Kind::Graph, "Convert in type 1", "Conversion", N::fnSelect, D::udFinal, U::ufAdd,
     "Converting %s in type 1", "An error occured while converting %s in type 1"},
    {"CreerScnByDate", Kind::Graph, "Create a scn file by datecode", "Conversion", N::fnSelect, D::udFinal, U::ufReload,
     "Creating a scn file for %s by datecode", "Error while creating a scn file for %s "},
    {"CutScenes", Kind::Graph, "Split in scenes", "Conversion", N::fnSelect, D::udNone, U::ufAdd,
     "Extracting from %s the scene %d ", "An error occured while extracting scenes from %s"},
    {"ConvertirDV2", Kind::Graph, "Convert in type 2", "Conversion", N::fnSelect, D::udFinal, U::ufAdd,
     "Converting %s in type 2", "An error occured while converting %s in type 2"},
    {"RecompresserDV2", Kind::Graph, "Recompress into DV type 2", "Conversion", N::fnSelect, D::udFinal, U::ufAdd,
     "Compressing %s in DV type 2", "An error occured while compressing %s in DV type 2"},
    {"CorrigerType2", Kind::Graph, "Fix the DV type 2", "Conversion", N::fnSelect, D::udFinal, U::ufAdd,
     "Fixing %s as video of type 2", "An error occured while fixing %s as video of type 2"},
    {"ConvertirNTSC", Kind::Graph, "Convert in NTSC", "Conversion", N::fnSelect, D::udFinal, U::ufAdd,
     "Converting %s in NTSC", "An error occured while converting %s in NTSC"},
    {"ConvertirPal", Kind::Graph, "Convert in Pal", "Conversion", N::fnSelect, D::udFinal, U::ufAdd,
     "Converting %s in Pal", "An error occured while converting %s in Pal"},
    {"Incruster", Kind::Graph, "Inlay in the video", "Conversion", N::fnSelect, D::udFinal, U::ufAdd,
     "Inlaying in %s", "An error occured while inlaying in %s"},
    {"DecalerHoraire", Kind::Graph, "Fix a time difference", "Conversion", N::fnSelect, D::udFinal, U::ufAdd,
     "Setting a time difference in %s", "An eror occured while setting a time difference in %s"},
    {"ExtraireAudio", Kind::Graph, "Extract audio", "Conversion", N::fnSelect, D::udNone, U::ufNone,
     "Extracting audio from %s", "An error occured while extracting audio from %s"},
    {"CreerScnByContenu", Kind::Graph, "Create a scn file with content", "Conversion", N::fnSelect, D::udEach, U::ufReload,
     "Creating a scn file by content for %s", "An error occured while creating a scn file by content for %s"},
    {"CreerSrt", Kind::Graph, "Create a srt file with subtitles", "Conversion", N::fnSelect, D::udEach, U::ufReload,
     "Creating a srt file for %s", "An error occured while creating a srt file for %s"},
    {"SupprimerSrt", Kind::Fast, "Delete the srt file", "Conversion", N::fnSelect, D::udEach, U::ufReload,
     "Deleting the srt file of %s", "An error occured while deleting the srt file of %s"},
    {"SupprimerScn", Kind::Fast, "Delete the scn file", "Conversion", N::fnSelect, D::udEach, U::ufReload,
     "Deleting the scn file of %s", "An error occured while deleting the scn file of %s"},
    {"Pelnix", Kind::Custom, "Open with Pelnix", "", N::fnSelect, D::udNone, U::ufNone, "", ""},
    {"DefaultPlayer", Kind::Custom, "Play with the default media player", "", N::fnSingle, D::udNone, U::ufNone, "",
     ""},
    {"ModifierCodec", Kind::Fast, "Change the codec", "", N::fnSelect, D::udFinal, U::ufReload, "", ""},
    {"FrequenceVideo", Kind::Fast, "Fix the video framerate", "", N::fnSelect, D::udFinal, U::ufReload, "", ""},
    {"PurgerNom", Kind::Rename, "Shorten the name", "Rename", N::fnSelect, D::udNone, U::ufNone, "", ""},
    {"AjouterDatecode", Kind::Rename, "Add datecode", "Rename", N::fnSelect, D::udNone, U::ufNone, "", ""},
    {"AjouterTimecode", Kind::Rename, "Add timecode", "Rename", N::fnSelect, D::udNone, U::ufNone, "", ""},
    {"Renommer", Kind::Rename, "Rename", "Rename", N::fnSelect, D::udNone, U::ufNone, "", ""},
    {"DateFichier", Kind::Fast, "Modify the date of file", "", N::fnSelect, D::udFinal, U::ufReload, "", ""},
    {"ExporterScenesTexte", Kind::Destination, "Export the scenes as text", "Scenes", N::fnSelect, D::udEach,
     U::ufNone, "Exporting the scenes of %s  to a  text file", "Error while exporting the scenes of %s to a text file"},
    {"Convertir16x9", Kind::Graph, "Convert to 16x9", "Conversion", N::fnSelect, D::udFinal, U::ufAdd,
     "Converting %s to 16x9", "An error occured while converting %s to 16x9"},
    {"Convertir4x3", Kind::Graph, "Convert to 4x3", "Conversion", N::fnSelect, D::udFinal, U::ufAdd,
     "Converting %s to 4x3", "Error while converting %s to 4x3"},
    {"CreerScnByIntervalle", Kind::Destination, "Create a scn file with fixed durations", "Conversion", N::fnSelect,
     D::udEach, U::ufReload, "Creating a scn file for %s with fixed durations", "Error while creating a scn file for %s "},
    {"IntroduireDatecode", Kind::Graph, "Overwrite a datecode", "Conversion", N::fnSelect, D::udFinal, U::ufAdd,
     "While overwriting a datecode in %s", "Error while overwriting a datecode in %s"},
    {"ViderListe", Kind::Custom, "", "", N::fnNone, D::udFinal, U::ufNone, "", ""},
    {"RiffHeader", Kind::Custom, "", "", N::fnSingle, D::udNone, U::ufNone, "", ""},
    {"ConvertirFlv", Kind::Graph, "", "", N::fnNone, D::udNone, U::ufNone, "", ""},
    {"tCmd2", Kind::Custom, "", "", N::fnNone, D::udNone, U::ufNone, "", ""},
};

}  // namespace

TEST(CommandTable, EveryRowWithItsSettings)
{
    TdmAction table{TActionContext()};
    ASSERT_EQ(table.Commands().size(), std::size(kRows));
    for (size_t i = 0; i < std::size(kRows); ++i) {
        const Row &row = kRows[i];
        SCOPED_TRACE(row.name);
        const tCustomCmd &cmd = *table.Commands()[i];
        EXPECT_EQ(cmd.Name, QString::fromLatin1(row.name)) << "list order";
        EXPECT_EQ(KindOf(cmd), row.kind);
        EXPECT_EQ(cmd.Caption, QString::fromUtf8(row.caption));
        EXPECT_EQ(cmd.Category, QString::fromUtf8(row.category));
        EXPECT_EQ(cmd.Nombre, row.nombre);
        EXPECT_EQ(cmd.UpdateDisplay, row.display);
        EXPECT_EQ(cmd.NbPasses, 0);
        if (const auto *fast = dynamic_cast<const TFastcmd *>(&cmd)) {
            EXPECT_EQ(fast->UpdateFile, row.update);
            EXPECT_EQ(fast->StartMessage, QString::fromUtf8(row.startMessage));
            EXPECT_EQ(fast->ErrorMessage, QString::fromUtf8(row.errorMessage));
        }
    }
}

TEST(CommandTable, ActionsFindTheirCommandByName)
{
    TdmAction table{TActionContext()};
    EXPECT_EQ(table.CommandOfAction(QStringLiteral("ccSupprimerFichier")), table.FindCommand("SupprimerFichier"));
    EXPECT_EQ(table.CommandOfAction(QStringLiteral("CCsupprimerFICHIER")), table.FindCommand("supprimerfichier"));
    EXPECT_EQ(table.CommandOfAction(QStringLiteral("ccRenommer"))->Name, QStringLiteral("Renommer"));
    EXPECT_EQ(table.CommandOfAction(QStringLiteral("ccTCMD2"))->Name, QStringLiteral("tCmd2"));
    EXPECT_EQ(table.CommandOfAction(QStringLiteral("ccConvertirDV1"))->Name, QStringLiteral("ConvertirDV1"));
    for (const char *none : {"saRenommer", "Renommer", "cc", "ccExporterScenesExcel", "taPlay"})
        EXPECT_EQ(table.CommandOfAction(QString::fromLatin1(none)), nullptr) << none;
}

// Five files: a type 2 DV clip with its scene and subtitle files, a type 1 clip, a
// clip whose frames carry no datecode, a read-only clip and a file that is no video.
class CommandConditions : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(f.MakeDv(QStringLiteral("clip_type2.avi")).isEmpty());
        ASSERT_FALSE(f.MakeDv(QStringLiteral("t1.avi"), {.type = 1}).isEmpty());
        ASSERT_FALSE(f.MakeDv(QStringLiteral("gap.avi"), {.plan = {QStringLiteral("--gap"), QStringLiteral("20")}})
                         .isEmpty());
        ASSERT_FALSE(f.MakeDv(QStringLiteral("ro.avi")).isEmpty());
        ASSERT_TRUE(QFile::setPermissions(f.Path(QStringLiteral("ro.avi")),
                                          QFileDevice::ReadOwner | QFileDevice::ReadGroup));
        ASSERT_TRUE(testsupport::WriteWholeFile(f.Path(QStringLiteral("notdv.avi")), "not a video at all"));
        {
            TwriteScene scenes(f.Path(QStringLiteral("clip_type2.avi")));
            scenes.WriteScene(TSceneClass(0, 20));
        }
        ASSERT_TRUE(testsupport::WriteWholeFile(f.Path(QStringLiteral("clip_type2.srt")), "1\r\n"));
        f.Open(kNames);
        ASSERT_EQ(f.list.Count(), kNames.size());
    }
    void TearDown() override
    {
        QFile::setPermissions(f.Path(QStringLiteral("ro.avi")), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }

    QStringList EnabledFiles(const QString &command)
    {
        QStringList enabled;
        for (const QString &name : kNames) {
            bool visible = false;
            bool on = false;
            f.Command(command).FileCondition(f.Item(name), visible, on);
            if (on)
                enabled << name;
        }
        return enabled;
    }

    const QStringList kNames = {"clip_type2.avi", "gap.avi", "notdv.avi", "ro.avi", "t1.avi"};
    TableFixture f;
};

TEST_F(CommandConditions, EachCommandAcceptsItsFiles)
{
    const QStringList all = kNames;
    const QStringList recorded = {"clip_type2.avi", "ro.avi", "t1.avi"};
    const QStringList dv = {"clip_type2.avi", "gap.avi", "ro.avi", "t1.avi"};
    f.preferences.pelnixFile = f.Path(QStringLiteral("t1.avi"));  // any file that exists
    const std::map<QString, QStringList> expected = {
        {"DossierParent", all},
        {"SupprimerFichier", {"clip_type2.avi", "gap.avi", "notdv.avi", "t1.avi"}},
        {"OpenFichierF3", all},
        {"OpenFichierF4", all},
        {"DecalageHoraire", all},
        {"SupprimerSrt", {"clip_type2.avi"}},
        {"SupprimerScn", {"clip_type2.avi"}},
        {"Pelnix", all},
        {"DefaultPlayer", all},
        {"ModifierCodec", all},
        {"FrequenceVideo", {"clip_type2.avi", "gap.avi", "notdv.avi", "ro.avi"}},
        {"PurgerNom", {"clip_type2.avi"}},
        {"AjouterDatecode", recorded},
        // notdv.avi: an unreadable AVI has an empty timecode text, which names no timecode either.
        {"AjouterTimecode", {"clip_type2.avi", "gap.avi", "ro.avi", "t1.avi"}},
        {"Renommer", recorded},
        {"DateFichier", recorded},
        {"ExporterScenesTexte", {"clip_type2.avi"}},
        {"CreerScnByIntervalle", all},
        {"RiffHeader", all},
        {"ConvertirDV1", {"clip_type2.avi", "gap.avi", "ro.avi"}},
        {"CreerScnByDate", dv},
        {"CutScenes", {"clip_type2.avi"}},
        {"ConvertirDV2", {"t1.avi"}},
        {"RecompresserDV2", {"notdv.avi"}},
        {"CorrigerType2", {}},
        {"ConvertirNTSC", dv},
        {"ConvertirPal", {}},
        {"Incruster", dv},
        {"DecalerHoraire", dv},
        {"ExtraireAudio", dv},
        {"CreerScnByContenu", dv},
        {"CreerSrt", dv},
        {"Convertir16x9", dv},
        {"Convertir4x3", {}},
        {"IntroduireDatecode", dv},
        {"ConvertirFlv", all},
    };
    for (const auto &[command, files] : expected)
        EXPECT_EQ(EnabledFiles(command).join(u' ').toStdString(), files.join(u' ').toStdString())
            << qPrintable(command);

    f.preferences.pelnixFile = f.Path(QStringLiteral("no-pelnix"));
    EXPECT_TRUE(EnabledFiles(QStringLiteral("Pelnix")).isEmpty());
    f.preferences.pelnixFile = f.dir.path();
    EXPECT_TRUE(EnabledFiles(QStringLiteral("Pelnix")).isEmpty()) << "a folder is no program";
}

TEST_F(CommandConditions, WhatTheVideoRecordsHidesTheCommandsThatNeedIt)
{
    for (const char *command : {"AjouterDatecode", "Renommer", "DateFichier", "AjouterTimecode"}) {
        bool visible = true;
        bool enabled = true;
        f.Command(command).FileCondition(f.Item(QStringLiteral("notdv.avi")), visible, enabled);
        EXPECT_FALSE(visible) << command;
    }
    for (const char *command : {"PurgerNom", "SupprimerScn", "ExporterScenesTexte", "FrequenceVideo"}) {
        bool visible = false;
        bool enabled = true;
        f.Command(command).FileCondition(f.Item(QStringLiteral("t1.avi")), visible, enabled);
        EXPECT_TRUE(visible) << command;
    }
}

TEST_F(CommandConditions, ActionStateFollowsTheFilesTheCommandWouldTake)
{
    tCustomCmd &trash = f.Command(QStringLiteral("SupprimerFichier"));
    const auto state = [&](tCustomCmd &cmd, bool visible = true) {
        const TActionState s = CommandActionState(cmd, f.engine, f.list, visible);
        return std::pair(s.visible, s.enabled);
    };
    f.Select({});
    EXPECT_EQ(state(trash), std::pair(true, false)) << "nothing selected";
    f.Select({"ro.avi"});
    EXPECT_EQ(state(trash), std::pair(true, false)) << "every selected file is read-only";
    f.Select({"ro.avi", "gap.avi"});
    EXPECT_EQ(state(trash), std::pair(true, true));
    EXPECT_EQ(state(trash, false), std::pair(false, false)) << "the window's own rules hid it";

    tCustomCmd &dates = f.Command(QStringLiteral("DateFichier"));
    f.Select({"gap.avi"});
    EXPECT_EQ(state(dates), std::pair(true, false)) << "only enabled counts for a selection";

    tCustomCmd &parent = f.Command(QStringLiteral("DossierParent"));
    f.list.SetFocusedRow(-1);
    f.list.RefreshActive();
    EXPECT_EQ(state(parent), std::pair(true, false)) << "no active file";
    f.Focus(QStringLiteral("t1.avi"));
    EXPECT_EQ(state(parent), std::pair(true, true));

    tCustomCmd &empty = f.Command(QStringLiteral("ViderListe"));
    f.Select({});
    EXPECT_EQ(state(empty), std::pair(true, true)) << "a command without files";

    // A single-file command follows the visibility of its file condition too.
    TRenameCmd single;
    single.Nombre = TcmdNombre::fnSingle;
    single.OnRenameCondition = static_cast<TRenameCmd &>(f.Command(QStringLiteral("Renommer"))).OnRenameCondition;
    f.Focus(QStringLiteral("notdv.avi"));
    EXPECT_EQ(state(single), std::pair(false, false));
    single.OnCommandCondition = [](TCommandEngine &) { return false; };
    f.Focus(QStringLiteral("t1.avi"));
    EXPECT_EQ(state(single), std::pair(false, true)) << "the command condition hides, the files enable";

    tCustomCmd &all = f.Command(QStringLiteral("SupprimerScn"));
    TFastcmd everything;
    everything.Nombre = TcmdNombre::fnAll;
    everything.OnFileCondition = [&](TAbstractListFichier *fichier, bool &visible, bool &enabled) {
        all.FileCondition(fichier, visible, enabled);
    };
    EXPECT_EQ(state(everything), std::pair(true, true)) << "one file of the list has a scene file";
}
