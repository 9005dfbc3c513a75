#include "archive/archive_engine.h"

#include "archive/prop_variant.h"
#include "base/module_paths.h"
#include "base/paths.h"
#include "base/unique_handle.h"

#include <shlwapi.h>

#include <utility>

namespace melodrift {

namespace {

struct Engine {
    HMODULE module = nullptr;  // kept until the process ends: handlers may outlive any owner
    bool attempted = false;
    CreateObjectFunc createObject = nullptr;
    GetHandlerProperty2Func handlerProperty = nullptr;
    GetNumberOfFormatsFunc numberOfFormats = nullptr;
    std::vector<ArchiveFormat> formats;
};

Engine& engine() {
    static Engine instance;
    return instance;
}

EngineSettings& settings() {
    static EngineSettings instance;
    return instance;
}

std::wstring dllName() { return settings().dllName ? settings().dllName() : L"7z.dll"; }

std::wstring formatPatterns(const std::wstring& formatName) {
    return settings().formatPatterns ? settings().formatPatterns(formatName) : L"DEFAULT";
}

// A relative name is taken beside the executable, never from the current directory
// or PATH, where any file of that name could be planted.
HMODULE loadLibrary(const std::wstring& name) {
    std::wstring path = name;
    if (PathIsRelativeW(name.c_str())) path = joinPath(parentDirectory(modulePath()), name);
    // The engine's own dependencies are looked up beside it.
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

template <typename Function>
Function exportOf(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

std::vector<std::wstring> patternsOf(UINT32 index, const std::wstring& setting) {
    // An empty value switches the format off; any other than DEFAULT is a pattern list.
    if (setting != L"DEFAULT") return splitString(setting, L';');
    PropVariant extensions;
    if (FAILED(engine().handlerProperty(index, kHandlerExtension, extensions.out()))) return {};
    std::vector<std::wstring> patterns = splitString(extensions.string(), L' ');
    for (std::wstring& pattern : patterns) pattern.insert(0, L"*.");
    return patterns;
}

void buildFormatTable(Engine& state) {
    UINT32 count = 0;
    if (FAILED(state.numberOfFormats(&count))) count = 0;  // an engine that cannot count offers no format
    state.formats.assign(count, ArchiveFormat());
    for (UINT32 i = 0; i < count; ++i) {
        ArchiveFormat& format = state.formats[i];
        PropVariant name;
        if (SUCCEEDED(state.handlerProperty(i, kHandlerName, name.out()))) format.name = name.string();
        format.patterns = patternsOf(i, formatPatterns(format.name));
    }
}

}  // namespace

void setEngineSettings(EngineSettings newSettings) { settings() = std::move(newSettings); }

bool ensureEngineLoaded() {
    Engine& state = engine();
    if (state.module) return true;
    if (state.attempted) return false;
    state.attempted = true;
    state.formats.clear();

    ModuleHandle module(loadLibrary(dllName()));
    if (!module) return false;
    state.createObject = exportOf<CreateObjectFunc>(module.get(), "CreateObject");
    state.handlerProperty = exportOf<GetHandlerProperty2Func>(module.get(), "GetHandlerProperty2");
    state.numberOfFormats = exportOf<GetNumberOfFormatsFunc>(module.get(), "GetNumberOfFormats");
    if (!state.createObject || !state.handlerProperty || !state.numberOfFormats) {
        state.createObject = nullptr;
        state.handlerProperty = nullptr;
        state.numberOfFormats = nullptr;
        module.reset();
        if (settings().warnUnexpectedEngine) settings().warnUnexpectedEngine();
        return false;
    }
    state.module = module.release();
    buildFormatTable(state);
    return true;
}

const std::vector<ArchiveFormat>& formatTable() { return engine().formats; }

HRESULT createEngineObject(const GUID& classId, const GUID& interfaceId, void** object) {
    if (!engine().createObject) return E_UNEXPECTED;
    return engine().createObject(&classId, &interfaceId, object);
}

HRESULT engineHandlerProperty(UINT32 formatIndex, PROPID propId, PROPVARIANT* value) {
    if (!engine().handlerProperty) return E_UNEXPECTED;
    return engine().handlerProperty(formatIndex, propId, value);
}

void resetEngineForTests() {
    Engine& state = engine();
    if (state.module) FreeLibrary(state.module);
    state = Engine();
}

}  // namespace melodrift
