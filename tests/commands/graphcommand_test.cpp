// The graph kind of command: a copy graph run through the engine, with progress,
// the list update, an abort and a failing graph.
#include "commands/commanddescriptions.h"
#include "enginetestsupport.h"

#include "media/avimux.h"
#include "media/avisplitter.h"
#include "media/filesource.h"
#include "media/filewriter.h"
#include "media/filtergraph.h"
#include "support/testsupport.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QString MakeDv(const QTemporaryDir &dir, const QString &name, int frames)
{
    const QString path = dir.filePath(name);
    const auto made = testsupport::Run(testsupport::OurProgram(QStringLiteral("morvik-mkdv")),
                                       {"--type", "1", "--out", path, "--recording",
                                        QStringLiteral("2021-06-05 14:30:00,00:10:00:00,%1").arg(frames)});
    EXPECT_EQ(made.exitCode, 0) << made.err.constData();
    return path;
}

// Copies a type 1 file: source → splitter → mux → file writer.
struct CopyGraph {
    FilterGraph graph;
    FileSourceFilter source;
    AviSplitter splitter;
    AviMux mux;
    FileWriter writer;

    MediaSeeking *Build(const QString &from, const QString &to)
    {
        graph.RemoveAllFilters();
        graph.AddFilter(source);
        graph.AddFilter(splitter);
        graph.AddFilter(mux);
        graph.AddFilter(writer);
        if (!source.Load(from).ok || !graph.Connect(source.Output(), splitter.Input()))
            return nullptr;
        writer.SetFileName(to);
        writer.SetMode(true);
        if (!graph.Connect(*splitter.OutputPins().front(), mux.FreeInput()) ||
            !graph.Connect(mux.Output(), writer.Input()))
            return nullptr;
        return &graph;
    }
};

// A command that copies each file to "<name>_copy.avi" in the folder and adds the copy.
void CopyEachFile(TGraphCmd &cmd, CopyGraph &copy, const QTemporaryDir &dir)
{
    cmd.Nombre = TcmdNombre::fnSelect;
    cmd.UpdateFile = TUpdateFile::ufAdd;
    cmd.Filtergraph = &copy.graph;
    cmd.OnDestination = [&dir](TAbstractListFichier *f, const QStringList &, int) {
        return dir.filePath(QFileInfo(f->path).completeBaseName() + QStringLiteral("_copy.avi"));
    };
    cmd.OnBuildGraph = [&copy](TAbstractListFichier *f, const QString &dest, const QStringList &, int) {
        return copy.Build(f->path, dest);
    };
}

QByteArray FramesRead(const QString &path)
{
    return testsupport::Run(QStringLiteral("ffprobe"), {"-v", "error", "-count_frames", "-select_streams", "v:0",
                                                        "-show_entries", "stream=nb_read_frames", "-of", "csv=p=0", path})
        .out.trimmed();
}

}  // namespace

TEST(GraphCommand, RunsTheGraphWithProgressThenAddsTheDestination)
{
    QTemporaryDir dir;
    const QString a = MakeDv(dir, QStringLiteral("a.avi"), 50);
    EngineFixture fixture({a});
    CopyGraph copy;
    TGraphCmd cmd;
    CopyEachFile(cmd, copy, dir);
    cmd.StartMessage = QStringLiteral("Copying %s");
    cmd.ErrorMessage = QStringLiteral("An error occured while copying %s");
    fixture.list.Select({0});
    fixture.Run(cmd);
    EXPECT_TRUE(fixture.events.contains(QStringLiteral("msg Copying a.avi")));
    EXPECT_EQ(fixture.user.progressMax, static_cast<int>(50 * 400000LL / 1024));
    EXPECT_GE(fixture.user.progressEnds, 1);
    EXPECT_TRUE(fixture.user.errors.isEmpty());
    EXPECT_EQ(fixture.list.Paths(), (QStringList{a, dir.filePath("a_copy.avi")}));
    EXPECT_EQ(copy.graph.GetState(), GraphState::Stopped);
    EXPECT_EQ(FramesRead(dir.filePath("a_copy.avi")), QByteArray("50"));
}

TEST(GraphCommand, WithoutABuildHandlerOrAGraphNothingHappens)
{
    QTemporaryDir dir;
    const QString a = MakeDv(dir, QStringLiteral("a.avi"), 5);
    EngineFixture fixture({a});
    TGraphCmd cmd;
    cmd.Nombre = TcmdNombre::fnSelect;
    cmd.UpdateFile = TUpdateFile::ufAdd;
    cmd.StartMessage = QStringLiteral("Copying %s");
    cmd.OnDestination = [&](TAbstractListFichier *, const QStringList &, int) { return a; };
    fixture.user.answers = {kAnswerYes};
    fixture.list.Select({0});
    fixture.Run(cmd);
    EXPECT_FALSE(fixture.events.contains(QStringLiteral("msg Copying a.avi"))) << "no build handler: no message";

    // A graph that reports no duration is not run and adds nothing.
    CopyGraph copy;
    cmd.Filtergraph = &copy.graph;
    cmd.OnDestination = [&](TAbstractListFichier *, const QStringList &, int) { return dir.filePath("b.avi"); };
    cmd.OnBuildGraph = [&](TAbstractListFichier *, const QString &, const QStringList &, int) {
        copy.graph.RemoveAllFilters();
        return &copy.graph;
    };
    fixture.list.Select({0});
    fixture.Run(cmd);
    EXPECT_EQ(fixture.user.progressMax, -1);
    EXPECT_EQ(fixture.list.Count(), 1);
}

TEST(GraphCommand, AFailingGraphIsReportedAndAddsNothing)
{
    QTemporaryDir dir;
    const QString a = MakeDv(dir, QStringLiteral("a.avi"), 20);
    EngineFixture fixture({a});
    CopyGraph copy;
    TGraphCmd cmd;
    cmd.Nombre = TcmdNombre::fnSelect;
    cmd.UpdateFile = TUpdateFile::ufAdd;
    cmd.ErrorMessage = QStringLiteral("An error occured while copying %s");
    cmd.Filtergraph = &copy.graph;
    const QString unwritable = dir.filePath("no such folder/a_copy.avi");
    cmd.OnDestination = [&](TAbstractListFichier *, const QStringList &, int) { return unwritable; };
    cmd.OnBuildGraph = [&](TAbstractListFichier *f, const QString &dest, const QStringList &, int) {
        return copy.Build(f->path, dest);
    };
    fixture.list.Select({0});
    fixture.Run(cmd);
    ASSERT_EQ(fixture.user.errors.size(), 1);
    EXPECT_TRUE(fixture.user.errors[0].startsWith(QStringLiteral("An error occured while copying ") + a + "\n"));
    EXPECT_EQ(fixture.list.Count(), 1);
    EXPECT_FALSE(QFile::exists(unwritable));
}

// The end signal only wakes the wait: one left over from an earlier graph (a stopped
// one's end arrives after its pass) must not end the next graph before its end.
TEST(GraphCommand, AStaleEndSignalDoesNotCutTheNextGraphShort)
{
    QTemporaryDir dir;
    const QString a = MakeDv(dir, QStringLiteral("a.avi"), 50);
    EngineFixture fixture({a});
    CopyGraph copy;
    TGraphCmd cmd;
    CopyEachFile(cmd, copy, dir);
    fixture.engine.OnStartProgress = [&](int) { fixture.engine.SignalGraphEnd(); };
    fixture.list.Select({0});
    fixture.Run(cmd);
    EXPECT_EQ(FramesRead(dir.filePath("a_copy.avi")), QByteArray("50"));
}
