#include "dvfiles.h"

#include "support/testsupport.h"

#include <gtest/gtest.h>

namespace dvfiles {

QString Make(const QTemporaryDir &dir, const QString &name, const Options &options)
{
    const QString path = dir.filePath(name);
    const QString type = options.iavs ? QStringLiteral("2iavs") : QString::number(options.type);
    QStringList args = {QStringLiteral("--type"),   type,
                        QStringLiteral("--system"), options.ntsc ? QStringLiteral("ntsc") : QStringLiteral("pal"),
                        QStringLiteral("--aspect"), options.wide ? QStringLiteral("16:9") : QStringLiteral("4:3"),
                        QStringLiteral("--audio"),  options.audio,
                        QStringLiteral("--out"),    path};
    if (options.riffLimit)
        args << QStringLiteral("--riff-limit") << QString::number(*options.riffLimit);
    args << options.plan;
    const auto made = testsupport::Run(testsupport::OurProgram(QStringLiteral("morvik-mkdv")), args);
    EXPECT_EQ(made.exitCode, 0) << made.err.constData();
    return made.exitCode == 0 ? path : QString();
}

SampleLog::SampleLog() : RendererFilter(QStringLiteral("Sample log")) {}

bool SampleLog::CheckInputType(const MediaType &) const
{
    return true;
}

StreamResult SampleLog::StartStreaming()
{
    entries_.clear();
    return RendererFilter::StartStreaming();
}

StreamResult SampleLog::Render(const MediaSample &sample)
{
    const ByteSpan data = sample.Data();
    if (arrivals_)
        arrivals_->push_back(id_);
    entries_.push_back({sample.Time(), sample.MediaTimes(), sample.IsDiscontinuity(), {data.begin(), data.end()}});
    return StreamResult::Ok();
}

std::vector<int64_t> SampleLog::MediaStarts() const
{
    std::vector<int64_t> starts;
    for (const Entry &entry : entries_)
        starts.push_back(entry.mediaTimes ? entry.mediaTimes->start : -1);
    return starts;
}

std::vector<uint8_t> SampleLog::AllBytes() const
{
    std::vector<uint8_t> bytes;
    for (const Entry &entry : entries_)
        bytes.insert(bytes.end(), entry.data.begin(), entry.data.end());
    return bytes;
}

SplitGraph::SplitGraph(const QString &path)
{
    graph.SetSyncSource(nullptr);
    graph.AddFilter(source, QStringLiteral("source"));
    graph.AddFilter(splitter, QStringLiteral("avisplitter"));
    loaded = source.Load(path).ok;
    opened = loaded && graph.Connect(source.Output(), splitter.Input());
}

void SplitGraph::LogEveryOutput(Filter &filter)
{
    for (OutputPin *output : filter.OutputPins()) {
        if (output->IsConnected())
            continue;
        logs.push_back(std::make_unique<SampleLog>());
        graph.AddFilter(*logs.back());
        EXPECT_TRUE(graph.Connect(*output, logs.back()->Input()));
    }
}

bool SplitGraph::RunToEnd()
{
    constexpr int kWaitMs = 20000;  // a bail-out for a hung graph, never a time being measured
    if (!graph.Run())
        return false;
    const auto completion = graph.WaitForCompletion(kWaitMs);
    graph.Stop();
    return completion && completion->result == GraphCompletion::Result::Complete;
}

}  // namespace dvfiles
