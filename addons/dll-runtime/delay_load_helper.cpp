// __delayLoadHelper2: binds one delay-loaded import on its first call, in the
// documented protocol of the delay-load helper, so that the addon's own hooks
// take part exactly as they would with Microsoft's helper: the notification
// hook may supply the module or the function, the failure hook may repair a
// failure, and what nobody repairs raises the documented exception.
#include <windows.h>

#include <delayimp.h>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

template <typename T>
T* FromRva(RVA rva) {
  return reinterpret_cast<T*>(reinterpret_cast<BYTE*>(&__ImageBase) + rva);
}

// Which import the IAT entry stands for: its name or ordinal, from the
// import name table entry at the same index.
DelayLoadProc ImportOf(const ImgDelayDescr& descriptor, FARPROC* entry) {
  auto* iat = FromRva<IMAGE_THUNK_DATA>(descriptor.rvaIAT);
  auto* names = FromRva<IMAGE_THUNK_DATA>(descriptor.rvaINT);
  size_t index = reinterpret_cast<IMAGE_THUNK_DATA*>(entry) - iat;
  DelayLoadProc import = {};
  if (IMAGE_SNAP_BY_ORDINAL64(names[index].u1.Ordinal)) {
    import.fImportByName = FALSE;
    import.dwOrdinal = static_cast<DWORD>(IMAGE_ORDINAL64(names[index].u1.Ordinal));
  } else {
    import.fImportByName = TRUE;
    import.szProcName =
        reinterpret_cast<LPCSTR>(FromRva<IMAGE_IMPORT_BY_NAME>(static_cast<RVA>(names[index].u1.AddressOfData))->Name);
  }
  return import;
}

FARPROC Notify(unsigned notification, DelayLoadInfo* info) {
  return __pfnDliNotifyHook2 != nullptr ? __pfnDliNotifyHook2(notification, info) : nullptr;
}

FARPROC ReportFailure(unsigned notification, DelayLoadInfo* info) {
  return __pfnDliFailureHook2 != nullptr ? __pfnDliFailureHook2(notification, info) : nullptr;
}

// The exception's one argument is the address of a pointer to the load
// information; a handler may leave a function in its pfnCur and continue.
void Raise(DWORD error, DelayLoadInfo* info) {
  ULONG_PTR argument = reinterpret_cast<ULONG_PTR>(&info);
  RaiseException(VcppException(ERROR_SEVERITY_ERROR, error), 0, 1, &argument);
}

HMODULE LoadModule(DelayLoadInfo* info, HMODULE* slot) {
  HMODULE module = reinterpret_cast<HMODULE>(Notify(dliNotePreLoadLibrary, info));
  if (module == nullptr) module = LoadLibraryExA(info->szDll, nullptr, 0);
  if (module == nullptr) {
    info->dwLastError = GetLastError();
    module = reinterpret_cast<HMODULE>(ReportFailure(dliFailLoadLib, info));
    if (module == nullptr) {
      Raise(ERROR_MOD_NOT_FOUND, info);
      return nullptr;
    }
  }
  // Another thread may have bound the same module meanwhile; keep one
  // reference to it.
  HMODULE previous = static_cast<HMODULE>(InterlockedExchangePointer(reinterpret_cast<void**>(slot), module));
  if (previous == module) FreeLibrary(module);
  return module;
}

}  // namespace

extern "C" FARPROC WINAPI __delayLoadHelper2(PCImgDelayDescr descriptor, FARPROC* entry) {
  DelayLoadInfo info = {};
  info.cb = sizeof(info);
  info.pidd = descriptor;
  info.ppfn = entry;
  if ((descriptor->grAttrs & dlattrRva) == 0) {
    Raise(ERROR_INVALID_PARAMETER, &info);
    return nullptr;
  }
  info.szDll = FromRva<const char>(descriptor->rvaDLLName);
  info.dlp = ImportOf(*descriptor, entry);
  auto* slot = FromRva<HMODULE>(descriptor->rvaHmod);
  info.hmodCur = *slot;

  FARPROC function = Notify(dliStartProcessing, &info);
  if (function == nullptr) {
    HMODULE module = info.hmodCur != nullptr ? info.hmodCur : LoadModule(&info, slot);
    if (module == nullptr) return info.pfnCur;
    info.hmodCur = module;
    function = Notify(dliNotePreGetProcAddress, &info);
    if (function == nullptr) function = GetProcAddress(module, info.dlp.szProcName);
    if (function == nullptr) {
      info.dwLastError = GetLastError();
      function = ReportFailure(dliFailGetProc, &info);
      if (function == nullptr) {
        Raise(ERROR_PROC_NOT_FOUND, &info);
        function = info.pfnCur;
      }
    }
    *entry = function;
  }
  info.pfnCur = function;
  Notify(dliNoteEndProcessing, &info);
  return function;
}
