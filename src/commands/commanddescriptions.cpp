#include "commands/commanddescriptions.h"

#include "base/textformat.h"
#include "commands/commandengine.h"
#include "files/listfichier.h"
#include "media/filtergraph.h"
#include "media/mediaseeking.h"

#include <QFile>

#include <exception>

namespace {

const QString kOverwriteQuestion = QStringLiteral("Do you really want to delete the existing file ");
const QString kSeveralCustom = QStringLiteral(
    "Si vous répondez \"Oui à Tous\" ou \"Non à Tous\", alors plus aucune confirmation ne sera demandée.");
const QString kSeveralOverwrite = QStringLiteral("If you answer \"All\", then no more confirmation will be requested");
const QString kSeveralRename = QStringLiteral("If you answer \"All\", then no more confirmation will be requested.");

QString ReasonOf(const std::exception_ptr &failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception &error) {
        return QString::fromUtf8(error.what());
    } catch (...) {
        return {};
    }
}

}  // namespace

void tCustomCmd::DoExecution(TAbstractListFichier *fichier, const QStringList &params, TCommandEngine &ce, int passe)
{
    if (OnExecution)
        OnExecution(fichier, params, ce, passe);
}

void tCustomCmd::DoAbort(TCommandEngine &ce)
{
    if (OnAbort)
        OnAbort(ce);
}

bool tCustomCmd::FileVerification(TAbstractListFichier *fichier, const QStringList &params, int passe,
                                  TCommandEngine &ce)
{
    return OnFileVerification ? OnFileVerification(fichier, params, ce, passe) : true;
}

TMsgAnswer tCustomCmd::FileConfirmation(TAbstractListFichier *fichier, const QStringList &params, int passe,
                                        TCommandEngine &ce)
{
    if (!OnFileConFirmation)
        return kAnswerYesToAll;
    return ce.Ask(SeveralFilesQuestion(OnFileConFirmation(fichier, params, ce, passe), kSeveralCustom, ce));
}

bool tCustomCmd::CommandCondition(TCommandEngine &ce)
{
    return OnCommandCondition ? OnCommandCondition(ce) : true;
}

bool tCustomCmd::CommandConfirmation(TCommandEngine &ce)
{
    return OnCommandConFirmation ? OnCommandConFirmation(ce) : true;
}

void tCustomCmd::FileCondition(TAbstractListFichier *fichier, bool &visible, bool &enabled)
{
    visible = true;
    enabled = true;
    if (OnFileCondition)
        OnFileCondition(fichier, visible, enabled);
}

QString tCustomCmd::SeveralFilesQuestion(const QString &question, const QString &secondLine, const TCommandEngine &ce)
{
    return ce.FileCount >= 2 ? question + QStringLiteral("\r\n") + secondLine : question;
}

void TFastcmd::SendStartMessage(TAbstractListFichier *fichier, TCommandEngine &ce, int passe) const
{
    if (!StartMessage.isEmpty())
        ce.CommandMessage(FormatText(StartMessage, {fichier ? fichier->name : QString(), passe}));
}

void TFastcmd::SendErrorMessage(TAbstractListFichier *fichier, TCommandEngine &ce, int passe,
                                const QString &reason) const
{
    if (ErrorMessage.isEmpty())
        return;
    QString text = FormatText(ErrorMessage, {fichier ? fichier->path : QString(), passe});
    if (!reason.isEmpty())
        text += QStringLiteral("\n") + reason;
    ce.CommandError(text, TErrorType::etError);
}

void TFastcmd::Guarded(TAbstractListFichier *fichier, TCommandEngine &ce, int passe,
                       const std::function<void()> &steps) const
{
    std::exception_ptr failure;
    try {
        steps();
    } catch (...) {
        failure = std::current_exception();
    }
    if (failure)
        SendErrorMessage(fichier, ce, passe, ReasonOf(failure));
}

void TFastcmd::DoExecution(TAbstractListFichier *fichier, const QStringList &params, TCommandEngine &ce, int passe)
{
    Guarded(fichier, ce, passe, [&] {
        SendStartMessage(fichier, ce, passe);
        if (OnExecution)
            OnExecution(fichier, params, ce, passe);
        if (UpdateFile == TUpdateFile::ufRemove)
            ce.UpdateRemove();
        else if (UpdateFile == TUpdateFile::ufReload)
            ce.UpdateReload();
    });
}

void Tcmd::ApplyUpdate(TCommandEngine &ce, bool testEmptyDestination) const
{
    const bool hasDestination = !testEmptyDestination || !Destination.isEmpty();
    switch (UpdateFile) {
    case TUpdateFile::ufNone:
        break;
    case TUpdateFile::ufAdd:
        if (hasDestination)
            ce.UpdateAdd(Destination);
        break;
    case TUpdateFile::ufRemove:
        ce.UpdateRemove();
        break;
    case TUpdateFile::ufReload:
        ce.UpdateReload();
        break;
    case TUpdateFile::ufReplace:
        if (hasDestination)
            ce.UpdateReplace(Destination);
        break;
    case TUpdateFile::ufRename:
        if (hasDestination)
            ce.UpdateRename(Destination);
        break;
    }
}

void Tcmd::DoExecution(TAbstractListFichier *fichier, const QStringList &params, TCommandEngine &ce, int passe)
{
    Guarded(fichier, ce, passe, [&] {
        SendStartMessage(fichier, ce, passe);
        if (OnDestExecution)
            OnDestExecution(fichier, Destination, params, ce, passe);
        ApplyUpdate(ce, true);
    });
}

bool Tcmd::FileVerification(TAbstractListFichier *fichier, const QStringList &params, int passe, TCommandEngine &)
{
    if (!OnDestination)
        return true;
    Destination = OnDestination(fichier, params, passe);
    return !QFile::exists(Destination);
}

TMsgAnswer Tcmd::FileConfirmation(TAbstractListFichier *, const QStringList &, int, TCommandEngine &ce)
{
    if (ce.FileCount >= 2)
        return ce.Ask(kOverwriteQuestion + Destination + QStringLiteral("?\r\n") + kSeveralOverwrite);
    return ce.Ask(kOverwriteQuestion + Destination);
}

void TGraphCmd::DoExecution(TAbstractListFichier *fichier, const QStringList &params, TCommandEngine &ce, int passe)
{
    if (!OnBuildGraph)
        return;
    Guarded(fichier, ce, passe, [&] {
        SendStartMessage(fichier, ce, passe);
        // A build handler that processes a stretch (a scene) sets both; the others
        // get the duration of their own graph measured.
        Duree = 0;
        Debut = 0;
        MediaSeeking *const seeking = OnBuildGraph(fichier, Destination, params, passe);
        if (seeking) {
            if (Duree == 0)
                Duree = seeking->GetDuration().value_or(0);
            if (Duree == 0)
                return;
            QString failure;
            if (Filtergraph) {
                Filtergraph->SetSyncSource(nullptr);
                ce.StartProgress(static_cast<int>(Duree / kProgressUnit));
                if (!Filtergraph->Run())
                    failure = QStringLiteral("The media graph could not be started.");
                while (failure.isEmpty() && !ce.IsAborted()) {
                    ce.SetProgress(static_cast<int>((seeking->GetCurrentPosition().value_or(Debut) - Debut) /
                                                    kProgressUnit));
                    // The signal only wakes the wait: one left over from an earlier run (the end
                    // of a graph stopped by an abort, or one seen by polling) must not end this one.
                    ce.WaitGraphEnd(kPollMilliseconds);
                    if (Filtergraph->WaitForCompletion(0))
                        break;
                }
                ce.EndProgress();
                const std::optional<GraphCompletion> completion = Filtergraph->WaitForCompletion(0);
                Filtergraph->Stop();
                if (completion && completion->result == GraphCompletion::Result::Error)
                    failure = completion->message.isEmpty() ? QStringLiteral("The media graph failed.")
                                                            : completion->message;
            }
            if (!failure.isEmpty()) {
                SendErrorMessage(fichier, ce, passe, failure);
                return;
            }
        }
        ApplyUpdate(ce, false);
    });
}

void TRenameCmd::DoExecution(TAbstractListFichier *fichier, const QStringList &params, TCommandEngine &ce, int passe)
{
    Guarded(fichier, ce, passe, [&] {
        SendStartMessage(fichier, ce, passe);
        if (OnDestination)
            Destination = OnDestination(fichier, params, passe);
        if (OnDestExecution)
            OnDestExecution(fichier, Destination, params, ce, passe);
        if (!Destination.isEmpty())
            ce.UpdateRename(Destination);
    });
}

bool TRenameCmd::FileVerification(TAbstractListFichier *fichier, const QStringList &params, int passe,
                                  TCommandEngine &ce)
{
    return OnRenameVerification ? OnRenameVerification(Destination, fichier, params, ce, passe) : true;
}

TMsgAnswer TRenameCmd::FileConfirmation(TAbstractListFichier *fichier, const QStringList &params, int passe,
                                        TCommandEngine &ce)
{
    if (OnDestination)
        Destination = OnDestination(fichier, params, passe);
    const QString question = QStringLiteral("Do you want to rename ") + (fichier ? fichier->name : QString()) +
                             QStringLiteral(" to ") + Destination + QStringLiteral(" ?");
    return ce.Ask(SeveralFilesQuestion(question, kSeveralRename, ce));
}

void TRenameCmd::FileCondition(TAbstractListFichier *fichier, bool &visible, bool &enabled)
{
    visible = true;
    enabled = true;
    if (OnRenameCondition)
        OnRenameCondition(fichier, visible, enabled);
}
