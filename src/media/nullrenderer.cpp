#include "media/nullrenderer.h"

NullRenderer::NullRenderer() : RendererFilter(QStringLiteral("Null Renderer")) {}

bool NullRenderer::CheckInputType(const MediaType &) const
{
    return true;
}

StreamResult NullRenderer::Render(const MediaSample &)
{
    samples_.fetch_add(1, std::memory_order_relaxed);
    return StreamResult::Ok();
}

StreamResult NullRenderer::StartStreaming()
{
    samples_.store(0, std::memory_order_relaxed);
    return RendererFilter::StartStreaming();
}
