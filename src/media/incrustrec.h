// The date overlay settings: the record the overlay filters draw from, and the
// kind, alignment and position of the inlay beside it. Plain values: the main
// window owns the one shared instance on the user-interface thread, and every
// filter receives its own copy.
#pragma once

#include <QColor>
#include <QString>

#include <cstdint>

// When the inlay is shown; stored as its code under "When Incrust".
enum class IncrustWhen : uint8_t {
    kPermanently = 0,
    kOnce = 1,
    kEachNewScene = 2,
    kEachNewDay = 3,
};

// What is overlaid; stored under "What Incrust".
enum class IncrustKind : uint8_t {
    kDatecode = 0,
    kTimecode = 1,
    kPersonalText = 2,
};

// How the two lines sit on the position; stored under "Alignement".
enum class IncrustAlignment : uint8_t {
    kLeft = 0,      // both lines start at the same left edge
    kCentred = 1,   // each line centred on the position
    kRight = 2,     // both lines end at the same right edge
    kSubtitle = 3,  // each line centred on the picture
};

// A stored code, or the default when the code names no value (a hand-edited preference).
IncrustWhen IncrustWhenFromCode(int code);
IncrustKind IncrustKindFromCode(int code);
IncrustAlignment IncrustAlignmentFromCode(int code);

struct TfontRecord {
    QString name = QStringLiteral("arial");
    int32_t size = 16;
    QColor color = QColor(255, 255, 255);
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    bool operator==(const TfontRecord &) const = default;
};

struct TincrustRec {
    QString Template1 = QStringLiteral("%D1");
    QString Template2 = QStringLiteral("%D2");
    IncrustWhen When = IncrustWhen::kEachNewScene;
    QString Format1 = QStringLiteral("ddddd");  // replaces "%D1"
    QString Format2 = QStringLiteral("tt");     // replaces "%D2"
    double TimeDifference = 0;                  // days added to the datecode; set per file, never stored
    int32_t Duration = 5;                       // seconds the inlay stays in the timed modes
    TfontRecord Font;
    bool AutoSize = false;                      // font size follows the picture width
    int32_t BorderSize = 2;                     // outline width in pixels, 0 for none
    bool operator==(const TincrustRec &) const = default;
};

// The bottom of the two-line block, in thousandths of the picture width and height.
struct TIncrustPosition {
    static constexpr int kMax = 1000;
    int x = 920;
    int y = 920;
    bool operator==(const TIncrustPosition &) const = default;
};

// The shared overlay state: the record with the kind, alignment and position beside it.
struct TIncrustSettings {
    TincrustRec Settings;
    IncrustKind kind = IncrustKind::kDatecode;
    IncrustAlignment alignment = IncrustAlignment::kRight;
    TIncrustPosition position;
    bool operator==(const TIncrustSettings &) const = default;
};

// The editor's personal templates ("texte1", "texte2") before any are typed.
inline const QString kDefaultPersonalTemplate1 = QStringLiteral("Your template here");
inline const QString kDefaultPersonalTemplate2 = QStringLiteral("with datecode=%D, timecode=%T, etc...");

// The texts of a file that a personal template can name.
struct TIncrustFileTexts {
    QString name;       // %F, without extension
    QString extension;  // %E
    QString folder;     // %P
    QString codec;      // %C
    QString image;      // %I
    QString audio;      // %A
    QString duration;   // %U
};

struct TIncrustTemplates {
    QString line1;
    QString line2;
    bool operator==(const TIncrustTemplates &) const = default;
};

// The two line templates of a kind. For personal text, "%D" of line n becomes
// "%D<n>" and the file codes (%F %E %P %C %I %A %U, any case) are filled from
// the file when there is one, else they stay as typed; "%D1", "%D2" and "%T"
// are left for the overlay filter.
TIncrustTemplates IncrustTemplates(IncrustKind kind, const QString &personal1, const QString &personal2,
                                   const TIncrustFileTexts *file);
