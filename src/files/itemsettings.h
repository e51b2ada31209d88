// The preference the file items read while they are built, on whichever thread
// builds them: "Format pour Afficher Datecode". The main window sets it at start
// and whenever the options change it; any thread may read it.
#pragma once

#include <QString>

QString DatecodeDisplayFormat();
void SetDatecodeDisplayFormat(const QString &format);
