#pragma once

#include "library/sevenzip_interfaces.h"

#include <string>
#include <vector>

namespace melodrift {

// One format the engine offers and the file-name patterns that select it.
struct ArchiveFormat {
    std::wstring name;                  // empty when the engine gave none
    std::vector<std::wstring> patterns; // empty: the format is switched off
};

// Loads 7z.dll (settings key 7zDLL) once per process and builds the format table.
// A failed load is not repeated; a DLL without the expected exports is reported
// to the user once.
bool ensureEngineLoaded();

// One row per engine format, row i being format index i; empty without an engine.
const std::vector<ArchiveFormat>& formatTable();

// The engine's exports; only after ensureEngineLoaded() returned true.
HRESULT createEngineObject(const GUID& classId, const GUID& interfaceId, void** object);
HRESULT engineHandlerProperty(UINT32 formatIndex, PROPID propId, PROPVARIANT* value);

// For tests only: forgets the engine and the table so that the next use loads again,
// with the settings as they are then. No Archive may be alive.
void resetEngineForTests();

}  // namespace melodrift
