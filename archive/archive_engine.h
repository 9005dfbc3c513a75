#pragma once

#include "archive/sevenzip_interfaces.h"

#include <functional>
#include <string>
#include <vector>

namespace melodrift {

// One format the engine offers and the file-name patterns that select it.
struct ArchiveFormat {
    std::wstring name;                   // empty when the engine gave none
    std::vector<std::wstring> patterns;  // empty: the format is switched off
};

// What the loader takes from the program's settings, and how it tells the user; handed
// in by the start-up code and asked when the engine is first loaded. A member left
// empty gives the default.
struct EngineSettings {
    // The engine's file name or path (default "7z.dll"); a relative name is taken
    // beside the executable.
    std::function<std::wstring()> dllName;
    // A format's pattern setting: "DEFAULT" (the default) for the engine's own
    // extensions, empty to switch the format off, else patterns separated by ';'.
    std::function<std::wstring(const std::wstring& formatName)> formatPatterns;
    // Called once when the library is not a 7-Zip engine (default: nothing).
    std::function<void()> warnUnexpectedEngine;
};

void setEngineSettings(EngineSettings settings);

// Loads the engine once per process and builds the format table. A failed load is
// not repeated; a DLL without the expected exports is reported once through
// warnUnexpectedEngine.
bool ensureEngineLoaded();

// One row per engine format, row i being format index i; empty without an engine.
const std::vector<ArchiveFormat>& formatTable();

// The engine's exports; only after ensureEngineLoaded() returned true.
HRESULT createEngineObject(const GUID& classId, const GUID& interfaceId, void** object);
HRESULT engineHandlerProperty(UINT32 formatIndex, PROPID propId, PROPVARIANT* value);

// For tests only: forgets the engine and the table (not the settings) so that the next
// use loads again, asking the settings then. No Archive may be alive.
void resetEngineForTests();

}  // namespace melodrift
