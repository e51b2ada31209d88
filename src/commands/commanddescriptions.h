// Command descriptions: what one batch command does to which files, what it asks
// and shows, and what it changes in the list afterwards. Five kinds, each adding to
// the one before: custom (events and defaults), fast (messages; remove and reload),
// destination (a destination per pass and the overwrite question), graph (the pass
// runs a media graph with progress and abort) and rename.
//
// The engine calls DoExecution and FileCondition on its worker, the verification,
// confirmation, conditions and DoAbort on the UI thread (inside its synchronised
// calls). A description is owned by the command table and outlives every run.
// A handler signals a failure by throwing; the kinds from fast on report it with
// their error message and go on with the next pass.
#pragma once

#include "commands/commandtypes.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

class TAbstractListFichier;
class TCommandEngine;
class FilterGraph;
class MediaSeeking;

class tCustomCmd {
public:
    using TExecutionEvent = std::function<void(TAbstractListFichier *fichier, const QStringList &params,
                                               TCommandEngine &ce, int passe)>;
    using TFileConditionEvent = std::function<void(TAbstractListFichier *fichier, bool &visible, bool &enabled)>;
    using TAbortEvent = std::function<void(TCommandEngine &ce)>;
    using TCommandConditionEvent = std::function<bool(TCommandEngine &ce)>;
    using TCommandConfirmationEvent = std::function<bool(TCommandEngine &ce)>;
    using TFileVerificationEvent = std::function<bool(TAbstractListFichier *fichier, const QStringList &params,
                                                      TCommandEngine &ce, int passe)>;
    using TFileConfirmationEvent = std::function<QString(TAbstractListFichier *fichier, const QStringList &params,
                                                         TCommandEngine &ce, int passe)>;

    tCustomCmd() = default;
    tCustomCmd(const tCustomCmd &) = delete;
    tCustomCmd &operator=(const tCustomCmd &) = delete;
    virtual ~tCustomCmd() = default;

    virtual void DoExecution(TAbstractListFichier *fichier, const QStringList &params, TCommandEngine &ce, int passe);
    virtual void DoAbort(TCommandEngine &ce);
    virtual bool FileVerification(TAbstractListFichier *fichier, const QStringList &params, int passe,
                                  TCommandEngine &ce);
    virtual TMsgAnswer FileConfirmation(TAbstractListFichier *fichier, const QStringList &params, int passe,
                                        TCommandEngine &ce);
    virtual bool CommandCondition(TCommandEngine &ce);
    virtual bool CommandConfirmation(TCommandEngine &ce);
    virtual void FileCondition(TAbstractListFichier *fichier, bool &visible, bool &enabled);

    // Identity, as the action that starts the command shows it.
    QString Name;
    QString Caption;
    QString Category;

    int32_t NbPasses = 0;  // 0 and 1 both give one pass
    TcmdNombre Nombre = TcmdNombre::fnNone;
    TUpdateDisplay UpdateDisplay = TUpdateDisplay::udNone;
    TAbortEvent OnAbort;
    TCommandConditionEvent OnCommandCondition;
    TFileConditionEvent OnFileCondition;
    TCommandConfirmationEvent OnCommandConFirmation;
    TExecutionEvent OnExecution;
    TFileVerificationEvent OnFileVerification;
    TFileConfirmationEvent OnFileConFirmation;

protected:
    // The question with the line that several files add.
    static QString SeveralFilesQuestion(const QString &question, const QString &secondLine, const TCommandEngine &ce);
};

class TFastcmd : public tCustomCmd {
public:
    void DoExecution(TAbstractListFichier *fichier, const QStringList &params, TCommandEngine &ce,
                     int passe) override;

    QString StartMessage;  // %s the file's name, %d the pass
    QString ErrorMessage;  // %s the file's full path, %d the pass
    TUpdateFile UpdateFile = TUpdateFile::ufNone;

protected:
    void SendStartMessage(TAbstractListFichier *fichier, TCommandEngine &ce, int passe) const;
    // The error message with the reason, when there is one, on a line of its own.
    void SendErrorMessage(TAbstractListFichier *fichier, TCommandEngine &ce, int passe, const QString &reason) const;
    // Runs the steps of a pass; an error drops the rest and is reported.
    void Guarded(TAbstractListFichier *fichier, TCommandEngine &ce, int passe, const std::function<void()> &steps) const;
};

class Tcmd : public TFastcmd {
public:
    using TDestExecutionEvent = std::function<void(TAbstractListFichier *fichier, const QString &destination,
                                                   const QStringList &params, TCommandEngine &ce, int passe)>;
    using TDestinationEvent = std::function<QString(TAbstractListFichier *aFichier, const QStringList &aParams,
                                                    int passe)>;

    void DoExecution(TAbstractListFichier *fichier, const QStringList &params, TCommandEngine &ce,
                     int passe) override;
    bool FileVerification(TAbstractListFichier *fichier, const QStringList &params, int passe,
                          TCommandEngine &ce) override;
    TMsgAnswer FileConfirmation(TAbstractListFichier *fichier, const QStringList &params, int passe,
                                TCommandEngine &ce) override;

    TDestExecutionEvent OnDestExecution;
    TDestinationEvent OnDestination;
    // The destination of the pass in progress: written in the confirmation step on
    // the UI thread, read by the worker afterwards.
    QString Destination;

protected:
    void ApplyUpdate(TCommandEngine &ce, bool testEmptyDestination) const;
};

class TGraphCmd : public Tcmd {
public:
    using TBuildGraphEvent = std::function<MediaSeeking *(TAbstractListFichier *fichier, const QString &wDest,
                                                           const QStringList &params, int passe)>;

    void DoExecution(TAbstractListFichier *fichier, const QStringList &params, TCommandEngine &ce,
                     int passe) override;

    TBuildGraphEvent OnBuildGraph;
    FilterGraph *Filtergraph = nullptr;
    // The stretch the pass processes, in 100-ns media time: cleared before each build,
    // set by a build handler that processes part of the file; else the graph's
    // duration is measured for the pass.
    int64_t Duree = 0;
    int64_t Debut = 0;

    // Progress is reported in units of 1024 media-time units, to fit 32 bits.
    static constexpr int64_t kProgressUnit = 1024;
    static constexpr int kPollMilliseconds = 200;
};

class TRenameCmd : public Tcmd {
public:
    using TDestFileVerificationEvent = std::function<bool(const QString &destination, TAbstractListFichier *fichier,
                                                          const QStringList &params, TCommandEngine &ce, int passe)>;

    void DoExecution(TAbstractListFichier *fichier, const QStringList &params, TCommandEngine &ce,
                     int passe) override;
    bool FileVerification(TAbstractListFichier *fichier, const QStringList &params, int passe,
                          TCommandEngine &ce) override;
    TMsgAnswer FileConfirmation(TAbstractListFichier *fichier, const QStringList &params, int passe,
                                TCommandEngine &ce) override;
    void FileCondition(TAbstractListFichier *fichier, bool &visible, bool &enabled) override;

    TDestFileVerificationEvent OnRenameVerification;
    TFileConditionEvent OnRenameCondition;
};
