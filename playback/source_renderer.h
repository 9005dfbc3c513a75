#pragma once

#include <strmif.h>

#include <string>

namespace melodrift {

// Puts the source of one item into a fresh filter graph and renders it.
class SourceRenderer {
public:
    virtual ~SourceRenderer() = default;
    virtual HRESULT render(IGraphBuilder* graphBuilder) = 0;
};

// A file on disk, rendered by the graph builder itself. Borrows the path, which
// must live until render has run.
class FileSourceRenderer : public SourceRenderer {
public:
    explicit FileSourceRenderer(const std::wstring& path) : path_(&path) {}
    HRESULT render(IGraphBuilder* graphBuilder) override;

private:
    const std::wstring* path_;
};

}  // namespace melodrift
