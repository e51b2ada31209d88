#include "media/playermessages.h"

#include "base/textformat.h"

#include <algorithm>
#include <iterator>

namespace {

const QString kHeader =
    QStringLiteral("<br><br><br><b><i><SIZE 14>Video not available</size></i></b><br><br>");

const QString kFileStart = QStringLiteral("The file<br><br><b><color blue>");
const QString kCodecStart =
    QStringLiteral("There is no directshow filter on your system that can decompress the<br><B><COLOR BLUE>codec ");

// Each message: what comes before the name or codec, which one, and what follows it.
struct MessageParts {
    int code;
    const QString *start;
    bool codec;  // else the file name
    QString end;
};

const MessageParts kMessages[] = {
    {kFailureSource, &kFileStart, false, QStringLiteral("</color></b><br>is not found.")},
    {kFailureDecoder, &kFileStart, false,
     QStringLiteral("</color></b><br><br>seems to have a non standard DV codec.<br>"
                    "To show the video, try to change the codec \"%s\" to \"dvsd\".")},
    {kFailureOnlyAudio, &kFileStart, false, QStringLiteral("</color></b><br><br>has only audio streams")},
    {kFailureAvi, &kFileStart, false, QStringLiteral("</color></b><br><br>seems not to be a correct AVI file.")},
    {kFailureDv, &kFileStart, false, QStringLiteral("</color></b><br><br>seems not to be a correct DV file.")},
    {kFailureCodecAudio, &kCodecStart, true, QStringLiteral("</COLOR></B><br><br><i>You can play the Audio</i>")},
    {kFailureCodecUnknown, &kCodecStart, true, QStringLiteral("</COLOR></B><br><br><i>Unknown audio</i>")},
    {kFailureCodecNoAudio, &kCodecStart, true, QStringLiteral("</COLOR></B><br><br><i>No Audio</i>")},
};

const QString kCommandStart =
    QStringLiteral("Temporary break of the video<br>to execute a command<br><br><b><color blue>");
const QString kCommandEnd = QStringLiteral("</color></b>");

}  // namespace

QString PlayerFailureMessage(int code, const QString &fileName, const QString &codec)
{
    if (code == kFailureCommand)
        return kHeader + kCommandStart + fileName + kCommandEnd;
    const auto *parts = std::ranges::find(kMessages, code, &MessageParts::code);
    if (parts == std::end(kMessages))
        return QStringLiteral("Please tell Quenlor that occured the failure: Error in AfficherCode");
    const QString end = code == kFailureDecoder ? FormatText(parts->end, {codec}) : parts->end;
    return kHeader + *parts->start + (parts->codec ? codec : fileName) + end;
}
