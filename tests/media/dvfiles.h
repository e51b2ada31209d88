// DV AVI files for the reading tests, made by morvik-mkdv in a temporary folder,
// and a sink that records every sample that reaches it.
#pragma once

#include "media/avisplitter.h"
#include "media/filesource.h"
#include "media/filtergraph.h"
#include "media/mediasample.h"
#include "media/rendererfilter.h"

#include <QStringList>
#include <QTemporaryDir>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace dvfiles {

struct Options {
    int type = 2;
    bool iavs = false;  // type 2 with its DV in an 'iavs' stream
    bool ntsc = false;
    bool wide = false;
    QString audio = QStringLiteral("48k16");  // 48k16, 32k12 or none
    // Recordings and gaps as morvik-mkdv takes them, e.g. {"--recording", "...", "--gap", "5"}.
    QStringList plan = {QStringLiteral("--recording"), QStringLiteral("2021-06-05 14:30:00,00:10:00:00,20")};
    std::optional<qint64> riffLimit;
};

// The path of the new file, or empty (with a test failure) when it could not be made.
QString Make(const QTemporaryDir &dir, const QString &name, const Options &options);

// Keeps a copy of everything it receives; read it after the graph has stopped.
class SampleLog final : public RendererFilter {
public:
    struct Entry {
        std::optional<MediaTimeRange> time;
        std::optional<MediaTimeRange> mediaTimes;
        bool discontinuity = false;
        std::vector<uint8_t> data;
    };

    SampleLog();

    // Each sample received appends id to arrivals, so that several logs show their common order.
    void SetArrivalLog(std::vector<int> *arrivals, int id)
    {
        arrivals_ = arrivals;
        id_ = id;
    }
    const std::vector<Entry> &Entries() const { return entries_; }
    std::vector<int64_t> MediaStarts() const;
    std::vector<uint8_t> AllBytes() const;

protected:
    bool CheckInputType(const MediaType &type) const override;
    StreamResult Render(const MediaSample &sample) override;
    StreamResult StartStreaming() override;

private:
    std::vector<Entry> entries_;
    std::vector<int> *arrivals_ = nullptr;
    int id_ = 0;
};

// File source → AVI splitter, unclocked, with sample logs added on request.
struct SplitGraph {
    explicit SplitGraph(const QString &path);

    // A new log on every free output of the filter, in pin order.
    void LogEveryOutput(Filter &filter);
    void LogEveryOutput() { LogEveryOutput(splitter); }
    // Runs to the end of the stream and stops; false when the run did not complete.
    bool RunToEnd();

    FilterGraph graph;
    FileSourceFilter source;
    AviSplitter splitter;
    std::vector<std::unique_ptr<SampleLog>> logs;
    bool loaded = false;
    bool opened = false;
};

}  // namespace dvfiles
