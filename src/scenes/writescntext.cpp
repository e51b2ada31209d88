#include "scenes/writescntext.h"

#include "base/datetimeformat.h"
#include "base/localtime.h"
#include "base/paths.h"
#include "base/product.h"
#include "base/textformat.h"

namespace {

const QString kRule = QStringLiteral("//--------------------------------------------------");
const QString kComment = QStringLiteral("//");

}  // namespace

QString ScnTextFilePath(const QString &videoPath)
{
    return ChangeFileExt(videoPath, QStringLiteral("_scn.txt"));
}

TWriteScn_text::TWriteScn_text(const QString &videoPath) : TwriteFile(ScnTextFilePath(videoPath))
{
    WriteLine(kRule);
    WriteLine(QStringLiteral("// List of scenes of the video file:"));
    WriteLine(kComment);
    WriteLine(QStringLiteral("// ***   ") + videoPath.toLower() + QStringLiteral("   ***"));
    WriteLine(kComment);
    WriteLine(FormatText(QStringLiteral("// exported by %s version %s %s"),
                         {kProductName, kProductVersion, kProductLanguage}));
    WriteLine(QStringLiteral("// with format:"));
    WriteLine(QStringLiteral("// scene number, start, end, duration, datecode, timecode, caption"));
    WriteLine(kComment);
    WriteLine(kRule);
    WriteLine(QString());
}

TWriteScn_text::~TWriteScn_text()
{
    WriteLine(QString());
    WriteLine(kRule);
    WriteLine(QStringLiteral("// Terminated at ") + FormatDateTime(QStringLiteral("dddddd 'at' hh:mm:ss"), Now()));
    WriteLine(QStringLiteral("// Visit my web site ") + kProductHomePage);
    WriteLine(kComment);
}

void TWriteScn_text::WriteScene(const TSceneClass &scene)
{
    ++counter_;
    const QString separator = QStringLiteral(", ");
    WriteLine(QStringLiteral("  ") + QString::number(counter_) + separator + scene.StartText + separator +
              scene.EndText + separator + scene.DurationText + separator + scene.DatecodeText + separator +
              scene.TimecodeText + separator + scene.Title + separator + scene.Subtitle);
}
