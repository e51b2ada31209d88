// Provisional entry point until the main window exists: prints what the
// program reads from the DV AVI files it is given.
#include "base/datetimeformat.h"
#include "formats/avireader.h"
#include "formats/dvaudio.h"
#include "formats/dvcodes.h"
#include "formats/dvlayout.h"
#include "formats/fourcctext.h"

#include <QCoreApplication>
#include <QTextStream>

#include <vector>

namespace {

bool Describe(const QString &path, QTextStream &out, QTextStream &err)
{
    AviOpenResult opened = AviReader::Open(path);
    if (!opened.reader) {
        err << path << ": " << opened.error << '\n';
        return false;
    }
    const AviReader &reader = *opened.reader;
    out << path << '\n';
    int video = reader.FindStream(MakeFourCC("iavs"));
    const bool type1 = video >= 0;
    if (!type1)
        video = reader.FindStream(MakeFourCC("vids"));
    if (video < 0) {
        out << "  no video stream\n";
        return true;
    }
    const AviStream &stream = reader.Streams()[video];
    out << "  codec      " << FourCCToText(stream.header.handler) << (type1 ? ", DV type 1" : "") << '\n';
    out << "  frames     " << reader.ChunkCount(video) << '\n';
    const auto size = reader.ChunkSize(video, 0);
    if (!size || dvlayout::SequencesForFrameSize(*size) == 0) {
        out << "  not DV\n";
        return true;
    }
    std::vector<uint8_t> frame(*size);
    if (!reader.ReadChunk(video, 0, frame).ok) {
        err << path << ": the first frame cannot be read\n";
        return false;
    }
    const int sequences = dvlayout::SequencesForFrameSize(frame.size());
    const auto is525 = DvIs525(frame);
    out << "  system     " << (is525 ? (*is525 ? "NTSC (525/60)" : "PAL (625/50)") : "unknown") << '\n';
    if (!type1)
        out << "  DV type    2\n";
    const auto wide = DvGetWide(frame, sequences);
    out << "  aspect     " << (wide ? (*wide ? "16:9" : "4:3") : "N/A") << '\n';
    const auto datecode = DvGetDatecode(frame, sequences);
    const auto when = datecode ? DatecodeToDateTime(*datecode) : std::nullopt;
    out << "  datecode   " << (when ? FormatDateTime(QStringLiteral("yyyy-mm-dd hh:nn:ss"), *when) : QStringLiteral("N/A"))
        << '\n';
    if (const auto tc = DvGetTimecode(frame, sequences))
        out << "  timecode   " << QString::asprintf("%02d:%02d:%02d:%02d", tc->hours, tc->minutes, tc->seconds, tc->frames)
            << '\n';
    else
        out << "  timecode   N/A\n";
    if (const auto audio = DvGetAudioInfo(frame))
        out << "  audio      " << audio->rate << " Hz, " << audio->bits << " bits, " << audio->pairs * 2 << " channels\n";
    else
        out << "  audio      none\n";
    return true;
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Morvik"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty()) {
        err << "usage: morvik FILE.avi...\n";
        return 2;
    }
    bool allRead = true;
    for (const QString &path : args)
        allRead = Describe(path, out, err) && allRead;
    return allRead ? 0 : 1;
}
