#include "actions/batchuser.h"

#include <algorithm>

namespace {

constexpr int kBarWidth = 30;

// Messages with line breaks are written on one line.
QString OneLine(const QString &text)
{
    QString line = text;
    line.replace(QStringLiteral("\r\n"), QStringLiteral(" ")).replace(u'\r', u' ').replace(u'\n', u' ');
    return line.simplified();
}

}  // namespace

TBatchUser::TBatchUser(bool yes, std::FILE *out, bool terminal) : yes_(yes), out_(out), terminal_(terminal) {}

void TBatchUser::WriteLine(const QString &line)
{
    EndBar();
    std::fputs(line.toLocal8Bit().constData(), out_);
    std::fputc('\n', out_);
    std::fflush(out_);
}

void TBatchUser::EndBar()
{
    if (!barShown_)
        return;
    std::fputc('\n', out_);
    barShown_ = false;
}

TMsgAnswer TBatchUser::Ask(const QString &question, bool)
{
    if (yes_)
        return kAnswerYesToAll;
    WriteLine(QStringLiteral("Skipped: ") + OneLine(question));
    return kAnswerNoToAll;
}

void TBatchUser::ShowError(const QString &message)
{
    ++errors_;
    WriteLine(QStringLiteral("Error: ") + OneLine(message));
}

void TBatchUser::ShowInformation(const QString &message)
{
    WriteLine(OneLine(message));
}

void TBatchUser::ShowStatus(const QString &message, TStatusRole)
{
    if (message.isEmpty() || message == subject_)
        return;
    subject_ = message;
    WriteLine(OneLine(message));
}

void TBatchUser::StartProgress(int maximum)
{
    maximum_ = std::max(maximum, 0);
    lastPercent_ = -1;
    SetProgress(0);
}

void TBatchUser::SetProgress(int position)
{
    const int percent = maximum_ > 0 ? std::clamp(static_cast<int>(int64_t{position} * 100 / maximum_), 0, 100) : 0;
    if (percent == lastPercent_)
        return;
    lastPercent_ = percent;
    if (terminal_) {
        const int filled = percent * kBarWidth / 100;
        const QString bar = QString(filled, u'#') + QString(kBarWidth - filled, u'.');
        std::fprintf(out_, "\r[%s] %3d%% %s", bar.toLatin1().constData(), percent,
                     OneLine(subject_).left(60).toLocal8Bit().constData());
        std::fflush(out_);
        barShown_ = true;
    } else if (percent % 25 == 0) {
        WriteLine(QStringLiteral("%1%").arg(percent));
    }
}

void TBatchUser::EndProgress()
{
    EndBar();
}
