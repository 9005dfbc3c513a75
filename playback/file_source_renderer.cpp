#include "playback/source_renderer.h"

namespace melodrift {

HRESULT FileSourceRenderer::render(IGraphBuilder* graphBuilder) {
    return graphBuilder->RenderFile(path_->c_str(), nullptr);
}

}  // namespace melodrift
