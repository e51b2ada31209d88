#include "scenes/contentcuts.h"

#include <algorithm>

void TContentSceneCuts::OnCut(int64_t frame)
{
    const int32_t cut = static_cast<int32_t>(std::clamp<int64_t>(frame, 0, INT32_MAX));
    if (cut <= lastCut_)
        return;
    writer_.WriteScene(TSceneClass(lastCut_, cut));
    lastCut_ = cut;
}
