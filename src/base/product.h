// Who made the program and where to find it, as the exported files name it.
#pragma once

#include <QString>

inline const QString kProductName = QStringLiteral("Morvik");
inline const QString kProductVersion = QStringLiteral("7.2.1");
inline const QString kProductLanguage = QStringLiteral("En");
inline const QString kCompanyName = QStringLiteral("Quenlor");
inline const QString kProductHomePage = QStringLiteral("https://www.quenlor.com/morvik");
