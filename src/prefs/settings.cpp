#include "prefs/settings.h"

TIncrustSettings IncrustSettingsFromPreferences(const TPreferences &preferences)
{
    TIncrustSettings incrust;
    incrust.kind = IncrustKindFromCode(preferences.whatIncrust);
    incrust.alignment = IncrustAlignmentFromCode(preferences.alignement);
    incrust.position = {preferences.incrustPositionX, preferences.incrustPositionY};
    TincrustRec &record = incrust.Settings;
    const TIncrustTemplates templates =
        IncrustTemplates(incrust.kind, preferences.texte1, preferences.texte2, nullptr);
    record.Template1 = templates.line1;
    record.Template2 = templates.line2;
    record.When = IncrustWhenFromCode(preferences.whenIncrust);
    record.Format1 = preferences.formatDate1;
    record.Format2 = preferences.formatDate2;
    record.Duration = preferences.durationOfOverlay;
    record.Font = preferences.incrustFont;
    record.BorderSize = preferences.borderSize;
    return incrust;
}

void StoreIncrustSettings(TPreferences &preferences, const TIncrustSettings &incrust)
{
    const TincrustRec &record = incrust.Settings;
    preferences.whatIncrust = static_cast<int32_t>(incrust.kind);
    preferences.alignement = static_cast<int32_t>(incrust.alignment);
    preferences.incrustPositionX = incrust.position.x;
    preferences.incrustPositionY = incrust.position.y;
    preferences.whenIncrust = static_cast<int32_t>(record.When);
    preferences.formatDate1 = record.Format1;
    preferences.formatDate2 = record.Format2;
    preferences.durationOfOverlay = record.Duration;
    preferences.incrustFont = record.Font;
    preferences.borderSize = record.BorderSize;
}
