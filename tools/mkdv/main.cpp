// morvik-mkdv: writes DV AVI files of type 1 or 2 (also type 2 with an 'iavs'
// stream) made of recordings with known datecodes and timecodes, the fixtures of
// the tests and the bundled sample.
#include "formats/aviwriter.h"
#include "framemaker.h"
#include "recordingplan.h"

#include <QCoreApplication>
#include <QTextStream>

#include <vector>

namespace {

int Fail(const QString &message)
{
    QTextStream(stderr) << "morvik-mkdv: " << message << '\n';
    return 1;
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty() || args.contains(QLatin1String("--help"))) {
        QTextStream(args.isEmpty() ? stderr : stdout) << PlanUsage();
        return args.isEmpty() ? 2 : 0;
    }
    RecordingPlan plan;
    if (auto error = ParsePlan(args, plan)) {
        QTextStream(stderr) << "morvik-mkdv: " << *error << "\n\n" << PlanUsage();
        return 2;
    }

    FrameMaker maker(plan);
    if (auto error = maker.Open())
        return Fail(*error);

    AviWriterSettings settings;
    settings.type = plan.type == 1 ? AviDvType::Type1 : plan.iavs ? AviDvType::Type2Interleaved : AviDvType::Type2;
    settings.ntsc = plan.ntsc;
    if (plan.type == 2 && maker.AudioRate())
        settings.audio.push_back(AviAudioFormat{static_cast<uint32_t>(maker.AudioRate()), 2});
    settings.info.push_back(AviInfoEntry{MakeFourCC("ISFT"), QStringLiteral("morvik-mkdv")});
    if (plan.riffLimit > 0)
        settings.firstRiffLimit = settings.riffLimit = static_cast<uint64_t>(plan.riffLimit);

    AviCreateResult created = AviWriter::Create(plan.output, settings);
    if (!created.writer)
        return Fail(created.error);
    AviWriter &writer = *created.writer;

    std::vector<uint8_t> frame(maker.FrameSize());
    std::vector<int16_t> pcm;
    const int64_t total = maker.TotalFrames();
    for (int64_t i = 0; i < total; ++i) {
        if (auto error = maker.Next(frame, pcm)) {
            writer.Discard();
            return Fail(*error);
        }
        const ByteSpan sound(reinterpret_cast<const uint8_t *>(pcm.data()), pcm.size() * sizeof(int16_t));
        const AviWriteResult written = settings.audio.empty()
                                           ? writer.WriteFrame(frame)
                                           : writer.WriteFrame(frame, std::span<const ByteSpan>(&sound, 1));
        if (!written.ok) {
            writer.Discard();
            return Fail(written.error);
        }
    }
    const AviWriteResult closed = writer.Close();
    if (!closed.ok)
        return Fail(closed.error);
    return 0;
}
