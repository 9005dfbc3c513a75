/* A 7z.dll impostor: it has CreateObject but neither GetHandlerProperty2 nor
   GetNumberOfFormats, so the program must reject it. */
#include <windows.h>

__declspec(dllexport) HRESULT WINAPI CreateObject(const GUID* classId, const GUID* interfaceId, void** object) {
    (void)classId, (void)interfaceId;
    if (object) *object = NULL;
    return E_NOTIMPL;
}
