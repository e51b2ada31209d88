// The graph kind for the scans that write beside the video: the build handler makes
// the writers that the detectors' callbacks feed on the streaming thread, and the
// end of the stream drops them. The command drops them too once each pass is over
// and its graph stopped, so that a run stopped early still closes its files.
//
// The writers belong to the command; the worker makes and drops them while the
// graph is stopped, the streaming thread only while it runs.
#pragma once

#include "commands/commanddescriptions.h"
#include "scenes/contentcuts.h"
#include "scenes/scnfile.h"
#include "scenes/writesrt.h"

#include <memory>

class TWriterGraphCmd : public TGraphCmd {
public:
    void DoExecution(TAbstractListFichier *fichier, const QStringList &params, TCommandEngine &ce,
                     int passe) override;

    // Closes what the last build opened; the cuts go before the scene writer they feed.
    void ReleaseWriters();

    std::unique_ptr<TwriteScene> SceneWriter;
    std::unique_ptr<TContentSceneCuts> ContentCuts;
    std::unique_ptr<TWriteSrt> SrtWriter;
};
