#include "actions/appcontroller.h"

#include "base/paths.h"
#include "commands/commanddescriptions.h"
#include "commands/timedifference.h"
#include "commands/userinterface.h"
#include "files/afficherfichier.h"
#include "files/avifichier.h"
#include "files/detailedlist.h"
#include "files/itemsettings.h"
#include "files/playlist.h"
#include "prefs/savepreferences.h"

#include <QFileInfo>

namespace {

const QString kReady = QStringLiteral("Ready");

// The suffix an error message of the engine ends with, by its kind.
QString ErrorSuffix(TErrorType type)
{
    switch (type) {
    case TErrorType::etNoError:
        return {};
    case TErrorType::etError:
        return QStringLiteral("The current file has been aborted.");
    case TErrorType::etAllError:
        return QStringLiteral("The command will be aborted.");
    }
    return {};
}

}  // namespace

TAppController::TAppController(TUserInterface &user, QObject *parent) : QObject(parent), user_(user)
{
    engine_.SetUserInterface(&user_);
    engine_.SetSourceFichierListbox(&listFiles_);
    engine_.SetDestFichierListbox(&listFiles_);
    engine_.SetFichierClass(ItemClassOf<TAfficherFichier>());
    list_.SetItemClass(ItemClassOf<TaviFichier>());
    switch_.DefaultAction = actions_.Find(QStringLiteral("saOuvrirPlayList"));
    script_.OnQuit = [this] {
        if (OnQuit)
            OnQuit();
    };
    switch_.OnQuit = script_.OnQuit;
    switch_.OnNoCommandLine = [this] {
        if (!Preferences.saveListWhenQuit)
            return;
        user_.ShowStatus(QStringLiteral("Restoring the files from the previous session"), TStatusRole::Scan);
        StartScan([&] { list_.OpenPreferredPlaylist(); });
    };
    BindEngineEvents();
    BindScanEvents();
    BindListActions();
    connect(&cdm_, &TCdm::GraphEnded, &engine_, [this] { engine_.SignalGraphEnd(); });
    table_ = std::make_unique<TdmAction>(CommandContext());
    BindCommandActions();
}

TActionContext TAppController::CommandContext()
{
    TActionContext context;
    context.cdm = &cdm_;
    context.preferences = [this] {
        const std::lock_guard lock(preferencesLock_);
        return runPreferences_;
    };
    context.setPendingTimeDifference = [this](double days) { PendingTimeDifference = days; };
    context.releaseFile = [this](const QString &path) {
        if (OnReleaseFile)
            OnReleaseFile(path);
    };
    context.sceneEditorList = [this](const QString &path) {
        return OnSceneEditorList ? OnSceneEditorList(path) : nullptr;
    };
    context.restoreSceneEditor = [this] {
        if (OnRestoreSceneEditor)
            OnRestoreSceneEditor();
    };
    // Without a player the scene texts come from the scene file and the frame rate.
    context.loadSceneInfo = nullptr;
    context.openRiffReport = [this](const QString &path) {
        if (OnOpenRiffReport)
            OnOpenRiffReport(path);
    };
    context.emptyList = [this] { list_.Empty(); };
    return context;
}

void TAppController::BindCommandActions()
{
    for (const auto &action : actions_.Actions()) {
        auto *one = dynamic_cast<TSuperAction *>(action.get());
        if (tCustomCmd *cmd = one ? table_->CommandOfAction(one->Name()) : nullptr)
            BindCommand(*one, *cmd, true);
    }
}

TAppController::~TAppController()
{
    // The scans and the run call back into this object: end them while it is whole.
    list_.AbortOpen();
    list_.WaitForScans();
    engine_.AbortAll();
    engine_.WaitForIdle(-1);
}

TCommandEngine::RunResult TAppController::RunCommand(tCustomCmd &cmd, const QStringList *params)
{
    {
        const std::lock_guard lock(preferencesLock_);
        runPreferences_ = Preferences;
    }
    const TCommandEngine::RunResult result = engine_.RunCommand(cmd, params);
    if (result == TCommandEngine::RunResult::Started)
        params_.CommandRunning = true;
    return result;
}

void TAppController::BindCommand(TSuperAction &action, tCustomCmd &cmd, bool withParams)
{
    action.OnExecute = [this, &cmd, withParams] {
        const QStringList params = params_.ParamList;
        RunCommand(cmd, withParams ? &params : nullptr);
    };
}

void TAppController::BindEngineEvents()
{
    engine_.OnStartCommand = [this] { params_.CommandRunning = true; };
    engine_.OnMessageCommand = [this](const QString &msg) {
        commandMessage_ = msg;
        ShowStatusLine();
    };
    engine_.OnErrorCommand = [this](const QString &msg, TErrorType type) {
        user_.ShowError(msg + QStringLiteral("\r") + ErrorSuffix(type));
        user_.EndProgress();
    };
    engine_.OnStartProgress = [this](int max) { user_.StartProgress(max); };
    engine_.OnSetProgress = [this](int pos) { user_.SetProgress(pos); };
    engine_.OnEndProgress = [this] { user_.EndProgress(); };
    engine_.OnStartFichier = [this](TAbstractListFichier *item, const QStringList &, int) {
        if (const auto *video = dynamic_cast<const TaviFichier *>(item)) {
            PendingTimeDifference = video->displayTimeDifference;
            PendingTimeDifferenceText = video->displayTimeDifferenceText;
        }
    };
    engine_.OnEndFichier = [this](TAbstractListFichier *item, const QStringList &, int) {
        if (auto *video = dynamic_cast<TaviFichier *>(item)) {
            video->displayTimeDifference = PendingTimeDifference;
            video->displayTimeDifferenceText = TimeDifferenceText(PendingTimeDifference);
        }
    };
    engine_.OnEndCommand = [this] {
        commandMessage_.clear();
        ShowStatusLine();
        if (OnRefreshActiveView)
            OnRefreshActiveView();
        params_.CommandRunning = false;
    };
}

void TAppController::BindScanEvents()
{
    list_.OnOpenStart = [this] { params_.CommandRunning = true; };
    list_.OnOpenFolderFound = [this](const QString &folder) {
        scanMessage_ = QStringLiteral("Analysing ") + folder;
        ShowStatusLine();
    };
    list_.OnOpenTestExtension = [](const QString &name) {
        return QFileInfo(name).suffix().toLower() == QStringLiteral("avi");
    };
    list_.OnOpenEnd = [this](int) {
        scanMessage_.clear();
        if (commandMessage_.isEmpty()) {
            ShowStatusLine();
            params_.CommandRunning = false;
        }
    };
}

void TAppController::ShowStatusLine()
{
    if (!commandMessage_.isEmpty())
        user_.ShowStatus(commandMessage_, TStatusRole::Command);
    else if (!scanMessage_.isEmpty())
        user_.ShowStatus(scanMessage_, TStatusRole::Scan);
    else
        user_.ShowStatus(kReady, TStatusRole::Ready);
}

void TAppController::StartScan(const std::function<void()> &open)
{
    open();
    // The scan announces its start through this thread later; a script that waits
    // on the flag must see it up as soon as the action returns.
    if (list_.Scanning())
        params_.CommandRunning = true;
}

QString TAppController::FirstParam() const
{
    return params_.ParamList.isEmpty() ? QString() : params_.ParamList.first();
}

void TAppController::Bind(const char *name, std::function<void()> handler)
{
    if (TSuperAction *action = actions_.FindSuper(QString::fromLatin1(name)))
        action->OnExecute = std::move(handler);
}

void TAppController::BindListActions()
{
    Bind("saQuitter", [this] {
        if (OnQuit)
            OnQuit();
    });
    Bind("saInterrompre", [this] {
        script_.Stop();
        engine_.Abort();
        list_.AbortOpen();
    });
    Bind("saInterrompreTous", [this] {
        script_.Stop();
        list_.AbortOpen();
        engine_.AbortAll();
        params_.CommandRunning = false;
    });
    Bind("saOuvrirFichiers", [this] { StartScan([&] { list_.OpenFiles(params_.ParamList); }); });
    Bind("saOuvrirunDossier", [this] { StartScan([&] { list_.OpenFolder(FirstParam()); }); });
    // A playlist, or what the program was asked to open with its bare arguments: a
    // video or a folder goes into the list as a drop would.
    Bind("saOuvrirPlayList", [this] {
        const QString name = FirstParam();
        StartScan([&] {
            if (name.endsWith(QStringLiteral(".txt"), Qt::CaseInsensitive))
                list_.OpenPlaylist(name);
            else
                list_.DropFiles({name});
        });
    });
    Bind("saOuvrirDefaultPlayList", [this] { StartScan([&] { list_.OpenPreferredPlaylist(); }); });
    Bind("saOuvrirDossierPrefere", [this] { StartScan([&] { list_.OpenPreferredFolder(); }); });
    Bind("saOuvrirTout", [this] { StartScan([&] { list_.OpenAllDrives(); }); });
    Bind("saOuvrirScript", [this] { script_.RunScriptFile(FirstParam()); });
    Bind("saSelectionnerTout", [this] { list_.SelectAll(list_.SelectedCount() < list_.Count()); });
    Bind("saOterFichier", [this] { list_.RemoveSelected(); });
    Bind("saViderListe", [this] { list_.Empty(); });
    Bind("saSauverListe", [this] {
        const TextFileWrite saved = SavePlaylist(list_, FirstParam());
        if (!saved.ok)
            user_.ShowError(saved.error);
    });
    Bind("saDureeTotale", [this] { user_.ShowInformation(TotalDurationText(list_)); });
    const std::pair<const char *, const TSortIndex &(*)()> sorts[] = {
        {"saOrdreAlpha", SortAlpha},     {"saTriTaille", SortTaille},     {"saTrierModify", SortModify},
        {"saTriDatecode", SortDatecode}, {"saTriTimecode", SortTimecode}, {"saTriDuree", SortDuree},
    };
    for (const auto &[name, index] : sorts) {
        Bind(name, [this, index] {
            list_.Resort(index());
            Preferences.sortIndex = index().name;
        });
    }
    if (TtoggleAction *select = actions_.FindToggle(QStringLiteral("taSelectionnerOuverts"))) {
        select->OnFalseExecute = [this, select] {
            list_.SelectionnerOuverts = true;
            select->SetChecked(true);
        };
        select->OnTrueExecute = [this, select] {
            list_.SelectionnerOuverts = false;
            select->SetChecked(false);
        };
    }
}

void TAppController::LoadAndApplyPreferences()
{
    const TLoadedPreferences loaded = LoadPreferences();
    Preferences = loaded.settings;
    StorageMode = loaded.mode;
    ApplyPreferences();
}

void TAppController::RunCommandLine(const QStringList &arguments)
{
    switch_.RunCommandLine(arguments);
}

void TAppController::Shutdown(bool savePreferences)
{
    Actions().Find(QStringLiteral("saInterrompreTous"))->Execute();
    engine_.WaitForIdle(-1);
    list_.WaitForScans();
    if (savePreferences)
        SavePreferences(Preferences, StorageMode);
    if (Preferences.saveListWhenQuit) {
        const TextFileWrite saved = SavePlaylist(list_, PreferredPlaylistFile(Preferences));
        if (!saved.ok)
            user_.ShowError(saved.error);
    }
}

void TAppController::ApplyPreferences()
{
    SetDatecodeDisplayFormat(Preferences.formatAfficherDatecode);
    list_.PreferredPlayList = PreferredPlaylistFile(Preferences);
    list_.PreferredFolder = IncludeTrailingPathDelimiter(Preferences.folderToOpenAuto);
    list_.Resort(SortIndexByName(Preferences.sortIndex));
    list_.SelectionnerOuverts = Preferences.selectWhenOpening;
    if (TCustomSuperAction *select = actions_.Find(QStringLiteral("taSelectionnerOuverts")))
        select->SetChecked(Preferences.selectWhenOpening);
}
