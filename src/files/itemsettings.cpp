#include "files/itemsettings.h"

#include "prefs/settings.h"

#include <mutex>

namespace {

std::mutex &SettingsLock()
{
    static std::mutex lock;
    return lock;
}

QString &StoredFormat()
{
    static QString format = TPreferences().formatAfficherDatecode;
    return format;
}

}  // namespace

QString DatecodeDisplayFormat()
{
    std::lock_guard guard(SettingsLock());
    return StoredFormat();
}

void SetDatecodeDisplayFormat(const QString &format)
{
    std::lock_guard guard(SettingsLock());
    StoredFormat() = format;
}
