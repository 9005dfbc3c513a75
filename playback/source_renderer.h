#pragma once

#include <strmif.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace melodrift {

class Archive;

// Puts the source of one item into a fresh filter graph and renders it. Each renderer
// owns copies of what it needs.
class SourceRenderer {
public:
    virtual ~SourceRenderer() = default;
    virtual HRESULT render(IGraphBuilder* graphBuilder) const = 0;
};

// A file on disk: decoded by the program itself when its first bytes show one of the
// formats it decodes, rendered by the graph builder otherwise.
class FileSourceRenderer : public SourceRenderer {
public:
    explicit FileSourceRenderer(std::wstring path) : path_(std::move(path)) {}
    HRESULT render(IGraphBuilder* graphBuilder) const override;

private:
    std::wstring path_;
};

// Bytes held in memory, served by the in-memory source filter, decoded as above. Several
// renderers may share the bytes: the tracks of one image extracted from an archive.
class MemorySourceRenderer : public SourceRenderer {
public:
    explicit MemorySourceRenderer(std::shared_ptr<const std::vector<uint8_t>> bytes) : bytes_(std::move(bytes)) {}
    HRESULT render(IGraphBuilder* graphBuilder) const override;

private:
    std::shared_ptr<const std::vector<uint8_t>> bytes_;
};

// An archive entry, decompressed whole into memory when the graph is built, then served
// as MemorySourceRenderer serves bytes. An entry that cannot be extracted is an empty stream.
class ZipSourceRenderer : public SourceRenderer {
public:
    ZipSourceRenderer(std::shared_ptr<Archive> archive, std::wstring itemName)
        : archive_(std::move(archive)), itemName_(std::move(itemName)) {}
    HRESULT render(IGraphBuilder* graphBuilder) const override;

private:
    std::shared_ptr<Archive> archive_;
    std::wstring itemName_;
};

}  // namespace melodrift
