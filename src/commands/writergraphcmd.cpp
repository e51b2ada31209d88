#include "commands/writergraphcmd.h"

void TWriterGraphCmd::DoExecution(TAbstractListFichier *fichier, const QStringList &params, TCommandEngine &ce,
                                  int passe)
{
    struct Release {
        TWriterGraphCmd &cmd;
        ~Release() { cmd.ReleaseWriters(); }
    } release{*this};
    TGraphCmd::DoExecution(fichier, params, ce, passe);
}

void TWriterGraphCmd::ReleaseWriters()
{
    ContentCuts.reset();
    SceneWriter.reset();
    SrtWriter.reset();
}
