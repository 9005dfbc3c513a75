#pragma once

#include "playback/source_renderer.h"

#include <memory>
#include <string>

namespace melodrift {

class Archive;

// An archive entry, decompressed whole into memory and served to the graph by the
// in-memory source filter. Borrows both arguments for the length of render.
class ZipSourceRenderer : public SourceRenderer {
public:
    ZipSourceRenderer(const std::shared_ptr<Archive>& archive, const std::wstring& itemName)
        : archive_(&archive), itemName_(&itemName) {}
    HRESULT render(IGraphBuilder* graphBuilder) override;

private:
    const std::shared_ptr<Archive>* archive_;
    const std::wstring* itemName_;
};

}  // namespace melodrift
